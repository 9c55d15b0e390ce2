#include "core/project/profile.h"

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"

namespace orvane {
namespace {

std::string Raw(double value) {
  return FormatFixed(value, 6);
}

double ParseOr(const std::string& text, double fallback) {
  return ParseReal(text).value_or(fallback);
}

}  // namespace

std::string ProfileTitle(int number, const std::string& fileName) {
  std::string title = " PROFIL " + std::to_string(number) + " ";
  if (!fileName.empty()) title += ": " + fileName + " ";
  return title;
}

double CellNumber(const std::string& text) {
  return ParseOr(text, 0);
}

MinMax FindMinMax(const PointRows& rows, int column) {
  double max = -1000000;
  for (const PointText& row : rows) max = std::max(max, CellNumber(column == 1 ? row.x : row.y));
  double min = max;
  for (const PointText& row : rows) min = std::min(min, CellNumber(column == 1 ? row.x : row.y));
  return {max, min};
}

void RefreshAdjusted(Profile& profile, int decimals) {
  // Each cell is parsed once; the bounds follow FindMinMax's rule.
  std::vector<double> xs(profile.raw.size()), ys(profile.raw.size());
  MinMax x{-1000000, 0}, y{-1000000, 0};
  for (size_t i = 0; i < profile.raw.size(); ++i) {
    xs[i] = CellNumber(profile.raw[i].x);
    ys[i] = CellNumber(profile.raw[i].y);
    x.max = std::max(x.max, xs[i]);
    y.max = std::max(y.max, ys[i]);
  }
  x.min = x.max;
  y.min = y.max;
  for (size_t i = 0; i < xs.size(); ++i)
    x.min = std::min(x.min, xs[i]), y.min = std::min(y.min, ys[i]);
  const double width = x.max - x.min;
  const double height = y.max - y.min;

  profile.adjusted.resize(profile.raw.size());
  for (size_t i = 0; i < profile.raw.size(); ++i) {
    const double rx = xs[i] - x.min;
    const double ry = ys[i] - y.min;
    profile.raw[i] = {Raw(rx), Raw(ry)};
    profile.adjusted[i] = {FormatFixed(rx, decimals), FormatFixed(ry, decimals)};
  }
  profile.width = profile.raw.empty() ? 0 : width;
  profile.height = profile.raw.empty() ? 0 : height;
}

bool IsClosed(const PointRows& rows) {
  return rows.size() >= 2 && rows.front() == rows.back();
}

std::optional<std::pair<double, double>> HasLeadIn(const PointRows& rows) {
  if (rows.size() < 4) return std::nullopt;
  auto same = [](const PointText& a, const PointText& b) {
    return CellNumber(a.x) == CellNumber(b.x) && CellNumber(a.y) == CellNumber(b.y);
  };
  const size_t n = rows.size();
  if (!same(rows[0], rows[n - 1]) || !same(rows[1], rows[n - 2])) return std::nullopt;
  return std::pair{CellNumber(rows[1].x) - CellNumber(rows[0].x),
                   CellNumber(rows[1].y) - CellNumber(rows[0].y)};
}

std::pair<double, double> ProfileExtent(const PointRows& rows, bool includeLeadIn) {
  PointRows inner;
  const PointRows* used = &rows;
  if (!includeLeadIn && HasLeadIn(rows)) {
    inner.assign(rows.begin() + 1, rows.end() - 1);
    used = &inner;
  }
  const MinMax x = FindMinMax(*used, 1);
  const MinMax y = FindMinMax(*used, 2);
  return {x.max - x.min, y.max - y.min};
}

bool ProfileHasLeadIn(const Profile& profile) {
  return profile.leadIn || HasLeadIn(profile.raw).has_value();
}

double DevelopedLength(const PointRows& rows) {
  double length = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    length += std::hypot(CellNumber(rows[i].x) - CellNumber(rows[i - 1].x),
                         CellNumber(rows[i].y) - CellNumber(rows[i - 1].y));
  }
  return length;
}

bool ProfilesDiffer(const PointRows& adjusted1, const PointRows& adjusted2) {
  for (size_t i = 0; i < adjusted1.size(); ++i) {
    if (i >= adjusted2.size() || !(adjusted1[i] == adjusted2[i])) return true;
  }
  return false;
}

bool IsDuplicateRow(const PointRows& rows, size_t index) {
  return (index > 0 && rows[index] == rows[index - 1]) ||
         (index + 1 < rows.size() && rows[index] == rows[index + 1]);
}

void RescaleRows(PointRows& raw, double k, Axis axis, bool proportions,
                 const std::vector<int>& lockedRows) {
  if (raw.empty()) return;
  const bool scaleX = axis == Axis::X || proportions;
  const bool scaleY = axis == Axis::Y || proportions;
  std::vector<bool> locked(raw.size(), false);
  for (int row : lockedRows) {
    if (row >= 1 && static_cast<size_t>(row) <= raw.size()) locked[row - 1] = true;
  }
  double refX = CellNumber(raw[0].x);
  double refY = CellNumber(raw[0].y);
  for (size_t i = 0; i < raw.size(); ++i) {
    double x = CellNumber(raw[i].x);
    double y = CellNumber(raw[i].y);
    if (locked[i]) {
      // The run keeps its shape: it moves as its first point would have.
      if (scaleX) x += refX * k - refX;
      if (scaleY) y += refY * k - refY;
    } else {
      if (scaleX) x *= k;
      if (scaleY) y *= k;
      const PointText& next = raw[std::min(i + 1, raw.size() - 1)];
      refX = i + 1 < raw.size() ? CellNumber(next.x) : CellNumber(raw[i].x);
      refY = i + 1 < raw.size() ? CellNumber(next.y) : CellNumber(raw[i].y);
    }
    raw[i] = {Raw(x), Raw(y)};
  }
}

DimensionTexts DimensionsOf(const Profile& profile, int decimals) {
  // Each axis its own extent: a flat profile is 0 high, never as high as wide.
  return {FormatFixed(profile.width, decimals), FormatFixed(profile.height, decimals)};
}

DimensionChange EditDimension(Profile& profile, int number, Axis axis, const std::string& text,
                              double previous, int decimals, int maxX, int maxY,
                              bool ignoreCapacity) {
  DimensionChange change;
  const double previousX = profile.DimX;
  const double previousY = profile.DimY;
  change.texts = {FormatFixed(previousX, decimals), FormatFixed(previousY, decimals)};
  std::string& own = axis == Axis::X ? change.texts.x : change.texts.y;
  std::string& other = axis == Axis::X ? change.texts.y : change.texts.x;
  const double ownPrevious = axis == Axis::X ? previousX : previousY;
  const double otherPrevious = axis == Axis::X ? previousY : previousX;
  const int ownMax = axis == Axis::X ? maxX : maxY;
  const int otherMax = axis == Axis::X ? maxY : maxX;

  const std::optional<double> typed = ParseReal(text);
  // The value is taken as shown: one that rounds to 0 with the current
  // decimals would collapse every point onto the axis.
  const std::optional<double> shown =
      typed ? ParseReal(FormatFixed(*typed, decimals)) : std::nullopt;
  if (!shown || *shown <= 0 || previous <= 0) {
    own = FormatFixed(previous, decimals);
    return change;
  }
  own = FormatFixed(*shown, decimals);
  double ownValue = *shown;
  double k = ownValue / previous;
  double otherValue = otherPrevious;
  if (profile.proportions) otherValue = otherPrevious * k;

  if (!ignoreCapacity && (ownValue > ownMax || otherValue > otherMax)) {
    change.clamped = true;
    if (ownValue > ownMax) {
      ownValue = ownMax;
      k = ownMax / ownPrevious;
      if (profile.proportions) otherValue = otherPrevious * k;
    }
    if (otherValue > otherMax) {
      otherValue = otherMax;
      k = otherMax / otherPrevious;
      ownValue = ownPrevious * k;
    }
  }
  own = FormatFixed(ownValue, decimals);
  other = FormatFixed(otherValue, decimals);

  RescaleRows(profile.raw, k, axis, profile.proportions, profile.LockedRows);
  if (CellNumber(own) == ownPrevious) return change;
  RefreshAdjusted(profile, decimals);
  change.rescaled = true;
  const double integerPart = std::trunc(CellNumber(own));
  change.label = "P" + std::to_string(number) + " - Cote " + (axis == Axis::X ? "X" : "Y") + " = " +
                 FormatFixed(integerPart, 0);
  profile.DimX = CellNumber(change.texts.x);
  profile.DimY = CellNumber(change.texts.y);
  return change;
}

DimensionChange UpdateDimensions(Profile& profile, int number, int decimals, int maxX, int maxY,
                                 bool ignoreCapacity) {
  DimensionChange change;
  change.texts = DimensionsOf(profile, decimals);
  profile.DimX = CellNumber(change.texts.x);
  profile.DimY = CellNumber(change.texts.y);
  if (ignoreCapacity) return change;
  for (Axis axis : {Axis::X, Axis::Y}) {
    const double value = axis == Axis::X ? profile.DimX : profile.DimY;
    const int max = axis == Axis::X ? maxX : maxY;
    if (value <= max) continue;
    DimensionChange step = EditDimension(profile, number, axis, std::to_string(max), value,
                                         decimals, maxX, maxY, false);
    change.rescaled |= step.rescaled;
    change.clamped = true;
    if (step.rescaled) change.label = step.label;
    change.texts = step.texts;
  }
  return change;
}

void CopyProfile(const Profile& source, Profile& destination, int decimals) {
  destination.LockedRows.clear();
  destination.clipboard = {};  // a point of the outline that goes
  destination.raw = source.raw;
  destination.fileName = source.fileName;
  destination.proportions = source.proportions;
  destination.leadIn = source.leadIn;
  RefreshAdjusted(destination, decimals);
  destination.DimX = source.DimX;
  destination.DimY = source.DimY;
}

ProjectState ComputeProjectState(const Profile& p1, const Profile& p2) {
  ProjectState state;
  const int rows1 = RowCount(p1.adjusted);
  const int rows2 = RowCount(p2.adjusted);
  state.Fermer = p1.Present() || p2.Present();
  state.Enregistrer = p1.modified || p2.modified;
  state.Calculer = state.Exporter = rows1 == rows2 && rows1 >= 3;
  auto etat = [](const Profile& p, std::string& text, Rgb& colour) {
    if (RowCount(p.adjusted) <= 2) return;
    const bool closed = IsClosed(p.adjusted);
    text = closed ? " fermé " : " ouvert ";
    colour = closed ? Rgb{0, 128, 128} : Rgb{255, 0, 255};
  };
  etat(p1, state.Etat1, state.Etat1Colour);
  etat(p2, state.Etat2, state.Etat2Colour);
  auto count = [](int rows) { return rows >= 3 ? rows - 1 : 0; };
  state.NbPoints1 = std::to_string(count(rows1)) + " points ";
  state.NbPoints2 = std::to_string(count(rows2)) + " points ";
  state.NbPointsColour = count(rows1) != count(rows2) ? Rgb{255, 0, 0} : Rgb{0, 128, 128};
  return state;
}

ProjectionCommands ComputeProjectionCommands(const Profile& p1, const Profile& p2, bool editMode,
                                             bool projectionDone) {
  ProjectionCommands commands;
  const int rows1 = RowCount(p1.raw);
  const bool usable = rows1 > 2 && rows1 == RowCount(p2.raw) &&
                      ProfilesDiffer(p1.adjusted, p2.adjusted) && !editMode && !projectionDone;
  commands.Projection = usable;
  commands.Alignement = usable && HasLeadIn(p1.adjusted) && HasLeadIn(p2.adjusted);
  return commands;
}

}  // namespace orvane
