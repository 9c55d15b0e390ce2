#include "core/machine/manual_move.h"

#include <algorithm>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/machine/board_protocol.h"

namespace orvane {
namespace {

constexpr bool kX[kAxisCount] = {true, false, true, false};

struct PadShape {
  std::array<bool, kAxisCount> axes;
  // Left and up take the direction flag inverted; right and down take it as it is.
  bool xInverted, yInverted;
};

PadShape ShapeOf(PadButton button) {
  using B = PadButton;
  constexpr std::array<bool, 4> kXs{true, false, true, false}, kYs{false, true, false, true},
      kAll{true, true, true, true};
  switch (button) {
    case B::TestYH:
      return {kYs, false, true};
    case B::TestYB:
      return {kYs, false, false};
    case B::TestXG:
      return {kXs, true, false};
    case B::TestXD:
      return {kXs, false, false};
    case B::TestHG:
      return {kAll, true, true};
    case B::TestHD:
      return {kAll, false, true};
    case B::TestBG:
      return {kAll, true, false};
    case B::TestBD:
      return {kAll, false, false};
    case B::TestX1G:
      return {{true, false, false, false}, true, false};
    case B::TestX1D:
      return {{true, false, false, false}, false, false};
    case B::TestX2G:
      return {{false, false, true, false}, true, false};
    case B::TestX2D:
      return {{false, false, true, false}, false, false};
    case B::TestY1H:
      return {{false, true, false, false}, false, true};
    case B::TestY1B:
      return {{false, true, false, false}, false, false};
    case B::TestY2H:
      return {{false, false, false, true}, false, true};
    case B::TestY2B:
      return {{false, false, false, true}, false, false};
  }
  return {};
}

std::array<uint16_t, kAxisCount> StepsPerMm(const MachineSettings& s) {
  return {s.X1step, s.Y1step, s.X2step, s.Y2step};
}
std::array<int32_t, kAxisCount> Periods(const MachineSettings& s) {
  return {s.X1speed, s.Y1speed, s.X2speed, s.Y2speed};
}
std::array<uint16_t, kAxisCount> Slots(const MachineSettings& s) {
  return {s.X1io, s.Y1io, s.X2io, s.Y2io};
}
std::array<uint16_t, kAxisCount> Flags(const MachineSettings& s) {
  return {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise};
}
constexpr const char* kStepNames[kAxisCount] = {"X1step", "Y1step", "X2step", "Y2step"};
constexpr const char* kSpeedNames[kAxisCount] = {"X1speed", "Y1speed", "X2speed", "Y2speed"};

std::string ZeroSetting(const std::string& name) {
  return "Déplacement impossible : le réglage " + name +
         " vaut 0 (paramètres CNC). Corrigez-le avant de déplacer la machine.";
}

std::array<double, kAxisCount> Millimetres(const MachineSettings& s, const AxisSteps& steps) {
  const auto perMm = StepsPerMm(s);
  std::array<double, kAxisCount> mm{};
  for (size_t k = 0; k < kAxisCount; ++k) {
    mm[k] = perMm[k] == 0 ? 0.0 : double(steps[k]) / perMm[k];
  }
  return mm;
}

uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

}  // namespace

JogSpan JogSpanFor(bool ctrl, bool shift) {
  if (shift) return JogSpan::One;
  return ctrl ? JogSpan::Tenth : JogSpan::Bar;
}

JogMove PlanJog(const MachineSettings& s, PadButton button, uint32_t distanceMm, JogSpan span) {
  const PadShape shape = ShapeOf(button);
  const auto perMm = StepsPerMm(s);
  const auto periods = Periods(s);
  const auto slots = Slots(s);
  const auto flags = Flags(s);
  JogMove move;
  uint64_t steps = 0, stepsPerMm = 0;
  int64_t period = 0;
  unsigned count = 0;
  for (size_t k = 0; k < kAxisCount; ++k) {
    if (!shape.axes[k]) continue;
    move.moving[k] = true;
    const bool inverted = kX[k] ? shape.xInverted : shape.yInverted;
    uint8_t direction = static_cast<uint8_t>((flags[k] ? 1 : 0) ^ (inverted ? 1 : 0));
    if (kX[k] ? s.InvTeleX : s.InvTeleY) direction ^= 1;
    move.direction[k] = direction;
    move.pattern |= AxisPattern(static_cast<uint8_t>(slots[k]), direction);
    switch (span) {
      case JogSpan::Bar:
        steps += uint64_t(distanceMm) * perMm[k];
        break;
      case JogSpan::Tenth:
        steps += perMm[k] / 10;
        break;
      case JogSpan::One:
        steps += perMm[k];
        break;
    }
    stepsPerMm += perMm[k];
    period += periods[k];
    ++count;
  }
  move.steps = static_cast<uint32_t>(std::min<uint64_t>(steps / count, UINT32_MAX));
  move.stepsPerMm = static_cast<uint16_t>(stepsPerMm / count);
  move.periodUs = static_cast<int32_t>(period / count);
  return move;
}

std::string JogRefusal(const MachineSettings& s, const JogMove& move) {
  const auto perMm = StepsPerMm(s);
  const auto periods = Periods(s);
  for (size_t k = 0; k < kAxisCount; ++k) {
    if (!move.moving[k]) continue;
    if (perMm[k] == 0) return ZeroSetting(kStepNames[k]);
    if (periods[k] <= 0) return ZeroSetting(kSpeedNames[k]);
  }
  if (!(s.Vmin > 0)) return ZeroSetting("Vmin");
  if (s.Pente == 0) return ZeroSetting("Pente");
  if (!(s.Vmax > 0)) return ZeroSetting("Vmax");
  if (move.steps == 0) return "Déplacement trop court : aucun pas à faire.";
  return {};
}

RampPlan PlanJogRamp(const MachineSettings& s, const JogMove& move, bool workingSpeed) {
  return PlanRamp(move.steps, move.periodUs, move.stepsPerMm, ComputeVcut(s), s.Vmin, s.Vmax,
                  s.Pente, s.Periode, workingSpeed);
}

OriginReturnSource::OriginReturnSource(const MachineSettings& s, const AxisSteps& positions) {
  const auto slots = Slots(s);
  const auto flags = Flags(s);
  for (size_t k = 0; k < kAxisCount; ++k) {
    count_[k] = Magnitude(positions[k]);
    // The direction that brings the count down: the step bit alone counts
    // down an axis whose flag is 0, the pair counts down one whose flag is 1.
    const bool down = positions[k] > 0;
    const auto direction = static_cast<uint8_t>(down == (flags[k] != 0) ? 1 : 0);
    pattern_[k] = AxisPattern(static_cast<uint8_t>(slots[k]), direction);
    total_ = std::max(total_, count_[k]);
  }
  const int64_t sum = int64_t(s.X1speed) + s.Y1speed + s.X2speed + s.Y2speed;
  split_ = SplitPeriod(static_cast<uint32_t>(std::max<int64_t>(sum / 4, 0)), s.Periode);
}

bool OriginReturnSource::Next(Tick& tick) {
  if (emitted_ >= total_) return false;
  ++emitted_;
  uint8_t byte = 0;
  for (size_t k = 0; k < kAxisCount; ++k) {
    accumulator_[k] += count_[k];
    if (accumulator_[k] >= total_) {
      accumulator_[k] -= total_;
      byte |= pattern_[k];
    }
  }
  tick = {byte, split_.highUs, split_.lowUs};
  return true;
}

std::string OriginReturnRefusal(const MachineSettings& s, const AxisSteps&) {
  const int64_t sum = int64_t(s.X1speed) + s.Y1speed + s.X2speed + s.Y2speed;
  if (sum / 4 <= 0) return ZeroSetting("X1speed .. Y2speed (leur moyenne)");
  return {};
}

BoardProgramRequest BoardJogProgram(const MachineSettings& s, const AxisSteps& positions,
                                    const JogMove& move, bool workingSpeed) {
  AxisSteps target = positions;
  for (size_t k = 0; k < kAxisCount; ++k) {
    if (move.moving[k]) target[k] += move.direction[k] ? -int64_t(move.steps) : move.steps;
  }
  BoardProgramRequest request;
  request.lines = BoardMoveProgram(BoardMoveFeed(s, workingSpeed), Millimetres(s, positions),
                                   Millimetres(s, target));
  request.command = kBoardManualLine;
  request.workingSpeed = workingSpeed;
  request.progressiveStop = s.ModeArret == 0;
  return request;
}

BoardProgramRequest BoardOriginProgram(const MachineSettings& s, const AxisSteps& positions,
                                       bool workingSpeed) {
  AxisSteps negated{};
  for (size_t k = 0; k < kAxisCount; ++k) negated[k] = -positions[k];
  BoardProgramRequest request;
  request.lines = BoardMoveProgram(BoardMoveFeed(s, workingSpeed), Millimetres(s, negated), {});
  request.command = kBoardReturnLine;
  request.workingSpeed = workingSpeed;
  request.progressiveStop = s.ModeArret == 0;
  return request;
}

std::array<GuillotineStep, 2> GuillotineSequence(int number) {
  using B = PadButton;
  switch (number) {
    case 1:
      return {{{B::TestYB, true}, {B::TestYH, false}}};
    case 2:
      return {{{B::TestYH, true}, {B::TestYB, false}}};
    case 3:
      return {{{B::TestXG, true}, {B::TestXD, false}}};
    default:
      return {{{B::TestXD, true}, {B::TestXG, false}}};
  }
}

bool RunGuillotine(int number, const std::function<bool(const GuillotineStep&)>& move,
                   const std::function<bool()>& pause) {
  const auto steps = GuillotineSequence(number);
  return move(steps[0]) && pause() && move(steps[1]);
}

JogDistanceRange JogDistances(const MachineSettings& s) {
  JogDistanceRange range;
  range.maximum = std::max<uint16_t>({s.MaxX, s.MaxY, 1});
  if (range.maximum < s.DepDefaut) {
    range.depDefaut = std::max<uint16_t>(range.maximum / 2, 1);
    range.depDefautChanged = true;
  } else {
    range.depDefaut = std::max<uint16_t>(s.DepDefaut, 1);
  }
  return range;
}

std::string PositionMmText(int64_t steps, uint16_t stepsPerMm) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f", stepsPerMm == 0 ? 0.0 : double(steps) / stepsPerMm);
  return std::string(text) == "-0.0" ? "0.0" : text;
}

}  // namespace orvane
