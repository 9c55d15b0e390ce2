// orvane-cli run on the serial step link, against a pseudo-terminal whose
// other side the test holds: the bytes that arrive are decoded and compared
// with the step file, and the line is closed or left unread mid-run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli_harness.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class OrvaneCliSerial : public OrvaneCli {
 protected:
  void SetUp() override {
    OrvaneCli::SetUp();
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    device = ptsname(master);
    FileSettingsStore store(config / "settings.ini");
    MachineSettings settings;
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 200;
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 20;
    settings.PortType = 1;
    settings.Reprise = false;
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
    base = out + "/line";
    ASSERT_EQ(Cli("generate " + Serpentine(1) + " -o " + base).status, 0);
  }
  void TearDown() override {
    if (master >= 0) close(master);
    OrvaneCli::TearDown();
  }

  // Starts the run with its standard input on a pipe the test writes to.
  void Start() {
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    pid = fork();
    if (pid == 0) {
      dup2(in[0], STDIN_FILENO);
      close(in[0]);
      close(in[1]);
      std::freopen(output.c_str(), "w", stdout);
      dup2(STDOUT_FILENO, STDERR_FILENO);
      const std::string cut = base + ".ovi";
      execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--link", "serial", "--device",
            device.c_str(), nullptr);
      _exit(127);
    }
    close(in[0]);
    keys = in[1];
  }
  // Reads the line until `count` bytes came, the run ended, or 60 s passed.
  void Receive(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (received.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      uint8_t buffer[4096];
      const ssize_t n = read(master, buffer, std::min(sizeof buffer, count - received.size()));
      if (n < 0 && errno == EAGAIN) continue;
      if (n <= 0) return;  // the run closed its side
      received.insert(received.end(), buffer, buffer + n);
    }
  }
  // Its exit status; the output is in `text`.
  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    close(keys);
    text = test::ReadText(output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Each tick is its pattern then a zero.
  std::vector<uint8_t> Expected() const {
    std::vector<uint8_t> bytes;
    for (char c : test::ReadText(base + ".ovd")) bytes.push_back(uint8_t(c)), bytes.push_back(0);
    return bytes;
  }

  int master = -1;
  std::string device, base, text;
  const std::string output = work / "run.txt";
  pid_t pid = -1;
  int keys = -1;
  std::vector<uint8_t> received;
};

TEST_F(OrvaneCliSerial, SendsPatternThenZeroForEveryTickWithoutAQtWarning) {
  const std::vector<uint8_t> expected = Expected();
  ASSERT_GT(expected.size(), 100'000u);
  Start();
  Receive(expected.size() + 1);
  EXPECT_EQ(Wait(), 0) << text;
  EXPECT_THAT(text, HasSubstr("Découpe terminée normalement"));
  EXPECT_THAT(text, Not(HasSubstr("QObject")));
  EXPECT_THAT(text, Not(HasSubstr("QSocketNotifier")));
  ASSERT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected) << "the bytes differ from the step file's";
}

// The line closed after 32,486 bytes was a finished cut; a device that takes
// nothing more is a lost link too, once the bound has passed.
TEST_F(OrvaneCliSerial, ALostOrStuckLineEndsTheRunNamingTheDevice) {
  struct Case {
    const char* name;
    bool closeLine;  // else left unread
    const char* reason;
  };
  // The system's reason for a closed line is in the user's language.
  const Case cases[] = {{"closed after 32,486 bytes", true, ""},
                        {"never read", false, " (le périphérique ne prend plus rien)"}};
  for (const Case& c : cases) {
    received.clear();
    if (master < 0) {
      master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
      grantpt(master);
      unlockpt(master);
      device = ptsname(master);
    }
    Start();
    if (c.closeLine) {
      Receive(32'486);
      close(master);
      master = -1;
    }
    EXPECT_EQ(Wait(), 1) << c.name << "\n" << text;
    EXPECT_THAT(text, HasSubstr("orvane-cli : Liaison série perdue sur " + device + c.reason))
        << c.name;
    EXPECT_THAT(text, HasSubstr(") : découpe arrêtée, positions inconnues.")) << c.name;
    EXPECT_THAT(text, HasSubstr("Positions : inconnues")) << c.name;
    EXPECT_THAT(text, Not(HasSubstr("terminée normalement"))) << c.name;
    if (master >= 0) close(master), master = -1;
  }
}

// The device takes nothing, the output thread waits in a write: the space
// bar still stops the run, before the write's bound makes it a lost link.
TEST_F(OrvaneCliSerial, TheSpaceBarStopsARunWhoseDeviceTakesNothing) {
  Start();
  // Blocked once the line holds a full buffer that no longer grows.
  int held = -1, same = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (same < 20 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int now = 0;
    ioctl(master, FIONREAD, &now);
    same = now > 0 && now == held ? same + 1 : 0;
    held = now;
  }
  ASSERT_EQ(write(keys, " ", 1), 1);
  EXPECT_EQ(Wait(), 1) << text;
  EXPECT_THAT(text, HasSubstr("Découpe interrompue.\n"));
  EXPECT_THAT(text, Not(HasSubstr("perdue")));
  // No heating output on this link: nothing to claim switched off.
  EXPECT_THAT(text, Not(HasSubstr("chauffe coupée")));
}

}  // namespace
}  // namespace orvane
