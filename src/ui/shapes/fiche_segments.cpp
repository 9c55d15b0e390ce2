#include "ui/shapes/fiche_segments.h"

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

TFormSegment::TFormSegment(TFormImport* project) : QDialog(project), project_(project) {
  setWindowTitle(QStringLiteral("Orvane - Nouvelle forme : segment"));
  Valider = new QPushButton(QStringLiteral("Valider"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);

  auto* form = new QGroupBox(this);
  auto* formLayout = new QHBoxLayout(form);
  Modele1 = new QRadioButton(QStringLiteral("Polaire"), form);
  Modele2 = new QRadioButton(QStringLiteral("Rectangulaire"), form);
  Modele1->setChecked(true);
  formLayout->addWidget(Modele1);
  formLayout->addWidget(Modele2);

  // The four directions around a cross, as on the diagram.
  auto* compass = new QWidget(this);
  auto* cross = new QGridLayout(compass);
  LabelA = new QLabel(compass);
  LabelB = new QLabel(compass);
  LabelC = new QLabel(compass);
  LabelD = new QLabel(compass);
  auto* centre = new QLabel(QStringLiteral("✛"), compass);
  cross->addWidget(LabelB, 0, 1, Qt::AlignCenter);
  cross->addWidget(LabelC, 1, 0, Qt::AlignRight);
  cross->addWidget(centre, 1, 1, Qt::AlignCenter);
  cross->addWidget(LabelA, 1, 2, Qt::AlignLeft);
  cross->addWidget(LabelD, 2, 1, Qt::AlignCenter);

  auto* sizes = new QGroupBox(this);
  auto* grid = new QGridLayout(sizes);
  int row = 0;
  auto addField = [&](const char* caption, const char* unit, QLineEdit*& edit,
                      double SegmentValues::*value, NumberTextRule rule) {
    edit = new QLineEdit(sizes);
    edit->setFixedWidth(110);
    MakeNumberEdit(edit, rule, Valider);
    auto* note = new QLabel(sizes);
    note->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    grid->addWidget(new QLabel(QString::fromUtf8(caption), sizes), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(unit), sizes), row, 2);
    grid->addWidget(note, row, 3);
    fields_.push_back({edit, value, note});
    ++row;
    QLineEdit* self = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, self] { EditExit(self); });
  };
  addField("Longueur", "mm", EditLongueur, &SegmentValues::longueur, {});
  addField("Angle", "degrés", EditAngle, &SegmentValues::angle, {});
  addField("Largeur", "mm", EditLargeur, &SegmentValues::largeur, {true, true, 0});
  addField("Hauteur", "mm", EditHauteur, &SegmentValues::hauteur, {true, true, 0});

  auto* mode = new QGroupBox(QStringLiteral(" Trajectoire "), this);
  auto* modeLayout = new QVBoxLayout(mode);
  AllerSimple = new QRadioButton(QStringLiteral("Aller simple"), mode);
  AllerRetour = new QRadioButton(QStringLiteral("Aller et retour"), mode);
  AllerSimple->setChecked(true);
  modeLayout->addWidget(AllerSimple);
  modeLayout->addWidget(AllerRetour);
  Ajouter = new QCheckBox(QStringLiteral("Ajouter au dessin en cours"), this);
  Apercu1 = new QCheckBox(QStringLiteral("Aperçu"), this);
  Probleme = new QLabel(this);
  Probleme->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
  Preview = new ShapePreview(this);

  auto* left = new QVBoxLayout;
  left->addWidget(form);
  left->addWidget(compass);
  left->addWidget(sizes);
  left->addWidget(mode);
  left->addWidget(Ajouter);
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

  connect(Modele1, &QRadioButton::clicked, this, [this] { Modele1Click(); });
  connect(Modele2, &QRadioButton::clicked, this, [this] { Modele2Click(); });
  for (QRadioButton* b : {AllerSimple, AllerRetour}) {
    connect(b, &QRadioButton::clicked, this, [this] { ValiderClick(false); });
  }
  connect(Ajouter, &QCheckBox::clicked, this, [this] { ValiderClick(false); });
  connect(Apercu1, &QCheckBox::clicked, this, [this](bool on) { Apercu1Click(on); });
  connect(Valider, &QPushButton::clicked, this, [this] { ValiderClick(true); });
  connect(Annuler, &QPushButton::clicked, this, [this] { AnnulerClick(); });
}

bool TFormSegment::Run() {
  FormShow();
  return exec() == QDialog::Accepted;
}

void TFormSegment::FormShow() {
  const int d = project_->Decimals();
  const SegmentValues defaults;
  EditLongueur->setText(QString::fromStdString(FormatFixed(defaults.longueur, d)));
  EditAngle->setText(QString::fromStdString(FormatFixed(defaults.angle, 1)));
  EditLargeur->setText(QString::fromStdString(FormatFixed(defaults.largeur, d)));
  EditHauteur->setText(QString::fromStdString(FormatFixed(defaults.hauteur, d)));
  Apercu1->setChecked(true);
  // Appending is asked for each time, never left over from the last use.
  Ajouter->setChecked(false);
  Probleme->clear();
  for (const Field& field : fields_) field.note->clear();
  saved_ = project_->Profile1;
  accepted_ = Values();
  ApplyForm();
  Generate();
}

void TFormSegment::ApplyForm() {
  const bool polar = Modele1->isChecked();
  LabelA->setText(polar ? QStringLiteral("0°") : QStringLiteral("+ X"));
  LabelB->setText(polar ? QStringLiteral("90°") : QStringLiteral("+ Y"));
  LabelC->setText(polar ? QStringLiteral("180°") : QStringLiteral("- X"));
  LabelD->setText(polar ? QStringLiteral("270°") : QStringLiteral("- Y"));
  EditLongueur->setEnabled(polar);
  EditAngle->setEnabled(polar);
  EditLargeur->setEnabled(!polar);
  EditHauteur->setEnabled(!polar);
}

void TFormSegment::Modele1Click() {
  ApplyForm();
  ValiderClick(false);
}

void TFormSegment::Modele2Click() {
  ApplyForm();
  ValiderClick(false);
}

SegmentValues TFormSegment::Values() const {
  SegmentValues v;
  v.polar = Modele1->isChecked();
  v.longueur = EditNumber(EditLongueur);
  v.angle = EditNumber(EditAngle);
  v.largeur = EditNumber(EditLargeur);
  v.hauteur = EditNumber(EditHauteur);
  v.roundTrip = AllerRetour->isChecked();
  v.append = Ajouter->isChecked();
  return v;
}

void TFormSegment::EditExit(QLineEdit* edit) {
  const int d = project_->Decimals();
  const SegmentValues before = Values();
  const CheckedSegment checked = CheckSegmentValues(before, accepted_, saved_.raw, d);
  for (const Field& field : fields_) {
    const double now = checked.values.*field.value;
    if (field.edit == edit || now != before.*field.value) {
      const int shown = field.edit == EditAngle ? 1 : d;
      field.edit->setText(QString::fromStdString(FormatFixed(now, shown)));
    }
    QString why;
    for (const auto& note : checked.notes) {
      if (note.field == field.value) why = QString::fromStdString(note.reason);
    }
    field.note->setText(why);
  }
  accepted_ = Values();
  if (Apercu1->isChecked()) Generate();
}

void TFormSegment::Generate() {
  const SegmentValues v = Values();
  const bool append = v.append && saved_.Present();
  PointRows rows = GenerateSegment(saved_.raw, v);
  project_->ShowGeneratedProfile(std::move(rows), append ? saved_.fileName : "segment");
  Preview->Show(&project_->Profile1.adjusted, {});
}

void TFormSegment::ValiderClick(bool finish) {
  Generate();
  if (!finish) return;
  if (!project_->Profile1.Present()) {
    Probleme->setText(QStringLiteral("Segment de longueur nulle : rien à créer."));
    return;
  }
  const bool append = Ajouter->isChecked();
  // A new segment replaces the project: unsaved work is not dropped unasked.
  if (!append && !project_->AskAbandon()) return;
  project_->CommitGenerated(append ? "Ajouter segment" : "Créer segment", !append);
  accept();
}

void TFormSegment::Apercu1Click(bool checked) {
  if (checked) {
    saved_ = project_->Profile1;
    Generate();
  } else {
    project_->RestoreProfile1(saved_);
    Preview->Show(&project_->Profile1.adjusted, {});
  }
}

void TFormSegment::AnnulerClick() {
  project_->RestoreProfile1(saved_);
  QDialog::reject();
}

}  // namespace orvane::ui
