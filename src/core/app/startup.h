#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

class MessageService;
class SettingsStore;
struct MachineSettings;

// The program's folders, each ending with '/'.
struct AppFolders {
  std::string application;
  std::string project, cut, dxf, exportFolder;
  std::string help, temp;
};
AppFolders MakeAppFolders(std::string applicationFolder);

// Deletes every file in `folder` and its sub-folders (the sub-folders stay),
// read-only files included; creates the folder when missing. Failures are
// silent: a file that cannot go is left.
void EmptyFolderFiles(const std::string& folder);

// Creates each missing working folder and records it in the store; an
// existing folder is left alone and nothing is written.
void PrepareWorkingFolders(const AppFolders& folders, SettingsStore& store);

// What start-up asks of the host.
class HostProbe {
 public:
  virtual ~HostProbe() = default;
  virtual int ScreenHeight() = 0;
  virtual double MeasureCpuClockGHz() = 0;
  virtual int64_t CounterFrequency() = 0;  // 0 when the counter is absent
  virtual uint8_t ClassifyWindows() = 0;
  virtual bool PortDriverPresent() = 0;
  virtual bool EnsurePointDecimalSeparator() = 0;  // false when it had to change something
  virtual std::string FormatOnePointFive() = 0;    // 1.5 as "0.00" in the process's format
};

struct StartupState {
  double CpuClockGHz = 0;
  int64_t CounterTicksPerMicrosecond = 0;
  bool DirectPortAccess = false;
  AppFolders folders;
  uint16_t historyCounter = 0;
  // The user has been told that the settings cannot be saved; later refusals
  // of the same store are not told again.
  bool settingsWriteFailed = false;
};

enum class StartupOutcome { Continue, Stop };

// The creation handler of the start-up window, its ten steps in order.
StartupOutcome RunCreationChecks(HostProbe& host, SettingsStore& store, MessageService& messages,
                                 const std::string& applicationFolder, StartupState& state,
                                 MachineSettings& settings);

std::string SecondInstanceQuestion();

// The error box for a store that cannot be read; `aside` is where it was
// moved, empty when it could not be.
std::string UnreadableSettingsMessage(const std::string& problem, const std::string& aside);

// Runs `write`; a store that refuses it is told once (the first refusal of
// the run) and the program goes on with the settings in memory.
void WriteOrTell(StartupState& state, MessageService& messages, const std::function<void()>& write);

// Steps 1 to 4 of the start-up window's show handler: first-run defaults and
// the upgrade path of older settings.
void RunVersionCheck(SettingsStore& store, MessageService& messages, MachineSettings& settings);

// "Réinitialiser": asks, then replaces the whole key by the factory values.
// Returns true when the user agreed; the caller then reads the settings.
bool ResetSettings(SettingsStore& store, MessageService& messages, const MachineSettings& settings);

// The program version as shown: "1.60".
std::string VersionText();
std::string SettingsVersionLabel();  // "Version 1.60"

void WriteRunFlag(SettingsStore& store, bool running);

}  // namespace orvane
