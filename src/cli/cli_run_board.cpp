// orvane-cli run on the USB board: the ".ovg" streamed line by line with its
// feed line replaced, the board's console lines and progress on the terminal,
// the stop question when the board stops, and the heating off on every end.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>

#include "cli/cli_run.h"
#include "core/app/machine_settings.h"
#include "core/common/regular_file.h"
#include "core/machine/axis_positions.h"
#include "core/machine/board_feed.h"
#include "core/machine/board_run.h"
#include "core/machine/cut_opening.h"
#include "core/machine/cut_progress.h"
#include "core/machine/serial_link.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"

namespace orvane::cli {
namespace {

class BoardTerminal : public BoardRunObserver {
 public:
  BoardTerminal(TerminalKeys& keys, const MachineSettings& settings, size_t lineCount,
                uint64_t durationSeconds, bool simulation)
      : keys_(keys),
        settings_(settings),
        lineCount_(lineCount),
        duration_(durationSeconds),
        simulation_(simulation),
        bar_(isatty(STDOUT_FILENO)) {
    progress_ = LineProgressAt(lineCount, 0, durationSeconds);
    progress_.percent = 0;
    progress_.remainingSeconds = durationSeconds;
  }

  bool PollStop() override {
    keys_.Poll(0);
    return TerminationRequested() || keys_.IsKeyDown(Key::Space);
  }
  void PreheatShown(bool shown) override {
    if (!shown) return;
    ClearBar();
    std::cout << "Préchauffage : patientez " << int(settings_.PreChauffe)
              << " secondes (espace : arrêt)\n";
    DrawBar();
  }
  void LineSending(size_t index, const std::string& line) override {
    ClearBar();
    char number[32];
    std::snprintf(number, sizeof number, "%.6zu", index);
    std::cout << number << "  " << line << "\n";
    DrawBar();
  }
  void LineDone(size_t index) override {
    progress_ = LineProgressAt(lineCount_, index, duration_);
    linesDone_ = index + 1;
    DrawBar();
  }
  bool AbandonAfterStop() override {
    ClearBar();
    std::cout << "Arrêt par la carte.\n"
              << (simulation_ ? "Abandonner la simulation ? [o/n] "
                              : "Abandonner la découpe ? [o/n] ")
              << std::flush;
    const bool yes = keys_.AskYes();
    std::cout << (yes ? "o" : "n") << "\n" << std::flush;
    // A signal while the question waited is an answer too.
    return yes || TerminationRequested();
  }
  void Finish(bool completed) {
    if (completed) {
      progress_.percent = 100;
      progress_.remainingSeconds = 0;
      DrawBar();
    }
    if (bar_) std::cout << "\n";
    std::cout << std::flush;
  }

 private:
  void ClearBar() {
    if (bar_) std::cout << "\r\x1b[K";
  }
  void DrawBar() {
    if (!bar_) {
      std::cout << std::flush;
      return;
    }
    constexpr int kWidth = 30;
    const int filled = progress_.percent * kWidth / 100;
    std::cout << "\r[" << std::string(size_t(filled), '#')
              << std::string(size_t(kWidth - filled), ' ') << "] " << progress_.percent
              << " %  restant " << FormatDuration(progress_.remainingSeconds) << "  " << linesDone_
              << "/" << lineCount_ << " lignes" << std::flush;
  }

  TerminalKeys& keys_;
  const MachineSettings& settings_;
  size_t lineCount_;
  uint64_t duration_;
  bool simulation_;
  bool bar_;
  ProgressView progress_;
  size_t linesDone_ = 0;
};

void SayHowItEnded(const BoardRunOutcome& outcome, bool simulation) {
  switch (outcome.end) {
    case BoardRunEnd::Finished:
      std::cout << (simulation ? "Simulation terminée normalement\n"
                               : "Découpe terminée normalement\n");
      return;
    case BoardRunEnd::StoppedByBoard:
      std::cout << (simulation ? "Simulation arrêtée par la carte.\n"
                               : "Découpe arrêtée par la carte.\n");
      return;
    case BoardRunEnd::StoppedByUser:
      // Stopped in the pre-heat the core has nothing to add: nothing moved.
      std::cout << (outcome.message.empty() ? std::string("Découpe interrompue : chauffe coupée.")
                                            : outcome.message)
                << "\n";
      return;
    case BoardRunEnd::NoAnswer:
    case BoardRunEnd::PortLost:
    case BoardRunEnd::Refused:
    case BoardRunEnd::BadAnswer:
      std::cerr << "orvane-cli : " << outcome.message << "\n";
      return;
  }
}

}  // namespace

int RunOnBoard(const RunOptions& options, const MachineSettings& settings, const OpenedCut& cut) {
  const std::string programPath = cut.base + ".ovg";
  const std::optional<std::vector<std::string>> lines = ReadProgramLines(programPath);
  if (!lines) {
    std::cerr << "orvane-cli : impossible de lire " << programPath << "\n";
    return 1;
  }
  // The preset at its centre: the configured periods.
  const int maximum = SpeedPresetMaximum(settings);
  const SpeedPreset preset = ComputeSpeedPreset(settings, maximum / 2, maximum, cut.ticks);
  const std::array<int32_t, 4> periods = {preset.periods[0], preset.periods[2], preset.periods[1],
                                          preset.periods[3]};
  BoardCutRequest request;
  request.lines = *lines;
  request.simulation = options.simulate;
  request.feed = BoardCutFeed(settings, periods, options.simulate);

  TermiosSerialPort serial;
  SerialParams params = SerialSelectorParams(settings);
  if (!options.device.empty()) params.port = options.device;
  serial.SetParams(params);
  serial.Open();
  if (!serial.IsOpen()) {
    std::cerr << "orvane-cli : impossible d'ouvrir le port série " << params.port << " : "
              << serial.OpenError() << "\n";
    return 1;
  }
  CatchTermination();
  MonotonicClock clock;
  if (!ProbeBoard(serial, clock, HoldFlags(settings), kBoardHello)) {
    serial.Close();
    if (TerminationRequested()) DieOfTermination();
    std::cerr << "orvane-cli : aucune carte ne répond sur le port " << params.port << "\n";
    return 1;
  }
  std::cout << "Liaison USB - Keldrino : " << params.port << "\n";
  if (options.simulate) std::cout << BoardSimulationCaption(request.feed) << "\n";
  std::cout << (options.simulate ? "Simulation " : "Découpe ") << cut.base << " : " << lines->size()
            << " lignes, durée estimée " << FormatDuration(preset.durationSeconds) << "\n"
            << std::flush;

  // Where the machine stands is not known here: until an origin or the
  // board's report says otherwise, the first move may start anywhere.
  AxisPositions positions;
  positions.MarkUnknown();
  uint8_t abortFlag = 0;
  BoardLink link{serial, clock, settings, positions, abortFlag};
  BoardRunOutcome outcome;
  {
    TerminalKeys keys;
    BoardTerminal terminal(keys, settings, lines->size(), preset.durationSeconds, options.simulate);
    outcome = RunBoardCut(request, link, terminal);
    terminal.Finish(outcome.end == BoardRunEnd::Finished);
  }
  if (TerminationRequested()) {
    // Whatever the run had got to, the board's heating goes off before the
    // process dies; a run that failed or was stopped has just sent it.
    const bool sent = outcome.end == BoardRunEnd::StoppedByUser ||
                      outcome.end == BoardRunEnd::NoAnswer ||
                      outcome.end == BoardRunEnd::PortLost || outcome.end == BoardRunEnd::BadAnswer;
    if (!sent) SendBoardPacket(serial, HeatingOffFlags(settings), kBoardApply);
    serial.Close();
    PrintPositions(positions);
    DieOfTermination();
  }
  serial.Close();
  SayHowItEnded(outcome, options.simulate);
  PrintPositions(positions);
  return outcome.end == BoardRunEnd::Finished ? 0 : 1;
}

}  // namespace orvane::cli
