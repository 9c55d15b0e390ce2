// The project window's "?" menu and the calculator of "Outils".
#include <QFileInfo>
#include <QMenuBar>
#include <QUrl>

#include "host/data_files.h"
#include "host/program_lookup.h"
#include "ui/app/fiche_apropos.h"
#include "ui/app/fiche_raccourcis.h"
#include "ui/project/fiche_import.h"

#ifndef ORVANE_UPDATE_URL
#define ORVANE_UPDATE_URL ""
#endif

namespace orvane::ui {
namespace {

constexpr char kNoUpdateUrl[] =
    "Aucune adresse de téléchargement n'est configurée dans cette version du programme.";

// The installed page, else the one of the working folder's "help/".
std::string HelpPage(const AppContext& context) {
  std::string page = ProgramDataFile("help/orvane.htm");
  if (page.empty() && !context.applicationFolder.empty()) {
    const std::string own = context.applicationFolder + "help/orvane.htm";
    if (QFileInfo(QString::fromStdString(own)).isFile()) page = own;
  }
  return page;
}

}  // namespace

void TFormImport::BuildHelpMenu() {
  QMenu* help = menuBar()->addMenu(QStringLiteral("?"));
  Aide = help->addAction(QStringLiteral("Aide"));
  Aide->setShortcut(Qt::Key_F1);
  connect(Aide, &QAction::triggered, this, [this] { AideClick(); });
  Telecharger = help->addAction(QStringLiteral("Télécharger la dernière version"));
  connect(Telecharger, &QAction::triggered, this, [this] { TelechargerClick(); });
  Raccourcis = help->addAction(QStringLiteral("Rappel des raccourcis"));
  Raccourcis->setShortcut(Qt::Key_F12);
  connect(Raccourcis, &QAction::triggered, this, [this] {
    if (raccourcis_) raccourcis_->ShowModal();
  });
  help->addSeparator();
  APropos = help->addAction(QStringLiteral("A propos du logiciel"));
  connect(APropos, &QAction::triggered, this, [this] {
    if (aPropos_) aPropos_->exec();
  });
  SetUpdateUrl(ORVANE_UPDATE_URL);
}

void TFormImport::SetUpdateUrl(const std::string& url) {
  updateUrl_ = url;
  const QString tip = url.empty() ? QString::fromUtf8(kNoUpdateUrl) : QString::fromStdString(url);
  Telecharger->setStatusTip(tip);
  Telecharger->setToolTip(tip);
}

void TFormImport::AideClick() {
  const std::string page = HelpPage(context_);
  if (page.empty()) {
    context_.messages->Show(MessageKind::Warning, "Fichier d'aide manquant");
    return;
  }
  const std::string url =
      QUrl::fromLocalFile(QString::fromStdString(page)).toString().toStdString();
  if (!context_.desktop->OpenUrl(url)) {
    context_.messages->Show(MessageKind::Warning,
                            "Aucun programme du bureau n'a pu ouvrir l'aide : " + page);
  }
}

void TFormImport::TelechargerClick() {
  if (updateUrl_.empty()) {
    context_.messages->Show(MessageKind::Information, kNoUpdateUrl);
    return;
  }
  if (!context_.desktop->OpenUrl(updateUrl_)) {
    context_.messages->Show(MessageKind::Warning,
                            "Aucun navigateur n'a pu ouvrir l'adresse " + updateUrl_);
  }
}

void TFormImport::CalculatriceClick() {
  const std::string program = FindProgram(CalculatorPrograms(), context_.desktop->SearchPath());
  if (program.empty()) {
    context_.messages->Show(MessageKind::Warning,
                            "Aucune calculatrice n'est installée (gnome-calculator, kcalc, "
                            "galculator, qalculate-gtk ou xcalc).");
    return;
  }
  if (!context_.desktop->StartProgram(program)) {
    context_.messages->Show(MessageKind::Error, "Impossible de démarrer " + program + ".");
  }
}

}  // namespace orvane::ui
