#include "ui/cut/fiche_projection.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/settings_store.h"
#include "core/common/text_number.h"

namespace orvane::ui {
namespace {

constexpr int kMargin = 25;

void Colour(QLabel* label, bool ok) {
  label->setStyleSheet(ok ? QStringLiteral("background-color: rgb(0, 200, 0); color: white;")
                          : QStringLiteral("background-color: rgb(255, 0, 0); color: white;"));
}

int Number(const QLineEdit* edit) {
  return static_cast<int>(ParseInteger(edit->text().toStdString()).value_or(0));
}

}  // namespace

ProjectionView::ProjectionView(TFormProjection* window, bool frontView, QWidget* parent)
    : QWidget(parent), window_(window), frontView_(frontView) {
  setFixedSize(500, 500);
}

void ProjectionView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Draw(painter);
}

ProjectionView::Geometry ProjectionView::Layout() const {
  const TFormProjection& w = *window_;
  const ProjectionResult& r = w.result_;
  const MachineSettings& s = w.context_.settings;
  Geometry g;
  g.capacity = frontView_ ? s.MaxY : s.MaxX;
  const double d = r.spacing, e = r.thickness;
  g.scale = (width() - 2.0 * kMargin) / std::max<double>(std::max(d, 1.0), g.capacity);
  const double centre = width() / 2.0;
  g.guide1 = centre - d / 2 * g.scale;
  g.guide2 = centre + d / 2 * g.scale;
  g.blockCentre = g.guide1 + d * w.UpDown1->value() / 100.0 * g.scale;
  g.left = g.blockCentre - e / 2 * g.scale;
  g.right = g.blockCentre + e / 2 * g.scale;
  return g;
}

bool ProjectionView::KeepBlockInside() {
  const Geometry g = Layout();
  QSpinBox* upDown = window_->UpDown1;
  const int position = upDown->value();
  QSignalBlocker block(upDown);
  if (g.left < g.guide1 + 3 && position < 100) {
    upDown->setMinimum(position + 1);
    upDown->setValue(position + 1);
    return true;
  }
  if (g.right > g.guide2 - 2 && position > 0) {
    upDown->setMaximum(position - 1);
    upDown->setValue(position - 1);
    return true;
  }
  return false;
}

void ProjectionView::Draw(QPainter& painter) {
  const TFormProjection& w = *window_;
  const ProjectionResult& r = w.result_;
  const Geometry g = Layout();
  const int capacity = g.capacity;
  const double scale = g.scale, guide1 = g.guide1, guide2 = g.guide2;
  const double centre = width() / 2.0;
  const double bottom = height() - kMargin;

  painter.fillRect(rect(), Qt::white);
  painter.setPen(QColor(0xB7, 0xB7, 0xB7));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  QFont font(QStringLiteral("Verdana"), 8);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPointF(width() / 2.0 - 60, 14), frontView_
                                                        ? QStringLiteral("PLAN Y (vue de face)")
                                                        : QStringLiteral("PLAN X (vue de dessus)"));
  // On the title's line: lower, the capacity's dimension line ran through "Profil 1"
  // whenever the capacity filled the view's height.
  painter.drawText(QPointF(3, 14), QStringLiteral("Profil 1"));
  painter.drawText(QPointF(width() - 44, 14), QStringLiteral("Profil 2"));

  // The block, at P percent between the guides.
  const double blockCentre = g.blockCentre, left = g.left, right = g.right;
  painter.fillRect(QRectF(left, kMargin + 20, right - left, bottom - kMargin - 20),
                   QColor(0xAA, 0xD9, 0xF9));
  QPen dashed(QColor(0xC8, 0xC8, 0xC8));
  dashed.setStyle(Qt::DashLine);
  painter.setPen(dashed);
  painter.drawLine(QPointF(blockCentre, kMargin + 20), QPointF(blockCentre, bottom));

  // Guides and their dimensions.
  const QColor dimension(0x80, 0x00, 0xFF);
  painter.setPen(QPen(Qt::black, 3));
  painter.drawLine(QPointF(guide1, kMargin + 20), QPointF(guide1, bottom));
  painter.drawLine(QPointF(guide2, kMargin + 20), QPointF(guide2, bottom));
  painter.setPen(dimension);
  painter.drawLine(QPointF(guide1, bottom + 10), QPointF(guide2, bottom + 10));
  painter.drawText(QPointF(centre - 20, bottom + 22), QString::number(r.spacing) + " mm");
  const double capacityTop = bottom - capacity * scale;
  painter.drawLine(QPointF(kMargin / 2.0, bottom), QPointF(kMargin / 2.0, capacityTop));
  // Written along its line, in the margin left of the guide: level with the line's
  // top it sat on the "Profil 1" caption.
  const QString capacityText = QString::number(capacity) + " mm";
  const QRectF capacityBox = painter.fontMetrics().boundingRect(capacityText);
  const double half = capacityBox.width() / 2 + 2;
  const double along =
      std::max(kMargin + 20 + half, std::min((bottom + capacityTop) / 2, bottom - half));
  painter.save();
  painter.translate(kMargin / 2.0, along);
  painter.rotate(-90);
  const QRectF label(-half, -capacityBox.height() / 2, 2 * half, capacityBox.height());
  painter.fillRect(label, Qt::white);
  painter.drawText(label, Qt::AlignCenter, capacityText);
  painter.restore();

  // The wire at every odd-numbered point, then the first point in red. The
  // paths start at 0 but may run below it (an airfoil that starts at its
  // trailing edge lies at X <= 0): their lowest point stands on the baseline.
  auto value = [this](const PointText& p) { return CellNumber(frontView_ ? p.y : p.x); };
  double lowest = 0;
  for (const PointRows* rows : {&r.projected1, &r.projected2}) {
    for (const PointText& p : *rows) lowest = std::min(lowest, value(p));
  }
  auto wire = [&](size_t i) {
    const double y1 = value(r.projected1[i]) - lowest;
    const double y2 = value(r.projected2[i]) - lowest;
    painter.drawLine(QPointF(guide1, bottom - y1 * scale), QPointF(guide2, bottom - y2 * scale));
  };
  painter.setPen(QColor(0x00, 0xEC, 0x00));
  for (size_t i = 0; i < r.projected1.size(); i += 2) wire(i);
  if (!r.projected1.empty()) {
    painter.setPen(QColor(0xFF, 0x00, 0x00));
    wire(0);
  }
}

TFormProjection::TFormProjection(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Calcul des projections"));
  EditEpaisseur = new QLineEdit(this);
  EditEpaisseur->setMaxLength(4);
  UpDown1 = new QSpinBox(this);
  UpDown1->setRange(0, 100);
  UpDown1->setValue(50);
  UpDown1->setSuffix(QStringLiteral(" %"));
  UpDown1->findChild<QLineEdit*>()->setReadOnly(true);
  EditDistance = new QLineEdit(this);
  LabelLongFil = new QLabel(this);
  LabelCapaX = new QLabel(this);
  LabelCapaY = new QLabel(this);
  for (QLabel** label : {&OldX1, &OldY1, &OldX2, &OldY2, &PanelDimX1, &PanelDimY1, &PanelDimX2,
                         &PanelDimY2, &PanelNewSize}) {
    *label = new QLabel(this);
    (*label)->setAlignment(Qt::AlignCenter);
  }
  Preview1 = new ProjectionView(this, false, this);
  Preview2 = new ProjectionView(this, true, this);
  Defaut1 = new QPushButton(QStringLiteral("Valeurs par défaut"), this);
  Defaut2 = new QPushButton(QStringLiteral("Valeur par défaut"), this);
  Appliquer = new QPushButton(QStringLiteral("Appliquer"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);

  auto* form = new QGridLayout;
  int row = 0;
  auto add = [&](const QString& caption, QWidget* a, QWidget* b = nullptr) {
    form->addWidget(new QLabel(caption, this), row, 0);
    form->addWidget(a, row, 1);
    if (b) form->addWidget(b, row, 2);
    ++row;
  };
  add(QStringLiteral("Epaisseur matière"), EditEpaisseur, Defaut1);
  add(QStringLiteral("Position matière"), UpDown1);
  add(QStringLiteral("Ecartement des guides"), EditDistance, Defaut2);
  add(QStringLiteral("Longueur du fil"), LabelLongFil);
  add(QStringLiteral("Capacité X"), LabelCapaX);
  add(QStringLiteral("Capacité Y"), LabelCapaY);
  add(QStringLiteral("Profil 1 X"), OldX1, PanelDimX1);
  add(QStringLiteral("Profil 1 Y"), OldY1, PanelDimY1);
  add(QStringLiteral("Profil 2 X"), OldX2, PanelDimX2);
  add(QStringLiteral("Profil 2 Y"), OldY2, PanelDimY2);
  add(QStringLiteral("Distance atteinte"), PanelNewSize);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Appliquer);
  buttons->addWidget(Annuler);
  auto* left = new QVBoxLayout;
  left->addLayout(form);
  left->addStretch();
  left->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(Preview1);
  layout->addWidget(Preview2);

  for (QLineEdit* edit : {EditEpaisseur, EditDistance}) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this] { EditEpaisseurChange(); });
  }
  connect(UpDown1, &QSpinBox::valueChanged, this, [this] { RecomputeProjection(); });
  connect(Defaut1, &QPushButton::clicked, this, [this] { Defaut1Click(); });
  connect(Defaut2, &QPushButton::clicked, this, [this] { Defaut2Click(); });
  connect(Appliquer, &QPushButton::clicked, this, &QDialog::accept);
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormProjection::Run(const PointRows& raw1, const PointRows& raw2,
                          const double (&dimensions)[4]) {
  raw1_ = &raw1;
  raw2_ = &raw2;
  std::copy(std::begin(dimensions), std::end(dimensions), dimensions_);
  const MachineSettings& s = context_.settings;
  {
    QSignalBlocker block(UpDown1);
    UpDown1->setRange(0, 100);
    UpDown1->setValue(50);
  }
  LabelCapaX->setText(QString::number(s.MaxX));
  LabelCapaY->setText(QString::number(s.MaxY));
  EditDistance->setText(QString::number(s.Fil));
  LabelLongFil->setText(QString::number(s.FilMax));
  if (EditEpaisseur->text().isEmpty()) {
    EditEpaisseur->setText(QString::number(DefaultThickness(s.Fil)));
  }
  ProjectionState& state = context_.projection;
  state.realX1 = dimensions[0], state.realY1 = dimensions[1];
  state.realX2 = dimensions[2], state.realY2 = dimensions[3];
  QLabel* old[4] = {OldX1, OldY1, OldX2, OldY2};
  for (int k = 0; k < 4; ++k) {
    old[k]->setText(QStringLiteral("( ") + QString::fromStdString(FormatFixed(dimensions[k], 0)) +
                    QStringLiteral(" mm )"));
  }
  state.projectionDone = 0;
  RecomputeProjection();
  return exec() == QDialog::Accepted;
}

void TFormProjection::RecomputeProjection() {
  if (!raw1_) return;
  const MachineSettings& s = context_.settings;
  ProjectionInput in;
  in.raw1 = raw1_;
  in.raw2 = raw2_;
  in.dimX1 = dimensions_[0], in.dimY1 = dimensions_[1];
  in.dimX2 = dimensions_[2], in.dimY2 = dimensions_[3];
  in.thickness = Number(EditEpaisseur);
  in.spacing = Number(EditDistance);
  in.wireLength = static_cast<int>(ParseInteger(LabelLongFil->text().toStdString()).value_or(0));
  in.position = UpDown1->value();
  in.fil = s.Fil, in.maxX = s.MaxX, in.maxY = s.MaxY;
  in.ignoreCapacity = s.Alertes;
  result_ = orvane::RecomputeProjection(in);
  // The block must stay between the guides in the views: the position moves
  // one step at a time until it does.
  for (int guard = 0; guard < 101 && KeepBlockInViews(); ++guard) {
    in.position = UpDown1->value();
    result_ = orvane::RecomputeProjection(in);
  }

  EditEpaisseur->setText(QString::number(result_.thickness));
  EditDistance->setText(QString::number(result_.spacing));
  LabelLongFil->setText(QString::number(result_.wireLength));
  PanelNewSize->setText(QString::number(result_.wireSpan) + QStringLiteral(" mm"));
  Colour(PanelNewSize, result_.spanOk);
  ProjectionState& state = context_.projection;
  state.projectedX1 = result_.projectedX1, state.projectedY1 = result_.projectedY1;
  state.projectedX2 = result_.projectedX2, state.projectedY2 = result_.projectedY2;
  state.guideDistance = static_cast<uint16_t>(result_.spacing);
  state.materialPosition = static_cast<uint16_t>(UpDown1->value());
  state.materialThickness = static_cast<uint16_t>(result_.thickness);
  const std::pair<QLabel*, std::pair<double, bool>> panels[] = {
      {PanelDimX1, {result_.projectedX1, result_.withinX1}},
      {PanelDimY1, {result_.projectedY1, result_.withinY1}},
      {PanelDimX2, {result_.projectedX2, result_.withinX2}},
      {PanelDimY2, {result_.projectedY2, result_.withinY2}}};
  for (const auto& [panel, value] : panels) {
    panel->setText(QString::fromStdString(FormatFixed(value.first, 0)) + QStringLiteral(" mm "));
    Colour(panel, value.second);
  }
  DrawViews();
  Appliquer->setEnabled(result_.appliquer && ProfilesDiffer(*raw1_, *raw2_));
}

bool TFormProjection::KeepBlockInViews() {
  // The view of the larger capacity first; the other only if the position held.
  const MachineSettings& s = context_.settings;
  if (s.MaxX == s.MaxY || UpDown1->value() == 50) {
    const bool first = Preview1->KeepBlockInside();
    return Preview2->KeepBlockInside() || first;
  }
  ProjectionView* first = s.MaxX > s.MaxY ? Preview1 : Preview2;
  ProjectionView* second = first == Preview1 ? Preview2 : Preview1;
  return first->KeepBlockInside() || second->KeepBlockInside();
}

void TFormProjection::DrawViews() {
  Preview1->update();
  Preview2->update();
}

bool TFormProjection::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::FocusOut) {
    RecomputeProjection();
  } else if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (edit == EditDistance) {
        EditDistanceEnter();
      } else {
        RecomputeProjection();
        Defaut1->setFocus();
      }
      return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text[0].isPrint() || (key->modifiers() & Qt::ControlModifier)) {
      return false;
    }
    return !(text.size() == 1 && text[0].isDigit());
  }
  return QDialog::eventFilter(watched, event);
}

void TFormProjection::EditEpaisseurChange() {
  // A half-typed number is not recomputed (nor clamped under the user's
  // fingers): that waits for Enter or for the field to be left. The limits
  // the views set on the position belong to the old geometry.
  {
    QSignalBlocker block(UpDown1);
    UpDown1->setRange(0, 100);
    UpDown1->setValue(50);
  }
  Appliquer->setEnabled(false);
  DrawViews();
}

void TFormProjection::EditDistanceEnter() {
  MachineSettings& s = context_.settings;
  int spacing = Number(EditDistance);
  // Zero means the spacing recorded in the store, not the one in memory.
  if (spacing == 0) {
    spacing = static_cast<int>(
        ParseInteger(context_.store->ReadSettingString(GroupKeyPath("Machine"), "Fil"))
            .value_or(s.Fil));
  }
  const int wire = static_cast<int>(ParseInteger(LabelLongFil->text().toStdString()).value_or(0));
  if (spacing > wire) spacing = wire;
  EditDistance->setText(QString::number(spacing));
  s.Fil = static_cast<uint16_t>(spacing);
  RecomputeProjection();
  Defaut2->setFocus();
}

void TFormProjection::Defaut1Click() {
  {
    QSignalBlocker block(UpDown1);
    UpDown1->setRange(0, 100);
    UpDown1->setValue(50);
  }
  EditEpaisseur->setText(QString::number(DefaultThickness(context_.settings.Fil)));
  RecomputeProjection();
}

void TFormProjection::Defaut2Click() {
  MachineSettings& s = context_.settings;
  const auto stored =
      ParseInteger(context_.store->ReadSettingString(GroupKeyPath("Machine"), "Fil"));
  if (stored && *stored > 0 && *stored <= 65535) s.Fil = static_cast<uint16_t>(*stored);
  EditDistance->setText(QString::number(s.Fil));
  RecomputeProjection();
}

}  // namespace orvane::ui
