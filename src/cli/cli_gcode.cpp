#include "cli/cli_gcode.h"

#include <iostream>

#include "core/common/text_number.h"
#include "host/settings_file_store.h"

namespace orvane::cli {

std::optional<GcodeDialect> DialectFromArgs(const ParsedArgs& args, std::string* usage) {
  if (!args.Has("--dialect")) {
    if (args.Has("--feed") || args.Has("--heat")) *usage = "--feed et --heat vont avec --dialect";
    return std::nullopt;
  }
  FileSettingsStore store(SettingsFilePath());
  GcodeDialectRead read = ReadGcodeDialect(store);
  if (!read.problems.empty()) {
    std::cerr << "orvane-cli : réglages G-code illisibles, valeurs d'usine utilisées :\n"
              << read.problems;
  }
  GcodeDialect d = read.dialect;
  std::string error;
  d.axes = ParseAxisLetters(args.Value("--dialect"), &error);
  if (d.axes.empty()) {
    *usage = "--dialect : " + error;
    return std::nullopt;
  }
  if (args.Has("--feed")) {
    const std::string& feed = args.Value("--feed");
    if (feed != "g93" && feed != "g94" && feed != "G93" && feed != "G94") {
      *usage = "--feed attend g93 ou g94";
      return std::nullopt;
    }
    d.feed =
        feed == "g93" || feed == "G93" ? GcodeFeedMode::InverseTime : GcodeFeedMode::UnitsPerMinute;
  }
  if (args.Has("--heat")) {
    const std::string& heat = args.Value("--heat");
    const auto power = ParseInteger(heat);
    d.heat = heat != "none";
    if (d.heat && (!power || *power < 0 || *power > d.sMax)) {
      *usage = "--heat attend une puissance de 0 à " + std::to_string(d.sMax) +
               " (SMax) ou none : " + heat;
      return std::nullopt;
    }
    if (d.heat) d.power = static_cast<int32_t>(*power);
  }
  return d;
}

}  // namespace orvane::cli
