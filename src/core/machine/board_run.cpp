#include "core/machine/board_run.h"

#include <algorithm>
#include <cmath>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"

namespace orvane {
namespace {

struct ProgramLine {
  size_t number;  // in the file, from 1
  std::string text;
};

// The lines as they will be sent, or the message refusing the first one
// that cannot fit a packet. Nothing is sent before all have been checked.
std::vector<ProgramLine> PrepareLines(const std::vector<std::string>& lines,
                                      std::optional<uint16_t> feed, std::string& refusal) {
  std::vector<ProgramLine> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string text = lines[i];
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) continue;
    if (feed && text.starts_with("F")) text = BoardFeedLine(*feed);
    if (text.size() > kBoardLineLength) {
      refusal = LineTooLongMessage(i + 1, text);
      return {};
    }
    out.push_back({i + 1, std::move(text)});
  }
  return out;
}

// A report may be off its target by the board's own rounding.
constexpr int64_t kReportToleranceSteps = 1;

// One program on the board: keeps the time the board may still need and
// what its report may say, and leaves the heating off on every way out but
// the program's own end.
class Runner {
 public:
  Runner(BoardLink& link, BoardRunObserver& observer, double slackMm)
      : link_(link), observer_(observer), timer_(link.settings, slackMm) {
    if (link.positions.Known()) {
      const AxisSteps steps = link.positions.Steps();
      const uint16_t perMm[4] = {link.settings.X1step, link.settings.Y1step, link.settings.X2step,
                                 link.settings.Y2step};
      for (size_t k = 0; k < 4; ++k) Widen(k, double(steps[k]) / std::max<uint16_t>(perMm[k], 1));
      boxed_ = true;
    }
  }
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  ~Runner() {
    // An exception from the window's side: nothing more is sent but this.
    if (!settled_) {
      try {
        SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply);
      } catch (...) {
      }
    }
  }

  // Its pre-heat time and steps per mm, as the board holds them. The request
  // also puts the outputs at rest, as the output test's release does.
  BoardWaitEnd Identify() {
    Drain();
    if (!SendBoardPacket(link_.serial, OutputTestReleaseFlags(link_.settings), kBoardApply)) {
      return BoardWaitEnd::PortLost;
    }
    const BoardWaitEnd end = WaitForBoardBytes(link_.serial, link_.clock, kBoardIdentificationSize,
                                               kBoardIdentificationWaitUs, nullptr);
    if (end != BoardWaitEnd::Answered) return end;
    std::array<uint8_t, kBoardIdentificationSize> bytes{};
    const size_t got = link_.serial.Read(bytes.data(), bytes.size());
    board_ = DecodeBoardIdentification(std::span<const uint8_t>(bytes.data(), got));
    return board_ ? BoardWaitEnd::Answered : BoardWaitEnd::Garbled;
  }

  // The board answers a pre-heat when it is over; it moves nothing meanwhile.
  BoardWaitEnd Preheat(bool resume) {
    observer_.PreheatShown(true);
    Drain();
    BoardWaitEnd end = BoardWaitEnd::PortLost;
    if (SendBoardPacket(link_.serial, RunFlags(link_.settings, true),
                        resume ? kBoardPreheatResume : kBoardPreheat)) {
      end = WaitBoardAck(link_.serial, link_.clock,
                         PreheatLimitUs(link_.settings, board_ ? board_->preheat : 0), &observer_,
                         link_.abortFlag);
    }
    observer_.PreheatShown(false);
    return end;
  }

  BoardWaitEnd Line(uint8_t flags, uint8_t command, const std::string& line) {
    const std::optional<BoardPacket> packet = MakeBoardLinePacket(flags, command, line);
    if (!packet) return BoardWaitEnd::PortLost;  // checked before anything was sent
    Drain();
    // A board takes a line while it still runs the one before, and may hold
    // one more: what it can still be busy with is the last three lines.
    recent_[next_++ % recent_.size()] = timer_.LineMicroseconds(line);
    if (const auto& point = timer_.LastPoint()) {
      for (size_t k = 0; k < 4; ++k) Widen(k, (*point)[k]);
    }
    if (!link_.serial.Write(packet->data(), packet->size())) return BoardWaitEnd::PortLost;
    moved_ = true;
    return WaitBoardAck(link_.serial, link_.clock, Limit(), &observer_, link_.abortFlag);
  }

  BoardWaitEnd Report(BoardReport& report) {
    return ReadBoardReport(link_.serial, link_.clock, Limit(), &observer_, report);
  }

  // The report of a program that ran to its end lands on its last point; a
  // stopped one somewhere on the way, when the start is known.
  bool Fits(const BoardReport& report, bool finished) const {
    const double steps = board_ ? board_->steps : 0;
    for (size_t k = 0; k < 4; ++k) {
      const int64_t at = report.steps[k];
      if (finished && timer_.LastPoint()) {
        const auto target = static_cast<int64_t>(std::llround((*timer_.LastPoint())[k] * steps));
        if (std::abs(at - target) > kReportToleranceSteps) return false;
      } else if (boxed_ && (double(at) < low_[k] * steps - kReportToleranceSteps - 1e-9 ||
                            double(at) > high_[k] * steps + kReportToleranceSteps + 1e-9)) {
        return false;
      }
    }
    return true;
  }

  // The board went silent, the port went away, the user stopped a wait, or
  // the board said what cannot be.
  BoardRunOutcome Fail(BoardWaitEnd end, size_t linesDone) {
    const bool off = SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply);
    settled_ = true;
    link_.abortFlag = 1;
    BoardRunOutcome outcome;
    outcome.linesDone = linesDone;
    outcome.strayBytes = strays_;
    switch (end) {
      case BoardWaitEnd::Stopped:
        outcome.end = BoardRunEnd::StoppedByUser;
        // Stopped while pre-heating: nothing moved, nothing to say.
        if (moved_) outcome.message = kBoardUserStopMessage;
        break;
      case BoardWaitEnd::PortLost:
        outcome.end = BoardRunEnd::PortLost;
        break;
      case BoardWaitEnd::Garbled:
        outcome.end = BoardRunEnd::BadAnswer;
        outcome.message = kBoardBadAnswerMessage;
        break;
      default:
        outcome.end = BoardRunEnd::NoAnswer;
        outcome.message = kBoardSilentMessage;
        break;
    }
    // A packet that did not go out leaves the heating as it was.
    if (!off || end == BoardWaitEnd::PortLost) outcome.message = kBoardLostMessage;
    if (moved_ || end != BoardWaitEnd::Stopped) link_.positions.MarkUnknown();
    return outcome;
  }

  // The board stopped before any line ran (its answer to the pre-heat).
  BoardRunOutcome StoppedInPreheat() {
    if (!SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply)) {
      return Fail(BoardWaitEnd::PortLost, 0);
    }
    return Settle(BoardRunEnd::StoppedByBoard, 0);
  }

  BoardRunOutcome Settle(BoardRunEnd end, size_t linesDone) {
    // Bytes nobody asked for leave the end unconfirmed, even a good one.
    if (end == BoardRunEnd::Finished && strays_ > 0) {
      const bool off = SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply);
      link_.abortFlag = 1;
      settled_ = true;
      return {BoardRunEnd::BadAnswer, off ? BoardStrayBytesMessage(strays_) : kBoardLostMessage,
              linesDone, strays_};
    }
    settled_ = true;
    return {end, {}, linesDone, strays_};
  }

 private:
  void Drain() { strays_ += DrainAnswers(link_.serial); }
  int64_t Limit() const {
    return 2 * *std::max_element(recent_.begin(), recent_.end()) + kBoardAnswerMarginUs;
  }
  void Widen(size_t axis, double mm) {
    low_[axis] = std::min(low_[axis], mm);
    high_[axis] = std::max(high_[axis], mm);
  }

  BoardLink& link_;
  BoardRunObserver& observer_;
  BoardLineTimer timer_;
  std::optional<BoardIdentification> board_;
  std::array<int64_t, 3> recent_{};
  size_t next_ = 0;
  // The box of the points sent (and the start, when known): where a stopped
  // board can be.
  std::array<double, 4> low_{1e300, 1e300, 1e300, 1e300};
  std::array<double, 4> high_{-1e300, -1e300, -1e300, -1e300};
  bool boxed_ = false;
  size_t strays_ = 0;
  bool moved_ = false;
  bool settled_ = false;
};

// Only what the board sent: clearing the transmit side would drop the
// unsent part of the packet just written (the origin, the stop's output
// levels) and shift the board's framing of every packet after it.
void ClearAnswers(BoardLink& link) {
  link.serial.ClearBuffer(true, false);
}

// Where the machine may be before the first move. Unknown, it is taken at
// the origin: a limit built on the whole machine's reach left a silent board
// heating for forty minutes, and nothing sent says the machine is elsewhere.
double SlackMm(const BoardLink& link) {
  if (!link.positions.Known()) return 0;
  return DistanceFromOriginMm(link.settings, link.positions.Steps());
}

// Identification, then the pre-heat when asked; nullopt when the program may
// go on to its lines.
std::optional<BoardRunOutcome> Begin(Runner& runner, BoardLink& link, bool preheat) {
  const BoardWaitEnd identified = runner.Identify();
  if (identified == BoardWaitEnd::PortLost) return runner.Fail(identified, 0);
  if (identified != BoardWaitEnd::Answered) {
    BoardRunOutcome outcome = runner.Fail(BoardWaitEnd::TimedOut, 0);
    if (outcome.message == kBoardSilentMessage) outcome.message = kBoardNoIdentificationMessage;
    return outcome;
  }
  if (!preheat) return std::nullopt;
  const BoardWaitEnd end = runner.Preheat(false);
  if (end != BoardWaitEnd::Answered) return runner.Fail(end, 0);
  if (link.abortFlag) return runner.StoppedInPreheat();
  return std::nullopt;
}

// Reads the report and applies it when it fits; the outcome when it does not.
std::optional<BoardRunOutcome> TakeReport(Runner& runner, BoardLink& link, size_t done,
                                          bool finished, bool apply) {
  BoardReport report;
  const BoardWaitEnd end = runner.Report(report);
  if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
  if (!runner.Fits(report, finished && !report.stopped)) {
    return runner.Fail(BoardWaitEnd::Garbled, done);
  }
  if (apply) {
    ApplyBoardReport(report, link.positions, link.abortFlag);
  } else if (report.stopped) {
    link.abortFlag = 1;
  }
  return std::nullopt;
}

}  // namespace

std::string BoardStrayBytesMessage(size_t count) {
  return "La carte a envoyé " + std::to_string(count) +
         " octet(s) inattendu(s) : fin de découpe non confirmée, chauffe coupée.";
}

BoardRunOutcome RunBoardCut(const BoardCutRequest& request, BoardLink& link,
                            BoardRunObserver& observer) {
  const MachineSettings& s = link.settings;
  std::string refusal;
  const std::vector<ProgramLine> lines = PrepareLines(request.lines, request.feed, refusal);
  if (!refusal.empty()) {
    link.abortFlag = 1;
    return {BoardRunEnd::Refused, refusal, 0, 0};
  }

  if (!request.simulation && s.OrigineAuto) {
    if (!SendBoardPacket(link.serial, kFlagSetOrigin, kBoardApply))
      link.positions.MarkUnknown();
    else
      link.positions.SetOrigin();
  }
  Runner runner(link, observer, SlackMm(link));
  ClearAnswers(link);
  link.abortFlag = 0;
  const bool preheat = s.ActChauffe && !request.simulation;
  if (auto ended = Begin(runner, link, preheat)) return *ended;

  const uint8_t flags = RunFlags(s, s.ActChauffe) | (request.simulation ? kFlagSimulation : 0);
  size_t done = 0;
  for (size_t i = 0; i < lines.size();) {
    observer.LineSending(done, lines[i].text);
    BoardWaitEnd end = runner.Line(flags, kBoardCutLine, lines[i].text);
    if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
    if (link.abortFlag == 0) {
      observer.LineDone(done);
      ++done, ++i;
      continue;
    }
    // Stopped by the board. Its report follows the stop at once; reading it
    // before the question keeps it from being taken for a later answer.
    if (!SendBoardPacket(link.serial, BoardStopFlags(s), kBoardApply)) {
      return runner.Fail(BoardWaitEnd::PortLost, done);
    }
    if (auto failed = TakeReport(runner, link, done, false, true)) return *failed;
    if (!s.Reprise || observer.AbandonAfterStop()) {
      return runner.Settle(BoardRunEnd::StoppedByBoard, done);
    }
    ClearAnswers(link);
    link.abortFlag = 0;
    if (preheat) {
      end = runner.Preheat(true);
      if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
      if (link.abortFlag) return runner.StoppedInPreheat();
    }
  }

  if (auto failed = TakeReport(runner, link, done, true, true)) return *failed;
  return runner.Settle(link.abortFlag ? BoardRunEnd::StoppedByBoard : BoardRunEnd::Finished, done);
}

BoardRunOutcome RunBoardProgram(const BoardProgramRequest& request, BoardLink& link,
                                BoardRunObserver& observer) {
  const MachineSettings& s = link.settings;
  std::string refusal;
  const std::vector<ProgramLine> lines = PrepareLines(request.lines, std::nullopt, refusal);
  if (!refusal.empty()) {
    link.abortFlag = 1;
    return {BoardRunEnd::Refused, refusal, 0, 0};
  }

  Runner runner(link, observer, SlackMm(link));
  ClearAnswers(link);
  link.abortFlag = 0;
  const bool heating = s.ActChauffe && request.workingSpeed && request.heating;
  if (auto ended = Begin(runner, link, heating)) return *ended;

  const uint8_t flags = RunFlags(s, heating) | (request.progressiveStop ? kFlagProgressiveStop : 0);
  size_t done = 0;
  for (const ProgramLine& line : lines) {
    observer.LineSending(done, line.text);
    const BoardWaitEnd end = runner.Line(flags, request.command, line.text);
    if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
    // A non-zero answer stops the program; the board reports at once.
    if (link.abortFlag) break;
    observer.LineDone(done++);
  }

  const bool finished = link.abortFlag == 0;
  if (auto failed = TakeReport(runner, link, done, finished, !request.motorTest)) return *failed;
  if (request.motorTest) {
    if (!SendBoardPacket(link.serial, flags, kBoardApply)) {
      return runner.Fail(BoardWaitEnd::PortLost, done);
    }
    link.positions.SetOrigin();
  }
  return runner.Settle(link.abortFlag ? BoardRunEnd::StoppedByBoard : BoardRunEnd::Finished, done);
}

}  // namespace orvane
