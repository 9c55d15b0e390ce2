#include "host/qt_serial_port.h"

#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr int kWriteTimeoutMs = 2000;

QSerialPort::Parity ToParity(const std::string& text) {
  if (text == "Odd") return QSerialPort::OddParity;
  if (text == "Even") return QSerialPort::EvenParity;
  if (text == "Mark") return QSerialPort::MarkParity;
  if (text == "Space") return QSerialPort::SpaceParity;
  return QSerialPort::NoParity;
}

QSerialPort::StopBits ToStopBits(const std::string& text) {
  if (text == "1.5") return QSerialPort::OneAndHalfStop;
  if (text == "2") return QSerialPort::TwoStop;
  return QSerialPort::OneStop;
}

QSerialPort::FlowControl ToFlowControl(const std::string& text) {
  if (text == "Hardware") return QSerialPort::HardwareControl;
  if (text == "Software") return QSerialPort::SoftwareControl;
  return QSerialPort::NoFlowControl;
}

}  // namespace

QtSerialPort::QtSerialPort() {
  Apply();
}

void QtSerialPort::Apply() {
  port_.setPortName(QString::fromStdString(params_.port));
  port_.setBaudRate(static_cast<qint32>(ParseInteger(params_.baudRate).value_or(9600)));
  port_.setDataBits(static_cast<QSerialPort::DataBits>(ParseInteger(params_.dataBits).value_or(8)));
  port_.setParity(ToParity(params_.parity));
  port_.setStopBits(ToStopBits(params_.stopBits));
  port_.setFlowControl(ToFlowControl(params_.flowControl));
}

void QtSerialPort::Open() {
  if (port_.isOpen()) return;
  port_.clearError();
  if (port_.open(QIODevice::ReadWrite)) {
    openError_.clear();
    // The board must not see DTR or RTS move.
    if (params_.flowControl != "Hardware") port_.setRequestToSend(false);
    port_.setDataTerminalReady(false);
    return;
  }
  switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
      openError_ = "absent";
      break;
    case QSerialPort::PermissionError:
      openError_ =
          "accès refusé ou port occupé ; l'utilisateur doit appartenir au groupe « dialout »";
      break;
    default:
      openError_ = port_.errorString().toStdString();
      break;
  }
}

void QtSerialPort::CloseIfLost() {
  // A pulled USB cable or a closed pseudo-terminal shows as a resource error.
  const QSerialPort::SerialPortError error = port_.error();
  if (port_.isOpen() && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                         error == QSerialPort::WriteError)) {
    port_.close();
  }
}

void QtSerialPort::Close() {
  if (port_.isOpen()) port_.close();
}

size_t QtSerialPort::InputCount() {
  if (!port_.isOpen()) return 0;
  // Nothing runs the event loop here: pull what the system has received.
  port_.waitForReadyRead(0);
  const auto count = static_cast<size_t>(port_.bytesAvailable());
  CloseIfLost();
  return count;
}

void QtSerialPort::WaitForInput(int milliseconds) {
  if (!port_.isOpen()) return;
  port_.waitForReadyRead(milliseconds);
  CloseIfLost();
}

void QtSerialPort::ClearBuffer(bool input, bool output) {
  if (!port_.isOpen()) return;
  if (input) {
    port_.waitForReadyRead(0);
    port_.readAll();
  }
  QSerialPort::Directions directions;
  if (input) directions |= QSerialPort::Input;
  if (output) directions |= QSerialPort::Output;
  port_.clear(directions);
}

void QtSerialPort::Write(const uint8_t* data, size_t count) {
  if (!port_.isOpen()) return;
  port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count));
  while (port_.bytesToWrite() > 0 && port_.waitForBytesWritten(kWriteTimeoutMs)) {
  }
  CloseIfLost();
}

void QtSerialPort::WriteStr(std::string_view text) {
  Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

size_t QtSerialPort::Read(uint8_t* data, size_t count) {
  if (!port_.isOpen()) return 0;
  qint64 n = port_.read(reinterpret_cast<char*>(data), static_cast<qint64>(count));
  return n < 0 ? 0 : static_cast<size_t>(n);
}

void QtSerialPort::SetParams(const SerialParams& params) {
  if (params == params_) return;
  const bool wasOpen = port_.isOpen();
  if (wasOpen) port_.close();
  params_ = params;
  Apply();
  if (wasOpen) Open();
}

}  // namespace orvane
