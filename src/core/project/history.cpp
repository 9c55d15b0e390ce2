#include "core/project/history.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/app/startup.h"
#include "core/common/cp1252.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr size_t kMaxSnapshotBytes = size_t(1) << 30;

void PutProfile(std::string& out, const PointRows& rows, int currentRow) {
  out += std::to_string(currentRow) + "\r\n";
  out += std::to_string(RowCount(rows)) + "\r\n";
  if (RowCount(rows) <= 2) return;
  for (const PointText& row : rows) out += row.x + "\r\n" + row.y + "\r\n";
}

}  // namespace

ModifiedByLabel FlagsForLabel(std::string_view label) {
  if (label.starts_with("P1/P2")) return {true, true};
  if (label.starts_with("P1")) return {true, false};
  if (label.starts_with("P2")) return {false, true};
  return {};
}

std::string WriteHistorySnapshot(const HistorySnapshot& s) {
  std::string out;
  out.reserve(24 * (s.rows1.size() + s.rows2.size()) + 128);
  out += Utf8ToCp1252(s.label) + "\r\n";
  out += "[profil 1]\r\n";
  PutProfile(out, s.rows1, s.currentRow1);
  out += "[profil 2]\r\n";
  PutProfile(out, s.rows2, s.currentRow2);
  out += "[end]\r\n";
  return out;
}

std::optional<HistorySnapshot> ReadHistorySnapshot(std::string_view bytes) {
  const std::vector<std::string_view> lines = SplitLines(bytes);
  size_t position = 0;
  auto next = [&]() -> std::optional<std::string_view> {
    if (position >= lines.size()) return std::nullopt;
    return lines[position++];
  };
  HistorySnapshot s;
  auto label = next();
  if (!label || next() != std::optional<std::string_view>("[profil 1]")) return std::nullopt;
  s.label = Cp1252ToUtf8(*label);
  auto readProfile = [&](int& currentRow, PointRows& rows, std::string_view stop) {
    currentRow = static_cast<int>(ParseInteger(next().value_or("1")).value_or(1));
    const auto rowCount = ParseInteger(next().value_or("2")).value_or(2);
    // Rows are read up to the marker; a file cut short or whose rows do not
    // match its count is not restored rather than restored wrong.
    while (auto x = next()) {
      if (*x == stop) {
        return rowCount <= 2 ? rows.empty() : rows.size() == static_cast<size_t>(rowCount - 1);
      }
      auto y = next();
      if (!y) return false;
      rows.push_back({std::string(*x), std::string(*y)});
    }
    return false;
  };
  if (!readProfile(s.currentRow1, s.rows1, "[profil 2]")) return std::nullopt;
  if (!readProfile(s.currentRow2, s.rows2, "[end]")) return std::nullopt;
  return s;
}

std::string History::SnapshotPath(uint16_t k) const {
  return folder_ + "Grids_" + std::to_string(k);
}

void History::Push(const std::string& label, const Profile& p1, const Profile& p2) {
  ++counter_;
  if (counter_ > 1 && !entries_.empty() && entries_.back().label == label) {
    ++entries_.back().count;
  } else {
    entries_.push_back({label, 1});
  }
  HistorySnapshot snapshot{label, p1.currentRow, p2.currentRow, p1.raw, p2.raw};
  // A snapshot that cannot be written only costs that undo step.
  std::ofstream(SnapshotPath(counter_), std::ios::binary | std::ios::trunc)
      << WriteHistorySnapshot(snapshot);
}

std::optional<UndoResult> History::Undo() {
  if (counter_ <= 1) return std::nullopt;
  std::error_code ignored;
  std::filesystem::remove(SnapshotPath(counter_), ignored);
  UndoResult result;
  if (!entries_.empty()) {
    Entry& last = entries_.back();
    if (last.count > 1) {
      --last.count;
    } else {
      result.undidProjection = last.label == "Calcul projections";
      entries_.pop_back();
    }
  }
  --counter_;
  std::ifstream in(SnapshotPath(counter_), std::ios::binary);
  if (in) {
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    if (text.size() <= kMaxSnapshotBytes) result.snapshot = ReadHistorySnapshot(text);
  }
  result.onlyBaseLeft = entries_.size() == 1;
  return result;
}

void History::Clear() {
  EmptyFolderFiles(folder_);
  counter_ = 0;
  entries_.clear();
}

std::vector<std::string> History::Captions() const {
  std::vector<std::string> captions;
  captions.reserve(entries_.size());
  for (const Entry& e : entries_) {
    captions.push_back(e.count > 1 ? e.label + " (" + std::to_string(e.count) + ")" : e.label);
  }
  return captions;
}

}  // namespace orvane
