#include "core/params/cutting_memo.h"

#include <gtest/gtest.h>

#include "core/common/text_lines.h"

namespace orvane {
namespace {

MemoRow Row(const char* first, const char* last = "") {
  MemoRow row;
  row[0] = first;
  row[7] = last;
  return row;
}

std::vector<std::string> Firsts(const CuttingMemo& memo) {
  std::vector<std::string> firsts;
  for (const MemoRow& row : memo.Rows()) firsts.push_back(row[0]);
  return firsts;
}

TEST(CuttingMemo, FileHasEightLinesPerRowAndReadsShortOrEmptyFiles) {
  const std::string two = WriteMemoFile({Row("PS 20", "net"), Row("XPS", "fumée")});
  const auto lines = SplitLines(two);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "PS 20");  // no row number
  EXPECT_EQ(lines[7], "net");
  EXPECT_EQ(two.substr(two.size() - 2), "\r\n");

  struct Case {
    const char* name;
    std::string bytes;
    size_t rows;
    const char* lastCellOfLastRow;
  };
  std::string thirteen;
  for (int i = 1; i <= 13; ++i) thirteen += "c" + std::to_string(i) + "\r\n";
  const Case cases[] = {
      {"13 lines: the second row padded", thirteen, 2, ""},
      {"empty file", "", 1, ""},
      {"LF ends, no final end", "a\nb\nc\nd\ne\nf\ng\nh", 1, "h"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto rows = ReadMemoFile(c.bytes);
    ASSERT_EQ(rows.size(), c.rows);
    EXPECT_EQ(rows.back()[7], c.lastCellOfLastRow);
  }
  EXPECT_EQ(ReadMemoFile(thirteen)[1][4], "c13");
}

// Whatever a cell holds comes back exactly: in Windows-1252 when it can be,
// else the whole file in UTF-8.
TEST(CuttingMemo, CellsRoundTripWithoutReplacedCharacters) {
  const struct {
    const char* cell;
    const char* stored;
  } cases[] = {{"≈ 2 mm", "≈ 2 mm"},
               {"épais", "\xE9pais"},
               // Its Windows-1252 bytes are the UTF-8 of "é".
               {"Ã©", "Ã©"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    const std::string bytes = WriteMemoFile({Row(c.cell)});
    EXPECT_EQ(SplitLines(bytes)[0], c.stored);
    EXPECT_EQ(ReadMemoFile(bytes)[0][0], c.cell);
  }
}

TEST(CuttingMemo, SemicolonsAndLineBreaksNeverReachTheFiles) {
  CuttingMemo memo;
  EXPECT_TRUE(memo.SetCell(0, 0, "a;b\r\nc"));
  EXPECT_EQ(memo.Cell(0, 0), "abc");
  EXPECT_FALSE(memo.SetCell(0, 0, "ab;c"));  // no change
  memo.Append();
  memo.SetCell(1, 7, "ok");
  EXPECT_EQ(WriteMemoCsv(memo.Rows()), "1;abc;;;;;;;;\r\n2;;;;;;;;ok;\r\n");
  // A file edited by hand loses them too.
  EXPECT_EQ(ReadMemoFile("x;y\r\n")[0][0], "xy");
}

TEST(CuttingMemo, RowOperationsMoveRowsAndKeepOne) {
  struct Case {
    const char* name;
    size_t (*op)(CuttingMemo&, size_t);
    size_t row;
    std::vector<std::string> after;
    size_t current;
  };
  using M = CuttingMemo;
  const Case cases[] = {
      {"insert", [](M& m, size_t r) { return m.Insert(r); }, 1, {"a", "", "b", "c"}, 1},
      {"append", [](M& m, size_t) { return m.Append(); }, 0, {"a", "b", "c", ""}, 3},
      {"clear", [](M& m, size_t r) { return m.Clear(r); }, 1, {"a", "", "c"}, 1},
      {"remove last", [](M& m, size_t r) { return m.Remove(r); }, 2, {"a", "b"}, 1},
      {"up", [](M& m, size_t r) { return m.MoveUp(r); }, 2, {"a", "c", "b"}, 1},
      {"up on the first", [](M& m, size_t r) { return m.MoveUp(r); }, 0, {"a", "b", "c"}, 0},
      {"down", [](M& m, size_t r) { return m.MoveDown(r); }, 0, {"b", "a", "c"}, 1},
      {"down on the last", [](M& m, size_t r) { return m.MoveDown(r); }, 2, {"a", "b", "c"}, 2},
      {"paste", [](M& m, size_t r) { return m.Copy(0), m.Paste(r); }, 2, {"a", "b", "a"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CuttingMemo memo;
    memo.SetRows({Row("a"), Row("b"), Row("c")});
    EXPECT_EQ(c.op(memo, c.row), c.current);
    EXPECT_EQ(Firsts(memo), c.after);
  }
  CuttingMemo memo;
  EXPECT_FALSE(memo.CanRemove());
  EXPECT_FALSE(memo.CanMoveUp(0));
  EXPECT_FALSE(memo.CanPaste());
  memo.Remove(0);
  EXPECT_EQ(memo.RowCount(), 1u);
  memo.SetRows({});
  EXPECT_EQ(memo.RowCount(), 1u);
}

}  // namespace
}  // namespace orvane
