#include "core/machine/grbl_link.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <optional>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/serial_link.h"
#include "core/machine/timed_wait.h"

namespace orvane {
namespace {

constexpr uint8_t kFeedHold = '!', kCycleStart = '~', kStatusQuery = '?', kSoftReset = 0x18;
constexpr uint8_t kFeedReset = 0x90, kFeedPlus = 0x91, kFeedMinus = 0x92, kSpindleStop = 0x9E;
// A controller answers "?" within tens of milliseconds whatever it does.
constexpr int64_t kStatusSilenceUs = 2'000'000;
// After a reset, after "$I", and for a feed hold to come to rest.
constexpr int64_t kBannerWaitUs = 3'000'000;
constexpr int64_t kReplyWaitUs = 1'000'000;
constexpr int64_t kHoldWaitUs = 5'000'000;
constexpr int64_t kAnswerMarginUs = 10'000'000;
// Longer than any line of its: a controller that never ends a line talks nonsense.
constexpr size_t kLongestAnswer = 256;
constexpr int kPollMs = 5;
constexpr size_t kLongestProgramLine = 79;
constexpr const char* kLinkLost = "La liaison avec le contrôleur GRBL est perdue.";

std::string Quoted(const std::string& line) {
  return "« " + line + " »";
}

// The controller's answers, line by line.
class AnswerLines {
 public:
  explicit AnswerLines(SerialPort& serial) : serial_(serial) {}
  // A whole line when one is in; `overlong` when the controller talks on
  // without ever ending one.
  std::optional<std::string> Next(bool& overlong) {
    for (;;) {
      const size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        return line;
      }
      if (pending_.size() > kLongestAnswer) {
        overlong = true;
        return std::nullopt;
      }
      const size_t waiting = serial_.InputCount();
      if (waiting == 0) return std::nullopt;
      char buffer[256];
      const size_t n =
          serial_.Read(reinterpret_cast<uint8_t*>(buffer), std::min(waiting, sizeof buffer));
      if (n == 0) return std::nullopt;
      pending_.append(buffer, n);
    }
  }

 private:
  SerialPort& serial_;
  std::string pending_;
};

bool WriteByte(SerialPort& serial, uint8_t byte) {
  return serial.Write(&byte, 1);
}

int64_t NowUs(Clock& clock) {
  return clock.Counter() / std::max<int64_t>(1, clock.TicksPerMicrosecond());
}

// Waits for a line `wanted` accepts, reading at most until `limitUs`;
// nullopt at the limit, on a stop or when the port goes. Lines it does not
// want are given to `other`, which returns false to give up.
template <typename Wanted, typename Other>
std::optional<std::string> AwaitLine(SerialPort& serial, Clock& clock, AnswerLines& lines,
                                     int64_t limitUs, WaitHost* host, Wanted wanted, Other other) {
  const int64_t deadline = NowUs(clock) + limitUs;
  for (;;) {
    bool overlong = false;
    while (auto line = lines.Next(overlong)) {
      if (wanted(*line)) return line;
      if (!other(*line)) return std::nullopt;
    }
    if (overlong || !serial.IsOpen()) return std::nullopt;
    if (host && host->PollStop()) return std::nullopt;
    if (NowUs(clock) >= deadline) return std::nullopt;
    serial.WaitForInput(kPollMs);
  }
}

// The user's stop, remembered so that it is not taken for a silent controller.
class StopSeen : public WaitHost {
 public:
  explicit StopSeen(WaitHost* host) : host_(host) {}
  bool PollStop() override {
    seen_ = seen_ || (host_ && host_->PollStop());
    return seen_;
  }
  bool Seen() const { return seen_; }

 private:
  WaitHost* host_;
  bool seen_ = false;
};

// The reported millimetres of X1 Y1 X2 Y2, by the program's letters; an
// axis the controller does not report is absent.
std::array<std::optional<double>, 4> MotorMm(const std::vector<double>& mm, const std::string& axes,
                                             const std::array<char, 4>& letters) {
  std::array<std::optional<double>, 4> motors;
  for (size_t k = 0; k < 4; ++k) {
    const size_t i = axes.find(letters[k]);
    if (i != std::string::npos && i < mm.size()) motors[k] = mm[i];
  }
  return motors;
}

// Absent axes count 0.
AxisSteps StepsOf(const std::array<std::optional<double>, 4>& motors, const MachineSettings& s) {
  const uint16_t perMm[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
  AxisSteps steps{};
  for (size_t k = 0; k < 4; ++k) {
    if (motors[k]) steps[k] = std::llround(std::clamp(*motors[k] * perMm[k], -1e15, 1e15));
  }
  return steps;
}

}  // namespace

AxisSteps GrblStepsOf(const std::vector<double>& mm, const std::string& axes,
                      const std::array<char, 4>& letters, const MachineSettings& s) {
  return StepsOf(MotorMm(mm, axes, letters), s);
}

GrblOpening OpenGrbl(SerialPort& serial, Clock& clock, WaitHost* host) {
  GrblOpening opening;
  if (!serial.IsOpen()) {
    opening.message = "Le port du contrôleur GRBL n'est pas ouvert.";
    return opening;
  }
  // A reset first: whatever the controller was left doing (a spindle on
  // after a program killed half way), it stops, and it says who it is.
  serial.ClearBuffer(true, false);
  AnswerLines lines(serial);
  StopSeen stop(host);
  host = &stop;
  auto refuse = [&](std::string message) {
    opening.message = stop.Seen() ? "Arrêt demandé : rien n'a été lancé." : std::move(message);
    return opening;
  };
  if (!WriteByte(serial, kSoftReset)) {
    opening.message = kLinkLost;
    return opening;
  }
  // An "ALARM:N" before the banner names why the controller stays in alarm.
  std::string alarmLine;
  const auto banner = AwaitLine(
      serial, clock, lines, kBannerWaitUs, host,
      [](const std::string& l) { return ClassifyGrblLine(l).kind == GrblLineKind::Banner; },
      [&](const std::string& l) {
        if (ClassifyGrblLine(l).kind == GrblLineKind::Alarm) alarmLine = l;
        return true;
      });
  if (!banner) {
    return refuse("Aucun contrôleur GRBL ne répond sur le port " + serial.Params().port +
                  " : rien n'a été lancé.");
  }
  opening.lines.push_back(*banner);

  bool alarm = false;
  auto feedback = [&](const std::string& l) {
    const GrblLine kind = ClassifyGrblLine(l);
    if (kind.kind == GrblLineKind::Feedback) {
      opening.lines.push_back(l);
      alarm |= l.find("'$X' to unlock") != std::string::npos;
      ReadGrblBuildLine(l, opening.info);
      return true;
    }
    return kind.kind == GrblLineKind::Alarm || kind.kind == GrblLineKind::Banner;
  };
  if (!serial.WriteStr("$I\n")) {
    opening.message = kLinkLost;
    return opening;
  }
  std::optional<std::string> error;
  const auto done = AwaitLine(
      serial, clock, lines, kReplyWaitUs, host,
      [](const std::string& l) {
        const auto k = ClassifyGrblLine(l).kind;
        return k == GrblLineKind::Ok || k == GrblLineKind::Error;
      },
      feedback);
  if (!done || ClassifyGrblLine(*done).kind != GrblLineKind::Ok) {
    return refuse("Le contrôleur GRBL ne donne pas ses informations ($I) : rien n'a été lancé.");
  }
  if (!WriteByte(serial, kStatusQuery)) {
    opening.message = kLinkLost;
    return opening;
  }
  const auto report = AwaitLine(
      serial, clock, lines, kReplyWaitUs, host,
      [](const std::string& l) { return ClassifyGrblLine(l).kind == GrblLineKind::Status; },
      feedback);
  if (!report) return refuse("Le contrôleur GRBL ne donne pas son état : rien n'a été lancé.");
  opening.lines.push_back(*report);
  const GrblStatus status = *ParseGrblStatus(*report);
  if (opening.info.axes.empty()) {
    opening.info.axes = GrblAxesFromCount((status.machine ? *status.machine : *status.work).size());
  }
  if (alarm || status.state.starts_with("Alarm")) {
    opening.alarm = !alarmLine.empty()                   ? alarmLine
                    : status.state.starts_with("Alarm:") ? "ALARM" + status.state.substr(5)
                                                         : status.state;
    opening.message =
        "Le contrôleur GRBL est en alarme (prise d'origine ou déverrouillage à faire) : rien n'a "
        "été lancé.";
    return opening;
  }
  opening.ok = true;
  return opening;
}

void UnlockGrbl(SerialPort& serial, Clock& clock, WaitHost* host, GrblOpening& opening) {
  if (opening.ok || opening.alarm.empty()) return;
  AnswerLines lines(serial);
  StopSeen stop(host);
  auto refuse = [&](const std::string& why) {
    opening.message = stop.Seen() ? "Arrêt demandé : rien n'a été lancé."
                                  : "Le contrôleur GRBL " + why + " : rien n'a été lancé.";
  };
  if (!serial.WriteStr("$X\n")) {
    opening.message = kLinkLost;
    return;
  }
  // Its answer to "$X": feedback first ("[MSG:Caution: Unlocked]"), then "ok".
  std::string other;
  const auto answer = AwaitLine(
      serial, clock, lines, kReplyWaitUs, &stop,
      [](const std::string& l) {
        const auto k = ClassifyGrblLine(l).kind;
        return k == GrblLineKind::Ok || k == GrblLineKind::Error;
      },
      [&](const std::string& l) {
        if (ClassifyGrblLine(l).kind != GrblLineKind::Feedback) {
          other = l;
          return false;
        }
        opening.lines.push_back(l);
        return true;
      });
  if (!answer) {
    return refuse(other.empty() ? "ne répond pas au déverrouillage ($X)"
                                : "répond au déverrouillage ($X) par " + Quoted(other));
  }
  if (const GrblLine kind = ClassifyGrblLine(*answer); kind.kind == GrblLineKind::Error) {
    return refuse("refuse le déverrouillage ($X) : error:" + std::to_string(kind.code) + ", " +
                  GrblErrorMeaning(kind.code));
  }
  if (!WriteByte(serial, kStatusQuery)) {
    opening.message = kLinkLost;
    return;
  }
  const auto report = AwaitLine(
      serial, clock, lines, kReplyWaitUs, &stop,
      [](const std::string& l) { return ClassifyGrblLine(l).kind == GrblLineKind::Status; },
      [&](const std::string& l) {
        other = l;
        return ClassifyGrblLine(l).kind == GrblLineKind::Feedback;
      });
  if (!report) return refuse("ne donne pas son état après le déverrouillage ($X)");
  opening.lines.push_back(*report);
  const GrblStatus status = *ParseGrblStatus(*report);
  if (status.state != "Idle" || status.spindleOn) {
    return refuse("n'est pas au repos après le déverrouillage ($X) (état " + status.state +
                  (status.spindleOn ? ", broche en marche)" : ")"));
  }
  opening.ok = true;
  opening.unlocked = true;
  opening.message =
      "Contrôleur GRBL déverrouillé ($X) : rien n'a bougé, chauffe coupée. Ses positions ne sont "
      "pas sûres : positions inconnues (prise d'origine conseillée).";
}

namespace {

// What times the moves whose speed a program does not give (rapids).
double SlowestMmPerMin(const MachineSettings& s) {
  return std::max(1.0, s.Vmin * 60);
}

class Streamer {
 public:
  Streamer(const GrblCutRequest& request, const GrblOpening& opening, GrblLink& link,
           GrblRunObserver& observer)
      : request_(request),
        opening_(opening),
        link_(link),
        observer_(observer),
        lines_(link.serial),
        clock_(request.letters, SlowestMmPerMin(link.settings)),
        path_(request.lines, request.letters, SlowestMmPerMin(link.settings)),
        capacity_(opening.info.rxBuffer - 1) {}

  GrblRunOutcome Run() {
    if (auto refusal = Check()) return *refusal;
    const std::string missing = MissingGrblAxes(
        opening_.info.axes, std::string(request_.letters.begin(), request_.letters.end()));
    if (!missing.empty()) {
      return {GrblRunEnd::Refused,
              "Le contrôleur GRBL n'a pas les axes " + missing + " (il a " + opening_.info.axes +
                  ") : rien n'a été lancé.",
              0, 0};
    }
    lastStatus_ = lastOk_ = NowUs(link_.clock);
    while (acked_ < request_.lines.size()) {
      if (!SendWhatFits()) return Lost();
      if (auto ended = Listen()) return *ended;
      if (observer_.PollStop()) {
        if (auto ended = Stop()) return *ended;
      }
      if (!Trim()) return Lost();
      if (auto ended = CheckSilence()) return *ended;
      // An answer just read may have made room: send before waiting.
      if (!heard_) link_.serial.WaitForInput(kPollMs);
      heard_ = false;
    }
    return Finish();
  }

 private:
  // Lines the controller would take apart, or not at all: refused before
  // anything is sent.
  std::optional<GrblRunOutcome> Check() {
    for (size_t i = 0; i < request_.lines.size(); ++i) {
      const std::string& line = request_.lines[i];
      const bool realTime = std::any_of(line.begin(), line.end(), [](char c) {
        const auto b = static_cast<uint8_t>(c);
        return c == '?' || c == '!' || c == '~' || b < 0x20 || b >= 0x80;
      });
      if (line.size() > kLongestProgramLine || line.size() + 1 > capacity_ || realTime) {
        return GrblRunOutcome{GrblRunEnd::Refused,
                              "La ligne " + std::to_string(i + 1) + " " + Quoted(line) +
                                  " ne peut pas être envoyée au contrôleur GRBL : rien n'a été "
                                  "lancé.",
                              0, 0};
      }
    }
    return std::nullopt;
  }

  bool SendWhatFits() {
    while (next_ < request_.lines.size()) {
      const std::string& line = request_.lines[next_];
      if (inFlightBytes_ + line.size() + 1 > capacity_) break;
      if (!link_.serial.WriteStr(line + "\n")) return false;
      if (inFlight_.empty()) lastOk_ = NowUs(link_.clock);
      inFlight_.push_back(line.size() + 1);
      inFlightBytes_ += line.size() + 1;
      maxInFlight_ = std::max(maxInFlight_, inFlightBytes_);
      durations_.push_back(clock_.LineSeconds(line));
      observer_.LineSent(next_, line);
      ++next_;
    }
    const int64_t now = NowUs(link_.clock);
    if (now - lastQuery_ >= kGrblStatusPeriodUs) {
      if (!WriteByte(link_.serial, kStatusQuery)) return false;
      lastQuery_ = now;
    }
    return true;
  }

  // Everything the controller said since the last look.
  std::optional<GrblRunOutcome> Listen() {
    bool overlong = false;
    while (auto line = lines_.Next(overlong)) {
      heard_ = true;
      const GrblLine kind = ClassifyGrblLine(*line);
      switch (kind.kind) {
        case GrblLineKind::Ok:
          if (inFlight_.empty()) return Fail(GrblRunEnd::BadAnswer, Unexpected(*line));
          inFlightBytes_ -= inFlight_.front();
          inFlight_.pop_front();
          ++acked_;
          lastOk_ = NowUs(link_.clock);
          observer_.LinesDone(acked_, request_.lines.size());
          break;
        case GrblLineKind::Error:
          return Fail(GrblRunEnd::ControllerError,
                      "Le contrôleur GRBL refuse la ligne " + std::to_string(acked_ + 1) + " " +
                          Quoted(request_.lines[std::min(acked_, request_.lines.size() - 1)]) +
                          " : error:" + std::to_string(kind.code) + ", " +
                          GrblErrorMeaning(kind.code) + ".");
        case GrblLineKind::Alarm:
          return Fail(GrblRunEnd::Alarm,
                      "Alarme du contrôleur GRBL : ALARM:" + std::to_string(kind.code) + ", " +
                          GrblAlarmMeaning(kind.code) + ".");
        case GrblLineKind::Status:
          if (auto ended = TakeStatus(*line)) return ended;
          break;
        case GrblLineKind::Feedback:
          break;  // "[MSG:Pgm End]" and the like
        case GrblLineKind::Banner:
          return Fail(GrblRunEnd::BadAnswer, "Le contrôleur GRBL a redémarré pendant la découpe.");
        case GrblLineKind::Other:
          return Fail(GrblRunEnd::BadAnswer, Unexpected(*line));
      }
    }
    if (overlong) return Fail(GrblRunEnd::BadAnswer, Unexpected("…"));
    if (!link_.serial.IsOpen()) return Lost();
    return std::nullopt;
  }

  std::string Unexpected(const std::string& line) const {
    std::string shown;
    for (char c : line.substr(0, 40)) {
      shown += (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) >= 0x7F) ? '?' : c;
    }
    return "Réponse incohérente du contrôleur GRBL " + Quoted(shown) + ".";
  }

  std::optional<GrblRunOutcome> TakeStatus(const std::string& line) {
    const GrblStatus status = *ParseGrblStatus(line);
    lastStatus_ = NowUs(link_.clock);
    if (status.offset) offset_ = *status.offset;
    std::vector<double> work;
    if (status.work) {
      work = *status.work;
    } else {
      work = *status.machine;
      for (size_t i = 0; i < work.size() && i < offset_.size(); ++i) work[i] -= offset_[i];
    }
    work_ = work;
    state_ = status.state;
    spindleOn_ = status.spindleOn;
    const auto motors = MotorMm(work, opening_.info.axes, request_.letters);
    link_.positions.Set(StepsOf(motors, link_.settings));
    if (std::all_of(motors.begin(), motors.end(), [](auto mm) { return mm.has_value(); })) {
      observer_.PathDone(path_.Fraction({*motors[0], *motors[1], *motors[2], *motors[3]}, acked_));
    }
    if (status.feedOverride && *status.feedOverride != override_) {
      override_ = *status.feedOverride;
      observer_.FeedOverride(override_);
    }
    if (state_.starts_with("Alarm")) {
      return Fail(GrblRunEnd::Alarm, "Le contrôleur GRBL est passé en alarme.");
    }
    ++reports_;
    return std::nullopt;
  }

  // The longest the oldest line in flight may wait for its "ok": every line
  // the controller may still have to run before it, at the slowest feed.
  int64_t OkLimitUs() const {
    const size_t ahead = inFlight_.size() + opening_.info.plannerBlocks + 1;
    double seconds = 0;
    for (size_t i = durations_.size() > ahead ? durations_.size() - ahead : 0;
         i < durations_.size(); ++i) {
      seconds += durations_[i];
    }
    // Ten times the time at full feed: the feed override goes down to 10 %.
    return static_cast<int64_t>(std::min(seconds * 10, 3.15e7) * 1e6) + kAnswerMarginUs;
  }

  std::optional<GrblRunOutcome> CheckSilence() {
    const int64_t now = NowUs(link_.clock);
    if (now - lastStatus_ > kStatusSilenceUs ||
        (!inFlight_.empty() && now - lastOk_ > OkLimitUs())) {
      return Fail(GrblRunEnd::NoAnswer, "Le contrôleur GRBL ne répond plus.");
    }
    return std::nullopt;
  }

  bool Trim() {
    const GrblTrim trim = observer_.PollTrim();
    switch (trim) {
      case GrblTrim::Faster:
        return WriteByte(link_.serial, kFeedPlus);
      case GrblTrim::Slower:
        return WriteByte(link_.serial, kFeedMinus);
      case GrblTrim::Reset:
        return WriteByte(link_.serial, kFeedReset);
      case GrblTrim::None:
        return true;
    }
    return true;
  }

  // Reads on (status, "ok"s) until `reached` holds; false at the limit, on
  // a failure (`ended`), or on the user's stop when `stopped` is given.
  bool ListenUntil(int64_t limitUs, const std::function<bool()>& reached,
                   std::optional<GrblRunOutcome>& ended, bool* stopped = nullptr) {
    const int64_t deadline = NowUs(link_.clock) + limitUs;
    for (;;) {
      const int64_t now = NowUs(link_.clock);
      if (now - lastQuery_ >= kGrblStatusPeriodUs) {
        if (!WriteByte(link_.serial, kStatusQuery)) {
          ended = Lost();
          return false;
        }
        lastQuery_ = now;
      }
      if ((ended = Listen())) return false;
      if (reached()) return true;
      if (stopped && (*stopped = observer_.PollStop())) return false;
      if (now >= deadline) return false;
      link_.serial.WaitForInput(kPollMs);
    }
  }

  // Feed hold, heating off while held, then the user's choice.
  std::optional<GrblRunOutcome> Stop() {
    if (!WriteByte(link_.serial, kFeedHold)) return Lost();
    std::optional<GrblRunOutcome> ended;
    const int seen = reports_;
    if (!ListenUntil(
            kHoldWaitUs, [&] { return reports_ > seen && state_ == "Hold:0"; }, ended)) {
      if (ended) return ended;
      return Fail(GrblRunEnd::NoAnswer, "Le contrôleur GRBL ne s'arrête pas.");
    }
    if (!WriteByte(link_.serial, kSpindleStop)) return Lost();
    const bool abandon = !request_.resumeAllowed || observer_.AbandonAfterStop();
    lastStatus_ = lastOk_ = NowUs(link_.clock);
    if (abandon) return Abandon();
    // The heating again, its pre-heat, then the motion.
    if (!WriteByte(link_.serial, kSpindleStop)) return Lost();
    const bool waited = TimedWait(
        link_.clock, request_.preheatSeconds,
        [&] {
          std::optional<GrblRunOutcome> failed;
          ListenUntil(
              0, [] { return true; }, failed);
          if (failed) ended = failed;
          link_.serial.WaitForInput(kPollMs);
        },
        [&] { return ended.has_value() || observer_.PollStop(); },
        [&](bool shown) { observer_.PreheatShown(shown); });
    observer_.PreheatShown(false);
    if (ended) return ended;
    if (!waited) return Abandon();
    if (!WriteByte(link_.serial, kCycleStart)) return Lost();
    lastStatus_ = lastOk_ = NowUs(link_.clock);
    return std::nullopt;
  }

  // Held at rest: the reset drops the rest of the program and switches the
  // spindle off; the position stays what the last report said.
  GrblRunOutcome Abandon() {
    const AxisSteps held = link_.positions.Steps();
    const bool confirmed = Reset();
    GrblRunOutcome outcome{GrblRunEnd::StoppedByUser, {}, acked_, maxInFlight_};
    if (confirmed) {
      link_.positions.Set(held);
      outcome.message = "Découpe abandonnée : chauffe coupée (contrôleur réinitialisé).";
    } else {
      link_.positions.MarkUnknown();
      outcome.message =
          "Découpe abandonnée ; le contrôleur GRBL ne confirme pas sa réinitialisation : vérifiez "
          "que la chauffe est coupée.";
    }
    return outcome;
  }

  // Soft reset; true once the controller's banner confirms it.
  bool Reset() {
    if (!WriteByte(link_.serial, kSoftReset)) return false;
    return AwaitLine(
               link_.serial, link_.clock, lines_, kReplyWaitUs, nullptr,
               [](const std::string& l) {
                 return ClassifyGrblLine(l).kind == GrblLineKind::Banner;
               },
               [](const std::string&) { return true; })
        .has_value();
  }

  GrblRunOutcome Fail(GrblRunEnd end, const std::string& why) {
    WriteByte(link_.serial, kFeedHold);
    const bool confirmed = Reset();
    link_.positions.MarkUnknown();
    GrblRunOutcome outcome{end, why, acked_, maxInFlight_};
    outcome.message +=
        confirmed ? " Découpe arrêtée, chauffe coupée (contrôleur réinitialisé), positions "
                    "inconnues."
                  : " Découpe arrêtée ; le contrôleur ne confirme pas sa réinitialisation : "
                    "vérifiez que la chauffe est coupée. Positions inconnues.";
    return outcome;
  }

  GrblRunOutcome Lost() {
    link_.positions.MarkUnknown();
    return {GrblRunEnd::PortLost,
            "La liaison avec le contrôleur GRBL est perdue : vérifiez que la chauffe est coupée. "
            "Positions inconnues.",
            acked_, maxInFlight_};
  }

  // Waits for `reached` while the controller runs out what it holds, the
  // wire hot: the user can still stop it there.
  std::optional<GrblRunOutcome> RunOut(const std::function<bool()>& reached, const char* silence) {
    for (;;) {
      std::optional<GrblRunOutcome> ended;
      bool stopped = false;
      if (ListenUntil(OkLimitUs(), reached, ended, &stopped)) return std::nullopt;
      if (ended) return ended;
      if (!stopped) return Fail(GrblRunEnd::NoAnswer, silence);
      if (auto out = Stop()) return out;
    }
  }

  // Every line acknowledged: the controller must come to rest where the
  // program ends, with the spindle off.
  GrblRunOutcome Finish() {
    if (clock_.SpindleLeftOn()) {
      if (!link_.serial.WriteStr("M5\n")) return Lost();
      inFlight_.push_back(3);
      inFlightBytes_ += 3;
      request_.lines.push_back("M5");
      durations_.push_back(0);
      if (auto ended =
              RunOut([&] { return inFlight_.empty(); }, "Le contrôleur GRBL ne répond plus.")) {
        return *ended;
      }
    }
    const int seen = reports_;
    if (auto ended = RunOut([&] { return reports_ > seen && state_ == "Idle"; },
                            "Le contrôleur GRBL ne termine pas le programme.")) {
      return *ended;
    }
    if (spindleOn_) {
      return Fail(GrblRunEnd::BadAnswer, "Le contrôleur GRBL garde la chauffe allumée.");
    }
    if (const auto& end = clock_.End()) {
      const uint16_t perMm[4] = {link_.settings.X1step, link_.settings.Y1step,
                                 link_.settings.X2step, link_.settings.Y2step};
      for (size_t k = 0; k < 4; ++k) {
        const size_t i = opening_.info.axes.find(request_.letters[k]);
        // Reported to the thousandth: one step, or that rounding, whichever is larger.
        const double tolerance = std::max(1.0 / std::max<uint16_t>(perMm[k], 1), 0.0015);
        if (i >= work_.size() || std::abs(work_[i] - (*end)[k]) > tolerance + 1e-9) {
          return Fail(GrblRunEnd::BadAnswer,
                      "Le contrôleur GRBL ne s'arrête pas à la fin du programme.");
        }
      }
    }
    return {GrblRunEnd::Finished, {}, acked_, maxInFlight_};
  }

  GrblCutRequest request_;
  const GrblOpening& opening_;
  GrblLink& link_;
  GrblRunObserver& observer_;
  AnswerLines lines_;
  GrblProgramClock clock_;
  GrblPath path_;
  size_t capacity_;
  std::deque<size_t> inFlight_;
  size_t inFlightBytes_ = 0, maxInFlight_ = 0;
  size_t next_ = 0, acked_ = 0;
  std::vector<double> durations_;
  int64_t lastStatus_ = 0, lastOk_ = 0, lastQuery_ = -kGrblStatusPeriodUs;
  std::vector<double> offset_, work_;
  std::string state_;
  bool spindleOn_ = false;
  int override_ = 100;
  int reports_ = 0;
  bool heard_ = false;
};

}  // namespace

GrblRunOutcome RunGrblCut(const GrblCutRequest& request, const GrblOpening& opening, GrblLink& link,
                          GrblRunObserver& observer) {
  if (!opening.ok) return {GrblRunEnd::Refused, opening.message, 0, 0};
  Streamer streamer(request, opening, link, observer);
  return streamer.Run();
}

}  // namespace orvane
