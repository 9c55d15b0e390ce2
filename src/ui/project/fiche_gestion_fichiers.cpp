#include "ui/project/fiche_gestion_fichiers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace orvane::ui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QPushButton* Button(const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  // Enter belongs to the name fields, never to a button of the window.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QLineEdit* FolderField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setReadOnly(true);
  return field;
}

QWidget* Titled(const QString& title, QListWidget* list, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(title, box));
  layout->addWidget(list);
  return box;
}

}  // namespace

TFormManageFiles::TFormManageFiles(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Gestion des fichiers de travail"));

  auto* foldersBox = new QGroupBox(QStringLiteral("Dossiers"), this);
  EditDessins = FolderField(foldersBox);
  EditProjets = FolderField(foldersBox);
  EditDecoupes = FolderField(foldersBox);
  EditRoot = FolderField(foldersBox);
  auto* foldersLayout = new QGridLayout(foldersBox);
  int row = 0;
  for (auto [caption, field] : {std::pair{QStringLiteral("Dessins"), EditDessins},
                                {QStringLiteral("Projets"), EditProjets},
                                {QStringLiteral("Découpes"), EditDecoupes},
                                {QStringLiteral("Programme"), EditRoot}}) {
    foldersLayout->addWidget(new QLabel(caption, foldersBox), row, 0);
    foldersLayout->addWidget(field, row++, 1);
  }

  SeparateFolders = new QCheckBox(QStringLiteral("Uniquement les dossiers de travail"), this);
  IgnoreShapes = new QCheckBox(QStringLiteral("Ignorer les fichiers de dessins"), this);
  IgnoreProjects = new QCheckBox(QStringLiteral("Ignorer les fichiers projets"), this);
  auto* optionsRow = new QHBoxLayout;
  optionsRow->addWidget(SeparateFolders);
  optionsRow->addWidget(IgnoreShapes);
  optionsRow->addWidget(IgnoreProjects);
  optionsRow->addStretch();

  FileName = new QLineEdit(this);
  FindFiles = Button(QStringLiteral(" Rechercher"), this);
  Tous = Button(QStringLiteral("Tous..."), this);
  Browse = Button(QStringLiteral("Parcourir..."), this);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(new QLabel(QStringLiteral("Nom à rechercher "), this));
  searchRow->addWidget(FileName, 1);
  searchRow->addWidget(new QLabel(QStringLiteral("( sans extension )"), this));
  searchRow->addWidget(FindFiles);
  searchRow->addWidget(Tous);
  searchRow->addWidget(Browse);

  ListBoxDessins = new QListWidget(this);
  ListBoxProjets = new QListWidget(this);
  ListBoxDecoupes = new QListWidget(this);
  ListBoxRoot = new QListWidget(this);
  separateLists_ = new QWidget(this);
  auto* listsRow = new QHBoxLayout(separateLists_);
  listsRow->setContentsMargins(0, 0, 0, 0);
  listsRow->addWidget(Titled(QStringLiteral("Dessins"), ListBoxDessins, separateLists_));
  listsRow->addWidget(Titled(QStringLiteral("Projets"), ListBoxProjets, separateLists_));
  listsRow->addWidget(Titled(QStringLiteral("Découpes"), ListBoxDecoupes, separateLists_));
  for (QListWidget* list : {ListBoxDessins, ListBoxProjets, ListBoxDecoupes, ListBoxRoot}) {
    list->setMinimumHeight(220);
    connect(list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ListClicked(item); });
    connect(list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
      ListClicked(item);
      Search();
    });
  }

  NewName = new QLineEdit(this);
  RenameFiles = Button(QStringLiteral(" Renommer"), this);
  auto* renameRow = new QHBoxLayout;
  renameRow->addWidget(new QLabel(QStringLiteral("Nouveau nom des fichiers"), this));
  renameRow->addWidget(NewName, 1);
  renameRow->addWidget(new QLabel(QStringLiteral("( sans extension )"), this));
  renameRow->addWidget(RenameFiles);

  DeleteFiles = Button(QStringLiteral(" Supprimer les fichiers portant ce nom"), this);
  Femer = Button(QStringLiteral("   Fermer"), this);
  auto* bottomRow = new QHBoxLayout;
  bottomRow->addWidget(DeleteFiles);
  bottomRow->addStretch();
  bottomRow->addWidget(Femer);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(foldersBox);
  layout->addLayout(optionsRow);
  layout->addLayout(searchRow);
  layout->addWidget(separateLists_, 1);
  layout->addWidget(ListBoxRoot, 1);
  layout->addLayout(renameRow);
  layout->addLayout(bottomRow);
  resize(1000, 640);

  connect(FindFiles, &QPushButton::clicked, this, [this] { FindFilesClick(); });
  connect(FileName, &QLineEdit::returnPressed, this, [this] { FindFilesClick(); });
  connect(Tous, &QPushButton::clicked, this, [this] { TousClick(); });
  connect(Browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(RenameFiles, &QPushButton::clicked, this, [this] { RenameFilesClick(); });
  connect(NewName, &QLineEdit::returnPressed, this, [this] {
    if (RenameFiles->isEnabled() && !NewName->text().isEmpty()) RenameFilesClick();
  });
  connect(DeleteFiles, &QPushButton::clicked, this, [this] { DeleteFilesClick(); });
  connect(Femer, &QPushButton::clicked, this, &QDialog::accept);
  // A changed name no longer names the files listed.
  connect(FileName, &QLineEdit::textChanged, this, [this] {
    RenameFiles->setEnabled(false);
    DeleteFiles->setEnabled(false);
  });
  for (QCheckBox* box : {SeparateFolders, IgnoreShapes, IgnoreProjects}) {
    connect(box, &QCheckBox::toggled, this, [this] { Search(); });
  }
}

void TFormManageFiles::Run() {
  FormShow();
  if (!parentWidget()) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      move(screen->availableGeometry().center() - rect().center());
    }
  }
  // Told once the window is on screen, in front of it.
  QTimer::singleShot(0, this, [this] { TellSkipped(); });
  exec();
}

void TFormManageFiles::FormShow() {
  for (QCheckBox* box : {SeparateFolders, IgnoreShapes, IgnoreProjects}) {
    const QSignalBlocker quiet(box);
    box->setChecked(true);
  }
  const MachineSettings& settings = context_.settings;
  EditDessins->setText(Q(settings.DxfPath));
  EditProjets->setText(Q(settings.ProjectPath));
  EditDecoupes->setText(Q(settings.CutPath));
  EditRoot->setText(Q(context_.startup.folders.application.empty()
                          ? context_.applicationFolder
                          : context_.startup.folders.application));
  skippedTold_.clear();
  FileName->setText(QStringLiteral("*"));
  Search(false);
  FileName->setFocus();
  FileName->selectAll();
}

WorkFileFilter TFormManageFiles::Filter() const {
  return {SeparateFolders->isChecked(), IgnoreShapes->isChecked(), IgnoreProjects->isChecked()};
}

void TFormManageFiles::Search(bool tell) {
  for (QListWidget* list : {ListBoxDessins, ListBoxProjets, ListBoxDecoupes, ListBoxRoot}) {
    list->clear();
  }
  NewName->clear();
  NewName->setEnabled(false);
  RenameFiles->setEnabled(false);
  DeleteFiles->setEnabled(false);

  const WorkFolders folders{EditDessins->text().toStdString(), EditProjets->text().toStdString(),
                            EditDecoupes->text().toStdString(), EditRoot->text().toStdString()};
  const WorkFileFilter filter = Filter();
  search_ = SearchWorkFiles(folders, filter, FileName->text().toStdString());
  ShowLists();
  for (const FoundFile& file : search_.files) {
    QListWidget* list = !filter.separateFolders               ? ListBoxRoot
                        : file.family == FileFamily::Drawings ? ListBoxDessins
                        : file.family == FileFamily::Projects ? ListBoxProjets
                                                              : ListBoxDecoupes;
    list->addItem(Q(file.display));
  }
  if (search_.CanActOn()) {
    NewName->setText(Q(search_.name));
    NewName->setEnabled(true);
    RenameFiles->setEnabled(true);
    DeleteFiles->setEnabled(true);
  }
  if (tell) TellSkipped();
}

void TFormManageFiles::TellSkipped() {
  std::string text;
  for (const std::string& line : search_.skipped) text += (text.empty() ? "" : "\n") + line;
  // Ticking a box searches again: the same folders are not told twice.
  if (text.empty() || text == skippedTold_) return;
  skippedTold_ = text;
  context_.messages->Show(MessageKind::Warning, text);
}

void TFormManageFiles::ShowLists() {
  const WorkFileFilter filter = Filter();
  separateLists_->setVisible(filter.separateFolders);
  ListBoxRoot->setVisible(!filter.separateFolders);
  // An ignored family's list takes the window's face colour.
  for (auto [list, family] : {std::pair{ListBoxDessins, FileFamily::Drawings},
                              {ListBoxProjets, FileFamily::Projects},
                              {ListBoxDecoupes, FileFamily::Cuts}}) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, filter.Searches(family) ? palette().color(QPalette::Base)
                                                             : palette().color(QPalette::Window));
    list->setPalette(colours);
  }
}

void TFormManageFiles::ListClicked(QListWidgetItem* item) {
  if (item) FileName->setText(Q(BaseNameOf(item->text().toStdString())));
}

void TFormManageFiles::FindFilesClick() {
  Search();
}

void TFormManageFiles::TousClick() {
  FileName->setText(QStringLiteral("*"));
  Search();
}

void TFormManageFiles::BrowseClick() {
  FileDialogRequest request;
  request.title = "Orvane - Rechercher des fichiers";
  request.folder = EditRoot->text().toStdString();
  request.filters = {
      "Fichiers Orvane (*.dxf *.dat *.csv *.ovp *.ovd *.ovi *.ovs *.ovg "
      "*.DXF *.DAT *.CSV *.OVP *.OVD *.OVI *.OVS *.OVG)",
      "Tous les fichiers (*)"};
  const std::optional<std::string> chosen = context_.dialogs->OpenFile(request);
  if (!chosen) return;
  FileName->setText(Q(SearchNameOfFile(*chosen)));
  Search();
}

void TFormManageFiles::RenameFilesClick() {
  if (!RenameFiles->isEnabled()) return;
  const std::string newName = NewName->text().toStdString();
  const WorkFileOutcome outcome = RenameWorkFiles(search_, newName);
  if (outcome.refused) {
    context_.messages->Show(MessageKind::Warning, outcome.message);
    return;
  }
  FileName->setText(Q(newName));
  Search();
  if (!outcome.message.empty()) context_.messages->Show(MessageKind::Error, outcome.message);
}

void TFormManageFiles::DeleteFilesClick() {
  if (!DeleteFiles->isEnabled()) return;
  if (context_.messages->Show(MessageKind::Confirmation, DeleteQuestion(search_),
                              MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
    return;
  }
  const WorkFileOutcome outcome = DeleteWorkFiles(search_);
  // Searched again for the same name: whatever could not go stays listed.
  Search();
  FileName->clear();
  NewName->clear();
  NewName->setEnabled(false);
  if (!outcome.message.empty()) context_.messages->Show(MessageKind::Error, outcome.message);
}

}  // namespace orvane::ui
