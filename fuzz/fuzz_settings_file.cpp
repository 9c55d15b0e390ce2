// The settings file is edited by hand: any bytes must parse, read into the
// settings without a crash, and serialise to a text that parses to itself.
// Settings read without a problem are written back to a store that reads
// without a problem and writes the same file.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"every value read"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  MemorySettingsStore store(SettingsDocument::Parse(text));
  MachineSettings settings;
  const SettingsProblems problems = ReadAllSettings(store, settings, nullptr);

  const std::string once = store.Document().Serialize();
  const std::string twice = SettingsDocument::Parse(once).Serialize();
  if (once != twice) std::abort();
  if (!problems.empty()) return 0;
  counters.Reached("every value read");

  MemorySettingsStore written;
  WriteDefaultSettings(written, settings);
  WriteAllSettings(written, settings, nullptr, nullptr);
  MachineSettings again;
  if (!ReadAllSettings(written, again, nullptr).empty()) std::abort();
  MemorySettingsStore rewritten;
  WriteDefaultSettings(rewritten, again);
  WriteAllSettings(rewritten, again, nullptr, nullptr);
  if (rewritten.Document().Serialize() != written.Document().Serialize()) std::abort();
  return 0;
}
