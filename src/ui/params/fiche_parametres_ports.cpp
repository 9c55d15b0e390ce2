// The parameters window's ports and system pages.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"
#include "core/machine/grbl_link.h"
#include "core/params/field_text.h"
#include "host/serial_ports.h"
#include "ui/app/settings_change.h"
#include "ui/params/fiche_newdir.h"
#include "ui/params/fiche_parametres.h"
#include "ui/params/field_validator.h"
#include "ui/params/motor_tests.h"

namespace orvane::ui {
namespace {

constexpr const char* kAxisNames[4] = {"X1", "Y1", "X2", "Y2"};
constexpr const char* kPairs[4] = {"0-1", "2-3", "4-5", "6-7"};
constexpr const char* kOutputBits[4] = {"BIT 8", "BIT 9", "BIT 10", "BIT 11"};
constexpr const char* kDataBits[4] = {"5", "6", "7", "8"};
constexpr const char* kParities[5] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kStopBits[3] = {"1", "1.5", "2"};

int Number(const QLineEdit* edit) {
  return FieldInteger(edit->text().toStdString()).value_or(0);
}

int MaskIndex(uint8_t mask) {
  for (int bit = 0; bit < 4; ++bit) {
    if (mask == (1 << bit)) return bit;
  }
  return 0;
}

int Checked(const std::array<QRadioButton*, 4>& buttons) {
  for (int i = 0; i < 4; ++i) {
    if (buttons[i]->isChecked()) return i;
  }
  return 0;
}

// Shows `text` in `combo`, adding it when the list does not hold it, so a
// stored value is never replaced silently by the first entry.
void Select(QComboBox* combo, const std::string& text) {
  const QString value = QString::fromStdString(text);
  int index = combo->findText(value);
  if (index < 0) {
    combo->addItem(value);
    index = combo->count() - 1;
  }
  combo->setCurrentIndex(index);
}

}  // namespace

QWidget* TFormParametres::BuildPortsPage() {
  auto* page = new QWidget(this);
  auto* layout = new QGridLayout(page);

  auto* mode = new QGroupBox(QStringLiteral(" MODE DE TRANSMISSION DES DONNEES "), page);
  auto* modeLayout = new QVBoxLayout(mode);
  auto* modes = new QButtonGroup(this);
  const char* modeCaptions[4] = {"Liaison PARALLELE", "Liaison SERIE", "Liaison USB - Keldrino",
                                 kGrblLinkName};
  for (int i = 0; i < 4; ++i) {
    RadioGroupPort[i] = new QRadioButton(QString::fromUtf8(modeCaptions[i]), mode);
    modes->addButton(RadioGroupPort[i], i);
    modeLayout->addWidget(RadioGroupPort[i]);
  }
  connect(modes, &QButtonGroup::idClicked, this, [this] {
    ShowLink();
    Changed(ParamPage::Ports);
  });

  ParallelGroup = new QGroupBox(QStringLiteral("  PARAMETRES DU PORT "), page);
  auto* parallelLayout = new QGridLayout(ParallelGroup);
  AdresseIO = new QLineEdit(ParallelGroup);
  RestrictField(AdresseIO, FieldKind::HexDigits, 4);
  AdresseIO->setMaximumWidth(80);
  parallelLayout->addWidget(new QLabel(QStringLiteral("Adresse hexadécimale"), ParallelGroup), 0,
                            0);
  parallelLayout->addWidget(AdresseIO, 0, 1);
  parallelLayout->addWidget(
      new QLabel(QStringLiteral("Ports standards  =  0278, 0378, 03BC"), ParallelGroup), 1, 0, 1,
      2);
  connect(AdresseIO, &QLineEdit::textEdited, this, [this] { Changed(ParamPage::Ports); });
  connect(AdresseIO, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
  connect(AdresseIO, &QLineEdit::editingFinished, this, [this] {
    if (AdresseIO->text().isEmpty()) {
      AdresseIO->setText(QString::fromStdString(FormatPortAddress(context_.settings.Port)));
    }
  });

  SerialGroup = new QGroupBox(QStringLiteral("  PARAMETRES DU PORT "), page);
  auto* serialLayout = new QGridLayout(SerialGroup);
  SerialPortName = new QComboBox(SerialGroup);
  // A port not listed (a pseudo-terminal, a symbolic link) can be typed.
  SerialPortName->setEditable(true);
  SerialPortName->setInsertPolicy(QComboBox::NoInsert);
  SerialBaud = new QComboBox(SerialGroup);
  SerialData = new QComboBox(SerialGroup);
  SerialParity = new QComboBox(SerialGroup);
  SerialStop = new QComboBox(SerialGroup);
  for (const char* d : kDataBits) SerialData->addItem(d);
  for (const char* p : kParities) SerialParity->addItem(p);
  for (const char* b : kStopBits) SerialStop->addItem(b);
  const std::pair<const char*, QComboBox*> selectors[5] = {{"Port", SerialPortName},
                                                           {"Bits par seconde", SerialBaud},
                                                           {"Bits de données", SerialData},
                                                           {"Parité", SerialParity},
                                                           {"Bits d'arrêt", SerialStop}};
  for (int r = 0; r < 5; ++r) {
    serialLayout->addWidget(new QLabel(QString::fromUtf8(selectors[r].first), SerialGroup), r, 0);
    serialLayout->addWidget(selectors[r].second, r, 1);
    connect(selectors[r].second, &QComboBox::currentTextChanged, this,
            [this, baud = selectors[r].second == SerialBaud] { Changed(ParamPage::Ports, baud); });
  }
  // The controller's rate is its own setting: switching links keeps both.
  GrblBaud = new QComboBox(SerialGroup);
  serialLayout->addWidget(GrblBaud, 1, 1);
  connect(GrblBaud, &QComboBox::currentTextChanged, this, [this] { Changed(ParamPage::Ports); });
  SerialProblem = new QLabel(SerialGroup);
  SerialProblem->setWordWrap(true);
  SerialProblem->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
  serialLayout->addWidget(SerialProblem, 5, 0, 1, 2);

  BitsGroup = new QGroupBox(QStringLiteral(" AFFECTATION DES BITS DE DONNEES "), page);
  auto* bitsGrid = new QGridLayout(BitsGroup);
  bitsGrid->addWidget(new QLabel(QStringLiteral("bit pair = clock"), BitsGroup), 0, 0, 1, 3);
  bitsGrid->addWidget(new QLabel(QStringLiteral("bit impair = dir"), BitsGroup), 0, 3, 1, 2);
  for (int a = 0; a < 4; ++a) {
    auto* group = new QButtonGroup(this);
    auto* name = new QLabel(QString(kAxisNames[a]), BitsGroup);
    name->setObjectName(QStringLiteral("%1bits").arg(kAxisNames[a]));
    bitsGrid->addWidget(name, a + 1, 0);
    for (int pair = 0; pair < 4; ++pair) {
      AxisBits[a][pair] = new QRadioButton(QString(kPairs[pair]), BitsGroup);
      group->addButton(AxisBits[a][pair], pair);
      bitsGrid->addWidget(AxisBits[a][pair], a + 1, pair + 1);
    }
    connect(group, &QButtonGroup::idClicked, this, [this, a](int pair) { BitPairClick(a, pair); });
  }

  auto outputs = [this, page](const char* title, std::array<QRadioButton*, 4>& bits) {
    auto* group = new QGroupBox(QString::fromUtf8(title), page);
    auto* grid = new QGridLayout(group);
    auto* exclusive = new QButtonGroup(this);
    for (int b = 0; b < 4; ++b) {
      bits[b] = new QRadioButton(QString(kOutputBits[b]), group);
      exclusive->addButton(bits[b], b);
      grid->addWidget(bits[b], 0, b);
    }
    connect(exclusive, &QButtonGroup::idClicked, this, [this] { Changed(ParamPage::Ports, true); });
    return group;
  };
  HeatGroup = outputs(" CHAUFFE AUTOMATIQUE DU FIL ", HeatBits);
  auto* heatGrid = static_cast<QGridLayout*>(HeatGroup->layout());
  ActChauffe = new QCheckBox(QStringLiteral("Activer la chauffe"), HeatGroup);
  InvChauffe = new QCheckBox(QStringLiteral("Inverser"), HeatGroup);
  PreChauffe = new QLineEdit(HeatGroup);
  RestrictField(PreChauffe, FieldKind::Digits, 2);
  PreChauffe->setMaximumWidth(40);
  heatGrid->addWidget(ActChauffe, 1, 0, 1, 2);
  heatGrid->addWidget(InvChauffe, 1, 2, 1, 2);
  heatGrid->addWidget(new QLabel(QStringLiteral("Préchauffage"), HeatGroup), 2, 0, 1, 2);
  heatGrid->addWidget(PreChauffe, 2, 2);
  heatGrid->addWidget(new QLabel(QStringLiteral("sec."), HeatGroup), 2, 3);
  connect(PreChauffe, &QLineEdit::textEdited, this, [this] { Changed(ParamPage::Ports, true); });
  connect(PreChauffe, &QLineEdit::returnPressed, this, [this] {
    if (Number(PreChauffe) > 20) PreChauffe->setText(QStringLiteral("20"));
    focusNextChild();
  });

  HoldGroup = outputs(" MAINTIEN DES COUPLES MOTEURS ", HoldBits);
  auto* holdGrid = static_cast<QGridLayout*>(HoldGroup->layout());
  ActCouple = new QCheckBox(QStringLiteral("Activer le maintien"), HoldGroup);
  InvCouple = new QCheckBox(QStringLiteral("Inverser"), HoldGroup);
  LibCouple = new QCheckBox(QStringLiteral("Libérer en quittant"), HoldGroup);
  holdGrid->addWidget(ActCouple, 1, 0, 1, 2);
  holdGrid->addWidget(InvCouple, 1, 2, 1, 2);
  holdGrid->addWidget(LibCouple, 2, 0, 1, 2);
  for (QCheckBox* box : {ActChauffe, InvChauffe, ActCouple, InvCouple, LibCouple}) {
    connect(box, &QCheckBox::toggled, this, [this] { Changed(ParamPage::Ports, true); });
  }

  TestSortie = new OutputTestGroup(
      context_, [this] { return ShownSerial(); }, page);
  TestSortie->setTitle(QStringLiteral(" TEST DES SORTIES "));
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 2 && LinkShown() == 2) TestSortie->ShowPrompt();
  });

  auto* left = new QVBoxLayout;
  left->addWidget(mode);
  left->addWidget(ParallelGroup);
  left->addWidget(SerialGroup);
  left->addWidget(TestSortie);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(BitsGroup);
  right->addWidget(HeatGroup);
  right->addWidget(HoldGroup);
  right->addStretch();
  layout->addLayout(left, 0, 0);
  layout->addLayout(right, 0, 1);
  layout->setRowStretch(1, 1);
  layout->addWidget(PageButtons(ParamPage::Ports, page), 2, 0, 1, 2);
  return page;
}

int TFormParametres::LinkShown() const {
  for (int i = 0; i < 4; ++i) {
    if (RadioGroupPort[i]->isChecked()) return i;
  }
  return 0;
}

SerialParams TFormParametres::ShownSerial() const {
  MachineSettings s = context_.settings;
  ReadPortsPage(s);
  return SerialSelectorParams(s);
}

void TFormParametres::ShowLink() {
  const int link = LinkShown();
  ParallelGroup->setVisible(link == 0);
  SerialGroup->setVisible(link != 0);
  // The controller keeps its own axis outputs and motor hold; its spindle
  // output is the heating, switched on and off by the program.
  BitsGroup->setVisible(link == 0 || link == 1);
  HeatGroup->setVisible(link != 1);
  HoldGroup->setVisible(link == 0 || link == 2);
  InvChauffe->setVisible(link != 3);
  SerialBaud->setVisible(link != 3);
  GrblBaud->setVisible(link == 3);
  // The output test acts on the link in memory: it shows for that link only,
  // so "TEST" never drives a link the page has not saved.
  const int stored = context_.settings.PortType;
  TestSortie->setVisible(link == stored && (link == 0 || link == 2));
  TestSortie->ListBoxKeldrino->setVisible(link == 2);
  if (link == 2 && link == stored) TestSortie->ShowPrompt();
  for (int b = 0; b < 4; ++b) {
    HeatBits[b]->setVisible(link == 0);
    HoldBits[b]->setVisible(link == 0);
  }
  for (QComboBox* combo : {SerialData, SerialParity, SerialStop}) combo->setEnabled(link == 1);
  if (link >= 2) {
    // The board's frame, and the controller's.
    const bool wasFilling = filling_;
    filling_ = true;
    Select(SerialData, "8");
    Select(SerialParity, "None");
    Select(SerialStop, "1");
    filling_ = wasFilling;
  }
  const SerialPort* serial = context_.serial;
  const std::string problem = serial && !serial->IsOpen() ? serial->OpenError() : std::string();
  SerialProblem->setText(
      problem.empty()
          ? QString()
          : QStringLiteral("Port inaccessible : %1").arg(QString::fromStdString(problem)));
  SerialProblem->setVisible(!problem.empty() && link != 0);
}

void TFormParametres::BitPairClick(int axis, int pair) {
  if (filling_) return;
  BitPairs pairs = BitPairsOf(context_.settings);
  AssignBitPair(pairs, static_cast<size_t>(axis), static_cast<uint16_t>(pair));
  // In memory at once: the motor tests of the window use them before a save.
  SetBitPairs(context_.settings, pairs);
  ShowBitPairs();
  Changed(ParamPage::Ports);
}

void TFormParametres::ShowBitPairs() {
  const bool wasFilling = filling_;
  filling_ = true;
  const BitPairs pairs = BitPairsOf(context_.settings);
  for (int a = 0; a < 4; ++a) AxisBits[a][std::min<uint16_t>(pairs[a], 3)]->setChecked(true);
  filling_ = wasFilling;
}

void TFormParametres::FillPortsPage(const MachineSettings& s) {
  RadioGroupPort[std::min<uint8_t>(s.PortType, 3)]->setChecked(true);
  AdresseIO->setText(QString::fromStdString(FormatPortAddress(s.Port)));
  SerialPortName->clear();
  for (const std::string& name : ListSerialPorts()) {
    SerialPortName->addItem(QString::fromStdString(name));
  }
  Select(SerialPortName, s.SerialPort);
  SerialBaud->clear();
  for (std::string_view rate : BoardBaudRates()) {
    SerialBaud->addItem(QString::fromUtf8(rate.data(), static_cast<int>(rate.size())));
  }
  Select(SerialBaud, s.SerialBaudRate);
  GrblBaud->clear();
  for (int rate : GrblBaudRates()) GrblBaud->addItem(QString::number(rate));
  Select(GrblBaud, std::to_string(ReadGrblBaudRate(*context_.store).baud));
  Select(SerialData, s.SerialDataBits);
  Select(SerialParity, s.SerialParity);
  Select(SerialStop, s.SerialStopBits);
  for (int a = 0; a < 4; ++a) {
    const uint16_t pair = BitPairsOf(s)[a];
    AxisBits[a][std::min<uint16_t>(pair, 3)]->setChecked(true);
  }
  HeatBits[MaskIndex(s.BitChauffe)]->setChecked(true);
  HoldBits[MaskIndex(s.BitCouple)]->setChecked(true);
  ActChauffe->setChecked(s.ActChauffe);
  InvChauffe->setChecked(s.InvChauffe);
  PreChauffe->setText(QString::number(s.PreChauffe));
  ActCouple->setChecked(s.ActCouple);
  InvCouple->setChecked(s.InvCouple);
  LibCouple->setChecked(s.LibCouple);
  ShowLink();
}

void TFormParametres::ReadPortsPage(MachineSettings& s) const {
  for (int i = 0; i < 4; ++i) {
    if (RadioGroupPort[i]->isChecked()) s.PortType = static_cast<uint8_t>(i);
  }
  s.Port = SavedPortAddress(AdresseIO->text().toStdString(), s.Port);
  const std::string port = SerialPortName->currentText().trimmed().toStdString();
  if (!port.empty()) s.SerialPort = port;
  s.SerialBaudRate = SerialBaud->currentText().toStdString();
  s.SerialDataBits = SerialData->currentText().toStdString();
  s.SerialParity = SerialParity->currentText().toStdString();
  s.SerialStopBits = SerialStop->currentText().toStdString();
  s.BitChauffe = static_cast<uint8_t>(1 << Checked(HeatBits));
  s.BitCouple = static_cast<uint8_t>(1 << Checked(HoldBits));
  s.ActChauffe = ActChauffe->isChecked();
  s.InvChauffe = InvChauffe->isChecked();
  s.PreChauffe = static_cast<uint8_t>(std::min(Number(PreChauffe), 20));
  s.ActCouple = ActCouple->isChecked();
  s.InvCouple = InvCouple->isChecked();
  s.LibCouple = LibCouple->isChecked();
}

bool TFormParametres::SaveGrblBaud() {
  const auto baud = ParseGrblBaudRate(GrblBaud->currentText().toStdString());
  if (!baud) return true;  // only listed rates are offered
  try {
    WriteGrblBaudRate(*context_.store, *baud);
  } catch (const SettingsWriteError& error) {
    TellSettingsWriteError(context_, error);
    return false;
  }
  return true;
}

QWidget* TFormParametres::BuildSystemPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  const char* titles[4] = {" DOSSIER DE PROJETS ", " DOSSIER DE DESSINS ", " DOSSIER DE DECOUPES ",
                           " DOSSIER D'EXPORTATION "};
  const char* names[4] = {"EditProjectPath", "EditDxfPath", "EditCutPath", "EditExportPath"};
  for (int f = 0; f < 4; ++f) {
    auto* group = new QGroupBox(QString::fromUtf8(titles[f]), page);
    auto* row = new QHBoxLayout(group);
    FolderEdits[f] = new QLineEdit(group);
    FolderEdits[f]->setObjectName(names[f]);
    FolderEdits[f]->setToolTip(QStringLiteral("Le chemin doit se terminer par /"));
    Parcourir[f] = new QPushButton(QStringLiteral("Parcourir"), group);
    Nouveau[f] = new QPushButton(QStringLiteral("Nouveau"), group);
    DossierCourant[f] = new QPushButton(QStringLiteral("Dossier courant"), group);
    row->addWidget(FolderEdits[f], 1);
    row->addWidget(Parcourir[f]);
    row->addWidget(Nouveau[f]);
    row->addWidget(DossierCourant[f]);
    layout->addWidget(group);
    connect(FolderEdits[f], &QLineEdit::textEdited, this, [this] { Changed(ParamPage::Systeme); });
    connect(Parcourir[f], &QPushButton::clicked, this, [this, f] { BrowseFolder(f); });
    connect(Nouveau[f], &QPushButton::clicked, this, [this, f] { NewFolder(f); });
    connect(DossierCourant[f], &QPushButton::clicked, this, [this, f] {
      FolderEdits[f]->setText(QString::fromStdString(context_.applicationFolder));
      Changed(ParamPage::Systeme);
    });
  }
  layout->addStretch();
  layout->addWidget(PageButtons(ParamPage::Systeme, page));
  return page;
}

void TFormParametres::BrowseFolder(int folder) {
  FileDialogRequest request;
  request.title = "Dossier de travail";
  request.folder = FolderEdits[folder]->text().toStdString();
  const auto chosen = context_.dialogs->ChooseFolder(request);
  if (!chosen || chosen->empty()) return;
  std::string path = *chosen;
  if (path.back() != '/') path += '/';
  FolderEdits[folder]->setText(QString::fromStdString(path));
  Changed(ParamPage::Systeme);
}

void TFormParametres::NewFolder(int folder) {
  TFormNewDir dialog(context_, this);
  const auto created = dialog.Run();
  if (!created) return;
  FolderEdits[folder]->setText(QString::fromStdString(*created));
  Changed(ParamPage::Systeme);
}

}  // namespace orvane::ui
