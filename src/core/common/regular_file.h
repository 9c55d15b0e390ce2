#pragma once

#include <fstream>
#include <string>

namespace orvane {

// Opens `in` on `path` only when the path names a regular file (links
// followed). A pipe with no writer would block the opening for ever and a
// device never ends; either leaves `in` closed, as a missing file does.
bool OpenRegularStream(std::ifstream& in, const std::string& path);

}  // namespace orvane
