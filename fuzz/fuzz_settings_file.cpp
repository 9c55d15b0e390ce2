// The settings file is edited by hand: any bytes must parse, read into the
// settings without a crash, and serialise to a text that parses to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  orvane::MemorySettingsStore store(orvane::SettingsDocument::Parse(text));
  orvane::MachineSettings settings;
  orvane::ReadAllSettings(store, settings, nullptr);

  const std::string once = store.Document().Serialize();
  const std::string twice = orvane::SettingsDocument::Parse(once).Serialize();
  if (once != twice) std::abort();
  return 0;
}
