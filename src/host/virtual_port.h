#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/app/host_services.h"
#include "core/machine/centronic.h"

namespace orvane {

// The parallel port when no real one can be reached: a dry run that records
// every write (counter time, address, value) into a buffer allocated once, so
// recording never lengthens a tick. Without a stream the whole run stays in
// memory up to the capacity; with one, a thread of its own hands the writes
// to a sink (a text file, an analysis) and the buffer is a ring, which lets a
// cut of any length be recorded. When the ring is full the recording ends
// there and says so (`DroppedWrites`); it never skips writes silently.
class VirtualPort : public PortOutput {
 public:
  struct Write {
    uint16_t address;
    uint8_t value;
    int64_t time;  // counter value of the port's clock
  };
  using Sink = std::function<void(const Write* writes, size_t count)>;

  explicit VirtualPort(Clock* clock = nullptr, size_t capacity = 1 << 20, uint16_t base = 888);
  ~VirtualPort() override;
  VirtualPort(const VirtualPort&) = delete;
  VirtualPort& operator=(const VirtualPort&) = delete;

  void WriteByte(uint16_t address, uint8_t value) override;
  // Records the write, then waits a moment (bounded) for the stream to take
  // it, so a dying process still leaves it in the file.
  void WriteByteFromSignal(uint16_t address, uint8_t value) noexcept override;
  std::string Description() const override;

  uint16_t Base() const { return base_; }
  // The writes kept in memory (without a stream).
  std::vector<Write> Writes() const;
  uint64_t DroppedWrites() const;
  void Clear();

  // Hands every write from now on to `sink`, on a thread of its own.
  void StartStream(Sink sink);
  // Hands over what is left and stops the thread.
  void StopStream();

 private:
  struct Slot {
    int64_t time;
    // (index + 1) in the high half marks the slot written; address and value below.
    std::atomic<uint64_t> word;
  };
  void Record(uint16_t address, uint8_t value) noexcept;
  void Drain();
  uint64_t End() const;

  Clock* clock_;
  size_t capacity_;
  uint16_t base_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<uint64_t> head_{0};
  std::atomic<uint64_t> consumed_{0};
  std::atomic<uint64_t> cutAt_{UINT64_MAX};
  std::atomic<bool> streaming_{false};
  std::atomic<bool> stopStream_{false};
  std::atomic<int> drainThreadId_{0};
  Sink sink_;
  std::thread drain_;
};

// Writes a recording as text, one write per line: nanoseconds since the first
// write, register offset (0 data, 2 control), value, as decimal numbers
// separated by one blank. Lines go out straight away with write(2), so what
// was recorded survives the process being killed.
class RecordingFile {
 public:
  RecordingFile(const std::string& path, const VirtualPort& port, int64_t ticksPerMicrosecond);
  ~RecordingFile();
  bool IsOpen() const { return fd_ >= 0; }
  std::string Error() const { return error_; }
  void Append(const VirtualPort::Write* writes, size_t count);

 private:
  int fd_ = -1;
  std::string error_;
  uint16_t base_;
  int64_t perUs_;
  int64_t first_ = 0;
  bool haveFirst_ = false;
  std::vector<char> buffer_;
};

}  // namespace orvane
