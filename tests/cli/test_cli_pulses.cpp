// orvane-cli pulses as a process: its timing report, the port at rest before
// anything else, and the heating left off whatever signal ends it while it
// plays ticks. Each tick's period and high time are the pulse engine's tests.
#include "cli/cli_harness.h"

namespace orvane {
namespace {

class CliPulses : public OrvaneCli {
 protected:
  // Heating automatic: the run image (0x03) and the idle image (0x01) differ.
  void SetUp() override {
    OrvaneCli::SetUp();
    settings.ActChauffe = true;
    Store(settings);
  }
};

TEST_F(CliPulses, ReportsTheTimingAndPlaysEveryTickHeated) {
  const std::string recording = work / "run.txt";
  const CliRun run = Cli("pulses --period 200 --ticks 300 --duty 25 --record " + recording);
  ASSERT_EQ(run.status, 0) << run.output;
  for (const char* said :
       {"Port parallèle virtuel", "Ticks joués            : 300\n",
        "Période nominale       : 200.000 µs\n", "Octets joués           : 0x55 x 300\n"}) {
    EXPECT_THAT(run.output, HasSubstr(said));
  }
  const auto writes = AfterTheRest(test::ReadRecording(recording));
  ASSERT_EQ(writes.size(), 2 + 2 * 300u);
  // Heating on before the first tick and off after the last.
  EXPECT_TRUE(writes.front().reg == 2 && writes.back().reg == 2);
  EXPECT_THAT(test::ControlValues(writes), ::testing::ElementsAre(3, 1));
  EXPECT_EQ(TickPatterns(writes), std::string(300, '\x55'));
}

// Without the right to real time the run says so, with the limit to raise,
// and plays all the same.
TEST_F(CliPulses, SaysWhenRealTimeIsRefused) {
  // Root keeps real time whatever its limits: the capabilities go too.
  const std::string refuse =
      std::string(geteuid() == 0 ? "setpriv --bounding-set=-sys_nice,-ipc_lock -- " : "") +
      "prlimit --rtprio=0 --memlock=0 -- ";
  const CliRun run = Cli("pulses --period 100 --ticks 200", refuse);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Ticks joués            : 200\n"));
  // With two processors or more the message names the memory limit, refused
  // here; with one, real time is not asked for at all.
  EXPECT_THAT(run.output,
              ::testing::AnyOf(HasSubstr("limite memlock"), HasSubstr("limites rtprio et memlock"),
                               HasSubstr("Un seul processeur")));
}

TEST_F(CliPulses, RefusesARecordingItCannotWrite) {
  EXPECT_EQ(Cli("pulses --period 100 --ticks 10 --record " + work / "absent/run.txt").status, 1);
}

// Every signal whose default action ends a process (all but SIGKILL, which
// nothing can catch, and the next start rests the port): it dies of the
// signal, as it would have without the guard, with the heating off.
TEST_F(CliPulses, EverySignalThatEndsTheProcessLeavesTheHeatingOffInTheRecording) {
  std::vector<int> signals = {
      SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP,  SIGABRT,      SIGBUS,  SIGFPE,  SIGUSR1,
      SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,  SIGSTKFLT,    SIGXCPU, SIGXFSZ, SIGVTALRM,
      SIGPROF, SIGPOLL, SIGPWR,  SIGSYS,  SIGRTMIN, SIGRTMIN + 7, SIGRTMAX};
  for (const int number : signals) {
    const std::string name = std::to_string(number) + " " + strsignal(number);
    const std::string recording = work / ("run" + std::to_string(number));
    test::Child run(
        {ORVANE_CLI, "pulses", "--period", "200", "--ticks", "10000000", "--record", recording});
    ASSERT_TRUE(run.WaitUntil([&] { return test::ReadRecording(recording).size() >= 2000; }))
        << name;
    run.Signal(number);
    EXPECT_EQ(run.Wait(), 128 + number) << name;
    const auto writes = test::ReadRecording(recording);
    // At rest, heating, then at rest: the signal's idle image is the last.
    EXPECT_THAT(test::ControlValues(writes), ::testing::ElementsAre(1, 3, 1)) << name;
    EXPECT_TRUE(HeatingOffLast(writes)) << name;
    EXPECT_LT(writes.size(), 2 + 2 * 10000000u) << name;
  }
}

}  // namespace
}  // namespace orvane
