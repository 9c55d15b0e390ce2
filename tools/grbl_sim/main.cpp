// orvane-grbl-sim: a simulated GRBL-class controller on a pseudo-terminal, for
// dry runs, the tests and the benchmark. Prints the device path (or links
// it) and serves until killed; its log ends with a summary line.
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

#include "grbl_sim/sim_grbl.h"

namespace {

using orvane::gsim::GrblSimOptions;
using orvane::gsim::SimGrbl;

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
               "usage: orvane-grbl-sim [--link CHEMIN] [--log FICHIER] [--time-factor X]\n"
               "       [--rx-buffer N] [--blocks N] [--axes LETTRES] [--no-opt] [--no-axes]\n"
               "       [--silent-at N] [--error-at N[:CODE]] [--alarm-at N[:CODE]]\n"
               "       [--garbage-at N] [--mute]\n");
  return 2;
}

bool ParseCount(const char* text, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < 0) return false;
  out = v;
  return true;
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
  std::string link;
  std::string log;
};

bool ParseArgs(int argc, char** argv, Config& config) {
  GrblSimOptions& o = config.options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
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
  Server(const Config& config, int master, FILE* log)
      : grbl_(config.options), master_(master), log_(log), start_(Now()) {}

  int Run() {
    while (!gTerminate) {
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
  double Elapsed() const { return Now() - start_; }

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
      if (n > 0) {
        grbl_.Receive(buffer, size_t(n), Elapsed());
        continue;
      }
      return;  // EAGAIN, or the program's side is closed for now
    }
  }

  void Send() {
    const std::string bytes = grbl_.TakeOutput();
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += size_t(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return;  // nobody reads: a serial line does not wait
      }
    }
  }

  void FlushLog() {
    for (const std::string& line : grbl_.TakeLog()) {
      if (log_) std::fprintf(log_, "%s\n", line.c_str());
    }
    if (log_) std::fflush(log_);
  }

  SimGrbl grbl_;
  int master_;
  FILE* log_;
  double start_;
};

}  // namespace

int main(int argc, char** argv) {
  Config config;
  if (!ParseArgs(argc, argv, config)) return Usage();

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::fprintf(stderr, "orvane-grbl-sim: pas de pseudo-terminal : %s\n", std::strerror(errno));
    return 1;
  }
  const std::string device = ptsname(master);
  // Held open so the line stays up between the program's runs, and raw so
  // the override bytes and the reset pass untranslated.
  const int slave = open(device.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) {
    std::fprintf(stderr, "orvane-grbl-sim: %s : %s\n", device.c_str(), std::strerror(errno));
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
      std::fprintf(stderr, "orvane-grbl-sim: %s : %s\n", config.log.c_str(), std::strerror(errno));
      return 1;
    }
  }
  if (!config.link.empty()) {
    std::error_code error;
    if (std::filesystem::is_symlink(config.link, error)) std::filesystem::remove(config.link);
    std::filesystem::create_symlink(device, config.link, error);
    if (error) {
      std::fprintf(stderr, "orvane-grbl-sim: %s : %s\n", config.link.c_str(),
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

  Server server(config, master, log);
  const int status = server.Run();
  close(master);
  close(slave);
  if (!config.link.empty()) {
    std::error_code ignored;
    std::filesystem::remove(config.link, ignored);
  }
  if (log) std::fclose(log);
  return status;
}
