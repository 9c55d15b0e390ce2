#include "ui/app/fiche_raccourcis.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvane::ui {
namespace {

QString Caption(const QString& text) {
  QString caption = text;
  caption.remove('&');
  return caption.trimmed();
}

QString Join(const QString& path, const QString& caption) {
  return path.isEmpty() ? caption : path + QStringLiteral(" › ") + caption;
}

class Collector {
 public:
  void Menu(QMenu* menu, const QString& path) {
    if (!menu) return;
    seenMenus_.insert(menu);
    for (QAction* action : menu->actions()) Action(action, path);
  }
  void Action(QAction* action, const QString& path) {
    if (action->isSeparator() || seenActions_.contains(action)) return;
    seenActions_.insert(action);
    const QString here = Join(path, Caption(action->text()));
    if (action->menu()) {
      Menu(action->menu(), here);
      return;
    }
    Keys(action->shortcuts(), here);
  }
  void Keys(const QList<QKeySequence>& shortcuts, const QString& command) {
    QStringList keys;
    for (const QKeySequence& key : shortcuts) {
      if (!key.isEmpty()) keys << key.toString(QKeySequence::NativeText);
    }
    if (keys.isEmpty()) return;
    const ShortcutEntry entry{keys.join(QStringLiteral(", ")), command};
    const QString key = entry.keys + '\n' + entry.command;
    if (listed_.contains(key)) return;
    listed_.insert(key);
    entries.push_back(entry);
  }
  bool Seen(QMenu* menu) const { return seenMenus_.contains(menu); }

  std::vector<ShortcutEntry> entries;

 private:
  QSet<QAction*> seenActions_;
  QSet<QMenu*> seenMenus_;
  QSet<QString> listed_;
};

// A popup's submenus are reached through it; only menus owned by a widget
// other than a menu start a walk of their own.
bool IsPopupRoot(QMenu* menu) {
  QWidget* owner = menu->parentWidget();
  return owner && !qobject_cast<QMenu*>(owner) && !qobject_cast<QMenuBar*>(owner);
}

}  // namespace

std::vector<ShortcutEntry> CollectShortcuts(const std::vector<QWidget*>& windows) {
  Collector collector;
  if (windows.empty()) return {};
  QWidget* const main = windows.front();
  // Commands of the main window are named by their menus, those of the other
  // windows by the window's caption first.
  const auto place = [main](QWidget* widget) {
    QWidget* window = widget->window();
    if (window == main) return QString();
    // A caption that names the open document says nothing of the command.
    const QVariant fixed = window->property(kShortcutPlaceProperty);
    return fixed.isValid() ? fixed.toString() : window->windowTitle();
  };
  for (QWidget* window : windows) {
    if (auto* bar = window->findChild<QMenuBar*>()) {
      for (QAction* action : bar->actions()) collector.Action(action, place(bar));
    }
    for (QMenu* menu : window->findChildren<QMenu*>()) {
      if (!collector.Seen(menu) && IsPopupRoot(menu)) {
        collector.Menu(menu, Join(place(menu->parentWidget()),
                                  QStringLiteral("Menu contextuel (clic droit)")));
      }
    }
    // Actions bound to a widget without being in any menu, and buttons.
    for (QAction* action : window->actions()) collector.Action(action, place(window));
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      for (QAction* action : widget->actions()) collector.Action(action, place(widget));
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        collector.Keys({button->shortcut()}, Join(place(button), Caption(button->text())));
      }
    }
  }
  return std::move(collector.entries);
}

TFormRaccourcis::TFormRaccourcis(QWidget* source, QWidget* parent)
    : QDialog(parent), source_(source) {
  setWindowTitle(QStringLiteral("Orvane - Rappel des raccourcis"));
  Liste = new QTableWidget(0, 2, this);
  Liste->setHorizontalHeaderLabels({QStringLiteral("Touche"), QStringLiteral("Commande")});
  Liste->verticalHeader()->hide();
  Liste->verticalHeader()->setDefaultSectionSize(22);
  Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Liste->setSelectionMode(QAbstractItemView::NoSelection);
  Liste->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  Liste->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  // Read by polling while a machine works, not bound to a command, so not in
  // any menu; the stop keys above all must be known before a cut.
  auto* polled = new QLabel(
      QStringLiteral("Pendant une découpe ou un déplacement sur le port parallèle ou la liaison "
                     "série : <b>Espace</b> arrête la machine, les <b>flèches</b> ajustent la "
                     "vitesse de coupe. Avec la carte USB : l'arrêt d'urgence de la carte. "
                     "Pendant le calcul d'une découpe : <b>Echap</b> l'interrompt."),
      this);
  polled->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Fermer"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Liste);
  layout->addWidget(polled);
  layout->addWidget(buttons);
  resize(560, 600);
}

void TFormRaccourcis::Refresh() {
  // The project window first, then every other window of the program.
  std::vector<QWidget*> windows = {source_};
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->parentWidget() && window != source_ && window != this &&
        !qobject_cast<QMenu*>(window)) {
      windows.push_back(window);
    }
  }
  const std::vector<ShortcutEntry> entries = CollectShortcuts(windows);
  Liste->setRowCount(static_cast<int>(entries.size()));
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    Liste->setItem(row, 0, new QTableWidgetItem(entries[row].keys));
    Liste->setItem(row, 1, new QTableWidgetItem(entries[row].command));
  }
}

void TFormRaccourcis::ShowModal() {
  Refresh();
  exec();
}

}  // namespace orvane::ui
