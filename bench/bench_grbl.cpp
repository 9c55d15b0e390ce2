// Streaming to orvane-grbl-sim over a pseudo-terminal with the real link:
// lines per second with motion taking no time (the link's own ceiling), and
// at real time with short lines, the share of the run during which the
// controller's planner stood empty after the first line (`starved`, from the
// simulator's own accounting; the goal is 0). Argument: each line's duration
// in milliseconds (0: the simulator at its fastest).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/app/machine_settings.h"
#include "core/machine/grbl_link.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"

namespace {

using namespace orvane;

std::vector<std::string> Program(int lines, int lineMs) {
  std::vector<std::string> out = {"G21 G90 G93", "M3 S1000"};
  // Inverse time: F = 1 / the line's minutes; at 0 ms a feed the simulator
  // runs at once anyway.
  const double feed = lineMs > 0 ? 60000.0 / lineMs : 60000.0;
  char text[96];
  for (int i = 0; i < lines; ++i) {
    const double a = i * 0.01;
    std::snprintf(text, sizeof text, "G1 X%.3f Y%.3f Z%.3f A%.3f F%.1f", 100 * std::cos(a),
                  50 * std::sin(a), 80 * std::cos(a), 40 * std::sin(a), feed);
    out.push_back(text);
  }
  out.insert(out.end(), {"M5", "M2"});
  return out;
}

struct Sim {
  pid_t pid = -1;
  std::string device;
  std::string log;
  Sim(const std::string& logPath, double timeFactor) : log(logPath) {
    int out[2];
    if (pipe(out) != 0) return;
    const std::string factor = std::to_string(timeFactor);
    pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      execl(ORVANE_GRBL_SIM, ORVANE_GRBL_SIM, "--log", logPath.c_str(), "--time-factor",
            factor.c_str(), "--rx-buffer", "128", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') device += c;
    close(out[0]);
  }
  // Stops it and returns its summary line.
  std::string Stop() {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line)) last = line;
    return last;
  }
};

double Field(const std::string& summary, const std::string& name) {
  const size_t at = summary.find(" " + name + " ");
  return at == std::string::npos ? -1 : std::stod(summary.substr(at + name.size() + 2));
}

void BM_GrblStream(benchmark::State& state) {
  const int lineMs = static_cast<int>(state.range(0));
  const int lines = lineMs > 0 ? 1000 : 5000;
  GrblCutRequest request;
  request.lines = Program(lines, lineMs);
  MachineSettings settings;
  double starved = 0, running = 0, totalLines = 0, seconds = 0, inFlight = 0;
  for (auto _ : state) {
    Sim sim("/tmp/orvane-bench-grbl.log", lineMs > 0 ? 1.0 : 0.0);
    TermiosSerialPort serial;
    SerialParams params;
    params.port = sim.device;
    params.baudRate = "115200";
    serial.SetParams(params);
    serial.Open();
    MonotonicClock clock;
    AxisPositions positions;
    GrblLink link{serial, clock, settings, positions};
    GrblRunObserver observer;
    const int64_t start = clock.Counter();
    const GrblOpening opening = OpenGrbl(serial, clock, nullptr);
    const GrblRunOutcome outcome = RunGrblCut(request, opening, link, observer);
    seconds += double(clock.Counter() - start) / 1e9;
    serial.Close();
    const std::string summary = sim.Stop();
    if (outcome.end != GrblRunEnd::Finished) {
      state.SkipWithError(outcome.message.c_str());
      break;
    }
    starved += Field(summary, "starved");
    running += Field(summary, "running");
    totalLines += double(request.lines.size());
    inFlight = std::max(inFlight, double(outcome.maxInFlight));
  }
  state.counters["lines_per_s"] = seconds > 0 ? totalLines / seconds : 0;
  // With motion taking no time the planner is empty by definition.
  if (lineMs > 0) state.counters["starved"] = running > 0 ? starved / running : 0;
  state.counters["max_in_flight"] = inFlight;
}
BENCHMARK(BM_GrblStream)->Arg(0)->Arg(20)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
