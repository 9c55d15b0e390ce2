#pragma once

#include <string>
#include <string_view>

namespace orvane {

// The program's own text files are in Windows-1252, so they move between
// this program and its Windows predecessor unchanged; in memory text is UTF-8.
std::string Utf8ToCp1252(std::string_view utf8);  // unmappable characters become '?'
std::string Cp1252ToUtf8(std::string_view bytes);

// Strict UTF-8: no overlong form, surrogate or value past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// A text file's bytes from its UTF-8 text: Windows-1252 when that holds every
// character and cannot be mistaken for UTF-8 on reading, else UTF-8, so no
// character is ever replaced and DecodeTextFile gives the text back exactly.
std::string EncodeTextFile(std::string_view utf8);
// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
std::string DecodeTextFile(std::string_view bytes);

}  // namespace orvane
