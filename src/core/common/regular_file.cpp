#include "core/common/regular_file.h"

#include <filesystem>

namespace orvane {

bool OpenRegularStream(std::ifstream& in, const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  in.open(path, std::ios::binary);
  return in.is_open();
}

std::optional<std::vector<std::string>> ReadProgramLines(const std::string& path) {
  std::ifstream in;
  if (!OpenRegularStream(in, path)) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) return std::nullopt;
  return lines;
}

}  // namespace orvane
