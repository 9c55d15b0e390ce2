#pragma once
// Waiting on the USB board's answers. Every wait ends: when the bytes are
// there, at a limit that follows from the work asked of the board, at once
// when the port goes away, or when the user asks to stop.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine/board_protocol.h"

namespace orvane {

class AxisPositions;
class Clock;
class SerialPort;
struct MachineSettings;

// Polled while the program waits on the board: the window processes its
// pending events and reads the stop key there; the command line reads its
// terminal.
class WaitHost {
 public:
  virtual ~WaitHost() = default;
  // True when the user asks to stop.
  virtual bool PollStop() = 0;
};

enum class BoardWaitEnd {
  Answered,
  TimedOut,
  PortLost,
  Stopped,
  Garbled,  // an answer that does not fit what was asked
};

// Waits until `count` bytes are waiting, for at most `limitUs` microseconds.
// `host` may be null (short waits that need not stay responsive).
BoardWaitEnd WaitForBoardBytes(SerialPort& serial, Clock& clock, size_t count, int64_t limitUs,
                               WaitHost* host);

// One-byte answer to a line or a pre-heat, stored in `abortFlag` (0 goes on).
BoardWaitEnd WaitBoardAck(SerialPort& serial, Clock& clock, int64_t limitUs, WaitHost* host,
                          uint8_t& abortFlag);

// The 16-byte final report, decoded. Nothing is applied here. A report with
// bytes beyond its 16 (within a short pause) or an impossible status byte is
// `Garbled`.
BoardWaitEnd ReadBoardReport(SerialPort& serial, Clock& clock, int64_t limitUs, WaitHost* host,
                             BoardReport& report);

// Discards what the board sent unasked; returns how many bytes that was.
size_t DrainAnswers(SerialPort& serial);

// Sets the positions from the report and `abortFlag` when the run was stopped.
void ApplyBoardReport(const BoardReport& report, AxisPositions& positions, uint8_t& abortFlag);

// Limits of the waits, in microseconds.
inline constexpr int64_t kBoardAnswerMarginUs = 10'000'000;
inline constexpr int64_t kBoardIdentificationWaitUs = 100'000;
inline constexpr int64_t kBoardReportSettleUs = 100'000;
// The board pre-heats for the time it holds, which may not be the settings'.
int64_t PreheatLimitUs(const MachineSettings& settings, uint8_t boardPreheatSeconds);

// How long the board needs for the lines of a program: each move's length
// (over the four axes) at the feed of the last "F" line.
class BoardLineTimer {
 public:
  // `slackMm`: how far the machine may be from the first point's frame of
  // reference before the first move (its distance to the origin).
  BoardLineTimer(const MachineSettings& settings, double slackMm);
  int64_t LineMicroseconds(std::string_view line);
  // The end of the last move timed, in mm (X Y A B); none before the first.
  const std::optional<std::array<double, 4>>& LastPoint() const { return last_; }

 private:
  double feedMmPerMin_;
  double slackMm_;
  std::optional<std::array<double, 4>> last_;
};

// Distance of the machine from the origin in mm over the four axes.
double DistanceFromOriginMm(const MachineSettings& settings, const std::array<int64_t, 4>& steps);

// The output test of the ports page, pressed: applies the selectors to the
// port, asks the board for its identification and waits at most 100 ms for
// the 16 bytes. Sets `BoardPresent`. A short answer is no board.
struct BoardIdentifyResult {
  std::optional<BoardIdentification> board;
  std::vector<std::string> lines;
};
BoardIdentifyResult IdentifyBoard(SerialPort& serial, Clock& clock, MachineSettings& settings);
// Released: the output levels back to rest, whenever the port is open.
void ReleaseOutputTest(SerialPort& serial, const MachineSettings& settings);

}  // namespace orvane
