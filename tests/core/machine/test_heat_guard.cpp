#include "core/machine/heat_guard.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"

namespace orvane {
namespace {

constexpr uint16_t kControl = 890;

// Keeps the last value written to the control register, whichever thread or
// handler wrote it: what the port holds.
struct LastWritePort : PortOutput {
  void WriteByte(uint16_t address, uint8_t value) override {
    if (address == kControl) last.store(value);
  }
  void WriteByteFromSignal(uint16_t address, uint8_t value) noexcept override {
    WriteByte(address, value);
  }
  std::string Description() const override { return "dernière écriture"; }
  std::atomic<int> last{-1};
};

std::atomic<uint64_t> gRested{0};

void RestFromSignal(int) {
  HeatGuard::RestActiveFromSignal();
  gRested.fetch_add(1);
}

// Heat, pause and rest in a loop while another thread signals this one as
// fast as it can, the handler resting the guard as a termination signal
// does. Whenever the guard says resting, the port must hold the idle image;
// before the fix a handler between the state and the write of `Heat` left
// the run image for good (hundreds of times in a few million calls).
TEST(HeatGuard, NoSignalInsideHeatPauseOrRestLeavesTheRunImageWhileResting) {
  MachineSettings settings;
  settings.ActChauffe = true;
  settings.ActCouple = false;  // run, pause and idle images all differ
  const ControlImages images = ComputeControlImages(settings);
  ASSERT_NE(images.RunControlImage, images.IdleControlImage);
  LastWritePort port;
  HeatGuard guard(&port, settings);

  struct sigaction action {
  }, previous{};
  action.sa_handler = RestFromSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  std::atomic<bool> done{false};
  const pthread_t target = pthread_self();
  std::thread sender([&] {
    while (!done.load()) pthread_kill(target, SIGUSR1);
  });

  gRested = 0;
  uint64_t wrong = 0, calls = 0;
  auto check = [&] {
    if (guard.Resting() && port.last.load() != images.IdleControlImage) ++wrong;
  };
  // Enough calls for thousands of signals to land among them (how many a
  // second get through depends on the machine's load).
  while (calls < 30000000 && (calls < 300000 || gRested.load() < 5000)) {
    guard.Heat(calls % 2 == 0);
    check();
    guard.Pause();
    check();
    guard.Rest();
    check();
    calls += 3;
  }
  done = true;
  sender.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(wrong, 0u) << "in " << calls << " calls, " << gRested.load() << " signals";
  EXPECT_GT(gRested.load(), 0u);
  EXPECT_EQ(port.last.load(), images.IdleControlImage);
}

}  // namespace
}  // namespace orvane
