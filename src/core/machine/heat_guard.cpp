#include "core/machine/heat_guard.h"

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"

namespace orvane {

std::atomic<HeatGuard*> HeatGuard::active_{nullptr};

static_assert(std::atomic<HeatGuard*>::is_always_lock_free &&
                  std::atomic<uint8_t>::is_always_lock_free &&
                  std::atomic<uint16_t>::is_always_lock_free,
              "the signal path needs lock-free atomics");

HeatGuard::HeatGuard(PortOutput* port, const MachineSettings& settings)
    : port_(port), settings_(settings) {
  Publish();
}

HeatGuard::~HeatGuard() {
  Rest();
  HeatGuard* self = this;
  active_.compare_exchange_strong(self, nullptr);
}

void HeatGuard::Publish() {
  signalAddress_.store(static_cast<uint16_t>(settings_.Port + 2), std::memory_order_relaxed);
  signalIdle_.store(ComputeControlImages(settings_).IdleControlImage, std::memory_order_release);
}

void HeatGuard::Refresh() {
  Publish();
}

void HeatGuard::Write(uint8_t value) {
  if (port_) port_->WriteByte(static_cast<uint16_t>(settings_.Port + 2), value);
}

void HeatGuard::Heat(bool heating) {
  Publish();
  active_.store(this);
  state_.store(kHeating);
  uint8_t image = ComputeControlImages(settings_).RunControlImage;
  if (!heating && settings_.ActChauffe) image ^= settings_.BitChauffe;
  Write(image);
  RestAgainIfRested();
}

bool HeatGuard::Pause() {
  uint8_t expected = kHeating;
  if (!state_.compare_exchange_strong(expected, kPaused)) return false;
  Write(PauseControlImage(ComputeControlImages(settings_), settings_));
  RestAgainIfRested();
  return true;
}

void HeatGuard::RestAgainIfRested() {
  // A signal handler (or another thread) that rested the guard between the
  // state and the write wrote the idle image before ours: the port holds
  // ours now, so the idle image goes again. After this check, a rest finds
  // the state heating and writes it itself.
  if (state_.load() != kResting) return;
  try {
    Write(ComputeControlImages(settings_).IdleControlImage);
  } catch (...) {
    // The port itself is failing: the caller's write would have thrown too.
  }
}

bool HeatGuard::Rest() noexcept {
  if (state_.exchange(kResting) == kResting) return false;
  // Computed now, from the settings as they are, not as they were at the start.
  try {
    Write(ComputeControlImages(settings_).IdleControlImage);
  } catch (...) {
    // Nothing left to try: the port itself is failing.
  }
  Publish();
  return true;
}

void HeatGuard::RestActiveFromSignal() noexcept {
  HeatGuard* guard = active_.load(std::memory_order_acquire);
  if (!guard || guard->state_.exchange(kResting) == kResting) return;
  if (guard->port_) {
    guard->port_->WriteByteFromSignal(guard->signalAddress_.load(std::memory_order_relaxed),
                                      guard->signalIdle_.load(std::memory_order_acquire));
  }
}

}  // namespace orvane
