// Faults found when the project window was tried as a user would, each named
// after what went wrong.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "support/profiles.h"
#include "ui/project/fiche_edit_point.h"
#include "ui/project/fiche_format_file.h"
#include "ui/project/fiche_import.h"
#include "ui/project/fiche_saisie.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

const std::string kData = ORVANE_TEST_DATA;

class Regressions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->SetOperationWindows(&saisie, &editPoint, &proprietes);
    window->resize(1366, 740);
    window->show();
    p1 = window->Profil1;
    p2 = window->Profil2;
  }
  void TearDown() override { window->CloseWithoutQuestions(); }
  void Open(const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
    window->ChargerClick();
  }
  void Import(ProfilePanel* panel, const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
    window->ImporterClick(panel);
  }
  // A project whose two profiles are the same `points`.
  std::string WriteProject(const std::vector<std::pair<double, double>>& points) {
    const Profile p = test::MakeProfile(points);
    const DimensionTexts d = DimensionsOf(p, 3);
    const std::string dims[4] = {d.x, d.y, d.x, d.y};
    const std::string path = h.home / "projets/essai.ovp";
    EXPECT_TRUE(AtomicWriteFile(path, WriteProjectFile(p, p, 3, dims).bytes));
    return path;
  }

  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
  TFormSaisie saisie;
  TFormEditPoint editPoint;
  TFormProprietes proprietes;
  ProfilePanel* p1 = nullptr;
  ProfilePanel* p2 = nullptr;
};

TEST_F(Regressions, AnOperationInEditModeLeavesTheProjectCommandsAside) {
  Open(kData + "/maison.ovp");
  window->EditModeClick(p1);
  window->MirrorClick(p1, true);
  window->DecimalsClick(2);
  for (QPushButton* b : {window->Enregistrer, window->Fermer, window->Calculer, window->Projection,
                         window->Charger}) {
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  }
  EXPECT_FALSE(window->FormatCUT1->isEnabled());  // "Exporter le projet"
  EXPECT_FALSE(window->FormatCut2->isEnabled());  // "Importer un projet" replaces both
  window->OperationClick(p1, p1->Permuter);       // the other profile waits
  EXPECT_EQ(window->Profile2.raw.size(), 6u);
  EXPECT_EQ(window->Profile1.raw[1].x, "0.000000");

  window->EditModeClick(p1);
  EXPECT_TRUE(window->Enregistrer->isEnabled());  // the mirror is unsaved
  EXPECT_TRUE(window->Fermer->isEnabled());
  EXPECT_TRUE(window->FormatCUT1->isEnabled());
  EXPECT_TRUE(window->FormatCut2->isEnabled());
  EXPECT_TRUE(p2->isEnabled());
}

TEST_F(Regressions, TheCopiedPointGoesWithItsOutline) {
  Open(kData + "/maison.ovp");
  p1->SelectRow(2);
  window->OperationClick(p1, p1->CopierP);
  ASSERT_TRUE(p1->CollerP->isEnabled());
  window->CopieClick(p1);  // "Recopier profil 2"
  EXPECT_EQ(window->Profile1.clipboard, PointText{});
  EXPECT_FALSE(p1->CollerP->isEnabled());

  window->OperationClick(p2, p2->CopierP);
  Import(p2, kData + "/drawings/square_lwpolyline.dxf");
  EXPECT_EQ(window->Profile2.clipboard, PointText{});
  EXPECT_FALSE(p2->CollerP->isEnabled());
}

TEST_F(Regressions, AnUndoThatEmptiesAProfileTakesItsCopiedPoint) {
  Import(p2, kData + "/drawings/square_lwpolyline.dxf");
  window->CopieClick(p1);
  window->OperationClick(p1, p1->CopierP);
  window->UndoClick();
  ASSERT_FALSE(window->Profile1.Present());
  EXPECT_EQ(window->Profile1.clipboard, PointText{});
}

TEST_F(Regressions, SimplifyingAnOpenOutlineWithNothingAlignedChangesNothing) {
  Open(WriteProject({{0, 0}, {5, 1}, {10, 3}, {12, 8}}));
  const PointRows before = window->Profile1.raw;
  window->OperationClick(p1, p1->Simplifier);
  EXPECT_EQ(window->Profile1.raw, before);
  EXPECT_EQ(window->OperationHistory().Captions(), (std::vector<std::string>{"Ouvrir projet"}));

  // With an aligned middle point: recorded, and undone back to the file.
  Open(WriteProject({{0, 0}, {5, 0}, {10, 0}, {12, 8}}));
  const PointRows aligned = window->Profile1.raw;
  window->OperationClick(p1, p1->Simplifier);
  EXPECT_EQ(window->Profile1.raw.back(), aligned.back());
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1 - Simplifier dessin");
  EXPECT_TRUE(window->Profile1.modified);
  window->UndoClick();
  EXPECT_EQ(window->Profile1.raw, aligned);
}

TEST_F(Regressions, DividingByANonPositiveOrUnreadableDistanceIsRefused) {
  Open(kData + "/maison.ovp");
  const PointRows before = window->Profile1.raw;
  for (const char* distance : {"0", "", "-", ".", "-2"}) {
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
  EXPECT_EQ(window->Profile1.raw, before);
  EXPECT_EQ(window->OperationHistory().Captions(), (std::vector<std::string>{"Ouvrir projet"}));
}

TEST_F(Regressions, UndoIsOfferedOnlyWithSomethingToUndo) {
  EXPECT_FALSE(p1->Annuler->isEnabled());
  Open(kData + "/maison.ovp");
  EXPECT_FALSE(p1->Annuler->isEnabled());  // the opened project is the base state
  window->MirrorClick(p2, false);
  EXPECT_TRUE(p1->Annuler->isEnabled());
  EXPECT_TRUE(p2->Annuler->isEnabled());
  window->UndoClick();
  EXPECT_FALSE(p1->Annuler->isEnabled());
  EXPECT_FALSE(p2->Annuler->isEnabled());
}

TEST_F(Regressions, ACoefficientRefitsBothPreviews) {
  Open(kData + "/maison.ovp");
  p1->Zoom->setValue(40);
  p2->Zoom->setValue(30);
  QTimer::singleShot(0, &saisie, [this] {
    saisie.Edit1->setText(QStringLiteral("2"));
    saisie.Appliquer->click();
  });
  window->OperationClick(p1, p1->AppliquerCoef);
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1 - Coefficient x 2.0");
  EXPECT_EQ(p1->Zoom->value(), 10);
  EXPECT_EQ(p2->Zoom->value(), 10);
}

TEST_F(Regressions, TheDatOptionsWindowIsCaptionedOrvane) {
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

TEST_F(Regressions, AnImportShowsTheBusyCursorUntilItEnds) {
  CursorWatchingMessages watching(h.messages);
  h.context.messages = &watching;
  h.messages.answers = {MessageAnswer::Yes};
  Import(p1, kData + "/drawings/two_lines.dxf");  // asks about its useless point
  ASSERT_EQ(watching.shapes.size(), 1u);
  EXPECT_EQ(watching.shapes[0], Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(window->Profile1.Present());
}

}  // namespace
}  // namespace orvane::ui
