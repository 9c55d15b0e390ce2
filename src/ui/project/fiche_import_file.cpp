// The project window's project file commands: save, browse and open.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <filesystem>

#include "core/common/text_number.h"
#include "host/atomic_file.h"
#include "ui/project/fiche_import.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {
namespace {

std::string BaseName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool HasProjectExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension == ".OVP";
}

}  // namespace

void TFormImport::EnregistrerClick() {
  FileDialogRequest request;
  request.title = "Enregistrer le projet";
  request.folder = context_.settings.ProjectPath;
  request.filters = {"Projets Orvane (*.ovp)"};
  request.defaultSuffix = "ovp";
  request.fileName = Profile1.fileName;
  const std::optional<std::string> path = context_.dialogs->SaveFile(request);
  if (!path) return;

  const std::string dimensions[4] = {
      Profil1->DimX->text().toStdString(), Profil1->DimY->text().toStdString(),
      Profil2->DimX->text().toStdString(), Profil2->DimY->text().toStdString()};
  const ProjectWriteResult written = WriteProjectFile(Profile1, Profile2, decimals_, dimensions);
  if (!written.ok) {
    context_.messages->Show(MessageKind::Error, written.message);
    return;
  }
  std::string error;
  if (!AtomicWriteFile(*path, written.bytes, &error)) {
    context_.messages->Show(MessageKind::Error, "Le projet n'est pas enregistré.\n\n" + error);
    return;
  }
  const std::string name = BaseName(*path);
  Profil1->SetTitle(name);
  Profil2->SetTitle(name);
  Profile1.modified = Profile2.modified = false;
  Enregistrer->setEnabled(false);
}

void TFormImport::BrowseProjectFile(const std::string& path) {
  importBuffer_ = {};
  if (!HasProjectExtension(path) || !std::filesystem::is_regular_file(path)) return;
  std::string bytes;
  ProjectReadResult read;
  if (!ReadWholeFile(path, bytes, kMaxProjectFileBytes)) {
    read.message = " Fichier illisible ";
  } else {
    read = ReadProjectFile(bytes);
  }
  if (!read.ok) {
    for (ProfilePanel* panel : {Profil1, Profil2}) {
      panel->Preview->ShowMessage(QString::fromStdString(read.message));
    }
    return;
  }
  decimals_ = read.data.decimals;
  importBuffer_ = std::move(read.data);
  Profil1->Preview->ShowBrowsed(importBuffer_.X1, importBuffer_.Y1);
  Profil2->Preview->ShowBrowsed(importBuffer_.X2, importBuffer_.Y2);
}

void TFormImport::LoadProfilePair(PointRows raw1, PointRows raw2, const std::string& name,
                                  const std::string& label) {
  history_.Clear();
  ResetProjectWindow();
  Profile1.raw = std::move(raw1);
  Profile2.raw = std::move(raw2);
  Profile1.leadIn = Profile2.leadIn = false;
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    panel->SetTitle(name);
    EnableProfileEdits(panel, true);
    RefreshProfile(panel);
  }
  PushHistory(label);
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    UpdateDimensionsOf(panel);
    panel->Proportions->setChecked(true);
    panel->Zoom->setValue(10);
    panel->Preview->Centre();
  }
  Profile1.modified = Profile2.modified = false;
  UpdateProjectState();
}

void TFormImport::ChargerClick() {
  if (!ConfirmAbandon()) return;
  FileDialogRequest request;
  request.title = "Ouvrir un projet";
  request.folder = context_.settings.ProjectPath;
  request.filters = {"Projet Orvane (*.ovp)"};
  request.defaultSuffix = "ovp";
  request.onSelectionChanged = [this](const std::string& path) { BrowseProjectFile(path); };
  // Browsing applies the file's decimals; a project that is not opened must
  // not leave the tables at a count the decimals buttons do not show.
  const int decimalsBefore = decimals_;
  const std::optional<std::string> path = context_.dialogs->OpenFile(request);
  // The confirmed file is read again: a name typed after browsing another
  // file must not open what was browsed.
  if (path) BrowseProjectFile(*path);
  const QString refusal = Profil1->Preview->Message().trimmed();
  for (ProfilePanel* panel : {Profil1, Profil2}) panel->Preview->ClearBrowsed();
  if (path && importBuffer_.X1.empty()) {
    context_.messages->Show(MessageKind::Information,
                            "Ce projet ne peut pas être ouvert" +
                                (refusal.isEmpty() ? "" : "\n" + refusal.toStdString()));
  }
  if (path && !importBuffer_.X1.empty()) {
    PointRows rows[2];
    const std::vector<double>* columns[2][2] = {{&importBuffer_.X1, &importBuffer_.Y1},
                                                {&importBuffer_.X2, &importBuffer_.Y2}};
    for (int k = 0; k < 2; ++k) {
      rows[k].resize(columns[k][0]->size());
      for (size_t i = 0; i < rows[k].size(); ++i) {
        rows[k][i] = {FormatFixed((*columns[k][0])[i], 6), FormatFixed((*columns[k][1])[i], 6)};
      }
    }
    LoadProfilePair(std::move(rows[0]), std::move(rows[1]), BaseName(*path), "Ouvrir projet");
  } else {
    decimals_ = decimalsBefore;
  }
  importBuffer_ = {};
}

}  // namespace orvane::ui
