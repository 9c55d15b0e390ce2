// Before any Qt header: one of its fields is named like a Qt keyword macro.
#include "core/machine/cut_opening.h"

#include "ui/machine/fiche_stop.h"
#include "ui/machine/step_output.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QSoundEffect>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/common/regular_file.h"
#include "core/machine/board_feed.h"
#include "core/machine/board_run.h"
#include "core/machine/centronic.h"
#include "core/machine/cut_progress.h"
#include "core/machine/heat_guard.h"
#include "core/machine/serial_step.h"
#include "core/machine/step_file_run.h"
#include "core/machine/tick_output.h"
#include "host/data_files.h"
#include "host/realtime.h"
#include "ui/app/key_state_filter.h"

namespace orvane::ui {
namespace {

// The stop hint and the pre-heat title: bold, red, larger by `scale`.
void ShowAsWarning(QLabel* label, double scale) {
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * scale);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
}

constexpr int kWidth = 470;
constexpr int kStepHeight = 188;
constexpr int kBoardHeight = 292;
// How long the window thread lets pass between two looks at a run.
constexpr int kLookMilliseconds = 2;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

class WindowStepView : public StepRunView {
 public:
  WindowStepView(TFormStop& window, AppContext& context, std::atomic<bool>& stop)
      : window_(window), context_(context), stop_(stop) {}
  void Wait() override {
    if (window_.PumpEvents()) stop_.store(true, std::memory_order_release);
  }
  void PreHeating(bool visible, int seconds) override { window_.ShowPreheat(visible, seconds); }
  void Progress(const ProgressView& view, uint64_t) override { window_.ShowProgress(view); }
  void Trim(const std::string& label) override { window_.ShowTrim(label); }
  bool AskAbandon() override { return window_.AskAbandon("Abandonner la découpe ?"); }

 private:
  TFormStop& window_;
  AppContext& context_;
  std::atomic<bool>& stop_;
};

// The board run's side of the window: the console, the progress, the
// pre-heat panel, the stop key and the resume question.
class WindowBoardObserver : public BoardRunObserver {
 public:
  WindowBoardObserver(TFormStop& window, AppContext& context, size_t lineCount,
                      const CutRunRequest& request)
      : window_(window), context_(context), lineCount_(lineCount), request_(request) {}
  bool PollStop() override { return window_.PumpEvents() || context_.keys->IsKeyDown(Key::Space); }
  void PreheatShown(bool shown) override {
    window_.ShowPreheat(shown, context_.settings.PreChauffe);
    window_.repaint();
  }
  void LineSending(size_t index, const std::string& line) override {
    window_.AddProgramLine(index, line);
    window_.repaint();
  }
  void LineDone(size_t index) override {
    window_.ShowProgress(LineProgressAt(lineCount_, index, request_.durationSeconds));
  }
  bool AbandonAfterStop() override {
    window_.AddConsoleLine("Arrêt par la carte");
    const bool abandon = window_.AskAbandon(request_.simulation ? "Abandonner la simulation ?"
                                                                : "Abandonner la découpe ?");
    if (!abandon) window_.AddConsoleLine("Reprise de la découpe");
    return abandon;
  }

 private:
  TFormStop& window_;
  AppContext& context_;
  size_t lineCount_;
  const CutRunRequest& request_;
};

// Marks the program busy with a run, so an orderly close waits for its end.
class RunMark {
 public:
  explicit RunMark(AppContext& context) : context_(context) { context_.runInProgress = true; }
  ~RunMark() { context_.runInProgress = false; }

 private:
  AppContext& context_;
};

}  // namespace

TFormStop::TFormStop(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Découpe en cours..."));
  setWindowModality(Qt::ApplicationModal);
  // The keys are read from their state: no control may take the arrows.
  setFocusPolicy(Qt::StrongFocus);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->setSpacing(4);

  auto* hint = new QHBoxLayout;
  Image1 = new QLabel(this);
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
  Label3 = new QLabel(this);
  Label3->setAlignment(Qt::AlignCenter);
  ShowAsWarning(Label3, 1.3);
  Image2 = new QLabel(this);
  Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
  hint->addWidget(Image1);
  hint->addWidget(Label3, 1);
  hint->addWidget(Image2);
  layout->addLayout(hint);

  auto* labels = new QHBoxLayout;
  Progression = new QLabel(this);
  InterTime = new QLabel(this);
  InterTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  labels->addWidget(Progression);
  labels->addWidget(InterTime);
  layout->addLayout(labels);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedHeight(18);
  ProgressBar1->setStyleSheet(
      QStringLiteral("QProgressBar::chunk { background-color: rgb(0, 234, 0); }"));
  layout->addWidget(ProgressBar1);

  Label1 = new QLabel(QStringLiteral("Flèches gauche / droite : ralentir / accélérer"), this);
  Label2 = new QLabel(QStringLiteral("Flèches haut / bas : vitesse d'origine"), this);
  layout->addWidget(Label1);
  layout->addWidget(Label2);

  Console = new QPlainTextEdit(this);
  Console->setReadOnly(true);
  Console->setFocusPolicy(Qt::NoFocus);
  Console->setMaximumBlockCount(2000);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  Console->setFont(fixed);
  layout->addWidget(Console, 1);

  auto* trim = new QHBoxLayout;
  Label4 = new QLabel(QStringLiteral("Lent"), this);
  TrackBar1 = new QSlider(Qt::Horizontal, this);
  TrackBar1->setRange(0, 500);
  TrackBar1->setValue(250);
  TrackBar1->setTickInterval(1);
  // It follows the arrows; a click or a key on it would change nothing.
  TrackBar1->setFocusPolicy(Qt::NoFocus);
  TrackBar1->setAttribute(Qt::WA_TransparentForMouseEvents);
  Label5 = new QLabel(QStringLiteral("Rapide"), this);
  LabelInc = new QLabel(QStringLiteral("0 µs"), this);
  LabelInc->setMinimumWidth(60);
  LabelInc->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  trim->addWidget(Label4);
  trim->addWidget(TrackBar1, 1);
  trim->addWidget(Label5);
  trim->addWidget(LabelInc);
  layout->addLayout(trim);

  // Over the other controls, centred, while the wire heats.
  PanelPrechauffe = new QFrame(this);
  PanelPrechauffe->setFrameShape(QFrame::Panel);
  PanelPrechauffe->setFrameShadow(QFrame::Raised);
  PanelPrechauffe->setAutoFillBackground(true);
  PanelPrechauffe->setStyleSheet(
      QStringLiteral("QFrame { background-color: rgb(255, 220, 120); }"));
  auto* panel = new QVBoxLayout(PanelPrechauffe);
  Label6 = new QLabel(QStringLiteral("PRECHAUFFAGE"), PanelPrechauffe);
  Label6->setAlignment(Qt::AlignCenter);
  ShowAsWarning(Label6, 1.6);
  LabelPanelPrechauffe = new QLabel(PanelPrechauffe);
  LabelPanelPrechauffe->setAlignment(Qt::AlignCenter);
  panel->addWidget(Label6);
  panel->addWidget(LabelPanelPrechauffe);
  PanelPrechauffe->hide();

  player_ = [this](const std::string& path) { PlaySound(path); };
  SetUpFor(0);
}

TFormStop::~TFormStop() = default;

void TFormStop::SetUpFor(uint8_t portType) {
  const bool board = portType == 2;
  Label1->setVisible(!board);
  Label2->setVisible(!board);
  LabelInc->setVisible(!board);
  TrackBar1->setVisible(!board);
  Label4->setVisible(!board);
  Label5->setVisible(!board);
  Label3->setText(board ? QStringLiteral("ARRET D'URGENCE") : QStringLiteral("BARRE D'ESPACE"));
  Console->setVisible(board);
  Console->clear();
  setWindowTitle(QStringLiteral("Orvane - Découpe en cours..."));
  InterTime->setText(QStringLiteral("Durée restante  00:00:00"));
  Progression->setText(QStringLiteral("Progression  0 %"));
  ProgressBar1->setValue(0);
  PanelPrechauffe->hide();
  // The Part's heights are a minimum: larger fonts get the room they need.
  const int minimum = board ? kBoardHeight : kStepHeight;
  setMinimumSize(kWidth, minimum);
  if (QLayout* l = layout()) l->activate();
  const QSize hint = sizeHint();
  resize(std::max(kWidth, hint.width()), std::max(minimum, hint.height()));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TFormStop::PrepareTrim(double meanConfiguredPeriod) {
  const int maximum = static_cast<int>(std::lround(meanConfiguredPeriod * 5 / 100));
  TrackBar1->setRange(0, std::max(maximum, 0));
  TrackBar1->setValue(TrackBar1->maximum() / 2);
  LabelInc->setText(QStringLiteral("0 µs"));
}

void TFormStop::ShowProgress(const ProgressView& view) {
  ProgressBar1->setValue(static_cast<int>(std::min<uint64_t>(view.position, INT32_MAX)));
  Progression->setText(QStringLiteral("Progression  %1 %").arg(view.percent));
  InterTime->setText(QStringLiteral("Durée restante  ") +
                     Text(FormatDuration(view.remainingSeconds)));
}

void TFormStop::ShowPreheat(bool visible, int seconds) {
  LabelPanelPrechauffe->setText(QStringLiteral("Patientez  %1  secondes").arg(seconds));
  if (visible) {
    PanelPrechauffe->adjustSize();
    PanelPrechauffe->resize(std::max(PanelPrechauffe->width(), width() * 2 / 3),
                            PanelPrechauffe->height());
    PanelPrechauffe->move((width() - PanelPrechauffe->width()) / 2,
                          (height() - PanelPrechauffe->height()) / 2);
    PanelPrechauffe->raise();
  }
  PanelPrechauffe->setVisible(visible);
}

void TFormStop::ShowTrim(const std::string& label) {
  LabelInc->setText(Text(label));
  // "+d µs" lies d / 2 left of the centre (slower), "-d µs" right of it.
  const int centre = TrackBar1->maximum() / 2;
  const int d = std::abs(std::atoi(label.c_str() + (label.empty() ? 0 : 1)));
  TrackBar1->setValue(label.starts_with('+') ? centre - d / 2 : centre + d / 2);
}

void TFormStop::AddConsoleLine(const std::string& line) {
  Console->appendPlainText(Text(line));
}

void TFormStop::AddProgramLine(size_t index, const std::string& line) {
  char number[32];
  std::snprintf(number, sizeof number, "%.6zu  ", index);
  AddConsoleLine(number + line);
}

bool TFormStop::Ask(const std::string& question, bool onClose) {
  if (Closing()) return onClose;
  DropRepeatsOfHeldKeys(context_.keys);
  const MessageAnswer answer =
      context_.messages->Show(MessageKind::Confirmation, question, MessageButtons::YesNo);
  return Closing() ? onClose : answer == MessageAnswer::Yes;
}

bool TFormStop::PumpEvents() {
  QCoreApplication::processEvents();
  if (context_.closingOnSignal) return true;
  context_.clock->SleepMilliseconds(kLookMilliseconds);
  return context_.closingOnSignal;
}

CutRunOutcome TFormStop::RunCut(const CutRunRequest& request) {
  const MachineSettings& s = context_.settings;
  const bool board = s.PortType == 2, grbl = s.PortType == 3;
  const std::string needed = request.cut ? request.cut->base + (grbl    ? ".nc"
                                                                : board ? ".ovg"
                                                                        : ".ovd")
                                         : std::string();
  std::error_code error;
  if (needed.empty() || !std::filesystem::is_regular_file(needed, error)) {
    context_.abortFlag = 1;
    return {CutRunEnd::Failed, "Fichier de découpe manquant"};
  }
  const RunMark mark(context_);
  if (s.OrigineAuto && !request.simulation && !board && !grbl) context_.positions.SetOrigin();
  CutRunOutcome outcome = grbl ? RunGrbl(request) : board ? RunBoard(request) : RunSteps(request);
  PanelPrechauffe->hide();
  hide();
  // A key still held at the end (the space bar that stopped the run) must
  // not press the buttons of the execution window by auto-repeat.
  DropRepeatsOfHeldKeys(context_.keys);
  context_.abortFlag = outcome.end == CutRunEnd::Completed ? context_.abortFlag : 1;
  return outcome;
}

CutRunOutcome TFormStop::RunSteps(const CutRunRequest& request) {
  MachineSettings& s = context_.settings;
  StepOutput opened = OpenStepOutput(context_, "découpe");
  if (!opened.output) return {CutRunEnd::Failed, opened.failure};
  PortOutput* port = opened.port;
  std::unique_ptr<TickOutput> output = std::move(opened.output);

  SetUpFor(s.PortType);
  ProgressBar1->setRange(
      0, static_cast<int>(std::min<uint64_t>(PlanProgress(request.cut->ticks).maximum, INT32_MAX)));
  durationText_ = FormatDuration(request.durationSeconds);
  show();
  activateWindow();
  repaint();
  QCoreApplication::processEvents();
  context_.abortFlag = 0;

  HeatGuard guard(port, s);
  std::atomic<bool> stop{context_.closingOnSignal};
  const uint32_t period = StepRunPeriod(s);
  WindowStepView view(*this, context_, stop);
  StepRunSetup setup;
  setup.clock = context_.clock;
  setup.keys = context_.keys;
  setup.guard = &guard;
  setup.output = output.get();
  setup.positions = &context_.positions;
  setup.settings = &s;
  setup.stepPath = request.cut->base + ".ovd";
  setup.ticks = request.cut->ticks;
  setup.durationSeconds = request.durationSeconds;
  setup.resumeAllowed = s.Reprise;
  setup.preHeat = s.PortType == 0;
  setup.stopRequest = &stop;
  RealTimeRun realTime;
  setup.startThread = realTime.Starter();
  TrackBar1->setRange(0, static_cast<int>(LiveTrim(period).Maximum()));
  TrackBar1->setValue(TrackBar1->maximum() / 2);
  const StepRunResult result = RunStepFile(setup, view);
  guard.Rest();
  // The machine at rest, whatever the run left: the images of the settings now.
  if (port)
    port->WriteByte(static_cast<uint16_t>(s.Port + 2), ComputeControlImages(s).IdleControlImage);
  ProgressBar1->setValue(0);
  switch (result.end) {
    case StepRunEnd::Completed:
      return {CutRunEnd::Completed, {}};
    case StepRunEnd::Stopped:
      return {CutRunEnd::Stopped, {}};
    case StepRunEnd::Failed:
      break;
  }
  // The serial link's device may have taken less than was written.
  if (s.PortType == 1) context_.positions.MarkUnknown();
  return {CutRunEnd::Failed, result.error};
}

CutRunOutcome TFormStop::RunBoard(const CutRunRequest& request) {
  MachineSettings& s = context_.settings;
  std::optional<std::vector<std::string>> read = ReadProgramLines(request.cut->base + ".ovg");
  if (!read) return {CutRunEnd::Failed, "Fichier de découpe manquant"};
  std::vector<std::string> lines = std::move(*read);
  SerialPort& serial = *context_.serial;
  if (!serial.IsOpen()) serial.Open();
  if (!serial.IsOpen()) {
    return {CutRunEnd::Failed,
            "Carte USB inaccessible : découpe impossible (" + serial.OpenError() + ")."};
  }

  BoardCutRequest board;
  board.feed = BoardCutFeed(s, request.adjustedPeriods, request.simulation);
  board.simulation = request.simulation;
  const size_t lineCount = lines.size();
  board.lines = std::move(lines);

  SetUpFor(2);
  ProgressBar1->setRange(0, 100);
  if (request.simulation) setWindowTitle(Text(BoardSimulationCaption(board.feed)));
  ShowProgress(LineProgressAt(lineCount, 0, request.durationSeconds));
  show();
  activateWindow();
  repaint();
  QCoreApplication::processEvents();

  BoardLink link{serial, *context_.clock, s, context_.positions, context_.abortFlag};
  WindowBoardObserver observer(*this, context_, lineCount, request);
  const BoardRunOutcome result = RunBoardCut(board, link, observer);
  switch (result.end) {
    case BoardRunEnd::Finished: {
      const AxisSteps at = context_.positions.Steps();
      AddConsoleLine("Fin : X1 = " + std::to_string(at[0]) + "  Y1 = " + std::to_string(at[1]) +
                     "  X2 = " + std::to_string(at[2]) + "  Y2 = " + std::to_string(at[3]));
      return {CutRunEnd::Completed, {}};
    }
    case BoardRunEnd::StoppedByBoard:
    case BoardRunEnd::StoppedByUser:
      return {CutRunEnd::Stopped, result.message};
    case BoardRunEnd::NoAnswer:
    case BoardRunEnd::PortLost:
    case BoardRunEnd::Refused:
    case BoardRunEnd::BadAnswer:
      break;
  }
  AddConsoleLine(result.message);
  return {CutRunEnd::Failed, result.message};
}

void TFormStop::AnnounceEnd(const CutRunOutcome& outcome, bool simulation) {
  // A program closing on a signal asks and tells nothing. The signal may
  // have stopped the run before its bridge, through the event loop, said so.
  QCoreApplication::processEvents();
  if (context_.closingOnSignal) return;
  switch (outcome.end) {
    case CutRunEnd::Stopped: {
      // Nothing about a stopped run may look like a finished one.
      std::string text = simulation ? "Simulation interrompue." : "Découpe interrompue.";
      if (!outcome.message.empty()) text += "\n\n" + outcome.message;
      context_.messages->Show(MessageKind::Information, text);
      return;
    }
    case CutRunEnd::Failed:
      if (!outcome.message.empty()) {
        context_.messages->Show(MessageKind::Warning, outcome.message);
      }
      return;
    case CutRunEnd::Completed:
      break;
  }
  if (context_.settings.Audio) {
    const std::string file = soundFile_.empty() ? ProgramDataFile("orvane.wav") : soundFile_;
    std::error_code error;
    if (!file.empty() && std::filesystem::is_regular_file(file, error) && player_) player_(file);
  }
  context_.messages->Show(MessageKind::Information, simulation ? "Simulation terminée normalement"
                                                               : "Découpe terminée normalement");
}

void TFormStop::PlaySound(const std::string& path) {
  // Without an audio output the effect only reports an error status: silent.
  if (!sound_) sound_ = std::make_unique<QSoundEffect>();
  sound_->setSource(QUrl::fromLocalFile(Text(path)));
  sound_->play();
}

}  // namespace orvane::ui
