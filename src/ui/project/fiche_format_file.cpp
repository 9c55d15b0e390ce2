#include "ui/project/fiche_format_file.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orvane::ui {

TFormFormatFile::TFormFormatFile(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane"));
  CheckBox1 = new QCheckBox(QStringLiteral("Première ligne en commentaire"), this);
  EditComment = new QLineEdit(this);
  auto* group = new QGroupBox(QStringLiteral("Séparateur de coordonnées"), this);
  Tabulation = new QRadioButton(QStringLiteral("Tabulation"), group);
  Espace = new QRadioButton(QStringLiteral("Espace"), group);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(Tabulation);
  groupLayout->addWidget(Espace);
  auto* valider = new QPushButton(QStringLiteral("Valider"), this);
  auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(valider);
  buttons->addWidget(annuler);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CheckBox1);
  layout->addWidget(EditComment);
  layout->addWidget(group);
  layout->addLayout(buttons);
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
    EditComment->clear();
    EditComment->setEnabled(on);
  });
  connect(valider, &QPushButton::clicked, this, &QDialog::accept);
  connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
}

// The caption is the same for both profiles.
bool TFormFormatFile::Run([[maybe_unused]] int profile) {
  CheckBox1->setChecked(false);
  EditComment->clear();
  EditComment->setEnabled(false);
  Tabulation->setChecked(true);
  return exec() == QDialog::Accepted;
}

std::string TFormFormatFile::Comment() const {
  return CheckBox1->isChecked() ? EditComment->text().toStdString() : std::string();
}

DatSeparator TFormFormatFile::Separator() const {
  return Espace->isChecked() ? DatSeparator::Space : DatSeparator::Tab;
}

}  // namespace orvane::ui
