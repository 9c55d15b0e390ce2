// orvane-board-sim: a simulated Keldrino board on a pseudo-terminal, for dry
// runs and for the tests. Prints the device path (or links it) and serves
// until killed.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "board_sim/sim_board.h"

namespace {

using orvane::sim::kPacketSize;
using orvane::sim::SimBoard;
using orvane::sim::SimOptions;

volatile std::sig_atomic_t gTerminate = 0;

void OnTerminate(int) {
  gTerminate = 1;
}

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

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
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 0);
  if (end == text || *end != '\0' || errno != 0 || v < 0) return false;
  out = v;
  return true;
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
      : board_(config.options), master_(master), log_(log), start_(Now()) {}

  // Serves until terminated or disconnected; returns the exit status.
  int Run() {
    while (!gTerminate) {
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
  double Elapsed() const { return Now() - start_; }

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
    const std::vector<uint8_t> bytes = board_.TakeDue(Elapsed());
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        // Nobody reads (the program closed its side): a board's line does
        // not wait, the bytes are lost.
        return;
      }
    }
  }

  void FlushLog() {
    for (const std::string& line : board_.TakeLog()) {
      if (log_) std::fprintf(log_, "%s\n", line.c_str());
    }
    if (log_) std::fflush(log_);
  }

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

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::fprintf(stderr, "orvane-board-sim: pas de pseudo-terminal : %s\n", std::strerror(errno));
    return 1;
  }
  const std::string device = ptsname(master);
  // Held open so the line stays up while the program closes and reopens its
  // side, and set raw so no byte of a packet is translated.
  const int slave = open(device.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) {
    std::fprintf(stderr, "orvane-board-sim: %s : %s\n", device.c_str(), std::strerror(errno));
    return 1;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);

  FILE* log = nullptr;
  if (!config.log.empty()) {
    log = std::fopen(config.log.c_str(), "w");
    if (!log) {
      std::fprintf(stderr, "orvane-board-sim: %s : %s\n", config.log.c_str(), std::strerror(errno));
      return 1;
    }
  }
  if (!config.link.empty()) {
    std::error_code error;
    if (std::filesystem::is_symlink(config.link, error)) std::filesystem::remove(config.link);
    std::filesystem::create_symlink(device, config.link, error);
    if (error) {
      std::fprintf(stderr, "orvane-board-sim: %s : %s\n", config.link.c_str(),
                   error.message().c_str());
      return 1;
    }
  }

  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);

  std::printf("%s\n", config.link.empty() ? device.c_str() : config.link.c_str());
  std::fflush(stdout);

  Simulator simulator(config, master, log);
  const int status = simulator.Run();
  // A pulled cable: both ends of the line go away at once.
  close(master);
  close(slave);
  if (!config.link.empty()) {
    std::error_code ignored;
    std::filesystem::remove(config.link, ignored);
  }
  if (log) std::fclose(log);
  return status;
}
