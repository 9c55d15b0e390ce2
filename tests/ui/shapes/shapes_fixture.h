#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/project_fixture.h"
#include "ui/shapes/fiche_alignement.h"
#include "ui/shapes/fiche_creation.h"
#include "ui/shapes/fiche_degagement.h"
#include "ui/shapes/fiche_rainures.h"
#include "ui/shapes/fiche_segments.h"

namespace orvane::ui {

// The project window with every shape window.
class ShapeWindows : public ProjectFixture {
 protected:
  void SetUp() override {
    ProjectFixture::SetUp();
    h.context.settings.ConfirmeAbandon = true;
    creation = std::make_unique<TFormCreation>(window.get());
    rainures = std::make_unique<TFormRainures>(window.get());
    segment = std::make_unique<TFormSegment>(window.get());
    degagement = std::make_unique<TFormDegagement>(window.get());
    aligne = std::make_unique<TFormAligne>(window.get());
    window->SetShapeWindows(creation.get(), rainures.get(), segment.get(), degagement.get(),
                            aligne.get());
    window->resize(1366, 768);
  }
  void TearDown() override {
    ProjectFixture::TearDown();
    EXPECT_EQ(scriptsRun_, scriptsScheduled_) << "a dialog never opened";
  }

  // Runs `script` inside `dialog`'s modal loop; a dialog still open after
  // ten seconds fails the test and is closed, so nothing hangs.
  void WhileOpen(QDialog* dialog, std::function<void()> script) {
    ++scriptsScheduled_;
    QTimer::singleShot(0, dialog, [this, dialog, script] {
      ++scriptsRun_;
      EXPECT_TRUE(dialog->isVisible());
      script();
      if (!dialog->isVisible()) return;
      QTimer::singleShot(10000, dialog, [dialog] {
        if (!dialog->isVisible()) return;
        ADD_FAILURE() << "the dialog stayed open";
        dialog->done(QDialog::Rejected);
      });
    });
  }
  // Types `text` into `edit` and leaves it.
  static void Leave(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
  }

  std::unique_ptr<TFormCreation> creation;
  std::unique_ptr<TFormRainures> rainures;
  std::unique_ptr<TFormSegment> segment;
  std::unique_ptr<TFormDegagement> degagement;
  std::unique_ptr<TFormAligne> aligne;

 private:
  int scriptsScheduled_ = 0, scriptsRun_ = 0;
};

}  // namespace orvane::ui
