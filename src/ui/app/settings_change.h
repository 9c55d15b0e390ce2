#pragma once

#include "core/app/machine_settings.h"

namespace orvane::ui {

struct AppContext;

// Every change of the settings in memory goes through here: the control
// images follow them (and the parallel port rests on the new idle image), the
// derived speed is recomputed, and the save dialogs follow `ConfirmeEcrase`.
void SettingsChanged(AppContext& context);

// The whole store read into memory (start-up, after a reset or a
// configuration load), then applied. Returns the values that had to fall back.
SettingsProblems ReloadSettings(AppContext& context);

// `WriteAllSettings`, then applied. A store that refuses the write is told in
// the error box (once a run); the settings stay in memory. False when nothing
// was saved.
bool SaveSettings(AppContext& context);

// A store that refused a write: told in the error box once a run, and never
// on the way out of a termination signal, where nothing may wait for an answer.
void TellSettingsWriteError(AppContext& context, const SettingsWriteError& error);

}  // namespace orvane::ui
