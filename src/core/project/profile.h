#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// One row of a point table: the X and Y cells as text. Two points are equal
// when their texts are, never by a numeric comparison.
struct PointText {
  std::string x, y;
  bool operator==(const PointText&) const = default;
};
using PointRows = std::vector<PointText>;  // rows 1..RowCount-1, row r at index r-1

// Table row count as the window shows it: the header row plus the points,
// never below 2 (an empty table keeps one blank row).
inline int RowCount(const PointRows& rows) {
  return rows.empty() ? 2 : static_cast<int>(rows.size()) + 1;
}

struct Profile {
  PointRows raw;       // full precision, "%.6f"
  PointRows adjusted;  // the same points with D decimals
  // The extents found by the last RefreshAdjusted, for the dimensions: a
  // profile without extent on an axis measures 0 on it.
  double width = 0, height = 0;
  // Window state of the profile.
  double DimX = 0, DimY = 0;
  bool modified = false;
  std::vector<int> LockedRows;
  int currentRow = 1;
  int selectionTop = 1, selectionBottom = 1;  // the rows selected in the tables
  PointText clipboard;                        // "Copier XY"; empty when nothing copied
  bool proportions = true;
  std::string fileName;  // what the title shows after " PROFIL n : "
  // Its first and last rows are the points the lead-in command added. On an
  // open profile they differ, so the rows alone cannot show it.
  bool leadIn = false;

  bool Present() const { return RowCount(raw) >= 3; }
};

std::string ProfileTitle(int number, const std::string& fileName);

double CellNumber(const std::string& text);  // locale-independent, 0 when unreadable

struct MinMax {
  double max, min;
};
// column 1 is X, 2 is Y. The maximum starts at -1,000,000 and the minimum at
// the maximum found.
MinMax FindMinMax(const PointRows& rows, int column);

// Re-anchors the raw rows so that their bounding box starts at (0, 0),
// rebuilds the adjusted rows with `decimals`, and remembers width and height.
void RefreshAdjusted(Profile& profile, int decimals);

bool IsClosed(const PointRows& rows);
// Points 1, 2 repeated in reverse as the last two: the lead-in vector.
std::optional<std::pair<double, double>> HasLeadIn(const PointRows& rows);
std::pair<double, double> ProfileExtent(const PointRows& rows, bool includeLeadIn);
// Whether the lead-in commands see a lead-in: one added to this profile, open
// or closed, or the closed pattern of HasLeadIn.
bool ProfileHasLeadIn(const Profile& profile);
// Sum of the segment lengths, mm.
double DevelopedLength(const PointRows& rows);
bool ProfilesDiffer(const PointRows& adjusted1, const PointRows& adjusted2);
// Rows equal in text to their previous or next row.
bool IsDuplicateRow(const PointRows& rows, size_t index);

enum class Axis { X, Y };

// Scales the raw rows by k along `axis` (both axes with proportions); a run of
// locked rows moves rigidly with the displacement of its first point.
void RescaleRows(PointRows& raw, double k, Axis axis, bool proportions,
                 const std::vector<int>& lockedRows);

struct DimensionTexts {
  std::string x, y;
};
DimensionTexts DimensionsOf(const Profile& profile, int decimals);

// What a dimension change did, for the window to show.
struct DimensionChange {
  bool rescaled = false;
  bool clamped = false;  // the capacity message is due
  std::string label;     // history label when rescaled
  DimensionTexts texts;
};

// The exit logic of a Cote edit: `text` was typed into the edit of `axis`,
// `previous` is the value it had on entry.
DimensionChange EditDimension(Profile& profile, int number, Axis axis, const std::string& text,
                              double previous, int decimals, int maxX, int maxY,
                              bool ignoreCapacity);

// UpdateDimensions: the Cote texts from the last RefreshAdjusted, clamped to
// the machine's capacity unless ignored.
DimensionChange UpdateDimensions(Profile& profile, int number, int decimals, int maxX, int maxY,
                                 bool ignoreCapacity);

// "Recopier profil": the destination receives the source's raw rows; its
// locked rows and point clipboard are cleared.
void CopyProfile(const Profile& source, Profile& destination, int decimals);

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// Labels, colours and enabling that follow from the two profiles.
struct ProjectState {
  bool Fermer = false, Enregistrer = false, Calculer = false, Exporter = false;
  std::string Etat1 = "---", Etat2 = "---";
  Rgb Etat1Colour{0, 128, 128}, Etat2Colour{0, 128, 128};
  std::string NbPoints1 = "0 points ", NbPoints2 = "0 points ";
  Rgb NbPointsColour{0, 128, 128};
};
ProjectState ComputeProjectState(const Profile& p1, const Profile& p2);

// Whether Alignement and Projection may be used.
struct ProjectionCommands {
  bool Alignement = false, Projection = false;
};
ProjectionCommands ComputeProjectionCommands(const Profile& p1, const Profile& p2, bool editMode,
                                             bool projectionDone);

}  // namespace orvane
