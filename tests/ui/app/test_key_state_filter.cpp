// The pressed keys long work polls, fed through the window system's own path
// (where Qt drops what is addressed to a window a modal question blocks).
#include "ui/app/key_state_filter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace orvane::ui {
namespace {

// Steps, every key to the run's window as the X server sends them before the
// question takes the keyboard: P press, R release, r flagged auto-repeat
// press, A the question opens (repeats of held keys dropped first, as a run
// does), N it is answered.
struct SpaceCase {
  const char* name;
  const char* steps;
  bool down;
};

TEST(KeyStateFilter, SpaceBarAroundTheStopQuestion) {
  const SpaceCase cases[] = {
      {"a tap released before the question", "PRAN", false},
      // Regression: released while the question was being shown, the space
      // bar stayed down and stopped the resumed run at once.
      {"a quick tap released while the question is shown", "PARN", false},
      {"a repeat after that tap", "PARNr", false},
      {"held while asked", "PA", true},
      {"pressed again after the question", "PARNP", true},
  };
  for (const SpaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyStateFilter filter;
    qApp->installEventFilter(&filter);
    QWidget run;
    run.show();
    QWindow* window = run.windowHandle();
    ASSERT_NE(window, nullptr);
    QDialog question;
    question.setModal(true);
    for (const char* s = c.steps; *s; ++s) {
      if (*s == 'A') {
        DropRepeatsOfHeldKeys(&filter);
        question.show();
      } else if (*s == 'N') {
        question.hide();
      } else {  // P, R or r
        qt_handleKeyEvent(window, *s == 'R' ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Space,
                          Qt::NoModifier, QStringLiteral(" "), *s == 'r');
      }
    }
    EXPECT_EQ(filter.IsKeyDown(Key::Space), c.down);
    qApp->removeEventFilter(&filter);
  }
}

}  // namespace
}  // namespace orvane::ui
