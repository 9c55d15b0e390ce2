#pragma once
// The board's side of the USB link, without any I/O: packets in, answers and
// log lines out. Written from the board's point of view on purpose, sharing
// nothing with the program's encoders, so tests compare two independent sides.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace orvane::sim {

inline constexpr size_t kPacketSize = 48;

struct SimOptions {
  double speed = 1.0;     // scale of line and pre-heat durations; 0 answers at once
  long stopAt = 0;        // line answered 1, as the emergency switch does
  long silentAt = 0;      // line from which nothing is answered
  long disconnectAt = 0;  // line at which the cable is pulled
  uint8_t hello = 0xAA;
  bool shortIdent = false;
  bool garbageAfterHello = false;  // a stream of 0x00 once the hello is answered
  long strayAfter = 0;             // line whose acknowledgement is followed by a stray byte
  bool shortReport = false;        // reports cut short
  long preheat = -1;               // the pre-heat seconds held before any parameters packet
};

struct SimAnswer {
  double due;  // seconds since start
  std::vector<uint8_t> bytes;
};

class SimBoard {
 public:
  explicit SimBoard(const SimOptions& options) : options_(options) {
    if (options.preheat >= 0) params_.preheat = static_cast<uint8_t>(options.preheat);
  }

  enum class Action { Continue, Disconnect };
  // One whole packet received at `now` (seconds since start).
  Action Receive(const uint8_t* packet, double now);
  // Bytes of a packet still incomplete when the line went quiet or closed:
  // kept, as a board with fixed framing keeps them, but reported.
  void FramingError(size_t count, double now);

  // Answers whose time has come, in order; removed from the queue.
  std::vector<uint8_t> TakeDue(double now);
  // Seconds until the next answer is due; negative when none is queued.
  double NextDue(double now) const;

  // Log lines not yet written out.
  std::vector<std::string> TakeLog();

  // Board state, for tests of the model itself.
  const std::array<int64_t, 4>& Positions() const { return positions_; }
  uint8_t OutputFlags() const { return outputFlags_; }
  long LineCount() const { return lineCount_; }

 private:
  struct Params {
    uint16_t steps = 200;
    uint8_t duty = 50, vminWhole = 0, vminHundredths = 33, slope = 70, preheat = 8, baud = 1;
  };

  void Log(double now, const uint8_t* packet);
  void Answer(double due, std::vector<uint8_t> bytes);
  void Line(const uint8_t* packet, double now);
  // Why a board would refuse a line packet; empty when it takes it.
  std::string Refusal(const uint8_t* packet) const;
  double Move(const std::string& text, bool startPoint);
  std::vector<uint8_t> Report(bool stopped) const;
  std::vector<uint8_t> Identification() const;

  SimOptions options_;
  Params params_;
  uint8_t outputFlags_ = 0;
  std::array<double, 4> coordinates_{};  // mm, X Y A B
  std::array<int64_t, 4> positions_{};   // steps
  double feed_ = 0;                      // mm/min of the last "F" line
  long lineCount_ = 0;
  double busyUntil_ = 0;
  bool silent_ = false;
  double garbageFrom_ = -1;  // when the stream of 0x00 began
  long garbageSent_ = 0;
  std::deque<SimAnswer> answers_;
  std::vector<std::string> log_;
};

}  // namespace orvane::sim
