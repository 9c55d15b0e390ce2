#pragma once
// The GRBL streaming link: a G-code program sent to a GRBL-class controller
// with character counting (never more bytes in flight than its receive
// buffer holds), its status asked five times a second, the stop by feed
// hold, and the spindle output (the wire's heating) off on every way out but
// the program's own end, where the program switched it off itself.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/machine/axis_positions.h"
#include "core/machine/board_wait.h"
#include "core/machine/grbl_protocol.h"
#include "core/machine/grbl_settings.h"

namespace orvane {

class Clock;
class SerialPort;
struct MachineSettings;

inline constexpr char kGrblLinkName[] = "Contrôleur GRBL";
// Five status queries a second.
inline constexpr int64_t kGrblStatusPeriodUs = 200'000;

// What the controller said on opening, and what the link keeps of it.
struct GrblOpening {
  bool ok = false;
  std::string message;  // why not, when not
  GrblBuildInfo info;
  std::vector<std::string> lines;  // the banner and the `$I` answer, as received
  // Refused only because the controller is in alarm: what it said of it
  // ("ALARM:3", or its state "Alarm"); empty otherwise.
  std::string alarm;
  bool unlocked = false;  // by `UnlockGrbl`: the controller's positions are not to be trusted
};

// Soft reset, banner, `$I`, one status report. A controller in alarm, or one
// that does not answer within its bounds, is refused. `host` may stop it.
GrblOpening OpenGrbl(SerialPort& serial, Clock& clock, WaitHost* host);

// A controller `OpenGrbl` found in alarm, unlocked ("$X"): its "ok", then a
// status report that says it is idle with the spindle off, each within its
// bound. Anything else leaves `opening` refused with the reason. Nothing
// moves; the message says the positions are unknown.
void UnlockGrbl(SerialPort& serial, Clock& clock, WaitHost* host, GrblOpening& opening);

enum class GrblTrim { None, Faster, Slower, Reset };

// The window's (or the terminal's) side of a running program.
class GrblRunObserver : public WaitHost {
 public:
  bool PollStop() override { return false; }
  virtual GrblTrim PollTrim() { return GrblTrim::None; }
  virtual void PreheatShown(bool shown) { (void)shown; }
  virtual void LineSent(size_t index, const std::string& line) { (void)index, (void)line; }
  // Lines acknowledged so far, of `total`.
  virtual void LinesDone(size_t done, size_t total) { (void)done, (void)total; }
  // How far along its path the machine is (0 to 1), at every status report.
  virtual void PathDone(double fraction) { (void)fraction; }
  // The feed override now in force, in percent.
  virtual void FeedOverride(int percent) { (void)percent; }
  // Held, heating off: true abandons, false resumes. Asked only when
  // resuming is allowed.
  virtual bool AbandonAfterStop() { return true; }
};

enum class GrblRunEnd {
  Finished,         // every line acknowledged, the controller idle at the program's end
  StoppedByUser,    // held and abandoned: reset, heating off
  ControllerError,  // "error:N"
  Alarm,            // "ALARM:N"
  NoAnswer,         // silent past its bound
  PortLost,
  BadAnswer,  // something it cannot have meant
  Refused,    // nothing was sent
};

struct GrblRunOutcome {
  GrblRunEnd end = GrblRunEnd::Finished;
  std::string message;
  size_t linesDone = 0;
  size_t maxInFlight = 0;  // the most bytes ever in the controller's buffer
};

struct GrblCutRequest {
  std::vector<std::string> lines;                   // the program, without line ends
  std::array<char, 4> letters{'X', 'Y', 'Z', 'A'};  // the axes of X1 Y1 X2 Y2
  int preheatSeconds = 0;                           // waited again before a resume
  bool resumeAllowed = false;
};

struct GrblLink {
  SerialPort& serial;
  Clock& clock;
  const MachineSettings& settings;
  AxisPositions& positions;
};

// Streams the program to a controller that `OpenGrbl` opened.
GrblRunOutcome RunGrblCut(const GrblCutRequest& request, const GrblOpening& opening, GrblLink& link,
                          GrblRunObserver& observer);

// Machine positions (mm, the controller's axis order) as each motor's steps.
AxisSteps GrblStepsOf(const std::vector<double>& mm, const std::string& axes,
                      const std::array<char, 4>& letters, const MachineSettings& settings);

}  // namespace orvane
