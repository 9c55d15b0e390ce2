#pragma once

#include <optional>
#include <string>

#include "core/project/profile.h"
#include "core/shapes/number_text.h"

namespace orvane {

// A groove's dimensions in millimetres: width, height (closed rectangular
// model only), total depth, kerf and the exit above the surface.
struct GrooveValues {
  double largeur = 10, hauteur = 10, profondeur = 30, trait = 1, fuite = 5;
  bool operator==(const GrooveValues&) const = default;
};

// Models: 1 "Ouverte rectangulaire", 2 "Ouverte ronde", 3 "Fermée
// rectangulaire", 4 "Fermée ronde".
inline constexpr int kGrooveModels = 4;

// A zero (or empty) field takes its replacement: 10, 10, 30, 1 and 1.
GrooveValues ReplaceZeroGroove(GrooveValues values);

struct CheckedGroove {
  GrooveValues values;
  std::vector<FieldNote<GrooveValues>> notes;
  std::string problem;  // why the accepted sizes came back, said under the fields
};
// The exit logic of the groove window's edits: every size taken as shown with
// `decimals` decimals, zero fields replaced with their reason; the
// `accepted` sizes come back when the path would cross itself (`problem`) or
// span more than the drawing readers take (noted on the fields changed).
CheckedGroove CheckGrooveValues(int model, const GrooveValues& typed, const GrooveValues& accepted,
                                int decimals);

// Why the wire path would cross itself (the kerf fills the slot, the slot
// has no depth, the hole reaches the surface); empty when it can be cut.
std::string GrooveProblem(int model, const GrooveValues& values);

// The wire path, kerf included, in cutting order and "%.6f", consecutive
// duplicates dropped; not yet re-anchored. None when GrooveProblem objects.
std::optional<PointRows> GenerateGroove(int model, const GrooveValues& values);

}  // namespace orvane
