#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QTableWidget;

namespace orvane::ui {

struct ShortcutEntry {
  QString keys;     // as the user reads it: "Ctrl+C", "F10"
  QString command;  // where the command is: "Outils › Calculatrice"
};

// Every shortcut bound on `window`: its menu bar, its popup menus and the
// actions of its widgets, read from the actions themselves. A command shared
// by both profiles' popup menus is listed once.
std::vector<ShortcutEntry> CollectShortcuts(QWidget* window);

// "Rappel des raccourcis": the shortcuts of the project window.
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
