// The board's answers are untrusted bytes: the identification block and the
// final report must decode to something whatever they hold, and a program
// whose answers come from the input must end (answered, stopped or timed
// out) without a crash or a hang.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/board_run.h"
#include "fuzz_counters.h"

namespace {

// The input is the board's answers, each a length byte and its bytes. An
// answer becomes readable, whole, only once a packet was written, as a board
// speaks only when spoken to; so the program's draining of stray bytes before
// each packet cannot swallow the answers to come.
class AnswerPort : public orvane::SerialPort {
 public:
  AnswerPort(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  void Open() override {}
  void Close() override {}
  bool IsOpen() const override { return true; }
  size_t InputCount() override { return answers_.size() - read_; }
  void ClearBuffer(bool input, bool) override {
    if (input) read_ = answers_.size();
  }
  orvane::SerialWrite WriteBytes(const uint8_t*, size_t, const std::atomic<bool>*) override {
    if (next_ < size_) {
      const size_t announced = data_[next_++];
      const size_t length = std::min(announced, size_ - next_);
      answers_.insert(answers_.end(), data_ + next_, data_ + next_ + length);
      next_ += length;
    }
    return orvane::SerialWrite::Done;
  }
  size_t Read(uint8_t* out, size_t count) override {
    size_t n = 0;
    for (; n < count && read_ < answers_.size(); ++n) out[n] = answers_[read_++];
    return n;
  }
  orvane::SerialParams Params() const override { return {}; }
  void SetParams(const orvane::SerialParams&) override {}

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
  std::vector<uint8_t> answers_;
  size_t read_ = 0;
};

// Every look at the counter moves it a quarter of a second on, so each limit
// ends after a few looks; answers are there at once, so none comes too late.
class JumpingClock : public orvane::Clock {
 public:
  int64_t Counter() override { return now_ += 250'000'000; }
  int64_t TicksPerMicrosecond() const override { return 1000; }
  void SleepMilliseconds(int) override {}

 private:
  int64_t now_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"board identified", "cut finished", "stopped by the board"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const MachineSettings settings;
  const auto board = DecodeBoardIdentification(std::span<const uint8_t>(data, size));
  if (BoardIdentificationLines(board, settings).empty()) std::abort();
  if (board) counters.Reached("board identified");
  if (size >= kBoardReportSize) {
    const BoardReport report = DecodeBoardReport(std::span<const uint8_t, 16>(data, 16));
    for (int64_t steps : report.steps) {
      if (steps > 0xFFFFFF || steps < -0xFFFFFF) std::abort();
    }
  }

  AnswerPort port(data, size);
  JumpingClock clock;
  AxisPositions positions;
  uint8_t abortFlag = 0;
  BoardLink link{port, clock, settings, positions, abortFlag};
  BoardRunObserver observer;
  BoardCutRequest cut;
  cut.lines = {"F300", "G0 X 0 Y 0 A 0 B 0", "G1 X 1 Y 2 A 3 B 4", "M2"};
  cut.feed = 300;
  const BoardRunOutcome outcome = RunBoardCut(cut, link, observer);
  // Finished only with every line acknowledged and a report without a stop.
  if (outcome.end == BoardRunEnd::Finished) {
    if (outcome.linesDone != cut.lines.size() || abortFlag != 0) std::abort();
    counters.Reached("cut finished");
  }
  if (outcome.end == BoardRunEnd::StoppedByBoard) {
    if (abortFlag == 0) std::abort();
    counters.Reached("stopped by the board");
  }
  return 0;
}
