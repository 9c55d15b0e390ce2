// The "?" menu and the calculator, with a scripted desktop.
#include <sys/stat.h>

#include <QUrl>
#include <filesystem>

#include "host/data_files.h"
#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

using HelpMenu = ProjectFixture;

// Each entry: what the desktop is asked for, or the message when it cannot.
TEST_F(HelpMenu, AideDownloadAndCalculatorAskTheDesktopOrSayWhy) {
  ASSERT_EQ(ProgramDataFile("help/orvane.htm"), "");  // the working folder decides
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text, "Fichier d'aide manquant");
  std::filesystem::create_directories(h.home / "help");
  const std::string page = h.home / "help/orvane.htm";
  test::WriteText(page, "<html></html>");
  window->Aide->trigger();
  ASSERT_EQ(h.desktop.urls.size(), 1u);
  EXPECT_EQ(QUrl(QString::fromStdString(h.desktop.urls[0])).toLocalFile().toStdString(), page);
  h.desktop.opens = false;  // no program for it: told, naming the page
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown[1].text.find(page), std::string::npos);

  h.desktop.urls.clear();
  h.desktop.opens = true;
  h.messages.shown.clear();
  window->SetUpdateUrl("");
  window->Telecharger->trigger();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_NE(h.messages.shown[0].text.find("Aucune adresse"), std::string::npos);
  window->SetUpdateUrl("https://example.org/orvane/");
  window->Telecharger->trigger();
  EXPECT_EQ(h.desktop.urls, std::vector<std::string>{"https://example.org/orvane/"});

  // Which calculator is the program lookup's.
  h.desktop.searchPath = h.home / "bin";
  window->Calculatrice->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown[1].text.find("Aucune calculatrice"), std::string::npos);
  std::filesystem::create_directories(h.home / "bin");
  test::WriteText(h.home / "bin/galculator", "#!/bin/sh\n");
  chmod((h.home / "bin/galculator").c_str(), 0755);
  window->Calculatrice->trigger();
  EXPECT_EQ(h.desktop.programs, std::vector<std::string>{h.home / "bin/galculator"});
  h.desktop.starts = false;
  window->Calculatrice->trigger();
  ASSERT_EQ(h.messages.shown.size(), 3u);
  EXPECT_EQ(h.messages.shown[2].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[2].text.find("galculator"), std::string::npos);
}

}  // namespace
}  // namespace orvane::ui
