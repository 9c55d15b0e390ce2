#pragma once

#include <QWidget>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/app/app_context.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QSoundEffect;

namespace orvane {
struct OpenedCut;
struct ProgressView;
}  // namespace orvane

namespace orvane::ui {

// What the execution window hands over when a run starts.
struct CutRunRequest {
  const OpenedCut* cut = nullptr;
  bool simulation = false;                   // "Simulation" (the board only)
  std::array<int32_t, 4> adjustedPeriods{};  // `AdjustedPeriods`, in the order X1, X2, Y1, Y2
  uint64_t durationSeconds = 0;              // `CutDurationSeconds`
};

enum class CutRunEnd {
  Completed,  // ran to its end: the end sound and message follow
  Stopped,    // a stop, an abandon, a termination signal: no sound, no end message
  Failed,     // a missing file, a port or a board that failed: `message` says why
};

struct CutRunOutcome {
  CutRunEnd end = CutRunEnd::Failed;
  std::string message;
};

// The progress window of a running cut ("Orvane - Découpe en cours..."). It
// runs the cut on the link of the settings in memory and is shown only while
// the run lasts; the heating is off whenever `RunCut` returns.
class TFormStop : public QWidget {
 public:
  explicit TFormStop(AppContext& context, QWidget* parent = nullptr);
  ~TFormStop() override;

  // The execution window's show: the live trim's range from the mean of the
  // configured periods, "0 µs".
  void PrepareTrim(double meanConfiguredPeriod);
  // Checks the needed file, sets the origin, pre-heats and runs; returns once
  // the run has ended and this window is closed.
  CutRunOutcome RunCut(const CutRunRequest& request);
  // Once the execution window shows again: the end sound and "Découpe
  // terminée normalement" (or "Simulation terminée normalement") after a
  // completed run, the outcome's message after a failed one, after a stop
  // only what the stop left to know (the position lost).
  void AnnounceEnd(const CutRunOutcome& outcome, bool simulation);

  // Plays the end sound's file; the default uses the system's audio output
  // and is silent without one. Tests put their own.
  using SoundPlayer = std::function<void(const std::string& path)>;
  void SetSoundPlayer(SoundPlayer player) { player_ = std::move(player); }
  // Where the end sound is looked for (the program's data folders by default).
  void SetSoundFile(std::string path) { soundFile_ = std::move(path); }

  // Called by the running cut's views.
  void ShowProgress(const ProgressView& view);
  void ShowPreheat(bool visible, int seconds);
  void ShowTrim(const std::string& label);
  void AddConsoleLine(const std::string& line);
  // A program line as sent, after its number.
  void AddProgramLine(size_t index, const std::string& line);
  // Processes pending events; true when the run must end now (a
  // termination signal is closing the program).
  bool PumpEvents();
  bool Closing() const { return context_.closingOnSignal; }
  // A yes/no question on the window as it stands, held keys let go; true
  // for "Oui". A program closing on a signal, before or while it is asked,
  // answers `onClose`.
  bool Ask(const std::string& question, bool onClose);
  // The question after a stop; true to abandon, as a closing program does.
  bool AskAbandon(const std::string& question) { return Ask(question, true); }

  QLabel* Image1 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Progression = nullptr;
  QLabel* InterTime = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPlainTextEdit* Console = nullptr;
  QSlider* TrackBar1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* LabelInc = nullptr;
  QFrame* PanelPrechauffe = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* LabelPanelPrechauffe = nullptr;

 private:
  void SetUpFor(uint8_t portType);
  CutRunOutcome RunSteps(const CutRunRequest& request);
  CutRunOutcome RunBoard(const CutRunRequest& request);
  CutRunOutcome RunGrbl(const CutRunRequest& request);
  void PlaySound(const std::string& path);

  AppContext& context_;
  SoundPlayer player_;
  std::string soundFile_;
  std::unique_ptr<QSoundEffect> sound_;
  std::string durationText_ = "00:00:00";
};

}  // namespace orvane::ui
