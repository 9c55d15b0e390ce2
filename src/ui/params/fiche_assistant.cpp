#include "ui/params/fiche_assistant.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/common/text_number.h"
#include "ui/shapes/number_validator.h"

namespace orvane::ui {

// A sketch of the chosen mechanics: the motor, its gear stages, and the
// screw or the belt that moves the carriage.
class MechanicsPicture : public QWidget {
 public:
  explicit MechanicsPicture(QWidget* parent) : QWidget(parent) { setFixedSize(300, 150); }
  void Show(Mechanics mechanics) {
    mechanics_ = mechanics;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(Qt::black, 1.5));
    // The motor, its shaft at height 50.
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(10, 30, 40, 40);
    p.drawText(QRect(10, 72, 40, 16), Qt::AlignCenter, QStringLiteral("M"));
    // Each stage: a pinion on the driving shaft meshing with a crown below
    // it, whose shaft drives the next element.
    double x = 56;
    double axisY = 50;
    p.drawLine(QPointF(50, axisY), QPointF(x, axisY));
    for (int stage = 0; stage < GearStages(mechanics_); ++stage) {
      p.drawLine(QPointF(x, axisY), QPointF(x + 20, axisY));
      p.setBrush(QColor(120, 160, 220));
      p.drawEllipse(QPointF(x + 20, axisY), 10, 10);
      p.setBrush(QColor(200, 220, 250));
      p.drawEllipse(QPointF(x + 20, axisY + 32), 22, 22);
      axisY += 32;
      x += 20;
    }
    p.setBrush(Qt::NoBrush);
    if (IsRadial(mechanics_)) {
      // Driving pulley, belt and return pulley; the carriage rides the belt.
      p.setBrush(QColor(230, 200, 120));
      p.drawEllipse(QPointF(x + 16, axisY), 16, 16);
      p.drawEllipse(QPointF(280, axisY), 12, 12);
      p.drawLine(QPointF(x + 16, axisY - 16), QPointF(280, axisY - 12));
      p.drawLine(QPointF(x + 16, axisY + 16), QPointF(280, axisY + 12));
      p.setBrush(QColor(90, 170, 90));
      p.drawRect(QRectF((x + 296) / 2 - 18, axisY - 30, 36, 16));
    } else {
      // The screw and its nut.
      p.drawLine(QPointF(x, axisY), QPointF(290, axisY));
      for (double t = x + 4; t < 286; t += 8) {
        p.drawLine(QPointF(t, axisY - 6), QPointF(t + 4, axisY + 6));
      }
      p.setBrush(QColor(90, 170, 90));
      p.drawRect(QRectF((x + 290) / 2 - 18, axisY - 12, 36, 24));
    }
  }

 private:
  Mechanics mechanics_ = Mechanics::AxialDirect;
};

TFormAssistant::TFormAssistant(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane - Calcul de l'avancement"));
  BuildControls();
  SelectMechanics(Mechanics::AxialDirect);
}

QGroupBox* TFormAssistant::BuildGroup(bool radial) {
  auto* group = new QGroupBox(QStringLiteral(" Caractéristiques "), this);
  auto* grid = new QGridLayout(group);
  auto count = [group] {
    auto* edit = new QLineEdit(group);
    MakeNumberEdit(edit, {.point = false, .minus = false, .maxLength = 3});
    edit->setFixedWidth(70);
    return edit;
  };
  auto pitch = [group] {
    auto* edit = new QLineEdit(group);
    MakeNumberEdit(edit, {.point = true, .minus = false, .maxLength = 6});
    edit->setFixedWidth(70);
    return edit;
  };
  int row = 0;
  auto line = [&](const char* caption, QLineEdit* edit, const char* unit) {
    grid->addWidget(new QLabel(QString::fromUtf8(caption), group), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(unit), group), row, 2);
    ++row;
  };
  if (radial) {
    line("Poulie d'entrainement", EditER = count(), "dents");
    line("Pas de la courroie", EditPR = pitch(), "mm");
    line("Pignon moteur", EditMR1 = count(), "dents");
    line("Couronne", EditCR1 = count(), "dents");
    line("Pignon", EditMR2 = count(), "dents");
    line("Couronne", EditCR2 = count(), "dents");
  } else {
    line("Pas de la vis", EditPA = pitch(), "mm");
    line("Pignon moteur", EditMA1 = count(), "dents");
    line("Couronne", EditCA1 = count(), "dents");
    line("Pignon", EditMA2 = count(), "dents");
    line("Couronne", EditCA2 = count(), "dents");
  }
  grid->setRowStretch(row, 1);
  return group;
}

void TFormAssistant::BuildControls() {
  auto* mechanicsBox = new QGroupBox(QStringLiteral(" Mécanique "), this);
  auto* mechanicsLayout = new QVBoxLayout(mechanicsBox);
  auto* buttons = new QButtonGroup(this);
  for (size_t i = 0; i < Mecanique.size(); ++i) {
    const std::string_view entry = kMechanicsEntries[i];
    Mecanique[i] =
        new QRadioButton(QString::fromUtf8(entry.data(), qsizetype(entry.size())), mechanicsBox);
    buttons->addButton(Mecanique[i], int(i));
    mechanicsLayout->addWidget(Mecanique[i]);
  }
  connect(buttons, &QButtonGroup::idClicked, this,
          [this](int id) { SelectMechanics(static_cast<Mechanics>(id)); });

  GroupeAxial = BuildGroup(false);
  GroupeRadial = BuildGroup(true);
  Picture = new MechanicsPicture(this);

  Avancement = new QLineEdit(this);
  Rapport = new QLineEdit(this);
  for (QLineEdit* result : {Avancement, Rapport}) {
    result->setReadOnly(true);
    result->setFocusPolicy(Qt::NoFocus);
    result->setAlignment(Qt::AlignRight);
    result->setFixedWidth(90);
  }
  LabelRefus = new QLabel(this);
  LabelRefus->setWordWrap(true);
  LabelRefus->setStyleSheet(QStringLiteral("color: rgb(190, 0, 0);"));
  auto* results = new QGridLayout;
  results->addWidget(new QLabel(QStringLiteral("Avancement"), this), 0, 0);
  results->addWidget(Avancement, 0, 1);
  results->addWidget(new QLabel(QStringLiteral("mm/tr"), this), 0, 2);
  results->addWidget(new QLabel(QStringLiteral("Démultiplication"), this), 1, 0);
  results->addWidget(Rapport, 1, 1);
  results->addWidget(LabelRefus, 2, 0, 1, 3);

  Appliquer = new QPushButton(QStringLiteral(" Appliquer"), this);
  Annuler = new QPushButton(QStringLiteral(" Annuler"), this);
  Actualiser = new QPushButton(QStringLiteral(" Actualiser"), this);
  connect(Appliquer, &QPushButton::clicked, this, [this] { AppliquerClick(); });
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
  connect(Actualiser, &QPushButton::clicked, this, [this] { ComputeTravelPerRevolution(); });
  for (QPushButton* b : {Appliquer, Annuler, Actualiser}) b->setAutoDefault(false);

  // Enter (and any change) refreshes the results.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    if (edit == Avancement || edit == Rapport) continue;
    connect(edit, &QLineEdit::textChanged, this, [this] {
      if (!filling_) ComputeTravelPerRevolution();
    });
    connect(edit, &QLineEdit::returnPressed, this, [this] { ComputeTravelPerRevolution(); });
  }

  auto* right = new QVBoxLayout;
  right->addWidget(Picture);
  right->addWidget(GroupeAxial);
  right->addWidget(GroupeRadial);
  auto* top = new QHBoxLayout;
  top->addWidget(mechanicsBox, 0, Qt::AlignTop);
  top->addLayout(right);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(results);
  bottom->addStretch();
  bottom->addWidget(Actualiser);
  bottom->addWidget(Appliquer);
  bottom->addWidget(Annuler);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);
}

void TFormAssistant::Use(QLineEdit* edit, const char* text) {
  edit->setEnabled(true);
  edit->setText(QString::fromUtf8(text));
  edit->setStyleSheet(QStringLiteral("background-color: rgb(204, 255, 204);"));
}

void TFormAssistant::Unuse(QLineEdit* edit) {
  edit->clear();
  edit->setEnabled(false);
  edit->setStyleSheet(QString());  // the button face of a disabled edit
}

void TFormAssistant::SelectMechanics(Mechanics mechanics) {
  selected_ = mechanics;
  Mecanique[static_cast<size_t>(mechanics)]->setChecked(true);
  const bool radial = IsRadial(mechanics);
  const int stages = GearStages(mechanics);
  GroupeAxial->setVisible(!radial);
  GroupeRadial->setVisible(radial);
  Picture->Show(mechanics);
  filling_ = true;
  for (QLineEdit* edit : {EditPA, EditMA1, EditCA1, EditMA2, EditCA2, EditER, EditPR, EditMR1,
                          EditCR1, EditMR2, EditCR2}) {
    Unuse(edit);
  }
  if (radial) {
    Use(EditER, "18");
    Use(EditPR, "5.08");
  } else {
    Use(EditPA, "1.00");
  }
  if (stages >= 1) Use(radial ? EditMR1 : EditMA1, "10"), Use(radial ? EditCR1 : EditCA1, "34");
  if (stages >= 2) Use(radial ? EditMR2 : EditMA2, "30"), Use(radial ? EditCR2 : EditCA2, "72");
  filling_ = false;
  ComputeTravelPerRevolution();
}

TravelResult TFormAssistant::ComputeTravelPerRevolution() {
  auto count = [](const QLineEdit* edit) { return static_cast<int>(EditNumber(edit)); };
  MechanicsInputs in;
  const bool radial = IsRadial(selected_);
  in.screwPitch = EditNumber(EditPA);
  in.pulleyTeeth = count(EditER);
  in.beltPitch = EditNumber(EditPR);
  in.pinion1 = count(radial ? EditMR1 : EditMA1);
  in.crown1 = count(radial ? EditCR1 : EditCA1);
  in.pinion2 = count(radial ? EditMR2 : EditMA2);
  in.crown2 = count(radial ? EditCR2 : EditCA2);
  const TravelResult result = orvane::ComputeTravelPerRevolution(selected_, in);
  if (result.applicable) {
    Avancement->setText(QString::fromStdString(FormatFixed(result.travel, 2)));
    Rapport->setText(QString::fromStdString(FormatFixed(result.reduction, 2)) +
                     QStringLiteral(" : 1"));
  } else {
    Avancement->clear();
    Rapport->clear();
  }
  LabelRefus->setText(QString::fromStdString(result.refusal));
  Appliquer->setEnabled(result.applicable);
  return result;
}

void TFormAssistant::AppliquerClick() {
  const TravelResult result = ComputeTravelPerRevolution();
  if (!result.applicable) return;
  applied_ = result.travel;
  accept();
}

std::optional<double> TFormAssistant::Run() {
  applied_.reset();
  ComputeTravelPerRevolution();
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  exec();
  return applied_;
}

}  // namespace orvane::ui
