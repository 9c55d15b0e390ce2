#include "ui/app/settings_change.h"

#include "core/machine/settings_outputs.h"
#include "ui/app/app_context.h"

namespace orvane::ui {
void SettingsChanged(AppContext& context) {
  MachineSettings& settings = context.settings;
  settings.Vcut = ComputeVcut(settings);
  const bool parallel = context.linkStarted && settings.PortType == 0;
  if (parallel && (!context.port || context.portBase != settings.Port) &&
      context.openParallelPort) {
    // A new base address needs the port of that address, brought to rest as
    // at link start-up.
    context.port = context.openParallelPort(settings.Port);
    context.portBase = settings.Port;
    if (context.port) context.images = ParallelLinkStartUp(*context.port, settings);
  } else {
    context.images = ApplySettingsToOutputs(settings, context.images.IdleControlImage,
                                            parallel ? context.port.get() : nullptr);
  }
  if (context.dialogs) context.dialogs->SetConfirmOverwrite(settings.ConfirmeEcrase);
}

SettingsProblems ReloadSettings(AppContext& context) {
  SettingsProblems problems = ReadAllSettings(*context.store, context.settings, context.serial);
  SettingsChanged(context);
  return problems;
}

bool SaveSettings(AppContext& context) {
  bool saved = true;
  try {
    WriteAllSettings(*context.store, context.settings, context.serial, context.clock);
  } catch (const SettingsWriteError& error) {
    TellSettingsWriteError(context, error);
    saved = false;
  }
  SettingsChanged(context);
  return saved;
}

void TellSettingsWriteError(AppContext& context, const SettingsWriteError& error) {
  if (!context.startup.settingsWriteFailed && !context.closingOnSignal) {
    context.messages->Show(MessageKind::Error, error.what());
  }
  context.startup.settingsWriteFailed = true;
}

}  // namespace orvane::ui
