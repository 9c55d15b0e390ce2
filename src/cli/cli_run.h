#pragma once
// What orvane-cli run shares between the step-file links and the USB board:
// its options, the terminal standing in for the progress window, and the
// termination signals.
#include <termios.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "core/app/host_services.h"
#include "core/common/regular_file.h"

namespace orvane {
class AxisPositions;
class MonotonicClock;
class PortOutput;
class RecordingFile;
class VirtualPort;
struct OpenedCut;
}  // namespace orvane

namespace orvane::cli {

struct RunOptions {
  std::string cut;
  std::string link;
  std::string device;
  std::string record;
  bool simulate = false;
  std::string program;  // the GRBL link's program, BASE.nc by default
  std::string axes;     // its letters for X1 Y1 X2 Y2; empty: the settings' dialect
  std::string baud;     // its rate; empty: the settings'
  bool unlock = false;  // a controller found in alarm is unlocked ("$X") first
};

// The terminal's keys as key states: a space stays "down" until the run has
// seen it; an arrow counts as held for one look. Raw mode only on a terminal,
// and Ctrl-C still raises SIGINT.
class TerminalKeys : public KeyState {
 public:
  TerminalKeys();
  ~TerminalKeys() override;
  TerminalKeys(const TerminalKeys&) = delete;
  TerminalKeys& operator=(const TerminalKeys&) = delete;

  bool IsKeyDown(Key key) const override;
  // Reads what was typed, waiting at most `milliseconds`.
  void Poll(int milliseconds);
  void ReleaseSpace() { space_ = false; }
  // "o" abandons, "n" resumes; the end of the input (or a signal) abandons:
  // nobody is there to watch the wire heat again.
  bool AskYes();

 private:
  bool NextByte(char& c);

  termios saved_{};
  bool interactive_ = false;
  bool eof_ = false;
  bool space_ = false, right_ = false, left_ = false, up_ = false, down_ = false;
  // From a file or a pipe, what came before the question is its answer.
  std::string typedAhead_;
};

// Every termination signal rests the parallel port's heating at once and
// asks the run to stop; the run ends through its own guards, then the
// process dies of the signal.
void CatchTermination();
bool TerminationRequested();
// The same request, for a run that polls it.
const std::atomic<bool>* TerminationFlag();
// The link drives no heating: the signal's last words do not claim it off.
void MarkNoHeatingOutput();
int TerminationSignal();
[[noreturn]] void DieOfTermination();

void PrintPositions(const AxisPositions& positions);

// The parallel port of a run and the recording its writes stream to. The
// port goes first, so that its stream ends into a file still open.
struct RestedParallelPort {
  std::unique_ptr<RecordingFile> file;
  std::unique_ptr<PortOutput> port;
  VirtualPort* recorded = nullptr;  // the port, when it streams to `file`
  RestedParallelPort();
  ~RestedParallelPort();
  // Stops the recording's stream and says when it could not be written whole.
  void Finish(const std::string& recordPath);
};
// Opens the port and brings it to rest before anything else is done; with
// `record`, on the virtual port streaming to that file. False after the message.
bool OpenRestedParallelPort(const std::string& record, const MachineSettings& settings,
                            MonotonicClock& clock, RestedParallelPort& parallel);

// The cut streamed to the USB board (or simulated on it).
int RunOnBoard(const RunOptions& options, const MachineSettings& settings, const OpenedCut& cut);
// The program streamed to a GRBL-class controller.
int RunOnGrbl(const RunOptions& options, const MachineSettings& settings, const OpenedCut& cut);

}  // namespace orvane::cli
