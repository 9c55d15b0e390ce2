#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace orvane {

// Motor axis index in the order every axis-indexed value uses.
enum class MotorAxis : uint8_t { X1 = 0, Y1 = 1, X2 = 2, Y2 = 3 };
inline constexpr size_t kAxisCount = 4;
using AxisSteps = std::array<int64_t, kAxisCount>;

// The machine position in steps, shared by the execution, manual-control and
// test windows. The pulse engine's output thread writes it while the window
// thread shows it, so every counter is a lock-free atomic; only one thread
// writes at a time. "Unknown" is the state after a run the program could not
// follow to its end (a board that stopped answering): the counters then mean
// nothing until an origin is set.
class AxisPositions {
 public:
  AxisPositions() = default;
  AxisPositions(const AxisPositions&) = delete;
  AxisPositions& operator=(const AxisPositions&) = delete;

  int64_t Get(MotorAxis axis) const { return steps_[Index(axis)].load(std::memory_order_relaxed); }
  AxisSteps Steps() const {
    AxisSteps out{};
    for (size_t i = 0; i < kAxisCount; ++i) out[i] = steps_[i].load(std::memory_order_relaxed);
    return out;
  }
  bool Known() const { return known_.load(std::memory_order_acquire); }
  // Whether every axis is at the origin (and the position is known).
  bool AtOrigin() const {
    if (!Known()) return false;
    for (const auto& s : steps_) {
      if (s.load(std::memory_order_relaxed) != 0) return false;
    }
    return true;
  }

  // A full position read back from the machine: known from now on.
  void Set(const AxisSteps& steps) {
    for (size_t i = 0; i < kAxisCount; ++i) steps_[i].store(steps[i], std::memory_order_relaxed);
    known_.store(true, std::memory_order_release);
  }
  void Set(MotorAxis axis, int64_t steps) {
    steps_[Index(axis)].store(steps, std::memory_order_relaxed);
  }
  // Setting the origin is what makes an unknown position known again.
  void SetOrigin() { Set(AxisSteps{}); }
  void MarkUnknown() { known_.store(false, std::memory_order_release); }

  // One step of one axis, from its single writer (the output thread during a
  // run): a plain load and store, cheaper than a locked add in the tick loop.
  void Move(MotorAxis axis, int64_t delta) {
    auto& s = steps_[Index(axis)];
    s.store(s.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  }

 private:
  static size_t Index(MotorAxis axis) { return static_cast<size_t>(axis); }
  std::array<std::atomic<int64_t>, kAxisCount> steps_{};
  std::atomic<bool> known_{true};
};

}  // namespace orvane
