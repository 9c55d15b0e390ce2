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

// Regression: Enter on "Supprimer ces fichiers ?" deleted them: a
// destructive question's default is "Non", an ordinary one's "Oui". Asked
// during busy work, the box shows the ordinary pointer, and the busy one
// comes back once it is answered.
TEST(QtMessageService, EnterAnswersADestructiveQuestionWithNonOverTheOrdinaryPointer) {
  struct Case {
    const char* name;
    MessageButtons buttons;
    const char* click;  // none: Enter
    MessageAnswer answer;
  };
  const Case cases[] = {
      {"Enter, destructive", MessageButtons::YesNoDefaultNo, nullptr, MessageAnswer::No},
      {"Enter, ordinary", MessageButtons::YesNo, nullptr, MessageAnswer::Yes},
      {"Non clicked", MessageButtons::YesNo, "Non", MessageAnswer::No},
  };
  QtMessageService messages;
  QObject test;  // ends the timers with the test
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (const Case& c : cases) {
    Qt::CursorShape shown = Qt::WaitCursor;
    QTimer::singleShot(0, &test, [&c, &shown] {
      QMessageBox* box = ShownBox();
      if (!box) return;
      const QCursor* cursor = QApplication::overrideCursor();
      shown = cursor ? cursor->shape() : Qt::ArrowCursor;
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      if (!c.click) QApplication::sendEvent(box, &enter);
      for (QAbstractButton* button : box->buttons()) {
        if (c.click && button->text() == QString::fromUtf8(c.click)) button->click();
      }
    });
    // A box still up a while later is ended: the test fails instead of hanging.
    QTimer::singleShot(5000, &test, [] {
      if (QMessageBox* box = ShownBox()) box->done(0);
    });
    EXPECT_EQ(messages.Show(MessageKind::Confirmation, "Supprimer ?", c.buttons), c.answer)
        << c.name;
    EXPECT_EQ(shown, Qt::ArrowCursor) << c.name;
    ASSERT_NE(QApplication::overrideCursor(), nullptr) << c.name;
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor) << c.name;
  }
  QApplication::restoreOverrideCursor();
}

}  // namespace
}  // namespace orvane::ui
