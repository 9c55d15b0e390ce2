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
  auto addField = [&](const char* caption, QLineEdit*& edit, double GrooveValues::*value,
                      QLabel** labelOut = nullptr) {
    auto* label = new QLabel(QString::fromUtf8(caption), sizes);
    edit = new QLineEdit(sizes);
    edit->setFixedWidth(110);
    MakeNumberEdit(edit, {}, Valider);
    auto* note = new QLabel(sizes);
    note->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("mm"), sizes), row, 2);
    grid->addWidget(note, row, 3);
    fields_.push_back({edit, value, note});
    ++row;
    if (labelOut) *labelOut = label;
    QLineEdit* self = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, self] { EditLargeurExit(self); });
  };
  addField("Largeur", EditLargeur, &GrooveValues::largeur);
  addField("Hauteur", EditHauteur, &GrooveValues::hauteur, &LabelHauteur);
  addField("Profondeur totale", EditProfondeur, &GrooveValues::profondeur);
  addField("Trait de coupe", EditTrait, &GrooveValues::trait);
  addField("Dégagement en sortie", EditFuite, &GrooveValues::fuite);

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
  for (auto [edit, value] : fields) edit->setText(QString::fromStdString(FormatFixed(value, d)));
  for (const Field& field : fields_) field.note->clear();
  accepted_ = Values();
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
  const CheckedGroove checked = CheckGrooveValues(Model(), before, accepted_, d);
  for (const Field& field : fields_) {
    const double now = checked.values.*field.value;
    if (field.edit == edit || now != before.*field.value) {
      field.edit->setText(QString::fromStdString(FormatFixed(now, d)));
    }
    QString why;
    for (const auto& note : checked.notes) {
      if (note.field == field.value) why = QString::fromStdString(note.reason);
    }
    field.note->setText(why);
  }
  // A path that would cross itself is not taken: the last accepted sizes are back.
  Probleme->setText(QString::fromStdString(checked.problem));
  accepted_ = checked.values;
  if (checked.problem.empty() && Apercu1->isChecked()) Generate();
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
