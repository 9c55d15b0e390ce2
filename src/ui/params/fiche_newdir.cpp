#include "ui/params/fiche_newdir.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <system_error>

#include "core/params/folder_checks.h"

namespace orvane::ui {

TFormNewDir::TFormNewDir(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Nouveau dossier de travail"));
  auto* layout = new QGridLayout(this);
  DossierBase = new QLabel(this);
  SousDossier = new QLineEdit(this);
  SousDossier->setMinimumWidth(320);
  Creer = new QPushButton(QStringLiteral("Créer le dossier"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  layout->addWidget(new QLabel(QStringLiteral("Dossier de base"), this), 0, 0);
  layout->addWidget(DossierBase, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Sous dossier à créer"), this), 1, 0);
  layout->addWidget(SousDossier, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Creer);
  buttons->addWidget(Annuler);
  layout->addLayout(buttons, 2, 0, 1, 2);
  Creer->setDefault(true);
  connect(Creer, &QPushButton::clicked, this, [this] {
    if (CreerClick()) accept();
  });
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::string> TFormNewDir::Run() {
  created_.reset();
  std::string base = context_.applicationFolder;
  if (!base.empty() && base.back() != '/') base += '/';
  DossierBase->setText(QString::fromStdString(base));
  SousDossier->clear();
  exec();
  return created_;
}

bool TFormNewDir::CreerClick() {
  const std::string name = SousDossier->text().toStdString();
  const std::string problem = NewFolderNameProblem(name);
  if (!problem.empty()) {
    context_.messages->Show(MessageKind::Warning, problem);
    return false;
  }
  std::string base = context_.applicationFolder;
  if (!base.empty() && base.back() != '/') base += '/';
  const std::string folder = base + name;
  std::error_code error;
  if (std::filesystem::exists(folder, error)) {
    context_.messages->Show(MessageKind::Warning, "Répertoire déjà existant !");
    return false;
  }
  if (!std::filesystem::create_directory(folder, error) || error) {
    context_.messages->Show(MessageKind::Warning, "Impossible de créer le répertoire !");
    return false;
  }
  created_ = folder + "/";
  return true;
}

}  // namespace orvane::ui
