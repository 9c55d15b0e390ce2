// The parameters window's motors and machine pages, and how every page is
// filled from settings and read back.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "core/common/text_number.h"
#include "core/params/field_text.h"
#include "ui/params/fiche_memo.h"
#include "ui/params/fiche_parametres.h"
#include "ui/params/field_validator.h"
#include "ui/params/motor_tests.h"
#include "ui/params/params_widgets.h"

namespace orvane::ui {
namespace {

constexpr const char* kAxisCaptions[4] = {"X 1", "Y 1", "X 2", "Y 2"};
constexpr const char* kAxisNames[4] = {"X1", "Y1", "X2", "Y2"};

int Number(const QLineEdit* edit) {
  return FieldInteger(edit->text().toStdString()).value_or(0);
}

QLabel* Bold(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// The duty-cycle label: a double click puts the bar in the middle.
class DoubleClickLabel : public QLabel {
 public:
  DoubleClickLabel(std::function<void()> onDoubleClick, QWidget* parent)
      : QLabel(parent), onDoubleClick_(std::move(onDoubleClick)) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent*) override { onDoubleClick_(); }

 private:
  std::function<void()> onDoubleClick_;
};

}  // namespace

QWidget* TFormParametres::BuildMotorsPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* motors = new QGroupBox(QStringLiteral(" PARAMETRES MOTEURS "), page);
  auto* grid = new QGridLayout(motors);
  const char* headers[7] = {"", "inversion", "pas/mm", "période µs", "Vcut", "Vmax", "Fmax"};
  for (int c = 0; c < 7; ++c) grid->addWidget(Bold(QString::fromUtf8(headers[c]), motors), 0, c);
  for (int a = 0; a < 4; ++a) {
    grid->addWidget(Bold(QString::fromUtf8(kAxisCaptions[a]), motors), a + 1, 0);
    Inverse[a] = new QCheckBox(motors);
    Inverse[a]->setObjectName(QStringLiteral("%1inverse").arg(kAxisNames[a]));
    StepEdits[a] = new QLineEdit(motors);
    StepEdits[a]->setObjectName(QStringLiteral("%1pas").arg(kAxisNames[a]));
    PeriodEdits[a] = new QLineEdit(motors);
    PeriodEdits[a]->setObjectName(QStringLiteral("%1vitesse").arg(kAxisNames[a]));
    // Filled by the global values and the wizard, never typed into.
    for (QLineEdit* e : {StepEdits[a], PeriodEdits[a]}) {
      e->setReadOnly(true);
      e->setFocusPolicy(Qt::NoFocus);
      e->setMaximumWidth(90);
    }
    StepEdits[a]->setMaxLength(4);
    PeriodEdits[a]->setMaxLength(6);
    VcutLabels[a] = new QLabel(motors);
    VmaxLabels[a] = new QLabel(motors);
    FmaxLabels[a] = new QLabel(motors);
    grid->addWidget(Inverse[a], a + 1, 1);
    grid->addWidget(StepEdits[a], a + 1, 2);
    grid->addWidget(PeriodEdits[a], a + 1, 3);
    grid->addWidget(VcutLabels[a], a + 1, 4);
    grid->addWidget(VmaxLabels[a], a + 1, 5);
    grid->addWidget(FmaxLabels[a], a + 1, 6);
    connect(Inverse[a], &QCheckBox::toggled, this, [this] { Changed(ParamPage::Moteurs); });
    for (QLineEdit* e : {StepEdits[a], PeriodEdits[a]}) {
      connect(e, &QLineEdit::textChanged, this, [this] {
        ShowMotorSpeeds();
        Changed(ParamPage::Moteurs);
      });
    }
  }

  auto* global = new QGroupBox(QStringLiteral("Valeurs globales"), page);
  auto* globalLayout = new QHBoxLayout(global);
  GlobalPas = new QLineEdit(global);
  GlobalVitesse = new QLineEdit(global);
  RestrictField(GlobalPas, FieldKind::Digits, 4);
  RestrictField(GlobalVitesse, FieldKind::Digits, 6);
  GlobalPas->setMaximumWidth(80);
  GlobalVitesse->setMaximumWidth(100);
  GlobalAppliquer = new QPushButton(QStringLiteral("Appliquer"), global);
  LabelVmoy = Bold(QString(), global);
  globalLayout->addWidget(new QLabel(QStringLiteral("pas/mm"), global));
  globalLayout->addWidget(GlobalPas);
  globalLayout->addWidget(new QLabel(QStringLiteral("période µs"), global));
  globalLayout->addWidget(GlobalVitesse);
  globalLayout->addWidget(GlobalAppliquer);
  globalLayout->addStretch();
  globalLayout->addWidget(new QLabel(QStringLiteral("Vcut moyenne :"), global));
  globalLayout->addWidget(LabelVmoy);
  connect(GlobalPas, &QLineEdit::textEdited, this, [this] { GlobalAppliquer->setEnabled(true); });
  connect(GlobalVitesse, &QLineEdit::textEdited, this,
          [this] { GlobalAppliquer->setEnabled(true); });
  connect(GlobalPas, &QLineEdit::returnPressed, GlobalVitesse,
          [this] { GlobalVitesse->setFocus(); });
  connect(GlobalVitesse, &QLineEdit::returnPressed, GlobalPas, [this] { GlobalPas->setFocus(); });
  connect(GlobalAppliquer, &QPushButton::clicked, this, [this] { GlobalAppliquerClick(); });

  Essais = new MotorTestGroup(
      context_, [this] { return ShownEdits(); }, page);
  connect(Essais, &MotorTestGroup::testRunning, this,
          [this](bool running) { SetTesting(running); });
  connect(Essais->TrackBarDistanceTest, &QSlider::valueChanged, this,
          [this] { Changed(ParamPage::Moteurs); });
  Memo = new QPushButton(QStringLiteral("    Mémo"), page);
  Memo->setVisible(false);
  connect(Memo, &QPushButton::clicked, this, [this] {
    if (memo_) memo_->Run();
  });

  layout->addWidget(motors);
  layout->addWidget(global);
  layout->addWidget(Essais);
  auto* memoRow = new QHBoxLayout;
  memoRow->addWidget(Memo);
  memoRow->addStretch();
  layout->addLayout(memoRow);
  layout->addStretch();
  layout->addWidget(PageButtons(ParamPage::Moteurs, page));
  return page;
}

void TFormParametres::GlobalAppliquerClick() {
  const GlobalValues values =
      ParseGlobalValues(GlobalPas->text().toStdString(), GlobalVitesse->text().toStdString());
  for (int a = 0; a < 4; ++a) {
    if (values.steps) StepEdits[a]->setText(QString::number(*values.steps));
    if (values.period) PeriodEdits[a]->setText(QString::number(*values.period));
  }
  GlobalPas->clear();
  GlobalVitesse->clear();
  GlobalAppliquer->setEnabled(false);
}

void TFormParametres::ShowMotorSpeeds() {
  const double vmax = context_.settings.Vmax;
  const auto steps = ShownSteps();
  const auto periods = ShownPeriods();
  double sum = 0;
  for (int a = 0; a < 4; ++a) {
    const double vcut = periods[a] == 0 || steps[a] == 0 ? 0.0 : 1e6 / periods[a] / steps[a];
    sum += vcut;
    VcutLabels[a]->setText(QString::asprintf("%.2f mm/s", vcut));
    VmaxLabels[a]->setText(QString::asprintf("%.2f mm/s", vmax));
    FmaxLabels[a]->setText(QString::asprintf("%.0f Hz", steps[a] * vmax));
  }
  LabelVmoy->setText(QString::asprintf("%.2f mm/s", sum / 4));
}

QWidget* TFormParametres::BuildMachinePage() {
  auto* page = new QWidget(this);
  auto* layout = new QGridLayout(page);

  auto* sizes = new QGroupBox(QStringLiteral(" CARACTERISTIQUES "), page);
  auto* sizesGrid = new QGridLayout(sizes);
  DistX = new QLineEdit(sizes);
  DistY = new QLineEdit(sizes);
  DimFil = new QLineEdit(sizes);
  DimFilMax = new QLineEdit(sizes);
  DimFil->setToolTip(QStringLiteral("<= longueur utile du fil"));
  DimFilMax->setToolTip(QStringLiteral(">= distance entre guides"));
  const std::pair<const char*, QLineEdit*> rows[4] = {{"Capacité X", DistX},
                                                      {"Capacité Y", DistY},
                                                      {"Distance entre guides", DimFil},
                                                      {"Longueur utile du fil", DimFilMax}};
  for (int r = 0; r < 4; ++r) {
    RestrictField(rows[r].second, FieldKind::Digits, 4);
    rows[r].second->setMaximumWidth(80);
    sizesGrid->addWidget(new QLabel(QString::fromUtf8(rows[r].first), sizes), r, 0);
    sizesGrid->addWidget(rows[r].second, r, 1);
    sizesGrid->addWidget(new QLabel(QStringLiteral("mm"), sizes), r, 2);
    connect(rows[r].second, &QLineEdit::textEdited, this, [this] { Changed(ParamPage::Machine); });
  }
  // Enter moves on around the four edits.
  const std::pair<QLineEdit*, QLineEdit*> cycle[4] = {
      {DistX, DistY}, {DistY, DimFilMax}, {DimFilMax, DimFil}, {DimFil, DistX}};
  for (auto [from, to] : cycle) {
    connect(from, &QLineEdit::returnPressed, to, [to] { to->setFocus(); });
  }
  for (auto [edit, maxX] : {std::pair{DistX, true}, std::pair{DistY, false}}) {
    connect(edit, &QLineEdit::editingFinished, this, [this, edit = edit, maxX = maxX] {
      if (Number(edit) > 0) return;
      const MachineSettings& s = context_.settings;
      edit->setText(QString::number(maxX ? s.MaxX : s.MaxY));
    });
  }
  WireFieldLeft(DimFil, true);
  WireFieldLeft(DimFilMax, false);

  auto* speeds = new QGroupBox(QStringLiteral(" ACCELERATIONS "), page);
  auto* speedsGrid = new QGridLayout(speeds);
  UpDownPente = new QSpinBox(speeds);
  UpDownPente->setRange(20, 90);
  UpDownPente->setObjectName(QStringLiteral("EditPente"));
  UpDownVmax = new SpeedSpin(10, 200, speeds);
  UpDownVmax->setObjectName(QStringLiteral("EditVmax"));
  UpDownVmin = new SpeedSpin(10, 100, speeds);
  UpDownVmin->setObjectName(QStringLiteral("EditVmin"));
  VminEgalVcut = new QPushButton(QStringLiteral("Vmin = Vcut"), speeds);
  speedsGrid->addWidget(new QLabel(QStringLiteral("Pente"), speeds), 0, 0);
  speedsGrid->addWidget(UpDownPente, 0, 1);
  speedsGrid->addWidget(new QLabel(QStringLiteral("°"), speeds), 0, 2);
  speedsGrid->addWidget(new QLabel(QStringLiteral("Vmax"), speeds), 1, 0);
  speedsGrid->addWidget(UpDownVmax, 1, 1);
  speedsGrid->addWidget(new QLabel(QStringLiteral("mm/s"), speeds), 1, 2);
  speedsGrid->addWidget(new QLabel(QStringLiteral("Vmin"), speeds), 2, 0);
  speedsGrid->addWidget(UpDownVmin, 2, 1);
  speedsGrid->addWidget(new QLabel(QStringLiteral("mm/s"), speeds), 2, 2);
  speedsGrid->addWidget(VminEgalVcut, 3, 0, 1, 3);
  Schema2 = new Diagram(
      QSize(300, 150),
      [this](QPainter& p, QRect r) {
        const double vmin = UpDownVmin->Speed(), vmax = UpDownVmax->Speed();
        const double vcut = machineVcut_;
        const double top = std::max({vmax, vcut, 0.01});
        auto y = [&](double v) { return r.bottom() - 14 - (r.height() - 24) * v / top; };
        // The ramp's run grows as the slope flattens.
        const double angle = UpDownPente->value() * 6.28 / 360;
        const double rise = (y(vmin) - y(vmax)) / std::max(std::tan(angle), 0.05);
        const double x0 = r.left() + 20, x1 = std::min(x0 + rise, r.center().x() - 10.0);
        const double x3 = r.right() - 10, x2 = std::max(x3 - (x1 - x0), r.center().x() + 10.0);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(QPointF(x0, r.bottom() - 14), QPointF(x3 + 5, r.bottom() - 14));
        p.drawLine(QPointF(x0, r.top()), QPointF(x0, r.bottom() - 14));
        QPainterPath ramp;
        ramp.moveTo(x0, y(vmin));
        ramp.lineTo(x1, y(vmax));
        ramp.lineTo(x2, y(vmax));
        ramp.lineTo(x3, y(vmin));
        p.setPen(QPen(QColor(0, 0, 200), 2));
        p.drawPath(ramp);
        p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DotLine));
        p.drawLine(QPointF(x0, y(vcut)), QPointF(x3, y(vcut)));
        p.setPen(Qt::black);
        p.drawText(QPointF(x0 + 4, y(vcut) - 3), QString::asprintf("Vcut %.2f", vcut) + "mm/s");
        p.drawText(QPointF(r.left() - 6, y(vmin) + 4), QStringLiteral("Vmin"));
        p.drawText(QPointF(x1 + 4, y(vmax) + 12), QStringLiteral("Vmax"));
        p.drawText(QRectF(r.left(), r.bottom() - 12, r.width(), 14), Qt::AlignCenter,
                   QStringLiteral("Déplacement"));
      },
      speeds);
  speedsGrid->addWidget(Schema2, 0, 3, 4, 1);
  connect(UpDownPente, &QSpinBox::valueChanged, this, [this] {
    Schema2->update();
    Changed(ParamPage::Machine, true);
  });
  connect(UpDownVmax, &QSpinBox::valueChanged, this, [this] {
    Schema2->update();
    Changed(ParamPage::Machine);
  });
  connect(UpDownVmin, &QSpinBox::valueChanged, this, [this] {
    Schema2->update();
    Changed(ParamPage::Machine, true);
  });
  connect(VminEgalVcut, &QPushButton::clicked, this,
          [this] { UpDownVmin->setValue(UpDownVmin->maximum()); });

  auto* duty = new QGroupBox(QStringLiteral(" RAPPORT CYCLIQUE "), page);
  auto* dutyGrid = new QGridLayout(duty);
  Pourcentage = new QScrollBar(Qt::Horizontal, duty);
  Pourcentage->setRange(25, 75);
  Percent = new DoubleClickLabel([this] { Pourcentage->setValue(50); }, duty);
  Percent->setToolTip(QStringLiteral("Double clic = 50%"));
  LabelHaut = new QLabel(duty);
  LabelBas = new QLabel(duty);
  Schema1 = new Diagram(
      QSize(300, 110),
      [this](QPainter& p, QRect r) {
        const double share = Pourcentage->value() / 100.0;
        const double low = r.bottom() - 24, high = r.top() + 6;
        const double x0 = r.left() + 10, x3 = r.right() - 10;
        const double x1 = x0 + 10, x2 = x1 + (x3 - x1 - 10) * share;
        p.setPen(QPen(QColor(0, 0, 200), 2));
        p.drawPolyline(QPolygonF({QPointF(x0, low), QPointF(x1, low), QPointF(x1, high),
                                  QPointF(x2, high), QPointF(x2, low), QPointF(x3, low)}));
        p.setPen(Qt::black);
        const DutyTimes times = DutyCycleTimes(context_.settings, Pourcentage->value());
        p.drawText(QRectF(r.left(), r.bottom() - 18, r.width(), 18), Qt::AlignCenter,
                   QString::number(times.period) + QStringLiteral(" µs"));
      },
      duty);
  dutyGrid->addWidget(Pourcentage, 0, 0, 1, 2);
  dutyGrid->addWidget(Percent, 0, 2);
  dutyGrid->addWidget(new QLabel(QStringLiteral("Temps haut"), duty), 1, 0);
  dutyGrid->addWidget(LabelHaut, 1, 1);
  dutyGrid->addWidget(new QLabel(QStringLiteral("Temps bas"), duty), 2, 0);
  dutyGrid->addWidget(LabelBas, 2, 1);
  dutyGrid->addWidget(Schema1, 0, 3, 3, 1);
  connect(Pourcentage, &QScrollBar::valueChanged, this, [this] {
    ShowDutyCycle();
    Changed(ParamPage::Machine, true);
  });

  layout->addWidget(sizes, 0, 0);
  layout->addWidget(duty, 1, 0, 1, 2);
  layout->addWidget(speeds, 0, 1);
  layout->setRowStretch(2, 1);
  layout->addWidget(PageButtons(ParamPage::Machine, page), 3, 0, 1, 2);
  return page;
}

void TFormParametres::WireFieldLeft(QLineEdit* edit, bool fil) {
  connect(edit, &QLineEdit::editingFinished, this, [this, edit, fil] {
    WireLengths shown;
    shown.fil = FieldInteger(DimFil->text().toStdString());
    shown.filMax = FieldInteger(DimFilMax->text().toStdString());
    const int value = WireLengthOnLeave(fil, shown, context_.settings);
    if (Number(edit) != value || edit->text().isEmpty()) edit->setText(QString::number(value));
  });
}

double TFormParametres::StoredVcut() const {
  return ComputeVcut(context_.settings);
}

void TFormParametres::ShowMachineSpeeds() {
  machineVcut_ = StoredVcut();
  UpDownVmax->SetScale(machineVcut_ / 10);
  UpDownVmin->SetScale(machineVcut_ / 100);
  Schema2->update();
}

void TFormParametres::ShowDutyCycle() {
  const int percent = Pourcentage->value();
  Percent->setText(QStringLiteral("%1%").arg(percent));
  const DutyTimes times = DutyCycleTimes(context_.settings, percent);
  LabelHaut->setText(QString::asprintf("%.0f µs", times.high));
  LabelBas->setText(QString::asprintf("%.0f µs", times.low));
  Schema1->update();
}

void TFormParametres::FillPage(ParamPage page, const MachineSettings& s) {
  filling_ = true;
  switch (page) {
    case ParamPage::Moteurs: {
      const uint16_t inverse[4] = {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise};
      const uint16_t steps[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
      const int32_t periods[4] = {s.X1speed, s.Y1speed, s.X2speed, s.Y2speed};
      for (int a = 0; a < 4; ++a) {
        Inverse[a]->setChecked(inverse[a] == 1);
        StepEdits[a]->setText(QString::number(steps[a]));
        PeriodEdits[a]->setText(QString::number(periods[a]));
      }
      Essais->TrackBarDistanceTest->setValue(s.DepTest);
      ShowMotorSpeeds();
      break;
    }
    case ParamPage::Machine: {
      DistX->setText(QString::number(s.MaxX));
      DistY->setText(QString::number(s.MaxY));
      DimFil->setText(QString::number(s.Fil));
      DimFilMax->setText(QString::number(s.FilMax));
      UpDownPente->setValue(s.Pente);
      ShowMachineSpeeds();
      const SpeedPositions positions = SpeedPositionsOf(s.Vmax, s.Vmin, machineVcut_);
      UpDownVmax->setValue(positions.vmax);
      UpDownVmin->setValue(positions.vmin);
      Pourcentage->setValue(s.Periode);
      ShowDutyCycle();
      break;
    }
    case ParamPage::Ports:
      FillPortsPage(s);
      break;
    case ParamPage::Systeme: {
      const std::string* folders[4] = {&s.ProjectPath, &s.DxfPath, &s.CutPath, &s.ExportPath};
      for (int f = 0; f < 4; ++f) FolderEdits[f]->setText(QString::fromStdString(*folders[f]));
      break;
    }
  }
  filling_ = false;
}

MachineSettings TFormParametres::ReadPage(ParamPage page) const {
  MachineSettings s = context_.settings;
  switch (page) {
    case ParamPage::Moteurs: {
      uint16_t* inverse[4] = {&s.X1clockwise, &s.Y1clockwise, &s.X2clockwise, &s.Y2clockwise};
      uint16_t* steps[4] = {&s.X1step, &s.Y1step, &s.X2step, &s.Y2step};
      int32_t* periods[4] = {&s.X1speed, &s.Y1speed, &s.X2speed, &s.Y2speed};
      const auto shownSteps = ShownSteps();
      const auto shownPeriods = ShownPeriods();
      for (int a = 0; a < 4; ++a) {
        *inverse[a] = Inverse[a]->isChecked() ? 1 : 0;
        *steps[a] = static_cast<uint16_t>(std::clamp(shownSteps[a], 0, 65535));
        *periods[a] = shownPeriods[a];
      }
      s.DepTest = static_cast<uint16_t>(Essais->TrackBarDistanceTest->value());
      break;
    }
    case ParamPage::Machine: {
      const std::pair<QLineEdit*, uint16_t*> sizes[4] = {
          {DistX, &s.MaxX}, {DistY, &s.MaxY}, {DimFil, &s.Fil}, {DimFilMax, &s.FilMax}};
      for (auto [edit, field] : sizes) {
        const int value = Number(edit);
        if (value > 0) *field = static_cast<uint16_t>(value);
      }
      s.Periode = static_cast<uint8_t>(Pourcentage->value());
      s.Pente = static_cast<uint8_t>(UpDownPente->value());
      // As the edits show them, with two decimals.
      s.Vmax = ParseReal(UpDownVmax->text().toStdString()).value_or(0);
      s.Vmin = ParseReal(UpDownVmin->text().toStdString()).value_or(0);
      break;
    }
    case ParamPage::Ports:
      ReadPortsPage(s);
      break;
    case ParamPage::Systeme: {
      std::string* folders[4] = {&s.ProjectPath, &s.DxfPath, &s.CutPath, &s.ExportPath};
      for (int f = 0; f < 4; ++f) *folders[f] = FolderEdits[f]->text().toStdString();
      break;
    }
  }
  return s;
}

}  // namespace orvane::ui
