// The project window's drawing imports, profile exports and CUT files.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTableView>
#include <filesystem>

#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"
#include "core/project/exports.h"
#include "host/atomic_file.h"
#include "ui/project/fiche_format_file.h"
#include "ui/project/fiche_import.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {
namespace {

constexpr size_t kMaxDrawingFile = size_t(256) << 20;

std::string Extension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension;
}

// The file name without its folder and without anything from its first '.'.
std::string DrawingName(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  return name.substr(0, name.find('.'));
}

PointRows RowsFrom(const std::vector<double>& xs, const std::vector<double>& ys) {
  PointRows rows(xs.size());
  for (size_t i = 0; i < xs.size(); ++i) rows[i] = {FormatFixed(xs[i], 6), FormatFixed(ys[i], 6)};
  return rows;
}

}  // namespace

void TFormImport::BrowseDrawing(const std::string& path, ProfilePanel* panel) {
  importBuffer_ = {};
  const std::string extension = Extension(path);
  if (!std::filesystem::is_regular_file(path) ||
      (extension != ".DXF" && extension != ".DAT" && extension != ".CSV")) {
    return;
  }
  std::string bytes;
  DrawingRead read;
  if (ReadWholeFile(path, bytes, kMaxDrawingFile))
    read = ReadDrawing(bytes, extension, context_.settings.DxfStricte);
  if (read.status == DrawingRead::Status::Refused) {
    panel->Preview->ShowMessage(QString::fromStdString(read.message));
    return;
  }
  if (read.status == DrawingRead::Status::NothingRecognised || read.xs.size() < 2) {
    panel->Preview->ShowMessage(QStringLiteral(" Fichier incompatible "));
    return;
  }
  panel->Preview->ShowBrowsed(read.xs, read.ys);
  if (read.status == DrawingRead::Status::Incomplete) {
    panel->Preview->ShowBrowsedWithMessage(QStringLiteral(" Tracé incomplet "));
    return;
  }
  // Still imported: separate outlines are sometimes wanted (a cut with its guide).
  if (read.discontinuous)
    panel->Preview->ShowBrowsedWithMessage(QStringLiteral(" Tracé discontinu "));
  importBuffer_.X1 = read.xs;
  importBuffer_.Y1 = read.ys;
}

void TFormImport::ImporterClick(ProfilePanel* panel) {
  Profile& p = *panel->profile;
  panel->RawTable->setFocus();
  if (p.modified && !ConfirmAbandon()) return;
  FileDialogRequest request;
  request.title = "Ouvrir un dessin";
  request.folder = context_.settings.DxfPath;
  request.defaultSuffix = "dxf";
  request.filters = {"Dessins et coordonnées (*.dxf *.dat *.csv)",
                     "Fichiers Autocad 2000/LT2000 (*.dxf)", "Fichiers de coordonnées (*.dat)",
                     "Séparateur point-virgule (*.csv)"};
  request.onSelectionChanged = [this, panel](const std::string& path) {
    BrowseDrawing(path, panel);
  };
  const std::optional<std::string> path = context_.dialogs->OpenFile(request);
  // The confirmed file is read again: a name typed after browsing another
  // file must not import what was browsed.
  if (path) BrowseDrawing(*path, panel);
  const QString refusal = panel->Preview->Message().trimmed();
  for (ProfilePanel* other : {Profil1, Profil2}) other->Preview->ClearBrowsed();
  if (path && importBuffer_.X1.empty()) {
    // The preview that said why is gone with the dialog (or was never seen,
    // for a typed name): say it once more.
    context_.messages->Show(MessageKind::Information,
                            "Ce fichier n'est pas compatible avec Orvane" +
                                (refusal.isEmpty() ? "" : "\n" + refusal.toStdString()));
  }
  if (path && !importBuffer_.X1.empty()) {
    // A long outline takes a moment to load and draw.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    history_.Clear();
    p.LockedRows.clear();
    p.clipboard = {};
    panel->Zoom->setValue(10);
    p.raw = RowsFrom(importBuffer_.X1, importBuffer_.Y1);
    p.leadIn = false;
    const size_t duplicates = CountConsecutiveDuplicates(p.raw);
    if (duplicates > 0) {
      const std::string question = duplicates == 1
                                       ? "  1 point inutile détecté, souhaitez-vous corriger ?"
                                       : "  " + std::to_string(duplicates) +
                                             " points inutiles détectés, souhaitez-vous corriger ?";
      if (context_.settings.Doublons ||
          context_.messages->Show(MessageKind::Confirmation, question, MessageButtons::YesNo) ==
              MessageAnswer::Yes) {
        RemoveConsecutiveDuplicates(p.raw);
      }
    }
    panel->SetTitle(DrawingName(*path));
    p.currentRow = 1;
    RefreshProfile(panel);
    PushHistory("P" + std::to_string(panel->number) + " - Ouvrir fichier");
    EnableProfileEdits(panel, true);
    UpdateDimensionsOf(panel);
    panel->Proportions->setChecked(true);
    panel->Preview->Centre();
    if (!p.Present()) {
      ClearProfile(panel);
      context_.messages->Show(MessageKind::Information,
                              "Ce fichier n'est pas compatible avec Orvane");
    }
    panel->RealSizeX->setEnabled(false);
    panel->RealSizeY->setEnabled(false);
    panel->SelectRow(1);
    p.modified = false;
    UpdateProjectState();
    SetCommandEnabled(Enregistrer, Other(panel)->profile->modified && !projectionDone_);
  }
  importBuffer_ = {};
}

void TFormImport::ExportClick(ProfilePanel* panel, const std::string& format) {
  const Profile& p = *panel->profile;
  if (!p.Present()) return;
  FileDialogRequest request;
  request.folder = context_.settings.DxfPath;
  request.defaultSuffix = format;
  request.fileName = p.fileName + "_profil_" + std::to_string(panel->number);
  if (format == "csv") {
    request.title = "Exporter le profil (CSV)";
    request.filters = {"Séparateur point-virgule (*.csv)"};
  } else if (format == "dat") {
    request.title = "Exporter le profil (DAT)";
    request.filters = {"Fichiers de coordonnées (*.dat)"};
  } else {
    request.title = "Exporter le profil (DXF)";
    request.filters = {"Fichiers d'échange Autocad (*.dxf)"};
  }
  const std::optional<std::string> path = context_.dialogs->SaveFile(request);
  if (!path) return;
  std::string bytes;
  if (format == "csv") {
    bytes = WriteCsv(p.raw);
  } else if (format == "dat") {
    if (!formatFile_ || !formatFile_->Run(panel->number)) return;
    bytes = WriteDat(p.raw, formatFile_->Comment(), formatFile_->Separator());
  } else {
    bytes = WriteDxf(p.raw);
  }
  std::string error;
  if (!AtomicWriteFile(*path, bytes, &error)) {
    context_.messages->Show(MessageKind::Error, "L'export n'est pas enregistré.\n\n" + error);
  }
}

void TFormImport::ExportBitmap(ProfilePanel* panel, bool both) {
  FileDialogRequest request;
  request.title = "Exporter l'image";
  request.folder = context_.settings.ExportPath;
  request.defaultSuffix = "bmp";
  request.filters = {"Fichiers image (*.bmp)"};
  request.fileName = both ? Profile2.fileName + "_profil_1+2"
                          : panel->profile->fileName + "_profil_" + std::to_string(panel->number);
  const std::optional<std::string> path = context_.dialogs->SaveFile(request);
  if (!path) return;
  QImage image;
  if (both) {
    const QImage left = Profil1->Preview->grab().toImage();
    const QImage right = Profil2->Preview->grab().toImage();
    image = QImage(left.width() * 2, left.height(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawImage(0, 0, left);
    painter.drawImage(left.width(), 0, right.scaled(left.size()));
  } else {
    image = panel->Preview->grab().toImage();
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  std::string error;
  if (!AtomicWriteFile(*path, std::string_view(bytes.constData(), bytes.size()), &error)) {
    context_.messages->Show(MessageKind::Error, "L'image n'est pas enregistrée.\n\n" + error);
  }
}

void TFormImport::ExportCutClick() {
  auto atOrigin = [](const Profile& p) {
    return !p.adjusted.empty() && CellNumber(p.adjusted[0].x) == 0 &&
           CellNumber(p.adjusted[0].y) == 0;
  };
  if (!atOrigin(Profile1) || !atOrigin(Profile2)) {
    context_.messages->Show(
        MessageKind::Warning,
        "Chaque profil doit avoir son point de départ en 0,0 (en bas à gauche)\n"
        "Adaptez le projet pour ensuite l'exporter au format CUT");
    return;
  }
  FileDialogRequest request;
  request.title = "Enregistrer un projet CUT";
  request.folder = context_.settings.ExportPath;
  request.defaultSuffix = "cut";
  request.filters = {"Fichiers CUT (*.cut)"};
  request.fileName = Profile1.fileName;
  const std::optional<std::string> path = context_.dialogs->SaveFile(request);
  if (!path) return;
  std::string error;
  const std::string bytes = WriteCutProject(Profile1.adjusted, Profile2.adjusted, decimals_,
                                            ComputeVcut(context_.settings));
  if (!AtomicWriteFile(*path, bytes, &error)) {
    context_.messages->Show(MessageKind::Error, "L'export n'est pas enregistré.\n\n" + error);
  }
}

void TFormImport::ImportCutClick() {
  if (!ConfirmAbandon()) return;
  FileDialogRequest request;
  request.title = "Ouvrir un projet CUT";
  request.folder = context_.settings.ExportPath;
  request.defaultSuffix = "cut";
  request.filters = {"Fichier Cut (*.cut)"};
  const std::optional<std::string> path = context_.dialogs->OpenFile(request);
  if (!path) return;
  std::string bytes;
  CutProjectRead read;
  if (ReadWholeFile(*path, bytes, kMaxDrawingFile)) read = ReadCutProject(bytes);
  if (!read.ok) {
    context_.messages->Show(MessageKind::Information,
                            read.message.empty() ? std::string(kIncompatibleCut) : read.message);
    return;
  }
  LoadProfilePair(std::move(read.rows1), std::move(read.rows2), DrawingName(*path),
                  "Importer fichier");
}

}  // namespace orvane::ui
