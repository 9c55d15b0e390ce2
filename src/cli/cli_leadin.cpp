// orvane-cli leadin: adds a lead-in to a project's profile as "Ajouter des
// dégagements..." does.
#include <iostream>

#include "cli/cli_commands.h"
#include "cli/cli_shape_io.h"
#include "core/common/text_number.h"
#include "core/shapes/lead_in.h"

namespace orvane::cli {

int LeadInCommand(const Args& args) {
  if (args.size() < 2) return UsageError();
  const std::string input = args[0];
  std::string output, direction, length;
  int profile = 1;
  LeadInOptions options;
  options.both = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool more = i + 1 < args.size();
    if (arg == "-o" && more) {
      output = args[++i];
    } else if (arg == "--direction" && more) {
      direction = args[++i];
    } else if (arg == "--length" && more) {
      length = args[++i];
    } else if (arg == "--profile" && more) {
      const std::string which = args[++i];
      if (which != "1" && which != "2") return UsageError();
      profile = which == "1" ? 1 : 2;
    } else if (arg == "--inside") {
      options.external = false;
    } else if (arg == "--both") {
      options.both = true;
    } else if (arg == "--no-adjust") {
      options.adjust = false;
    } else {
      return UsageError();
    }
  }
  if (output.empty() || direction.empty() || length.empty()) return UsageError();
  const auto code = ParseInteger(direction);
  if (!code || *code < 1 || *code > 8) {
    std::cerr << "orvane-cli : --direction attend 1 à 8 (haut, droite, bas, gauche, puis les "
                 "diagonales haut-droite, bas-droite, bas-gauche, haut-gauche)\n";
    return 2;
  }
  options.direction = static_cast<int>(*code);
  const auto l = OptionNumber("--length", length, false);
  if (!l) return 2;
  if (*l == 0) {
    std::cerr << "orvane-cli : --length doit dépasser 0\n";
    return 2;
  }
  options.length = *l;

  auto pair = ReadProfilePair(input);
  if (!pair) return 1;
  Profile& self = profile == 1 ? pair->p1 : pair->p2;
  Profile& other = profile == 1 ? pair->p2 : pair->p1;
  if (!self.Present()) {
    std::cerr << "orvane-cli : le profil " << profile << " n'a pas deux points\n";
    return 1;
  }
  if (HasLeadIn(self.raw)) {
    std::cerr << "orvane-cli : le profil " << profile << " a déjà des dégagements\n";
    return 1;
  }
  const LeadInOutcome outcome =
      AddLeadIn(profile, {&self.raw, &self.LockedRows}, {&other.raw, &other.LockedRows}, options);
  RefreshAdjusted(pair->p1, pair->decimals);
  RefreshAdjusted(pair->p2, pair->decimals);
  if (!WriteProfilePair(*pair, output)) return 1;
  std::cout << outcome.label << "\n";
  return 0;
}

}  // namespace orvane::cli
