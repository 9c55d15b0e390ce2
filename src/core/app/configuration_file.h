#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"

namespace orvane {

// The ".ovr" configuration file: 108 lines in a fixed order, header lines
// between groups and one stored value per value line, tied to the settings
// layout version 160.
inline constexpr int kConfigurationLineCount = 108;
inline constexpr std::string_view kConfigurationVersionLine = "Orvane version 160";
inline constexpr std::string_view kConfigurationIncompatible =
    "Fichier incompatible avec cette version.";
inline constexpr std::string_view kConfigurationRestored =
    "Configuration restaurée avec succès !\n\nVérifiez les paramètres du port de communication.";

// One line of the file: a fixed text, or the store value it carries.
struct ConfigurationLine {
  std::string_view header;  // empty on a value line
  SettingsGroup group = SettingsGroup::Moteurs;
  std::string_view name;  // empty on a header line
};
std::span<const ConfigurationLine> ConfigurationLayout();

struct ConfigurationResult {
  bool ok = false;
  std::string message;  // why it failed, in the user's words
};

// The file's bytes from the values now in the store, CR LF ended. Windows-1252
// unless a value holds a character it cannot carry; then the whole file is
// UTF-8, so no character is ever replaced. Every line passes the rules the
// reader applies: a stored text the program does not take (a number out of
// range or malformed, an absent value) is written as the value the program
// runs on in its place, the factory one or, for a folder or an option,
// `inMemory`'s. A value that still fails (a folder holding a control
// character) refuses the whole file, naming its line; so does a store that
// cannot be read.
ConfigurationResult WriteConfigurationFile(SettingsStore& store, std::string& bytes,
                                           const MachineSettings& inMemory = {});

// Checks the whole file before the store is touched: the version line, the
// line count, and every value's conversion, range and characters (no control
// character, no line break). A file that passes is stored in one batch; any
// failure leaves the store as it was and names the line. UTF-8 is taken when
// the file is valid UTF-8, else Windows-1252.
ConfigurationResult ReadConfigurationFile(std::string_view bytes, SettingsStore& store);

}  // namespace orvane
