#include "ui/cut/fiche_export_gcode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/app/host_services.h"

namespace orvane::ui {

TFormExportGcode::TFormExportGcode(MessageService* messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  setWindowTitle(QStringLiteral("Orvane - Exporter le G-code"));
  Axes = new QComboBox(this);
  Axes->setEditable(true);
  Axes->addItems({QStringLiteral("XYZA"), QStringLiteral("XYUV"), QStringLiteral("XYAB")});
  Axes->setToolTip(
      QStringLiteral("XYZA : contrôleurs GRBL ; XYUV : LinuxCNC ; XYAB : fichiers "
                     ".ovg ; ou quatre lettres distinctes parmi XYZABCUVW"));
  AvanceG93 = new QRadioButton(QStringLiteral("Temps inverse (G93)"), this);
  AvanceG94 = new QRadioButton(QStringLiteral("Millimètres par minute (G94)"), this);
  Chauffe = new QCheckBox(QStringLiteral("Chauffe par la sortie broche (M3 S... / M5)"), this);
  Puissance = new QSpinBox(this);
  SMax = new QSpinBox(this);
  // Neither bounds the other while a number is typed (the first digit of a
  // new SMax would clamp the power): "Exporter" refuses a power above SMax.
  SMax->setRange(1, 1000000);
  Puissance->setRange(0, 1000000);
  connect(Chauffe, &QCheckBox::toggled, Puissance, &QWidget::setEnabled);
  Exporter = new QPushButton(QStringLiteral("Exporter"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  Exporter->setDefault(true);
  connect(Exporter, &QPushButton::clicked, this, [this] { ExporterClick(); });
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Lettres des axes X1 Y1 X2 Y2 :"), Axes);
  auto* feed = new QGroupBox(QStringLiteral("Avance"), this);
  auto* feedLayout = new QVBoxLayout(feed);
  feedLayout->addWidget(AvanceG93);
  feedLayout->addWidget(AvanceG94);
  auto* heat = new QGroupBox(QStringLiteral("Chauffe"), this);
  auto* heatLayout = new QFormLayout(heat);
  heatLayout->addRow(Chauffe);
  heatLayout->addRow(QStringLiteral("Puissance S :"), Puissance);
  heatLayout->addRow(QStringLiteral("SMax :"), SMax);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Exporter);
  buttons->addWidget(Annuler);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(feed);
  layout->addWidget(heat);
  layout->addLayout(buttons);
}

std::optional<GcodeDialect> TFormExportGcode::Run(const GcodeDialect& initial) {
  Axes->setCurrentText(QString::fromStdString(initial.axes));
  (initial.feed == GcodeFeedMode::InverseTime ? AvanceG93 : AvanceG94)->setChecked(true);
  SMax->setValue(initial.sMax);
  Puissance->setValue(initial.power);
  Chauffe->setChecked(initial.heat);
  Puissance->setEnabled(initial.heat);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return chosen_;
}

GcodeDialect TFormExportGcode::Choices() const {
  GcodeDialect d;
  d.axes = Axes->currentText().trimmed().toStdString();
  d.feed = AvanceG93->isChecked() ? GcodeFeedMode::InverseTime : GcodeFeedMode::UnitsPerMinute;
  d.heat = Chauffe->isChecked();
  d.power = Puissance->value();
  d.sMax = SMax->value();
  return d;
}

void TFormExportGcode::ExporterClick() {
  GcodeDialect d = Choices();
  std::string error;
  const std::string letters = ParseAxisLetters(d.axes, &error);
  if (letters.empty() || !(error = CheckGcodeDialect(d)).empty()) {
    // The dialog stays open with what was typed.
    messages_->Show(MessageKind::Error, error);
    return;
  }
  d.axes = letters;
  chosen_ = d;
  accept();
}

}  // namespace orvane::ui
