#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr std::string_view kMemoFileName = "memodec.ovm";
// Columns 1 to 8 of the table; column 0, the row number, is never stored.
inline constexpr size_t kMemoCells = 8;
using MemoRow = std::array<std::string, kMemoCells>;

// A cell as committed: ";" would split the exported line and a line break
// would shift every later cell of the memo file, so both are dropped.
std::string CleanMemoCell(std::string_view text);

// The memo file: eight lines per row, one cell per line, CR LF ended. A last
// row with missing lines gets empty cells; an empty file gives one empty row.
std::vector<MemoRow> ReadMemoFile(std::string_view bytes);
std::string WriteMemoFile(const std::vector<MemoRow>& rows);
// One line per row: its number and its eight cells, each followed by ";".
std::string WriteMemoCsv(const std::vector<MemoRow>& rows);

// The table of trials and the operations of its right-click menu. There is
// always at least one row; `current` is a row index.
class CuttingMemo {
 public:
  CuttingMemo() : rows_(1) {}

  const std::vector<MemoRow>& Rows() const { return rows_; }
  size_t RowCount() const { return rows_.size(); }
  // Replaces every row; no rows at all becomes one empty row.
  void SetRows(std::vector<MemoRow> rows);
  const std::string& Cell(size_t row, size_t cell) const { return rows_[row][cell]; }
  // Stores the cleaned text; false when the cell did not change.
  bool SetCell(size_t row, size_t cell, std::string_view text);

  // Each returns the row that is current afterwards.
  size_t Insert(size_t row);  // empty row at `row`, the others down by one
  size_t Append();            // empty row at the end, made current
  size_t Clear(size_t row);
  size_t Remove(size_t row);  // only while two rows or more are left
  size_t MoveUp(size_t row);
  size_t MoveDown(size_t row);
  bool CanRemove() const { return rows_.size() >= 2; }
  bool CanMoveUp(size_t row) const { return row >= 1 && row < rows_.size(); }
  bool CanMoveDown(size_t row) const { return row + 1 < rows_.size(); }

  void Copy(size_t row) { clipboard_ = rows_.at(row); }
  bool CanPaste() const { return clipboard_.has_value(); }
  size_t Paste(size_t row);
  void ForgetClipboard() { clipboard_.reset(); }

 private:
  std::vector<MemoRow> rows_;
  std::optional<MemoRow> clipboard_;
};

}  // namespace orvane
