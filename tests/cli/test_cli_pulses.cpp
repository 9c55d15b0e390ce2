// orvane-cli pulses as a process: its timing report, the port at rest before
// anything else, and the heating left off whatever signal ends it while it
// plays ticks.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/recording_file.h"
#include "support/temp_folder.h"

namespace {

using orvane::test::TempFolder;
using ::testing::HasSubstr;

using Line = orvane::test::RecordedWrite;
using orvane::test::ReadRecording;

size_t CountLines(const std::string& path) {
  std::ifstream in(path);
  size_t n = 0;
  for (std::string text; std::getline(in, text);) ++n;
  return n;
}

// Heating automatic: the run image (0x03) and the idle image (0x01) differ.
std::string ConfigWithHeating(const TempFolder& folder) {
  orvane::test::WriteText(folder / "settings.ini",
                          "[.Default\\Software\\Orvane\\Port]\r\nActChauffe=1\r\n");
  return folder.Path();
}

class PulsesProcess {
 public:
  PulsesProcess(const std::string& config, const std::vector<std::string>& arguments) {
    pid_ = fork();
    if (pid_ == 0) {
      rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);  // the killed child leaves no core file
      setenv("ORVANE_CONFIG_DIR", config.c_str(), 1);
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      std::vector<char*> argv{const_cast<char*>(ORVANE_CLI), const_cast<char*>("pulses")};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(ORVANE_CLI, argv.data());
      _exit(127);
    }
  }
  ~PulsesProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  void Signal(int number) { kill(pid_, number); }
  // The exit status, or nothing when the process is still there after `limit`.
  std::optional<int> Wait(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

bool WaitForLines(const std::string& path, size_t count) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    if (CountLines(path) >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(OrvaneCliPulses, ReportsTheTimingAndRecordsEveryWrite) {
  TempFolder folder;
  const std::string recording = folder / "run.txt";
  const std::string command = "ORVANE_CONFIG_DIR=" + ConfigWithHeating(folder) + " " + ORVANE_CLI +
                              " pulses --period 200 --ticks 300 --duty 25 --record " + recording +
                              " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ASSERT_EQ(pclose(pipe), 0) << output;
  EXPECT_THAT(output, HasSubstr("Port parallèle virtuel"));
  EXPECT_THAT(output, HasSubstr("Ticks joués            : 300\n"));
  EXPECT_THAT(output, HasSubstr("Période nominale       : 200.000 µs\n"));
  EXPECT_THAT(output, HasSubstr("Octets joués           : 0x55 x 300\n"));

  const auto lines = ReadRecording(recording);
  ASSERT_EQ(lines.size(), 4 + 2 * 300u);
  // At rest first (data 0, the idle image), as after a run killed with -9.
  EXPECT_EQ(lines[0].ns, 0);
  EXPECT_EQ(lines[0].reg, 0);
  EXPECT_EQ(lines[0].value, 0);
  EXPECT_EQ(lines[1].reg, 2);
  EXPECT_EQ(lines[1].value, 1);
  EXPECT_EQ(lines[2].reg, 2);
  EXPECT_EQ(lines[2].value, 3);  // heating on before the first tick
  EXPECT_EQ(lines.back().reg, 2);
  EXPECT_EQ(lines.back().value, 1);  // and off after the last
  for (size_t i = 3; i + 1 < lines.size(); ++i) {
    EXPECT_EQ(lines[i].reg, 0);
    EXPECT_EQ(lines[i].value, i % 2 ? 0x55 : 0) << i;
    EXPECT_GE(lines[i].ns, lines[i - 1].ns);
    if (i % 2 == 0) {
      EXPECT_GE(lines[i].ns - lines[i - 1].ns, 50000) << "high " << i;
    } else if (i > 3) {
      EXPECT_GE(lines[i].ns - lines[i - 2].ns, 200000) << "no tick before its deadline " << i;
    }
  }
}

// Without the right to real time the run says so, with the limit to raise,
// and plays all the same.
TEST(OrvaneCliPulses, SaysWhenRealTimeIsRefused) {
  TempFolder folder;
  // Root keeps real time whatever its limits: the capabilities go too.
  const std::string refuse =
      std::string(geteuid() == 0 ? "setpriv --bounding-set=-sys_nice,-ipc_lock -- " : "") +
      "prlimit --rtprio=0 --memlock=0 -- ";
  const std::string command = "ORVANE_CONFIG_DIR=" + ConfigWithHeating(folder) + " " + refuse +
                              ORVANE_CLI + " pulses --period 100 --ticks 200 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ASSERT_EQ(pclose(pipe), 0) << output;
  std::ifstream runtime("/proc/sys/kernel/sched_rt_runtime_us");
  long long rtRuntime = 0;
  runtime >> rtRuntime;
  if (sysconf(_SC_NPROCESSORS_ONLN) < 2) {
    EXPECT_THAT(output, HasSubstr("Un seul processeur"));
  } else if (rtRuntime >= 0) {
    // A kernel that would stop the busy wait for part of every second.
    EXPECT_THAT(output, HasSubstr("Priorité temps réel non demandée"));
    EXPECT_THAT(output, HasSubstr("kernel.sched_rt_runtime_us à -1 et la limite rtprio"));
    EXPECT_THAT(output, HasSubstr("Mémoire non verrouillée : augmentez la limite memlock."));
  } else {
    EXPECT_THAT(output, HasSubstr("Priorité temps réel et verrouillage de la mémoire refusés"));
    EXPECT_THAT(output, HasSubstr("Augmentez les limites rtprio et memlock"));
  }
  EXPECT_THAT(output, HasSubstr("Ticks joués            : 200\n"));
}

TEST(OrvaneCliPulses, RefusesImpossibleValuesAndUnwritableRecordings) {
  TempFolder folder;
  const std::string env = "ORVANE_CONFIG_DIR=" + ConfigWithHeating(folder) + " ";
  auto status = [&](const std::string& arguments) {
    const std::string command = env + ORVANE_CLI + " pulses " + arguments + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
  };
  EXPECT_EQ(status("--period 0"), 2);
  EXPECT_EQ(status("--period 100 --ticks -5"), 2);
  EXPECT_EQ(status("--period 100 --duty 100"), 2);
  EXPECT_EQ(status("--ticks 10"), 2);
  EXPECT_EQ(status("--period 100 --ticks 10 --record " + folder.Path() + "absent/run.txt"), 1);
}

struct SignalCase {
  const char* name;
  int number;
};

// Every signal whose default action ends a process (all but SIGKILL, which
// nothing can catch, and the next start rests the port).
TEST(OrvaneCliPulses, EverySignalThatEndsTheProcessLeavesTheHeatingOffInTheRecording) {
  const SignalCase cases[] = {
      {"SIGHUP", SIGHUP},     {"SIGINT", SIGINT},     {"SIGQUIT", SIGQUIT},
      {"SIGILL", SIGILL},     {"SIGTRAP", SIGTRAP},   {"SIGABRT", SIGABRT},
      {"SIGBUS", SIGBUS},     {"SIGFPE", SIGFPE},     {"SIGUSR1", SIGUSR1},
      {"SIGSEGV", SIGSEGV},   {"SIGUSR2", SIGUSR2},   {"SIGPIPE", SIGPIPE},
      {"SIGALRM", SIGALRM},   {"SIGTERM", SIGTERM},   {"SIGSTKFLT", SIGSTKFLT},
      {"SIGXCPU", SIGXCPU},   {"SIGXFSZ", SIGXFSZ},   {"SIGVTALRM", SIGVTALRM},
      {"SIGPROF", SIGPROF},   {"SIGPOLL", SIGPOLL},   {"SIGPWR", SIGPWR},
      {"SIGSYS", SIGSYS},     {"SIGRTMIN", SIGRTMIN}, {"SIGRTMIN+7", SIGRTMIN + 7},
      {"SIGRTMAX", SIGRTMAX},
  };
  for (const SignalCase& c : cases) {
    TempFolder folder;
    const std::string recording = folder / "run.txt";
    PulsesProcess process(ConfigWithHeating(folder),
                          {"--period", "200", "--ticks", "10000000", "--record", recording});
    ASSERT_TRUE(WaitForLines(recording, 2000)) << c.name;
    process.Signal(c.number);
    const auto status = process.Wait(std::chrono::seconds(20));
    ASSERT_TRUE(status.has_value()) << c.name << ": still running";
    // It dies of the signal, as it would have without the guard.
    EXPECT_TRUE(WIFSIGNALED(*status)) << c.name;
    EXPECT_EQ(WTERMSIG(*status), c.number) << c.name;

    const auto lines = ReadRecording(recording);
    std::vector<int> control;
    for (const Line& line : lines) {
      if (line.reg == 2) control.push_back(line.value);
    }
    // At rest, heating, then at rest: the signal's idle image is the last.
    EXPECT_THAT(control, ::testing::ElementsAre(1, 3, 1)) << c.name;
    EXPECT_LT(lines.size(), 2 + 2 * 10000000u) << c.name;
  }
}

}  // namespace
