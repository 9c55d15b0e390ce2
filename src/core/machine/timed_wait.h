#pragma once

#include <functional>

namespace orvane {

class Clock;

// Waits `seconds` on `clock`, calling `look` between two looks at the stop;
// with `show`, a panel blinks every half second (shown first, left as it is
// at the end). False when `stopped` said so before the time was up.
bool TimedWait(Clock& clock, int seconds, const std::function<void()>& look,
               const std::function<bool()>& stopped, const std::function<void(bool)>& show);

}  // namespace orvane
