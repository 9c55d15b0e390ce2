// The program as a user starts it: a real process, a real settings file, the
// virtual port's writes recorded (ORVANE_RECORD), ended by a signal or killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"
#include "support/process.h"
#include "support/recording_file.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::PollUntil;
using test::ReadRecording;
using Write = test::RecordedWrite;

uint64_t SignalBit(int number) {
  return uint64_t{1} << (number - 1);
}

class ProgramRun : public ::testing::Test {
 protected:
  // The program on the test's folders and recording; the screen and the
  // virtual port are the test binary's own.
  std::unique_ptr<test::Child> Start() {
    return std::make_unique<test::Child>(std::vector<std::string>{
        "/usr/bin/env", "ORVANE_HOME=" + home.Path(), "ORVANE_CONFIG_DIR=" + config.Path(),
        "ORVANE_RECORD=" + recording, ORVANE_BINARY});
  }
  std::string Settings() { return test::ReadText(config / "settings.ini"); }
  bool WaitForSetting(const std::string& line) {
    return PollUntil([&] { return Settings().find(line) != std::string::npos; }, 20);
  }
  // Until the program catches every signal of `wanted` (its handlers are
  // installed); false when it ended first or never got there.
  static bool WaitForSignalHandler(test::Child& child, uint64_t wanted = SignalBit(SIGTERM)) {
    const std::string status = "/proc/" + std::to_string(child.Pid()) + "/status";
    return child.WaitUntil(
        [&] {
          std::ifstream in(status);
          for (std::string line; std::getline(in, line);) {
            if (line.starts_with("SigCgt:"))
              return (std::stoull(line.substr(7), nullptr, 16) & wanted) == wanted;
          }
          return false;
        },
        20);
  }
  // Ends the child by `number`; its exit code (as test::ExitCode), or a
  // failure when it stays.
  int End(test::Child& child, int number = SIGTERM) {
    child.Signal(number);
    if (!PollUntil([&] { return child.Ended(); }, 20)) ADD_FAILURE() << "the program did not end";
    return child.Wait();
  }

  test::TempFolder home, config, work;
  const std::string recording = work / "port.txt";
};

// Regression: after a kill -9 the next start asked its second-instance
// question while the port still held what the killed run had left (the
// heating on). The rest comes first, the question after.
TEST_F(ProgramRun, AStartAfterAKillRestsThePortBeforeItsSecondInstanceQuestion) {
  auto killed = Start();
  ASSERT_TRUE(WaitForSetting("Run=on"));
  End(*killed, SIGKILL);
  ASSERT_NE(Settings().find("Run=on"), std::string::npos) << "a killed run stays marked";
  fs::remove(recording);
  auto child = Start();
  ASSERT_TRUE(PollUntil([&] { return ReadRecording(recording).size() >= 2; }, 20));
  // The question is open: nothing more reaches the port until it is answered.
  usleep(300000);
  const std::vector<Write> writes = ReadRecording(recording);
  ASSERT_EQ(writes.size(), 2u) << "the port is not at rest before the question";
  EXPECT_EQ(writes[0].reg, 0);
  EXPECT_EQ(writes[0].value, 0);
  EXPECT_EQ(writes[1].reg, 2);
  EXPECT_EQ(writes[1].value, ComputeControlImages(MachineSettings{}).IdleControlImage);
  EXPECT_LT(End(*child), 128);
}

// Every signal whose default action ends a process is caught, so that the
// heating goes off first and the program ends through its orderly close: the
// hold released, the heating off and `Run` "off". Ctrl-\ (SIGQUIT) and
// SIGUSR1 once killed it outright. That the start rests the port first is
// the kill test's.
TEST_F(ProgramRun, EverySignalThatEndsAProcessEndsTheProgramWithTheMachineAtRest) {
  uint64_t wanted = 0;
  for (int number : {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,
                     SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                     SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS}) {
    wanted |= SignalBit(number);
  }
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) wanted |= SignalBit(number);
  const MachineSettings factory;
  const ControlImages images = ComputeControlImages(factory);
  for (int number : {SIGTERM, SIGQUIT, SIGUSR1}) {
    fs::remove(recording);
    auto child = Start();
    ASSERT_TRUE(WaitForSetting("Run=on"));
    ASSERT_TRUE(PollUntil([&] { return ReadRecording(recording).size() > 2; }, 20))
        << "no link started";
    ASSERT_TRUE(WaitForSignalHandler(*child, wanted)) << "some signal still ends it outright";
    EXPECT_LT(End(*child, number), 128) << strsignal(number);
    const std::vector<Write> writes = ReadRecording(recording);
    for (const Write& w : writes) EXPECT_TRUE(w.reg == 0 || w.reg == 2) << w.reg;
    EXPECT_EQ(writes.back().reg, 2);
    EXPECT_EQ(writes.back().value, ReleasesHoldOnExit(factory) ? ExitControlImage(images, factory)
                                                               : images.IdleControlImage);
    EXPECT_NE(Settings().find("Run=off"), std::string::npos) << strsignal(number);
  }
}

// Regressions: "terminate called after throwing SettingsWriteError", exit
// 134, when the settings file could not be written; and with a value that
// does not convert, the error box opened after the start-up timer had
// started, and a termination signal never ended the process.
TEST_F(ProgramRun, ATerminationSignalEndsTheProgramWhileASettingsErrorIsShown) {
  for (const bool unwritable : {true, false}) {
    SCOPED_TRACE(unwritable);
    if (unwritable) {
      fs::create_directory(config / "settings.ini");
    } else {
      fs::remove_all(config / "settings.ini");
      auto first = Start();
      ASSERT_TRUE(WaitForSetting("Run=on"));
      ASSERT_TRUE(WaitForSignalHandler(*first));
      End(*first);
      std::string text = Settings();
      ASSERT_NE(text.find("MaxX=500"), std::string::npos);
      text.replace(text.find("MaxX=500"), 8, "MaxX=abc");
      test::WriteText(config / "settings.ini", text);
    }
    auto child = Start();
    ASSERT_TRUE(WaitForSignalHandler(*child));  // its error box is up
    EXPECT_EQ(End(*child), 0);
    EXPECT_EQ(fs::is_directory(config / "settings.ini"), unwritable);
    if (!unwritable) {
      EXPECT_NE(Settings().find("Run=off"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace orvane
