#include "ui/dialogs/qt_message_service.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace orvane::ui {
namespace {

QMessageBox* ShownBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box && box->isVisible()) return box;
  }
  return nullptr;
}

// Presses the button captioned `caption` of the box once it is up, noting
// the pointer shown over it; a box still up a while later is ended so that
// the test fails instead of hanging.
void Press(QObject* test, const QString& caption, Qt::CursorShape* shape) {
  QTimer::singleShot(0, test, [caption, shape] {
    QMessageBox* box = ShownBox();
    if (!box) return;
    const QCursor* cursor = QApplication::overrideCursor();
    *shape = cursor ? cursor->shape() : Qt::ArrowCursor;
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == caption) button->click();
    }
  });
  QTimer::singleShot(5000, test, [] {
    if (QMessageBox* box = ShownBox()) box->done(0);
  });
}

TEST(QtMessageService, AQuestionDuringBusyWorkShowsTheOrdinaryPointer) {
  QtMessageService messages;
  QObject test;  // ends the timers with the test
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Qt::CursorShape shown = Qt::WaitCursor;
  Press(&test, QStringLiteral("Non"), &shown);
  EXPECT_EQ(messages.Show(MessageKind::Confirmation, "Continuer ?", MessageButtons::YesNo),
            MessageAnswer::No);
  EXPECT_EQ(shown, Qt::ArrowCursor);
  // The work goes on busy afterwards.
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  QApplication::restoreOverrideCursor();

  Press(&test, QStringLiteral("Oui"), &shown);
  EXPECT_EQ(messages.Show(MessageKind::Confirmation, "Continuer ?", MessageButtons::YesNo),
            MessageAnswer::Yes);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Regression: Enter on "Supprimer ces fichiers ?" deleted them: a
// destructive question's default is "Non", an ordinary one's "Oui".
TEST(QtMessageService, EnterAnswersADestructiveQuestionWithNon) {
  QtMessageService messages;
  QObject test;
  for (auto [buttons, answer] : {std::pair{MessageButtons::YesNoDefaultNo, MessageAnswer::No},
                                 std::pair{MessageButtons::YesNo, MessageAnswer::Yes}}) {
    QTimer::singleShot(0, &test, [] {
      if (QMessageBox* box = ShownBox()) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
      }
    });
    QTimer::singleShot(5000, &test, [] {
      if (QMessageBox* box = ShownBox()) box->done(0);
    });
    EXPECT_EQ(messages.Show(MessageKind::Confirmation, "Supprimer ?", buttons), answer);
  }
}

}  // namespace
}  // namespace orvane::ui
