// The " ESSAIS MOTEURS " group: one motor or an axis pair moved over the test
// distance, on the step links through the pulse engine or on the USB board.
#include "ui/params/motor_tests.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>

#include "core/machine/board_run.h"
#include "core/machine/heat_guard.h"
#include "host/realtime.h"
#include "ui/machine/step_output.h"

namespace orvane::ui {

// While a test runs, plain left clicks anywhere in the application go
// nowhere: only the space bar acts.
class LeftClickDiscarder : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

namespace {

constexpr int kLookMilliseconds = 2;
constexpr int kEndPauseMilliseconds = 250;

// The captions, in the order of `kMotorTestButtons`.
constexpr const char* kCaptions[12] = {"← X1", "X1 →", "← X2", "X2 →", "Y1 ↑", "Y1 ↓",
                                       "Y2 ↑", "Y2 ↓", "← X",  "X →",  "Y ↑",  "Y ↓"};
constexpr const char* kNames[12] = {"TestX1G", "TestX1D", "TestX2G", "TestX2D",
                                    "TestY1H", "TestY1B", "TestY2H", "TestY2B",
                                    "TestXG",  "TestXD",  "TestYH",  "TestYB"};

QString PreheatText(int seconds) {
  return QStringLiteral("Préchauffage en cours : %1s").arg(seconds);
}

void ShowPreheat(QLabel* panel, int seconds, bool visible) {
  panel->setText(PreheatText(seconds));
  panel->setVisible(visible);
  panel->repaint();
}

// Between two looks at a move on the step links: the window's events, then
// a short sleep.
class TestView : public ManualRunView {
 public:
  TestView(AppContext& context, std::atomic<bool>& stop, QLabel* panel)
      : context_(context), stop_(stop), panel_(panel) {}
  void Wait() override {
    QCoreApplication::processEvents();
    // The program is closing on a signal: the test stops as on the space bar.
    if (context_.closingOnSignal) stop_.store(true, std::memory_order_release);
    context_.clock->SleepMilliseconds(kLookMilliseconds);
  }
  void PreHeating(bool visible, int seconds) override { ShowPreheat(panel_, seconds, visible); }

 private:
  AppContext& context_;
  std::atomic<bool>& stop_;
  QLabel* panel_;
};

class TestBoardObserver : public BoardRunObserver {
 public:
  TestBoardObserver(AppContext& context, QLabel* panel) : context_(context), panel_(panel) {}
  // The board stops on its switch; the space bar still ends the waits, so
  // the user can always stop.
  bool PollStop() override {
    QCoreApplication::processEvents();
    return context_.closingOnSignal || context_.keys->IsKeyDown(Key::Space);
  }
  void PreheatShown(bool shown) override {
    ShowPreheat(panel_, context_.settings.PreChauffe, shown);
  }

 private:
  AppContext& context_;
  QLabel* panel_;
};

void KeepRoomWhenHidden(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

}  // namespace

MotorTestGroup::MotorTestGroup(AppContext& context, std::function<MotorEdits()> shownEdits,
                               QWidget* parent)
    : QGroupBox(QStringLiteral(" ESSAIS MOTEURS "), parent),
      context_(context),
      shownEdits_(std::move(shownEdits)),
      discarder_(std::make_unique<LeftClickDiscarder>()) {
  BuildControls();
  Reset();
}

MotorTestGroup::~MotorTestGroup() {
  qApp->removeEventFilter(discarder_.get());
}

QPushButton* MotorTestGroup::Test(PadButton button) const {
  const auto at = std::find(kMotorTestButtons.begin(), kMotorTestButtons.end(), button);
  return at == kMotorTestButtons.end() ? nullptr : Tests[size_t(at - kMotorTestButtons.begin())];
}

void MotorTestGroup::BuildControls() {
  auto* buttons = new QGridLayout;
  for (size_t i = 0; i < Tests.size(); ++i) {
    Tests[i] = new QPushButton(QString::fromUtf8(kCaptions[i]), this);
    Tests[i]->setObjectName(kNames[i]);
    Tests[i]->setMinimumWidth(58);
    // The space bar stops a test; it must never start one.
    Tests[i]->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(Tests[i], int(i / 4), int(i % 4));
    const PadButton button = kMotorTestButtons[i];
    connect(Tests[i], &QPushButton::clicked, this, [this, button] { RunMotorTest(button); });
  }

  auto option = [this](const char* title, const char* first, const char* second) {
    auto* box = new QGroupBox(QString::fromUtf8(title), this);
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(6, 2, 6, 2);
    auto* a = new QRadioButton(QString::fromUtf8(first), box);
    auto* b = new QRadioButton(QString::fromUtf8(second), box);
    for (QRadioButton* r : {a, b}) {
      r->setFocusPolicy(Qt::NoFocus);
      l->addWidget(r);
    }
    return std::tuple{box, a, b};
  };
  auto [avance, rapide, usinage] = option("Avance", "Rapide", "Usinage");
  auto [arret, immediat, progressif] = option("Arrêt", "Immédiat", "Progressif");
  auto [chauffe, active, inactive] = option("Chauffe du fil", "Active", "Inactive");
  AvanceRapide = rapide, AvanceUsinage = usinage;
  ArretImmediat = immediat, ArretProgressif = progressif;
  ChauffeActive = active, ChauffeInactive = inactive;
  connect(AvanceRapide, &QRadioButton::toggled, this, [this] { ApplyAvance(); });
  auto* options = new QHBoxLayout;
  options->addWidget(avance);
  options->addWidget(arret);
  options->addWidget(chauffe);

  TrackBarDistanceTest = new QSlider(Qt::Horizontal, this);
  TrackBarDistanceTest->setRange(1, 200);
  TrackBarDistanceTest->setFocusPolicy(Qt::NoFocus);
  LabelDistance = new QLabel(this);
  LabelDistance->setMinimumWidth(60);
  connect(TrackBarDistanceTest, &QSlider::valueChanged, this,
          [this](int mm) { LabelDistance->setText(QStringLiteral("%1 mm").arg(mm)); });
  auto* distance = new QHBoxLayout;
  distance->addWidget(new QLabel(QStringLiteral("Distance :"), this));
  distance->addWidget(TrackBarDistanceTest, 1);
  distance->addWidget(LabelDistance);

  Voyant = new QLabel(QStringLiteral(" CHAUFFE "), this);
  Voyant->setAlignment(Qt::AlignCenter);
  ESC = new QLabel(this);
  ESC->setAlignment(Qt::AlignCenter);
  ESC->setStyleSheet(
      QStringLiteral("background-color: rgb(255, 230, 0); color: rgb(200, 0, 0); "
                     "font-weight: bold; border: 1px solid gray;"));
  PanelPrechauffe = new QLabel(this);
  PanelPrechauffe->setAlignment(Qt::AlignCenter);
  PanelPrechauffe->setStyleSheet(
      QStringLiteral("background-color: rgb(255, 255, 200); color: rgb(200, 0, 0); "
                     "font-weight: bold; border: 1px solid gray;"));
  LabelVitesse = new QLabel(QStringLiteral("Vitesse moyenne constatée"), this);
  VitesseConstatee = new QLabel(this);
  QFont bold = VitesseConstatee->font();
  bold.setBold(true);
  VitesseConstatee->setFont(bold);
  LabelMmSec = new QLabel(QStringLiteral("mm/sec"), this);
  for (QWidget* w : std::initializer_list<QWidget*>{Voyant, ESC, PanelPrechauffe, LabelVitesse,
                                                    VitesseConstatee, LabelMmSec}) {
    KeepRoomWhenHidden(w);
  }
  auto* speed = new QHBoxLayout;
  speed->addWidget(LabelVitesse);
  speed->addWidget(VitesseConstatee);
  speed->addWidget(LabelMmSec);
  speed->addStretch();
  speed->addWidget(Voyant);

  auto* stop = new QHBoxLayout;
  stop->addWidget(ESC, 1);
  stop->addWidget(PanelPrechauffe, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addLayout(options);
  layout->addLayout(distance);
  layout->addLayout(speed);
  layout->addLayout(stop);
}

void MotorTestGroup::Reset() {
  AvanceRapide->setChecked(true);
  ArretImmediat->setChecked(true);
  ChauffeInactive->setChecked(true);
  ApplyAvance();
  for (QWidget* w : std::initializer_list<QWidget*>{LabelVitesse, VitesseConstatee, LabelMmSec, ESC,
                                                    PanelPrechauffe}) {
    w->hide();
  }
  TrackBarDistanceTest->setValue(std::clamp<int>(context_.settings.DepTest, 1, 200));
  LabelDistance->setText(QStringLiteral("%1 mm").arg(TrackBarDistanceTest->value()));
  ShowLamp(context_.settings.ActChauffe, false);
}

MotorTestOptions MotorTestGroup::Options() const {
  MotorTestOptions options;
  options.distanceMm = static_cast<uint32_t>(TrackBarDistanceTest->value());
  options.workingSpeed = AvanceUsinage->isChecked();
  options.heating = options.workingSpeed && ChauffeActive->isChecked();
  options.progressiveStop = ArretProgressif->isChecked();
  return options;
}

void MotorTestGroup::ApplyAvance() {
  // The wire is never heated for a fast move.
  const bool fast = AvanceRapide->isChecked();
  if (fast) ChauffeInactive->setChecked(true);
  ChauffeActive->parentWidget()->setEnabled(!fast && !running_);
}

void MotorTestGroup::ShowLamp(bool visible, bool on) {
  Voyant->setVisible(visible);
  Voyant->setStyleSheet(on ? QStringLiteral("background-color: rgb(255, 60, 0); color: white; "
                                            "font-weight: bold;")
                           : QStringLiteral("background-color: rgb(160, 160, 160);"));
}

void MotorTestGroup::BeginTest(const MotorTestOptions& options) {
  const MachineSettings& s = context_.settings;
  running_ = true;
  context_.abortFlag = 0;
  ESC->setText(s.PortType == 2 ? QStringLiteral("ATU = SWITCH") : QStringLiteral("BARRE D'ESPACE"));
  ESC->show();
  for (QPushButton* b : Tests) b->setEnabled(false);
  for (QRadioButton* r : {AvanceRapide, ArretImmediat, ChauffeActive}) {
    r->parentWidget()->setEnabled(false);
  }
  TrackBarDistanceTest->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{LabelVitesse, VitesseConstatee, LabelMmSec}) {
    w->hide();
  }
  // The serial link has no heating output.
  if (s.PortType != 1) ShowLamp(s.ActChauffe, options.heating);
  qApp->installEventFilter(discarder_.get());
  emit testRunning(true);
  repaint();
}

void MotorTestGroup::EndTest() {
  context_.clock->SleepMilliseconds(kEndPauseMilliseconds);
  // Clicks made during the test are dropped too, not played now.
  QCoreApplication::processEvents();
  qApp->removeEventFilter(discarder_.get());
  running_ = false;
  for (QPushButton* b : Tests) b->setEnabled(true);
  for (QRadioButton* r : {AvanceRapide, ArretImmediat}) r->parentWidget()->setEnabled(true);
  TrackBarDistanceTest->setEnabled(true);
  ESC->hide();
  PanelPrechauffe->hide();
  if (context_.settings.PortType != 1) ShowLamp(context_.settings.ActChauffe, false);
  ApplyAvance();
  emit testRunning(false);
}

void MotorTestGroup::ShowSpeed(const MotorTestResult& result, uint32_t distanceMm) {
  const std::optional<std::string> speed = MeasuredSpeedText(distanceMm, result);
  if (speed) VitesseConstatee->setText(QString::fromStdString(*speed));
  for (QWidget* w : std::initializer_list<QWidget*>{LabelVitesse, VitesseConstatee, LabelMmSec}) {
    w->setVisible(speed.has_value());
  }
}

bool MotorTestGroup::RunMotorTest(PadButton button) {
  if (running_) return false;
  const MotorTestOptions options = Options();
  const MachineSettings test = MotorTestSettings(
      context_.settings, shownEdits_ ? shownEdits_() : StoredMotorEdits(context_.settings));
  const JogMove move = PlanMotorTest(test, button, options.distanceMm);
  if (const std::string refusal = MotorTestRefusal(test, move); !refusal.empty()) {
    context_.messages->Show(MessageKind::Warning, refusal);
    return false;
  }
  // Until the window lets go (the end's pause takes events too), a closing
  // on a signal waits for the test instead of leaving this window open.
  context_.runInProgress = true;
  BeginTest(options);
  const MotorTestResult result = context_.settings.PortType == 2 ? RunOnBoard(test, move, options)
                                                                 : RunOnSteps(test, move, options);
  ShowSpeed(result, options.distanceMm);
  EndTest();
  context_.runInProgress = false;
  // After the end: the message box's button must take the click.
  if (!result.message.empty() && !context_.closingOnSignal) {
    context_.messages->Show(
        result.end == MotorTestEnd::Failed ? MessageKind::Error : MessageKind::Warning,
        result.message);
  }
  return result.end == MotorTestEnd::Completed;
}

MotorTestResult MotorTestGroup::RunOnSteps(const MachineSettings& test, const JogMove& move,
                                           const MotorTestOptions& options) {
  MachineSettings& s = context_.settings;
  StepOutput opened = OpenStepOutput(context_, "essai moteur");
  if (!opened.output) {
    context_.abortFlag = 1;
    return {MotorTestEnd::Failed, 0, 0, opened.failure};
  }
  // The outputs follow the settings in memory, whatever the page shows.
  HeatGuard guard(opened.port, s);
  std::atomic<bool> stop{context_.closingOnSignal};
  TestView view(context_, stop, PanelPrechauffe);
  ManualRunSetup setup;
  setup.clock = context_.clock;
  setup.keys = context_.keys;
  setup.guard = &guard;
  setup.output = opened.output.get();
  setup.positions = &context_.positions;
  setup.settings = &test;
  setup.stopRequest = &stop;
  RealTimeRun realTime;
  setup.startThread = realTime.Starter();
  const MotorTestResult result = RunStepMotorTest(setup, move, options, view);
  guard.Rest();
  if (result.end == MotorTestEnd::Failed && s.PortType == 1) context_.positions.MarkUnknown();
  context_.abortFlag = result.end == MotorTestEnd::Completed ? 0 : 1;
  return result;
}

MotorTestResult MotorTestGroup::RunOnBoard(const MachineSettings& test, const JogMove& move,
                                           const MotorTestOptions& options) {
  SerialPort& serial = *context_.serial;
  if (!serial.IsOpen()) serial.Open();
  BoardLink link{serial, *context_.clock, test, context_.positions, context_.abortFlag};
  TestBoardObserver observer(context_, PanelPrechauffe);
  return RunBoardMotorTest(link, observer, move, options);
}

}  // namespace orvane::ui
