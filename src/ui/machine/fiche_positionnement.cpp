#include "ui/machine/fiche_positionnement.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "ui/app/fiche_raccourcis.h"
#include "ui/machine/cut_preview_pane.h"
#include "ui/machine/fiche_binaire.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/machine/fiche_stop.h"
#include "ui/machine/up_down_buttons.h"
#include "ui/params/fiche_memo.h"

namespace orvane::ui {
namespace {

const QString kCaption = QStringLiteral("Orvane - Découpe et positionnement");
constexpr int kBlockMinimum = 1, kBlockMaximum = 1500, kBlockDefault = 100;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QString Printf(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return QString::fromLatin1(text);
}

// " X1 = 200 pas/mm | sens normal | bits 0-1 ": the motor values the cut
// was made with.
QString RecordedAxis(const CutHeaderInfo& header, size_t axis) {
  static const char* const kNames[4] = {" X1 = ", " Y1 = ", " X2 = ", " Y2 = "};
  const int64_t slot = header.ioSlots[axis];
  return QString::fromUtf8(kNames[axis]) +
         Printf("%.0f", static_cast<double>(header.stepsPerMm[axis])) + QStringLiteral(" pas/mm") +
         (header.clockwise[axis] == 0 ? QStringLiteral(" | sens normal ")
                                      : QStringLiteral(" | sens inversé ")) +
         QStringLiteral("| bits %1-%2 ").arg(2 * slot).arg(2 * slot + 1);
}

QLabel* ValueLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setMinimumWidth(60);
  return label;
}

}  // namespace

TFormPosition::TFormPosition(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(kCaption);
  setProperty(kShortcutPlaceProperty, kCaption);
  BuildControls();
  resize(1300, 670);
}

void TFormPosition::BuildControls() {
  // The cut: its files and the values its header records.
  auto* file = new QGroupBox(QStringLiteral(" Découpe "), this);
  auto* fileGrid = new QGridLayout(file);
  Ouvrir = new QPushButton(QStringLiteral("Ouvrir"), file);
  Detail = new QPushButton(QStringLiteral("Détails"), file);
  LabelGcode = ValueLabel(file);
  LabelBinaire = ValueLabel(file);
  fileGrid->addWidget(Ouvrir, 0, 0);
  fileGrid->addWidget(Detail, 0, 1);
  fileGrid->addWidget(new QLabel(QStringLiteral("Fichier G-code :"), file), 1, 0);
  fileGrid->addWidget(LabelGcode, 1, 1);
  fileGrid->addWidget(new QLabel(QStringLiteral("Fichier binaire :"), file), 2, 0);
  fileGrid->addWidget(LabelBinaire, 2, 1);
  LabelTaille1 = ValueLabel(file);
  LabelProjete1 = ValueLabel(file);
  LabelTaille2 = ValueLabel(file);
  LabelProjete2 = ValueLabel(file);
  LabelDegagement1 = ValueLabel(file);
  LabelDegagement2 = ValueLabel(file);
  LabelMatiere = ValueLabel(file);
  LabelSegments = ValueLabel(file);
  LabelDeveloppes = ValueLabel(file);
  LabelPas = ValueLabel(file);
  const std::pair<const char*, QLabel*> rows[] = {
      {"Profil 1 réel :", LabelTaille1},    {"Profil 1 projeté :", LabelProjete1},
      {"Profil 2 réel :", LabelTaille2},    {"Profil 2 projeté :", LabelProjete2},
      {"Dégagement 1 :", LabelDegagement1}, {"Dégagement 2 :", LabelDegagement2},
      {"Matière :", LabelMatiere},          {"Segments :", LabelSegments},
      {"Développés :", LabelDeveloppes},    {"Nombre de pas :", LabelPas}};
  int row = 3;
  for (const auto& [caption, label] : rows) {
    fileGrid->addWidget(new QLabel(QString::fromUtf8(caption), file), row, 0);
    fileGrid->addWidget(label, row++, 1);
  }
  LabelDifferences = new QLabel(file);
  LabelDifferences->setWordWrap(true);
  LabelDifferences->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
  fileGrid->addWidget(LabelDifferences, row, 0, 1, 2);

  // The foam block drawn in the previews.
  auto* block = new QGroupBox(QStringLiteral(" Bloc de matière (mm) "), this);
  auto* blockGrid = new QGridLayout(block);
  EditLargeur = new QLineEdit(QString::number(kBlockDefault), block);
  EditHauteur = new QLineEdit(QString::number(kBlockDefault), block);
  UpDown1 = new UpDownButtons(kBlockMinimum, kBlockMaximum, kBlockDefault, block);
  UpDown2 = new UpDownButtons(kBlockMinimum, kBlockMaximum, kBlockDefault, block);
  Auto = new QPushButton(QStringLiteral("Automatique"), block);
  const auto digits =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this);
  for (QLineEdit* edit : {EditLargeur, EditHauteur}) {
    edit->setValidator(digits);
    edit->setFixedWidth(60);
    edit->setAutoFillBackground(true);
  }
  blockGrid->addWidget(new QLabel(QStringLiteral("Largeur"), block), 0, 0);
  blockGrid->addWidget(EditLargeur, 0, 1);
  blockGrid->addWidget(UpDown1, 0, 2);
  blockGrid->addWidget(new QLabel(QStringLiteral("Hauteur"), block), 1, 0);
  blockGrid->addWidget(EditHauteur, 1, 1);
  blockGrid->addWidget(UpDown2, 1, 2);
  blockGrid->addWidget(Auto, 0, 3, 2, 1);
  blockGrid->setColumnStretch(4, 1);

  auto* left = new QVBoxLayout;
  left->addWidget(file);
  left->addWidget(block);
  left->addStretch();

  Preview1 = new CutPreviewPane(0, this);
  Preview2 = new CutPreviewPane(1, this);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addWidget(Preview1, 1);
  top->addWidget(Preview2, 1);

  // Speeds: per axis the steps per mm, the period and the speed.
  auto* speeds = new QGroupBox(QStringLiteral(" Vitesses "), this);
  auto* speedGrid = new QGridLayout(speeds);
  QLabel** pmm[4] = {&PmmX1, &PmmY1, &PmmX2, &PmmY2};
  QLabel** periods[4] = {&vx1, &vy1, &vx2, &vy2};
  QLabel** velocities[4] = {&Vitx1, &Vity1, &Vitx2, &Vity2};
  const char* const axes[4] = {"X1", "Y1", "X2", "Y2"};
  speedGrid->addWidget(new QLabel(QStringLiteral("Période (µs)"), speeds), 2, 0);
  speedGrid->addWidget(new QLabel(QStringLiteral("Vitesse"), speeds), 3, 0);
  for (int a = 0; a < 4; ++a) {
    auto* name = new QLabel(QString::fromLatin1(axes[a]), speeds);
    name->setAlignment(Qt::AlignCenter);
    speedGrid->addWidget(name, 0, a + 1);
    *pmm[a] = ValueLabel(speeds);
    *periods[a] = ValueLabel(speeds);
    *velocities[a] = ValueLabel(speeds);
    for (QLabel* label : {*pmm[a], *periods[a], *velocities[a]}) {
      label->setAlignment(Qt::AlignCenter);
    }
    speedGrid->addWidget(*pmm[a], 1, a + 1);
    speedGrid->addWidget(*periods[a], 2, a + 1);
    speedGrid->addWidget(*velocities[a], 3, a + 1);
  }

  auto* preset = new QGroupBox(QStringLiteral(" Ajustement vitesse "), this);
  auto* presetGrid = new QGridLayout(preset);
  TrackBar2 = new QSlider(Qt::Horizontal, preset);
  TrackBar2->setMinimumWidth(220);
  Raz = new QPushButton(QStringLiteral("Centrer"), preset);
  DureeCoupe = new QLabel(QStringLiteral("00:00:00"), preset);
  QFont big = DureeCoupe->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 3);
  DureeCoupe->setFont(big);
  presetGrid->addWidget(new QLabel(QStringLiteral("plus rapide"), preset), 0, 0);
  presetGrid->addWidget(TrackBar2, 0, 1);
  presetGrid->addWidget(new QLabel(QStringLiteral("plus lent"), preset), 0, 2);
  presetGrid->addWidget(Raz, 0, 3);
  presetGrid->addWidget(new QLabel(QStringLiteral("Durée estimée :"), preset), 1, 0);
  presetGrid->addWidget(DureeCoupe, 1, 1, 1, 3);

  Lancer = new QPushButton(QStringLiteral("Découpe"), this);
  Simulation = new QPushButton(QStringLiteral("Simulation"), this);
  Manettes = new QPushButton(QStringLiteral("Mode manuel"), this);
  // Bound on the button, so "Rappel des raccourcis" reads it there.
  Manettes->setShortcut(Qt::Key_F11);
  Memo = new QPushButton(QStringLiteral("Mémo"), this);
  Fermer = new QPushButton(QStringLiteral("Fermer"), this);
  QFont bold = Lancer->font();
  bold.setBold(true);
  Lancer->setFont(bold);
  auto* commands = new QGridLayout;
  commands->addWidget(Lancer, 0, 0);
  commands->addWidget(Simulation, 0, 1);
  commands->addWidget(Manettes, 1, 0);
  commands->addWidget(Memo, 1, 1);
  commands->addWidget(Fermer, 2, 0, 1, 2);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(speeds);
  bottom->addWidget(preset);
  bottom->addStretch();
  bottom->addLayout(commands);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);

  connect(Ouvrir, &QPushButton::clicked, this, [this] { OuvrirClick(); });
  connect(Detail, &QPushButton::clicked, this, [this] { DetailClick(); });
  connect(Lancer, &QPushButton::clicked, this, [this] { LancerClick(); });
  connect(Simulation, &QPushButton::clicked, this, [this] { SimulationClick(); });
  connect(Auto, &QPushButton::clicked, this, [this] { AutoClick(); });
  connect(Raz, &QPushButton::clicked, this, [this] { RazClick(); });
  connect(Fermer, &QPushButton::clicked, this, &QDialog::reject);
  connect(TrackBar2, &QSlider::valueChanged, this, [this] { TrackBar2Change(); });
  for (QLineEdit* edit : {EditLargeur, EditHauteur}) {
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { BlockEditEntered(edit); });
  }
  UpDown1->onChanged = [this](int value) {
    EditLargeur->setText(QString::number(value));
    RefreshBlock();
  };
  UpDown2->onChanged = [this](int value) {
    EditHauteur->setText(QString::number(value));
    RefreshBlock();
  };
  connect(Manettes, &QPushButton::clicked, this, [this] { ManettesClick(); });
  // Enabled once their windows are given.
  Manettes->setEnabled(false);
  Memo->setEnabled(false);
  connect(Memo, &QPushButton::clicked, this, [this] {
    if (memo_) memo_->Run();
  });
  // Enter belongs to the block edits, never to a default button.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
}

void TFormPosition::SetManualWindow(TFormManettes* manettes) {
  manettes_ = manettes;
  Manettes->setEnabled(manettes_ != nullptr);
}

void TFormPosition::SetMemoWindow(TFormMemo* memo) {
  memo_ = memo;
  Memo->setEnabled(memo_ != nullptr);
}

void TFormPosition::ManettesClick() {
  if (!manettes_ || !Manettes->isEnabled()) return;
  manettes_->Run(this);
}

int TFormPosition::Run() {
  openOnShow_ = true;
  int result = 0;
  do {
    resumeAfterRun_ = false;
    result = exec();
  } while (resumeAfterRun_ && isVisible());
  return result;
}

void TFormPosition::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FormShow();
  if (openOnShow_) {
    openOnShow_ = false;
    cut_ = OpenedCut();
    TrackBar2Change();
    QTimer::singleShot(0, this, [this] { OuvrirClick(); });
  }
}

void TFormPosition::FormShow() {
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    const int y =
        area.height() >= 801 ? area.top() + (area.height() - size.height()) / 2 : area.top();
    move(area.left() + (area.width() - size.width()) / 2, std::max(area.top(), y));
  }
  const MachineSettings& s = context_.settings;
  const int64_t steps[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
  QLabel* pmm[4] = {PmmX1, PmmY1, PmmX2, PmmY2};
  for (int a = 0; a < 4; ++a) pmm[a]->setText(QStringLiteral("%1 pas/mm").arg(steps[a]));
  const int maximum = SpeedPresetMaximum(s);
  TrackBar2->blockSignals(true);
  TrackBar2->setRange(0, maximum);
  TrackBar2->setValue(maximum / 2);
  TrackBar2->blockSignals(false);
  TrackBar2->setEnabled(true);
  Manettes->setEnabled(manettes_ && ManualModeOffered(s));
  ExplainManualMode(Manettes, s);
  if (stop_) {
    stop_->PrepareTrim((static_cast<double>(s.X1speed) + s.Y1speed + s.X2speed + s.Y2speed) / 4);
  }
  ResetWindow();
}

void TFormPosition::ResetWindow() {
  setWindowTitle(kCaption);
  for (QLabel* label : {LabelGcode, LabelBinaire, LabelTaille1, LabelTaille2, LabelProjete1,
                        LabelProjete2, LabelDegagement1, LabelDegagement2, LabelMatiere,
                        LabelSegments, LabelDeveloppes, LabelPas, LabelDifferences}) {
    label->clear();
  }
  for (QPushButton* b : {Lancer, Simulation, Detail}) b->setEnabled(false);
  ExplainSimulation(false);
  SetBlockEnabled(false);
  Preview1->Clear();
  Preview2->Clear();
  points_.reset();
  blockFits_ = false;
  TrackBar2Change();
}

void TFormPosition::SetBlockEnabled(bool enabled) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{EditLargeur, EditHauteur, UpDown1, UpDown2, Auto}) {
    w->setEnabled(enabled);
  }
}

void TFormPosition::OuvrirClick() {
  FileDialogRequest request;
  request.title = "Ouvrir une découpe";
  request.folder = context_.settings.CutPath;
  request.filters = {"Découpes Orvane (*.ovi)"};
  request.onSelectionChanged = [this](const std::string& path) { BrowseCut(path); };
  const std::optional<std::string> chosen = context_.dialogs->OpenFile(request);
  if (chosen) {
    lastOpenedCut_ = *chosen;
    LoadCut(*chosen, false);
    return;
  }
  std::error_code error;
  const std::string last = OpenCut(lastOpenedCut_, context_.settings).base;
  if (!last.empty() && std::filesystem::is_regular_file(last + ".ovi", error)) {
    LoadCut(lastOpenedCut_, false);
  } else {
    cut_ = OpenedCut();
    ResetWindow();
  }
}

void TFormPosition::BrowseCut(const std::string& path) {
  const std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  if (QString::fromStdString(extension).toLower() != QStringLiteral(".ovi")) {
    cut_ = OpenedCut();
    ResetWindow();
    return;
  }
  LoadCut(path, true);
}

void TFormPosition::ReloadCut() {
  if (!cut_.base.empty()) LoadCut(cut_.base + ".ovi", false);
}

void TFormPosition::LoadCut(const std::string& path, bool browsing) {
  ResetWindow();
  cut_ = OpenCut(path, context_.settings);
  if (!cut_.loaded) {
    if (!cut_.message.empty()) {
      if (browsing) {
        ShowPreviewMessage(Text(" " + cut_.message + " "), false);
      } else {
        context_.messages->Show(MessageKind::Warning, cut_.message);
      }
    }
    cut_.ticks = 0;
    TrackBar2Change();
    return;
  }
  setWindowTitle(kCaption + QStringLiteral(" - [ ") + Text(cut_.base).toUpper() +
                 QStringLiteral(" ]"));
  LabelGcode->setText(cut_.hasGcode ? QStringLiteral("présent") : QStringLiteral("-----"));
  LabelBinaire->setText(cut_.hasSteps ? QStringLiteral("présent") : QStringLiteral("-----"));
  if (cut_.header.olderVersion) {
    ShowPreviewMessage(QStringLiteral(" Découpe générée avec une version trop ancienne "), false);
    return;
  }
  if (browsing && !cut_.Compatible()) {
    LabelGcode->clear();
    LabelBinaire->clear();
    ShowPreviewMessage(QStringLiteral(" Paramètres machine différents "), true);
    return;
  }
  ShowHeader();
  ShowPoints();
  QStringList problems;
  if (!cut_.Compatible()) {
    problems << QStringLiteral("Découpe faite pour d'autres réglages des moteurs :");
    for (const std::string& d : cut_.differences) problems << QStringLiteral("  ") + Text(d);
  }
  if (!cut_.message.empty() && context_.settings.PortType != 2) problems << Text(cut_.message);
  LabelDifferences->setText(problems.join('\n'));

  const BlockSize proposed = ProposeBlock(cut_.header);
  UpDown1->SetValue(static_cast<int>(std::min<int64_t>(proposed.width, kBlockMaximum)));
  UpDown2->SetValue(static_cast<int>(std::min<int64_t>(proposed.height, kBlockMaximum)));
  EditLargeur->setText(QString::number(UpDown1->Value()));
  EditHauteur->setText(QString::number(UpDown2->Value()));
  const bool canAuto = cut_.CanAuto(context_.settings.PortType);
  SetBlockEnabled(canAuto);
  TrackBar2Change();
  RefreshBlock();
}

void TFormPosition::ShowHeader() {
  const CutHeaderInfo& h = cut_.header;
  auto size = [&](size_t x) {
    return Text(h.sizeLines[x]) + QStringLiteral(" x ") + Text(h.sizeLines[x + 1]) +
           QStringLiteral(" mm");
  };
  LabelTaille1->setText(size(0));
  LabelProjete1->setText(size(2));
  LabelTaille2->setText(size(4));
  LabelProjete2->setText(size(6));
  LabelDegagement1->setText(Printf("%.0f", h.leadIns[0]) + QStringLiteral(" ; ") +
                            Printf("%.0f", h.leadIns[1]) + QStringLiteral(" mm"));
  LabelDegagement2->setText(Printf("%.0f", h.leadIns[2]) + QStringLiteral(" ; ") +
                            Printf("%.0f", h.leadIns[3]) + QStringLiteral(" mm"));
  if (h.guideDistance == 0) {
    LabelMatiere->setText(QStringLiteral("sans projection"));
  } else {
    LabelMatiere->setText(QStringLiteral("guides %1 mm, position %2 %, épaisseur %3 mm")
                              .arg(h.guideDistance)
                              .arg(h.materialPosition)
                              .arg(h.materialThickness));
  }
  LabelSegments->setText(QString::number(h.segments));
  LabelDeveloppes->setText(QStringLiteral("%1 mm / %2 mm").arg(h.developed[0]).arg(h.developed[1]));
  LabelPas->setText(QString::number(static_cast<qulonglong>(cut_.ticks)));
}

void TFormPosition::ShowPoints() {
  if (!cut_.hasPoints) {
    ShowPreviewMessage(QStringLiteral(" Fichier OVS absent "), false);
    return;
  }
  CutPointRead read =
      ReadCutPointFile(cut_.base + ".ovs", static_cast<uint64_t>(cut_.header.segments) + 1);
  if (!read.ok) {
    ShowPreviewMessage(Text(" " + read.message + " "), false);
    return;
  }
  points_ = std::make_shared<const std::vector<CutPointRecord>>(std::move(read.points));
  const CutHeaderInfo& h = cut_.header;
  Preview1->ShowCut(points_, Text(h.sizeLines[0]) + QStringLiteral(" x ") + Text(h.sizeLines[1]) +
                                 QStringLiteral(" mm"));
  Preview2->ShowCut(points_, Text(h.sizeLines[4]) + QStringLiteral(" x ") + Text(h.sizeLines[5]) +
                                 QStringLiteral(" mm"));
}

void TFormPosition::ShowPreviewMessage(const QString& message, bool withRecordedSettings) {
  QStringList first, second;
  if (withRecordedSettings) {
    first << RecordedAxis(cut_.header, 0) << RecordedAxis(cut_.header, 1);
    second << RecordedAxis(cut_.header, 2) << RecordedAxis(cut_.header, 3);
  }
  Preview1->ShowMessage(message, first);
  Preview2->ShowMessage(message, second);
}

int TFormPosition::BlockValue(QLineEdit* edit) const {
  const int value = edit->text().toInt();
  return value <= 0 ? kBlockDefault : std::min(value, kBlockMaximum);
}

void TFormPosition::BlockEditEntered(QLineEdit* edit) {
  RefreshBlock();
  (edit == EditLargeur ? EditHauteur : EditLargeur)->setFocus();
}

void TFormPosition::AutoClick() {
  if (!cut_.loaded || cut_.header.olderVersion) return;
  const BlockSize proposed = ProposeBlock(cut_.header);
  UpDown1->SetValue(static_cast<int>(std::min<int64_t>(proposed.width, kBlockMaximum)));
  UpDown2->SetValue(static_cast<int>(std::min<int64_t>(proposed.height, kBlockMaximum)));
  EditLargeur->setText(QString::number(UpDown1->Value()));
  EditHauteur->setText(QString::number(UpDown2->Value()));
  RefreshBlock();
}

void TFormPosition::RefreshBlock() {
  const int width = BlockValue(EditLargeur), height = BlockValue(EditHauteur);
  EditLargeur->setText(QString::number(width));
  EditHauteur->setText(QString::number(height));
  UpDown1->SetValue(width);
  UpDown2->SetValue(height);
  BlockFit fit{true, true};
  if (cut_.loaded && !cut_.header.olderVersion) fit = CheckBlock(cut_.header, width, height);
  const QString red = QStringLiteral("QLineEdit { background-color: rgb(255, 0, 0); }");
  EditLargeur->setStyleSheet(fit.widthOk ? QString() : red);
  EditHauteur->setStyleSheet(fit.heightOk ? QString() : red);
  Preview1->SetBlock(width, height, fit.Fits());
  Preview2->SetBlock(width, height, fit.Fits());
  blockFits_ = fit.Fits();
  UpdateRunCommands();
}

void TFormPosition::ExplainSimulation(bool cutShown) {
  // Why it is off, where the user looks for it.
  QString why;
  if (context_.settings.PortType != 2) {
    why = QStringLiteral(
        "La simulation se fait sur la carte USB : choisissez-la dans les "
        "paramètres du port.");
  } else if (!cutShown) {
    why = QStringLiteral("Ouvrez d'abord une découpe.");
  } else if (!cut_.hasGcode) {
    why = QStringLiteral("Fichier G-code absent : la simulation le lit.");
  }
  Simulation->setToolTip(why);
}

void TFormPosition::UpdateRunCommands() {
  const uint8_t portType = context_.settings.PortType;
  Lancer->setEnabled(cut_.CanRun(portType) && blockFits_);
  Simulation->setEnabled(cut_.CanSimulate(portType));
  ExplainSimulation(cut_.loaded);
  Detail->setEnabled(cut_.CanDetail());
}

void TFormPosition::TrackBar2Change() {
  const int maximum = TrackBar2->maximum(), position = TrackBar2->value();
  preset_ = ComputeSpeedPreset(context_.settings, position, maximum, cut_.ticks);
  QLabel* periods[4] = {vx1, vy1, vx2, vy2};
  QLabel* speeds[4] = {Vitx1, Vity1, Vitx2, Vity2};
  const int centre = maximum / 2;
  const QString colour = position > centre   ? QStringLiteral("background-color: rgb(0, 203, 0);")
                         : position < centre ? QStringLiteral("background-color: rgb(0, 136, 255);")
                                             : QString();
  for (int a = 0; a < 4; ++a) {
    periods[a]->setText(QStringLiteral(" %1 ").arg(preset_.periods[a]));
    periods[a]->setStyleSheet(colour);
    speeds[a]->setText(Printf("%.2f", preset_.speeds[a]) + QStringLiteral(" mm/s"));
  }
  DureeCoupe->setText(cut_.ticks == 0 ? QStringLiteral("00:00:00")
                                      : Text(FormatDuration(preset_.durationSeconds)));
}

void TFormPosition::RazClick() {
  TrackBar2->setValue(TrackBar2->maximum() / 2);
}

void TFormPosition::DetailClick() {
  if (!binaire_ || !cut_.CanDetail()) return;
  binaire_->Run(cut_.base + ".ovd", cut_.base + ".ovg", context_.settings);
}

void TFormPosition::LancerClick() {
  if (Lancer->isEnabled()) StartRun(false);
}

void TFormPosition::SimulationClick() {
  if (Simulation->isEnabled()) StartRun(true);
}

void TFormPosition::StartRun(bool simulation) {
  if (!stop_) return;
  CutRunRequest request;
  request.cut = &cut_;
  request.simulation = simulation;
  // The preset holds X1, Y1, X2, Y2; the run takes X1, X2, Y1, Y2.
  const std::array<int32_t, 4>& p = preset_.periods;
  request.adjustedPeriods = {p[0], p[2], p[1], p[3]};
  request.durationSeconds = preset_.durationSeconds;
  resumeAfterRun_ = true;
  hide();
  const CutRunOutcome outcome = stop_->RunCut(request);
  // A termination signal is closing the program: nothing comes back.
  if (context_.closingOnSignal) {
    resumeAfterRun_ = false;
    return;
  }
  show();
  ReloadCut();
  stop_->AnnounceEnd(outcome, simulation);
}

}  // namespace orvane::ui
