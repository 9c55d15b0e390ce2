#pragma once
// The motor tests of the parameters window: one motor, or both motors of an
// axis pair, moved over the test distance with the values the motors page
// shows, on the step links through the pulse engine or as a four-line
// program on the USB board; and the speed the move really reached.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/machine/axis_positions.h"
#include "core/machine/manual_move.h"
#include "core/machine/manual_run.h"

namespace orvane {

class BoardRunObserver;
struct BoardLink;
struct MachineSettings;

// The twelve test buttons in the order of the page; the first of each pair
// moves against the axis's direction setting, the second with it, as the
// pad of manual control does.
inline constexpr std::array<PadButton, 12> kMotorTestButtons = {
    PadButton::TestX1G, PadButton::TestX1D, PadButton::TestX2G, PadButton::TestX2D,
    PadButton::TestY1H, PadButton::TestY1B, PadButton::TestY2H, PadButton::TestY2B,
    PadButton::TestXG,  PadButton::TestXD,  PadButton::TestYH,  PadButton::TestYB,
};

// The step and period edits of the motors page as they stand, saved or not.
struct MotorEdits {
  std::array<uint16_t, kAxisCount> stepsPerMm{};
  std::array<int32_t, kAxisCount> periodUs{};
};
MotorEdits StoredMotorEdits(const MachineSettings& settings);

struct MotorTestOptions {
  uint32_t distanceMm = 10;
  bool workingSpeed = false;     // "Usinage"; "Rapide" otherwise
  bool heating = false;          // "Chauffe du fil" "Active": counts at working speed only
  bool progressiveStop = false;  // "Arrêt" "Progressif"
};

// What a test runs with: steps and periods from the edits, everything else
// (directions, slots, speeds, outputs) from memory. A direction box counts
// only once its page is saved, and manual control's inversions do not apply.
MachineSettings MotorTestSettings(const MachineSettings& settings, const MotorEdits& edits);

// The move of a test button: N = d x steps per mm (the integer mean of the
// two for a pair), one shared pattern, the period and steps per mm of the
// move (means for a pair).
JogMove PlanMotorTest(const MachineSettings& testSettings, PadButton button, uint32_t distanceMm);

// Why the test cannot run: a value the move would divide by, or on the USB
// link a board that has not answered. Empty when it can.
std::string MotorTestRefusal(const MachineSettings& testSettings, const JogMove& move);
inline constexpr char kNoBoardForTestMessage[] =
    "Essai impossible : la carte Keldrino n'a pas répondu. Vérifiez le port et la connexion USB, "
    "puis cliquez sur TEST (page Ports E/S).";

enum class MotorTestEnd {
  Completed,  // every step made and, on the board, confirmed
  Stopped,    // the space bar, a signal or the board's switch
  Failed,     // the port, the engine or the board failed; `message` says why
};

struct MotorTestResult {
  MotorTestEnd end = MotorTestEnd::Failed;
  uint64_t stepsMade = 0;  // on the step links
  // From the first step to the end of the move, on the monotonic clock.
  int64_t elapsedMicroseconds = 0;
  std::string message;  // to show when not empty
};

// The step links. `setup` brings the clock, keys, guard, output, positions
// and the test settings; the heating follows the options (and the pre-heat
// on the parallel port), the ramp comes from `PlanRamp`, the space bar stops
// at once or decelerates over the ramp, and the guard rests at the end.
MotorTestResult RunStepMotorTest(const ManualRunSetup& setup, const JogMove& move,
                                 const MotorTestOptions& options, ManualRunView& view);

// The USB board: feed, start point, target and end as one program with the
// options' heating and stop flags. The board's report gives only the stop;
// the output levels then go back and every position is 0 again. Every wait
// is bounded. `link.settings` are the test settings.
MotorTestResult RunBoardMotorTest(BoardLink& link, BoardRunObserver& observer, const JogMove& move,
                                  const MotorTestOptions& options);

// The value of "Vitesse moyenne constatée" in mm/sec, "%.2f" with a comma;
// nothing for a test that did not run to its end or took no time.
std::optional<std::string> MeasuredSpeedText(uint32_t distanceMm, const MotorTestResult& result);

}  // namespace orvane
