#pragma once
// Runs the real orvane-cli, each test with its own settings store,
// application folder and system temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "host/settings_file_store.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {

namespace fs = std::filesystem;

struct CliRun {
  int status;  // the exit status, or 128 + the signal
  std::string output;
};

// `prefix` runs it under another command (a user, a memory limit).
inline CliRun Cli(const std::string& arguments, const std::string& prefix = "") {
  const std::string command = prefix + ORVANE_CLI + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

inline std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
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

  void UseStepsPerMm(uint16_t steps) {
    FileSettingsStore store(config / "settings.ini");
    MachineSettings settings;
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = steps;
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
  }

  // A project whose two profiles are the same serpentine of `rows` strokes
  // of 400 mm, 1 mm apart: a long cut within a small block.
  std::string Serpentine(int rows) {
    std::vector<std::pair<double, double>> points;
    for (int row = 0; row < rows; ++row) {
      points.push_back({row % 2 ? 400.0 : 0.0, double(row)});
      points.push_back({row % 2 ? 0.0 : 400.0, double(row)});
    }
    const Profile p = test::MakeProfile(points);
    const std::string dims[4] = {"0", "0", "0", "0"};
    const std::string path = work / ("serpentine" + std::to_string(rows) + ".ovp");
    EXPECT_TRUE(AtomicWriteFile(path, WriteProjectFile(p, p, 3, dims).bytes));
    return path;
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
};

}  // namespace orvane
