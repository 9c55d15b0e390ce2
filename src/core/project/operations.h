#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/project/drawing_readers.h"
#include "core/project/profile.h"

namespace orvane {

// Each operation works on a profile's raw rows (row r at index r - 1) and
// writes its values "%.6f". Row numbers are 1-based, as the tables show them.

// k = |factor|; nothing for 0 or 1. Locked runs move rigidly; consecutive
// duplicates are removed afterwards.
bool ScaleByCoefficient(PointRows& rows, double factor, const std::vector<int>& lockedRows);

// "Confondre": points within `tolerance` of each other and at least `gap`
// rows apart are made equal, then duplicates removed. `progress` (when given)
// is called now and then with the rows done, so that a window can stay
// responsive.
void MergeClosePoints(PointRows& rows, double tolerance, double gap, bool reverseSearch,
                      const std::function<void(size_t done, size_t total)>& progress = {});

void MoveRows(PointRows& rows, const std::vector<int>& targets, double dx, double dy);

// Each pass halves every segment longer than 2 x `minimum`; nothing when
// `minimum` is not positive. False, with the rows as they were, when the
// outline would pass `most` points (a tiny distance doubles them each pass).
bool DivideSegments(PointRows& rows, double minimum, double passes,
                    size_t most = kMostDrawingPoints);

struct KerfResult {
  std::optional<PointRows> rows;
  std::string message;  // why it was refused
};
// Offsets the outline by the cutting width `k` (outwards, or inwards when
// forced). Refused for a width outside 0.01..5 mm, for consecutive duplicates
// in the adjusted table, and for an outline that crosses itself.
KerfResult OffsetKerf(const PointRows& raw, const PointRows& adjusted, double k, bool inward);

// Shoelace area of the closed outline; with a lead-in its first and last
// segments are left out.
double EnclosedArea(const PointRows& rows);

// Whether two non-adjacent segments of the outline cross or touch.
bool CrossesItself(const PointRows& rows);

void Rotate(PointRows& rows, double degrees);  // about (0, 0), counter-clockwise
void QuarterTurnClockwise(PointRows& rows);
void MirrorHorizontal(PointRows& rows);
void MirrorVertical(PointRows& rows);

void ReverseDirection(PointRows& rows);
void ReverseRange(PointRows& rows, int top, int bottom);
// The midpoint of rows r - 1 and r becomes row r (a copy of row 1 when r = 1);
// locked rows from r on follow their points.
void InsertPoint(PointRows& rows, int row, std::vector<int>* lockedRows = nullptr);

enum class Deleted { Nothing, Locked, Selected };
// The locked rows when there are any (the list is then emptied), otherwise
// the selection; never leaves fewer than four table rows.
Deleted DeleteRows(PointRows& rows, std::vector<int>& lockedRows, int top, int bottom);

void CloseOutline(PointRows& rows);
// Reorders a closed profile so that `row` comes first; false when not closed.
bool SetStartPoint(PointRows& rows, int row);
// Drops the middle of three points sharing an X or a Y text, keeping the end
// point; true when rows went (the only change it makes).
bool Simplify(PointRows& rows);

void LockRows(std::vector<int>& locked, int top, int bottom);
void ReleaseRows(std::vector<int>& locked, int top, int bottom);
void InvertLocks(std::vector<int>& locked, int rowCount);

// Ctrl + arrow: the locked rows, or the selection when none is locked.
std::string ShiftLabel(int profile, double dx, double dy, double increment);

// "Permuter": profile 1 takes profile 2's adjusted points, profile 2 takes
// profile 1's raw texts; duplicates removed in both.
void ExchangeProfiles(Profile& p1, Profile& p2);

}  // namespace orvane
