#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"
#include "core/app/startup.h"
#include "core/cut/projection.h"
#include "core/machine/axis_positions.h"
#include "core/machine/centronic.h"
#include "core/machine/serial_link.h"

namespace orvane::ui {

// What every window shares for the whole run: the host services, the
// settings in memory and the state of the machine link.
struct AppContext {
  SettingsStore* store = nullptr;
  MessageService* messages = nullptr;
  FileDialogService* dialogs = nullptr;
  Clock* clock = nullptr;
  SerialPort* serial = nullptr;
  KeyState* keys = nullptr;
  HostProbe* host = nullptr;
  DesktopService* desktop = nullptr;
  // Opens the parallel port whose base address is given (link start-up).
  std::function<std::unique_ptr<PortOutput>(uint16_t base)> openParallelPort;
  std::string applicationFolder;

  MachineSettings settings;
  StartupState startup;
  std::unique_ptr<PortOutput> port;
  uint16_t portBase = 0;  // the `Port` that `port` was opened for
  // The images of the settings now in memory (kept so by SettingsChanged).
  ControlImages images{};
  ProjectionState projection;
  // The machine's position in steps, shared by the execution, manual-control
  // and test windows, and the verdict of the last run (`AbortFlag`).
  AxisPositions positions;
  uint8_t abortFlag = 0;
  bool linkStarted = false;
  // What the step links' output thread will not get (real time, locked
  // memory), for the status line; empty when it gets both.
  std::string realTimeNote;
  // Ending on a termination signal: nothing may wait for an answer.
  bool closingOnSignal = false;
  // A cut is running: closing waits for its end, which rests the heating.
  bool runInProgress = false;
};

}  // namespace orvane::ui
