#include "core/machine/serial_link.h"

#include <cmath>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"

namespace orvane {
namespace {

constexpr int kBoardPauseMs = 150;
constexpr int64_t kAnswerWaitUs = 100000;

}  // namespace

SerialParams SerialSelectorParams(const MachineSettings& s) {
  return {s.SerialPort,   s.SerialBaudRate, s.SerialDataBits,
          s.SerialParity, s.SerialStopBits, s.SerialFlowControl};
}

BoardPacket MakeBoardPacket(uint8_t flags, uint8_t command) {
  BoardPacket packet{};
  packet[0] = flags;
  packet[1] = command;
  return packet;
}

bool SendBoardPacket(SerialPort& serial, uint8_t flags, uint8_t command) {
  const BoardPacket packet = MakeBoardPacket(flags, command);
  return serial.Write(packet.data(), packet.size());
}

uint8_t HoldFlags(const MachineSettings& s) {
  uint8_t f = 1;
  if (s.ActCouple) f |= 2;
  if (s.InvCouple) f ^= 3;
  return f;
}

uint8_t RunFlags(const MachineSettings& s, bool heating) {
  uint8_t f = 1;
  if (s.ActCouple) f |= 2;
  if (heating) f |= 4;
  if (s.InvCouple) f ^= 3;
  if (s.InvChauffe) f ^= 12;
  return f;
}

uint8_t ExitBoardFlags(const MachineSettings& s) {
  uint8_t f = s.ActCouple ? 3 : 1;
  if (s.ActChauffe) f |= 4;
  if (s.InvCouple) f ^= 3;
  if (s.InvChauffe) f ^= 12;
  if (s.LibCouple) f ^= 1;
  if (s.ActCouple && s.LibCouple) f ^= 2;
  return f;
}

BoardPacket BoardParametersPacket(const MachineSettings& s) {
  BoardPacket packet = MakeBoardPacket(HoldFlags(s), kBoardParameters);
  const unsigned meanSteps = (unsigned(s.X1step) + s.Y1step + s.X2step + s.Y2step) >> 2;
  packet[2] = static_cast<uint8_t>(meanSteps >> 8);
  packet[3] = static_cast<uint8_t>(meanSteps & 0xFF);
  packet[4] = s.Periode;
  const double whole = std::floor(s.Vmin);
  packet[5] = static_cast<uint8_t>(whole);
  packet[6] = static_cast<uint8_t>(std::nearbyint((s.Vmin - whole) * 100));
  packet[7] = s.Pente;
  packet[8] = s.PreChauffe;
  // A rate outside the six the board knows is sent as 9600, its own default.
  uint8_t index = 1;
  const auto rates = BoardBaudRates();
  for (size_t i = 0; i < rates.size(); ++i) {
    if (rates[i] == s.SerialBaudRate) index = static_cast<uint8_t>(i);
  }
  packet[9] = index;
  return packet;
}

void SendBoardParameters(SerialPort& serial, MachineSettings& settings) {
  BoardPacket packet = BoardParametersPacket(settings);
  serial.Write(packet.data(), packet.size());
  settings.SerialParamsChanged = false;
}

bool ProbeBoard(SerialPort& serial, Clock& clock, uint8_t flags, uint8_t command) {
  serial.Open();
  if (!serial.IsOpen()) return false;
  clock.SleepMilliseconds(kBoardPauseMs);
  // A byte left over from before must not pass for the answer.
  serial.ClearBuffer(true, false);
  SendBoardPacket(serial, flags, command);
  clock.SleepMilliseconds(kBoardPauseMs);
  const int64_t deadline = clock.Counter() + kAnswerWaitUs * clock.TicksPerMicrosecond();
  while (serial.InputCount() < 1 && clock.Counter() < deadline) {
  }
  uint8_t answer = 0;
  if (serial.InputCount() < 1 || serial.Read(&answer, 1) != 1) return false;
  return answer == kBoardHelloAnswer;
}

void AlignSerialLink(SerialPort& serial, Clock& clock, MachineSettings& settings) {
  // Only the USB board understands packets: on the other links the port is
  // some other device (or the step mirror, where a packet would move motors).
  if (settings.PortType != 2) {
    serial.SetParams(SerialSelectorParams(settings));
    return;
  }
  if (!serial.IsOpen()) settings.BoardPresent = ProbeBoard(serial, clock, 0, kBoardHello);
  if (serial.IsOpen()) {
    if (settings.SerialParamsChanged) SendBoardParameters(serial, settings);
    clock.SleepMilliseconds(kBoardPauseMs);
    serial.ClearBuffer(true, false);
  }
  serial.SetParams(SerialSelectorParams(settings));
}

ControlImages StartLink(MachineSettings& settings, PortOutput* port, SerialPort& serial,
                        Clock& clock) {
  settings.BoardPresent = true;
  ControlImages images = ComputeControlImages(settings);
  switch (settings.PortType) {
    case 0:
      if (port) images = ParallelLinkStartUp(*port, settings);
      break;
    case 1:
      serial.Open();
      break;
    case 2:
      serial.Open();
      if (serial.IsOpen()) {
        clock.SleepMilliseconds(kBoardPauseMs);
        SendBoardPacket(serial, kFlagSetOrigin, 0x00);
      }
      settings.BoardPresent = ProbeBoard(serial, clock, HoldFlags(settings), kBoardHello);
      break;
    default:
      break;
  }
  return images;
}

void StopLink(const MachineSettings& settings, const ControlImages& images, PortOutput* port,
              SerialPort& serial, Clock& clock) {
  if (port && ReleasesHoldOnExit(settings)) {
    WritePortByte(*port, static_cast<uint16_t>(settings.Port + 2),
                  ExitControlImage(images, settings));
  }
  if (settings.PortType == 2 && settings.ActCouple && settings.LibCouple && settings.BoardPresent) {
    SendBoardPacket(serial, ExitBoardFlags(settings), 0x00);
    clock.SleepMilliseconds(kBoardPauseMs);
  }
  if (settings.PortType != 0 && settings.BoardPresent) serial.Close();
}

}  // namespace orvane
