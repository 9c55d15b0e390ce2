#include "grbl_sim/sim_grbl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orvane::gsim {
namespace {

constexpr char kBanner[] = "\r\nGrbl 1.1h ['$' for help]\r\n";
constexpr double kRapidMmPerMin = 2000;
constexpr double kHoldDecelerationSeconds = 0.05;
constexpr size_t kLineLimit = 79;  // the line buffer holds 80 with its end

std::string Fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

bool IsRealTime(uint8_t c) {
  return c == '?' || c == '!' || c == '~' || c == 0x18 || c >= 0x80;
}

// A number as the controller reads it: sign, digits, one point, nothing else.
bool ReadNumber(const std::string& text, size_t& at, double& value) {
  const size_t start = at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  size_t digits = 0;
  bool point = false;
  for (; at < text.size(); ++at) {
    if (text[at] >= '0' && text[at] <= '9') {
      ++digits;
    } else if (text[at] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  value = std::strtod(text.substr(start, at - start).c_str(), nullptr);
  return std::isfinite(value);
}

}  // namespace

SimGrbl::SimGrbl(const GrblSimOptions& options)
    : options_(options),
      state_(options.startInAlarm ? State::Alarm : State::Idle),
      position_(options.axes.size(), 0.0),
      silent_(options.mute) {}

void SimGrbl::Log(double now, const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.6f ", now);
  log_.push_back(stamp + text);
}

void SimGrbl::Emit(const std::string& line) {
  if (!silent_) output_ += line;
}

void SimGrbl::SetSpindle(double now, double speed, const char* why) {
  const bool was = SpindleOn();
  spindle_ = speed;
  if (speed <= 0) spindleStopOverride_ = false;
  if (was != SpindleOn() || speed > 0) {
    Log(now, SpindleOn() ? "SPINDLE on S" + Fixed(speed) : std::string("SPINDLE off ") + why);
  }
}

void SimGrbl::Receive(const uint8_t* data, size_t count, double now) {
  Advance(now);
  size_t lost = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = data[i];
    if (IsRealTime(c)) {
      RealTime(c, now);
    } else if (rx_.size() + 1 >= options_.rxBuffer) {
      ++lost;  // as on a serial line: nobody takes the byte, it is gone
    } else {
      rx_.push_back(c);
    }
  }
  if (lost > 0) {
    stats_.lostBytes += lost;
    Log(now, "LOST " + std::to_string(lost));
  }
  ProcessLines(now);
}

void SimGrbl::RealTime(uint8_t byte, double now) {
  if (byte != '?') {
    char text[16];
    std::snprintf(text, sizeof text, "RT 0x%02X", byte);
    Log(now, text);
  }
  switch (byte) {
    case '?':
      ++stats_.statusQueries;
      Emit(StatusReport() + "\r\n");
      ++reportCount_;
      break;
    case '!':
      if (state_ == State::Run || state_ == State::Idle) {
        const bool moving = state_ == State::Run;
        state_ = State::Hold;
        holdCompleteAt_ = moving && options_.timeFactor > 0 ? now + kHoldDecelerationSeconds : now;
        if (dwellUntil_ > now) {
          dwellLeft_ = dwellUntil_ - now;
          dwellUntil_ = 0;
        }
      }
      break;
    case '~':
      if (state_ == State::Hold) {
        if (spindleStopOverride_) {
          spindleStopOverride_ = false;
          Log(now, "SPINDLE on S" + Fixed(spindle_));
        }
        state_ = blocks_.empty() && dwellLeft_ <= 0 ? State::Idle : State::Run;
        if (dwellLeft_ > 0) dwellUntil_ = now + dwellLeft_, dwellLeft_ = 0;
      }
      break;
    case 0x18:
      Reset(now);
      break;
    case 0x90:
      feedOverride_ = 100;
      break;
    case 0x91:
      feedOverride_ = std::min(200, feedOverride_ + 10);
      break;
    case 0x92:
      feedOverride_ = std::max(10, feedOverride_ - 10);
      break;
    case 0x93:
      feedOverride_ = std::min(200, feedOverride_ + 1);
      break;
    case 0x94:
      feedOverride_ = std::max(10, feedOverride_ - 1);
      break;
    case 0x9E:
      // Only once the hold is complete, and only with the spindle on.
      if (state_ == State::Hold && now >= holdCompleteAt_ && spindle_ > 0) {
        spindleStopOverride_ = !spindleStopOverride_;
        Log(now, spindleStopOverride_ ? "SPINDLE off (stop override)"
                                      : "SPINDLE on S" + Fixed(spindle_));
      }
      break;
    default:
      break;  // extended characters it does not know are dropped
  }
}

void SimGrbl::Reset(double now) {
  const bool moving = (state_ == State::Run && !blocks_.empty()) ||
                      (state_ == State::Hold && now < holdCompleteAt_);
  const bool alarm = state_ == State::Alarm || moving;
  Log(now, moving ? "RESET in motion" : "RESET");
  rx_.clear();
  critical_ = false;
  blocks_.clear();
  dwellUntil_ = dwellLeft_ = 0;
  lineOverflow_ = false;
  SetSpindle(now, 0, "(reset)");
  feedOverride_ = 100;
  inverseTime_ = false;
  absolute_ = true;
  feed_ = 0;
  motionMode_ = 0;
  if (streaming_) streaming_ = false;
  if (moving) Emit("ALARM:3\r\n");
  Emit(kBanner);
  state_ = alarm ? State::Alarm : State::Idle;
  if (alarm) Emit("[MSG:'$H'|'$X' to unlock]\r\n");
}

std::string SimGrbl::StatusReport() const {
  std::string state;
  switch (state_) {
    case State::Idle:
      state = dwellUntil_ > lastNow_ ? "Run" : "Idle";
      break;
    case State::Run:
      state = "Run";
      break;
    case State::Hold:
      state = lastNow_ >= holdCompleteAt_ ? "Hold:0" : "Hold:1";
      break;
    case State::Alarm:
      state = "Alarm";
      break;
  }
  std::string out = "<" + state + "|MPos:";
  for (size_t k = 0; k < position_.size(); ++k) out += (k ? "," : "") + Fixed(position_[k]);
  out += "|FS:" + std::to_string(std::lround(state_ == State::Run ? feed_ : 0)) + "," +
         std::to_string(std::lround(SpindleOn() ? spindle_ : 0));
  if (reportCount_ % 10 == 0) {
    out += "|WCO:";
    for (size_t k = 0; k < position_.size(); ++k) out += k ? ",0.000" : "0.000";
  }
  if (SpindleOn() || feedOverride_ != 100) {
    out += "|Ov:" + std::to_string(feedOverride_) + ",100,100";
    if (SpindleOn()) out += "|A:S";
  }
  return out + ">";
}

void SimGrbl::ProcessLines(double now) {
  for (;;) {
    if (critical_) return;
    auto end =
        std::find_if(rx_.begin(), rx_.end(), [](uint8_t c) { return c == '\n' || c == '\r'; });
    if (end == rx_.end()) {
      // A line longer than the buffer: its start is taken and thrown away.
      if (rx_.size() + 1 >= options_.rxBuffer) {
        rx_.clear();
        lineOverflow_ = true;
      }
      return;
    }
    const std::string raw(rx_.begin(), end);
    if (lineOverflow_) {
      rx_.erase(rx_.begin(), end + 1);
      lineOverflow_ = false;
      Log(now, "ERROR 11 (line too long)");
      Emit("error:11\r\n");
      continue;
    }
    if (!Execute(raw, now)) return;
    rx_.erase(rx_.begin(), std::find_if(rx_.begin(), rx_.end(), [](uint8_t c) {
                             return c == '\n' || c == '\r';
                           }) + 1);
  }
}

int SimGrbl::Parse(const std::string& raw, double now) {
  (void)now;
  // Spaces and comments go, letters are taken in either case.
  std::string text;
  bool comment = false;
  for (char c : raw) {
    if (comment) {
      comment = c != ')';
      continue;
    }
    if (c == '(') {
      comment = true;
    } else if (c == ';') {
      break;
    } else if (c != ' ' && c != '\t') {
      text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  parsed_ = Command{};
  if (raw.size() > kLineLimit) return 11;
  if (text.empty()) return 0;
  // A "$" line is carried out as it arrives, whatever the planner holds.
  if (text[0] == '$') {
    parsed_.system = text;
    return 0;
  }
  std::string seen;
  int motionWords = 0, feedModeWords = 0, distanceWords = 0, spindleWords = 0;
  size_t at = 0;
  while (at < text.size()) {
    const char letter = text[at++];
    if (letter < 'A' || letter > 'Z') return 1;
    double value = 0;
    if (!ReadNumber(text, at, value)) return 2;
    const bool axis = options_.axes.find(letter) != std::string::npos;
    if (letter == 'G') {
      const int g = static_cast<int>(std::lround(value * 10));
      switch (g) {
        case 0:
        case 10:
          parsed_.motion = g / 10, ++motionWords;
          break;
        case 40:
          parsed_.dwell = true, ++motionWords;
          break;
        case 170:
        case 210:
        case 540:
          break;
        case 900:
        case 910:
          parsed_.absolute = g == 900, ++distanceWords;
          break;
        case 930:
        case 940:
          parsed_.inverseTime = g == 930, ++feedModeWords;
          break;
        default:
          return 20;
      }
    } else if (letter == 'M') {
      const int m = static_cast<int>(std::lround(value));
      if (m == 3) {
        parsed_.spindle = 1, ++spindleWords;
      } else if (m == 5) {
        parsed_.spindle = 0, ++spindleWords;
      } else if (m == 2 || m == 30) {
        parsed_.end = true;
      } else {
        return 20;
      }
    } else if (letter == 'F' || letter == 'S' || letter == 'P' || letter == 'N' || axis) {
      if (seen.find(letter) != std::string::npos) return 25;
      seen += letter;
      if (letter != 'N' && value < 0 && !axis) return 4;
      if (letter == 'F') parsed_.feed = value;
      if (letter == 'S') parsed_.speed = value;
      if (letter == 'P') parsed_.pause = value;
      if (axis)
        parsed_.words.push_back({options_.axes.find(letter), value}), parsed_.hasAxes = true;
    } else {
      return 20;
    }
  }
  if (motionWords > 1 || feedModeWords > 1 || distanceWords > 1 || spindleWords > 1) return 21;
  const bool inverse = parsed_.inverseTime.value_or(inverseTime_);
  if (parsed_.dwell) {
    if (!parsed_.pause) return 28;
    if (parsed_.hasAxes) return 24;
  } else if (parsed_.pause) {
    return 36;
  }
  const int motion = parsed_.motion.value_or(motionMode_);
  if (parsed_.hasAxes && !parsed_.dwell) {
    parsed_.move = true;
    if (motion == 1) {
      if (inverse && !parsed_.feed) return 22;
      if (!inverse && !parsed_.feed && feed_ <= 0) return 22;
      if (parsed_.feed && *parsed_.feed <= 0) return 22;
    }
  }
  parsed_.sync = parsed_.dwell || parsed_.spindle || parsed_.end;
  return 0;
}

bool SimGrbl::Execute(const std::string& raw, double now) {
  const int error = Parse(raw, now);
  const bool program = error != 0 || !parsed_.system.empty() || parsed_.move || parsed_.sync ||
                       parsed_.feed || parsed_.motion || parsed_.inverseTime || parsed_.absolute ||
                       parsed_.speed;
  // What must wait stays in the receive buffer: the planner is full, or the
  // line needs the machine at rest.
  if (error == 0 && state_ != State::Alarm) {
    if (parsed_.move && blocks_.size() >= options_.blockBuffer) return false;
    if (parsed_.sync && !Synchronized()) return false;
    if (parsed_.sync && state_ == State::Hold) return false;
  }
  ++stats_.lines;
  Log(now, "LINE " + raw);
  if (program && parsed_.system.empty() && !raw.empty()) ++programLine_;
  const long n = programLine_;
  const bool counted = program && parsed_.system.empty();
  if (counted && options_.silentAt > 0 && n == options_.silentAt) silent_ = true;
  if (counted && options_.alarmAt > 0 && n == options_.alarmAt && state_ != State::Alarm) {
    state_ = State::Alarm;
    blocks_.clear();
    dwellUntil_ = dwellLeft_ = 0;
    streaming_ = false;
    SetSpindle(now, 0, "(alarm)");
    Log(now, "ALARM " + std::to_string(options_.alarmCode));
    Emit("ALARM:" + std::to_string(options_.alarmCode) + "\r\n");
    // A limit is a critical event: nothing more is read until a reset.
    if (options_.alarmCode == 1 || options_.alarmCode == 2) {
      critical_ = true;
      Emit("[MSG:Reset to continue]\r\n");
    }
    return true;
  }
  if (counted && options_.errorAt > 0 && n == options_.errorAt) {
    Log(now, "ERROR " + std::to_string(options_.errorCode) + " (asked)");
    Emit("error:" + std::to_string(options_.errorCode) + "\r\n");
    return true;
  }
  if (counted && options_.garbageAt > 0 && n == options_.garbageAt) {
    Emit("o\x7f#k%\r\n");
    return true;
  }
  if (error != 0) {
    Log(now, "ERROR " + std::to_string(error));
    Emit("error:" + std::to_string(error) + "\r\n");
    return true;
  }
  if (!parsed_.system.empty()) {
    const std::string& s = parsed_.system;
    if (s == "$X" && options_.deafToUnlock) {
      Log(now, "UNLOCK ignored");
    } else if (s == "$X") {
      // Out of alarm it changes nothing, and says nothing but "ok".
      if (state_ == State::Alarm) {
        state_ = State::Idle;
        Log(now, "UNLOCKED");
        Emit("[MSG:Caution: Unlocked]\r\n");
      }
      Emit("ok\r\n");
    } else if (state_ != State::Idle && state_ != State::Alarm) {
      Emit("error:8\r\n");
    } else if (s == "$I") {
      Emit("[VER:1.1h.20190825:]\r\n");
      if (options_.reportOpt) {
        Emit("[OPT:V," + std::to_string(options_.blockBuffer) + "," +
             std::to_string(options_.rxBuffer) + "]\r\n");
      }
      if (options_.reportAxes) {
        Emit("[AXS:" + std::to_string(options_.axes.size()) + ":" + options_.axes + "]\r\n");
      }
      Emit("ok\r\n");
    } else {
      Emit("error:3\r\n");
    }
    return true;
  }
  if (state_ == State::Alarm) {
    Emit("error:9\r\n");
    return true;
  }
  // Modal changes first, then what the line does.
  if (parsed_.inverseTime) {
    if (*parsed_.inverseTime != inverseTime_) feed_ = 0;
    inverseTime_ = *parsed_.inverseTime;
  }
  if (parsed_.absolute) absolute_ = *parsed_.absolute;
  if (parsed_.motion) motionMode_ = *parsed_.motion;
  if (parsed_.feed) feed_ = *parsed_.feed;
  if (parsed_.speed) spindleSpeed_ = *parsed_.speed;
  if (parsed_.spindle) SetSpindle(now, *parsed_.spindle ? spindleSpeed_ : 0, "(M5)");
  if (parsed_.dwell) {
    dwellUntil_ = now + (options_.timeFactor > 0 ? *parsed_.pause / options_.timeFactor : 0);
  }
  if (parsed_.move) {
    std::vector<double> from = blocks_.empty() ? position_ : blocks_.back().to;
    std::vector<double> to = from;
    for (const auto& [k, v] : parsed_.words) to[k] = absolute_ ? v : from[k] + v;
    double squared = 0;
    for (size_t k = 0; k < to.size(); ++k) squared += (to[k] - from[k]) * (to[k] - from[k]);
    const double length = std::sqrt(squared);
    double minutes = 0;
    if (motionMode_ == 0) {
      minutes = length / kRapidMmPerMin;
    } else if (inverseTime_) {
      minutes = 1.0 / feed_;
    } else {
      minutes = length / feed_;
    }
    // A move of no length is no block.
    if (length > 0) {
      blocks_.push_back({from, to, minutes * 60, 0});
      if (state_ == State::Idle) state_ = State::Run;
      streaming_ = true;
    }
    if (inverseTime_) feed_ = 0;
  }
  if (parsed_.end) {
    SetSpindle(now, 0, "(M2)");
    inverseTime_ = false;
    absolute_ = true;
    motionMode_ = 1;
    streaming_ = false;
    Log(now, "END of program");
  }
  Emit("ok\r\n");
  return true;
}

void SimGrbl::Advance(double now) {
  now = std::max(now, lastNow_);
  for (;;) {
    const double t = lastNow_;
    const bool moving = state_ == State::Run && !blocks_.empty();
    if (moving) {
      Block& b = blocks_.front();
      const double rate = feedOverride_ / 100.0;
      const double left = (b.seconds - b.done) / rate;
      const double finishAt = options_.timeFactor > 0 ? t + left / options_.timeFactor : t;
      if (streaming_) stats_.running += std::min(finishAt, now) - t;
      if (finishAt <= now) {
        position_ = b.to;
        blocks_.pop_front();
        lastNow_ = finishAt;
        if (blocks_.empty() && state_ == State::Run) state_ = State::Idle;
        ProcessLines(finishAt);
        continue;
      }
      b.done += (now - t) * options_.timeFactor * rate;
      const double f = b.seconds > 0 ? std::clamp(b.done / b.seconds, 0.0, 1.0) : 1.0;
      for (size_t k = 0; k < position_.size(); ++k) {
        position_[k] = b.from[k] + (b.to[k] - b.from[k]) * f;
      }
      lastNow_ = now;
      return;
    }
    const double until = dwellUntil_ > t && dwellUntil_ < now ? dwellUntil_ : now;
    if (streaming_) {
      stats_.running += until - t;
      if (state_ != State::Hold && dwellUntil_ <= t) stats_.starved += until - t;
    }
    lastNow_ = until;
    ProcessLines(until);
    if (until >= now) return;
  }
}

double SimGrbl::NextEvent(double now) const {
  double next = -1;
  auto take = [&](double at) {
    const double in = std::max(0.0, at - now);
    next = next < 0 ? in : std::min(next, in);
  };
  if (state_ == State::Run && !blocks_.empty()) {
    const Block& b = blocks_.front();
    take(options_.timeFactor > 0
             ? now + (b.seconds - b.done) / (feedOverride_ / 100.0) / options_.timeFactor
             : now);
  }
  if (dwellUntil_ > now) take(dwellUntil_);
  if (state_ == State::Hold && holdCompleteAt_ > now) take(holdCompleteAt_);
  return next;
}

std::string SimGrbl::TakeOutput() {
  std::string out;
  out.swap(output_);
  return out;
}

std::vector<std::string> SimGrbl::TakeLog() {
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

std::string SimGrbl::Summary(double now) {
  Advance(now);
  std::string text = std::string("END spindle ") + (SpindleOn() ? "on" : "off") + " MPos:";
  for (size_t k = 0; k < position_.size(); ++k) text += (k ? "," : "") + Fixed(position_[k]);
  char counters[160];
  std::snprintf(counters, sizeof counters,
                " lines %ld lost %zu queries %ld running %.6f starved %.6f", stats_.lines,
                stats_.lostBytes, stats_.statusQueries, stats_.running, stats_.starved);
  return text + counters;
}

}  // namespace orvane::gsim
