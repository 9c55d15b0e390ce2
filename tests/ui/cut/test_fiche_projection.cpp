#include "ui/cut/fiche_projection.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/app/settings_store.h"
#include "support/profiles.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class ProjectionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    MachineSettings& s = h.context.settings;
    s.Fil = 700;  // default thickness Round(700 / 1.3 / 10) x 10 = 540
    s.FilMax = 1000;
    s.MaxX = s.MaxY = 1000;
    window = std::make_unique<TFormProjection>(h.context);
  }

  // Opens the window on a root and a half-size tip, runs `inside` while it is
  // shown, then closes it; a window that does not close fails the test.
  void Open(const std::function<void()>& inside,
            std::vector<std::pair<double, double>> root = {{0, 0}, {200, 0}, {200, 20}},
            std::vector<std::pair<double, double>> tip = {{0, 0}, {100, 0}, {100, 10}}) {
    const Profile p1 = test::MakeProfile(root, -1), p2 = test::MakeProfile(tip, -1);
    double dimensions[4];
    std::tie(dimensions[0], dimensions[1]) = ProfileExtent(p1.raw, true);
    std::tie(dimensions[2], dimensions[3]) = ProfileExtent(p2.raw, true);
    bool ran = false;
    QTimer::singleShot(0, window.get(), [&] {
      QApplication::setActiveWindow(window.get());  // focus moves as on a screen
      inside();
      ran = true;
      window->reject();
    });
    QTimer::singleShot(10000, window.get(), [&] { window->reject(); });
    window->Run(p1.raw, p2.raw, dimensions);
    EXPECT_TRUE(ran);
  }

  void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  test::WindowHarness h;
  std::unique_ptr<TFormProjection> window;
};

// Regression: every keystroke recomputed and clamped the field, so "650"
// typed with the position away from 50 became "54050", then 900 on Enter.
TEST_F(ProjectionWindow, AFieldIsRecomputedWhenItsEntryEnds) {
  Open([&] {
    window->UpDown1->setValue(40);
    ASSERT_EQ(window->UpDown1->value(), 40);
    Type(window->EditDistance, "650");
    EXPECT_EQ(window->EditDistance->text().toStdString(), "650");
    EXPECT_EQ(window->UpDown1->value(), 50);
    EXPECT_FALSE(window->Appliquer->isEnabled());  // until the next recompute

    QTest::keyClick(window->EditDistance, Qt::Key_Return);
    EXPECT_EQ(window->EditDistance->text().toStdString(), "650");
    EXPECT_EQ(h.context.settings.Fil, 650);
    EXPECT_EQ(h.context.projection.guideDistance, 650);
    EXPECT_TRUE(window->Appliquer->isEnabled());
    // The position still moves both ways.
    window->UpDown1->setValue(55);
    EXPECT_EQ(window->UpDown1->value(), 55);
    window->UpDown1->setValue(45);
    EXPECT_EQ(window->UpDown1->value(), 45);

    // Leaving the thickness field ends its entry too: 9999 is clamped to Fil.
    Type(window->EditEpaisseur, "9999");
    EXPECT_EQ(window->EditEpaisseur->text().toStdString(), "9999");
    window->Defaut1->setFocus();
    EXPECT_EQ(window->EditEpaisseur->text().toStdString(), "650");
  });
}

// Regression: Enter in the spacing field enabled "Appliquer" with every size red.
TEST_F(ProjectionWindow, ApplyFollowsTheCapacityRuleWhateverChangedIt) {
  h.context.settings.MaxX = h.context.settings.MaxY = 50;
  Open([&] {
    EXPECT_FALSE(window->Appliquer->isEnabled());
    Type(window->EditDistance, "600");
    QTest::keyClick(window->EditDistance, Qt::Key_Return);
    EXPECT_EQ(h.context.settings.Fil, 600);
    EXPECT_FALSE(window->Appliquer->isEnabled());
    Type(window->EditEpaisseur, "300");
    QTest::keyClick(window->EditEpaisseur, Qt::Key_Return);
    EXPECT_FALSE(window->Appliquer->isEnabled());
  });
  h.context.settings.Alertes = true;  // "Ignorer les dépassements de capacités"
  Open([&] {
    Type(window->EditDistance, "600");
    QTest::keyClick(window->EditDistance, Qt::Key_Return);
    EXPECT_TRUE(window->Appliquer->isEnabled());
  });
}

// Regression: an outline that starts at its trailing edge projects to X <= 0
// and its wires were drawn below the top view's baseline, out of sight.
TEST_F(ProjectionWindow, TheTopViewShowsWiresThatRunBelowZero) {
  const std::vector<std::pair<double, double>> root = {
      {200, 0}, {100, 12}, {0, 0}, {100, -6}, {200, 0}};
  const std::vector<std::pair<double, double>> tip = {
      {100, 0}, {50, 6}, {0, 0}, {50, -3}, {100, 0}};
  Open(
      [&] {
        const QImage image = window->Preview1->grab().toImage();
        const int baseline = image.height() - 25;
        int above = 0, below = 0;
        for (int y = 0; y < image.height(); ++y) {
          for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(0x00, 0xEC, 0x00)) continue;
            (y > baseline + 1 ? below : above) += 1;
          }
        }
        EXPECT_EQ(below, 0);
        EXPECT_GT(above, 200);  // the wire at point 3 crosses the whole view
      },
      root, tip);
}

// Regression: with the capacity filling the view's height (the factory settings'
// case), the capacity's label and its dimension line were drawn over "Profil 1".
TEST_F(ProjectionWindow, TheCapacityDimensionLeavesTheProfileCaptionClear) {
  // The dimension pen is purple; the caption is black.
  auto purple = [](QRgb c) { return qRed(c) > qGreen(c) + 60 && qBlue(c) > qGreen(c) + 60; };
  auto dark = [](QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; };
  for (uint16_t capacity : {1000, 700, 200}) {
    h.context.settings.MaxX = h.context.settings.MaxY = capacity;
    Open([&] {
      for (ProjectionView* view : {window->Preview1, window->Preview2}) {
        const QImage image = view->grab().toImage();
        // The caption: the dark strokes in the corner above the guides' tops.
        QRect caption;
        for (int y = 0; y < 40; ++y) {
          for (int x = 0; x < 60; ++x) {
            if (dark(image.pixel(x, y))) caption |= QRect(x, y, 1, 1);
          }
        }
        ASSERT_GT(caption.width(), 30) << "no \"Profil 1\" caption found";
        int onCaption = 0, beside = 0;
        for (int y = 0; y < image.height(); ++y) {
          for (int x = 0; x < 60; ++x) {
            if (!purple(image.pixel(x, y))) continue;
            if (caption.adjusted(-1, -1, 1, 1).contains(x, y)) ++onCaption;
            // Off the dimension line itself, left of the guide: the label's strokes.
            if (x < 25 && (x < 11 || x > 14)) ++beside;
          }
        }
        EXPECT_EQ(onCaption, 0) << "capacity " << capacity;
        EXPECT_GT(beside, 20) << "capacity " << capacity << ": no label beside its line";
      }
    });
  }
}

}  // namespace
}  // namespace orvane::ui
