#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Opens `in` on `path` only when the path names a regular file (links
// followed). A pipe with no writer would block the opening for ever and a
// device never ends; either leaves `in` closed, as a missing file does.
bool OpenRegularStream(std::ifstream& in, const std::string& path);

// A program's lines (G-code or board lines) without their ends, CR LF or LF;
// nullopt when it is not a regular file or cannot be read to its end.
std::optional<std::vector<std::string>> ReadProgramLines(const std::string& path);

}  // namespace orvane
