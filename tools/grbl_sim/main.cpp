// orvane-grbl-sim: a simulated GRBL-class controller on a pseudo-terminal, for
// dry runs, the tests and the benchmark. Prints the device path (or links
// it) and serves until killed; its log ends with a summary line.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grbl_sim/sim_grbl.h"
#include "sim_common/sim_pty.h"

namespace {

using orvane::gsim::GrblSimOptions;
using orvane::gsim::SimGrbl;

using orvane::simpty::MonotonicSeconds;
using orvane::simpty::TerminationAsked;

int Usage() {
  std::fprintf(
      stderr,
      "usage: orvane-grbl-sim [--link CHEMIN] [--log FICHIER] [--time-factor X] [--baud N]\n"
      "       [--rx-buffer N] [--blocks N] [--axes LETTRES] [--no-opt] [--no-axes]\n"
      "       [--silent-at N] [--error-at N[:CODE]] [--alarm-at N[:CODE]]\n"
      "       [--garbage-at N] [--mute] [--start-in-alarm] [--deaf-to-unlock]\n");
  return 2;
}

bool ParseCount(const char* text, long& out) {
  return orvane::simpty::ParseCount(text, out, 10);
}

// "N" or "N:CODE".
bool ParseAt(const char* text, long& at, int& code) {
  std::string value = text;
  const size_t colon = value.find(':');
  long c = code;
  if (colon != std::string::npos) {
    if (!ParseCount(value.substr(colon + 1).c_str(), c) || c < 1 || c > 255) return false;
    value.resize(colon);
  }
  if (!ParseCount(value.c_str(), at) || at < 1) return false;
  code = int(c);
  return true;
}

struct Config {
  GrblSimOptions options;
  long baud = 115200;
  std::string link;
  std::string log;
};

bool ParseArgs(int argc, char** argv, Config& config) {
  GrblSimOptions& o = config.options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--start-in-alarm" || arg == "--deaf-to-unlock") {
      o.startInAlarm |= arg == "--start-in-alarm";
      o.deafToUnlock |= arg == "--deaf-to-unlock";
      continue;
    }
    if (arg == "--no-opt" || arg == "--no-axes" || arg == "--mute") {
      o.reportOpt &= arg != "--no-opt";
      o.reportAxes &= arg != "--no-axes";
      o.mute |= arg == "--mute";
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    long count = 0;
    if (arg == "--link") {
      config.link = value;
    } else if (arg == "--log") {
      config.log = value;
    } else if (arg == "--time-factor") {
      char* end = nullptr;
      o.timeFactor = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(o.timeFactor >= 0)) return false;
    } else if (arg == "--baud") {
      if (!ParseCount(value, config.baud)) return false;
    } else if (arg == "--rx-buffer") {
      if (!ParseCount(value, count) || count < 16 || count > 65536) return false;
      o.rxBuffer = size_t(count);
    } else if (arg == "--blocks") {
      if (!ParseCount(value, count) || count < 1 || count > 1024) return false;
      o.blockBuffer = size_t(count);
    } else if (arg == "--axes") {
      o.axes = value;
      if (o.axes.empty() || o.axes.size() > 9 ||
          o.axes.find_first_not_of("XYZABCUVW") != std::string::npos) {
        return false;
      }
    } else if (arg == "--silent-at") {
      if (!ParseCount(value, o.silentAt) || o.silentAt < 1) return false;
    } else if (arg == "--garbage-at") {
      if (!ParseCount(value, o.garbageAt) || o.garbageAt < 1) return false;
    } else if (arg == "--error-at") {
      if (!ParseAt(value, o.errorAt, o.errorCode)) return false;
    } else if (arg == "--alarm-at") {
      if (!ParseAt(value, o.alarmAt, o.alarmCode)) return false;
    } else {
      return false;
    }
  }
  return true;
}

class Server {
 public:
  Server(const Config& config, const orvane::simpty::SimPty& pty)
      : grbl_(config.options),
        pty_(pty),
        master_(pty.Master()),
        log_(pty.Log()),
        baud_(config.baud),
        start_(MonotonicSeconds()) {}

  int Run() {
    while (!TerminationAsked()) {
      pollfd p{master_, POLLIN, 0};
      const int ready = poll(&p, 1, Timeout());
      if (ready < 0 && errno != EINTR) return 1;
      if (ready > 0 && (p.revents & POLLIN)) ReadAvailable();
      grbl_.Advance(Elapsed());
      Send();
      FlushLog();
    }
    // What the program wrote before we were told to stop still counts.
    ReadAvailable();
    FlushLog();
    if (log_) std::fprintf(log_, "%.6f %s\n", Elapsed(), grbl_.Summary(Elapsed()).c_str());
    return 0;
  }

 private:
  double Elapsed() const { return MonotonicSeconds() - start_; }

  int Timeout() const {
    double wait = 0.5;
    const double next = grbl_.NextEvent(Elapsed());
    if (next >= 0) wait = std::min(wait, next);
    return static_cast<int>(wait * 1000) + 1;
  }

  void ReadAvailable() {
    uint8_t buffer[4096];
    for (;;) {
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0 && pty_.LineBaud() != baud_) {
        // Sent at another rate: what arrives is noise the controller cannot
        // read, and it answers nothing.
        if (log_) std::fprintf(log_, "%.6f GARBLED %zd\n", Elapsed(), n);
        continue;
      }
      if (n > 0) {
        grbl_.Receive(buffer, size_t(n), Elapsed());
        continue;
      }
      return;  // EAGAIN, or the program's side is closed for now
    }
  }

  void Send() {
    // Nobody reads: a serial line does not wait.
    const std::string bytes = grbl_.TakeOutput();
    orvane::simpty::WriteAll(master_, bytes.data(), bytes.size());
  }

  void FlushLog() { orvane::simpty::WriteLog(log_, grbl_.TakeLog()); }

  SimGrbl grbl_;
  const orvane::simpty::SimPty& pty_;
  int master_;
  FILE* log_;
  long baud_;
  double start_;
};

}  // namespace

int main(int argc, char** argv) {
  Config config;
  if (!ParseArgs(argc, argv, config)) return Usage();
  orvane::simpty::SimPty pty;
  // The line starts at the controller's rate: a program that does not set
  // one talks at it.
  if (!pty.Open("orvane-grbl-sim", config.link, config.log, config.baud)) return 1;
  Server server(config, pty);
  return server.Run();
}
