#include "ui/shapes/fiche_rainures.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/common/text_number.h"
#include "ui/project/fiche_import.h"
#include "ui/shapes/number_validator.h"
#include "ui/shapes/shape_preview.h"

namespace orvane::ui {

TFormRainures::TFormRainures(TFormImport* project) : QDialog(project), project_(project) {
  setWindowTitle(QStringLiteral("Orvane - Nouvelle forme : rainure"));
  Valider = new QPushButton(QStringLiteral("Valider"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  auto* models = new QGroupBox(this);
  auto* modelsLayout = new QGridLayout(models);
  Modele1 = new QRadioButton(QStringLiteral("Ouverte rectangulaire"), models);
  Modele2 = new QRadioButton(QStringLiteral("Ouverte ronde"), models);
  Modele3 = new QRadioButton(QStringLiteral("Fermée rectangulaire"), models);
  Modele4 = new QRadioButton(QStringLiteral("Fermée ronde"), models);
  modelsLayout->addWidget(Modele1, 0, 0);
  modelsLayout->addWidget(Modele2, 0, 1);
  modelsLayout->addWidget(Modele3, 1, 0);
  modelsLayout->addWidget(Modele4, 1, 1);
  Modele1->setChecked(true);
  for (QRadioButton* model : {Modele1, Modele2, Modele3, Modele4}) {
    connect(model, &QRadioButton::clicked, this, [this, model] { ModelClick(model); });
  }

  auto* sizes = new QGroupBox(this);
  auto* grid = new QGridLayout(sizes);
  int row = 0;
  auto addField = [&](const char* caption, QLineEdit*& edit, QLabel** labelOut = nullptr) {
    auto* label = new QLabel(QString::fromUtf8(caption), sizes);
    edit = new QLineEdit(sizes);
    edit->setFixedWidth(110);
    MakeNumberEdit(edit, {}, Valider);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("mm"), sizes), row, 2);
    ++row;
    if (labelOut) *labelOut = label;
    QLineEdit* self = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, self] { EditLargeurExit(self); });
  };
  addField("Largeur", EditLargeur);
  addField("Hauteur", EditHauteur, &LabelHauteur);
  addField("Profondeur totale", EditProfondeur);
  addField("Trait de coupe", EditTrait);
  addField("Dégagement en sortie", EditFuite);

  Probleme = new QLabel(this);
  Probleme->setWordWrap(true);
  Probleme->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
  Apercu1 = new QCheckBox(QStringLiteral("Aperçu"), this);
  Apercu1->setChecked(true);
  Preview = new ShapePreview(this);
  auto* left = new QVBoxLayout;
  left->addWidget(models);
  left->addWidget(sizes);
  left->addWidget(Probleme);
  left->addStretch();
  left->addWidget(Apercu1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Valider);
  buttons->addWidget(Annuler);
  left->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(Preview, 1);
  Valider->setDefault(true);

  connect(Apercu1, &QCheckBox::clicked, this, [this](bool on) { Apercu1Click(on); });
  connect(Valider, &QPushButton::clicked, this, [this] { ValiderClick(true); });
  connect(Annuler, &QPushButton::clicked, this, [this] { AnnulerClick(); });
}

bool TFormRainures::Run() {
  FormShow();
  return exec() == QDialog::Accepted;
}

void TFormRainures::FormShow() {
  const int d = project_->Decimals();
  const GrooveValues defaults;
  const std::pair<QLineEdit*, double> fields[] = {{EditLargeur, defaults.largeur},
                                                  {EditHauteur, defaults.hauteur},
                                                  {EditProfondeur, defaults.profondeur},
                                                  {EditTrait, defaults.trait},
                                                  {EditFuite, defaults.fuite}};
  accepted_.clear();
  for (auto [edit, value] : fields) {
    edit->setText(QString::fromStdString(FormatFixed(value, d)));
    accepted_.push_back({edit, edit->text()});
  }
  Probleme->clear();
  Apercu1->setChecked(true);
  saved_ = project_->Profile1;
  acceptedModel_ = Model() == 1   ? Modele1
                   : Model() == 2 ? Modele2
                   : Model() == 3 ? Modele3
                                  : Modele4;
  ModelClick(acceptedModel_);
  EditLargeur->setFocus();
  EditLargeur->selectAll();
}

int TFormRainures::Model() const {
  return Modele2->isChecked() ? 2 : Modele3->isChecked() ? 3 : Modele4->isChecked() ? 4 : 1;
}

GrooveValues TFormRainures::Values() const {
  return {EditNumber(EditLargeur), EditNumber(EditHauteur), EditNumber(EditProfondeur),
          EditNumber(EditTrait), EditNumber(EditFuite)};
}

void TFormRainures::ModelClick(QRadioButton* model) {
  model->setChecked(true);
  const std::string problem = GrooveProblem(Model(), Values());
  if (!problem.empty()) {
    // These sizes do not suit that model: it stays as it was.
    Probleme->setText(QString::fromStdString(problem));
    acceptedModel_->setChecked(true);
    return;
  }
  acceptedModel_ = model;
  const bool closedRectangular = Model() == 3;
  LabelHauteur->setEnabled(closedRectangular);
  EditHauteur->setEnabled(closedRectangular);
  Probleme->clear();
  if (Apercu1->isChecked()) ValiderClick(false);
}

void TFormRainures::EditLargeurExit(QLineEdit* edit) {
  const int d = project_->Decimals();
  const GrooveValues before = Values();
  const GrooveValues after = ReplaceZeroGroove(before);
  const std::tuple<QLineEdit*, double, double> fields[] = {
      {EditLargeur, before.largeur, after.largeur},
      {EditHauteur, before.hauteur, after.hauteur},
      {EditProfondeur, before.profondeur, after.profondeur},
      {EditTrait, before.trait, after.trait},
      {EditFuite, before.fuite, after.fuite}};
  for (auto [field, was, now] : fields) {
    if (field == edit || was != now) field->setText(QString::fromStdString(FormatFixed(now, d)));
  }
  const std::string problem = GrooveProblem(Model(), Values());
  if (!problem.empty()) {
    // A path that would cross itself is not taken: back to the last accepted sizes.
    for (auto& [field, text] : accepted_) field->setText(text);
    Probleme->setText(QString::fromStdString(problem));
    return;
  }
  Probleme->clear();
  for (auto& [field, text] : accepted_) text = field->text();
  if (Apercu1->isChecked()) Generate();
}

bool TFormRainures::Generate() {
  auto rows = GenerateGroove(Model(), Values());
  if (!rows) return false;
  project_->ShowGeneratedProfile(std::move(*rows), "rainure");
  Preview->Show(&project_->Profile1.adjusted, {});
  return true;
}

void TFormRainures::ValiderClick(bool finish) {
  if (!Generate() || !finish) return;
  project_->CommitGenerated("Créer rainure", true);
  accept();
}

void TFormRainures::Apercu1Click(bool checked) {
  if (checked) {
    saved_ = project_->Profile1;
    Generate();
  } else {
    project_->RestoreProfile1(saved_);
    Preview->Show(&project_->Profile1.adjusted, {});
  }
}

void TFormRainures::AnnulerClick() {
  project_->RestoreProfile1(saved_);
  QDialog::reject();
}

}  // namespace orvane::ui
