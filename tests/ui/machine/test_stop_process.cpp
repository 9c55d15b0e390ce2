// The program's dry-run recording: a real process on the virtual port with
// ORVANE_RECORD, ended by SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <fstream>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"
#include "support/recording_file.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using Write = orvane::test::RecordedWrite;
using orvane::test::ReadRecording;

TEST(ProgramRecording, TheVirtualPortsWritesGoToTheFileAndEndWithTheMachineAtRest) {
  test::TempFolder home, config, work;
  const std::string recording = work / "port.txt";
  const pid_t child = fork();
  if (child == 0) {
    setenv("ORVANE_HOME", home.Path().c_str(), 1);
    setenv("ORVANE_CONFIG_DIR", config.Path().c_str(), 1);
    setenv("ORVANE_PARPORT", "virtual", 1);
    setenv("ORVANE_RECORD", recording.c_str(), 1);
    const std::string platform =
        std::string("offscreen:configfile=") + ORVANE_TEST_DATA + "/offscreen-1920x1080.json";
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    execl(ORVANE_BINARY, ORVANE_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  // The start rests the port (data 0, the idle image), then the project
  // window starts the link: the hold and heating images reach the control
  // register again.
  QElapsedTimer timer;
  timer.start();
  while (ReadRecording(recording).size() <= 2 && timer.elapsed() < 20000) usleep(20000);
  const std::vector<Write> started = ReadRecording(recording);
  ASSERT_GT(started.size(), 2u) << "the link was not started";
  EXPECT_EQ(started[0].reg, 0);
  EXPECT_EQ(started[0].value, 0);
  EXPECT_EQ(started[1].reg, 2);
  usleep(200000);
  kill(child, SIGTERM);
  int status = 0;
  for (int i = 0; i < 500 && waitpid(child, &status, WNOHANG) != child; ++i) usleep(20000);
  if (!WIFEXITED(status)) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the program did not end";
  }
  const std::vector<Write> writes = ReadRecording(recording);
  ASSERT_FALSE(writes.empty());
  for (const Write& w : writes) {
    EXPECT_TRUE(w.reg == 0 || w.reg == 2) << w.reg;
    EXPECT_GE(w.ns, 0);
  }
  // Factory settings: the program's end releases the hold, heating off.
  MachineSettings settings;
  const ControlImages images = ComputeControlImages(settings);
  EXPECT_EQ(writes.back().reg, 2);
  EXPECT_EQ(writes.back().value, ReleasesHoldOnExit(settings) ? ExitControlImage(images, settings)
                                                              : images.IdleControlImage);
  EXPECT_NE(test::ReadText(config / "settings.ini").find("Run=off"), std::string::npos);
}

}  // namespace
}  // namespace orvane
