#include "sim_common/sim_pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace orvane::simpty {
namespace {

volatile std::sig_atomic_t gTerminate = 0;

constexpr struct {
  long baud;
  speed_t speed;
} kSpeeds[] = {{9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
               {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};

void OnTerminate(int) {
  gTerminate = 1;
}

}  // namespace

bool TerminationAsked() {
  return gTerminate != 0;
}

double MonotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

bool ParseCount(const char* text, long& out, int base) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, base);
  if (end == text || *end != '\0' || errno != 0 || v < 0) return false;
  out = v;
  return true;
}

void WriteAll(int fd, const void* bytes, size_t size) {
  const auto* data = static_cast<const uint8_t*>(bytes);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
}

void WriteLog(FILE* log, const std::vector<std::string>& lines) {
  if (!log) return;
  for (const std::string& line : lines) std::fprintf(log, "%s\n", line.c_str());
  std::fflush(log);
}

SimPty::~SimPty() {
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  if (!link_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(link_, ignored);
  }
  if (log_) std::fclose(log_);
}

long SimPty::LineBaud() const {
  termios t{};
  if (tcgetattr(slave_, &t) != 0) return 0;
  for (const auto& s : kSpeeds) {
    if (cfgetospeed(&t) == s.speed) return s.baud;
  }
  return 0;
}

bool SimPty::SetLineBaud(long baud) {
  termios t{};
  if (tcgetattr(slave_, &t) != 0) return false;
  for (const auto& s : kSpeeds) {
    if (s.baud != baud) continue;
    cfsetispeed(&t, s.speed);
    cfsetospeed(&t, s.speed);
    return tcsetattr(slave_, TCSANOW, &t) == 0;
  }
  return false;
}

bool SimPty::Open(const char* program, const std::string& link, const std::string& log, long baud) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    std::fprintf(stderr, "%s: pas de pseudo-terminal : %s\n", program, std::strerror(errno));
    return false;
  }
  const std::string device = ptsname(master_);
  // Raw, so no byte of a packet, an override or a reset is translated.
  slave_ = open(device.c_str(), O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    std::fprintf(stderr, "%s: %s : %s\n", program, device.c_str(), std::strerror(errno));
    return false;
  }
  termios raw{};
  tcgetattr(slave_, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave_, TCSANOW, &raw);
  if (baud != 0 && !SetLineBaud(baud)) {
    std::fprintf(stderr, "%s: %ld bauds : pas une vitesse standard\n", program, baud);
    return false;
  }

  if (!log.empty()) {
    log_ = std::fopen(log.c_str(), "w");
    if (!log_) {
      std::fprintf(stderr, "%s: %s : %s\n", program, log.c_str(), std::strerror(errno));
      return false;
    }
  }
  if (!link.empty()) {
    std::error_code error;
    if (std::filesystem::is_symlink(link, error)) std::filesystem::remove(link);
    std::filesystem::create_symlink(device, link, error);
    if (error) {
      std::fprintf(stderr, "%s: %s : %s\n", program, link.c_str(), error.message().c_str());
      return false;
    }
    link_ = link;
  }

  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);

  std::printf("%s\n", link.empty() ? device.c_str() : link.c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace orvane::simpty
