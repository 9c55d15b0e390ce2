#include "core/params/cross_rules.h"

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

// Speeds are entered and stored with two decimals: a Vmax shown as Vcut
// rounded down must not break the order.
constexpr double kSpeedTolerance = 0.005;

std::string Speed(double value) {
  return FormatFixed(value, 2) + " mm/s";
}

std::string BitName(uint8_t mask) {
  for (int bit = 0; bit < 4; ++bit) {
    if (mask == (1 << bit)) return "BIT " + std::to_string(8 + bit);
  }
  return std::to_string(mask);
}

}  // namespace

std::vector<CrossRuleBreak> CrossRuleBreaks(const MachineSettings& s) {
  std::vector<CrossRuleBreak> breaks;
  if (s.Fil > s.FilMax) {
    breaks.push_back(
        {CrossRule::WireLength, "La distance entre guides (Fil = " + std::to_string(s.Fil) +
                                    " mm) dépasse la longueur utile du fil (FilMax = " +
                                    std::to_string(s.FilMax) + " mm)."});
  }
  if (s.PortType != 2) {
    const char* names[4] = {"X1io", "Y1io", "X2io", "Y2io"};
    const uint16_t pairs[4] = {s.X1io, s.Y1io, s.X2io, s.Y2io};
    for (int a = 0; a < 4; ++a) {
      for (int b = a + 1; b < 4; ++b) {
        if (pairs[a] != pairs[b]) continue;
        breaks.push_back({CrossRule::DistinctBitPairs,
                          std::string("Deux axes utilisent la même paire de bits (") + names[a] +
                              " = " + names[b] + " = " + std::to_string(pairs[a]) + ")."});
        a = 4;
        break;
      }
    }
  }
  const double vcut = ComputeVcut(s);
  if (s.Vmin > vcut + kSpeedTolerance) {
    breaks.push_back(
        {CrossRule::SpeedOrder, "La vitesse de démarrage (Vmin = " + Speed(s.Vmin) +
                                    ") dépasse la vitesse de coupe (Vcut = " + Speed(vcut) + ")."});
  } else if (vcut > s.Vmax + kSpeedTolerance) {
    breaks.push_back({CrossRule::SpeedOrder,
                      "La vitesse de coupe (Vcut = " + Speed(vcut) +
                          ") dépasse la vitesse maximale admise par les moteurs (Vmax = " +
                          Speed(s.Vmax) + ")."});
  }
  if (s.PortType == 0 && s.BitChauffe == s.BitCouple) {
    breaks.push_back({CrossRule::DistinctOutputBits,
                      "La chauffe et le maintien des couples utilisent la même sortie "
                      "(BitChauffe = BitCouple = " +
                          BitName(s.BitChauffe) + ")."});
  }
  return breaks;
}

std::string CrossRuleStatus(const MachineSettings& settings) {
  const std::vector<CrossRuleBreak> breaks = CrossRuleBreaks(settings);
  if (breaks.empty()) return {};
  std::string text = "Réglages incohérents : " + breaks.front().message;
  if (breaks.size() > 1) text += " (et " + std::to_string(breaks.size() - 1) + " autre(s))";
  return text;
}

}  // namespace orvane
