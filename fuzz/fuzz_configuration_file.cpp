// A configuration file comes from anywhere: any bytes must be refused or
// stored whole, a refusal must leave the store exactly as it was, and a
// stored file must save and restore to the same store.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/app/configuration_file.h"
#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"stored and restored"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  MemorySettingsStore store;
  MachineSettings settings;
  settings.ProjectPath = settings.CutPath = settings.DxfPath = settings.ExportPath = "/f/";
  WriteDefaultSettings(store, settings);
  const std::string before = store.Document().Serialize();

  const ConfigurationResult read = ReadConfigurationFile(bytes, store);
  const std::string after = store.Document().Serialize();
  if (!read.ok) {
    if (after != before || read.message.empty()) std::abort();
    return 0;
  }
  std::string saved;
  if (!WriteConfigurationFile(store, saved).ok) std::abort();
  MemorySettingsStore again;
  WriteDefaultSettings(again, settings);
  if (!ReadConfigurationFile(saved, again).ok) std::abort();
  if (again.Document().Serialize() != after) std::abort();
  counters.Reached("stored and restored");
  ReadAllSettings(store, settings, nullptr);
  return 0;
}
