#include "host/program_lookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace orvane {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(std::span<const std::string_view> names, std::string_view searchPath) {
  // Names first, folders second: the order of the list says which program is
  // preferred, PATH only where to find it.
  for (std::string_view name : names) {
    std::string_view rest = searchPath;
    while (true) {
      const size_t colon = rest.find(':');
      const std::string_view folder = rest.substr(0, colon);
      if (!folder.empty() && folder.front() == '/') {
        std::string path(folder);
        if (path.back() != '/') path += '/';
        path += name;
        if (IsExecutableFile(path)) return path;
      }
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return {};
}

std::span<const std::string_view> CalculatorPrograms() {
  static constexpr std::array<std::string_view, 5> kCalculators = {
      "gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"};
  return kCalculators;
}

}  // namespace orvane
