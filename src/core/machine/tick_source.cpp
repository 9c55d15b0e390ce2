#include "core/machine/tick_source.h"

#include <algorithm>
#include <stdexcept>

#include "core/common/text_number.h"

namespace orvane {

bool FixedPatternSource::Next(Tick& tick) {
  if (remaining_ == 0) return false;
  --remaining_;
  tick = {pattern_, split_.highUs, split_.lowUs};
  return true;
}

StepFileSource::StepFileSource(const std::string& path, PulseSplit split)
    : in_(path, std::ios::binary), split_(split) {
  if (!in_) return;
  in_.seekg(0, std::ios::end);
  const auto end = in_.tellg();
  size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
  in_.seekg(0, std::ios::beg);
}

bool StepFileSource::Next(Tick& tick) {
  if (next_ == filled_) {
    if (!in_.is_open() || in_.eof()) return false;
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    if (in_.bad()) throw std::runtime_error("Lecture du fichier de découpe impossible");
    filled_ = static_cast<size_t>(in_.gcount());
    next_ = 0;
    if (filled_ == 0) return false;
  }
  tick = {static_cast<uint8_t>(buffer_[next_++]), split_.highUs, split_.lowUs};
  return true;
}

RampMoveSource::RampMoveSource(uint8_t pattern, uint32_t totalSteps, const RampPlan& plan,
                               bool progressiveStop)
    : pattern_(pattern),
      total_(totalSteps),
      ramp_(plan.rampSteps),
      dHigh_(plan.dHigh),
      dLow_(plan.dLow),
      high_(plan.start.highUs),
      low_(plan.start.lowUs),
      progressive_(progressiveStop) {}

namespace {
uint32_t WholeMicroseconds(double value) {
  return value > 0 ? static_cast<uint32_t>(RoundHalfEven(value)) : 0;
}
}  // namespace

bool RampMoveSource::Next(Tick& tick) {
  // The change after step i is made when step i + 1 is asked for, so that a
  // stop seen in between already counts for it.
  const uint32_t i = emitted_;
  if (i > 0) {
    if (i <= ramp_) high_ -= dHigh_, low_ -= dLow_;
    if (i >= total_ - ramp_) high_ += dHigh_, low_ += dLow_;
  }
  if (i >= total_) return false;
  ++emitted_;
  tick = {pattern_, WholeMicroseconds(high_), WholeMicroseconds(low_)};
  return true;
}

bool RampMoveSource::StopNow(uint64_t ticksPlayed) {
  if (!progressive_) return true;
  const auto i = static_cast<uint32_t>(std::min<uint64_t>(ticksPlayed, total_));
  ramp_ = std::min(ramp_, i);
  if (i < total_ - ramp_) total_ = ramp_ + i;
  // The tick already taken from this source (step i + 1) is played; one past
  // the new end would be too many.
  return emitted_ > total_;
}

}  // namespace orvane
