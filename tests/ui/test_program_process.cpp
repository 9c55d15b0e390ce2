// The program as a user starts it: a real process, a real settings file,
// ended by a termination signal or killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <filesystem>
#include <regex>
#include <sstream>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

class ProgramRun : public ::testing::Test {
 protected:
  pid_t Start() {
    pid_t child = fork();
    if (child == 0) {
      setenv("ORVANE_HOME", home.Path().c_str(), 1);
      setenv("ORVANE_CONFIG_DIR", config.Path().c_str(), 1);
      setenv("ORVANE_PARPORT", "virtual", 1);
      const std::string platform =
          std::string("offscreen:configfile=") + ORVANE_TEST_DATA + "/offscreen-1920x1080.json";
      setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
      execl(ORVANE_BINARY, ORVANE_BINARY, static_cast<char*>(nullptr));
      _exit(127);
    }
    return child;
  }
  std::string Settings() { return test::ReadText(config / "settings.ini"); }
  bool WaitForSetting(const std::string& line, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (Settings().find(line) == std::string::npos) {
      if (timer.elapsed() > timeoutMs) return false;
      usleep(20000);
    }
    return true;
  }
  int WaitForExit(pid_t child) {
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
      if (waitpid(child, &status, WNOHANG) == child) return status;
      usleep(20000);
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ADD_FAILURE() << "the program did not end";
    return status;
  }

  test::TempFolder home;
  test::TempFolder config;
};

TEST_F(ProgramRun, FirstRunThenATerminationSignalEndsCleanly) {
  pid_t child = Start();
  ASSERT_TRUE(WaitForSetting("Version=160"));
  ASSERT_TRUE(WaitForSetting("Run=on"));
  for (const char* folder : {"projets", "découpes", "dessins", "export", "temp"}) {
    EXPECT_TRUE(fs::is_directory(fs::path(home.Path()) / folder)) << folder;
  }
  const std::string text = Settings();
  std::smatch m;
  size_t values = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) values += line.find('=') != std::string::npos;
  EXPECT_EQ(values, 71u);  // every value of the tables, plus Run
  for (const char* name : {"ProjectPath", "CutPath", "DxfPath", "ExportPath"}) {
    ASSERT_TRUE(std::regex_search(text, m, std::regex(std::string(name) + "=(.*)"))) << name;
    EXPECT_EQ(m[1].str().back(), '/') << name;
  }
  EXPECT_NE(text.find("Vmin=0.33"), std::string::npos);

  usleep(300000);
  kill(child, SIGTERM);
  int status = WaitForExit(child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_NE(Settings().find("Run=off"), std::string::npos);
}

TEST_F(ProgramRun, AKilledRunLeavesTheRunMarked) {
  pid_t child = Start();
  ASSERT_TRUE(WaitForSetting("Run=on"));
  kill(child, SIGKILL);
  WaitForExit(child);
  EXPECT_NE(Settings().find("Run=on"), std::string::npos);
}

}  // namespace
}  // namespace orvane
