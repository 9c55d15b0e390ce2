#include "core/project/exports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "core/project/drawing_readers.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Regression: the CSV header and a first point of whole numbers were taken
// for a Lednicer title and counts line, and the outline read back zig-zagged.
TEST(CoordinateExports, EveryCsvAndDatExportReadsBackAsItself) {
  std::vector<std::vector<std::pair<double, double>>> outlines = {
      // (2, 3) then five rows: counts that match, surfaces meeting at (0, 0).
      {{2, 3}, {0, 0}, {4, 0}, {0, 0}, {4, 4}, {2, 3}},
      {{2, 2}, {0, 0}, {1, 1}, {0, 0}, {1, 1}},
  };
  std::mt19937 random(2412);
  for (int n = 0; n < 300; ++n) {
    std::vector<std::pair<double, double>> points;
    const int count = 2 + static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
      // Few distinct whole values, so repeated points and count-like rows are common.
      const double x = static_cast<double>(random() % 6), y = static_cast<double>(random() % 6);
      points.push_back(random() % 4 ? std::pair{x, y} : std::pair{x + 0.25, y / 8});
    }
    if (random() % 2) points.push_back(points.front());
    outlines.push_back(points);
  }
  for (const auto& outline : outlines) {
    const Profile p = test::MakeProfile(outline, -1);
    std::vector<double> xs, ys;
    for (auto [x, y] : AnchoredPoints(p.raw)) xs.push_back(x), ys.push_back(y);
    xs.push_back(xs.front()), ys.push_back(ys.front());  // the reader closes the outline
    const std::pair<std::string, CoordinateFormat> files[] = {
        {WriteCsv(p.raw), CoordinateFormat::Csv},
        {WriteDat(p.raw, "", DatSeparator::Tab), CoordinateFormat::Dat},
        {WriteDat(p.raw, "Profil d'essai", DatSeparator::Tab), CoordinateFormat::Dat},
        {WriteDat(p.raw, "Profil", DatSeparator::Space), CoordinateFormat::Dat},
    };
    for (const auto& [text, format] : files) {
      const DrawingRead back = ReadCoordinates(text, format);
      ASSERT_EQ(back.xs, xs) << text;
      ASSERT_EQ(back.ys, ys) << text;
    }
  }
}

TEST(CoordinateExports, WriteTheHeaderCommentAndSeparatorAsChosen) {
  Profile p = test::MakeProfile({{0, 0}, {2.5, 1}});
  EXPECT_EQ(WriteCsv(p.raw), "[ X ];[ Y ]\r\n0.000000;0.000000\r\n2.500000;1.000000\r\n");
  EXPECT_EQ(WriteDat(p.raw, "aile d'essai", DatSeparator::Tab),
            "aile d'essai\r\n0.000000\t0.000000\r\n2.500000\t1.000000\r\n");
  EXPECT_EQ(WriteDat(p.raw, "", DatSeparator::Space), "0.000000 0.000000\r\n2.500000 1.000000\r\n");
}

TEST(DxfExport, WritesOnePolylineThatTheReaderTakesBack) {
  Profile open = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {5, 8}, {0, 5}});
  Profile closed = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {0, 5}, {0, 0}});
  const std::string a = WriteDxf(open.raw), b = WriteDxf(closed.raw);
  // Open (70 = 0); a closed one is checked in ezdxf below.
  EXPECT_THAT(a, HasSubstr("AcDbPolyline\r\n90\r\n5\r\n70\r\n0\r\n"));
  DrawingRead back = ReadDxf(a);
  ASSERT_EQ(back.xs.size(), 5u);
  EXPECT_EQ(back.xs[3], 5);
  EXPECT_EQ(back.ys[3], 8);
  EXPECT_EQ(ReadDxf(b).xs.size(), 6u);  // closed: the reader repeats the first vertex
}

// Another program must open the export: ezdxf's recovering reader reports
// neither errors nor repairs.
TEST(DxfExport, OpensCleanlyInEzdxf) {
  if (std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3-ezdxf is not installed";
  }
  test::TempFolder folder;
  Profile p = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {0, 0}});
  test::WriteText(folder / "profil.dxf", WriteDxf(p.raw));
  const std::string command =
      "/usr/bin/python3 -c \"import sys; from ezdxf import recover; "
      "doc, a = recover.readfile(sys.argv[1]); "
      "e = list(doc.modelspace()); "
      "ok = not a.errors and not a.fixes and len(e) == 1 and e[0].dxftype() == 'LWPOLYLINE' "
      "and e[0].dxf.layer == '1' and e[0].closed and len(e[0]) == 4; sys.exit(0 if ok else 1)\" " +
      folder / "profil.dxf";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(CutProject, WritesBothProfilesSideBySideAndReadsThemBack) {
  Profile p1 = test::MakeProfile({{0, 0}, {30, 0}, {30, 40}}, 2);
  Profile p2 = test::MakeProfile({{0, 0}, {20, 0}, {20, 10}}, 2);
  const std::string cut = WriteCutProject(p1.adjusted, p2.adjusted, 2, 2.0);
  EXPECT_THAT(cut, StartsWith("T:10.00 XG:0.00 YG:0.00 XD:0.00 YD:0.00\r\n"));
  EXPECT_THAT(cut, HasSubstr("T:12.50 XG:30.00 YG:0.00 XD:20.00 YD:0.00\r\n"));  // (30+20)/2/2
  CutProjectRead back = ReadCutProject(cut);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.rows1[2], (PointText{"30.000000", "40.000000"}));
  EXPECT_EQ(back.rows2[2], (PointText{"20.000000", "10.000000"}));
}

// Regression: "XG:12,5" was imported as 0 without a word.
TEST(CutProject, AValueThatCannotBeTakenRefusesTheFileNamingItsLine) {
  const std::string first = "T:10.00 XG:0.00 YG:0.00 XD:0.00 YD:0.00\r\n";
  const struct {
    const char* name;
    std::string text, message;
  } cases[] = {
      {"no record", "T:1 XG:1 YG:2\nnothing\n", "Fichier CUT incompatible"},
      {"decimal comma", first + "T:1.00 XG:12,5 YG:0.00 XD:3.00 YD:0.00\r\n",
       "Fichier CUT incompatible : valeur illisible à la ligne 2"},
      {"empty value", "\r\n" + first + first + "T:1 XG:1 YG:1 XD:1 YD:\r\n",
       "Fichier CUT incompatible : valeur illisible à la ligne 4"},
      {"beyond the limit", "T:10 XG:0 YG:0 XD:1000000.5 YD:0\n",
       "Fichier CUT incompatible : coordonnée au-delà de 1000000 mm à la ligne 1"},
  };
  for (const auto& c : cases) {
    const CutProjectRead read = ReadCutProject(c.text);
    EXPECT_FALSE(read.ok) << c.name;
    EXPECT_TRUE(read.rows1.empty() && read.rows2.empty()) << c.name;
    EXPECT_EQ(read.message, c.message) << c.name;
  }
  EXPECT_TRUE(ReadCutProject("T:10 XG:0 YG:0 XD:1000000 YD:-1000000\n").ok);
}

TEST(Duplicates, OfEachRunOnlyTheLastRowRemains) {
  PointRows rows = {{"0", "0"}, {"1", "0"}, {"1", "0"}, {"1", "0"}, {"2", "2"}, {"2", "2"}};
  EXPECT_EQ(CountConsecutiveDuplicates(rows), 3u);
  RemoveConsecutiveDuplicates(rows);
  EXPECT_EQ(rows, (PointRows{{"0", "0"}, {"1", "0"}, {"2", "2"}}));
}

}  // namespace
}  // namespace orvane
