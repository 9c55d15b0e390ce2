#include "ui/shapes/fiche_alignement.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/project/fiche_import.h"

namespace orvane::ui {
namespace {

const QColor kYellow(255, 255, 0);
const QColor kCyan(0, 255, 255);

}  // namespace

AlignOverlay::AlignOverlay(QWidget* parent) : QWidget(parent) {
  setMinimumSize(360, 300);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void AlignOverlay::SetProfiles(const PointRows* adjusted1, const PointRows* adjusted2) {
  rows_[0] = adjusted1;
  rows_[1] = adjusted2;
  update();
}

void AlignOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  QPen frame(QColor(85, 85, 85));
  frame.setStyle(Qt::DashLine);
  painter.setPen(frame);
  painter.drawRect(rect().adjusted(6, 6, -7, -7));
  painter.setPen(QColor(170, 170, 170));
  painter.setBrush(QColor(170, 170, 170));
  const int h = height();
  const QPoint corner[] = {{2, h - 3}, {2, h - 11}, {10, h - 3}};
  painter.drawPolygon(corner, 3);
  painter.setBrush(Qt::NoBrush);
  if (!rows_[0] || !rows_[1] || rows_[0]->empty() || rows_[1]->empty()) return;
  const OverlayTransform t = MakeOverlayTransform(*rows_[0], *rows_[1], width(), height(), 24);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int k = 0; k < 2; ++k) {
    const PointRows& rows = *rows_[k];
    const double fx = CellNumber(rows.front().x), fy = CellNumber(rows.front().y);
    QPolygonF outline;
    for (const PointText& row : rows) {
      auto [x, y] = t.Map(CellNumber(row.x) - fx, CellNumber(row.y) - fy);
      outline << QPointF(x, y);
    }
    painter.setPen(k == 0 ? kYellow : kCyan);
    painter.drawPolyline(outline);
  }
  auto [x, y] = t.Map(0, 0);
  painter.setPen(Qt::white);
  painter.drawEllipse(QPointF(x, y), 4, 4);
}

TFormAligne::TFormAligne(TFormImport* project) : QDialog(project), project_(project) {
  setWindowTitle(QStringLiteral("Orvane - Alignement des profils"));
  // Only "Appliquer" and "Annuler" close it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  Overlay = new AlignOverlay(this);
  Repeat = new QTimer(this);
  connect(Repeat, &QTimer::timeout, this, [this] {
    Repeat->setInterval(80);  // after the first, longer wait
    const Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    if (!held_ || (keys & (Qt::ShiftModifier | Qt::ControlModifier))) {
      ButtonUp();
      return;
    }
    const Move move = MoveOf(held_);
    StepOnce(move, AlignmentStep(RowCount(project_->Profile1.raw), false, false));
  });

  auto profileBox = [this](int number, QLabel*& title, QPushButton*& g, QPushButton*& d,
                           QPushButton*& hButton, QPushButton*& b, QLabel*& decX, QLabel*& decY) {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    title = new QLabel(QStringLiteral("PROFIL %1").arg(number), box);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(number == 1
                             ? QStringLiteral("color: rgb(255, 255, 0); background: black;")
                             : QStringLiteral("color: rgb(0, 255, 255); background: black;"));
    g = new QPushButton(QStringLiteral("◀"), box);
    d = new QPushButton(QStringLiteral("▶"), box);
    hButton = new QPushButton(QStringLiteral("▲"), box);
    b = new QPushButton(QStringLiteral("▼"), box);
    decX = new QLabel(box);
    decY = new QLabel(box);
    grid->addWidget(title, 0, 0, 1, 3);
    grid->addWidget(hButton, 1, 1);
    grid->addWidget(g, 2, 0);
    grid->addWidget(d, 2, 2);
    grid->addWidget(b, 3, 1);
    grid->addWidget(decX, 4, 0, 1, 3, Qt::AlignCenter);
    grid->addWidget(decY, 5, 0, 1, 3, Qt::AlignCenter);
    for (QPushButton* button : {g, d, hButton, b}) {
      button->setFixedSize(40, 32);
      button->installEventFilter(this);
    }
    return box;
  };
  QWidget* box1 = profileBox(1, Titre1, G1, D1, H1, B1, DecX1, DecY1);
  QWidget* box2 = profileBox(2, Titre2, G2, D2, H2, B2, DecX2, DecY2);
  auto* hint = new QLabel(QStringLiteral("CTRL = 0.1mm        SHIFT = 1mm"), this);
  Applique = new QPushButton(QStringLiteral(" Appliquer"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);

  auto* side = new QVBoxLayout;
  side->addWidget(box1);
  side->addWidget(box2);
  side->addWidget(hint);
  side->addStretch();
  side->addWidget(Applique);
  side->addWidget(Annuler);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Overlay, 1);
  layout->addLayout(side);
  connect(Applique, &QPushButton::clicked, this, [this] { AppliqueClick(); });
  connect(Annuler, &QPushButton::clicked, this, [this] { AnnulerClick(); });
}

bool TFormAligne::Run() {
  session_ = std::make_unique<AlignmentSession>(project_->Profile1, project_->Profile2,
                                                project_->Decimals());
  held_ = nullptr;
  closing_ = false;
  ShowOffsets();
  Overlay->SetProfiles(&project_->Profile1.adjusted, &project_->Profile2.adjusted);
  return exec() == QDialog::Accepted;
}

TFormAligne::Move TFormAligne::MoveOf(const QPushButton* button) const {
  if (button == G1 || button == D1) return {1, Axis::X, button == G1 ? 1 : -1};
  if (button == H1 || button == B1) return {1, Axis::Y, button == H1 ? 1 : -1};
  if (button == G2 || button == D2) return {2, Axis::X, button == G2 ? 1 : -1};
  return {2, Axis::Y, button == H2 ? 1 : -1};
}

void TFormAligne::ButtonDown(QPushButton* button, bool shift, bool ctrl) {
  if (!session_) return;
  const double step = AlignmentStep(RowCount(project_->Profile1.raw), shift, ctrl);
  StepOnce(MoveOf(button), step);
  // Ctrl or Shift give one step; a plain press repeats until released.
  if (!shift && !ctrl) {
    held_ = button;
    Repeat->start(400);
  }
}

void TFormAligne::ButtonUp() {
  held_ = nullptr;
  Repeat->stop();
}

void TFormAligne::StepOnce(const Move& move, double step) {
  session_->Step(move.profile, move.axis, move.sign * step);
  project_->ShowExtents();
  ShowOffsets();
  Overlay->update();
}

void TFormAligne::ShowOffsets() {
  const std::pair<QLabel*, std::pair<int, Axis>> labels[] = {
      {DecX1, {1, Axis::X}}, {DecY1, {1, Axis::Y}}, {DecX2, {2, Axis::X}}, {DecY2, {2, Axis::Y}}};
  for (auto [label, which] : labels) {
    const double offset = session_ ? session_->Offset(which.first, which.second) : 0;
    label->setText(QString::fromStdString(AlignmentOffsetText(offset, which.second)));
  }
}

bool TFormAligne::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QPushButton*>(watched);
  if (button &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      button->setDown(true);
      ButtonDown(button, mouse->modifiers() & Qt::ShiftModifier,
                 mouse->modifiers() & Qt::ControlModifier);
      return true;
    }
  } else if (button && event->type() == QEvent::MouseButtonRelease) {
    button->setDown(false);
    ButtonUp();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormAligne::AppliqueClick() {
  FormClose(true);
  accept();
}

void TFormAligne::AnnulerClick() {
  FormClose(false);
  QDialog::reject();
}

void TFormAligne::FormClose(bool applied) {
  ButtonUp();
  if (!session_ || closing_) return;
  closing_ = true;
  if (applied && session_->AnyChanged()) {
    project_->PushHistory("P1/P2 - Alignement");
  } else if (!applied) {
    // Both profiles exactly as they were: no history entry, no flag.
    session_->Revert();
  }
  project_->ShowExtents();
  session_.reset();
}

}  // namespace orvane::ui
