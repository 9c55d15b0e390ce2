// orvane-cli config: the settings store saved to or restored from a ".ovr"
// configuration file, for backups and scripted set-ups.
#include <iostream>
#include <string>

#include "cli/cli_commands.h"
#include "core/app/configuration_file.h"
#include "core/app/startup.h"
#include "host/atomic_file.h"
#include "host/host_centronic.h"
#include "host/settings_file_store.h"

namespace orvane::cli {
namespace {

// Far above 108 lines of folder names; anything larger is not a configuration.
constexpr size_t kMaxConfigurationFile = 1 << 20;

int Save(const std::string& path) {
  FileSettingsStore store(SettingsFilePath());
  // A folder the store lacks is the one the program would create and use.
  const AppFolders folders = MakeAppFolders(ApplicationFolderPath());
  MachineSettings inMemory;
  inMemory.ProjectPath = folders.project, inMemory.CutPath = folders.cut;
  inMemory.DxfPath = folders.dxf, inMemory.ExportPath = folders.exportFolder;
  std::string bytes;
  const ConfigurationResult result = WriteConfigurationFile(store, bytes, inMemory);
  if (!result.ok) {
    std::cerr << "orvane-cli : " << path << " : " << result.message << "\n";
    return 1;
  }
  std::string error;
  if (!AtomicWriteFile(path, bytes, &error)) {
    std::cerr << "orvane-cli : " << error << "\n";
    return 1;
  }
  std::cout << "Configuration enregistrée dans " << path << "\n";
  return 0;
}

int Load(const std::string& path) {
  std::string bytes;
  const FileRead file = ReadFileLimited(path, bytes, kMaxConfigurationFile);
  if (!file.ok) {
    std::cerr << "orvane-cli : " << path << " : " << file.message << "\n";
    return 1;
  }
  FileSettingsStore store(SettingsFilePath());
  const ConfigurationResult result = ReadConfigurationFile(bytes, store);
  if (!result.ok) {
    std::cerr << "orvane-cli : " << path << " : " << result.message << "\n";
    return 1;
  }
  std::cout << result.message << "\n";
  return 0;
}

}  // namespace

int ConfigCommand(const Args& args) {
  if (args.size() != 2) return UsageError();
  if (args[0] == "save") return Save(args[1]);
  if (args[0] == "load") return Load(args[1]);
  return UsageError();
}

}  // namespace orvane::cli
