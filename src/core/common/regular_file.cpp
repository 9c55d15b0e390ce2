#include "core/common/regular_file.h"

#include <filesystem>

namespace orvane {

bool OpenRegularStream(std::ifstream& in, const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  in.open(path, std::ios::binary);
  return in.is_open();
}

}  // namespace orvane
