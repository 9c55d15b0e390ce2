// The project window's operations, and the faults found when it was tried as
// a user would (each test named after what went wrong).

#include <QApplication>
#include <QFocusEvent>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "ui/project/fiche_format_file.h"
#include "ui/project/preview_widget.h"
#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

class Operations : public ProjectFixture {
 protected:
  // Answers the input window with `value` once it is up.
  void Answer(const QString& value) {
    QTimer::singleShot(0, &saisie, [this, value] {
      saisie.Edit1->setText(value);
      saisie.Appliquer->click();
    });
  }
};

TEST_F(Operations, RotateMirrorAndKerfThenUndoAllThreeBackToTheFile) {
  EXPECT_FALSE(p1->Annuler->isEnabled());
  Open(kMaison);
  EXPECT_FALSE(p1->Annuler->isEnabled());  // the opened project is the base state
  const PointRows original = window->Profile1.raw;
  Answer(QStringLiteral("45"));
  window->OperationClick(p1, p1->Rotation);
  window->MirrorClick(p1, true);
  Answer(QStringLiteral("0.5"));
  window->OperationClick(p1, p1->TraitCoupe);
  EXPECT_TRUE(p1->Annuler->isEnabled() && p2->Annuler->isEnabled());
  EXPECT_EQ(Captions(),
            (std::vector<std::string>{"Ouvrir projet", "P1 - Rotation 45°",
                                      "P1 - Miroir horizontal", "P1 - Trait de coupe"}));
  EXPECT_FALSE(p1->TraitCoupe->isEnabled());  // applied once
  for (int i = 0; i < 3; ++i) window->UndoClick();
  EXPECT_EQ(window->Profile1.raw, original);
  EXPECT_TRUE(p1->TraitCoupe->isEnabled());
  EXPECT_FALSE(window->Enregistrer->isEnabled());
  EXPECT_FALSE(p1->Annuler->isEnabled() || p2->Annuler->isEnabled());
}

// The counting of repeated entries is the history's; the keys reach it.
TEST_F(Operations, CtrlRightMovesTheSelectionAndIsRecorded) {
  Open(kMaison);
  p1->SelectRange(2, 3, 2);
  const PointRows before = window->Profile1.raw;
  for (int i = 0; i < 3; ++i) QTest::keyClick(p1->RawTable, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Captions().back(), "P1 - X + 1 (3)");
  EXPECT_NE(window->Profile1.raw, before);  // by how much is the operations' test
}

TEST_F(Operations, MouseRectanglesLockAndClicksSelectOnlyNearPoints) {
  window->resize(1400, 980);
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 10; ++i) points.push_back({i * 10.0, (i % 2) * 1.0});
  Open(WriteProject(points, "ligne"));
  PreviewWidget* preview = p1->Preview;
  auto at = [&](int row) { return preview->ScreenPosition(row); };
  for (auto [from, to] : {std::pair{5, 8}, std::pair{7, 9}}) {
    const QPoint a = at(from) + QPoint(-3, -8), b = at(to) + QPoint(3, 8);
    QTest::mousePress(preview, Qt::LeftButton, Qt::ControlModifier, a);
    QTest::mouseMove(preview, b);
    QTest::mouseRelease(preview, Qt::LeftButton, Qt::ControlModifier, b);
  }
  std::vector<int> locked = window->Profile1.LockedRows;
  std::sort(locked.begin(), locked.end());
  EXPECT_EQ(locked, (std::vector<int>{5, 6, 7, 8, 9}));  // each point locked once
  EXPECT_TRUE(p1->Liberer->isEnabled());

  QTest::mouseClick(preview, Qt::LeftButton, {}, at(4));
  QTest::mouseClick(preview, Qt::LeftButton, {}, (at(6) + at(7)) / 2);  // between far points
  EXPECT_EQ(window->Profile1.currentRow, 4);
  EXPECT_EQ(window->Profile1.selectionBottom, 4);
  QTest::mouseClick(preview, Qt::LeftButton, Qt::ShiftModifier, at(7));
  EXPECT_EQ(window->Profile1.selectionTop, 4);
  EXPECT_EQ(window->Profile1.selectionBottom, 7);
}

TEST_F(Operations, ARowClickedInOneTableIsSelectedInBoth) {
  Open(kMaison);
  const QRect cell = p1->RawTable->visualRect(p1->RawTable->model()->index(3, 1));
  QTest::mouseClick(p1->RawTable->viewport(), Qt::RightButton, {}, cell.center());
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  EXPECT_EQ(window->Profile1.currentRow, 4);
  const QModelIndexList adjusted = p1->AdjustedTable->selectionModel()->selectedRows();
  ASSERT_EQ(adjusted.size(), 1);
  EXPECT_EQ(adjusted.front().row(), 3);
}

TEST_F(Operations, TheActiveProfileArrowFollowsTheTablesFocusAndHidesInEditMode) {
  auto focus = [](QWidget* widget) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(widget, &in);
  };
  auto arrows = [&] {
    return std::string(p1->Select->isHidden() ? "" : "1") + (p2->Select->isHidden() ? "" : "2");
  };
  EXPECT_EQ(arrows(), "");
  focus(p2->AdjustedTable);
  EXPECT_EQ(arrows(), "2");
  focus(p1->RawTable);
  focus(p2->DimX);  // other widgets leave the active profile as it was
  EXPECT_EQ(arrows(), "1");
  window->EditModeClick(p1);
  focus(p1->AdjustedTable);
  EXPECT_EQ(arrows(), "");
  window->EditModeClick(p1);
  EXPECT_EQ(arrows(), "1");
}

TEST_F(Operations, EditModeSetsTheRestAsideAndGivesItBack) {
  Open(kMaison);
  window->Decouper->setEnabled(true);  // as with an execution window and a link
  window->EditModeClick(p2);
  EXPECT_EQ(window->EditModeState(), 2);
  EXPECT_FALSE(p1->isVisible());
  window->MirrorClick(p2, true);
  window->DecimalsClick(1);  // profile 1 waits
  EXPECT_EQ(window->Profile1.adjusted[1].x, "100.000");
  for (QPushButton* b : {window->Enregistrer, window->Fermer, window->Calculer, window->Projection,
                         window->Charger, window->Decouper}) {
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  }
  EXPECT_FALSE(window->FormatCUT1->isEnabled());  // "Exporter le projet"
  EXPECT_FALSE(window->FormatCut2->isEnabled());  // "Importer un projet" replaces both
  window->OperationClick(p2, p2->Permuter);       // the other profile waits
  EXPECT_EQ(window->Profile1.raw.size(), 6u);

  window->EditModeClick(p2);
  EXPECT_EQ(window->EditModeState(), 0);
  EXPECT_TRUE(p1->isVisible() && p1->isEnabled());
  EXPECT_TRUE(window->Enregistrer->isEnabled() && window->Decouper->isEnabled());
  EXPECT_TRUE(window->FormatCUT1->isEnabled() && window->FormatCut2->isEnabled());
  EXPECT_EQ(window->Profile1.adjusted[1].x, "100.0");
}

// Copying a profile clears its copied point (the core's test); an import
// that replaces the outline, or an undo that empties the profile, takes the
// copied point with it.
TEST_F(Operations, AnImportOrAnUndoThatEmptiesTheProfileTakesTheCopiedPoint) {
  Open(kMaison);
  p2->SelectRow(2);
  window->OperationClick(p2, p2->CopierP);
  ASSERT_TRUE(p2->CollerP->isEnabled());
  Import(p2, kData + "/drawings/square_lwpolyline.dxf");
  EXPECT_EQ(window->Profile2.clipboard, PointText{});
  EXPECT_FALSE(p2->CollerP->isEnabled());

  h.messages.answers = {MessageAnswer::Yes};  // the import is unsaved work
  window->FermerClick();
  Import(p2, kData + "/drawings/square_lwpolyline.dxf");
  window->CopieClick(p1);
  window->OperationClick(p1, p1->CopierP);
  window->UndoClick();
  ASSERT_FALSE(window->Profile1.Present());
  EXPECT_EQ(window->Profile1.clipboard, PointText{});
}

// A division by a distance that is no distance is refused, and simplifying
// an open outline with nothing aligned changes nothing (which outline
// simplifies is the core's): neither records anything.
TEST_F(Operations, ABadDivisionOrANeedlessSimplificationChangesAndRecordsNothing) {
  Open(WriteProject({{0, 0}, {5, 1}, {10, 3}, {12, 8}}));
  const PointRows before = window->Profile1.raw;
  for (const char* distance : {"0", "-"}) {  // at most 0, and no number ("-2" is as 0)
    bool stayedOpen = false;
    QString reset;
    QTimer::singleShot(0, &saisie, [&] {
      saisie.Edit1->setText(QString::fromUtf8(distance));
      saisie.Appliquer->click();
      stayedOpen = saisie.isVisible();
      reset = saisie.Edit1->text();
      saisie.Annuler->click();
    });
    h.messages.shown.clear();
    window->OperationClick(p1, p1->Diviser);
    EXPECT_TRUE(stayedOpen) << distance;
    EXPECT_EQ(reset, QStringLiteral("2")) << distance;
    ASSERT_EQ(h.messages.shown.size(), 1u) << distance;
    EXPECT_EQ(h.messages.shown[0].text, "Valeur incorrecte !");
  }
  window->OperationClick(p1, p1->Simplifier);
  EXPECT_EQ(window->Profile1.raw, before);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Ouvrir projet"}));
}

TEST_F(Operations, ACoefficientRefitsBothPreviews) {
  Open(kMaison);
  p1->Zoom->setValue(40);
  p2->Zoom->setValue(30);
  Answer(QStringLiteral("2"));
  window->OperationClick(p1, p1->AppliquerCoef);
  EXPECT_EQ(Captions().back(), "P1 - Coefficient x 2.0");
  EXPECT_EQ(p1->Zoom->value(), 10);
  EXPECT_EQ(p2->Zoom->value(), 10);
}

TEST_F(Operations, TheDatOptionsWindowIsCaptionedOrvane) {
  TFormFormatFile formatFile;
  QString caption;
  QTimer::singleShot(0, &formatFile, [&] {
    caption = formatFile.windowTitle();
    formatFile.reject();
  });
  EXPECT_FALSE(formatFile.Run(2));
  EXPECT_EQ(caption, QStringLiteral("Orvane"));
}

// Records the cursor shown while each question is asked.
class CursorWatchingMessages : public MessageService {
 public:
  explicit CursorWatchingMessages(MessageService& inner) : inner_(inner) {}
  MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
    const QCursor* cursor = QApplication::overrideCursor();
    shapes.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
    return inner_.Show(kind, text, buttons);
  }
  std::vector<Qt::CursorShape> shapes;

 private:
  MessageService& inner_;
};

TEST_F(Operations, AnImportShowsTheBusyCursorUntilItEnds) {
  CursorWatchingMessages watching(h.messages);
  h.context.messages = &watching;
  h.messages.answers = {MessageAnswer::Yes};
  Import(p1, kData + "/drawings/two_lines.dxf");  // asks about its useless point
  ASSERT_EQ(watching.shapes.size(), 1u);
  EXPECT_EQ(watching.shapes[0], Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(h.messages.shown.at(0).text, "  1 point inutile détecté, souhaitez-vous corriger ?");
  EXPECT_EQ(window->Profile1.raw.size(), 3u);  // removed on "Oui"
  h.context.settings.Doublons = true;          // or in silence when so set
  Import(p2, kData + "/drawings/two_lines.dxf");
  EXPECT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(window->Profile2.raw.size(), 3u);
}

}  // namespace
}  // namespace orvane::ui
