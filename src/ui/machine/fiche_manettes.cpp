#include "ui/machine/fiche_manettes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include "core/app/settings_store.h"
#include "core/machine/board_protocol.h"
#include "ui/app/key_state_filter.h"

namespace orvane::ui {

bool ManualModeOffered(const MachineSettings& settings) {
  return settings.PortType != 3;
}

void ExplainManualMode(QPushButton* command, const MachineSettings& settings) {
  const QString why = ManualModeOffered(settings)
                          ? QString()
                          : QStringLiteral(
                                "Mode manuel indisponible avec le contrôleur GRBL : il reçoit un "
                                "programme G-code, pas des pas moteur.");
  command->setStatusTip(why);
  command->setToolTip(why);
}
namespace {

constexpr int kWidth = 560;
constexpr int kSerialHeight = 630;
constexpr int kHeight = 662;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The pad's captions, in the order of `PadButton`.
constexpr const char* kPadCaptions[16] = {"Y ↑",  "Y ↓",  "← X",  "X →",  "↖",    "↗",
                                          "↙",    "↘",    "← X1", "X1 →", "← X2", "X2 →",
                                          "Y1 ↑", "Y1 ↓", "Y2 ↑", "Y2 ↓"};

void Colour(QWidget* widget, const QString& colour) {
  widget->setStyleSheet(colour.isEmpty() ? QString()
                                         : QStringLiteral("background-color: %1;").arg(colour));
}

}  // namespace

TFormManettes::TFormManettes(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Mode manuel"));
  BuildControls();
}

void TFormManettes::BuildControls() {
  auto* menuBar = new QMenuBar(this);
  Options = menuBar->addMenu(QStringLiteral("Options"));
  InverserX = Options->addAction(QStringLiteral("Inverser l'action des X"));
  InverserY = Options->addAction(QStringLiteral("Inverser l'action des Y"));
  OrigineAuto1 = Options->addAction(QStringLiteral("Mise à l'origine automatique"));
  ArretMode = Options->addAction(QStringLiteral("Arrêt d'urgence immédiat"));
  for (QAction* a : {InverserX, InverserY, OrigineAuto1, ArretMode}) a->setCheckable(true);
  MachineSettings& s = context_.settings;
  connect(InverserX, &QAction::toggled, this, [&s](bool on) { s.InvTeleX = on; });
  connect(InverserY, &QAction::toggled, this, [&s](bool on) { s.InvTeleY = on; });
  connect(OrigineAuto1, &QAction::toggled, this, [&s](bool on) { s.OrigineAuto = on; });
  connect(ArretMode, &QAction::toggled, this, [&s](bool on) { s.ModeArret = on; });

  // The pad: a 5 x 5 grid, the pairs around the centre, single axes outside.
  auto* pad = new QGroupBox(QStringLiteral(" Déplacements "), this);
  auto* padGrid = new QGridLayout(pad);
  const int cells[16][2] = {{1, 2}, {3, 2}, {2, 1}, {2, 3}, {1, 1}, {1, 3}, {3, 1}, {3, 3},
                            {0, 0}, {0, 1}, {4, 0}, {4, 1}, {0, 4}, {1, 4}, {3, 4}, {4, 4}};
  for (size_t i = 0; i < Pad.size(); ++i) {
    Pad[i] = new QPushButton(QString::fromUtf8(kPadCaptions[i]), pad);
    Pad[i]->setMinimumSize(64, 40);
    Pad[i]->setFocusPolicy(Qt::NoFocus);
    padGrid->addWidget(Pad[i], cells[i][0], cells[i][1]);
    // On the press, not the click: the move starts as the button goes down.
    connect(Pad[i], &QPushButton::pressed, this,
            [this, i] { PadPress(static_cast<PadButton>(i)); });
  }
  const char* padNames[16] = {"TestYH",  "TestYB",  "TestXG",  "TestXD",  "TestHG",  "TestHD",
                              "TestBG",  "TestBD",  "TestX1G", "TestX1D", "TestX2G", "TestX2D",
                              "TestY1H", "TestY1B", "TestY2H", "TestY2B"};
  for (size_t i = 0; i < Pad.size(); ++i) Pad[i]->setObjectName(padNames[i]);

  auto* positions = new QGroupBox(QStringLiteral(" Positions (mm) "), this);
  auto* positionGrid = new QGridLayout(positions);
  PX1 = new QLabel(positions), PY1 = new QLabel(positions);
  PX2 = new QLabel(positions), PY2 = new QLabel(positions);
  const char* names[4] = {"X1", "Y1", "X2", "Y2"};
  QLabel* values[4] = {PX1, PY1, PX2, PY2};
  for (int k = 0; k < 4; ++k) {
    positionGrid->addWidget(new QLabel(QString(names[k]) + " :", positions), k / 2, (k % 2) * 2);
    QFont font = values[k]->font();
    font.setBold(true);
    values[k]->setFont(font);
    values[k]->setMinimumWidth(70);
    positionGrid->addWidget(values[k], k / 2, (k % 2) * 2 + 1);
  }
  Progression = new QLabel(positions);
  positionGrid->addWidget(new QLabel(QStringLiteral("Parcouru :"), positions), 2, 0);
  positionGrid->addWidget(Progression, 2, 1, 1, 3);

  auto* origin = new QGroupBox(QStringLiteral(" Origine "), this);
  auto* originLayout = new QVBoxLayout(origin);
  MemoOrigine = new QPushButton(QStringLiteral("Définir origine"), origin);
  RetourOrigine = new QPushButton(QStringLiteral("Retour origine"), origin);
  originLayout->addWidget(MemoOrigine);
  originLayout->addWidget(RetourOrigine);

  auto* sequences = new QGroupBox(QStringLiteral(" Séquences "), this);
  auto* sequenceLayout = new QGridLayout(sequences);
  for (int n = 0; n < 4; ++n) {
    Sequences[n] = new QPushButton(QStringLiteral("Séquence %1").arg(n + 1), sequences);
    Sequences[n]->setToolTip(n < 2 ? QStringLiteral("Guillotine verticale")
                                   : QStringLiteral("Guillotine horizontale"));
    sequenceLayout->addWidget(Sequences[n], n / 2, n % 2);
    connect(Sequences[n], &QPushButton::clicked, this, [this, n] { SequenceClick(n + 1); });
  }

  auto* distance = new QGroupBox(QStringLiteral(" Distance de déplacement "), this);
  auto* distanceGrid = new QGridLayout(distance);
  TrackBar1 = new QSlider(Qt::Horizontal, distance);
  Deplacement = new QLabel(distance);
  QFont big = Deplacement->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 2);
  Deplacement->setFont(big);
  Decrement = new QPushButton(QStringLiteral("-"), distance);
  Increment = new QPushButton(QStringLiteral("+"), distance);
  RetourDefaut = new QPushButton(QStringLiteral("Restaurer"), distance);
  DefinirDefaut = new QPushButton(QStringLiteral("Définir"), distance);
  distanceGrid->addWidget(Decrement, 0, 0);
  distanceGrid->addWidget(TrackBar1, 0, 1);
  distanceGrid->addWidget(Increment, 0, 2);
  distanceGrid->addWidget(Deplacement, 0, 3);
  distanceGrid->addWidget(new QLabel(QStringLiteral("Distance par défaut :"), distance), 1, 1);
  distanceGrid->addWidget(RetourDefaut, 1, 2);
  distanceGrid->addWidget(DefinirDefaut, 1, 3);

  auto* speed = new QGroupBox(QStringLiteral(" Vitesse "), this);
  auto* speedLayout = new QHBoxLayout(speed);
  PanelFast = new QFrame(speed);
  PanelSlow = new QFrame(speed);
  RadioButtonFast = new QRadioButton(QStringLiteral("AVANCE RAPIDE"), PanelFast);
  RadioButtonSlow = new QRadioButton(QStringLiteral("AVANCE USINAGE"), PanelSlow);
  for (auto [panel, radio] :
       {std::pair{PanelFast, RadioButtonFast}, {PanelSlow, RadioButtonSlow}}) {
    auto* l = new QHBoxLayout(panel);
    l->addWidget(radio);
    radio->setFocusPolicy(Qt::NoFocus);
    speedLayout->addWidget(panel);
  }
  // Each in its coloured panel: a group keeps them exclusive across the two.
  auto* speeds = new QButtonGroup(this);
  speeds->addButton(RadioButtonFast);
  speeds->addButton(RadioButtonSlow);
  Voyant = new QLabel(QStringLiteral(" CHAUFFE "), speed);
  speedLayout->addWidget(Voyant);

  auto* hold = new QGroupBox(QStringLiteral(" Moteurs "), this);
  auto* holdLayout = new QHBoxLayout(hold);
  CoupleActif = new QPushButton(QStringLiteral("COUPLE MAINTENU"), hold);
  CoupleInactif = new QPushButton(QStringLiteral("COUPLE LIBERE"), hold);
  for (QPushButton* b : {CoupleActif, CoupleInactif}) {
    b->setCheckable(true);
    b->setAutoExclusive(true);
    holdLayout->addWidget(b);
  }

  ESC = new QLabel(this);
  ESC->setAlignment(Qt::AlignCenter);
  ESC->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0); font-weight: bold;"));
  PanelPrechauffe = new QLabel(this);
  PanelPrechauffe->setAlignment(Qt::AlignCenter);
  PanelPrechauffe->setStyleSheet(
      QStringLiteral("background-color: rgb(255, 255, 200); color: rgb(200, 0, 0); "
                     "font-weight: bold; border: 1px solid gray;"));
  Fermer = new QPushButton(QStringLiteral("Fermer"), this);
  // Shown and hidden during moves: their room stays, so nothing under them jumps.
  for (QLabel* l : {ESC, PanelPrechauffe}) {
    QSizePolicy policy = l->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    l->setSizePolicy(policy);
  }
  menuBar->setMinimumHeight(menuBar->sizeHint().height());

  auto* right = new QVBoxLayout;
  right->addWidget(positions);
  right->addWidget(origin);
  right->addWidget(sequences);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(pad, 3);
  top->addLayout(right, 2);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(top);
  layout->addWidget(distance);
  layout->addWidget(speed);
  layout->addWidget(hold);
  layout->addWidget(PanelPrechauffe);
  layout->addWidget(ESC);
  layout->addWidget(Fermer);

  for (QPushButton* b : findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
  }
  TrackBar1->setFocusPolicy(Qt::NoFocus);
  setFocusPolicy(Qt::StrongFocus);

  connect(TrackBar1, &QSlider::valueChanged, this, [this] { DistanceChanged(); });
  connect(Decrement, &QPushButton::clicked, this,
          [this] { TrackBar1->setValue(TrackBar1->value() - 1); });
  connect(Increment, &QPushButton::clicked, this,
          [this] { TrackBar1->setValue(TrackBar1->value() + 1); });
  connect(DefinirDefaut, &QPushButton::clicked, this, [this] {
    context_.settings.DepDefaut = static_cast<uint16_t>(TrackBar1->value());
    WriteManualSetting("DepDefaut", TrackBar1->value());
    distanceEdited_ = false;
    RetourDefaut->setEnabled(false);
    DefinirDefaut->setEnabled(false);
  });
  connect(RetourDefaut, &QPushButton::clicked, this, [this] {
    TrackBar1->setValue(context_.settings.DepDefaut);
    distanceEdited_ = false;
    RetourDefaut->setEnabled(false);
    DefinirDefaut->setEnabled(false);
  });
  connect(RadioButtonFast, &QRadioButton::clicked, this, [this] { SelectSpeed(false); });
  connect(RadioButtonSlow, &QRadioButton::clicked, this, [this] { SelectSpeed(true); });
  connect(CoupleActif, &QPushButton::clicked, this, [this] { HoldClick(true); });
  connect(CoupleInactif, &QPushButton::clicked, this, [this] { HoldClick(false); });
  connect(MemoOrigine, &QPushButton::clicked, this, [this] { MemoOrigineClick(); });
  connect(RetourOrigine, &QPushButton::clicked, this, [this] { RetourOrigineClick(); });
  connect(Fermer, &QPushButton::clicked, this, &QDialog::reject);
}

int TFormManettes::Run(QWidget* caller) {
  FormShow();
  if (caller) {
    move(caller->frameGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  return exec();
}

void TFormManettes::FormShow() {
  MachineSettings& s = context_.settings;
  InverserX->setChecked(s.InvTeleX);
  InverserY->setChecked(s.InvTeleY);
  OrigineAuto1->setChecked(s.OrigineAuto);
  ArretMode->setChecked(s.ModeArret == 1);

  const JogDistanceRange range = JogDistances(s);
  if (range.depDefautChanged) {
    s.DepDefaut = range.depDefaut;
    WriteManualSetting("DepDefaut", range.depDefaut);
  }
  TrackBar1->blockSignals(true);
  TrackBar1->setRange(1, range.maximum);
  TrackBar1->setValue(range.depDefaut);
  TrackBar1->blockSignals(false);
  Deplacement->setText(QStringLiteral("%1 mm").arg(TrackBar1->value()));
  distanceEdited_ = false;
  RetourDefaut->setEnabled(false);
  DefinirDefaut->setEnabled(false);

  const bool serial = s.PortType == 1;
  resize(kWidth, serial ? kSerialHeight : kHeight);
  for (QPushButton* b : {CoupleActif, CoupleInactif}) {
    b->setVisible(!serial);
    b->setEnabled(s.ActCouple);
  }
  CoupleActif->parentWidget()->setVisible(!serial);
  if (!serial) {
    (s.ActCouple ? CoupleActif : CoupleInactif)->setChecked(true);
    ApplyHold();
  }
  ESC->setText(s.PortType == 2 ? QStringLiteral("ATU = SWITCH") : QStringLiteral("BARRE D'ESPACE"));
  ESC->setVisible(false);
  PanelPrechauffe->setVisible(false);
  Voyant->setVisible(s.ActChauffe);
  ShowLamp(false);
  Progression->clear();
  SelectSpeed(false);
  ShowPositions();
  RefreshOrigin();
}

void TFormManettes::ShowLamp(bool on) {
  Colour(Voyant, on ? QStringLiteral("rgb(255, 60, 0)") : QStringLiteral("rgb(160, 160, 160)"));
}

void TFormManettes::SelectSpeed(bool working) {
  (working ? RadioButtonSlow : RadioButtonFast)->setChecked(true);
  Colour(PanelFast, working ? QString() : QStringLiteral("rgb(255, 0, 0)"));
  Colour(PanelSlow, working ? QStringLiteral("#008000") : QString());
}

void TFormManettes::WriteManualSetting(const char* name, int value) {
  if (context_.store) {
    context_.store->WriteSettingString(GroupKeyPath("Manuel"), name, std::to_string(value));
  }
}

bool TFormManettes::SendPacket(uint8_t flags) {
  SerialPort& serial = *context_.serial;
  if (!serial.IsOpen()) serial.Open();
  return SendBoardPacket(serial, flags, kBoardApply);
}

void TFormManettes::ApplyHold() {
  const MachineSettings& s = context_.settings;
  const bool held = CoupleActif->isChecked();
  if (s.PortType == 0) {
    // The idle image with the hold as the buttons say, not as `ActCouple` says.
    MachineSettings chosen = s;
    chosen.ActCouple = s.ActCouple && held;
    if (context_.port) {
      context_.port->WriteByte(static_cast<uint16_t>(s.Port + 2),
                               ComputeControlImages(chosen).IdleControlImage);
    }
    QFont bold = CoupleActif->font();
    for (QPushButton* b : {CoupleActif, CoupleInactif}) {
      bold.setBold(b->isChecked());
      b->setFont(bold);
    }
  } else if (s.PortType == 2) {
    SendPacket(HoldButtonFlags(s, !held));
    CoupleActif->setStyleSheet(held ? QString() : QStringLiteral("color: #808080;"));
    CoupleInactif->setStyleSheet(held ? QStringLiteral("color: #808080;") : QString());
  }
}

void TFormManettes::HoldClick(bool held) {
  (held ? CoupleActif : CoupleInactif)->setChecked(true);
  ApplyHold();
}

void TFormManettes::ShowPositions() {
  const MachineSettings& s = context_.settings;
  const AxisSteps steps = context_.positions.Steps();
  const uint16_t perMm[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
  QLabel* labels[4] = {PX1, PY1, PX2, PY2};
  for (size_t k = 0; k < 4; ++k) {
    labels[k]->setText(context_.positions.Known() ? Text(PositionMmText(steps[k], perMm[k]))
                                                  : QStringLiteral("inconnue"));
  }
}

void TFormManettes::RefreshOrigin(bool tellBoard) {
  const AxisPositions& p = context_.positions;
  const bool atOrigin = p.AtOrigin();
  MemoOrigine->setEnabled(!atOrigin);
  // Unknown positions say nothing of the way back.
  RetourOrigine->setEnabled(p.Known() && !atOrigin);
  if (atOrigin && tellBoard && context_.settings.PortType == 2) SendPacket(kFlagSetOrigin);
}

void TFormManettes::DistanceChanged() {
  distanceEdited_ = true;
  Deplacement->setText(QStringLiteral("%1 mm").arg(TrackBar1->value()));
  RetourDefaut->setEnabled(true);
  DefinirDefaut->setEnabled(true);
}

void TFormManettes::EnterMoving() {
  if (moving_++ > 0) return;
  for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(false);
  TrackBar1->setEnabled(false);
  for (QRadioButton* r : {RadioButtonFast, RadioButtonSlow}) r->setEnabled(false);
  Options->setEnabled(false);
  Options->setTitle(QString());
  ESC->setVisible(true);
  context_.abortFlag = 0;
  if (context_.settings.PortType == 2) {
    for (QLabel* l : {PX1, PY1, PX2, PY2}) l->setEnabled(false);
  }
  // Arrow keys and mouse presses wait for the end of the move; the space bar
  // goes through to the key states.
  qApp->installEventFilter(this);
}

void TFormManettes::LeaveMoving() {
  if (--moving_ > 0) return;
  qApp->removeEventFilter(this);
  DropRepeatsOfHeldKeys(context_.keys);
  for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(true);
  TrackBar1->setEnabled(true);
  for (QRadioButton* r : {RadioButtonFast, RadioButtonSlow}) r->setEnabled(true);
  const MachineSettings& s = context_.settings;
  for (QPushButton* b : {CoupleActif, CoupleInactif}) b->setEnabled(s.ActCouple);
  RetourDefaut->setEnabled(distanceEdited_);
  DefinirDefaut->setEnabled(distanceEdited_);
  Options->setEnabled(true);
  Options->setTitle(QStringLiteral("Options"));
  ESC->setVisible(false);
  PanelPrechauffe->setVisible(false);
  for (QLabel* l : {PX1, PY1, PX2, PY2}) l->setEnabled(true);
  if (s.ActCouple && s.PortType != 1) ApplyHold();
  ShowPositions();
  RefreshOrigin();
}

bool TFormManettes::eventFilter(QObject* watched, QEvent* event) {
  if (moving_ > 0) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        return true;
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
            key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
            key == Qt::Key_Home || key == Qt::Key_End) {
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormManettes::keyPressEvent(QKeyEvent* event) {
  static const std::pair<int, PadButton> kKeys[] = {
      {Qt::Key_Down, PadButton::TestYB},   {Qt::Key_Up, PadButton::TestYH},
      {Qt::Key_Left, PadButton::TestXG},   {Qt::Key_Right, PadButton::TestXD},
      {Qt::Key_PageUp, PadButton::TestHD}, {Qt::Key_PageDown, PadButton::TestBD},
      {Qt::Key_Home, PadButton::TestHG},   {Qt::Key_End, PadButton::TestBG},
  };
  for (const auto& [key, button] : kKeys) {
    if (event->key() == key) {
      if (!event->isAutoRepeat() && !Moving()) PadPress(button);
      return;
    }
  }
  // Escape would close the window in the middle of nothing: Fermer closes.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void TFormManettes::done(int result) {
  if (Moving()) return;  // the move ends first; the space bar stops it
  MachineSettings& s = context_.settings;
  if (s.PortType == 0 && context_.port) {
    context_.images = ComputeControlImages(s);
    context_.port->WriteByte(static_cast<uint16_t>(s.Port + 2), context_.images.IdleControlImage);
  } else if (s.PortType == 2) {
    SendPacket(ManualCloseFlags(s, RadioButtonSlow->isChecked()));
  }
  WriteManualSetting("InvTeleX", s.InvTeleX);
  WriteManualSetting("InvTeleY", s.InvTeleY);
  WriteManualSetting("OrigineAuto", s.OrigineAuto);
  QDialog::done(result);
}

}  // namespace orvane::ui
