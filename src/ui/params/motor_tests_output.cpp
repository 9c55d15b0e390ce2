// The ports page's output test: the outputs switched while "TEST" is held
// down, and the USB board's identification in its information list.
#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/machine/board_wait.h"
#include "core/machine/heat_guard.h"
#include "ui/machine/step_output.h"
#include "ui/params/motor_tests.h"

namespace orvane::ui {
namespace {

constexpr int kRefreshPauseMilliseconds = 150;

void Fill(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  for (const std::string& line : lines) list->addItem(QString::fromStdString(line));
}

}  // namespace

OutputTestGroup::OutputTestGroup(AppContext& context, std::function<SerialParams()> shownSerial,
                                 QWidget* parent)
    : QGroupBox(parent), context_(context), shownSerial_(std::move(shownSerial)) {
  TestByte2 = new QPushButton(QStringLiteral("TEST"), this);
  TestByte2->setObjectName(QStringLiteral("TestByte2"));
  TestByte2->setMinimumSize(90, 32);
  PanelTest = new QLabel(this);
  PanelTest->setObjectName(QStringLiteral("PanelTest"));
  PanelTest->setAlignment(Qt::AlignCenter);
  PanelTest->setMinimumSize(90, 32);
  ListBoxKeldrino = new QListWidget(this);
  ListBoxKeldrino->setObjectName(QStringLiteral("ListBoxKeldrino"));
  // The board's lines are aligned with spaces.
  ListBoxKeldrino->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  ListBoxKeldrino->setMinimumWidth(380);

  auto* row = new QHBoxLayout;
  row->addWidget(TestByte2);
  row->addWidget(PanelTest);
  row->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(ListBoxKeldrino, 1);
  ShowPanel(false);

  // Held down: moving off the button releases it, moving back presses again.
  connect(TestByte2, &QPushButton::pressed, this, [this] { TestByte2MouseDown(); });
  connect(TestByte2, &QPushButton::released, this, [this] { TestByte2MouseUp(); });
  connect(ListBoxKeldrino, &QListWidget::itemPressed, this, [this] {
    ListBoxKeldrino->clearSelection();
    TestByte2->setFocus();
  });
  // A release the button never sees (the application loses the mouse) still
  // switches the outputs back.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s != Qt::ApplicationActive) TestByte2MouseUp();
  });
}

OutputTestGroup::~OutputTestGroup() {
  TestByte2MouseUp();
}

void OutputTestGroup::ShowPanel(bool on) {
  PanelTest->setText(on ? QStringLiteral("MARCHE") : QStringLiteral("ARRET"));
  PanelTest->setStyleSheet(on ? QStringLiteral("background-color: rgb(220, 0, 0); color: white; "
                                               "font-weight: bold;")
                              : QStringLiteral("background-color: rgb(0, 160, 0); color: white; "
                                               "font-weight: bold;"));
}

void OutputTestGroup::ShowPrompt() {
  Fill(ListBoxKeldrino, BoardIdentificationPrompt());
}

void OutputTestGroup::TestByte2MouseDown() {
  if (held_) return;
  MachineSettings& s = context_.settings;
  if (s.PortType == 0) {
    StepOutput opened = OpenStepOutput(context_, "test des sorties");
    if (!opened.port) {
      TestByte2->setDown(false);
      context_.messages->Show(MessageKind::Error, opened.failure);
      return;
    }
    guard_ = std::make_unique<HeatGuard>(opened.port, s);
    guard_->Heat(true);
  } else if (s.PortType == 2) {
    ListBoxKeldrino->clear();
    ListBoxKeldrino->repaint();
    // The selectors as the page shows them; what the board said is kept.
    MachineSettings asked = s;
    if (shownSerial_) {
      const SerialParams p = shownSerial_();
      asked.SerialPort = p.port, asked.SerialBaudRate = p.baudRate;
      asked.SerialDataBits = p.dataBits, asked.SerialParity = p.parity;
      asked.SerialStopBits = p.stopBits, asked.SerialFlowControl = p.flowControl;
    }
    const BoardIdentifyResult result = IdentifyBoard(*context_.serial, *context_.clock, asked);
    s.BoardPresent = asked.BoardPresent;
    Fill(ListBoxKeldrino, result.lines);
    emit boardPresenceChanged(s.BoardPresent);
  }
  held_ = true;
  ShowPanel(true);
}

void OutputTestGroup::TestByte2MouseUp() {
  if (!held_) return;
  held_ = false;
  if (guard_) {
    guard_->Rest();
    guard_.reset();
  }
  if (context_.settings.PortType == 2) ReleaseOutputTest(*context_.serial, context_.settings);
  ShowPanel(false);
}

void OutputTestGroup::RefreshBoardInformation() {
  TestByte2MouseDown();
  context_.clock->SleepMilliseconds(kRefreshPauseMilliseconds);
  TestByte2MouseUp();
}

void OutputTestGroup::hideEvent(QHideEvent* event) {
  TestByte2MouseUp();
  QGroupBox::hideEvent(event);
}

}  // namespace orvane::ui
