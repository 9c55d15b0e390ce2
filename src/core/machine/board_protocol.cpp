#include "core/machine/board_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/cut/gcode.h"

namespace orvane {

std::optional<BoardPacket> MakeBoardLinePacket(uint8_t flags, uint8_t command,
                                               std::string_view line) {
  if (line.size() > kBoardLineLength) return std::nullopt;
  BoardPacket packet = MakeBoardPacket(flags, command);
  for (size_t i = 0; i < kBoardLineLength; ++i) {
    packet[2 + i] = i < line.size() ? static_cast<uint8_t>(line[i]) : uint8_t(' ');
  }
  return packet;
}

std::string LineTooLongMessage(size_t number, std::string_view line) {
  return "La ligne " + std::to_string(number) + " du programme est trop longue pour la carte (" +
         std::to_string(line.size()) + " caractères, " + std::to_string(kBoardLineLength) +
         " au plus) : rien n'a été envoyé.\n" + std::string(line);
}

uint8_t HoldButtonFlags(const MachineSettings& s, bool released) {
  return HoldFlags(s) ^ (released ? 3 : 0);
}

uint8_t DefineOriginFlags(const MachineSettings& s, bool released) {
  return HoldButtonFlags(s, released) | kFlagSetOrigin;
}

uint8_t ManualCloseFlags(const MachineSettings& s, bool workingSpeed) {
  return RunFlags(s, s.ActChauffe && workingSpeed);
}

uint8_t BoardStopFlags(const MachineSettings& s) {
  return RunFlags(s, s.ActChauffe);
}

uint8_t OutputTestPressFlags(const MachineSettings& s) {
  uint8_t f = s.ActChauffe ? 5 : 1;
  if (s.InvCouple) f ^= 1;
  if (s.InvChauffe) f ^= 4;
  return kFlagIdentify | f;
}

uint8_t OutputTestReleaseFlags(const MachineSettings& s) {
  uint8_t f = s.InvCouple ? 0 : 1;
  if (s.InvChauffe) f ^= 4;
  if (!s.ActCouple) f ^= 1;
  return kFlagIdentify | f;
}

uint8_t HeatingOffFlags(const MachineSettings& s) {
  return RunFlags(s, false);
}

BoardReport DecodeBoardReport(std::span<const uint8_t, kBoardReportSize> bytes) {
  BoardReport report;
  for (size_t axis = 0; axis < 4; ++axis) {
    const uint8_t* group = bytes.data() + 4 * axis;
    const int64_t magnitude = int64_t(group[1]) << 16 | int64_t(group[2]) << 8 | group[3];
    report.steps[axis] = (group[0] & 0x80) ? -magnitude : magnitude;
    if (group[0] & 0x40) report.stopped = true;
    if (group[0] & 0x3F) report.wellFormed = false;
  }
  return report;
}

std::optional<BoardIdentification> DecodeBoardIdentification(std::span<const uint8_t> bytes) {
  if (bytes.size() < kBoardIdentificationSize) return std::nullopt;
  BoardIdentification board;
  board.steps = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  if (board.steps == 0) return std::nullopt;
  board.duty = bytes[2];
  board.vminWhole = bytes[3];
  board.vminHundredths = bytes[4];
  board.slope = bytes[5];
  board.preheat = bytes[6];
  board.version = bytes[7];
  board.revision = bytes[8];
  board.serialNumber = uint32_t(bytes[9]) << 24 | uint32_t(bytes[10]) << 16 |
                       uint32_t(bytes[11]) << 8 | uint32_t(bytes[12]);
  return board;
}

namespace {

std::string Marked(bool ok, const char* label, const std::string& value) {
  return std::string(ok ? " (ok)    " : "         ") + label + value;
}

}  // namespace

std::vector<std::string> BoardIdentificationLines(const std::optional<BoardIdentification>& board,
                                                  const MachineSettings& s) {
  if (!board) {
    return {"", "               PORT COM INTROUVABLE", "",
            "           > VERIFIEZ LE NUMERO DE PORT", "           > VERIFIEZ LA CONNEXION USB"};
  }
  char number[16];
  std::snprintf(number, sizeof number, "%.6u", board->serialNumber);
  std::string title =
      std::string(number) + "   KELDRINO ver " + FormatFixed(board->version / 100.0, 2);
  if (board->revision != 0) title += " rev " + std::to_string(board->revision);

  // The start speed is compared as the board holds it, in hundredths.
  const BoardPacket mine = BoardParametersPacket(s);
  const unsigned meanSteps = (unsigned(s.X1step) + s.Y1step + s.X2step + s.Y2step) >> 2;
  const bool vminOk = board->vminWhole == mine[5] && board->vminHundredths == mine[6];
  const double vmin = board->vminWhole + board->vminHundredths / 100.0;
  return {title,
          "",
          Marked(board->steps == meanSteps,
                 "Pas par millimètre         =  ", std::to_string(board->steps)),
          Marked(board->duty == s.Periode,
                 "Rapport cyclique en %      =  ", std::to_string(board->duty)),
          Marked(vminOk, "Vitesse minimale en mm/s   =  ", FormatFixed(vmin, 2)),
          Marked(board->slope == s.Pente,
                 "Pente en degrés            =  ", std::to_string(board->slope)),
          Marked(board->preheat == s.PreChauffe,
                 "Durée de préchauffe en s   =  ", std::to_string(board->preheat))};
}

std::vector<std::string> BoardIdentificationPrompt() {
  return {" ", "                 CLIQUEZ SUR TEST", "          POUR OBTENIR LES INFORMATIONS"};
}

uint16_t BoardMoveFeed(const MachineSettings& s, bool workingSpeed) {
  // The feed is held in 16 bits: past the top it stays there, as the cut's
  // does, instead of wrapping into a crawl.
  const double feed = FeedRateMmMin(s);
  const double vcut = ComputeVcut(s);
  const double wanted = workingSpeed || vcut <= 0 ? feed : RoundHalfEven(s.Vmax / vcut * feed);
  return static_cast<uint16_t>(std::clamp(wanted, 0.0, 65535.0));
}

std::string BoardFeedLine(uint16_t feed) {
  return FormatGcodeLine("F", feed);
}

std::vector<std::string> BoardMoveProgram(uint16_t feed, const std::array<double, 4>& start,
                                          const std::array<double, 4>& target) {
  return {
      FormatGcodeLine("F", feed), FormatGcodeLine("G0", 0, start[0], start[1], start[2], start[3]),
      FormatGcodeLine("G1", 0, target[0], target[1], target[2], target[3]), FormatGcodeLine("M2")};
}

}  // namespace orvane
