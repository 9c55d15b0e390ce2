// The program as a user starts it: a real process, a real settings file,
// ended by a termination signal or killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"
#include "support/recording_file.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

class ProgramRun : public ::testing::Test {
 protected:
  // `recording`: where the virtual port's writes go (ORVANE_RECORD).
  pid_t Start(const std::string& recording = "") {
    pid_t child = fork();
    if (child == 0) {
      setenv("ORVANE_HOME", home.Path().c_str(), 1);
      setenv("ORVANE_CONFIG_DIR", config.Path().c_str(), 1);
      setenv("ORVANE_PARPORT", "virtual", 1);
      if (!recording.empty()) setenv("ORVANE_RECORD", recording.c_str(), 1);
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

uint64_t SignalBit(int number) {
  return uint64_t{1} << (number - 1);
}

// Waits until the program catches every signal of `wanted` (its handlers
// are installed); false when it ended first or never got there.
bool WaitForSignalHandler(pid_t child, uint64_t wanted = SignalBit(SIGTERM)) {
  const std::string status = "/proc/" + std::to_string(child) + "/status";
  for (int i = 0; i < 1000; ++i) {
    std::ifstream in(status);
    std::string line;
    while (std::getline(in, line)) {
      if (line.starts_with("State:") && line.find('Z') != std::string::npos) return false;
      if (line.starts_with("SigCgt:")) {
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        if ((caught & wanted) == wanted) return true;
      }
    }
    usleep(20000);
  }
  return false;
}

using PortWrite = orvane::test::RecordedWrite;
using orvane::test::ReadRecording;

// A killed run leaves the run marked. Regression: after a kill -9 the next
// start asked its second-instance
// question while the port still held what the killed run had left (the
// heating on). The rest comes first, the question after.
TEST_F(ProgramRun, AStartAfterAKillRestsThePortBeforeItsSecondInstanceQuestion) {
  pid_t killed = Start();
  ASSERT_TRUE(WaitForSetting("Run=on"));
  kill(killed, SIGKILL);
  WaitForExit(killed);
  ASSERT_NE(Settings().find("Run=on"), std::string::npos) << "a killed run stays marked";

  const std::string recording = home / "port.txt";
  pid_t child = Start(recording);
  QElapsedTimer timer;
  timer.start();
  while (ReadRecording(recording).size() < 2 && timer.elapsed() < 20000) usleep(20000);
  // The question is open: nothing more reaches the port until it is answered.
  usleep(300000);
  const std::vector<PortWrite> writes = ReadRecording(recording);
  ASSERT_EQ(writes.size(), 2u) << "the port is not at rest before the question";
  EXPECT_EQ(writes[0].reg, 0);
  EXPECT_EQ(writes[0].value, 0);
  EXPECT_EQ(writes[1].reg, 2);
  EXPECT_EQ(writes[1].value, ComputeControlImages(MachineSettings{}).IdleControlImage);
  kill(child, SIGTERM);
  const int status = WaitForExit(child);
  EXPECT_TRUE(WIFEXITED(status));
}

// Every signal whose default action ends a process is caught, so that the
// heating goes off first and the program ends through its orderly close;
// Ctrl-\ (SIGQUIT) and SIGUSR1 once killed it outright.
TEST_F(ProgramRun, EverySignalThatEndsAProcessEndsTheProgramThroughItsOrderlyClose) {
  uint64_t wanted = 0;
  for (int number : {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,
                     SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                     SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS}) {
    wanted |= SignalBit(number);
  }
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) wanted |= SignalBit(number);
  for (int number : {SIGQUIT, SIGUSR1}) {
    pid_t child = Start();
    ASSERT_TRUE(WaitForSetting("Run=on"));
    ASSERT_TRUE(WaitForSignalHandler(child, wanted)) << "some signal still ends it outright";
    kill(child, number);
    const int status = WaitForExit(child);
    EXPECT_TRUE(WIFEXITED(status)) << strsignal(number);
    EXPECT_NE(Settings().find("Run=off"), std::string::npos) << strsignal(number);
  }
}

// Regression: "terminate called after throwing SettingsWriteError", exit 134,
// when the settings file could not be written.
TEST_F(ProgramRun, ASettingsFileThatCannotBeWrittenNeverAbortsTheProgram) {
  fs::create_directory(config / "settings.ini");
  pid_t child = Start();
  // Its error box is up; the program is still there and ends on request.
  ASSERT_TRUE(WaitForSignalHandler(child));
  kill(child, SIGTERM);
  const int status = WaitForExit(child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(fs::is_directory(config / "settings.ini"));
  EXPECT_TRUE(fs::is_directory(fs::path(home.Path()) / "projets"));
}

// Regression: with a value that does not convert, the error box opened after
// the start-up timer had started, and after a termination signal (or
// "Quitter" in the project window opened over it) the process never ended.
TEST_F(ProgramRun, ATerminationSignalEndsTheProgramWhileTheSettingsBoxIsOpen) {
  pid_t first = Start();
  ASSERT_TRUE(WaitForSetting("Run=on"));
  ASSERT_TRUE(WaitForSignalHandler(first));
  kill(first, SIGTERM);
  WaitForExit(first);
  std::string text = Settings();
  const size_t maxX = text.find("MaxX=500");
  ASSERT_NE(maxX, std::string::npos);
  text.replace(maxX, 8, "MaxX=abc");
  test::WriteText(config / "settings.ini", text);

  pid_t child = Start();
  ASSERT_TRUE(WaitForSignalHandler(child));
  kill(child, SIGTERM);
  const int status = WaitForExit(child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(Settings().find("Run=off"), std::string::npos);
}

}  // namespace
}  // namespace orvane
