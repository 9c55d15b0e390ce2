#include "ui/dialogs/qt_file_dialog_service.h"

#include <QApplication>
#include <QFileDialog>

namespace orvane::ui {

std::optional<std::string> QtFileDialogService::OpenFile(const FileDialogRequest& request) {
  return Run(request, false);
}

std::optional<std::string> QtFileDialogService::SaveFile(const FileDialogRequest& request) {
  return Run(request, true);
}

std::optional<std::string> QtFileDialogService::ChooseFolder(const FileDialogRequest& request) {
  const QString folder = QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), QString::fromStdString(request.title),
      QString::fromStdString(request.folder), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

std::optional<std::string> QtFileDialogService::Run(const FileDialogRequest& request, bool save) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                     QString::fromStdString(request.folder));
  // Qt's own dialog, so that browsing reports each selected file.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setSizeGripEnabled(true);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite_);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  QStringList filters;
  for (const std::string& filter : request.filters) filters << QString::fromStdString(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultSuffix.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
  }
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
  if (request.onSelectionChanged) {
    QObject::connect(&dialog, &QFileDialog::currentChanged,
                     [&](const QString& path) { request.onSelectionChanged(path.toStdString()); });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace orvane::ui
