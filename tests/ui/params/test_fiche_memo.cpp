#include "ui/params/fiche_memo.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/params/cutting_memo.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/project/fiche_import.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class MemoWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    memo = std::make_unique<TFormMemo>(h.context);
  }
  void Open() {
    memo->FormShow();
    memo->show();
  }
  QAbstractItemModel* Model() const { return memo->StringGrid1->model(); }
  // A cell's editor committed with this text.
  void Type(int row, int column, const QString& text) {
    Model()->setData(Model()->index(row, column), text);
  }
  std::string File() const { return test::ReadText(memo->MemoPath()); }

  test::WindowHarness h;
  std::unique_ptr<TFormMemo> memo;
};

// What the file holds and how a cell is cleaned are the core's; the window
// asks on closing only after a change, and exports under its own name.
TEST_F(MemoWindow, LoadsEditsAndSavesOnlyWhenAskedOnClosing) {
  test::WriteText(memo->MemoPath(), "c1\r\n");
  Open();
  EXPECT_FALSE(memo->Enregistrer->isEnabled());
  memo->reject();  // unchanged: nothing asked
  EXPECT_TRUE(h.messages.shown.empty());

  Open();
  Type(0, 8, QStringLiteral("≈;\n ok"));
  EXPECT_TRUE(memo->Enregistrer->isEnabled() && memo->Recharger->isEnabled());
  h.messages.answers = {MessageAnswer::Yes};
  memo->reject();
  EXPECT_FALSE(memo->isVisible());
  EXPECT_EQ(h.messages.shown.back().text, "Enregistrer les modifications ?");
  EXPECT_EQ(ReadMemoFile(File())[0][7], "≈ ok");

  h.dialogs.chosen = h.home / "essais.csv";
  Open();
  memo->ExporterClick();
  EXPECT_EQ(h.dialogs.requests.back().fileName, "mon_mémo_de_découpe.csv");
  EXPECT_EQ(test::ReadText(*h.dialogs.chosen), "1;c1;;;;;;;≈ ok;\r\n");
}

// The memo's path is a folder: it can be neither read nor replaced.
TEST_F(MemoWindow, AFailedSaveWhileClosingKeepsTheWindowAndTheRows) {
  std::filesystem::create_directory(memo->MemoPath());
  Open();
  EXPECT_EQ(h.messages.Count(MessageKind::Error), 1u);
  Type(0, 1, QStringLiteral("PS"));
  h.messages.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
  memo->reject();
  EXPECT_TRUE(memo->isVisible());
  EXPECT_EQ(memo->Memo().Cell(0, 0), "PS");
  EXPECT_EQ(h.messages.Count(MessageKind::Error), 2u);
  EXPECT_TRUE(std::filesystem::is_directory(memo->MemoPath()));
}

TEST_F(MemoWindow, TypedAndPastedTextLosesItsSemicolonsAndTheMenuFollowsTheRow) {
  Open();
  EXPECT_FALSE(memo->Supprimer->isEnabled());
  EXPECT_FALSE(memo->Coller->isEnabled());
  memo->StringGrid1->edit(Model()->index(0, 1));
  auto* editor = memo->StringGrid1->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, QStringLiteral("PS;20"));
  editor->insert(QStringLiteral(" x;y\nz"));  // as a paste does
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the editor commits once back in the loop
  EXPECT_EQ(memo->Memo().Cell(0, 0), "PS20 xyz");

  EXPECT_TRUE(memo->Modified());
  ASSERT_TRUE(memo->EnregistrerClick());
  memo->MenuClick(memo->Copier);
  EXPECT_FALSE(memo->Modified());
  memo->MenuClick(memo->Ajouter);
  EXPECT_EQ(memo->CurrentRow(), 1u);
  EXPECT_TRUE(memo->Modified() && memo->Supprimer->isEnabled() && memo->Monter->isEnabled() &&
              memo->Coller->isEnabled());
  EXPECT_FALSE(memo->Descendre->isEnabled());
  memo->MenuClick(memo->Monter);
  EXPECT_EQ(memo->CurrentRow(), 0u);
  EXPECT_EQ(memo->Memo().Cell(1, 0), "PS20 xyz");
  EXPECT_FALSE(memo->Monter->isEnabled());
  h.messages.answers = {MessageAnswer::No};
  memo->reject();
}

TEST_F(MemoWindow, OpensFromTheProjectWindowAndTheExecutionWindow) {
  TFormImport project(h.context, nullptr);
  TFormPosition position(h.context);
  EXPECT_FALSE(position.Memo->isEnabled());
  project.SetMemoWindow(memo.get());
  position.SetMemoWindow(memo.get());
  int opened = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (memo->isVisible()) ++opened, memo->reject();
  });
  driver.start(5);
  project.MemoDecoupe->trigger();
  position.Memo->click();
  driver.stop();
  EXPECT_EQ(opened, 2);
}

}  // namespace
}  // namespace orvane::ui
