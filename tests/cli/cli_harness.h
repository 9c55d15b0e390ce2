#pragma once
// Runs the real orvane-cli, each test with its own settings store,
// application folder and system temporary folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "host/settings_file_store.h"
#include "support/played_ticks.h"
#include "support/process.h"
#include "support/profiles.h"
#include "support/recording_file.h"
#include "support/temp_folder.h"

namespace orvane {

namespace fs = std::filesystem;
using test::Names;
using ::testing::HasSubstr;
using ::testing::Not;
using CliRun = test::ShellRun;
using Write = test::RecordedWrite;

// `prefix` runs it under another command (a user, a memory limit).
inline CliRun Cli(const std::string& arguments, const std::string& prefix = "") {
  return test::Shell(prefix + ORVANE_CLI + " " + arguments);
}

// The recording after the start's rest, which must come first: data 0, then
// the idle image (0x01), as after a run killed with -9.
inline std::vector<Write> AfterTheRest(const std::vector<Write>& writes) {
  EXPECT_GE(writes.size(), 2u);
  if (writes.size() < 2) return {};
  EXPECT_TRUE(writes[0].reg == 0 && writes[0].value == 0) << "not at rest first";
  EXPECT_TRUE(writes[1].reg == 2 && writes[1].value == 1) << "not idle first";
  return std::vector<Write>(writes.begin() + 2, writes.end());
}

// The pattern of each tick in `writes`, each checked to fall back to 0.
inline std::string TickPatterns(const std::vector<Write>& writes) {
  return test::PatternsOf(test::DataBytes(writes));
}

// The heating is off at the end: the last control write is the idle image,
// and after it at most the 0 that ends a tick, never a step.
inline bool HeatingOffLast(const std::vector<Write>& writes) {
  size_t last = writes.size();
  while (last > 0 && writes[last - 1].reg != 2) --last;
  if (last == 0 || writes[last - 1].value != 1) return false;
  for (size_t i = last; i < writes.size(); ++i) {
    if (writes[i].value != 0) return false;
  }
  return true;
}

class OrvaneCli : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORVANE_HOME", home.Path().c_str(), 1);
    setenv("ORVANE_CONFIG_DIR", config.Path().c_str(), 1);
    setenv("TMPDIR", systemTemp.Path().c_str(), 1);
    fs::create_directory(out);
    UseStepsPerMm(200);
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(systemTemp.Path())) << "the system's temporary folder is not used";
    for (const char* name : {"ORVANE_HOME", "ORVANE_CONFIG_DIR", "TMPDIR"}) unsetenv(name);
  }

  void Store(MachineSettings s) {
    FileSettingsStore store(config / "settings.ini");
    WriteDefaultSettings(store, s);
    WriteAllSettings(store, s, nullptr, nullptr);
  }
  void UseStepsPerMm(uint16_t steps) {
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = steps;
    Store(settings);
  }
  // Ticks of `periodUs` on every axis, heating automatic so the run image
  // (0x03) and the idle image (0x01) differ.
  void UseHeatedTicks(uint16_t periodUs, int preHeat, bool resume = true) {
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = periodUs;
    settings.ActChauffe = true;
    settings.PreChauffe = static_cast<uint8_t>(preHeat);
    settings.Reprise = resume;
    Store(settings);
  }

  // A project whose two profiles are the same `points`.
  std::string Project(const std::string& name,
                      const std::vector<std::pair<double, double>>& points) {
    const Profile p = test::MakeProfile(points);
    const std::string dims[4] = {"0", "0", "0", "0"};
    const std::string path = work / name;
    EXPECT_TRUE(AtomicWriteFile(path, WriteProjectFile(p, p, 3, dims).bytes));
    return path;
  }
  // A serpentine of `rows` strokes of 400 mm, 1 mm apart: a long cut within
  // a small block.
  std::string Serpentine(int rows) {
    std::vector<std::pair<double, double>> points;
    for (int row = 0; row < rows; ++row) {
      points.push_back({row % 2 ? 400.0 : 0.0, double(row)});
      points.push_back({row % 2 ? 0.0 : 400.0, double(row)});
    }
    return Project("serpentine" + std::to_string(rows) + ".ovp", points);
  }
  // The cut of `project` in out/`name` (.ovi, .ovd, .ovg, .ovs).
  std::string Generate(const std::string& project, const std::string& name = "wing") {
    const std::string base = out + "/" + name;
    const CliRun run = Cli("generate " + project + " -o " + base);
    EXPECT_EQ(run.status, 0) << run.output;
    return base;
  }

  std::vector<std::string> WorkFolders() {
    std::vector<std::string> found;
    if (!fs::exists(home / "temp")) return found;
    for (const std::string& name : Names(home / "temp")) {
      if (name.starts_with("orvane-cli-")) found.push_back(home / "temp/" + name);
    }
    return found;
  }

  test::TempFolder home, config, work, systemTemp;
  const std::string out = work / "out";
  const std::string data = ORVANE_TEST_DATA;
  MachineSettings settings;
};

}  // namespace orvane
