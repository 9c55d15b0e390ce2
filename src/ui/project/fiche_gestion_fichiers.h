#pragma once

#include <QDialog>
#include <string>

#include "core/project/work_files.h"
#include "ui/app/app_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

namespace orvane::ui {

// "Gestion des fichiers": finds the work files that share a base name and
// renames or deletes them together.
class TFormManageFiles : public QDialog {
 public:
  explicit TFormManageFiles(AppContext& context, QWidget* parent = nullptr);

  // Shows the window modally, listing the cut files at once.
  void Run();
  // What showing does: both filters and the view mode ticked, the folders
  // filled in, every cut file listed.
  void FormShow();

  void FindFilesClick();
  void TousClick();
  void BrowseClick();
  void RenameFilesClick();
  void DeleteFilesClick();
  // The files the lists show, as last searched.
  const WorkFileSearch& LastSearch() const { return search_; }

  QLineEdit* EditDessins = nullptr;
  QLineEdit* EditProjets = nullptr;
  QLineEdit* EditDecoupes = nullptr;
  QLineEdit* EditRoot = nullptr;
  QCheckBox* SeparateFolders = nullptr;
  QCheckBox* IgnoreShapes = nullptr;
  QCheckBox* IgnoreProjects = nullptr;
  QLineEdit* FileName = nullptr;
  QPushButton* FindFiles = nullptr;
  QPushButton* Tous = nullptr;
  QPushButton* Browse = nullptr;
  QListWidget* ListBoxDessins = nullptr;
  QListWidget* ListBoxProjets = nullptr;
  QListWidget* ListBoxDecoupes = nullptr;
  QListWidget* ListBoxRoot = nullptr;
  QLineEdit* NewName = nullptr;
  QPushButton* RenameFiles = nullptr;
  QPushButton* DeleteFiles = nullptr;
  QPushButton* Femer = nullptr;

 private:
  // Lists the files of the name field; a folder that could not be searched
  // is told once for each opening, unless `tell` is false.
  void Search(bool tell = true);
  void TellSkipped();
  void ShowLists();
  void ListClicked(QListWidgetItem* item);
  WorkFileFilter Filter() const;

  AppContext& context_;
  WorkFileSearch search_;
  std::string skippedTold_;
  QWidget* separateLists_ = nullptr;
};

}  // namespace orvane::ui
