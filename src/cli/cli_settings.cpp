// The settings of the store as every orvane-cli command reads them.
#include <algorithm>
#include <iostream>

#include "cli/cli_commands.h"
#include "core/app/machine_settings.h"
#include "host/settings_file_store.h"

namespace orvane::cli {

// The settings of the store; `complete` is false when some value had to take
// its factory text (no store, an unreadable one, or values missing or wrong).
MachineSettings StoredSettings(bool* complete) {
  FileSettingsStore store(SettingsFilePath());
  MachineSettings settings;
  settings.ProjectPath = settings.CutPath = settings.DxfPath = settings.ExportPath = "./";
  const std::string unreadable = store.ReadProblem();
  const SettingsProblems problems = ReadAllSettings(store, settings, nullptr);
  // The working folders play no part in a cut.
  const bool read = unreadable.empty() &&
                    std::all_of(problems.begin(), problems.end(), [](const SettingsProblem& p) {
                      return p.group == SettingsGroup::Systeme;
                    });
  if (!unreadable.empty()) {
    std::cerr << "orvane-cli : le fichier des réglages " << unreadable << "\n";
  } else if (!problems.empty()) {
    std::cerr << "orvane-cli : réglages absents ou incomplets dans " << store.Path()
              << ", valeurs d'usine utilisées pour ceux-là\n";
  }
  if (complete) *complete = read;
  return settings;
}

}  // namespace orvane::cli
