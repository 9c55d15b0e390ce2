#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QTableWidget;

namespace orvane::ui {

// A window whose caption follows what it shows (an open cut) names its
// commands by this property's text instead.
inline constexpr char kShortcutPlaceProperty[] = "shortcutPlace";

struct ShortcutEntry {
  QString keys;     // as the user reads it: "Ctrl+C", "F10"
  QString command;  // where the command is: "Outils › Calculatrice"
};

// Every shortcut bound in `windows` and their child windows: menu bars, popup
// menus, the actions of widgets and buttons, read from the actions
// themselves. The first window's commands are named by their menus, the
// others' by the window's caption first. A command shared by both profiles'
// popup menus is listed once.
std::vector<ShortcutEntry> CollectShortcuts(const std::vector<QWidget*>& windows);

// "Rappel des raccourcis": the shortcuts of the project window, then of
// every other window of the program.
class TFormRaccourcis : public QDialog {
 public:
  explicit TFormRaccourcis(QWidget* source, QWidget* parent = nullptr);

  // Reads the shortcuts again and shows the window modally.
  void ShowModal();
  void Refresh();

  QTableWidget* Liste = nullptr;

 private:
  QWidget* source_;
};

}  // namespace orvane::ui
