#include "core/machine/board_run.h"

#include <algorithm>

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

// One program on the board: keeps the time the board may still need, and
// leaves the heating off on every way out but the program's own end.
class Runner {
 public:
  Runner(BoardLink& link, BoardRunObserver& observer, double slackMm)
      : link_(link), observer_(observer), timer_(link.settings, slackMm) {}
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

  // The board answers a pre-heat when it is over; it moves nothing meanwhile.
  BoardWaitEnd Preheat(bool resume) {
    observer_.PreheatShown(true);
    SendBoardPacket(link_.serial, RunFlags(link_.settings, true),
                    resume ? kBoardPreheatResume : kBoardPreheat);
    const BoardWaitEnd end = WaitBoardAck(link_.serial, link_.clock, PreheatLimitUs(link_.settings),
                                          &observer_, link_.abortFlag);
    observer_.PreheatShown(false);
    return end;
  }

  BoardWaitEnd Line(uint8_t flags, uint8_t command, const std::string& line) {
    const std::optional<BoardPacket> packet = MakeBoardLinePacket(flags, command, line);
    if (!packet) return BoardWaitEnd::PortLost;  // checked before anything was sent
    const int64_t now = NowUs();
    // A board that buffers lines answers early and runs later: the time of
    // everything sent and not yet run counts.
    queueEndUs_ = std::max(queueEndUs_, now) + timer_.LineMicroseconds(line);
    const int64_t limit = 2 * (queueEndUs_ - now) + kBoardAnswerMarginUs;
    link_.serial.Write(packet->data(), packet->size());
    moved_ = true;
    return WaitBoardAck(link_.serial, link_.clock, limit, &observer_, link_.abortFlag);
  }

  BoardWaitEnd Report(BoardReport& report) {
    const int64_t now = NowUs();
    const int64_t limit = 2 * std::max<int64_t>(0, queueEndUs_ - now) + kBoardAnswerMarginUs;
    return ReadBoardReport(link_.serial, link_.clock, limit, &observer_, report);
  }

  void ResetQueue() { queueEndUs_ = 0; }

  // The board went silent, the port went away, or the user stopped a wait.
  BoardRunOutcome Fail(BoardWaitEnd end, size_t linesDone) {
    SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply);
    settled_ = true;
    link_.abortFlag = 1;
    BoardRunOutcome outcome;
    outcome.linesDone = linesDone;
    switch (end) {
      case BoardWaitEnd::Stopped:
        outcome.end = BoardRunEnd::StoppedByUser;
        // Stopped while pre-heating: nothing moved, nothing to say.
        if (moved_) outcome.message = kBoardUserStopMessage;
        break;
      case BoardWaitEnd::PortLost:
        outcome.end = BoardRunEnd::PortLost;
        outcome.message = kBoardSilentMessage;
        break;
      default:
        outcome.end = BoardRunEnd::NoAnswer;
        outcome.message = kBoardSilentMessage;
        break;
    }
    if (moved_ || end != BoardWaitEnd::Stopped) link_.positions.MarkUnknown();
    return outcome;
  }

  // The board stopped before any line ran (its answer to the pre-heat).
  BoardRunOutcome StoppedInPreheat() {
    SendBoardPacket(link_.serial, HeatingOffFlags(link_.settings), kBoardApply);
    return Settle(BoardRunEnd::StoppedByBoard, 0);
  }

  BoardRunOutcome Settle(BoardRunEnd end, size_t linesDone) {
    settled_ = true;
    return {end, {}, linesDone};
  }

 private:
  int64_t NowUs() { return link_.clock.Counter() / link_.clock.TicksPerMicrosecond(); }

  BoardLink& link_;
  BoardRunObserver& observer_;
  BoardLineTimer timer_;
  int64_t queueEndUs_ = 0;
  bool moved_ = false;
  bool settled_ = false;
};

// Only what the board sent: clearing the transmit side would drop the
// unsent part of the packet just written (the origin, the stop's output
// levels) and shift the board's framing of every packet after it.
void ClearAnswers(BoardLink& link) {
  link.serial.ClearBuffer(true, false);
}

double SlackMm(const BoardLink& link) {
  return DistanceFromOriginMm(link.settings, link.positions.Steps(), link.positions.Known());
}

}  // namespace

BoardRunOutcome RunBoardCut(const BoardCutRequest& request, BoardLink& link,
                            BoardRunObserver& observer) {
  const MachineSettings& s = link.settings;
  std::string refusal;
  const std::vector<ProgramLine> lines = PrepareLines(request.lines, request.feed, refusal);
  if (!refusal.empty()) {
    link.abortFlag = 1;
    return {BoardRunEnd::Refused, refusal, 0};
  }

  if (!request.simulation && s.OrigineAuto) {
    SendBoardPacket(link.serial, kFlagSetOrigin, kBoardApply);
    link.positions.SetOrigin();
  }
  Runner runner(link, observer, SlackMm(link));
  ClearAnswers(link);
  link.abortFlag = 0;
  const bool preheat = s.ActChauffe && !request.simulation;
  if (preheat) {
    const BoardWaitEnd end = runner.Preheat(false);
    if (end != BoardWaitEnd::Answered) return runner.Fail(end, 0);
    if (link.abortFlag) return runner.StoppedInPreheat();
  }

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
    SendBoardPacket(link.serial, BoardStopFlags(s), kBoardApply);
    BoardReport report;
    end = runner.Report(report);
    if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
    ApplyBoardReport(report, link.positions, link.abortFlag);
    if (!s.Reprise || observer.AbandonAfterStop()) {
      return runner.Settle(BoardRunEnd::StoppedByBoard, done);
    }
    ClearAnswers(link);
    link.abortFlag = 0;
    runner.ResetQueue();
    if (preheat) {
      end = runner.Preheat(true);
      if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
      if (link.abortFlag) return runner.StoppedInPreheat();
    }
  }

  BoardReport report;
  const BoardWaitEnd end = runner.Report(report);
  if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
  ApplyBoardReport(report, link.positions, link.abortFlag);
  return runner.Settle(link.abortFlag ? BoardRunEnd::StoppedByBoard : BoardRunEnd::Finished, done);
}

BoardRunOutcome RunBoardProgram(const BoardProgramRequest& request, BoardLink& link,
                                BoardRunObserver& observer) {
  const MachineSettings& s = link.settings;
  std::string refusal;
  const std::vector<ProgramLine> lines = PrepareLines(request.lines, std::nullopt, refusal);
  if (!refusal.empty()) {
    link.abortFlag = 1;
    return {BoardRunEnd::Refused, refusal, 0};
  }

  Runner runner(link, observer, SlackMm(link));
  ClearAnswers(link);
  link.abortFlag = 0;
  const bool heating = s.ActChauffe && request.workingSpeed;
  if (heating) {
    const BoardWaitEnd end = runner.Preheat(false);
    if (end != BoardWaitEnd::Answered) return runner.Fail(end, 0);
    if (link.abortFlag) return runner.StoppedInPreheat();
  }

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

  BoardReport report;
  const BoardWaitEnd end = runner.Report(report);
  if (end != BoardWaitEnd::Answered) return runner.Fail(end, done);
  if (request.motorTest) {
    if (report.stopped) link.abortFlag = 1;
    SendBoardPacket(link.serial, flags, kBoardApply);
    link.positions.SetOrigin();
  } else {
    ApplyBoardReport(report, link.positions, link.abortFlag);
  }
  return runner.Settle(link.abortFlag ? BoardRunEnd::StoppedByBoard : BoardRunEnd::Finished, done);
}

}  // namespace orvane
