#include "core/shapes/grooves.h"

#include <cmath>
#include <utility>
#include <vector>

#include "core/common/text_number.h"
#include "core/project/exports.h"

namespace orvane {
namespace {

// The groove windows have always drawn their arcs with this value.
constexpr double kGroovePi = 3.141592;

}  // namespace

GrooveValues ReplaceZeroGroove(GrooveValues v) {
  auto zeroTakes = [](double& value, double replacement) {
    if (!(value > 0)) value = replacement;
  };
  zeroTakes(v.largeur, 10);
  zeroTakes(v.hauteur, 10);
  zeroTakes(v.profondeur, 30);
  zeroTakes(v.trait, 1);
  zeroTakes(v.fuite, 1);
  return v;
}

CheckedGroove CheckGrooveValues(int model, const GrooveValues& typed, const GrooveValues& accepted,
                                int decimals) {
  static constexpr std::pair<double GrooveValues::*, double> kFields[] = {
      {&GrooveValues::largeur, 10},
      {&GrooveValues::hauteur, 10},
      {&GrooveValues::profondeur, 30},
      {&GrooveValues::trait, 1},
      {&GrooveValues::fuite, 1}};
  CheckedGroove checked;
  GrooveValues v = typed;
  for (auto [field, replacement] : kFields) {
    v.*field = AsShown(v.*field, decimals);
    if (v.*field > 0) continue;
    v.*field = replacement;
    checked.notes.push_back(
        {field, "Valeur nulle : remplacée par " + FormatFixed(replacement, decimals) + "."});
  }
  checked.problem = GrooveProblem(model, v);
  const std::optional<PointRows> rows = GenerateGroove(model, v);
  if (checked.problem.empty() && rows && WithinReaderLimits(*rows)) {
    checked.values = v;
    return checked;
  }
  checked.notes.clear();
  if (checked.problem.empty()) {
    for (auto [field, replacement] : kFields) {
      if (v.*field != accepted.*field) checked.notes.push_back({field, OversizeReason()});
    }
  }
  checked.values = accepted;
  return checked;
}

std::string GrooveProblem(int model, const GrooveValues& v) {
  const double W = v.largeur, H = v.hauteur, P = v.profondeur, T = v.trait;
  const double r = W / 2 - T;
  if (T >= W / 2)
    return "Le trait de coupe remplit la rainure : il doit rester sous la moitié de la largeur.";
  if (P <= T) return "La profondeur doit dépasser le trait de coupe.";
  if (model == 2 && r > P - T) return "Le fond rond dépasse la surface : augmentez la profondeur.";
  if (model == 3 && H <= 2 * T) return "La hauteur doit dépasser deux traits de coupe.";
  if (model == 3 && H - 2 * T >= P - T)
    return "Le trou atteint la surface : augmentez la profondeur.";
  if (model == 4 && W - 2 * T >= P - T)
    return "Le trou atteint la surface : augmentez la profondeur.";
  return {};
}

std::optional<PointRows> GenerateGroove(int model, const GrooveValues& v) {
  if (model < 1 || model > kGrooveModels || !GrooveProblem(model, v).empty()) return std::nullopt;
  const double W = v.largeur, H = v.hauteur, P = v.profondeur, T = v.trait, F = v.fuite;
  const double r = W / 2 - T;
  struct Point {
    double x, y;
  };
  std::vector<Point> p;
  auto arc = [&](double theta) {
    return Point{W - T - (r * std::cos(theta) + r), r - r * std::sin(theta)};
  };
  switch (model) {
    case 1:
      p = {{W / 2, P - T}, {T, P - T}, {T, 0}, {W - T, 0}, {W - T, P - T + F}};
      break;
    case 2:
      p = {{W / 2, P - T}, {T, P - T}, {T, r}};
      for (int k = 1; k <= 18; ++k) p.push_back(arc(k * kGroovePi / 18));
      p.push_back({W - T, P - T + F});
      break;
    case 3:
      p = {{W / 2, P - T}, {W / 2, H - 2 * T}, {T, H - 2 * T},     {T, 0},
           {W - T, 0},     {W - T, H - 2 * T}, {W / 2, H - 2 * T}, {W / 2, P - T + F}};
      break;
    default:
      p = {{W / 2, P - T}, {W / 2, W - 2 * T}};
      for (int k = 1; k <= 36; ++k) {
        p.push_back(k == 36 ? Point{W / 2, W - 2 * T}
                            : arc(3 * kGroovePi / 2 + k * kGroovePi / 18));
      }
      p.push_back({W / 2, P - T + F});
      break;
  }
  PointRows rows;
  for (const Point& point : p) rows.push_back({FormatFixed(point.x, 6), FormatFixed(point.y, 6)});
  RemoveConsecutiveDuplicates(rows);
  return rows;
}

}  // namespace orvane
