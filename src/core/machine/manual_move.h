#pragma once
// Manual control's moves, worked out before anything is sent: which axes a
// pad button moves, in which direction and how far, the return to origin,
// the guillotine sequences and the board's small programs. No I/O here.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/machine/axis_positions.h"
#include "core/machine/board_run.h"
#include "core/machine/centronic.h"
#include "core/machine/tick_source.h"

namespace orvane {

struct MachineSettings;

// The pad: both Y up and down, both X left and right, the four diagonals
// (H/B up/down then G/D left/right), then the single axes.
enum class PadButton : uint8_t {
  TestYH,
  TestYB,
  TestXG,
  TestXD,
  TestHG,
  TestHD,
  TestBG,
  TestBD,
  TestX1G,
  TestX1D,
  TestX2G,
  TestX2D,
  TestY1H,
  TestY1B,
  TestY2H,
  TestY2B,
};

// How far a pad move goes: the bar's distance, 0.1 mm (Ctrl) or 1 mm
// (Shift, which wins when both are held).
enum class JogSpan : uint8_t { Bar, Tenth, One };
JogSpan JogSpanFor(bool ctrl, bool shift);

// One pad move. Every moving axis makes `steps` steps, one per tick.
struct JogMove {
  std::array<bool, kAxisCount> moving{};
  std::array<uint8_t, kAxisCount> direction{};  // the direction bit of each moving axis
  uint32_t steps = 0;
  uint16_t stepsPerMm = 0;  // of the move: the mean of the moving axes
  int32_t periodUs = 0;     // likewise
  uint8_t pattern = 0;      // the tick byte
};
JogMove PlanJog(const MachineSettings& settings, PadButton button, uint32_t distanceMm,
                JogSpan span);

// Why the move cannot be planned: a setting the ramp would divide by, or no
// step to make. Empty when it can run.
std::string JogRefusal(const MachineSettings& settings, const JogMove& move);

// The ramp of a pad move at working or fast speed.
RampPlan PlanJogRamp(const MachineSettings& settings, const JogMove& move, bool workingSpeed);

// The return to origin on the step links: every axis towards 0 at once, its
// steps spread evenly over the ticks of the longest, at the mean period and
// without ramp. Bytes are made as they are played (no memory sized by the
// distance) with whole-number arithmetic, so each axis makes exactly its
// steps and ends at 0.
class OriginReturnSource : public TickSource {
 public:
  OriginReturnSource(const MachineSettings& settings, const AxisSteps& positions);
  bool Next(Tick& tick) override;
  uint64_t TotalTicks() const { return total_; }

 private:
  std::array<uint64_t, kAxisCount> count_{};
  std::array<uint64_t, kAxisCount> accumulator_{};
  std::array<uint8_t, kAxisCount> pattern_{};
  uint64_t total_ = 0;
  uint64_t emitted_ = 0;
  PulseSplit split_{};
};

// Why the return cannot run on the step links; empty when it can.
std::string OriginReturnRefusal(const MachineSettings& settings, const AxisSteps& positions);

// The board's programs: a pad move (command 0x02) and the return to origin
// (command 0x22), each at the speed chosen.
BoardProgramRequest BoardJogProgram(const MachineSettings& settings, const AxisSteps& positions,
                                    const JogMove& move, bool workingSpeed);
BoardProgramRequest BoardOriginProgram(const MachineSettings& settings, const AxisSteps& positions,
                                       bool workingSpeed);

// The guillotine sequences 1 to 4: a move at working speed, then the way
// back at fast speed.
struct GuillotineStep {
  PadButton button;
  bool workingSpeed;
};
std::array<GuillotineStep, 2> GuillotineSequence(int number);
inline constexpr int kGuillotinePauseSeconds = 3;

// Runs a sequence: `move` plays one step and says whether it ran to its end;
// `pause` waits between the two (the heating off) and says whether it was
// left alone. A stop anywhere skips what remains. True when both moves ran.
bool RunGuillotine(int number, const std::function<bool(const GuillotineStep&)>& move,
                   const std::function<bool()>& pause);

// The bar of jog distances: 1 .. max(`MaxX`, `MaxY`), and `DepDefaut` cut to
// half of that when it does not fit (then to be stored).
struct JogDistanceRange {
  uint16_t maximum = 1;
  uint16_t depDefaut = 1;
  bool depDefautChanged = false;
};
JogDistanceRange JogDistances(const MachineSettings& settings);

// A position in mm as the window shows it, "%.1f"; never "-0.0".
std::string PositionMmText(int64_t steps, uint16_t stepsPerMm);

}  // namespace orvane
