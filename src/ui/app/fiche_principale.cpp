#include "ui/app/fiche_principale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include "ui/app/settings_change.h"
#include "ui/project/fiche_import.h"

namespace orvane::ui {

TMainForm::TMainForm(AppContext& context) : QWidget(nullptr), context_(context) {
  setWindowFlag(Qt::FramelessWindowHint);
  setWindowTitle(QStringLiteral("Orvane - Découpe CNC au fil chaud"));
  setFixedSize(445, 326);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(0, 326 - 18, 445, 18);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximum(20);

  LabelVersion = new QLabel(this);
  LabelVersion->setGeometry(64, 200, 315, 25);
  LabelVersion->setAlignment(Qt::AlignCenter);
  LabelVersion->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));

  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
}

bool TMainForm::FormCreate() {
  const StartupOutcome outcome =
      RunCreationChecks(*context_.host, *context_.store, *context_.messages,
                        context_.applicationFolder, context_.startup, context_.settings);
  created_ = true;
  if (outcome != StartupOutcome::Continue) return false;
  if (closeRequested_) {
    // Ended (a termination signal) while a start-up question was open.
    try {
      WriteRunFlag(*context_.store, false);
    } catch (const SettingsWriteError& error) {
      TellSettingsWriteError(context_, error);
    }
    return false;
  }
  return true;
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TMainForm::FormShow() {
  WriteOrTell(context_.startup, *context_.messages,
              [this] { RunVersionCheck(*context_.store, *context_.messages, context_.settings); });
  // The settings are read, and their problems answered, before the timer
  // runs: the project window must never open over that box.
  SettingsProblems problems = ReloadSettings(context_);
  // A store that holds nothing (it could not be written) has already been told.
  const bool stored =
      !context_.store->ReadSettingString(GroupKeyPath("Systeme"), "Version").empty();
  if (!problems.empty() && stored) {
    context_.messages->Show(MessageKind::Error, DescribeSettingsProblems(problems));
  }
  if (closed_) return;
  Timer1->start();
  LabelVersion->setText(QString::fromStdString(SettingsVersionLabel()));
  ProgressBar1->setMaximum(SplashTicks);
  ProgressBar1->setValue(0);
  ticks_ = 0;
  ProgressBar1->setStyleSheet(
      QStringLiteral("QProgressBar::chunk { background-color: rgb(0, 234, 0); }"));
}

void TMainForm::Timer1Timer() {
  ProgressBar1->setValue(std::min(ProgressBar1->value() + 1, SplashTicks));
  if (++ticks_ <= SplashTicks) return;
  Timer1->stop();
  ProgressBar1->hide();
  if (projectWindow_) projectWindow_->ShowModal();
  close();
}

void TMainForm::OrderlyClose() {
  context_.closingOnSignal = true;
  if (!created_) {
    // A start-up box is open outside the event loop, where quitting does
    // nothing: hiding it ends its own loop, and the creation then stops.
    closeRequested_ = true;
    if (QWidget* box = QApplication::activeModalWidget()) box->hide();
    return;
  }
  if (context_.runInProgress) {
    // The run sees the flag at its next look and ends with the heating off;
    // a question it asked is dismissed. The close follows once it is over.
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->hide();
    QTimer::singleShot(20, this, [this] { OrderlyClose(); });
    return;
  }
  if (projectWindow_ && projectWindow_->isVisible()) {
    // Its close returns from the modal show, and the timer handler closes us.
    projectWindow_->CloseWithoutQuestions();
    return;
  }
  Timer1->stop();
  close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
  QCoreApplication::quit();
}

void TMainForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (context_.linkStarted) {
    StopLink(context_.settings, context_.images, context_.port.get(), *context_.serial,
             *context_.clock);
  }
  try {
    WriteRunFlag(*context_.store, false);
  } catch (const SettingsWriteError& error) {
    TellSettingsWriteError(context_, error);
  }
}

void TMainForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, QColor(20, 40, 90));
  gradient.setColorAt(1, QColor(180, 60, 20));
  painter.fillRect(rect(), gradient);
  painter.setPen(QColor(255, 200, 80));
  painter.drawLine(40, 150, 405, 110);
  QFont title = font();
  title.setPointSize(36);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 60, width(), 70), Qt::AlignCenter, QStringLiteral("Orvane"));
  QFont subtitle = font();
  subtitle.setPointSize(11);
  painter.setFont(subtitle);
  painter.drawText(QRect(0, 150, width(), 30), Qt::AlignCenter,
                   QStringLiteral("Découpe CNC au fil chaud"));
}

}  // namespace orvane::ui
