#pragma once

#include <QDialog>
#include <string>

#include "core/params/cutting_memo.h"
#include "ui/app/app_context.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace orvane::ui {

class MemoCellDelegate;
class MemoTableModel;

// The cutting memo: one row per cutting trial, kept in "memodec.ovm" in the
// application folder and exported as a semicolon-separated file.
class TFormMemo : public QDialog {
 public:
  explicit TFormMemo(AppContext& context, QWidget* parent = nullptr);

  // Loads the memo and shows the window modally, centred on the screen;
  // returns when it has closed.
  int Run();
  // The opening without the showing.
  void FormShow();

  QTableView* StringGrid1 = nullptr;
  QPushButton* Recharger = nullptr;
  QPushButton* Enregistrer = nullptr;
  QPushButton* Exporter = nullptr;
  QPushButton* Fermer = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction *Copier = nullptr, *Coller = nullptr, *Inserer = nullptr, *Ajouter = nullptr,
          *Effacer = nullptr, *Supprimer = nullptr, *Monter = nullptr, *Descendre = nullptr;

  void RechargerClick();
  // False when the file could not be written (the rows stay as they are).
  bool EnregistrerClick();
  void ExporterClick();
  // A menu entry on the current row.
  void MenuClick(QAction* entry);

  const CuttingMemo& Memo() const { return memo_; }
  bool Modified() const { return modified_; }
  size_t CurrentRow() const { return current_; }
  void SetCurrentRow(size_t row);
  std::string MemoPath() const;

 protected:
  // Every way of closing asks about unsaved rows first.
  void done(int result) override;

 private:
  void BuildControls();
  bool Load();
  void CellEdited();
  void SetModified(bool modified);
  void RefreshMenu();
  void ShowRows();

  AppContext& context_;
  CuttingMemo memo_;
  MemoTableModel* model_ = nullptr;
  MemoCellDelegate* delegate_ = nullptr;
  size_t current_ = 0;
  bool modified_ = false;
  // The file exists but could not be read: it is replaced only when the user agrees.
  bool unreadable_ = false;
};

}  // namespace orvane::ui
