#include "ui/params/fiche_parametres.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/machine/serial_link.h"
#include "core/params/field_text.h"
#include "core/params/folder_checks.h"
#include "ui/app/settings_change.h"
#include "ui/params/fiche_memo.h"
#include "ui/params/motor_tests.h"
#include "ui/params/wizard_page.h"

namespace orvane::ui {
namespace {

constexpr const char* kPageLines[TFormParametres::kPages] = {
    "     ->  page Moteurs", "     ->  page Machine", "     ->  page Ports E/S",
    "     ->  page Système"};

constexpr ParamPage kAllPages[TFormParametres::kPages] = {ParamPage::Moteurs, ParamPage::Machine,
                                                          ParamPage::Ports, ParamPage::Systeme};

}  // namespace

TFormParametres::TFormParametres(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Paramètres CNC"));
  PageControl1 = new QTabWidget(this);
  TabSheets[0] = BuildMotorsPage();
  TabSheets[1] = BuildMachinePage();
  TabSheets[2] = BuildPortsPage();
  TabSheets[3] = BuildSystemPage();
  TabSheets[4] = BuildWizardPage();
  const char* captions[5] = {"  Moteurs", "  Machine", "  Ports E/S", "  Système", "  Assistant"};
  for (int p = 0; p < 5; ++p) {
    TabSheets[p]->setObjectName(QStringLiteral("TabSheet%1").arg(p + 1));
    PageControl1->addTab(TabSheets[p], QString::fromUtf8(captions[p]));
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  resize(1000, 690);
}

QWidget* TFormParametres::PageButtons(ParamPage page, QWidget* parent) {
  const int p = Index(page);
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  ParDefaut[p] = new QPushButton(QStringLiteral("  Par défaut"), row);
  Restaurer[p] = new QPushButton(QStringLiteral("  Restaurer"), row);
  Enregistrer[p] = new QPushButton(QStringLiteral("  Enregistrer"), row);
  Fermer[p] = new QPushButton(QStringLiteral("     Fermer    "), row);
  layout->addStretch();
  for (QPushButton* b : {ParDefaut[p], Restaurer[p], Enregistrer[p], Fermer[p]}) {
    b->setMinimumWidth(120);
    layout->addWidget(b);
  }
  connect(ParDefaut[p], &QPushButton::clicked, this, [this, page] { DefaultClick(page); });
  connect(Restaurer[p], &QPushButton::clicked, this, [this, page] { RestoreClick(page); });
  connect(Enregistrer[p], &QPushButton::clicked, this, [this, page] { SaveClick(page); });
  connect(Fermer[p], &QPushButton::clicked, this, [this, page] { CloseClick(page); });
  if (page == ParamPage::Machine || page == ParamPage::Ports) {
    MessagePanels[p] =
        new QLabel(QStringLiteral(" Enregistrez pour prendre en compte les modifications "), row);
    MessagePanels[p]->setStyleSheet(
        QStringLiteral("background-color: rgb(255, 255, 200); color: rgb(200, 0, 0); "
                       "font-weight: bold; border: 1px solid gray; padding: 3px;"));
    QSizePolicy policy = MessagePanels[p]->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    MessagePanels[p]->setSizePolicy(policy);
    MessagePanels[p]->hide();
    layout->insertWidget(0, MessagePanels[p]);
  }
  return row;
}

QWidget* TFormParametres::BuildWizardPage() {
  Assistant = new WizardPage(
      context_,
      [this](const FeedApplication& result) { ApplyWizardResult(result.steps, result.period); },
      this);
  ConfigFermer = Assistant->ConfigFermer;
  connect(Assistant, &WizardPage::closeRequested, this, [this] { reject(); });
  return Assistant;
}

void TFormParametres::SetMemoWindow(TFormMemo* memo) {
  memo_ = memo;
  Memo->setVisible(memo_ != nullptr);
}

int TFormParametres::Run() {
  FormShow();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  const int result = exec();
  closing_ = false;
  // Only the USB board can be missing; the other links always serve.
  if (context_.settings.PortType != 2) context_.settings.BoardPresent = true;
  return result;
}

void TFormParametres::FormShow() {
  PageControl1->setCurrentIndex(0);
  GlobalPas->clear();
  GlobalVitesse->clear();
  GlobalAppliquer->setEnabled(false);
  for (ParamPage page : kAllPages) ReloadPage(page);
  Assistant->FormShow();
  PageControl1->setCurrentIndex(context_.settings.BoardPresent ? 0 : 2);
  context_.settings.SerialParamsChanged = false;
}

void TFormParametres::ReloadPage(ParamPage page) {
  MachineSettings& s = context_.settings;
  SettingsProblems problems;
  switch (page) {
    case ParamPage::Moteurs:
      ReadMotorSettings(*context_.store, s, problems);
      break;
    case ParamPage::Machine:
      ReadMachineSettings(*context_.store, s, problems);
      break;
    case ParamPage::Ports:
      ReadPortSettings(*context_.store, s, context_.serial, problems);
      break;
    case ParamPage::Systeme:
      ReadSystemSettings(*context_.store, s, problems);
      break;
  }
  SettingsChanged(context_);
  if (page == ParamPage::Ports) RestOnIdleImage();
  if (page == ParamPage::Moteurs) {
    filling_ = true;
    Essais->Reset();
    filling_ = false;
  }
  if (!problems.empty()) {
    context_.messages->Show(MessageKind::Error, DescribeSettingsProblems(problems));
  }
  FillPage(page, s);
  // The machine page's speeds are fractions of the stored motors' Vcut.
  if (page == ParamPage::Moteurs && !Modified(ParamPage::Machine)) {
    FillPage(ParamPage::Machine, s);
  }
  SetModified(page, false);
  if (page != ParamPage::Systeme) s.SerialParamsChanged = false;
}

void TFormParametres::RestOnIdleImage() {
  // Whatever the image was, the port rests on the one of the settings now in
  // memory: the exit and every pause are computed from these.
  if (context_.linkStarted && context_.settings.PortType == 0 && context_.port) {
    WritePortByte(*context_.port, static_cast<uint16_t>(context_.settings.Port + 2),
                  context_.images.IdleControlImage);
  }
}

void TFormParametres::SetModified(ParamPage page, bool modified) {
  const int p = Index(page);
  modified_[p] = modified;
  Restaurer[p]->setEnabled(modified);
  Enregistrer[p]->setEnabled(modified);
  if (MessagePanels[p]) MessagePanels[p]->setVisible(modified);
}

void TFormParametres::Changed(ParamPage page, bool boardValue) {
  if (filling_) return;
  SetModified(page, true);
  if (boardValue) context_.settings.SerialParamsChanged = true;
}

void TFormParametres::DefaultClick(ParamPage page) {
  MachineSettings candidate = ReadPage(page);
  std::string folder = context_.applicationFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string firstPort =
      SerialPortName->count() > 0 ? SerialPortName->itemText(0).toStdString() : std::string();
  ApplyPageDefaults(page, candidate, folder, firstPort);
  // The bit pairs live in memory at once, as every choice of a pair does.
  if (page == ParamPage::Ports) SetBitPairs(context_.settings, BitPairsOf(candidate));
  FillPage(page, candidate);
  Changed(page, page == ParamPage::Machine || page == ParamPage::Ports);
}

void TFormParametres::RestoreClick(ParamPage page) {
  ReloadPage(page);
}

bool TFormParametres::SaveClick(ParamPage page) {
  MachineSettings candidate = ReadPage(page);
  if (page == ParamPage::Systeme) {
    for (std::string* folder :
         {&candidate.ProjectPath, &candidate.DxfPath, &candidate.CutPath, &candidate.ExportPath}) {
      const FolderCheck check = CheckWorkingFolder(*folder, "");
      if (check.ok) *folder = check.folder;
    }
  }
  if (page == ParamPage::Moteurs) {
    // The machine page keeps Vmin <= Vcut <= Vmax whenever it is drawn; the
    // new motors move Vcut, so the stored speeds follow as it would show them.
    const double vcut = ComputeVcut(candidate);
    if (vcut > 0) {
      candidate.Vmax = std::max(candidate.Vmax, vcut);
      candidate.Vmin = std::min(candidate.Vmin, vcut);
    }
  }
  const std::vector<std::string> problems = PageSaveProblems(page, candidate);
  if (!problems.empty()) {
    std::string text;
    for (const std::string& problem : problems) text += (text.empty() ? "" : "\n") + problem;
    context_.messages->Show(MessageKind::Warning, text);
    return false;
  }
  MachineSettings& s = context_.settings;
  const BoardPacket before = BoardParametersPacket(s);
  CopyPageValues(page, candidate, s);
  if (page == ParamPage::Moteurs) s.Vmax = candidate.Vmax, s.Vmin = candidate.Vmin;
  if (page == ParamPage::Machine) StoreWizardValues(Assistant->Values(), s);
  // The board is told whenever what it holds changes, whichever page changed it.
  if (BoardParametersPacket(s) != before) s.SerialParamsChanged = true;
  bool saved = SaveSettings(context_);
  if (page == ParamPage::Ports && saved) saved = SaveGrblBaud();
  if (page == ParamPage::Ports) {
    RestOnIdleImage();
    s.SerialParamsChanged = false;
    // The list shows what the board holds after the save.
    if (saved && s.PortType == 2) TestSortie->RefreshBoardInformation();
  }
  if (!saved) return false;
  FillPage(page, s);
  SetModified(page, false);
  if (page == ParamPage::Moteurs && !Modified(ParamPage::Machine)) {
    FillPage(ParamPage::Machine, s);
  } else if (page == ParamPage::Moteurs) {
    ShowMachineSpeeds();
  }
  return true;
}

void TFormParametres::CloseClick(ParamPage) {
  reject();
}

void TFormParametres::reject() {
  // A motor test ends first: its own way out rests the outputs, and a signal
  // stops it at its next look.
  if (testing_ || Essais->Running()) return;
  // Closing on a signal, nothing may wait for an answer or for a button's
  // release: hiding the window rests a held "TEST", and nothing unsaved
  // outlives the program.
  if (!context_.closingOnSignal) {
    if (TestSortie->Held()) return;
    if (!closing_ && !ConfirmUnsavedPages()) return;
  }
  closing_ = true;
  QDialog::reject();
}

void TFormParametres::closeEvent(QCloseEvent* event) {
  if (testing_ || Essais->Running()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool TFormParametres::ConfirmUnsavedPages() {
  std::string pages;
  for (ParamPage page : kAllPages) {
    if (Modified(page)) pages += std::string(kPageLines[Index(page)]) + "\n";
  }
  if (pages.empty()) return true;
  const MessageAnswer answer = context_.messages->Show(
      MessageKind::Confirmation,
      "Certains paramètres ont étés modifiée,\ndésirez-vous qu'ils soient pris en compte "
      "maintenant ?\n\n" +
          pages,
      MessageButtons::YesNoCancel);
  if (answer == MessageAnswer::Cancel) return false;
  for (ParamPage page : kAllPages) {
    if (!Modified(page)) continue;
    if (answer == MessageAnswer::Yes) {
      if (!SaveClick(page)) {
        PageControl1->setCurrentIndex(Index(page));
        return false;
      }
    } else {
      // Nothing of an unsaved page stays in memory (the ports page's bit
      // pairs are there already): cuts are generated from the store's values.
      ReloadPage(page);
    }
  }
  return true;
}

MotorEdits TFormParametres::ShownEdits() const {
  MotorEdits edits;
  const auto steps = ShownSteps();
  const auto periods = ShownPeriods();
  for (size_t a = 0; a < 4; ++a) {
    edits.stepsPerMm[a] = static_cast<uint16_t>(std::clamp(steps[a], 0, 65535));
    edits.periodUs[a] = periods[a];
  }
  return edits;
}

std::array<int, 4> TFormParametres::ShownSteps() const {
  std::array<int, 4> steps{};
  for (int a = 0; a < 4; ++a)
    steps[a] = FieldInteger(StepEdits[a]->text().toStdString()).value_or(0);
  return steps;
}

std::array<int, 4> TFormParametres::ShownPeriods() const {
  std::array<int, 4> periods{};
  for (int a = 0; a < 4; ++a) {
    periods[a] = FieldInteger(PeriodEdits[a]->text().toStdString()).value_or(0);
  }
  return periods;
}

bool TFormParametres::ApplyWizardResult(int steps, int periodUs) {
  if (steps < kMinSteps || steps > kMaxSteps || periodUs < kMinPeriod || periodUs > kMaxPeriod) {
    return false;
  }
  for (int a = 0; a < 4; ++a) {
    StepEdits[a]->setText(QString::number(steps));
    PeriodEdits[a]->setText(QString::number(periodUs));
  }
  GlobalPas->clear();
  GlobalVitesse->clear();
  GlobalAppliquer->setEnabled(false);
  ShowMotorSpeeds();
  Changed(ParamPage::Moteurs);
  if (!SaveClick(ParamPage::Moteurs)) return false;
  context_.settings.SerialParamsChanged = true;
  return SaveClick(ParamPage::Machine);
}

void TFormParametres::SetTesting(bool testing) {
  if (testing == testing_) return;
  testing_ = testing;
  if (testing) {
    remembered_.clear();
    std::vector<QWidget*> controls = {PageControl1->tabBar(), GlobalPas,    GlobalVitesse,
                                      GlobalAppliquer,        ConfigFermer, Memo};
    for (int p = 0; p < kPages; ++p) {
      for (QWidget* w : {static_cast<QWidget*>(ParDefaut[p]), static_cast<QWidget*>(Restaurer[p]),
                         static_cast<QWidget*>(Enregistrer[p]), static_cast<QWidget*>(Fermer[p])}) {
        controls.push_back(w);
      }
    }
    // What the test reads, and the direction boxes a space bar meant for
    // the stop would toggle.
    for (int a = 0; a < 4; ++a) {
      for (QWidget* w : std::initializer_list<QWidget*>{StepEdits[a], PeriodEdits[a], Inverse[a]}) {
        controls.push_back(w);
      }
    }
    for (QWidget* w : controls) {
      remembered_.push_back({w, w->isEnabled()});
      w->setEnabled(false);
    }
  } else {
    for (auto& [w, enabled] : remembered_) w->setEnabled(enabled);
    remembered_.clear();
  }
  // A disabled tab bar still lets Ctrl+Tab change the page; disabled tabs do not.
  for (int t = 0; t < PageControl1->count(); ++t) {
    if (t != PageControl1->currentIndex()) PageControl1->setTabEnabled(t, !testing);
  }
}

}  // namespace orvane::ui
