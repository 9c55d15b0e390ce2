#include "host/virtual_port.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <ctime>

#include "host/heat_signals.h"

namespace orvane {
namespace {

uint64_t Pack(uint64_t index, uint16_t address, uint8_t value) {
  return ((index + 1) << 32) | (uint64_t(address) << 8) | value;
}

bool Holds(uint64_t word, uint64_t index) {
  return (word >> 32) == ((index + 1) & 0xFFFFFFFFu);
}

int ThreadId() {
  return static_cast<int>(syscall(SYS_gettid));
}

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

VirtualPort::VirtualPort(Clock* clock, size_t capacity, uint16_t base)
    : clock_(clock),
      capacity_(capacity == 0 ? 1 : capacity),
      base_(base),
      slots_(new Slot[capacity_]) {
  for (size_t i = 0; i < capacity_; ++i) slots_[i].word.store(0, std::memory_order_relaxed);
}

VirtualPort::~VirtualPort() {
  StopStream();
}

void VirtualPort::Record(uint16_t address, uint8_t value) noexcept {
  const uint64_t index = head_.fetch_add(1, std::memory_order_acq_rel);
  if (index >= cutAt_.load(std::memory_order_acquire)) return;
  if (index - consumed_.load(std::memory_order_acquire) >= capacity_) {
    // Full: the recording ends at the first write that found no room.
    uint64_t cut = cutAt_.load(std::memory_order_relaxed);
    while (index < cut && !cutAt_.compare_exchange_weak(cut, index)) {
    }
    return;
  }
  Slot& slot = slots_[index % capacity_];
  slot.time = clock_ ? clock_->Counter() : 0;
  slot.word.store(Pack(index, address, value), std::memory_order_release);
}

void VirtualPort::WriteByte(uint16_t address, uint8_t value) {
  Record(address, value);
}

void VirtualPort::WriteByteFromSignal(uint16_t address, uint8_t value) noexcept {
  const uint64_t index = head_.load(std::memory_order_relaxed);
  Record(address, value);
  if (!streaming_.load(std::memory_order_acquire) || drainThreadId_.load() == ThreadId() ||
      index >= cutAt_.load()) {
    return;
  }
  const int64_t limit = NowNs() + 500 * 1000000LL;
  while (consumed_.load(std::memory_order_acquire) <= index && NowNs() < limit) {
  }
}

std::string VirtualPort::Description() const {
  return "Port parallèle virtuel : aucune sortie réelle (découpe à blanc)";
}

uint64_t VirtualPort::End() const {
  return std::min(head_.load(std::memory_order_acquire), cutAt_.load(std::memory_order_acquire));
}

std::vector<VirtualPort::Write> VirtualPort::Writes() const {
  std::vector<Write> out;
  const uint64_t end = std::min<uint64_t>(End(), capacity_);
  for (uint64_t i = consumed_.load(); i < end; ++i) {
    const Slot& slot = slots_[i % capacity_];
    const uint64_t word = slot.word.load(std::memory_order_acquire);
    if (!Holds(word, i)) break;
    out.push_back({static_cast<uint16_t>(word >> 8), static_cast<uint8_t>(word), slot.time});
  }
  return out;
}

uint64_t VirtualPort::DroppedWrites() const {
  const uint64_t head = head_.load(std::memory_order_acquire);
  const uint64_t cut = cutAt_.load(std::memory_order_acquire);
  return head > cut ? head - cut : 0;
}

void VirtualPort::Clear() {
  const uint64_t used = std::min<uint64_t>(head_.load(), capacity_);
  for (uint64_t i = 0; i < used; ++i) slots_[i].word.store(0, std::memory_order_relaxed);
  head_.store(0);
  consumed_.store(0);
  cutAt_.store(UINT64_MAX);
}

void VirtualPort::StartStream(Sink sink) {
  StopStream();
  sink_ = std::move(sink);
  stopStream_.store(false);
  streaming_.store(true, std::memory_order_release);
  drain_ = std::thread([this] {
    // Termination requests belong to the thread that can end the run.
    const sigset_t mask = TerminationSignalSet();
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    drainThreadId_.store(ThreadId());
    Drain();
  });
}

void VirtualPort::StopStream() {
  if (!drain_.joinable()) return;
  stopStream_.store(true, std::memory_order_release);
  drain_.join();
  streaming_.store(false, std::memory_order_release);
}

void VirtualPort::Drain() {
  // Batches keep the sink's calls few; the ring itself is the only buffer.
  constexpr size_t kBatch = 4096;
  std::vector<Write> batch;
  batch.reserve(kBatch);
  for (;;) {
    const bool last = stopStream_.load(std::memory_order_acquire);
    uint64_t next = consumed_.load(std::memory_order_relaxed);
    const uint64_t end = End();
    while (next < end) {
      const Slot& slot = slots_[next % capacity_];
      const uint64_t word = slot.word.load(std::memory_order_acquire);
      if (!Holds(word, next)) break;  // claimed, not yet written
      batch.push_back({static_cast<uint16_t>(word >> 8), static_cast<uint8_t>(word), slot.time});
      ++next;
      if (batch.size() == kBatch) {
        sink_(batch.data(), batch.size());
        batch.clear();
        consumed_.store(next, std::memory_order_release);
      }
    }
    if (!batch.empty()) {
      sink_(batch.data(), batch.size());
      batch.clear();
    }
    consumed_.store(next, std::memory_order_release);
    if (last && next >= End()) return;
    if (next == end) {
      timespec pause{0, 1000000};
      nanosleep(&pause, nullptr);
    }
  }
}

RecordingFile::RecordingFile(const std::string& path, const VirtualPort& port,
                             int64_t ticksPerMicrosecond)
    : base_(port.Base()), perUs_(ticksPerMicrosecond > 0 ? ticksPerMicrosecond : 1000) {
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) error_ = std::strerror(errno);
  buffer_.reserve(1 << 16);
}

RecordingFile::~RecordingFile() {
  if (fd_ >= 0) {
    fsync(fd_);
    close(fd_);
  }
}

void RecordingFile::Append(const VirtualPort::Write* writes, size_t count) {
  if (fd_ < 0) return;
  buffer_.clear();
  char line[64];
  for (size_t i = 0; i < count; ++i) {
    const VirtualPort::Write& w = writes[i];
    if (!haveFirst_) first_ = w.time, haveFirst_ = true;
    const int64_t ns = (w.time - first_) * 1000 / perUs_;
    char* p = std::to_chars(line, line + 24, ns).ptr;
    *p++ = ' ';
    p = std::to_chars(p, p + 8, int(w.address - base_)).ptr;
    *p++ = ' ';
    p = std::to_chars(p, p + 4, int(w.value)).ptr;
    *p++ = '\n';
    buffer_.insert(buffer_.end(), line, p);
  }
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = std::strerror(errno);
      return;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace orvane
