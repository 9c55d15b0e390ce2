#include "host/data_files.h"

#include <filesystem>
#include <system_error>

namespace orvane {

namespace fs = std::filesystem;

std::string ProgramDataFileFrom(const std::string& executableFolder, const std::string& relative) {
  if (executableFolder.empty() || relative.empty()) return {};
  const fs::path folder(executableFolder);
  for (const fs::path& candidate :
       {folder / relative, folder.parent_path() / "share" / "orvane" / relative}) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return {};
}

std::string ProgramDataFile(const std::string& relative) {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return ProgramDataFileFrom(executable.parent_path().string(), relative);
}

}  // namespace orvane
