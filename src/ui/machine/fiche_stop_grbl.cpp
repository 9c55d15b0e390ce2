// The progress window's run on a GRBL-class controller: the program streamed
// by the core link, its lines in the console, the arrows as feed overrides
// (one step a press), the space bar as the feed hold and its question.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>

#include "core/common/regular_file.h"
#include "core/cut/gcode_dialect.h"
#include "core/machine/cut_opening.h"
#include "core/machine/cut_progress.h"
#include "core/machine/grbl_link.h"
#include "core/machine/grbl_settings.h"
#include "core/machine/serial_link.h"
#include "ui/machine/fiche_stop.h"

namespace orvane::ui {
namespace {

class WindowGrblObserver : public GrblRunObserver {
 public:
  WindowGrblObserver(TFormStop& window, AppContext& context, uint64_t durationSeconds,
                     int preheatSeconds)
      : window_(window),
        context_(context),
        duration_(durationSeconds),
        preheatSeconds_(preheatSeconds) {}
  bool PollStop() override { return window_.PumpEvents() || context_.keys->IsKeyDown(Key::Space); }
  // A press is one step of the override, however long the key is held.
  GrblTrim PollTrim() override {
    const KeyState& keys = *context_.keys;
    const int now = keys.IsKeyDown(Key::Right)                             ? 1
                    : keys.IsKeyDown(Key::Left)                            ? 2
                    : keys.IsKeyDown(Key::Up) || keys.IsKeyDown(Key::Down) ? 3
                                                                           : 0;
    const int pressed = now != held_ ? now : 0;
    held_ = now;
    switch (pressed) {
      case 1:
        return GrblTrim::Faster;
      case 2:
        return GrblTrim::Slower;
      case 3:
        return GrblTrim::Reset;
      default:
        return GrblTrim::None;
    }
  }
  void FeedOverride(int percent) override {
    window_.LabelInc->setText(QStringLiteral("Avance %1 %").arg(percent));
  }
  void PreheatShown(bool shown) override {
    window_.ShowPreheat(shown, preheatSeconds_);
    window_.repaint();
  }
  void LineSent(size_t index, const std::string& line) override {
    window_.AddProgramLine(index, line);
  }
  // From where the machine is: the controller takes lines well before it
  // carries them out.
  void PathDone(double fraction) override {
    window_.ShowProgress(PathProgressAt(fraction, duration_));
  }
  bool AbandonAfterStop() override {
    window_.AddConsoleLine("Arrêt demandé : avance suspendue, chauffe coupée");
    const bool abandon = window_.AskAbandon("Abandonner la découpe ?");
    if (!abandon) window_.AddConsoleLine("Reprise de la découpe");
    return abandon;
  }

 private:
  TFormStop& window_;
  AppContext& context_;
  uint64_t duration_;
  int preheatSeconds_;
  int held_ = 0;
};

}  // namespace

CutRunOutcome TFormStop::RunGrbl(const CutRunRequest& request) {
  MachineSettings& s = context_.settings;
  GrblCutRequest grbl;
  std::optional<std::vector<std::string>> read = ReadProgramLines(request.cut->base + ".nc");
  if (!read) return {CutRunEnd::Failed, "Fichier de découpe manquant"};
  std::erase(*read, std::string());  // blank lines are no G-code
  grbl.lines = std::move(*read);
  // The letters the program was written with; the heating and its pre-heat
  // are the program's own, whatever the settings say.
  const ProgramTraits traits = ReadProgramTraits(grbl.lines);
  std::string axes = traits.axes;
  if (axes.empty() && context_.store) axes = ReadGcodeDialect(*context_.store).dialect.axes;
  if (axes.size() == 4) std::copy(axes.begin(), axes.end(), grbl.letters.begin());
  grbl.preheatSeconds = traits.preheatSeconds;
  grbl.resumeAllowed = s.Reprise;

  // Opened afresh at the controller's rate: a controller unplugged and
  // plugged again since the last run is a new device behind the same path.
  SerialPort& serial = *context_.serial;
  const int baud = context_.store ? ReadGrblBaudRate(*context_.store).baud : kGrblDefaultBaudRate;
  serial.Close();
  serial.SetParams(GrblSerialParams(s, baud));
  serial.Open();
  if (!serial.IsOpen()) {
    return {CutRunEnd::Failed, "Contrôleur GRBL inaccessible sur " + s.SerialPort +
                                   " : découpe impossible (" + serial.OpenError() + ")."};
  }

  SetUpFor(2);
  Label3->setText(QStringLiteral("BARRE D'ESPACE"));
  LabelInc->setVisible(true);
  LabelInc->setText(QStringLiteral("Avance 100 %"));
  ProgressBar1->setRange(0, 100);
  ShowProgress(PathProgressAt(0, request.durationSeconds));
  show();
  activateWindow();
  repaint();
  QCoreApplication::processEvents();
  context_.abortFlag = 0;

  WindowGrblObserver observer(*this, context_, request.durationSeconds, grbl.preheatSeconds);
  GrblOpening opening = OpenGrbl(serial, *context_.clock, &observer);
  if (!opening.alarm.empty() && Ask("Le contrôleur GRBL est en alarme (" + opening.alarm +
                                        "). Le déverrouiller ($X) et lancer la découpe ?",
                                    false)) {
    UnlockGrbl(serial, *context_.clock, &observer, opening);
    // The controller's own positions are not to be trusted any more.
    if (opening.ok) context_.positions.MarkUnknown();
  }
  if (opening.ok) AddConsoleLine(opening.lines.front());
  if (opening.unlocked) AddConsoleLine(opening.message);
  GrblLink link{serial, *context_.clock, s, context_.positions};
  const GrblRunOutcome result = RunGrblCut(grbl, opening, link, observer);
  switch (result.end) {
    case GrblRunEnd::Finished:
      return {CutRunEnd::Completed, {}};
    case GrblRunEnd::StoppedByUser:
      return {CutRunEnd::Stopped, result.message};
    default:
      break;
  }
  AddConsoleLine(result.message);
  return {CutRunEnd::Failed, result.message};
}

}  // namespace orvane::ui
