#pragma once
// The bytes of the USB board (Keldrino): line packets, the output levels of
// every trigger, the final report and the identification block. No I/O here.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine/serial_link.h"

namespace orvane {

struct MachineSettings;

// Commands (byte 1 of a packet).
inline constexpr uint8_t kBoardApply = 0x00;
inline constexpr uint8_t kBoardManualLine = 0x02;
inline constexpr uint8_t kBoardCutLine = 0x04;
inline constexpr uint8_t kBoardPreheat = 0x08;
inline constexpr uint8_t kBoardPreheatResume = 0x18;
inline constexpr uint8_t kBoardReturnLine = 0x22;

// Flag modifiers (byte 0).
inline constexpr uint8_t kFlagSimulation = 0x10;
inline constexpr uint8_t kFlagProgressiveStop = 0x20;
inline constexpr uint8_t kFlagIdentify = 0x80;

// The payload of a line packet: the G-code text, padded with blanks.
inline constexpr size_t kBoardLineLength = kBoardPacketSize - 2;
inline constexpr size_t kBoardReportSize = 16;
inline constexpr size_t kBoardIdentificationSize = 16;

// A whole 48-byte line packet, or nothing when the line cannot fit: a short
// packet would shift the board's framing of every packet after it.
std::optional<BoardPacket> MakeBoardLinePacket(uint8_t flags, uint8_t command,
                                               std::string_view line);
// The message that refuses such a line; `number` counts from 1.
std::string LineTooLongMessage(size_t number, std::string_view line);

// Output levels of command 0x00, one per trigger.
// "COUPLE MAINTENU" / "COUPLE LIBERE" (`released`) in manual control.
uint8_t HoldButtonFlags(const MachineSettings& settings, bool released);
// "Définir origine" in manual control.
uint8_t DefineOriginFlags(const MachineSettings& settings, bool released);
// Manual control closes.
uint8_t ManualCloseFlags(const MachineSettings& settings, bool workingSpeed);
// A cut the board stopped.
uint8_t BoardStopFlags(const MachineSettings& settings);
// The heating test of the ports page, pressed (identification request) and released.
uint8_t OutputTestPressFlags(const MachineSettings& settings);
uint8_t OutputTestReleaseFlags(const MachineSettings& settings);
// Heating off in both the running and the idle state, hold as configured:
// what every run sends when it ends on anything but its own last line.
uint8_t HeatingOffFlags(const MachineSettings& settings);

// The 16-byte report at the end of a program or after a stop.
struct BoardReport {
  std::array<int64_t, 4> steps{};  // X1 Y1 X2 Y2
  bool stopped = false;            // bit 6 in any status byte
  bool wellFormed = true;          // no status byte has a bit besides 7 and 6
};
BoardReport DecodeBoardReport(std::span<const uint8_t, kBoardReportSize> bytes);

// The 16-byte answer to an identification request.
struct BoardIdentification {
  uint16_t steps = 0;
  uint8_t duty = 0, vminWhole = 0, vminHundredths = 0, slope = 0, preheat = 0;
  uint8_t version = 0, revision = 0;
  uint32_t serialNumber = 0;
};
// Nothing when the answer is short or says that no board answered (zero steps).
std::optional<BoardIdentification> DecodeBoardIdentification(std::span<const uint8_t> bytes);
// The lines of the board information list: the board and its five
// parameters, each marked " (ok)    " when it equals the program's setting;
// or the "introuvable" lines when there is no board.
std::vector<std::string> BoardIdentificationLines(const std::optional<BoardIdentification>& board,
                                                  const MachineSettings& settings);
// What the list shows before the first test.
std::vector<std::string> BoardIdentificationPrompt();

// The feed of a manual program or motor test: the cutting feed at working
// speed, scaled to `Vmax` at fast speed.
uint16_t BoardMoveFeed(const MachineSettings& settings, bool workingSpeed);
// The feed line that replaces a cut's own.
std::string BoardFeedLine(uint16_t feed);
// The four lines of a manual program: the feed, the starting point (G0), the
// target (G1), the end. Coordinates in mm, X1 Y1 X2 Y2.
std::vector<std::string> BoardMoveProgram(uint16_t feed, const std::array<double, 4>& start,
                                          const std::array<double, 4>& target);

}  // namespace orvane
