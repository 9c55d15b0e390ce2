// orvane-cli run on cut sets that are not what their header says: refused
// before the heating goes on, or, for a step file that shrinks while it
// plays, a failed run with its message.
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "cli_harness.h"
#include "host/settings_file_store.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

struct Write {
  long long ns;
  int reg;
  int value;
};

std::vector<Write> ReadRecording(const std::string& path) {
  std::vector<Write> lines;
  std::ifstream in(path);
  Write w{};
  while (in >> w.ns >> w.reg >> w.value) lines.push_back(w);
  return lines;
}

class OrvaneCliCutSet : public OrvaneCli {
 protected:
  // 20 µs ticks; the heating automatic so the run image (0x03) and the idle
  // image (0x01) differ.
  void SetUp() override {
    OrvaneCli::SetUp();
    FileSettingsStore store(config / "settings.ini");
    MachineSettings settings;
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 20;
    settings.ActChauffe = true;
    settings.PreChauffe = 1;
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
    EXPECT_EQ(Cli("generate " + Serpentine(3) + " -o " + base).status, 0);
  }
  const std::string base = out + "/wing";
};

TEST_F(OrvaneCliCutSet, RefusesAMixedOrOutOfRangeSetBeforeHeating) {
  const std::string header = test::ReadText(base + ".ovi");
  const std::string steps = test::ReadText(base + ".ovd");
  auto lineStart = [&header](int number) {
    size_t start = 0;
    for (int i = 1; i < number; ++i) start = header.find('\n', start) + 1;
    return start;
  };
  auto line = [&](int number, const std::string& text) {
    const size_t start = lineStart(number);
    return header.substr(0, start) + text + header.substr(header.find('\r', start));
  };
  struct Case {
    const char* name;
    std::string header, steps;
    const char* says;
  } cases[] = {
      // X1 up at every tick: the same size, four times the travel.
      {"a step file of another cut", header, std::string(steps.size(), '\x03'),
       "Fichiers de découpes différentes"},
      {"a bit pair that would wrap to bits 0-1", line(38, "-9223372036854775808"), steps,
       "ligne 38"},
      {"a size that would overflow", line(6, "1e300"), steps, "ligne 6"},
      {"a header without its tick count", header.substr(0, lineStart(47)), steps,
       "46 lignes sur 48"},
  };
  for (const Case& c : cases) {
    test::WriteText(base + ".ovi", c.header);
    test::WriteText(base + ".ovd", c.steps);
    const std::string recording = work / "run.txt";
    const CliRun run = Cli("run " + base + ".ovi --record " + recording + " </dev/null");
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << c.name;
    for (const Write& w : ReadRecording(recording)) {
      EXPECT_FALSE(w.reg == 2 && w.value == 3) << c.name << ": the heating went on";
      EXPECT_FALSE(w.reg == 0 && w.value != 0) << c.name << ": a step was played";
    }
  }
}

// The file is cut short during the pre-heat: what was played is the start of
// the cut, the run says it is unfinished and the heating is off.
TEST_F(OrvaneCliCutSet, AStepFileThatShrinksDuringTheRunFails) {
  const std::string steps = test::ReadText(base + ".ovd");
  ASSERT_GT(steps.size(), 200000u);  // more than the reader's buffers ahead
  const std::string recording = work / "run.txt";
  const std::string output = work / "output.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "r", stdin);
    std::freopen(output.c_str(), "w", stdout);
    dup2(fileno(stdout), STDERR_FILENO);
    const std::string cut = base + ".ovi";
    execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--record", recording.c_str(), nullptr);
    _exit(127);
  }
  // The run image: the wire heats, the ticks have not begun.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadRecording(recording).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  fs::resize_file(base + ".ovd", 1000);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string text = test::ReadText(output);
  EXPECT_THAT(text, HasSubstr("Fichier de découpe raccourci pendant la découpe"));
  EXPECT_THAT(text, HasSubstr("sur " + std::to_string(steps.size())));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("terminée normalement")));

  const auto writes = ReadRecording(recording);
  std::string played;
  for (const Write& w : writes) {
    if (w.reg == 0) played += static_cast<char>(w.value);
  }
  std::string patterns;
  for (size_t i = 0; i < played.size(); i += 2) patterns += played[i];
  EXPECT_GE(patterns.size(), 1000u);
  EXPECT_LT(patterns.size(), steps.size());
  EXPECT_EQ(patterns, steps.substr(0, patterns.size()));
  ASSERT_FALSE(writes.empty());
  size_t last = writes.size();
  while (last > 0 && writes[last - 1].reg != 2) --last;
  ASSERT_GT(last, 0u);
  EXPECT_EQ(writes[last - 1].value, 1) << "the heating is off";
}

}  // namespace
}  // namespace orvane
