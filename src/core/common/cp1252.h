#pragma once

#include <string>
#include <string_view>

namespace orvane {

// The program's own text files are in Windows-1252, so they move between
// this program and its Windows predecessor unchanged; in memory text is UTF-8.
std::string Utf8ToCp1252(std::string_view utf8);  // unmappable characters become '?'
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace orvane
