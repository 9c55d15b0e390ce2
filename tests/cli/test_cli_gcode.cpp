// orvane-cli generate --dialect: the ".nc" program for GRBL-class controllers
// and LinuxCNC, checked against LinuxCNC's own interpreter where installed.
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/cli_harness.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/cut/gcode_dialect.h"

namespace orvane {
namespace {

using test::ReadText;

class CliGcode : public OrvaneCli {
 protected:
  // A swept, tapered wing of NACA 2412: root chord 200 mm, tip chord 120 mm
  // moved 50 mm back and 10 mm up.
  std::string Wing() {
    std::ifstream in(data + "/airfoils/naca2412_xfoil.dat");
    std::string name;
    std::getline(in, name);
    std::ofstream root(work / "root.dat"), tip(work / "tip.dat");
    root << name << "\n";
    tip << name << "\n";
    for (double x, y; in >> x >> y;) {
      root << FormatFixed(200 * x, 6) << " " << FormatFixed(200 * y, 6) << "\n";
      tip << FormatFixed(120 * x + 50, 6) << " " << FormatFixed(120 * y + 10, 6) << "\n";
    }
    root.close();
    tip.close();
    const std::string project = work / "wing.ovp";
    const CliRun run =
        Cli("import " + (work / "root.dat") + " " + (work / "tip.dat") + " -o " + project);
    EXPECT_EQ(run.status, 0) << run.output;
    return project;
  }
  // The design's outline as the project holds it: X1, Y1, X2, Y2 per point,
  // a point that repeats the one before left out.
  std::vector<std::array<double, 4>> Outline(const std::string& project) {
    const ProjectReadResult read = ReadProjectFile(ReadText(project));
    EXPECT_TRUE(read.ok);
    std::vector<std::array<double, 4>> points;
    for (size_t i = 0; i < read.data.X1.size(); ++i) {
      const std::array<double, 4> p = {read.data.X1[i], read.data.Y1[i], read.data.X2[i],
                                       read.data.Y2[i]};
      if (points.empty() || p != points.back()) points.push_back(p);
    }
    return points;
  }
};

TEST_F(CliGcode, WritesTheProgramBesideTheSetOrRefusesBeforeWritingAnything) {
  const std::string project = Project("square.ovp", {{0, 0}, {10, 0}, {10, 10}, {0, 0}});
  const GcodeDialect stored{"XYZA", GcodeFeedMode::InverseTime, true, 250, 1000};
  const std::string set = "wing.nc wing.ovd wing.ovg wing.ovi wing.ovs";
  struct Case {
    const char* name;
    std::string options;
    bool store;  // the GCode group holds `stored`
    int status;
    std::string files;     // written in out/, in name order
    std::string expected;  // lines of the first file, "*" for any
  };
  const Case cases[] = {
      {"LinuxCNC letters, G94, heated", "--dialect xyuv --feed g94 --heat 300", false, 0, set,
       "G17 G21 G90 G94|G0 X0.000 Y0.000 U0.000 V0.000|M3 S300|G4 P8|"
       "G1 X10.000 Y0.000 U10.000 V0.000 F84.8528|*|*|M5|M2"},
      {"opposite pair, stored choices fill in", "--dialect XYAB --opposite", true, 0,
       "wing_A.nc wing_A.ovd wing_A.ovg wing_A.ovi wing_A.ovs wing_B.nc wing_B.ovd wing_B.ovg "
       "wing_B.ovi wing_B.ovs",
       "G17 G21 G90 G93|*|M3 S250|G4 P8|G1 X10.000 Y0.000 A10.000 B0.000 F6|*|*|M5|M2"},
      {"heating switched off", "--dialect xyza --heat none", true, 0, set,
       "*|*|G1 X10.000 Y0.000 Z10.000 A0.000 F6|*|*|M2"},
      {"a letter twice", "--dialect xyzz", false, 2, "", ""},
      {"unknown feed mode", "--dialect xyza --feed g95", false, 2, "", ""},
      {"power above SMax", "--dialect xyza --heat 1001", false, 2, "", ""},
      {"feed without dialect", "--feed g94", false, 2, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out);
    fs::create_directory(out);
    FileSettingsStore store(config / "settings.ini");
    WriteGcodeDialect(store, c.store ? stored : GcodeDialect{});
    const CliRun run = Cli("generate " + project + " -o " + out + "/wing " + c.options);
    EXPECT_EQ(run.status, c.status) << run.output;
    std::string written;
    for (const std::string& name : Names(out)) written += (written.empty() ? "" : " ") + name;
    EXPECT_EQ(written, c.files);
    if (c.files.empty()) continue;
    const std::string program = ReadText(out + "/" + c.files.substr(0, c.files.find(' ')));
    const std::string want = std::regex_replace(c.expected, std::regex("\\|"), "\n");
    const auto lines = SplitLines(program);
    const auto expected = SplitLines(want);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_TRUE(expected[i] == "*" || lines[i] == expected[i]) << lines[i] << " at " << i + 1;
    }
  }
}

// LinuxCNC's standalone interpreter reads the wing's program without an
// error, finds the design's outline within one step (1/200 mm), and its feed
// rates give every line the longer guide's travel at 60 mm/min. Another
// dialect's letters (LinuxCNC's U and V) are the same program with other
// words: the dialect's tests.
TEST_F(CliGcode, LinuxCncReadsTheWingOnTheDesignOutline) {
  if (test::Shell("command -v rs274").status != 0) {
    GTEST_SKIP() << "rs274 absent (Debian package linuxcnc-uspace): LinuxCNC check skipped";
  }
  const std::string project = Wing();
  const std::vector<std::array<double, 4>> outline = Outline(project);
  ASSERT_GT(outline.size(), 100u);
  const double step = 1.0 / 200;
  const std::string base = out + "/xyza";
  const CliRun made = Cli("generate " + project + " -o " + base + " --dialect xyza --heat 400");
  ASSERT_EQ(made.status, 0) << made.output;
  // Canonical calls, positions in mm, A as is: motor order X1, Y1, X2, Y2 of
  // each move, and the feed rate before it. The interpreter keeps its
  // parameter file in the folder it runs in.
  const CliRun run = test::Shell("cd " + out + " && rs274 -g " + base + ".nc");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::array<double, 4>> moves;
  std::vector<double> rates;
  const std::regex call(R"((\w+)\(([^)]*)\))");
  double rate = 0;
  for (const std::string_view view : SplitLines(run.output)) {
    const std::string line(view);
    std::smatch m;
    if (!std::regex_search(line, m, call)) continue;
    std::vector<double> v;
    std::istringstream args(std::regex_replace(m[2].str(), std::regex(","), " "));
    for (std::string word; args >> word;) v.push_back(ParseReal(word).value_or(NAN));
    const std::string name = m[1];
    if (name == "SET_FEED_RATE") rate = v.at(0);
    if (name == "STRAIGHT_TRAVERSE" || name == "STRAIGHT_FEED") {
      moves.push_back({v.at(0), v.at(1), v.at(2), v.at(3)});
      rates.push_back(name == "STRAIGHT_FEED" ? rate : 0);
    }
  }
  ASSERT_EQ(moves.size(), outline.size());
  for (size_t i = 0; i < moves.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      ASSERT_NEAR(moves[i][k], outline[i][k], step) << "point " << i + 1 << " axis " << k;
    }
    if (i == 0 || rates[i] == 0) continue;
    // Inverse time becomes a rate over X, Y, Z (A is an angle to LinuxCNC).
    const auto d = [&](int k) { return moves[i][k] - moves[i - 1][k]; };
    const double xyz = std::sqrt(d(0) * d(0) + d(1) * d(1) + d(2) * d(2));
    // The guides' travel as written (the cut's decimals), as the writer timed it.
    const double guides = std::max(std::hypot(d(0), d(1)), std::hypot(d(2), d(3)));
    if (xyz > 0.01) {
      EXPECT_NEAR(xyz / rates[i], guides / 60, guides / 60 * 1e-3) << i + 1;
    }
  }
}

}  // namespace
}  // namespace orvane
