#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <vector>

#include "host/host_centronic.h"
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
  // Motors of 20 steps/mm at 50 µs ticks from a start of 100 µs, the heating
  // automatic without pre-heat (run image 0x03, idle 0x01), on a virtual
  // parallel port played in real time by the engine's own thread, the keys
  // scripted: moves of a few milliseconds.
  void QuickMotorsInRealTime() {
    MachineSettings& s = context.settings;
    s.X1step = s.Y1step = s.X2step = s.Y2step = 20;
    s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 50;
    s.Vmin = 500;
    s.Vmax = 2000;
    s.Pente = 85;
    s.ActChauffe = true;
    s.PreChauffe = 0;
    context.clock = &realTime;
    context.keys = &keys;
    context.port = std::make_unique<VirtualPort>(&realTime);
    parallel = static_cast<VirtualPort*>(context.port.get());
    context.portBase = s.Port;
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
  MonotonicClock realTime;
  ScriptedKeys keys;
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
