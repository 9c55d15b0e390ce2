#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

class Clock;
class PortOutput;
struct ControlImages;
struct MachineSettings;

// The six parameters of the serial port, as the texts the store keeps.
struct SerialParams {
  std::string port = "ttyS0";
  std::string baudRate = "9600";
  std::string dataBits = "8";
  std::string parity = "None";
  std::string stopBits = "1";
  std::string flowControl = "None";
  bool operator==(const SerialParams&) const = default;
};

SerialParams SerialSelectorParams(const MachineSettings& settings);

// How a write to the serial port ended.
enum class SerialWrite {
  Done,     // every byte handed to the system
  Failed,   // the device went away or took nothing for too long: the link is lost
  Stopped,  // the stop request ended the wait first; the bytes were not sent
};

// The serial port as the link protocols use it. Opening fails silently (a
// missing board shows only through the hello and identification exchanges),
// but a write that fails or stays short is a lost link and says so: the port
// then drops what it still held, so nothing half sent precedes the next packet.
// A port whose device goes away (a pulled USB cable) closes itself, so waits
// can end at once.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  virtual void Open() = 0;  // nothing when already open
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual size_t InputCount() = 0;
  virtual void ClearBuffer(bool input, bool output) = 0;
  // Hands `count` bytes to the system within a bound; `stop`, when given, is
  // looked at while the device is slow and ends the wait early. Touches no
  // object of the window thread: the output thread writes through it.
  virtual SerialWrite WriteBytes(const uint8_t* data, size_t count,
                                 const std::atomic<bool>* stop) = 0;
  bool Write(const uint8_t* data, size_t count) {
    return WriteBytes(data, count, nullptr) == SerialWrite::Done;
  }
  bool WriteStr(std::string_view text) {
    return Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  virtual size_t Read(uint8_t* data, size_t count) = 0;
  // Blocks at most `milliseconds` for more input, so a long wait does not
  // spin; returns early when bytes arrive.
  virtual void WaitForInput(int milliseconds) { (void)milliseconds; }
  virtual SerialParams Params() const = 0;
  // Applies all six at once; an open port reopens once with the new values.
  virtual void SetParams(const SerialParams& params) = 0;
  // Why the last open failed, for the parameters window; empty when it did not.
  virtual std::string OpenError() const { return {}; }
  // Why the last write failed; empty when none has.
  virtual std::string WriteError() const { return {}; }
};

inline constexpr size_t kBoardPacketSize = 48;
using BoardPacket = std::array<uint8_t, kBoardPacketSize>;

inline constexpr uint8_t kBoardHello = 0x40;
inline constexpr uint8_t kBoardParameters = 0x01;
inline constexpr uint8_t kBoardHelloAnswer = 0xAA;
inline constexpr uint8_t kFlagSetOrigin = 0x40;

BoardPacket MakeBoardPacket(uint8_t flags, uint8_t command);
// False when the packet could not be handed whole to the system.
bool SendBoardPacket(SerialPort& serial, uint8_t flags, uint8_t command);

// Output-level flags of the USB board.
uint8_t HoldFlags(const MachineSettings& settings);
uint8_t RunFlags(const MachineSettings& settings, bool heating);
// Byte 0 of the packet that releases the hold at program end.
uint8_t ExitBoardFlags(const MachineSettings& settings);

BoardPacket BoardParametersPacket(const MachineSettings& settings);
void SendBoardParameters(SerialPort& serial, MachineSettings& settings);

// Sends one packet and waits for the board's 0xAA: 150 ms, packet, 150 ms,
// then at most 100 ms for a byte. Opens the port first when it is closed.
bool ProbeBoard(SerialPort& serial, Clock& clock, uint8_t flags, uint8_t command);

// Brings the serial link in line with the settings before they are saved:
// with the USB board, probes it when the port is closed and sends it changed
// parameters; on every link, applies the serial parameters to the port.
void AlignSerialLink(SerialPort& serial, Clock& clock, MachineSettings& settings);

// Link start-up when the project window opens, for the current `PortType`.
// Returns the control images written on the parallel port; `port` is used
// only for the parallel link.
ControlImages StartLink(MachineSettings& settings, PortOutput* port, SerialPort& serial,
                        Clock& clock);

// Program end: releases the motor hold where the settings ask for it and
// closes the serial port. Does not touch the store.
void StopLink(const MachineSettings& settings, const ControlImages& images, PortOutput* port,
              SerialPort& serial, Clock& clock);

}  // namespace orvane
