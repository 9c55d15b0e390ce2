#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

// The state of both raw tables after an operation, as a snapshot file holds it.
struct HistorySnapshot {
  std::string label;
  int currentRow1 = 1, currentRow2 = 1;
  PointRows rows1, rows2;  // empty for an empty profile
};

std::string WriteHistorySnapshot(const HistorySnapshot& snapshot);
// Lenient: a short or damaged file gives what it holds; counts in the file
// never size anything.
std::optional<HistorySnapshot> ReadHistorySnapshot(std::string_view bytes);

// What an undo brought back, for the window to apply.
struct UndoResult {
  std::optional<HistorySnapshot> snapshot;  // none when the file was missing
  bool undidProjection = false;             // "Calcul projections" was undone
  bool onlyBaseLeft = false;                // the modified flags are cleared
};

// The operation history: numbered snapshot files "Grids_k" in the temporary
// folder, and the "Historique" menu entries with their repeat counts.
class History {
 public:
  explicit History(std::string folder) : folder_(std::move(folder)) {}

  // Records both profiles after an operation labelled `label`.
  void Push(const std::string& label, const Profile& p1, const Profile& p2);
  // Steps back one snapshot; nothing when only the base state is left.
  std::optional<UndoResult> Undo();
  void Clear();

  uint16_t Counter() const { return counter_; }
  // Menu captions: the label, with " (n)" when repeated n >= 2 times in a row.
  std::vector<std::string> Captions() const;
  bool CanUndo() const { return counter_ > 1; }
  std::string SnapshotPath(uint16_t k) const;

 private:
  struct Entry {
    std::string label;
    int count;
  };
  std::string folder_;
  uint16_t counter_ = 0;
  std::vector<Entry> entries_;
};

// Which modified flags a label sets: "P1", "P2", or both for "P1/P2".
struct ModifiedByLabel {
  bool profile1 = false, profile2 = false;
};
ModifiedByLabel FlagsForLabel(std::string_view label);

}  // namespace orvane
