#pragma once

#include <atomic>
#include <cstdint>

namespace orvane {

class PortOutput;
struct MachineSettings;

// The one owner of the parallel port's control register (wire heating and
// motor hold) during a run: a cut, a move or a test. Every way a run ends
// goes through `Rest`, which writes `IdleControlImage` exactly once, computed
// from the settings in memory at that moment, so a settings change made since
// the run started can never leave the heating on.
//
// The output thread (end of the ticks), the window thread (closing, a stop)
// and a signal handler may each end the run; whichever comes first writes the
// idle image and the others write nothing. The engine watches `Resting` so a
// run ended from outside stops at its next tick.
class HeatGuard {
 public:
  // `port` is null on a link without a control register (the serial link):
  // the guard then only keeps the state.
  HeatGuard(PortOutput* port, const MachineSettings& settings);
  ~HeatGuard();
  HeatGuard(const HeatGuard&) = delete;
  HeatGuard& operator=(const HeatGuard&) = delete;

  // `RunControlImage`; with `heating` false and `ActChauffe` set, the heating
  // bit is toggled off (fast manual moves keep the hold, not the heat).
  void Heat(bool heating = true);
  // The pause image (heating off, hold kept) while the user is asked whether
  // to resume; still armed, so every later way out rests.
  bool Pause();
  // Writes `IdleControlImage` unless already resting; true when this call wrote it.
  bool Rest() noexcept;
  bool Resting() const { return state_.load(std::memory_order_acquire) == kResting; }

  // The settings in memory changed: what a fatal signal would write follows.
  void Refresh();

  // For a fatal-signal handler: rests the guard that is heating, if any, with
  // async-signal-safe calls only.
  static void RestActiveFromSignal() noexcept;

 private:
  enum : uint8_t { kResting, kHeating, kPaused };
  void Write(uint8_t value);
  void Publish();
  void RestAgainIfRested();

  PortOutput* port_;
  const MachineSettings& settings_;
  std::atomic<uint8_t> state_{kResting};
  // What the signal path writes: kept current, since it cannot compute.
  std::atomic<uint16_t> signalAddress_{0};
  std::atomic<uint8_t> signalIdle_{0};
  static std::atomic<HeatGuard*> active_;
};

}  // namespace orvane
