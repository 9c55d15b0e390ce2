#include "core/machine/cut_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

// A cut whose tick count is a multiple of 65,536 leaves no low bits to plan
// with: its bar moves every 1,000 ticks instead (25 × 40).
constexpr uint64_t kFallbackN = 40;

// The rate is measured over the last 5 s of play, and only once 1 s has been
// played since the last start: a shorter span says more about the moment
// the progress was looked at than about the speed.
constexpr int64_t kRateWindowMicroseconds = 5000000;
constexpr int64_t kShortestMeasureMicroseconds = 1000000;
constexpr size_t kMostSamples = 4096;

uint64_t RemainingSeconds(int percent, uint64_t duration) {
  const uint64_t done = static_cast<uint64_t>(percent) * duration / 100;
  return duration > done ? duration - done : 0;
}

// A bar of 100 steps at `percent`.
ProgressView PercentProgress(int percent, uint64_t durationSeconds) {
  ProgressView view;
  view.percent = percent;
  view.position = static_cast<uint64_t>(percent);
  view.remainingSeconds = RemainingSeconds(percent, durationSeconds);
  return view;
}

}  // namespace

ProgressPlan PlanProgress(uint64_t tickCount) {
  ProgressPlan plan;
  plan.ticks = tickCount;
  uint64_t s = tickCount & 0xFFFF;
  while (s > 2000) s -= 1000;
  if (s == 0) {
    plan.n = kFallbackN;
  } else {
    plan.n = static_cast<uint64_t>(RoundHalfEven(static_cast<double>(tickCount) / double(s)));
    if (plan.n == 0) plan.n = 1;  // fewer ticks than s ÷ 2
  }
  plan.maximum = tickCount / plan.n;
  plan.interval = 25 * plan.n;
  return plan;
}

ProgressView ProgressAt(const ProgressPlan& plan, uint64_t ticksPlayed, uint64_t durationSeconds) {
  ProgressView view;
  if (plan.interval == 0) return view;
  view.position = std::min(ticksPlayed / plan.interval * 25, plan.maximum);
  if (plan.maximum > 0) {
    view.percent = static_cast<int>(
        RoundHalfEven(100.0 / static_cast<double>(plan.maximum) * double(view.position)));
  } else if (ticksPlayed > 0) {
    view.percent = 100;
  }
  view.percent = std::clamp(view.percent, 0, 100);
  view.remainingSeconds = RemainingSeconds(view.percent, durationSeconds);
  return view;
}

ProgressView LineProgressAt(uint64_t lineCount, uint64_t linesSent, uint64_t durationSeconds) {
  // The last two lines end the program; a file of two lines or fewer has
  // nothing to measure progress by and shows as done.
  if (lineCount <= 2) return PercentProgress(100, durationSeconds);
  return PercentProgress(
      static_cast<int>(std::min<uint64_t>(linesSent * 100 / (lineCount - 2), 100)),
      durationSeconds);
}

ProgressView PathProgressAt(double fraction, uint64_t durationSeconds) {
  return PercentProgress(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100), durationSeconds);
}

uint64_t RemainingTime::SecondsAt(int64_t now, uint64_t ticksPlayed) {
  const uint64_t left = ticksPlayed < ticks_ ? ticks_ - ticksPlayed : 0;
  if (!samples_.empty() && (now < samples_.back().time || ticksPlayed < samples_.back().ticks)) {
    samples_.clear();  // a clock or a count that went back: measure afresh
  }
  samples_.push_back({now, ticksPlayed});
  // The reference is the newest sample at least the window old.
  while (samples_.size() > 2 && now - samples_[1].time >= kRateWindowMicroseconds) {
    samples_.pop_front();
  }
  if (samples_.size() > kMostSamples) samples_.pop_front();
  const Sample& reference = samples_.front();
  const int64_t elapsed = now - reference.time;
  const uint64_t played = ticksPlayed - reference.ticks;
  const double microsecondsPerTick = elapsed >= kShortestMeasureMicroseconds && played > 0
                                         ? static_cast<double>(elapsed) / double(played)
                                         : static_cast<double>(period_);
  return static_cast<uint64_t>(std::llround(double(left) * microsecondsPerTick / 1e6));
}

std::string FormatDuration(uint64_t seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2llu:%.2llu:%.2llu",
                static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

int SpeedPresetMaximum(const MachineSettings& s) {
  const double mean =
      (double(s.X1speed) + double(s.Y1speed) + double(s.X2speed) + double(s.Y2speed)) / 4.0;
  return static_cast<int>(std::clamp(RoundHalfEven(mean), 0.0, 2147483647.0));
}

uint64_t EstimateDuration(const std::array<int32_t, 4>& periods, uint64_t ticks) {
  int64_t sum = 0;
  for (int32_t p : periods) sum += p;
  const int64_t mean = sum / 4;
  if (mean <= 0 || ticks == 0) return 0;
  // mean × ticks reaches past 2^32 µs (71 minutes) long before 2^64: split
  // the ticks so no product overflows.
  const uint64_t m = static_cast<uint64_t>(mean);
  const uint64_t whole = ticks / 1000000 * m;
  const uint64_t part = ticks % 1000000 * m;  // < 2^31 × 10^6
  return whole + part / 1000000 + (part % 1000000 >= 500000 ? 1 : 0);
}

SpeedPreset ComputeSpeedPreset(const MachineSettings& s, int position, int maximum,
                               uint64_t ticks) {
  SpeedPreset preset;
  preset.offset = position - maximum / 2;
  const int32_t configured[4] = {s.X1speed, s.Y1speed, s.X2speed, s.Y2speed};
  const double steps[4] = {double(s.X1step), double(s.Y1step), double(s.X2step), double(s.Y2step)};
  for (size_t i = 0; i < 4; ++i) {
    // A period can fall to nothing when the axes' speeds differ widely; the
    // shortest tick is 1 µs.
    preset.periods[i] = std::max<int32_t>(1, configured[i] + preset.offset);
    preset.speeds[i] = steps[i] > 0 ? 1000000.0 / preset.periods[i] / steps[i] : 0.0;
  }
  preset.durationSeconds = EstimateDuration(preset.periods, ticks);
  return preset;
}

LiveTrim::LiveTrim(uint32_t meanPeriod) : maximum_(meanPeriod >> 2), position_(maximum_ / 2) {}

void LiveTrim::Faster(uint64_t ticks) {
  position_ = static_cast<uint32_t>(std::min<uint64_t>(maximum_, uint64_t(position_) + ticks));
}

void LiveTrim::Slower(uint64_t ticks) {
  position_ = ticks >= position_ ? 0 : static_cast<uint32_t>(position_ - ticks);
}

std::string LiveTrim::Label() const {
  const int32_t d = 2 * std::abs(Microseconds());
  if (d == 0) return "0 µs";
  return (Centre() > position_ ? "+" : "-") + std::to_string(d) + " µs";
}

}  // namespace orvane
