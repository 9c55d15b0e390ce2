// orvane-board-sim: a simulated Keldrino board on a pseudo-terminal, for dry
// runs and for the tests. Prints the device path (or links it) and serves
// until killed.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board_sim/sim_board.h"
#include "sim_common/sim_pty.h"

namespace {

using orvane::sim::kPacketSize;
using orvane::sim::SimBoard;
using orvane::sim::SimOptions;

using orvane::simpty::MonotonicSeconds;
using orvane::simpty::TerminationAsked;

int Usage() {
  std::fprintf(stderr,
               "usage: orvane-board-sim [--link CHEMIN] [--log FICHIER] [--speed X]\n"
               "       [--stop-at N] [--silent-at N] [--disconnect-at N] [--hello 0xNN]\n"
               "       [--short-ident] [--garbage-after-hello] [--stray-after N]\n"
               "       [--short-report] [--preheat SECONDES]\n");
  return 2;
}

bool ParseNumber(const char* text, double& out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || v < 0) return false;
  out = v;
  return true;
}

bool ParseCount(const char* text, long& out) {
  return orvane::simpty::ParseCount(text, out, 0);
}

struct Config {
  SimOptions options;
  std::string link;
  std::string log;
};

bool ParseArgs(int argc, char** argv, Config& config) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--short-ident" || arg == "--garbage-after-hello" || arg == "--short-report") {
      config.options.shortIdent |= arg == "--short-ident";
      config.options.garbageAfterHello |= arg == "--garbage-after-hello";
      config.options.shortReport |= arg == "--short-report";
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    long count = 0;
    if (arg == "--link") {
      config.link = value;
    } else if (arg == "--log") {
      config.log = value;
    } else if (arg == "--speed") {
      if (!ParseNumber(value, config.options.speed)) return false;
    } else if (arg == "--stop-at") {
      if (!ParseCount(value, config.options.stopAt)) return false;
    } else if (arg == "--silent-at") {
      if (!ParseCount(value, config.options.silentAt)) return false;
    } else if (arg == "--disconnect-at") {
      if (!ParseCount(value, config.options.disconnectAt)) return false;
    } else if (arg == "--stray-after") {
      if (!ParseCount(value, config.options.strayAfter)) return false;
    } else if (arg == "--preheat") {
      if (!ParseCount(value, count) || count > 0xFF) return false;
      config.options.preheat = count;
    } else if (arg == "--hello") {
      if (!ParseCount(value, count) || count > 0xFF) return false;
      config.options.hello = static_cast<uint8_t>(count);
    } else {
      return false;
    }
  }
  return true;
}

class Simulator {
 public:
  Simulator(const Config& config, int master, FILE* log)
      : board_(config.options), master_(master), log_(log), start_(MonotonicSeconds()) {}

  // Serves until terminated or disconnected; returns the exit status.
  int Run() {
    while (!TerminationAsked()) {
      pollfd p{master_, POLLIN, 0};
      const int ready = poll(&p, 1, Timeout());
      if (ready < 0 && errno != EINTR) return 1;
      if (ready > 0 && (p.revents & POLLIN) && !ReadAvailable()) return 0;
      if (disconnected_) return 0;
      SendDue();
    }
    // What the program wrote before we were told to stop still gets logged.
    ReadAvailable();
    if (!pending_.empty()) board_.FramingError(pending_.size(), Elapsed());
    FlushLog();
    return 0;
  }

 private:
  double Elapsed() const { return MonotonicSeconds() - start_; }

  int Timeout() const {
    double wait = 1.0;
    const double due = board_.NextDue(Elapsed());
    if (due >= 0) wait = std::min(wait, due);
    return static_cast<int>(wait * 1000) + 1;
  }

  // False when the line is gone.
  bool ReadAvailable() {
    uint8_t buffer[4096];
    for (;;) {
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0) {
        // A partial packet waits for the rest, however long: a board with
        // fixed framing takes the next bytes as its end.
        pending_.insert(pending_.end(), buffer, buffer + n);
        Packets();
        if (disconnected_) return true;
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
      return false;
    }
  }

  void Packets() {
    size_t at = 0;
    while (pending_.size() - at >= kPacketSize) {
      if (board_.Receive(pending_.data() + at, Elapsed()) == SimBoard::Action::Disconnect) {
        FlushLog();
        disconnected_ = true;
        return;
      }
      at += kPacketSize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(at));
    FlushLog();
  }

  void SendDue() {
    // Nobody reads (the program closed its side): a board's line does not
    // wait, the bytes are lost.
    const std::vector<uint8_t> bytes = board_.TakeDue(Elapsed());
    orvane::simpty::WriteAll(master_, bytes.data(), bytes.size());
  }

  void FlushLog() { orvane::simpty::WriteLog(log_, board_.TakeLog()); }

  SimBoard board_;
  int master_;
  FILE* log_;
  double start_;
  std::vector<uint8_t> pending_;
  bool disconnected_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Config config;
  if (!ParseArgs(argc, argv, config)) return Usage();
  orvane::simpty::SimPty pty;
  if (!pty.Open("orvane-board-sim", config.link, config.log)) return 1;
  Simulator simulator(config, pty.Master(), pty.Log());
  return simulator.Run();
}
