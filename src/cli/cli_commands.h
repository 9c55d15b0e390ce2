#pragma once
// The commands of orvane-cli. Each takes the arguments after its name and
// returns the process exit status (2 for a usage error).
#include <string>
#include <vector>

#include "core/app/machine_settings.h"

namespace orvane::cli {

using Args = std::vector<std::string>;

// Prints the usage of every command and returns 2.
int UsageError();

// The settings of the store, with a warning on stderr for any value that had
// to take its factory text; `complete` is false then (the working folders
// aside, which play no part in a cut or a move).
MachineSettings StoredSettings(bool* complete = nullptr);

int InfoCommand(const Args& args);
int GenerateCommand(const Args& args);
int ImportCommand(const Args& args);
int ExportCommand(const Args& args);
int ShapeCommand(const Args& args);
int LeadInCommand(const Args& args);
int PulsesCommand(const Args& args);
int BoardCommand(const Args& args);
int GrblCommand(const Args& args);
int RunCommand(const Args& args);
int JogCommand(const Args& args);
int OriginCommand(const Args& args);
int ConfigCommand(const Args& args);

}  // namespace orvane::cli
