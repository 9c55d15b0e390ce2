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
constexpr size_t kShortReportBytes = 10;
constexpr uint8_t kStrayByte = 0x07;
constexpr uint8_t kRefusedAnswer = 2;
constexpr double kGarbagePeriod = 0.002;  // one 0x00 every 2 ms

// Skips blanks; true when the end of the text (or its padding) is reached.
bool AtEnd(const std::string& text, size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
  return at == text.size();
}

// A number as the board's parser takes it: sign, digits, one point.
bool Number(const std::string& text, size_t& at, bool fraction) {
  const size_t start = at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+') && fraction) ++at;
  size_t digits = 0;
  bool point = false;
  for (; at < text.size(); ++at) {
    if (text[at] >= '0' && text[at] <= '9') {
      ++digits;
    } else if (text[at] == '.' && fraction && !point) {
      point = true;
    } else {
      break;
    }
  }
  return digits > 0 && at > start;
}

// The lines the board knows: "F<feed>", "G0"/"G1" with X Y A B each at most
// once, "M2" with an optional comment in brackets.
bool KnownLine(const std::string& text) {
  size_t at = 0;
  if (text.rfind("F", 0) == 0) {
    at = 1;
    return Number(text, at, false) && AtEnd(text, at);
  }
  if (text.rfind("M2", 0) == 0) {
    at = 2;
    if (AtEnd(text, at)) return true;
    if (text[at] != '(') return false;
    const size_t close = text.find(')', at);
    if (close == std::string::npos) return false;
    at = close + 1;
    return AtEnd(text, at);
  }
  if (text.rfind("G0", 0) != 0 && text.rfind("G1", 0) != 0) return false;
  at = 2;
  std::string seen;
  while (!AtEnd(text, at)) {
    const char letter = text[at];
    if (std::string("XYAB").find(letter) == std::string::npos ||
        seen.find(letter) != std::string::npos) {
      return false;
    }
    seen += letter;
    ++at;
    AtEnd(text, at);
    if (!Number(text, at, true)) return false;
  }
  return !seen.empty();
}

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
      if (options_.garbageAfterHello && garbageFrom_ < 0) garbageFrom_ = now;
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

std::string SimBoard::Refusal(const uint8_t* packet) const {
  const uint8_t flags = packet[0];
  const uint8_t command = packet[1];
  if (flags & (kFlagOrigin | kFlagIdentify)) return "flags of an output packet on a line";
  if ((flags & 0x10) && command != kCutLine) return "simulation flag outside a cut";
  if ((flags & 0x20) && command == kCutLine) return "progressive stop on a cut line";
  std::string text;
  size_t end = kPacketSize;
  while (end > 2 && packet[end - 1] == 0) --end;  // a short line's zero padding
  for (size_t i = 2; i < end; ++i) {
    if (packet[i] < 0x20 || packet[i] > 0x7E) return "byte that is no text";
    text += static_cast<char>(packet[i]);
  }
  if (!KnownLine(text)) return "line it does not know";
  return {};
}

void SimBoard::Line(const uint8_t* packet, double now) {
  outputFlags_ = packet[0] & 0x0F;
  const double start = std::max(now, busyUntil_);
  if (const std::string refusal = Refusal(packet); !refusal.empty()) {
    char line[96];
    std::snprintf(line, sizeof line, "%.6f ERROR refused line %ld: %s", now, lineCount_,
                  refusal.c_str());
    log_.push_back(line);
    // Not done: the board stops as on its switch and says where it is.
    busyUntil_ = start;
    Answer(start, {kRefusedAnswer});
    Answer(start, Report(true));
    return;
  }
  std::string text;
  for (size_t i = 2; i < kPacketSize && packet[i] != 0; ++i) text += static_cast<char>(packet[i]);
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
  std::vector<uint8_t> ack = {0};
  if (options_.strayAfter > 0 && lineCount_ == options_.strayAfter) ack.push_back(kStrayByte);
  Answer(busyUntil_, ack);
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
  if (options_.shortReport) out.resize(kShortReportBytes);
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
  if (garbageFrom_ >= 0) {
    const auto due = static_cast<long>((now - garbageFrom_) / kGarbagePeriod);
    for (; garbageSent_ < due; ++garbageSent_) bytes.push_back(0);
  }
  // Answers are queued in the order the board gives them; a later one never
  // overtakes an earlier one.
  while (!answers_.empty() && answers_.front().due <= now) {
    bytes.insert(bytes.end(), answers_.front().bytes.begin(), answers_.front().bytes.end());
    answers_.pop_front();
  }
  return bytes;
}

double SimBoard::NextDue(double now) const {
  double next = garbageFrom_ >= 0 ? kGarbagePeriod : -1;
  if (answers_.empty()) return next;
  const double due = std::max(0.0, answers_.front().due - now);
  return next < 0 ? due : std::min(next, due);
}

std::vector<std::string> SimBoard::TakeLog() {
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

}  // namespace orvane::sim
