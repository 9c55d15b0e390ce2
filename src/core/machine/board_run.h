#pragma once
// The two programs the USB board runs: a cut (or its simulation) streamed
// line by line, and the small manual programs of manual control and the motor
// tests. The windows only call these and show what they report.

#include <cstdint>
#include <string>
#include <vector>

#include "core/machine/board_wait.h"

namespace orvane {

class AxisPositions;

// What a board program works on; everything outlives the call.
struct BoardLink {
  SerialPort& serial;
  Clock& clock;
  const MachineSettings& settings;
  AxisPositions& positions;
  uint8_t& abortFlag;
};

// The window's side of a running program. `PollStop` (from `WaitHost`) runs
// during every wait.
class BoardRunObserver : public WaitHost {
 public:
  bool PollStop() override { return false; }
  // The pre-heat panel, shown while the board pre-heats.
  virtual void PreheatShown(bool shown) { (void)shown; }
  // Line `index` (counting the lines sent, from 0) goes to the board now.
  virtual void LineSending(size_t index, const std::string& line) { (void)index, (void)line; }
  // The board acknowledged line `index` and goes on.
  virtual void LineDone(size_t index) { (void)index; }
  // The board stopped the cut and its report is in: true abandons, false
  // resumes at the interrupted line. Asked only when resuming is allowed.
  virtual bool AbandonAfterStop() { return true; }
};

enum class BoardRunEnd {
  Finished,        // the program ran to its end
  StoppedByBoard,  // emergency switch or a stop condition: `AbortFlag` holds it
  StoppedByUser,   // the stop key during a wait
  NoAnswer,        // the board stayed silent past the limit
  PortLost,        // the serial port failed or went away
  Refused,         // a line could not fit a packet: nothing was sent
  BadAnswer,       // the board answered what does not fit: nothing it did is confirmed
};

struct BoardRunOutcome {
  BoardRunEnd end = BoardRunEnd::Finished;
  std::string message;  // to show when not empty
  size_t linesDone = 0;
  size_t strayBytes = 0;  // sent by the board unasked, drained before each packet
};

// The heating-off packet went out; "chauffe coupée" is said only then.
inline constexpr char kBoardSilentMessage[] =
    "La carte ne répond plus : découpe arrêtée, chauffe coupée.";
inline constexpr char kBoardLostMessage[] =
    "La carte ne répond plus : découpe arrêtée. La liaison est perdue : vérifiez que la chauffe "
    "est coupée.";
inline constexpr char kBoardUserStopMessage[] =
    "Arrêt demandé : chauffe coupée, la position de la machine est inconnue.";
inline constexpr char kBoardBadAnswerMessage[] =
    "Réponse incohérente de la carte : découpe arrêtée, chauffe coupée, positions inconnues.";
inline constexpr char kBoardNoIdentificationMessage[] =
    "La carte ne donne pas son identification : rien n'a été lancé.";
// Every line acknowledged and the report right, but bytes nobody asked for.
std::string BoardStrayBytesMessage(size_t count);

struct BoardCutRequest {
  std::vector<std::string> lines;  // the ".ovg" file's lines, without line ends
  uint16_t feed = 0;               // replaces every "F" line
  bool simulation = false;
};
// Origin (real cut with `OrigineAuto`), the board's identification (its own
// pre-heat time and steps per mm), pre-heat, line / acknowledgement pairs,
// the final report, which must match the end of the program. A stop by the board asks the observer
// whether to resume (with `Reprise`), and a resumed cut pre-heats again and sends the interrupted
// line anew.
BoardRunOutcome RunBoardCut(const BoardCutRequest& request, BoardLink& link,
                            BoardRunObserver& observer);

struct BoardProgramRequest {
  std::vector<std::string> lines;      // four lines (`BoardMoveProgram`)
  uint8_t command = kBoardManualLine;  // or `kBoardReturnLine`
  bool workingSpeed = false;           // heating and pre-heat with `ActChauffe`
  bool progressiveStop = false;        // flag 0x20
  // Motor tests take only the stop from the report, put the output levels
  // back and count from 0 again.
  bool motorTest = false;
  bool heating = true;  // false: working speed with the wire cold (a motor test)
};
BoardRunOutcome RunBoardProgram(const BoardProgramRequest& request, BoardLink& link,
                                BoardRunObserver& observer);

}  // namespace orvane
