#include "ui/params/wizard_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/common/text_number.h"
#include "host/host_centronic.h"
#include "ui/params/fiche_assistant.h"
#include "ui/shapes/number_validator.h"

namespace orvane::ui {
namespace {

QLineEdit* ResultField(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  edit->setAlignment(Qt::AlignRight);
  edit->setFixedWidth(90);
  return edit;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

WizardPage::WizardPage(AppContext& context, ApplyToMotors applyToMotors, QWidget* parent)
    : QWidget(parent), context_(context), applyToMotors_(std::move(applyToMotors)) {
  BuildControls();
}

void WizardPage::BuildControls() {
  auto* computer = new QGroupBox(QStringLiteral("  CARACTERISTIQUES ORDINATEUR "), this);
  LabelFrequence = new QLabel(QStringLiteral("0.000 GHz"), computer);
  LabelProcesseur = new QLabel(computer);
  LabelProcesseur->setWordWrap(true);
  LabelCompteur = new QLabel(computer);
  Actualiser = new QPushButton(QStringLiteral("Actualiser"), computer);
  auto* computerGrid = new QGridLayout(computer);
  computerGrid->addWidget(new QLabel(QStringLiteral("Fréquence actuelle du processeur"), computer),
                          0, 0);
  computerGrid->addWidget(LabelFrequence, 0, 1);
  computerGrid->addWidget(Actualiser, 0, 2);
  computerGrid->addWidget(new QLabel(QStringLiteral("Modèle de processeur"), computer), 1, 0);
  computerGrid->addWidget(LabelProcesseur, 1, 1, 1, 2);
  computerGrid->addWidget(new QLabel(QStringLiteral("Compteur hautes performances"), computer), 2,
                          0);
  computerGrid->addWidget(LabelCompteur, 2, 1);
  computerGrid->setColumnStretch(1, 1);

  GroupeCalcul = new QGroupBox(QStringLiteral(" CALCUL DES VALEURS D'AVANCE  "), this);
  QWidget* g = GroupeCalcul;
  EditType = new QLineEdit(g);
  ComboMode = new QComboBox(g);
  for (std::string_view mode : kDriverModes) {
    ComboMode->addItem(QString::fromUtf8(mode.data(), qsizetype(mode.size())));
  }
  EditDemult = new QLineEdit(g);
  Demultiplication = new QPushButton(QStringLiteral("Démultiplication..."), g);
  EditVitesseS = new QLineEdit(g);
  MakeNumberEdit(EditType, {.point = false, .minus = false, .maxLength = 5});
  MakeNumberEdit(EditDemult, {.point = true, .minus = false, .maxLength = 7});
  MakeNumberEdit(EditVitesseS, {.point = true, .minus = false, .maxLength = 5});
  for (QLineEdit* edit : {EditType, EditDemult, EditVitesseS}) edit->setFixedWidth(90);
  EditRapport = ResultField(g);
  EditResolution = ResultField(g);
  EditDelai = ResultField(g);
  EditVmaxAdmiseS = ResultField(g);
  LabelDelai = new QLabel(QStringLiteral("Période  ="), g);
  LabelRefus = new QLabel(g);
  LabelRefus->setWordWrap(true);
  LabelRefus->setStyleSheet(QStringLiteral("color: rgb(190, 0, 0);"));
  Recalculer = new QPushButton(QStringLiteral("Recalculer"), g);
  ResultAppliquer = new QPushButton(QStringLiteral("Appliquer"), g);

  auto* grid = new QGridLayout(g);
  int row = 0;
  auto input = [&](const char* caption, QWidget* field, const char* unit, QWidget* extra) {
    grid->addWidget(new QLabel(QString::fromUtf8(caption), g), row, 0);
    grid->addWidget(field, row, 1);
    if (unit) grid->addWidget(new QLabel(QString::fromUtf8(unit), g), row, 2);
    if (extra) grid->addWidget(extra, row, 3, Qt::AlignLeft);
    ++row;
  };
  input("Type des moteurs", EditType, "pas/tour", nullptr);
  input("Mode des drivers", ComboMode, nullptr, nullptr);
  input("Démultiplication", EditDemult, "mm/tour", Demultiplication);
  input("Vitesse recherchée (Vcut)", EditVitesseS, "mm/sec", nullptr);
  auto output = [&](QWidget* label, QLineEdit* field, const char* unit) {
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(unit), g), row, 2);
    ++row;
  };
  output(new QLabel(QStringLiteral("Rapport ="), g), EditRapport, "pas/mm");
  output(new QLabel(QStringLiteral("Résolution  ="), g), EditResolution, "µm");
  output(LabelDelai, EditDelai, "µs");
  output(new QLabel(QStringLiteral("Vitesse maxi ="), g), EditVmaxAdmiseS, "mm/sec");
  grid->addWidget(LabelRefus, row++, 0, 1, 4);
  auto* calcButtons = new QHBoxLayout;
  calcButtons->addStretch();
  calcButtons->addWidget(Recalculer);
  calcButtons->addWidget(ResultAppliquer);
  grid->addLayout(calcButtons, row, 0, 1, 4);
  grid->setColumnStretch(3, 1);

  AssistantRestaurer = new QPushButton(QStringLiteral("  Restaurer"), this);
  ConfigFermer = new QPushButton(QStringLiteral("     Fermer    "), this);
  auto* pageButtons = new QHBoxLayout;
  pageButtons->addStretch();
  pageButtons->addWidget(AssistantRestaurer);
  pageButtons->addWidget(ConfigFermer);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(computer);
  layout->addWidget(GroupeCalcul);
  layout->addStretch();
  layout->addLayout(pageButtons);

  Assistant = new TFormAssistant(this);

  connect(Actualiser, &QPushButton::clicked, this, [this] { ActualiserClick(); });
  connect(Recalculer, &QPushButton::clicked, this, [this] { RecalculateFeed(); });
  connect(ResultAppliquer, &QPushButton::clicked, this, [this] { ResultAppliquerClick(); });
  connect(AssistantRestaurer, &QPushButton::clicked, this, [this] { AssistantRestaurerClick(); });
  connect(ConfigFermer, &QPushButton::clicked, this, &WizardPage::closeRequested);
  connect(Demultiplication, &QPushButton::clicked, this, [this] { DemultiplicationClick(); });
  connect(ComboMode, &QComboBox::currentIndexChanged, this, [this] {
    if (filling_) return;
    InputChanged();
    RecalculateFeed();
  });
  for (QLineEdit* edit : {EditType, EditDemult, EditVitesseS}) {
    connect(edit, &QLineEdit::textEdited, this, [this] { InputChanged(); });
    // Enter and leaving the edit both recalculate.
    connect(edit, &QLineEdit::editingFinished, this, [this] { RecalculateFeed(); });
  }
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
}

void WizardPage::ShowComputer() {
  const StartupState& startup = context_.startup;
  LabelFrequence->setText(Q(FormatFixed(startup.CpuClockGHz, 3)) + QStringLiteral(" GHz"));
  LabelProcesseur->setText(Q(ReadProcessorName()));
  const bool counter = startup.CounterTicksPerMicrosecond > 0;
  LabelCompteur->setText(counter ? QStringLiteral("Présent") : QStringLiteral("Absent"));
  GroupeCalcul->setVisible(counter);
}

void WizardPage::FillInputs() {
  const MachineSettings& s = context_.settings;
  filling_ = true;
  EditType->setText(QString::number(s.MoteursType));
  ComboMode->setCurrentIndex(s.MoteursMode < kDriverModes.size() ? s.MoteursMode : 0);
  travelExact_ = s.MoteursMeca / 100.0;
  travelShown_ = Q(FormatFixed(travelExact_, 2));
  EditDemult->setText(travelShown_);
  EditVitesseS->setText(Q(FormatFixed(s.LastSpeedSearch, 2)));
  filling_ = false;
}

void WizardPage::FormShow() {
  ShowComputer();
  FillInputs();
  RecalculateFeed();
  changed_ = false;
  ResultAppliquer->setEnabled(false);
  AssistantRestaurer->setEnabled(false);
}

FeedInputs WizardPage::ReadInputs() const {
  FeedInputs in;
  in.motorSteps = EditNumber(EditType);
  in.mode = ComboMode->currentIndex();
  in.travel = EditDemult->text() == travelShown_ ? travelExact_ : EditNumber(EditDemult);
  in.speed = EditNumber(EditVitesseS);
  return in;
}

WizardValues WizardPage::Values() const {
  return WizardValuesOf(orvane::RecalculateFeed(ReadInputs()));
}

void WizardPage::InputChanged() {
  if (filling_) return;
  changed_ = true;
  AssistantRestaurer->setEnabled(true);
  ResultAppliquer->setEnabled(orvane::RecalculateFeed(ReadInputs()).refusal.empty());
}

void WizardPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RecalculateFeed();
}

void WizardPage::RecalculateFeed() {
  result_ = orvane::RecalculateFeed(ReadInputs());
  ShowResult(result_);
}

void WizardPage::ShowResult(const FeedResult& result) {
  const FeedTexts texts = FormatFeed(result);
  filling_ = true;
  EditType->setText(Q(texts.motorSteps));
  travelExact_ = result.travel;
  travelShown_ = Q(texts.travel);
  EditDemult->setText(travelShown_);
  EditVitesseS->setText(Q(texts.speed));
  filling_ = false;
  EditRapport->setText(Q(texts.ratio));
  EditResolution->setText(Q(texts.resolution));
  EditDelai->setText(Q(texts.period));
  EditVmaxAdmiseS->setText(Q(texts.maxSpeed));
  QFont font = LabelDelai->font();
  font.setBold(result.tooFast);
  LabelDelai->setFont(font);
  LabelDelai->setStyleSheet(result.tooFast ? QStringLiteral("color: red;") : QString());
  EditDelai->setStyleSheet(result.tooFast ? QStringLiteral("background-color: red;")
                                          : QStringLiteral("background-color: rgb(0, 200, 0);"));
  LabelRefus->setText(
      result.refusal.empty() ? QString() : QStringLiteral("Non applicable : ") + Q(result.refusal));
  ResultAppliquer->setEnabled(changed_ && result.refusal.empty());
}

void WizardPage::ResultAppliquerClick() {
  RecalculateFeed();
  const std::optional<FeedApplication> application = ApplyFeedResult(result_);
  if (!application) return;
  ResultAppliquer->setEnabled(false);
  AssistantRestaurer->setEnabled(false);
  changed_ = false;
  if (applyToMotors_) applyToMotors_(*application);
}

void WizardPage::AssistantRestaurerClick() {
  SettingsProblems problems;
  ReadWizardSettings(*context_.store, context_.settings, problems);
  if (!problems.empty()) {
    context_.messages->Show(MessageKind::Error, DescribeSettingsProblems(problems));
  }
  FormShow();
}

void WizardPage::ActualiserClick() {
  Actualiser->setEnabled(false);
  if (context_.host) context_.startup.CpuClockGHz = context_.host->MeasureCpuClockGHz();
  LabelFrequence->setText(Q(FormatFixed(context_.startup.CpuClockGHz, 3)) + QStringLiteral(" GHz"));
  Actualiser->setEnabled(true);
}

void WizardPage::SetTravel(double travel) {
  travelExact_ = travel;
  travelShown_ = Q(FormatFixed(travel, 2));
  filling_ = true;
  EditDemult->setText(travelShown_);
  filling_ = false;
  InputChanged();
  RecalculateFeed();
}

void WizardPage::DemultiplicationClick() {
  if (const std::optional<double> travel = Assistant->Run()) SetTravel(*travel);
}

}  // namespace orvane::ui
