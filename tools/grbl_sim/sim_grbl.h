#pragma once
// A GRBL-class controller without any I/O: bytes in, bytes and log lines out,
// the time given by the caller. Written from the controller's public
// interface only, sharing nothing with the program's side, so the tests
// compare two independent readings of the same stream. Strict on purpose:
// the receive buffer holds one byte less than it announces (a ring buffer)
// and drops what comes beyond, a line leaves it only when the planner has
// room, and "\r" ends a line as "\n" does. A reset in motion or an alarm
// leaves it in alarm, refusing G-code ("error:9") until "$X"; a limit alarm
// reads nothing at all until a reset.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace orvane::gsim {

struct GrblSimOptions {
  size_t rxBuffer = 128;    // announced in [OPT:]; one byte less is usable
  size_t blockBuffer = 15;  // planner blocks
  std::string axes = "XYZA";
  double timeFactor = 1.0;  // motion runs this many times faster; 0: no time at all
  bool reportOpt = true;    // the [OPT:] line in $I
  bool reportAxes = true;   // the [AXS:] line in $I
  long silentAt = 0;        // from this line on nothing is sent back (the controller still works)
  long errorAt = 0;         // line answered "error:<errorCode>" and not run
  int errorCode = 20;
  long alarmAt = 0;  // line at which "ALARM:<alarmCode>" stops everything
  int alarmCode = 1;
  long garbageAt = 0;         // line answered by noise instead of "ok"
  bool mute = false;          // answers nothing at all, ever
  bool startInAlarm = false;  // powers up locked, as with homing enabled
  bool deafToUnlock = false;  // "$X" gets no answer and changes nothing
};

// Counters for the benchmark and the tests.
struct GrblSimStats {
  long lines = 0;          // lines taken from the receive buffer
  long statusQueries = 0;  // "?" received
  size_t lostBytes = 0;    // dropped because the receive buffer was full
  double running = 0;      // seconds from the first motion line to the program's end
  double starved = 0;      // of which with nothing to do
};

class SimGrbl {
 public:
  explicit SimGrbl(const GrblSimOptions& options);

  // Bytes from the host at `now` (seconds since start).
  void Receive(const uint8_t* data, size_t count, double now);
  // Runs the controller up to `now`.
  void Advance(double now);
  // Seconds until something happens by itself; negative when nothing will.
  double NextEvent(double now) const;

  std::string TakeOutput();
  std::vector<std::string> TakeLog();
  // Written once, at exit: the spindle, the position and the counters.
  std::string Summary(double now);

  bool SpindleOn() const { return spindle_ > 0 && !spindleStopOverride_; }
  const std::vector<double>& Position() const { return position_; }
  const GrblSimStats& Stats() const { return stats_; }

 private:
  enum class State { Idle, Run, Hold, Alarm };
  // One line as read, before it changes anything.
  struct Command {
    std::string system;  // a "$" line
    bool sync = false, move = false, dwell = false, hasAxes = false, end = false;
    std::optional<int> motion, spindle;
    std::optional<bool> inverseTime, absolute;
    std::optional<double> feed, speed, pause;
    std::vector<std::pair<size_t, double>> words;  // axis index, value
  };
  struct Block {
    std::vector<double> from, to;
    double seconds = 0;  // at 100 % feed
    double done = 0;     // seconds of it already run, at 100 % feed
  };

  void RealTime(uint8_t byte, double now);
  void Reset(double now);
  void ProcessLines(double now);
  // Runs one line; false when it must wait for the planner to empty first.
  bool Execute(const std::string& raw, double now);
  int Parse(const std::string& raw, double now);  // 0 or an error code
  void Move(double now, double until);
  void Emit(const std::string& line);
  void Log(double now, const std::string& text);
  void SetSpindle(double now, double speed, const char* why);
  std::string StatusReport() const;
  bool Synchronized() const { return blocks_.empty() && dwellUntil_ <= lastNow_; }

  GrblSimOptions options_;
  State state_ = State::Idle;
  double holdCompleteAt_ = -1;  // feed hold: complete from this time
  std::deque<uint8_t> rx_;
  std::deque<Block> blocks_;
  std::vector<double> position_;
  std::string output_;
  std::vector<std::string> log_;
  GrblSimStats stats_;
  double lastNow_ = 0;
  double dwellUntil_ = 0;
  double dwellLeft_ = 0;  // a dwell frozen by a feed hold
  int feedOverride_ = 100;
  // Modal state.
  bool inverseTime_ = false;
  bool absolute_ = true;
  double feed_ = 0;
  double spindleSpeed_ = 0;
  double spindle_ = 0;  // the output: 0 off
  bool spindleStopOverride_ = false;
  bool silent_ = false;
  bool streaming_ = false;  // between the first motion line and the program's end
  int reportCount_ = 0;
  int motionMode_ = 0;
  bool lineOverflow_ = false;
  bool critical_ = false;  // a limit alarm: lines wait in the buffer until a reset
  long programLine_ = 0;
  Command parsed_;
};

}  // namespace orvane::gsim
