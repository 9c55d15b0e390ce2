#include "core/cut/gcode_dialect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "core/machine/grbl_settings.h"

namespace orvane {
namespace {

// A line decoded word by word, independently of the writer: letter -> number.
std::map<char, double> Words(const std::string& line) {
  std::map<char, double> words;
  std::istringstream in(line);
  for (std::string word; in >> word;) {
    EXPECT_EQ(words.count(word[0]), 0u) << line;
    words[word[0]] = std::stod(word.substr(1));
  }
  return words;
}

std::vector<CutPoint> Points(std::initializer_list<CutPoint> points) {
  return points;
}

// A tapered wing's leading part: root (X1, Y1) twice the tip (X2, Y2), with a
// line where the tip stands still and a repeated point.
const std::vector<CutPoint> kTaper = Points(
    {{0, 0, 10, 5}, {30, 40, 25, 25}, {30, 40, 25, 25}, {60, 0, 25, 25}, {-1.5, 2.25, 9.5, 6.125}});

TEST(GcodeDialect, SamePositionsLineForLineInEveryDialect) {
  GcodeMotion motion{60, 8, 3};
  std::vector<std::vector<std::string>> programs;
  for (const char* letters : {"XYAB", "xyza", "XyUv"}) {
    GcodeDialect d;
    std::string error;
    d.axes = ParseAxisLetters(letters, &error);
    ASSERT_EQ(error, "");
    d.heat = true;
    const DialectProgram p = WriteDialectProgram(kTaper, d, motion);
    ASSERT_EQ(p.error, "");
    ASSERT_EQ(p.lines.size(), p.seconds.size());
    // Decode each line into motor order X1, Y1, X2, Y2.
    std::vector<std::string> decoded;
    for (const std::string& line : p.lines) {
      EXPECT_LE(line.size(), kMaxGcodeLineLength);
      EXPECT_EQ(line.find("  "), std::string::npos) << line;
      if (!line.starts_with("G0 ") && !line.starts_with("G1 ")) {
        decoded.push_back(line);
        continue;
      }
      std::map<char, double> w = Words(line);
      std::ostringstream out;
      out << line.substr(0, line.find(' '));
      for (char axis : d.axes) {
        if (w.count(axis)) out << ' ' << w[axis];
        w.erase(axis);
      }
      w.erase(line[0]);
      for (const auto& [letter, value] : w) out << ' ' << letter << value;
      decoded.push_back(out.str());
    }
    programs.push_back(decoded);
  }
  EXPECT_EQ(programs[0], programs[1]);
  EXPECT_EQ(programs[0], programs[2]);
  // The repeated point is left out; the last point keeps the cut's decimals.
  const DialectProgram p = WriteDialectProgram(kTaper, GcodeDialect{}, motion);
  ASSERT_EQ(p.lines.size(), 6u);
  EXPECT_EQ(p.lines[4], "G1 X-1.500 Y2.250 Z9.500 A6.125 F" + p.lines[4].substr(33));
  EXPECT_EQ(WriteDialectProgram(kTaper, GcodeDialect{}, {60, 0, 1}).lines[1],
            "G0 X0.0 Y0.0 Z10.0 A5.0");
  // The opposite piece: each guide plays the other's outline.
  GcodeDialect ab;
  ab.axes = "XYAB";
  const DialectProgram mirror = WriteDialectProgram(kTaper, ab, motion, true);
  EXPECT_EQ(mirror.lines[1], "G0 X10.000 Y5.000 A0.000 B0.000");
  EXPECT_EQ(Words(mirror.lines[4]).at('A'), -1.5);
}

// Worked by hand at 60 mm/min (one millimetre a second): G93 F = 1 / minutes,
// G94 F = four-axis length / minutes, minutes = longer guide's travel / 60.
TEST(GcodeDialect, FeedGivesTheLongerGuidesTravelAtTheCuttingSpeed) {
  struct Case {
    const char* name;
    CutPoint from, to;
    double seconds, g93, g94;
  };
  const Case cases[] = {
      {"one guide still", {0, 0, 0, 0}, {30, 40, 0, 0}, 50, 1.2, 60},
      {"other guide still", {0, 0, 5, 5}, {0, 0, 8, 1}, 5, 12, 60},
      {"tapered wing", {0, 0, 0, 0}, {30, 40, 15, 20}, 50, 1.2, 67.082},
      {"tip longer", {10, 10, 0, 0}, {10, 11, -3, -4}, 5, 12, 61.1882},
  };
  for (const Case& c : cases) {
    for (GcodeFeedMode mode : {GcodeFeedMode::InverseTime, GcodeFeedMode::UnitsPerMinute}) {
      GcodeDialect d;
      d.feed = mode;
      const DialectProgram p = WriteDialectProgram({c.from, c.to}, d, {60, 0, 3});
      ASSERT_EQ(p.lines.size(), 4u) << c.name;
      EXPECT_EQ(p.lines[0],
                mode == GcodeFeedMode::InverseTime ? "G17 G21 G90 G93" : "G17 G21 G90 G94");
      const double f = Words(p.lines[2]).at('F');
      const double expected = mode == GcodeFeedMode::InverseTime ? c.g93 : c.g94;
      EXPECT_NEAR(f, expected, expected * 1e-5) << c.name;
      EXPECT_NEAR(p.seconds[2], c.seconds, 1e-9) << c.name;
      if (mode == GcodeFeedMode::InverseTime) {
        EXPECT_NEAR(60 / f, c.seconds, c.seconds * 1e-5) << c.name;
      }
    }
  }
}

// Heated, cold, a power above SMax and a letter twice are written by the
// command line's G-code test.
TEST(GcodeDialect, HeatingLinesAndRefusals) {
  const std::vector<CutPoint> cut = {{0, 0, 0, 0}, {1, 0, 1, 0}, {2, 0, 2, 0}};
  struct Case {
    const char* name;
    const char* axes;
    bool heat;
    int32_t power, sMax;
    int preheat;
    std::string codes;  // first word of each line (M3 and G4 whole), or the error's start
  };
  const Case cases[] = {
      {"no pre-heat", "XYZA", true, 1000, 1000, 0, "G17|G0|M3 S1000|G1|G1|M5|M2"},
      {"power unused", "XYZA", false, 5000, 1000, 8, "G17|G0|G1|G1|M2"},
      {"letter outside", "XYZE", false, 0, 1000, 8, "Les lettres d'axes"},
      {"three letters", "XYZ", false, 0, 1000, 8, "Les lettres d'axes"},
  };
  for (const Case& c : cases) {
    GcodeDialect d{c.axes, GcodeFeedMode::InverseTime, c.heat, c.power, c.sMax};
    const DialectProgram p = WriteDialectProgram(cut, d, {120, c.preheat, 3});
    std::string codes = p.error.substr(0, p.error.empty() ? 0 : c.codes.size());
    for (const std::string& line : p.lines) {
      codes += (codes.empty() ? "" : "|") + (line.starts_with("M3") || line.starts_with("G4")
                                                 ? line
                                                 : line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(codes, c.codes) << c.name;
  }
  // A coordinate too wide for a line of 70 characters with six decimals.
  const DialectProgram wide =
      WriteDialectProgram({{0, 0, 0, 0}, {-123456, -123456, -123456, -123456}}, {}, {60, 0, 6});
  EXPECT_NE(wide.error.find("Le point 2"), std::string::npos) << wide.error;
  EXPECT_NE(WriteDialectProgram(cut, {}, {0, 0, 3}).error, "");
}

// A streamed program's letters and its pre-heat are its own, whatever the
// settings say; comments and a move before any dwell are told apart.
TEST(ProgramTraits, LettersAndPreheatComeFromTheProgram) {
  GcodeDialect heated;
  heated.axes = "XYUV";
  heated.heat = true;
  const struct {
    const char* name;
    std::vector<std::string> lines;
    const char* axes;
    int preheat;
  } cases[] = {
      {"written heated", WriteDialectProgram(kTaper, heated, {60, 8, 3}).lines, "XYUV", 8},
      {"written cold", WriteDialectProgram(kTaper, {}, {60, 8, 3}).lines, "XYZA", 0},
      {"comments, lower case, a fraction",
       {"(M3 X1 Y1 Z1 A1)", "m3 s100 ; G4 P99", "g4 p2.5", "g1 x1 y2 u3 v4 f5"},
       "XYUV",
       3},
      {"a move before the dwell", {"M3 S100", "G1 X1 Y1 Z1 A1 F1", "G4 P8"}, "XYZA", 0},
      {"no four-axis move", {"G0 X1 Y1", "M2"}, "", 0},
  };
  for (const auto& c : cases) {
    const ProgramTraits traits = ReadProgramTraits(c.lines);
    EXPECT_EQ(traits.axes, c.axes) << c.name;
    EXPECT_EQ(traits.preheatSeconds, c.preheat) << c.name;
  }
}

// What the store keeps is read back by the command line's G-code test (the
// stored choices fill in) and the cut window's export; here what it refuses.
TEST(GcodeDialect, StoreReportsWhatItCannotRead) {
  MemorySettingsStore store;
  WriteGcodeDialect(store, {"XYUV", GcodeFeedMode::UnitsPerMinute, true, 255, 255});
  EXPECT_EQ(ReadGcodeDialect(store).dialect.feed,
            GcodeFeedMode::UnitsPerMinute);  // the command line stores G93
  const std::string key = GroupKeyPath(kGcodeGroup);
  store.WriteSettingString(key, "Axes", "XXYZ");
  store.WriteSettingString(key, "Puissance", "256");
  store.WriteSettingString(key, "Avance", "G95");
  const GcodeDialectRead bad = ReadGcodeDialect(store);
  EXPECT_EQ(bad.dialect.axes, "XYZA");
  EXPECT_EQ(bad.dialect.feed, GcodeFeedMode::InverseTime);
  EXPECT_EQ(bad.dialect.power, 500);
  for (const char* name : {"Axes", "Puissance", "Avance"}) {
    EXPECT_NE(bad.problems.find(std::string("valeur ") + name), std::string::npos) << name;
  }
  // The GRBL link's rate, in the same group: a rate the line cannot take is
  // not used.
  for (const char* rate : {"250000", "115200x"}) {
    store.WriteSettingString(key, "Bauds", rate);
    const GrblBaudRead read = ReadGrblBaudRate(store);
    EXPECT_EQ(read.baud, 115200) << rate;
    EXPECT_NE(read.problems.find("valeur Bauds : « " + std::string(rate)), std::string::npos);
  }
}

}  // namespace
}  // namespace orvane
