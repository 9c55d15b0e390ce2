#pragma once

#include <QSerialPort>

#include "core/machine/serial_link.h"

namespace orvane {

// The serial-port layer over Qt SerialPort. Port names are Linux names
// ("ttyS0", "ttyUSB0") or full paths ("/dev/pts/3").
class QtSerialPort : public SerialPort {
 public:
  QtSerialPort();
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  size_t InputCount() override;
  void ClearBuffer(bool input, bool output) override;
  void Write(const uint8_t* data, size_t count) override;
  void WriteStr(std::string_view text) override;
  size_t Read(uint8_t* data, size_t count) override;
  void WaitForInput(int milliseconds) override;
  SerialParams Params() const override { return params_; }
  void SetParams(const SerialParams& params) override;
  std::string OpenError() const override { return openError_; }

 private:
  void Apply();
  // Closes the port when its device went away, so nothing waits on it.
  void CloseIfLost();

  QSerialPort port_;
  SerialParams params_;
  std::string openError_;
};

}  // namespace orvane
