#include "host/termios_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "core/common/text_number.h"

namespace orvane {
namespace {

// More than this waiting unread is not an answer any more: the rest stays
// with the system.
constexpr size_t kInputLimit = 1 << 16;
// How often a waiting write looks at the stop request.
constexpr int kSliceMs = 1;

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

template <typename T, size_t N>
T Lookup(const std::pair<int64_t, T> (&table)[N], const std::string& text, T otherwise) {
  const std::optional<int64_t> value = ParseInteger(text);
  for (const auto& [number, setting] : table) {
    if (value == number) return setting;
  }
  return otherwise;
}

constexpr std::pair<int64_t, speed_t> kSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},    {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},  {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
constexpr std::pair<int64_t, tcflag_t> kDataBits[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

std::string DevicePath(const std::string& name) {
  return name.find('/') == std::string::npos ? "/dev/" + name : name;
}

}  // namespace

TermiosSerialPort::~TermiosSerialPort() {
  Close();
}

void TermiosSerialPort::Open() {
  if (fd_ >= 0) return;
  input_.clear();
  writeError_.clear();
  // A rate the line cannot be set to would leave it at another one, and every
  // byte garbled.
  if (!Lookup(kSpeeds, params_.baudRate, speed_t(0))) {
    std::string rates;
    for (const auto& [number, setting] : kSpeeds) {
      rates += (rates.empty() ? "" : ", ") + std::to_string(number);
    }
    openError_ = "vitesse de " + params_.baudRate + " bauds impossible (possibles : " + rates + ")";
    return;
  }
  const std::string path = DevicePath(params_.port);
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENXIO || error == ENODEV) {
      openError_ = "absent";
    } else if (error == EACCES || error == EPERM || error == EBUSY) {
      openError_ =
          "accès refusé ou port occupé ; l'utilisateur doit appartenir au groupe « dialout »";
    } else {
      openError_ = std::strerror(error);
    }
    return;
  }
  if (!Configure()) {
    close(fd_);
    fd_ = -1;
    openError_ = "ce n'est pas un port série";
    return;
  }
  openError_.clear();
}

bool TermiosSerialPort::Configure() {
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= Lookup(kDataBits, params_.dataBits, tcflag_t(CS8));
  if (params_.parity != "None") t.c_cflag |= PARENB;
  if (params_.parity == "Odd" || params_.parity == "Mark") t.c_cflag |= PARODD;
  if (params_.parity == "Mark" || params_.parity == "Space") t.c_cflag |= CMSPAR;
  if (params_.stopBits != "1") t.c_cflag |= CSTOPB;
  if (params_.flowControl == "Hardware") t.c_cflag |= CRTSCTS;
  if (params_.flowControl == "Software") t.c_iflag |= IXON | IXOFF;
  // With O_NONBLOCK, an empty line reads as EAGAIN and only a line that went
  // away reads as end of file (VMIN 0 would make the two look alike).
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  const speed_t speed = Lookup(kSpeeds, params_.baudRate, speed_t(B9600));  // checked on opening
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
  // The board must not see DTR or RTS move (a pseudo-terminal has neither).
  int lines = TIOCM_DTR;
  if (params_.flowControl != "Hardware") lines |= TIOCM_RTS;
  ioctl(fd_, TIOCMBIC, &lines);
  return true;
}

void TermiosSerialPort::Close() {
  if (fd_ < 0) return;
  // What is still queued goes out first, within the bound; what a stuck
  // device left is dropped so closing never waits on it. (A flush with
  // nothing queued is not harmless: on a pseudo-terminal it drops what the
  // other side has not read yet.)
  const int64_t deadline = NowMs() + kWriteLimitMs;
  int queued = 0;
  while (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 && NowMs() < deadline) {
    poll(nullptr, 0, kSliceMs);
  }
  if (queued > 0) tcflush(fd_, TCOFLUSH);
  close(fd_);
  fd_ = -1;
}

void TermiosSerialPort::Lose(const std::string& reason) {
  writeError_ = reason;
  if (fd_ < 0) return;
  tcflush(fd_, TCOFLUSH);
  close(fd_);
  fd_ = -1;
}

void TermiosSerialPort::Pull() {
  uint8_t buffer[512];
  while (fd_ >= 0 && input_.size() < kInputLimit) {
    const size_t room = std::min(sizeof buffer, kInputLimit - input_.size());
    const ssize_t n = read(fd_, buffer, room);
    if (n > 0) {
      input_.insert(input_.end(), buffer, buffer + n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    // End of file or an error: the device went away (a pulled cable, a
    // closed pseudo-terminal).
    Lose(n == 0 ? "plus de périphérique" : std::strerror(errno));
  }
}

size_t TermiosSerialPort::InputCount() {
  Pull();
  // Bytes that came before the device went away are still its answer.
  return input_.size();
}

void TermiosSerialPort::WaitForInput(int milliseconds) {
  // What `input_` holds is already counted: wait for more.
  if (fd_ < 0) return;
  pollfd p{fd_, POLLIN, 0};
  poll(&p, 1, milliseconds);
  Pull();
}

void TermiosSerialPort::ClearBuffer(bool input, bool output) {
  if (input) {
    if (fd_ >= 0) tcflush(fd_, TCIFLUSH);
    Pull();
    input_.clear();
  }
  if (output && fd_ >= 0) tcflush(fd_, TCOFLUSH);
}

SerialWrite TermiosSerialPort::WriteBytes(const uint8_t* data, size_t count,
                                          const std::atomic<bool>* stop) {
  if (fd_ < 0) {
    if (writeError_.empty()) writeError_ = "port fermé";
    return SerialWrite::Failed;
  }
  size_t done = 0;
  int64_t deadline = NowMs() + kWriteLimitMs;
  while (done < count) {
    // A stop may cut a write short only before its first byte: a packet is
    // never left half sent.
    if (done == 0 && stop && stop->load(std::memory_order_acquire)) return SerialWrite::Stopped;
    if (NowMs() >= deadline) {
      // Whatever stayed queued would come before the next packet.
      tcflush(fd_, TCOFLUSH);
      writeError_ = "le périphérique ne prend plus rien";
      return SerialWrite::Failed;
    }
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued >= kMaxQueued) {
      poll(nullptr, 0, kSliceMs);
      continue;
    }
    const ssize_t n = write(fd_, data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      deadline = NowMs() + kWriteLimitMs;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, kSliceMs);
      continue;
    }
    Lose(n < 0 ? std::strerror(errno) : "écriture nulle");
    return SerialWrite::Failed;
  }
  return SerialWrite::Done;
}

size_t TermiosSerialPort::Read(uint8_t* data, size_t count) {
  Pull();
  const size_t n = std::min(count, input_.size());
  std::copy_n(input_.begin(), n, data);
  input_.erase(input_.begin(), input_.begin() + static_cast<long>(n));
  return n;
}

void TermiosSerialPort::SetParams(const SerialParams& params) {
  if (params == params_) return;
  const bool wasOpen = fd_ >= 0;
  if (wasOpen) Close();
  params_ = params;
  if (wasOpen) Open();
}

}  // namespace orvane
