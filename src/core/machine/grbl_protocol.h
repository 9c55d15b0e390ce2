#pragma once
// What a GRBL-class controller says, read line by line: its banner, its
// build information, its status reports, "ok", "error:N" and "ALARM:N". The
// readers take nothing on trust: a line that is not exactly one of these is
// `Other`, which the link treats as a fault.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

enum class GrblLineKind { Ok, Error, Alarm, Status, Banner, Feedback, Other };

struct GrblLine {
  GrblLineKind kind = GrblLineKind::Other;
  int code = 0;  // of "error:N" and "ALARM:N"
};
GrblLine ClassifyGrblLine(std::string_view line);

// A status report "<State|MPos:...|WCO:...|...>". Positions in mm, in the
// controller's axis order.
struct GrblStatus {
  std::string state;  // "Idle", "Run", "Hold:0", "Alarm"...
  std::optional<std::vector<double>> machine, work, offset;
  std::optional<int> feedOverride;
  bool spindleOn = false;  // "A:" with S or C
};
std::optional<GrblStatus> ParseGrblStatus(std::string_view line);

// What `$I` and the status report tell about the controller.
struct GrblBuildInfo {
  std::string version;    // of [VER:]
  size_t rxBuffer = 128;  // of [OPT:], 128 when it does not say
  bool rxReported = false;
  size_t plannerBlocks = 15;  // likewise
  std::string axes;           // of [AXS:], or from the status report's count
};
// Takes one line of the `$I` answer; false when it is none of its lines.
bool ReadGrblBuildLine(std::string_view line, GrblBuildInfo& info);
// The axes of a controller that does not name them: the usual order, as
// many as its status report has positions.
std::string GrblAxesFromCount(size_t count);

// The letters of `wanted` the controller lacks, in order; empty when none.
std::string MissingGrblAxes(std::string_view controllerAxes, std::string_view wanted);

// The meaning of a code, in French, for the user's message.
std::string GrblErrorMeaning(int code);
std::string GrblAlarmMeaning(int code);

// Reads a program line the way the controller will, for what the link needs
// to bound its waits and check the end: how long the line takes at full
// feed, and where the four chosen axes end. Only the words a dialect
// program uses are understood; the controller itself judges the rest.
class GrblProgramClock {
 public:
  // `letters`: the axes of X1 Y1 X2 Y2; `slowestMmPerMin` times moves
  // whose speed the program does not give (rapids).
  GrblProgramClock(std::array<char, 4> letters, double slowestMmPerMin);
  double LineSeconds(std::string_view line);
  // The last target of the four axes, once a move has given one.
  const std::optional<std::array<double, 4>>& End() const { return end_; }
  // An M3 not followed by M5 or M2.
  bool SpindleLeftOn() const { return spindle_; }

 private:
  std::array<char, 4> letters_;
  double slowest_;
  bool inverse_ = false, absolute_ = true;
  int motion_ = 0;
  double feed_ = 0;
  std::array<double, 4> at_{};
  std::optional<std::array<double, 4>> end_;
  bool spindle_ = false;
};

// How far along a program the machine is, from the position the controller
// reports: the program's moves as one path, timed as the clock above times
// them, and the point of it nearest the position among the lines the
// controller may be carrying out. Never goes back.
class GrblPath {
 public:
  GrblPath(const std::vector<std::string>& lines, std::array<char, 4> letters,
           double slowestMmPerMin);
  // `position`: the four axes of X1 Y1 X2 Y2; `acknowledged`: the lines the
  // controller has taken, the one it carries out among them. 0 to 1.
  double Fraction(const std::array<double, 4>& position, size_t acknowledged);

 private:
  std::vector<std::array<double, 4>> ends_;  // where each line leaves the axes
  std::vector<double> times_;                // when, in seconds from the start
  size_t line_ = 0;
  double fraction_ = 0;
};

}  // namespace orvane
