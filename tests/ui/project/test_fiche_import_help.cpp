// The "?" menu and the calculator, with a scripted desktop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>
#include <filesystem>

#include "host/data_files.h"
#include "ui/project/fiche_import.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class HelpMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->show();
  }
  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
};

TEST_F(HelpMenu, TheMenusHoldTheirEntriesInOrder) {
  QStringList bar;
  for (QAction* action : window->menuBar()->actions()) bar << action->text();
  const int forme = bar.indexOf(QStringLiteral("Forme"));
  ASSERT_GE(forme, 0);
  EXPECT_EQ(bar.value(forme + 1), QStringLiteral("Historique"));
  EXPECT_EQ(bar.last(), QStringLiteral("?"));
  QStringList help;
  for (QAction* action : window->menuBar()->actions().last()->menu()->actions()) {
    if (!action->isSeparator()) help << action->text();
  }
  EXPECT_EQ(help, QStringList({"Aide", "Télécharger la dernière version", "Rappel des raccourcis",
                               "A propos du logiciel"}));
  QStringList configuration;
  auto* configurationMenu = qobject_cast<QMenu*>(window->Reinitialiser->parent());
  ASSERT_NE(configurationMenu, nullptr);
  for (QAction* action : configurationMenu->actions()) configuration << action->text();
  EXPECT_EQ(configuration, QStringList({"Sauvegarder", "Restaurer", "Réinitialiser"}));
}

TEST_F(HelpMenu, AideOpensTheHelpPageAsAFileAddressOrSaysItIsMissing) {
  // Nothing installed beside the test program, so the working folder decides.
  ASSERT_EQ(ProgramDataFile("help/orvane.htm"), "");
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(h.messages.shown[0].text, "Fichier d'aide manquant");
  EXPECT_TRUE(h.desktop.urls.empty());

  std::filesystem::create_directories(h.home / "help");
  const std::string page = h.home / "help/orvane.htm";
  test::WriteText(page, "<html></html>");
  window->Aide->trigger();
  ASSERT_EQ(h.desktop.urls.size(), 1u);
  const QUrl url(QString::fromStdString(h.desktop.urls[0]));
  EXPECT_EQ(url.scheme(), QStringLiteral("file"));
  EXPECT_EQ(url.toLocalFile().toStdString(), page);
  EXPECT_EQ(h.messages.shown.size(), 1u);

  // A desktop with no program for it is told, naming the page.
  h.desktop.opens = false;
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown[1].text.find(page), std::string::npos);
}

TEST_F(HelpMenu, TheDownloadEntryOpensOnlyAnAddressSetAtBuildTime) {
  window->SetUpdateUrl("");
  window->Telecharger->trigger();
  EXPECT_TRUE(h.desktop.urls.empty());
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_NE(h.messages.shown[0].text.find("Aucune adresse"), std::string::npos);
  EXPECT_NE(window->Telecharger->statusTip().indexOf(QStringLiteral("Aucune adresse")), -1);

  window->SetUpdateUrl("https://example.org/orvane/");
  window->Telecharger->trigger();
  EXPECT_EQ(h.desktop.urls, std::vector<std::string>{"https://example.org/orvane/"});
  EXPECT_EQ(h.messages.shown.size(), 1u);
}

TEST_F(HelpMenu, TheCalculatorIsStartedFromThePathOrSaidToBeMissing) {
  EXPECT_EQ(window->Calculatrice->shortcut(), QKeySequence(Qt::Key_F10));
  h.desktop.searchPath = h.home / "bin";
  window->Calculatrice->trigger();
  EXPECT_TRUE(h.desktop.programs.empty());
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_NE(h.messages.shown[0].text.find("Aucune calculatrice"), std::string::npos);

  std::filesystem::create_directories(h.home / "bin");
  for (const char* name : {"xcalc", "galculator"}) {
    const std::string path = h.home / (std::string("bin/") + name);
    test::WriteText(path, "#!/bin/sh\n");
    chmod(path.c_str(), 0755);
  }
  window->Calculatrice->trigger();
  EXPECT_EQ(h.desktop.programs, std::vector<std::string>{h.home / "bin/galculator"});
  EXPECT_EQ(h.messages.shown.size(), 1u);

  h.desktop.starts = false;
  window->Calculatrice->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_EQ(h.messages.shown[1].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[1].text.find("galculator"), std::string::npos);
}

}  // namespace
}  // namespace orvane::ui
