#include "ui/shapes/fiche_creation.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/common/text_number.h"
#include "ui/project/fiche_import.h"
#include "ui/shapes/number_validator.h"
#include "ui/shapes/shape_preview.h"

namespace orvane::ui {

TFormCreation::TFormCreation(TFormImport* project) : QDialog(project), project_(project) {
  setWindowTitle(QStringLiteral("Orvane - Nouvelle forme"));
  GroupBox1 = new QGroupBox(this);
  auto* grid = new QVBoxLayout(GroupBox1);
  Valider = new QPushButton(QStringLiteral("Valider"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  auto addField = [&](const char* caption, QLineEdit*& edit, unsigned bit,
                      double ShapeValues::*value, QLabel** labelOut = nullptr) {
    auto* row = new QWidget(GroupBox1);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QString::fromUtf8(caption), row);
    label->setMinimumWidth(90);
    edit = new QLineEdit(row);
    edit->setFixedWidth(110);
    MakeNumberEdit(edit, {}, Valider);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(new QLabel(QStringLiteral("mm"), row));
    auto* note = new QLabel(row);
    note->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    layout->addWidget(note);
    layout->addStretch();
    grid->addWidget(row);
    fields_.push_back({edit, row, bit, value, note});
    if (labelOut) *labelOut = label;
    QLineEdit* self = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, self] { EditLargeurExit(self); });
  };
  addField("Largeur", EditLargeur, kLargeur, &ShapeValues::largeur);
  addField("Largeur 2", EditLargeur2, kLargeur2, &ShapeValues::largeur2);
  addField("Hauteur", EditHauteur, kHauteur, &ShapeValues::hauteur);
  addField("Chanfrein", EditChanfrein, kChanfrein, &ShapeValues::chanfrein, &LabelChanfrein);
  addField("Rayon", EditRayon, kRayon, &ShapeValues::rayon);
  addField("Rayon 2", EditRayon2, kRayon2, &ShapeValues::rayon2);

  cotesRow_ = new QWidget(GroupBox1);
  auto* cotes = new QHBoxLayout(cotesRow_);
  cotes->setContentsMargins(0, 0, 0, 0);
  auto* cotesLabel = new QLabel(QStringLiteral("Côtés"), cotesRow_);
  cotesLabel->setMinimumWidth(90);
  UpDown1 = new QSpinBox(cotesRow_);
  UpDown1->setFixedWidth(110);
  cotes->addWidget(cotesLabel);
  cotes->addWidget(UpDown1);
  cotes->addStretch();
  grid->addWidget(cotesRow_);
  revolutionRow_ = new QWidget(GroupBox1);
  auto* revolution = new QHBoxLayout(revolutionRow_);
  revolution->setContentsMargins(0, 0, 0, 0);
  auto* revolutionLabel = new QLabel(QStringLiteral("Révolution"), revolutionRow_);
  revolutionLabel->setMinimumWidth(90);
  UpDown2 = new QSpinBox(revolutionRow_);
  UpDown2->setFixedWidth(110);
  UpDown2->setSingleStep(5);
  revolution->addWidget(revolutionLabel);
  revolution->addWidget(UpDown2);
  revolution->addWidget(new QLabel(QStringLiteral("degrés"), revolutionRow_));
  revolution->addStretch();
  grid->addWidget(revolutionRow_);
  grid->addStretch();

  Apercu1 = new QCheckBox(QStringLiteral("Aperçu"), this);
  Apercu1->setChecked(true);
  Preview = new ShapePreview(this);
  auto* left = new QVBoxLayout;
  left->addWidget(GroupBox1, 1);
  left->addWidget(Apercu1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Valider);
  buttons->addWidget(Annuler);
  left->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(Preview, 1);
  Valider->setDefault(true);

  connect(UpDown1, &QSpinBox::valueChanged, this, [this](int v) { UpDown1Click(v); });
  connect(UpDown2, &QSpinBox::valueChanged, this, [this](int v) { UpDown2Click(v); });
  connect(Apercu1, &QCheckBox::clicked, this, [this](bool on) { Apercu1Click(on); });
  connect(Valider, &QPushButton::clicked, this, [this] { ValiderClick(true); });
  connect(Annuler, &QPushButton::clicked, this, [this] { AnnulerClick(); });
}

bool TFormCreation::Run(int code) {
  code_ = ShapeOf(code).code;
  FormShow();
  return exec() == QDialog::Accepted;
}

void TFormCreation::FormShow() {
  const ShapeDefinition& definition = ShapeOf(code_);
  GroupBox1->setTitle(
      QString::fromUtf8(definition.groupTitle.data(), definition.groupTitle.size()));
  LabelChanfrein->setText(code_ == kTrapezeIrregulier ? QStringLiteral("Décalage")
                                                      : QStringLiteral("Chanfrein"));
  for (const Field& field : fields_) {
    const bool shown = definition.fields & field.bit;
    field.note->clear();
    field.row->setVisible(shown);
    if (shown) {
      WriteField(field, definition.defaults.*field.value);
    } else {
      field.edit->clear();
    }
  }
  cotesRow_->setVisible(definition.fields & kCotes);
  revolutionRow_->setVisible(definition.fields & kRevolution);
  {
    const QSignalBlocker block1(UpDown1), block2(UpDown2);
    UpDown1->setRange(definition.cotesMin, definition.cotesMax);
    UpDown1->setValue(definition.defaults.cotes);
    UpDown2->setRange(std::max(definition.revolutionMin, 5), std::max(definition.revolutionMax, 5));
    UpDown2->setValue(definition.defaults.revolution);
  }
  previousCotes_ = definition.defaults.cotes;
  accepted_ = Values();
  Apercu1->setChecked(true);
  saved_ = project_->Profile1;
  Generate();
  const Field& first = *std::find_if(fields_.begin(), fields_.end(), [&definition](const Field& f) {
    return definition.fields & f.bit;
  });
  first.edit->setFocus();
  first.edit->selectAll();
}

ShapeValues TFormCreation::Values() const {
  const ShapeDefinition& definition = ShapeOf(code_);
  ShapeValues v;
  for (const Field& field : fields_) v.*field.value = EditNumber(field.edit);
  v.cotes = (definition.fields & kCotes) ? UpDown1->value() : definition.defaults.cotes;
  v.revolution =
      (definition.fields & kRevolution) ? UpDown2->value() : definition.defaults.revolution;
  return v;
}

void TFormCreation::WriteField(const Field& field, double value) {
  field.edit->setText(QString::fromStdString(FormatFixed(value, project_->Decimals())));
}

void TFormCreation::EditLargeurExit(QLineEdit* edit) {
  const ShapeDefinition& definition = ShapeOf(code_);
  const ShapeValues before = Values();
  const CheckedShape checked = CheckShapeValues(code_, before, accepted_, project_->Decimals());
  for (const Field& field : fields_) {
    if (!(definition.fields & field.bit)) continue;
    if (field.edit == edit || checked.values.*field.value != before.*field.value) {
      WriteField(field, checked.values.*field.value);
    }
    QString why;
    for (const ShapeNote& note : checked.notes) {
      if (note.field == field.bit) why = QString::fromStdString(note.reason);
    }
    field.note->setText(why);
  }
  accepted_ = Values();
  if (Apercu1->isChecked()) Generate();
}

void TFormCreation::UpDown1Click(int value) {
  if (code_ == kArche) {
    value = AdjustArchSides(previousCotes_, value, UpDown2->value());
    const QSignalBlocker block(UpDown1);
    UpDown1->setValue(value);
  }
  previousCotes_ = UpDown1->value();
  if (Apercu1->isChecked()) Generate();
}

void TFormCreation::UpDown2Click(int) {
  if (code_ == kArche) {
    const QSignalBlocker block(UpDown1);
    UpDown1->setValue(ShapeOf(kArche).defaults.cotes);
    previousCotes_ = UpDown1->value();
  }
  if (Apercu1->isChecked()) Generate();
}

void TFormCreation::Apercu1Click(bool checked) {
  if (checked) {
    saved_ = project_->Profile1;
    Generate();
  } else {
    project_->RestoreProfile1(saved_);
    Preview->Show(&project_->Profile1.adjusted, {});
  }
}

void TFormCreation::Generate() {
  const ShapeDefinition& definition = ShapeOf(code_);
  const ShapeValues values = Values();
  auto rows = GenerateShape(code_, values);
  if (!rows) return;
  project_->ShowGeneratedProfile(std::move(*rows), std::string(definition.profileName));
  Preview->Show(&project_->Profile1.adjusted,
                ShapeAnnotations(code_, values, project_->Decimals()));
}

void TFormCreation::ValiderClick(bool finish) {
  Generate();
  if (!finish || !project_->Profile1.Present()) return;
  const ShapeDefinition& definition = ShapeOf(code_);
  project_->CommitGenerated(std::string(definition.historyLabel), true);
  accept();
}

void TFormCreation::AnnulerClick() {
  project_->RestoreProfile1(saved_);
  QDialog::reject();
}

}  // namespace orvane::ui
