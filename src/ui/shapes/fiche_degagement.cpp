#include "ui/shapes/fiche_degagement.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/shapes/number_validator.h"

namespace orvane::ui {
namespace {

// Unit steps of the eight directions, screen y downwards.
constexpr int kDx[8] = {0, 1, 0, -1, 1, 1, -1, -1};
constexpr int kDy[8] = {-1, 0, 1, 0, -1, 1, 1, -1};
// Where each direction sits in the 3 x 3 grid of images.
constexpr int kRow[8] = {0, 1, 2, 1, 0, 2, 2, 0};
constexpr int kColumn[8] = {1, 2, 1, 0, 2, 2, 0, 0};

// A grey square for the profile, its start point, and the yellow lead-in
// beyond its box (external) or from the start point itself (internal).
QPixmap DirectionImage(int direction, bool external) {
  QPixmap image(56, 56);
  image.fill(Qt::black);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRect box(18, 18, 20, 20);
  painter.setPen(QColor(187, 187, 187));
  painter.drawRect(box);
  const int dx = kDx[direction - 1], dy = kDy[direction - 1];
  const QPoint start(box.right() + 1, box.center().y());
  QPoint from = start;
  if (external) {
    // The lead-in point lies outside the box on the direction's side.
    from = QPoint(dx > 0   ? box.right() + 6
                  : dx < 0 ? box.left() - 6
                           : start.x(),
                  dy > 0   ? box.bottom() + 6
                  : dy < 0 ? box.top() - 6
                           : start.y());
  }
  const QPoint to = from + QPoint(dx * 12, dy * 12);
  painter.setPen(QPen(Qt::yellow, 2));
  painter.drawLine(start, from);
  painter.drawLine(from, to);
  painter.setBrush(Qt::red);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(start, 3, 3);
  painter.setBrush(Qt::yellow);
  painter.drawEllipse(to, 3, 3);
  return image;
}

}  // namespace

TFormDegagement::TFormDegagement(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane - Choix du dégagement"));
  EditLongueur = new QLineEdit(this);
  EditLongueur->setFixedWidth(60);
  MakeNumberEdit(EditLongueur, {false, false, 2});
  LongueurRefusee = new QLabel(this);
  LongueurRefusee->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
  connect(EditLongueur, &QLineEdit::textEdited, LongueurRefusee, &QLabel::clear);
  RadioButton1 = new QRadioButton(QStringLiteral("Externe"), this);
  RadioButton2 = new QRadioButton(QStringLiteral("Interne"), this);
  RadioButton1->setChecked(true);
  CheckBox3 = new QCheckBox(QStringLiteral("Appliquer aux 2 profils"), this);
  CheckBox2 = new QCheckBox(QStringLiteral("Ajuster la longueur sur le plus petit profil"), this);
  CheckBox3->setChecked(true);
  CheckBox2->setChecked(true);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);

  auto* images = new QGridLayout;
  for (int k = 1; k <= 8; ++k) {
    for (bool external : {true, false}) {
      auto* button = new QToolButton(this);
      button->setIcon(DirectionImage(k, external));
      button->setIconSize(QSize(56, 56));
      images->addWidget(button, kRow[k - 1], kColumn[k - 1]);
      (external ? ImageE : ImageI)[k - 1] = button;
      connect(button, &QToolButton::clicked, this, [this, k] { ImageClick(k); });
    }
  }
  auto* length = new QHBoxLayout;
  length->addWidget(new QLabel(QStringLiteral("Longueur"), this));
  length->addWidget(EditLongueur);
  length->addWidget(new QLabel(QStringLiteral("mm"), this));
  length->addStretch();
  auto* kind = new QHBoxLayout;
  kind->addWidget(RadioButton1);
  kind->addWidget(RadioButton2);
  kind->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(length);
  // On a line of its own, so that it shows whole in the narrow dialog.
  LongueurRefusee->setWordWrap(true);
  layout->addWidget(LongueurRefusee);
  layout->addLayout(kind);
  layout->addLayout(images);
  layout->addWidget(CheckBox3);
  layout->addWidget(CheckBox2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Annuler);
  layout->addLayout(buttons);

  for (QRadioButton* b : {RadioButton1, RadioButton2}) {
    connect(b, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  }
  connect(CheckBox3, &QCheckBox::clicked, this, [this] { CheckBox3Click(); });
  connect(Annuler, &QPushButton::clicked, this, [this] { AnnulerClick(); });
  // The caption whole, beside the frame's buttons.
  const int caption = fontMetrics().horizontalAdvance(windowTitle()) + 160;
  setMinimumWidth(std::max(caption, sizeHint().width()));
}

bool TFormDegagement::Run() {
  FormShow();
  exec();
  return options_.direction != 0;
}

void TFormDegagement::FormShow() {
  EditLongueur->setText(QStringLiteral("5"));
  LongueurRefusee->clear();
  RadioButton1Click();
  CheckBox3Click();
  options_.direction = 0;
  EditLongueur->setFocus();
  EditLongueur->selectAll();
}

void TFormDegagement::RadioButton1Click() {
  const bool external = RadioButton1->isChecked();
  for (int k = 0; k < 8; ++k) {
    ImageE[k]->setVisible(external);
    ImageI[k]->setVisible(!external);
  }
}

void TFormDegagement::CheckBox3Click() {
  CheckBox2->setEnabled(CheckBox3->isChecked());
}

void TFormDegagement::ImageClick(int direction) {
  const double length = EditNumber(EditLongueur);
  // Without a length there is nothing to add: the click waits for one.
  if (!(length > 0)) {
    LongueurRefusee->setText(QStringLiteral("Indiquez une longueur de 1 à 99 mm"));
    EditLongueur->setFocus();
    EditLongueur->selectAll();
    return;
  }
  LongueurRefusee->clear();
  options_.direction = direction;
  options_.length = length;
  options_.external = RadioButton1->isChecked();
  options_.both = CheckBox3->isChecked();
  options_.adjust = CheckBox2->isChecked();
  accept();
}

void TFormDegagement::AnnulerClick() {
  options_.direction = 0;
  QDialog::reject();
}

}  // namespace orvane::ui
