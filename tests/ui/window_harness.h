#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <vector>

#include "host/parallel_port.h"
#include "host/settings_file_store.h"
#include "support/fake_host_probe.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"
#include "support/temp_folder.h"
#include "ui/app/app_context.h"

namespace orvane::test {

// The services of a run, all scripted or recorded, over a real settings file
// and working folders in a temporary folder.
struct WindowHarness {
  WindowHarness() : store(config / "settings.ini") {
    clock.stepPerRead = 1000;  // one microsecond a read: waits end quickly
    context.store = &store;
    context.messages = &messages;
    context.dialogs = &dialogs;
    context.clock = &clock;
    context.serial = &serial;
    context.host = &host;
    context.desktop = &desktop;
    context.applicationFolder = home.Path();
    context.openParallelPort = [this](uint16_t) {
      auto port = std::make_unique<VirtualPort>(&clock);
      parallel = port.get();
      return port;
    };
  }
  // The start-up window's checks and first-run defaults, as the program runs
  // them, then the settings read from the store.
  bool Start() {
    if (RunCreationChecks(host, store, messages, home.Path(), context.startup, context.settings) !=
        StartupOutcome::Continue) {
      return false;
    }
    RunVersionCheck(store, messages, context.settings);
    ReadAllSettings(store, context.settings, &serial);
    return true;
  }
  std::string Setting(std::string_view group, std::string_view name) {
    return store.ReadSettingString(GroupKeyPath(group), name);
  }
  void Store(std::string_view group, std::string_view name, const std::string& value) {
    store.WriteSettingString(GroupKeyPath(group), name, value);
  }
  // The values written to the parallel port's control register, from the
  // `from`-th write on.
  std::vector<uint8_t> ControlWrites(size_t from = 0) const {
    std::vector<uint8_t> values;
    const auto& writes = parallel->Writes();
    for (size_t i = from; i < writes.size(); ++i) {
      if (writes[i].address == 890) values.push_back(writes[i].value);
    }
    return values;
  }

  TempFolder home;
  TempFolder config;
  FileSettingsStore store;
  ScriptedMessageService messages;
  ScriptedFileDialogService dialogs;
  FakeClock clock;
  FakeSerialPort serial;
  FakeHostProbe host;
  ScriptedDesktopService desktop;
  VirtualPort* parallel = nullptr;
  ui::AppContext context;
};

// Processes events until `done` holds or the time runs out; false on time-out.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace orvane::test
