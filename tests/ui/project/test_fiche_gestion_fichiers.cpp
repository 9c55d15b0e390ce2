#include "ui/project/fiche_gestion_fichiers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "ui/project/fiche_import.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

namespace fs = std::filesystem;

// The window over the program's own folders, freshly made by start-up.
class ManageFilesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    for (const char* file :
         {"découpes/aile.ovd", "découpes/aile.ovi", "découpes/aile.ovs", "découpes/aile.ovg",
          "découpes/autre.ovd", "dessins/aile.dxf", "projets/aile.ovp"}) {
      Put(file);
    }
    window = std::make_unique<TFormManageFiles>(h.context, nullptr);
  }
  void Put(const std::string& relative) { test::WriteText(h.home / relative, relative); }
  bool Present(const std::string& relative) const { return fs::exists(h.home / relative); }
  static QStringList Entries(const QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return entries;
  }
  static void Click(QListWidget* list, const QString& entry) {
    const auto items = list->findItems(entry, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << entry.toStdString();
    emit list->itemClicked(items[0]);
  }
  bool CanActOn() const {
    return window->RenameFiles->isEnabled() && window->DeleteFiles->isEnabled() &&
           window->NewName->isEnabled();
  }

  test::WindowHarness h;
  std::unique_ptr<TFormManageFiles> window;
};

TEST_F(ManageFilesWindow, SearchRenameAndDeleteEachListTheFoldersAgain) {
  window->FormShow();
  EXPECT_EQ(window->FileName->text(), QStringLiteral("*"));
  // An ignored family's list has the window's face colour.
  const QColor face = window->palette().color(QPalette::Window);
  EXPECT_EQ(window->ListBoxDessins->palette().color(QPalette::Base), face);

  Click(window->ListBoxDecoupes, QStringLiteral("aile.ovi"));
  EXPECT_EQ(window->FileName->text(), QStringLiteral("aile"));
  EXPECT_FALSE(CanActOn());
  QTest::keyClick(window->FileName, Qt::Key_Return);
  EXPECT_EQ(window->ListBoxDecoupes->count(), 4);
  EXPECT_TRUE(CanActOn());

  window->IgnoreShapes->setChecked(false);  // searches again
  EXPECT_EQ(Entries(window->ListBoxDessins), QStringList{"aile.dxf"});

  // A refused name changes nothing and keeps the search.
  window->NewName->setText(QStringLiteral("../aile2"));
  window->RenameFilesClick();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_TRUE(CanActOn());

  window->NewName->setText(QStringLiteral("aile2"));
  QTest::keyClick(window->NewName, Qt::Key_Return);
  EXPECT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(Entries(window->ListBoxDecoupes),
            (QStringList{"aile2.ovd", "aile2.ovi", "aile2.ovs", "aile2.ovg"}));
  EXPECT_TRUE(CanActOn());

  // "Non" is the question's default and deletes nothing.
  h.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
  window->DeleteFiles->click();
  EXPECT_EQ(h.messages.shown.back().buttons, MessageButtons::YesNoDefaultNo);
  EXPECT_TRUE(Present("découpes/aile2.ovd"));
  window->DeleteFiles->click();
  EXPECT_FALSE(Present("découpes/aile2.ovd"));
  EXPECT_EQ(window->ListBoxDecoupes->count(), 0);
  EXPECT_FALSE(CanActOn());

  window->Tous->click();
  EXPECT_FALSE(CanActOn());  // "*" names no file to act on
}

TEST_F(ManageFilesWindow, AMissingWorkFolderIsToldOnceAndNeverReplacedByTheCurrentOne) {
  h.context.settings.CutPath = "";
  const fs::path previous = fs::current_path();
  fs::current_path(h.home.Path() + "découpes");  // holds aile.ovd
  window->FormShow();
  EXPECT_TRUE(h.messages.shown.empty());  // told once the window is on screen
  window->FindFilesClick();
  window->IgnoreProjects->setChecked(false);
  fs::current_path(previous);
  EXPECT_EQ(h.messages.shown.size(), 1u);  // its text is the search's test
  EXPECT_EQ(window->ListBoxDecoupes->count(), 0);
  EXPECT_EQ(Entries(window->ListBoxProjets), QStringList{"aile.ovp"});
}

TEST_F(ManageFilesWindow, OpensFromTheToolsMenuAndFitsTheSmallestScreen) {
  TFormImport project(h.context, nullptr);
  TFormManageFiles manage(h.context, &project);
  project.SetManageFilesWindow(&manage);
  bool opened = false;
  QTimer::singleShot(0, &manage, [&] {
    opened = manage.isVisible();
    EXPECT_EQ(manage.windowTitle(), QStringLiteral("Orvane - Gestion des fichiers de travail"));
    EXPECT_LE(manage.frameGeometry().width(), 1366);
    EXPECT_LE(manage.frameGeometry().height(), 768);
    EXPECT_EQ(manage.ListBoxDecoupes->count(), 5);
    manage.Femer->click();
  });
  QTimer::singleShot(10000, &manage, [&] { manage.done(QDialog::Rejected); });
  project.ManageFiles->trigger();
  EXPECT_TRUE(opened);
  EXPECT_EQ(project.ManageFiles->text(), QStringLiteral("Gestion des fichiers"));
}

}  // namespace
}  // namespace orvane::ui
