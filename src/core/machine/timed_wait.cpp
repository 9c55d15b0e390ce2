#include "core/machine/timed_wait.h"

#include <cstdint>

#include "core/app/host_services.h"

namespace orvane {

namespace {
constexpr int64_t kBlinkMicroseconds = 500000;
}

bool TimedWait(Clock& clock, int seconds, const std::function<void()>& look,
               const std::function<bool()>& stopped, const std::function<void(bool)>& show) {
  const int64_t perUs = clock.TicksPerMicrosecond();
  const int64_t start = clock.Counter();
  const int64_t end = start + int64_t(seconds) * 1000000 * perUs;
  bool visible = true;
  if (show) show(true);
  for (;;) {
    look();
    if (stopped()) return false;
    const int64_t now = clock.Counter();
    if (now >= end) return true;
    const bool blink = ((now - start) / (kBlinkMicroseconds * perUs)) % 2 == 0;
    if (show && blink != visible) show(visible = blink);
  }
}

}  // namespace orvane
