#include "core/machine/board_wait.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"

namespace orvane {
namespace {

// Between two looks at the port: short enough for the stop key and a
// repaint to feel immediate, long enough not to spin the processor.
constexpr int kPollMilliseconds = 5;
// No line may claim more than this (a year), whatever its numbers say.
constexpr double kLongestLineUs = 3.15e13;

std::optional<double> AxisValue(std::string_view line, char letter) {
  const size_t at = line.find(letter);
  if (at == std::string_view::npos) return std::nullopt;
  size_t begin = at + 1;
  while (begin < line.size() && line[begin] == ' ') ++begin;
  double value = 0;
  const auto [end, error] = std::from_chars(line.data() + begin, line.data() + line.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

BoardWaitEnd WaitForBoardBytes(SerialPort& serial, Clock& clock, size_t count, int64_t limitUs,
                               WaitHost* host) {
  const int64_t deadline = clock.Counter() + limitUs * clock.TicksPerMicrosecond();
  for (;;) {
    if (serial.InputCount() >= count) return BoardWaitEnd::Answered;
    if (!serial.IsOpen()) return BoardWaitEnd::PortLost;
    if (host && host->PollStop()) return BoardWaitEnd::Stopped;
    if (clock.Counter() >= deadline) return BoardWaitEnd::TimedOut;
    serial.WaitForInput(kPollMilliseconds);
  }
}

BoardWaitEnd WaitBoardAck(SerialPort& serial, Clock& clock, int64_t limitUs, WaitHost* host,
                          uint8_t& abortFlag) {
  const BoardWaitEnd end = WaitForBoardBytes(serial, clock, 1, limitUs, host);
  if (end != BoardWaitEnd::Answered) return end;
  uint8_t answer = 0;
  if (serial.Read(&answer, 1) != 1) return BoardWaitEnd::PortLost;
  abortFlag = answer;
  return end;
}

BoardWaitEnd ReadBoardReport(SerialPort& serial, Clock& clock, int64_t limitUs, WaitHost* host,
                             BoardReport& report) {
  const BoardWaitEnd end = WaitForBoardBytes(serial, clock, kBoardReportSize, limitUs, host);
  if (end != BoardWaitEnd::Answered) return end;
  std::array<uint8_t, kBoardReportSize> bytes{};
  if (serial.Read(bytes.data(), bytes.size()) != bytes.size()) return BoardWaitEnd::PortLost;
  report = DecodeBoardReport(bytes);
  // A byte more means the 16 were not the report, or not all of it: one
  // stray byte earlier shifts every position.
  if (WaitForBoardBytes(serial, clock, 1, kBoardReportSettleUs, nullptr) ==
          BoardWaitEnd::Answered ||
      !report.wellFormed) {
    DrainAnswers(serial);
    return BoardWaitEnd::Garbled;
  }
  return end;
}

size_t DrainAnswers(SerialPort& serial) {
  size_t drained = 0;
  uint8_t buffer[64];
  // Bounded by what is waiting now: a board that never stops talking cannot
  // hold the program here.
  for (size_t waiting = serial.InputCount(); waiting > 0 && drained < (1u << 20);
       waiting = serial.InputCount()) {
    const size_t n = serial.Read(buffer, std::min(waiting, sizeof buffer));
    if (n == 0) break;
    drained += n;
  }
  return drained;
}

void ApplyBoardReport(const BoardReport& report, AxisPositions& positions, uint8_t& abortFlag) {
  positions.Set(report.steps);
  // A stop the board already answered keeps its own code.
  if (report.stopped && abortFlag == 0) abortFlag = 1;
}

int64_t PreheatLimitUs(const MachineSettings& settings, uint8_t boardPreheatSeconds) {
  const uint8_t seconds = std::max(settings.PreChauffe, boardPreheatSeconds);
  return int64_t(seconds) * 1'000'000 + kBoardAnswerMarginUs;
}

BoardLineTimer::BoardLineTimer(const MachineSettings& settings, double slackMm)
    : feedMmPerMin_(std::max(1.0, settings.Vmin * 60)), slackMm_(std::max(0.0, slackMm)) {}

int64_t BoardLineTimer::LineMicroseconds(std::string_view line) {
  if (line.starts_with("F")) {
    unsigned feed = 0;
    std::from_chars(line.data() + 1, line.data() + line.size(), feed);
    feedMmPerMin_ = std::max(1.0, double(feed));
    return 0;
  }
  if (!line.starts_with("G0") && !line.starts_with("G1")) return 0;
  std::array<double, 4> target = last_.value_or(std::array<double, 4>{});
  const char letters[4] = {'X', 'Y', 'A', 'B'};
  for (size_t k = 0; k < 4; ++k) {
    if (auto v = AxisValue(line.substr(2), letters[k])) target[k] = *v;
  }
  const std::array<double, 4> from = last_.value_or(std::array<double, 4>{});
  double squared = 0;
  for (size_t k = 0; k < 4; ++k) squared += (target[k] - from[k]) * (target[k] - from[k]);
  double length = std::sqrt(squared);
  // Before the first move the machine may be anywhere within the slack.
  if (!last_) length += slackMm_;
  last_ = target;
  const double us = length / feedMmPerMin_ * 60e6;
  return static_cast<int64_t>(std::min(us, kLongestLineUs));
}

double DistanceFromOriginMm(const MachineSettings& s, const std::array<int64_t, 4>& steps) {
  const uint16_t perMm[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
  double squared = 0;
  for (size_t k = 0; k < 4; ++k) {
    const double mm = double(steps[k]) / std::max<uint16_t>(perMm[k], 1);
    squared += mm * mm;
  }
  return std::sqrt(squared);
}

BoardIdentifyResult IdentifyBoard(SerialPort& serial, Clock& clock, MachineSettings& settings) {
  serial.SetParams(SerialSelectorParams(settings));
  serial.Open();
  BoardIdentifyResult result;
  if (serial.IsOpen()) {
    serial.ClearBuffer(true, false);
    SendBoardPacket(serial, OutputTestPressFlags(settings), kBoardApply);
    const BoardWaitEnd end = WaitForBoardBytes(serial, clock, kBoardIdentificationSize,
                                               kBoardIdentificationWaitUs, nullptr);
    if (end == BoardWaitEnd::Answered) {
      std::array<uint8_t, kBoardIdentificationSize> bytes{};
      const size_t got = serial.Read(bytes.data(), bytes.size());
      result.board = DecodeBoardIdentification(std::span<const uint8_t>(bytes.data(), got));
    } else {
      // A partial block is never read as a whole one, now or later.
      serial.ClearBuffer(true, false);
    }
  }
  settings.BoardPresent = result.board.has_value();
  result.lines = BoardIdentificationLines(result.board, settings);
  return result;
}

void ReleaseOutputTest(SerialPort& serial, const MachineSettings& settings) {
  // Not only when a board answered: one that answered late, or that holds no
  // parameters yet (zero steps), switched its outputs on the request all the same.
  if (serial.IsOpen()) SendBoardPacket(serial, OutputTestReleaseFlags(settings), kBoardApply);
}

}  // namespace orvane
