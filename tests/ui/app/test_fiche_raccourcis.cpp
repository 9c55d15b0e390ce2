#include "ui/app/fiche_raccourcis.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <map>

#include "ui/app/fiche_apropos.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/project/fiche_import.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class ShortcutReminder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.Start()); }
  // The rows whose key column reads `keys`.
  std::vector<ShortcutEntry> Rows(const std::vector<ShortcutEntry>& entries, const QString& keys) {
    std::vector<ShortcutEntry> rows;
    for (const ShortcutEntry& entry : entries) {
      if (entry.keys.split(QStringLiteral(", ")).contains(keys)) rows.push_back(entry);
    }
    return rows;
  }
  test::WindowHarness h;
  TFormImport window{h.context, nullptr};
};

TEST_F(ShortcutReminder, ListsEveryShortcutBoundInTheProjectWindow) {
  const std::vector<ShortcutEntry> entries = CollectShortcuts({&window});
  // Every action that holds a shortcut, however reached, is on the list under
  // its own caption.
  int bound = 0;
  for (QAction* action : window.findChildren<QAction*>()) {
    for (const QKeySequence& key : action->shortcuts()) {
      ++bound;
      const QString keys = key.toString(QKeySequence::NativeText);
      QString caption = action->text();
      caption = caption.remove('&').trimmed();
      bool found = false;
      for (const ShortcutEntry& row : Rows(entries, keys)) found |= row.command.endsWith(caption);
      EXPECT_TRUE(found) << keys.toStdString() << " " << caption.toStdString();
    }
  }
  EXPECT_GT(bound, 15);
  // Both profiles' popup menus bind the same commands: each is listed once.
  EXPECT_EQ(Rows(entries, "Ctrl+C").size(), 1u);
}

TEST_F(ShortcutReminder, ListsTheOtherWindowsUnderTheirCaptions) {
  // The execution window binds F11 on a button; a window of no parent
  // binds an action of its own.
  TFormPosition position(h.context, &window);
  // Regression: the caption of an open cut showed in place of the window's.
  position.setWindowTitle(QStringLiteral("Orvane - Découpe et positionnement - [ /CUTS/WING ]"));
  QDialog other;
  other.setWindowTitle(QStringLiteral("Orvane - Essai"));
  auto* detail = new QAction(QStringLiteral("Détails"), &other);
  detail->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  other.addAction(detail);

  TFormRaccourcis reminder(&window, &window);
  reminder.Refresh();
  std::map<QString, QString> rows;
  for (int row = 0; row < reminder.Liste->rowCount(); ++row) {
    rows[reminder.Liste->item(row, 0)->text()] = reminder.Liste->item(row, 1)->text();
  }
  EXPECT_EQ(rows["F11"], QStringLiteral("Orvane - Découpe et positionnement › Mode manuel"));
  EXPECT_EQ(rows["Ctrl+D"], QStringLiteral("Orvane - Essai › Détails"));
  EXPECT_EQ(rows["F1"], QStringLiteral("? › Aide"));
  // The project window comes first.
  EXPECT_FALSE(reminder.Liste->item(0, 1)->text().startsWith(QStringLiteral("Orvane - ")));
}

TEST(AboutWindow, NamesTheVersionAndTheQtItRunsWith) {
  TFormAPropos about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("Orvane - A propos du logiciel"));
  EXPECT_TRUE(about.Version->text().contains(QStringLiteral("1.60")));
  EXPECT_TRUE(about.Bibliotheques->text().contains(QString::fromLatin1(qVersion())));
}

}  // namespace
}  // namespace orvane::ui
