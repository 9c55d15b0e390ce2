#include "board_sim/sim_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvane::sim {
namespace {

constexpr uint8_t kApply = 0x00, kParameters = 0x01, kManualLine = 0x02, kCutLine = 0x04,
                  kPreheat = 0x08, kPreheatResume = 0x18, kReturnLine = 0x22, kHello = 0x40;
constexpr uint8_t kFlagOrigin = 0x40, kFlagIdentify = 0x80;
constexpr uint8_t kFirmwareVersion = 100;  // "1.00"
constexpr uint32_t kSerialNumber = 1789;
constexpr size_t kShortIdentBytes = 7;

bool IsLine(uint8_t command) {
  return command == kManualLine || command == kCutLine || command == kReturnLine;
}

std::string Format(const char* format, double a, unsigned b, unsigned c) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return buffer;
}

std::string PayloadText(const uint8_t* packet) {
  std::string text;
  if (IsLine(packet[1])) {
    for (size_t i = 2; i < kPacketSize; ++i) {
      const uint8_t c = packet[i];
      if (c >= 0x20 && c < 0x7F && c != '\\') {
        text += static_cast<char>(c);
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        text += escaped;
      }
    }
    return text;
  }
  size_t last = kPacketSize;
  while (last > 2 && packet[last - 1] == 0) --last;
  if (last == 2) return "-";
  for (size_t i = 2; i < last; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, i == 2 ? "%02X" : " %02X", packet[i]);
    text += hex;
  }
  return text;
}

// The number after an axis letter: "X   12.500".
bool ReadAxis(const std::string& text, char letter, double& value) {
  const size_t at = text.find(letter);
  if (at == std::string::npos) return false;
  const char* start = text.c_str() + at + 1;
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  if (end == start || !std::isfinite(v)) return false;
  value = v;
  return true;
}

void PutMagnitude(std::vector<uint8_t>& out, int64_t value, bool stopped) {
  uint8_t status = stopped ? 0x40 : 0x00;
  if (value < 0) status |= 0x80;
  const uint64_t magnitude =
      std::min<uint64_t>(value < 0 ? uint64_t(-value) : uint64_t(value), 0xFFFFFF);
  out.push_back(status);
  out.push_back(static_cast<uint8_t>(magnitude >> 16));
  out.push_back(static_cast<uint8_t>(magnitude >> 8));
  out.push_back(static_cast<uint8_t>(magnitude));
}

}  // namespace

void SimBoard::Log(double now, const uint8_t* packet) {
  log_.push_back(Format("%.6f 0x%02X 0x%02X ", now, packet[0], packet[1]) + PayloadText(packet));
}

void SimBoard::FramingError(size_t count, double now) {
  char line[96];
  std::snprintf(line, sizeof line, "%.6f ERROR packet of %zu bytes, not 48", now, count);
  log_.push_back(line);
}

void SimBoard::Answer(double due, std::vector<uint8_t> bytes) {
  if (silent_) return;
  answers_.push_back({due, std::move(bytes)});
}

SimBoard::Action SimBoard::Receive(const uint8_t* packet, double now) {
  Log(now, packet);
  const uint8_t flags = packet[0];
  const uint8_t command = packet[1];
  switch (command) {
    case kApply:
      outputFlags_ = flags & 0x0F;
      if (flags & kFlagOrigin) {
        coordinates_ = {};
        positions_ = {};
      }
      if (flags & kFlagIdentify) Answer(now, Identification());
      break;
    case kParameters:
      outputFlags_ = flags & 0x0F;
      params_.steps = static_cast<uint16_t>(packet[2] << 8 | packet[3]);
      params_.duty = packet[4];
      params_.vminWhole = packet[5];
      params_.vminHundredths = packet[6];
      params_.slope = packet[7];
      params_.preheat = packet[8];
      params_.baud = packet[9];
      break;
    case kManualLine:
    case kCutLine:
    case kReturnLine:
      ++lineCount_;
      if (options_.disconnectAt > 0 && lineCount_ == options_.disconnectAt) {
        return Action::Disconnect;
      }
      if (options_.silentAt > 0 && lineCount_ == options_.silentAt) silent_ = true;
      Line(packet, now);
      break;
    case kPreheat:
    case kPreheatResume: {
      outputFlags_ = flags & 0x0F;
      const double start = std::max(now, busyUntil_);
      busyUntil_ = start + params_.preheat * options_.speed;
      Answer(busyUntil_, {0});
      break;
    }
    case kHello:
      Answer(now, {options_.hello});
      break;
    default: {
      char line[64];
      std::snprintf(line, sizeof line, "%.6f ERROR unknown command 0x%02X", now, command);
      log_.push_back(line);
      break;
    }
  }
  return Action::Continue;
}

void SimBoard::Line(const uint8_t* packet, double now) {
  outputFlags_ = packet[0] & 0x0F;
  std::string text;
  for (size_t i = 2; i < kPacketSize && packet[i] != 0; ++i) text += static_cast<char>(packet[i]);
  const double start = std::max(now, busyUntil_);
  if (options_.stopAt > 0 && lineCount_ == options_.stopAt) {
    busyUntil_ = start;
    Answer(start, {1});
    Answer(start, Report(true));
    return;
  }
  double seconds = 0;
  bool end = false;
  if (text.rfind("F", 0) == 0) {
    feed_ = std::strtod(text.c_str() + 1, nullptr);
  } else if (text.rfind("G0", 0) == 0 || text.rfind("G1", 0) == 0) {
    // In a manual program the G0 line gives the starting point; in a cut it
    // is a rapid move to the first point.
    seconds = Move(text, text[1] == '0' && packet[1] != kCutLine);
  } else if (text.rfind("M2", 0) == 0) {
    end = true;
  }
  busyUntil_ = start + seconds * options_.speed;
  Answer(busyUntil_, {0});
  if (end) Answer(busyUntil_, Report(false));
}

double SimBoard::Move(const std::string& text, bool startPoint) {
  std::array<double, 4> target = coordinates_;
  const char letters[4] = {'X', 'Y', 'A', 'B'};
  for (int k = 0; k < 4; ++k) ReadAxis(text, letters[k], target[k]);
  double squared = 0;
  for (int k = 0; k < 4; ++k)
    squared += (target[k] - coordinates_[k]) * (target[k] - coordinates_[k]);
  coordinates_ = target;
  for (int k = 0; k < 4; ++k) {
    positions_[k] = std::llround(std::clamp(target[k] * params_.steps, -1e15, 1e15));
  }
  if (startPoint || feed_ <= 0) return 0;
  return std::sqrt(squared) / feed_ * 60.0;
}

std::vector<uint8_t> SimBoard::Report(bool stopped) const {
  std::vector<uint8_t> out;
  for (int64_t p : positions_) PutMagnitude(out, p, stopped);
  return out;
}

std::vector<uint8_t> SimBoard::Identification() const {
  std::vector<uint8_t> out = {static_cast<uint8_t>(params_.steps >> 8),
                              static_cast<uint8_t>(params_.steps),
                              params_.duty,
                              params_.vminWhole,
                              params_.vminHundredths,
                              params_.slope,
                              params_.preheat,
                              kFirmwareVersion,
                              0,
                              static_cast<uint8_t>(kSerialNumber >> 24),
                              static_cast<uint8_t>(kSerialNumber >> 16),
                              static_cast<uint8_t>(kSerialNumber >> 8),
                              static_cast<uint8_t>(kSerialNumber),
                              0,
                              0,
                              0};
  if (options_.shortIdent) out.resize(kShortIdentBytes);
  return out;
}

std::vector<uint8_t> SimBoard::TakeDue(double now) {
  std::vector<uint8_t> bytes;
  // Answers are queued in the order the board gives them; a later one never
  // overtakes an earlier one.
  while (!answers_.empty() && answers_.front().due <= now) {
    bytes.insert(bytes.end(), answers_.front().bytes.begin(), answers_.front().bytes.end());
    answers_.pop_front();
  }
  return bytes;
}

double SimBoard::NextDue(double now) const {
  if (answers_.empty()) return -1;
  return std::max(0.0, answers_.front().due - now);
}

std::vector<std::string> SimBoard::TakeLog() {
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

}  // namespace orvane::sim
