#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "core/common/text_number.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "support/profiles.h"
#include "ui/project/fiche_edit_point.h"
#include "ui/project/fiche_import.h"
#include "ui/project/fiche_saisie.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class Operations : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    saisie = std::make_unique<TFormSaisie>();
    editPoint = std::make_unique<TFormEditPoint>();
    proprietes = std::make_unique<TFormProprietes>();
    window->SetOperationWindows(saisie.get(), editPoint.get(), proprietes.get());
    window->resize(1400, 980);
    window->show();
  }
  void TearDown() override { window->CloseWithoutQuestions(); }
  void Open(const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
    window->ChargerClick();
  }
  // Answers the input window with `value` (and ticks its box when asked).
  void Answer(const QString& value, bool tick = false) {
    QTimer::singleShot(0, saisie.get(), [this, value, tick] {
      saisie->Edit1->setText(value);
      saisie->CheckBox1->setChecked(tick);
      saisie->Appliquer->click();
    });
  }
  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
  std::unique_ptr<TFormSaisie> saisie;
  std::unique_ptr<TFormEditPoint> editPoint;
  std::unique_ptr<TFormProprietes> proprietes;
};

TEST_F(Operations, RotateMirrorAndKerfThenUndoAllThreeBackToTheFile) {
  Open(std::string(ORVANE_TEST_DATA) + "/maison.ovp");
  ProfilePanel* p1 = window->Profil1;
  const PointRows original = window->Profile1.raw;

  Answer(QStringLiteral("45"));
  window->OperationClick(p1, p1->Rotation);
  window->MirrorClick(p1, true);
  Answer(QStringLiteral("0.5"));
  window->OperationClick(p1, p1->TraitCoupe);
  EXPECT_EQ(window->OperationHistory().Captions(),
            (std::vector<std::string>{"Ouvrir projet", "P1 - Rotation 45°",
                                      "P1 - Miroir horizontal", "P1 - Trait de coupe"}));
  EXPECT_NE(window->Profile1.raw, original);
  EXPECT_FALSE(p1->TraitCoupe->isEnabled());  // applied once

  for (int i = 0; i < 3; ++i) window->UndoClick();
  EXPECT_EQ(window->Profile1.raw, original);
  EXPECT_TRUE(p1->TraitCoupe->isEnabled());
  EXPECT_FALSE(window->Enregistrer->isEnabled());
}

TEST_F(Operations, ThreeCtrlRightPressesMakeOneEntryCountedThree) {
  Open(std::string(ORVANE_TEST_DATA) + "/maison.ovp");
  ProfilePanel* p1 = window->Profil1;
  p1->SelectRange(2, 3, 2);
  const double x2 = CellNumber(window->Profile1.raw[1].x);
  for (int i = 0; i < 3; ++i) QTest::keyClick(p1->RawTable, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1 - X + 1 (3)");
  // The whole profile shifted right by 3 at rows 2..3 and was re-anchored.
  EXPECT_EQ(CellNumber(window->Profile1.raw[1].x), x2 + 3);
  window->UndoClick();
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1 - X + 1 (2)");
}

// Ten points on a line, a few pixels apart on screen.
class MouseSelection : public Operations {
 protected:
  void SetUp() override {
    Operations::SetUp();
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 10; ++i) points.push_back({i * 10.0, (i % 2) * 1.0});
    const Profile line = test::MakeProfile(points);
    const std::string dims[4] = {"90.000", "1.000", "90.000", "1.000"};
    const std::string path = h.home / "projets/ligne.ovp";
    ASSERT_TRUE(AtomicWriteFile(path, WriteProjectFile(line, line, 3, dims).bytes));
    Open(path);
    preview = window->Profil1->Preview;
  }
  QPoint At(int row) { return preview->ScreenPosition(row); }
  void Drag(int fromRow, int toRow, Qt::KeyboardModifiers modifiers) {
    const QPoint a = At(fromRow) + QPoint(-3, -8), b = At(toRow) + QPoint(3, 8);
    QTest::mousePress(preview, Qt::LeftButton, modifiers, a);
    QTest::mouseMove(preview, b);
    QTest::mouseRelease(preview, Qt::LeftButton, modifiers, b);
  }
  PreviewWidget* preview = nullptr;
};

TEST_F(MouseSelection, CtrlRectanglesLockTheirPointsOnce) {
  Drag(5, 8, Qt::ControlModifier);
  Drag(7, 9, Qt::ControlModifier);
  std::vector<int> locked = window->Profile1.LockedRows;
  std::sort(locked.begin(), locked.end());
  EXPECT_EQ(locked, (std::vector<int>{5, 6, 7, 8, 9}));
  EXPECT_TRUE(window->Profil1->Liberer->isEnabled());
}

TEST_F(MouseSelection, AClickBetweenFarPointsSelectsNothingNew) {
  QTest::mouseClick(preview, Qt::LeftButton, {}, At(4));
  EXPECT_EQ(window->Profile1.currentRow, 4);
  const QPoint between = (At(6) + At(7)) / 2;
  QTest::mouseClick(preview, Qt::LeftButton, {}, between);
  EXPECT_EQ(window->Profile1.currentRow, 4);
  EXPECT_EQ(window->Profile1.selectionTop, 4);
  EXPECT_EQ(window->Profile1.selectionBottom, 4);
  QTest::mouseClick(preview, Qt::LeftButton, Qt::ShiftModifier, At(7));
  EXPECT_EQ(window->Profile1.selectionTop, 4);
  EXPECT_EQ(window->Profile1.selectionBottom, 7);
}

}  // namespace
}  // namespace orvane::ui

namespace orvane::ui {
namespace {

TEST_F(Operations, ClickingARowSelectsItInBothTables) {
  Open(std::string(ORVANE_TEST_DATA) + "/maison.ovp");
  ProfilePanel* p1 = window->Profil1;
  const QRect cell = p1->RawTable->visualRect(p1->RawTable->model()->index(3, 1));
  QTest::mouseClick(p1->RawTable->viewport(), Qt::RightButton, {}, cell.center());
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  EXPECT_EQ(window->Profile1.currentRow, 4);
  const QModelIndexList adjusted = p1->AdjustedTable->selectionModel()->selectedRows();
  ASSERT_EQ(adjusted.size(), 1);
  EXPECT_EQ(adjusted.front().row(), 3);
}

}  // namespace
}  // namespace orvane::ui

namespace orvane::ui {
namespace {

TEST_F(Operations, EditModeSetsTheRestAsideAndGivesItBack) {
  Open(std::string(ORVANE_TEST_DATA) + "/maison.ovp");
  const bool fermerBefore = window->Fermer->isEnabled();
  window->Decouper->setEnabled(true);  // as with an execution window and a link
  window->EditModeClick(window->Profil2);
  EXPECT_EQ(window->EditModeState(), 2);
  EXPECT_FALSE(window->Profil1->isVisible());
  EXPECT_FALSE(window->Charger->isEnabled());
  EXPECT_FALSE(window->Decouper->isEnabled());
  EXPECT_EQ(window->Profil2->EditMode->toolTip(), QStringLiteral("Mode normal"));
  window->DecimalsClick(1);  // profile 1 waits
  EXPECT_EQ(window->Profile1.adjusted[1].x, "100.000");
  EXPECT_EQ(window->Profile2.adjusted[1].x, "60.0");
  window->EditModeClick(window->Profil2);
  EXPECT_EQ(window->EditModeState(), 0);
  EXPECT_TRUE(window->Profil1->isVisible());
  EXPECT_TRUE(window->Charger->isEnabled());
  EXPECT_EQ(window->Fermer->isEnabled(), fermerBefore);
  EXPECT_TRUE(window->Decouper->isEnabled());
  EXPECT_EQ(window->Profile1.adjusted[1].x, "100.0");
}

}  // namespace
}  // namespace orvane::ui
