#include "core/params/cutting_memo.h"

#include <algorithm>
#include <utility>

#include "core/common/cp1252.h"
#include "core/common/text_lines.h"

namespace orvane {

std::string CleanMemoCell(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text) {
    if (c != ';' && c != '\r' && c != '\n') clean += c;
  }
  return clean;
}

std::vector<MemoRow> ReadMemoFile(std::string_view bytes) {
  const std::string text = DecodeTextFile(bytes);
  const std::vector<std::string_view> lines = SplitLines(text);
  std::vector<MemoRow> rows;
  for (size_t first = 0; first < lines.size(); first += kMemoCells) {
    MemoRow& row = rows.emplace_back();
    for (size_t cell = 0; cell < kMemoCells && first + cell < lines.size(); ++cell) {
      row[cell] = CleanMemoCell(lines[first + cell]);
    }
  }
  if (rows.empty()) rows.emplace_back();
  return rows;
}

std::string WriteMemoFile(const std::vector<MemoRow>& rows) {
  std::string text;
  for (const MemoRow& row : rows) {
    for (const std::string& cell : row) text += CleanMemoCell(cell) + "\r\n";
  }
  return EncodeTextFile(text);
}

std::string WriteMemoCsv(const std::vector<MemoRow>& rows) {
  std::string text;
  for (size_t i = 0; i < rows.size(); ++i) {
    text += std::to_string(i + 1) + ";";
    for (const std::string& cell : rows[i]) text += CleanMemoCell(cell) + ";";
    text += "\r\n";
  }
  return EncodeTextFile(text);
}

void CuttingMemo::SetRows(std::vector<MemoRow> rows) {
  rows_ = std::move(rows);
  if (rows_.empty()) rows_.emplace_back();
}

bool CuttingMemo::SetCell(size_t row, size_t cell, std::string_view text) {
  std::string clean = CleanMemoCell(text);
  std::string& stored = rows_.at(row).at(cell);
  if (stored == clean) return false;
  stored = std::move(clean);
  return true;
}

size_t CuttingMemo::Insert(size_t row) {
  row = std::min(row, rows_.size() - 1);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), MemoRow{});
  return row;
}

size_t CuttingMemo::Append() {
  rows_.emplace_back();
  return rows_.size() - 1;
}

size_t CuttingMemo::Clear(size_t row) {
  rows_.at(row) = MemoRow{};
  return row;
}

size_t CuttingMemo::Remove(size_t row) {
  if (!CanRemove() || row >= rows_.size()) return std::min(row, rows_.size() - 1);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  return std::min(row, rows_.size() - 1);
}

size_t CuttingMemo::MoveUp(size_t row) {
  if (!CanMoveUp(row)) return row;
  std::swap(rows_[row], rows_[row - 1]);
  return row - 1;
}

size_t CuttingMemo::MoveDown(size_t row) {
  if (!CanMoveDown(row)) return row;
  std::swap(rows_[row], rows_[row + 1]);
  return row + 1;
}

size_t CuttingMemo::Paste(size_t row) {
  if (clipboard_) rows_.at(row) = *clipboard_;
  return row;
}

}  // namespace orvane
