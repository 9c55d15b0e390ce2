#include "ui/project/fiche_import.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include <QPushButton>
#include "core/common/text_number.h"
#include "core/params/cross_rules.h"
#include "ui/app/fiche_principale.h"
#include "ui/app/settings_change.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/params/fiche_memo.h"
#include "ui/params/fiche_parametres.h"
#include "ui/project/fiche_gestion_fichiers.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {

TFormImport::TFormImport(AppContext& context, TMainForm* mainForm)
    : QMainWindow(nullptr),
      context_(context),
      mainForm_(mainForm),
      history_(context.startup.folders.temp) {
  setWindowTitle(QStringLiteral("Orvane  %1  -  Gestionnaire de projet")
                     .arg(QString::fromStdString(VersionText())));
  // The window fills the screen height.
  const QRect screen = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1400, 980);
  setGeometry(screen.x(), screen.y(), std::min(1400, screen.width()), screen.height());
  BuildMenus();
  BuildProfiles();
  LinkStatus = new QLabel(this);
  statusBar()->addPermanentWidget(LinkStatus);
}

QAction* TFormImport::AddOption(QMenu* menu, const QString& caption, bool MachineSettings::*field) {
  QAction* action = menu->addAction(caption);
  action->setCheckable(true);
  options_.push_back({action, field});
  connect(action, &QAction::toggled, this,
          [this, field](bool on) { context_.settings.*field = on; });
  return action;
}

void TFormImport::AddChoice(
    QMenu* menu, std::string MachineSettings::*field,
    std::vector<std::pair<QAction**, std::pair<QString, std::string>>> entries) {
  auto* group = new QActionGroup(menu);
  std::vector<ChoiceEntry> choice;
  for (auto& [slot, captionAndText] : entries) {
    QAction* action = menu->addAction(captionAndText.first);
    action->setCheckable(true);
    group->addAction(action);
    *slot = action;
    const std::string text = captionAndText.second;
    connect(action, &QAction::toggled, this, [this, field, text](bool on) {
      if (on) context_.settings.*field = text;
    });
    choice.push_back({action, text});
  }
  choices_.push_back({field, std::move(choice)});
}

void TFormImport::BuildMenus() {
  using M = MachineSettings;
  QMenu* outils = menuBar()->addMenu(QStringLiteral("Outils"));
  ManageFiles = outils->addAction(QStringLiteral("Gestion des fichiers"));
  connect(ManageFiles, &QAction::triggered, this, [this] {
    if (manageFiles_) manageFiles_->Run();
  });
  Calculatrice = outils->addAction(QStringLiteral("Calculatrice"));
  Calculatrice->setShortcut(Qt::Key_F10);
  connect(Calculatrice, &QAction::triggered, this, [this] { CalculatriceClick(); });
  MemoDecoupe = outils->addAction(QStringLiteral("Mémo de découpe"));
  MemoDecoupe->setEnabled(false);  // until the memo window is given
  connect(MemoDecoupe, &QAction::triggered, this, [this] {
    if (memo_) memo_->Run();
  });
  FormatCut2 = outils->addMenu(QStringLiteral("Importer un projet"))
                   ->addAction(QStringLiteral("Format CUT"));
  FormatCUT1 = outils->addMenu(QStringLiteral("Exporter le projet"))
                   ->addAction(QStringLiteral("Format CUT"));
  connect(FormatCut2, &QAction::triggered, this, [this] { ImportCutClick(); });
  connect(FormatCUT1, &QAction::triggered, this, [this] { ExportCutClick(); });
  QMenu* configuration = outils->addMenu(QStringLiteral("Configuration"));
  Sauvegarder = configuration->addAction(QStringLiteral("Sauvegarder"));
  connect(Sauvegarder, &QAction::triggered, this, [this] { SaveConfigurationFile(); });
  Restaurer = configuration->addAction(QStringLiteral("Restaurer"));
  connect(Restaurer, &QAction::triggered, this, [this] { LoadConfigurationFile(); });
  Reinitialiser = configuration->addAction(QStringLiteral("Réinitialiser"));
  connect(Reinitialiser, &QAction::triggered, this, [this] { ReinitialiserClick(); });
  outils->addSeparator();
  Quitter = outils->addAction(QStringLiteral("Quitter"));
  connect(Quitter, &QAction::triggered, this, [this] { close(); });

  QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
  AfficherReperes = AddOption(options, QStringLiteral("Afficher les repères"), &M::Reperes);
  AfficherPoints = AddOption(options, QStringLiteral("Afficher les points"), &M::Points);
  DensitePoints = options->addMenu(QStringLiteral("Densité des points"));
  AddChoice(DensitePoints, &M::Densite,
            {{&Densite1, {QStringLiteral("Standard"), "1"}},
             {&Densite2, {QStringLiteral("Moyenne"), "2"}},
             {&Densite3, {QStringLiteral("Faible"), "3"}}});
  TaillePoints = options->addMenu(QStringLiteral("Taille des points"));
  AddChoice(TaillePoints, &M::Taille,
            {{&Taille1, {QStringLiteral("Forte"), "1"}},
             {&Taille2, {QStringLiteral("Standard"), "2"}},
             {&Taille3, {QStringLiteral("Faible"), "3"}}});
  connect(AfficherPoints, &QAction::toggled, this, [this](bool on) {
    DensitePoints->setEnabled(on);
    TaillePoints->setEnabled(on);
  });
  // Display options redraw both previews.
  for (QAction* display :
       {AfficherReperes, AfficherPoints, Densite1, Densite2, Densite3, Taille1, Taille2, Taille3}) {
    connect(display, &QAction::toggled, this, [this] {
      if (Profil1) Profil1->Preview->update(), Profil2->Preview->update();
    });
  }
  // The pointer precision is stored in reverse order of the entries.
  QMenu* precision = options->addMenu(QStringLiteral("Précision du pointeur"));
  AddChoice(precision, &M::Precision,
            {{&Precision0, {QStringLiteral("Faible"), "3"}},
             {&Precision1, {QStringLiteral("Normale"), "2"}},
             {&Precision2, {QStringLiteral("Elevée"), "1"}},
             {&Precision3, {QStringLiteral("Très élevée"), "0"}}});
  options->addSeparator();
  DoublonsAuto = AddOption(options, QStringLiteral("Suppression silencieuse des points inutiles"),
                           &M::Doublons);
  LectureDxfStricte = AddOption(options, QStringLiteral("Lecture DXF stricte"), &M::DxfStricte);
  IgnorerAlertes =
      AddOption(options, QStringLiteral("Ignorer les dépassements de capacités"), &M::Alertes);
  ConfirmeAbandon =
      AddOption(options, QStringLiteral("Protection des modifications"), &M::ConfirmeAbandon);
  ConfirmeEcrasement =
      AddOption(options, QStringLiteral("Confirmer l'écrasement des fichiers"), &M::ConfirmeEcrase);
  connect(ConfirmeEcrasement, &QAction::toggled, this,
          [this](bool on) { context_.dialogs->SetConfirmOverwrite(on); });
  QMenu* increment = options->addMenu(QStringLiteral("Incrément de décalage"));
  AddChoice(increment, &M::Increment,
            {{&Increment1, {QStringLiteral("  0.1 mm"), "1"}},
             {&Increment2, {QStringLiteral("  1.0 mm"), "2"}},
             {&Increment3, {QStringLiteral("  10  mm"), "3"}}});
  Increment1->setShortcut(Qt::Key_F5);
  Increment2->setShortcut(Qt::Key_F6);
  Increment3->setShortcut(Qt::Key_F7);
  options->addSeparator();
  GcodeOnly = AddOption(options, QStringLiteral("Générer uniquement le Gcode"), &M::GcodeOnly);
  Reprisedecoupe =
      AddOption(options, QStringLiteral("Autoriser la reprise de découpe"), &M::Reprise);
  Audio = AddOption(options, QStringLiteral("Signal sonore de fin d'usinage"), &M::Audio);
  connect(IgnorerAlertes, &QAction::toggled, this, [this](bool on) {
    if (on || !Profil1) return;
    for (ProfilePanel* panel : {Profil1, Profil2}) {
      if (panel->profile->Present()) UpdateDimensionsOf(panel);
      panel->RealSizeX->setEnabled(false);
      panel->RealSizeY->setEnabled(false);
    }
  });

  BuildShapeMenu();
  Historique1 = menuBar()->addMenu(QStringLiteral("Historique"));
  Historique1->setEnabled(false);
  BuildHelpMenu();
}

void TFormImport::SetMemoWindow(TFormMemo* memo) {
  memo_ = memo;
  MemoDecoupe->setEnabled(memo_ != nullptr);
}

void TFormImport::ApplyOptionsToMenus() {
  // Copies first: setting a tick mark writes back into the settings.
  const MachineSettings settings = context_.settings;
  for (auto& [action, field] : options_) action->setChecked(settings.*field);
  for (auto& [field, entries] : choices_) {
    for (ChoiceEntry& entry : entries) {
      if (entry.text == settings.*field) entry.action->setChecked(true);
    }
  }
  DensitePoints->setEnabled(settings.Points);
  TaillePoints->setEnabled(settings.Points);
  GcodeOnly->setEnabled(settings.PortType == 2);
}

void TFormImport::ShowModal() {
  setWindowModality(Qt::ApplicationModal);
  show();
  QEventLoop loop;
  modalLoop_ = &loop;
  loop.exec();
  modalLoop_ = nullptr;
}

void TFormImport::CloseWithoutQuestions() {
  closingWithoutQuestions_ = true;
  // A dialog still open over the window would keep its modal loop, and the
  // program, running: each is cancelled first.
  for (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this;) {
    modal->close();
    QWidget* next = QApplication::activeModalWidget();
    if (next == modal) break;
    modal = next;
  }
  close();
  closingWithoutQuestions_ = false;
}

void TFormImport::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous() && !returningFromCut_) FormShow();
}

void TFormImport::FormShow() {
  if (mainForm_) mainForm_->hide();
  ApplyOptionsToMenus();
  ResetProjectWindow();
  if (!context_.linkStarted) {
    // The port opened (and rested) at start-up serves, when the address is the same.
    if (context_.settings.PortType == 0 && context_.openParallelPort &&
        (!context_.port || context_.portBase != context_.settings.Port)) {
      context_.port = context_.openParallelPort(context_.settings.Port);
      context_.portBase = context_.settings.Port;
    }
    context_.images =
        StartLink(context_.settings, context_.port.get(), *context_.serial, *context_.clock);
    context_.linkStarted = true;
  }
  ShowLinkStatus();
  Decouper->setEnabled(position_ && context_.settings.BoardPresent);
  Manettes->setEnabled(manettes_ && context_.settings.BoardPresent &&
                       ManualModeOffered(context_.settings));
  ExplainManualMode(Manettes, context_.settings);
}

void TFormImport::ShowLinkStatus() {
  LinkStatus->setText(LinkDescription());
  // Settings read as they are from a file that breaks a rule: said here, so
  // that nothing changes silently.
  statusBar()->showMessage(QString::fromStdString(CrossRuleStatus(context_.settings)));
}

void TFormImport::ParametresClick() {
  if (!parametres_) return;
  parametres_->Run();
  // Edit mode keeps its commands aside: they take this state when it ends.
  const bool present = context_.settings.BoardPresent;
  SetCommandEnabled(Decouper, position_ && present);
  SetCommandEnabled(Manettes, manettes_ && present && ManualModeOffered(context_.settings));
  ExplainManualMode(Manettes, context_.settings);
  ApplyOptionsToMenus();
  ShowLinkStatus();
}

// Serial errors stay silent elsewhere, but a port that cannot be opened is
// named here with the reason, so the user knows what to fix.
QString TFormImport::SerialPortProblem(bool namePort) const {
  const SerialPort& serial = *context_.serial;
  if (serial.IsOpen()) return {};
  const std::string reason = serial.OpenError();
  if (reason.empty()) return QStringLiteral(" (port fermé)");
  return QStringLiteral(" (port %1inaccessible : %2)")
      .arg(namePort ? QString::fromStdString(serial.Params().port) + ' ' : QString(),
           QString::fromStdString(reason));
}

QString TFormImport::LinkDescription() const {
  const MachineSettings& s = context_.settings;
  // The step links play their ticks on the output thread.
  const QString realTime = context_.realTimeNote.empty()
                               ? QString()
                               : " — " + QString::fromStdString(context_.realTimeNote);
  switch (s.PortType) {
    case 0:
      return context_.port ? QString::fromStdString(context_.port->Description()) + realTime
                           : QString();
    case 1:
      return QStringLiteral("Liaison SERIE : %1%2")
                 .arg(QString::fromStdString(context_.serial->Params().port),
                      SerialPortProblem(false)) +
             realTime;
    case 3:
      return QStringLiteral("Contrôleur GRBL : %1%2")
          .arg(QString::fromStdString(context_.serial->Params().port), SerialPortProblem(false));
    default:
      return QStringLiteral("Liaison USB - Keldrino : %1%2")
          .arg(s.BoardPresent ? QStringLiteral("carte présente") : QStringLiteral("carte absente"),
               SerialPortProblem(true));
  }
}

void TFormImport::ReinitialiserClick() {
  try {
    if (!ResetSettings(*context_.store, *context_.messages, context_.settings)) return;
  } catch (const SettingsWriteError& error) {
    context_.messages->Show(MessageKind::Error, error.what());
    return;
  }
  SettingsProblems problems = ReloadSettings(context_);
  if (!problems.empty()) {
    context_.messages->Show(MessageKind::Error, DescribeSettingsProblems(problems));
  }
  AfterSettingsReplaced();
}

void TFormImport::AfterSettingsReplaced() {
  ApplyOptionsToMenus();
  // The decimals buttons follow the new value like the menus.
  const std::string decimals = context_.settings.Decimales;
  DecimalsClick(static_cast<int>(ParseInteger(decimals).value_or(3)));
  ShowLinkStatus();
}

void TFormImport::closeEvent(QCloseEvent* event) {
  if (!closingWithoutQuestions_ && !ConfirmAbandon()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
  if (modalLoop_) modalLoop_->quit();
}

void TFormImport::FormClose() {
  const MachineSettings& s = context_.settings;
  // A board that did not answer has not been told the settings either.
  if (s.PortType == 0 || s.BoardPresent) SaveSettings(context_);
  history_.Clear();
}

}  // namespace orvane::ui
