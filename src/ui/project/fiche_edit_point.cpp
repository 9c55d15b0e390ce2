#include "ui/project/fiche_edit_point.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/common/text_number.h"
#include "core/project/operations.h"
#include "core/project/profile.h"

namespace orvane::ui {

TFormEditPoint::TFormEditPoint(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane - Edition des coordonnées"));
  OldX = new QLabel(this);
  OldY = new QLabel(this);
  EditNewX = new QLineEdit(this);
  EditNewY = new QLineEdit(this);
  auto* appliquer = new QPushButton(QStringLiteral("Appliquer"), this);
  auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Coordonnée X"), this), 0, 0);
  layout->addWidget(OldX, 0, 1);
  layout->addWidget(EditNewX, 0, 2);
  layout->addWidget(new QLabel(QStringLiteral("Coordonnée Y"), this), 1, 0);
  layout->addWidget(OldY, 1, 1);
  layout->addWidget(EditNewY, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(appliquer);
  buttons->addWidget(annuler);
  layout->addLayout(buttons, 2, 0, 1, 3);
  for (QLineEdit* edit : {EditNewX, EditNewY}) edit->installEventFilter(this);
  connect(appliquer, &QPushButton::clicked, this, &QDialog::accept);
  connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormEditPoint::Run(const std::string& x, const std::string& y) {
  OldX->setText(QString::fromStdString(x));
  OldY->setText(QString::fromStdString(y));
  EditNewX->setText(QString::fromStdString(x));
  EditNewY->setText(QString::fromStdString(y));
  EditNewX->setFocus();
  EditNewX->selectAll();
  return exec() == QDialog::Accepted && ParseReal(NewX()) && ParseReal(NewY());
}

std::string TFormEditPoint::NewX() const {
  return EditNewX->text().toStdString();
}
std::string TFormEditPoint::NewY() const {
  return EditNewY->text().toStdString();
}

bool TFormEditPoint::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  auto* edit = static_cast<QLineEdit*>(watched);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    if (edit == EditNewX) {
      EditNewY->setFocus();
      EditNewY->selectAll();
    } else {
      accept();
    }
    return true;
  }
  const QString text = key->text();
  if (text.isEmpty() || !text[0].isPrint() || (key->modifiers() & Qt::ControlModifier)) {
    return false;
  }
  if (text == QStringLiteral("-")) {
    if (edit->text().contains('-') && !edit->hasSelectedText()) return true;
    // A minus typed into a value starts a new one.
    if (!edit->text().isEmpty() && !edit->hasSelectedText()) edit->clear();
    return false;
  }
  const bool digit = text.size() == 1 && text[0].isDigit();
  const bool point = text == QStringLiteral(".") && !edit->text().contains('.');
  return !(digit || point);
}

TFormProprietes::TFormProprietes(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Propriétés du dessin"));
  static const char* const kNames[6] = {"Profil",      "Nombre de points", "Etat du tracé",
                                        "Dégagements", "Développé",        "Surface"};
  static const char* const kUnits[6] = {"", "", "", "", "cm", "cm²"};
  auto* layout = new QGridLayout(this);
  for (int i = 0; i < 6; ++i) {
    Values[i] = new QLabel(this);
    Values[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(new QLabel(QString::fromUtf8(kNames[i]), this), i, 0);
    layout->addWidget(Values[i], i, 1);
    layout->addWidget(new QLabel(QString::fromUtf8(kUnits[i]), this), i, 2);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  layout->addWidget(ok, 6, 1);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormProprietes::Run(int profile, const Profile& p) {
  const PointRows& rows = p.adjusted;
  Values[0]->setText(QString::number(profile));
  Values[1]->setText(QString::fromStdString(FormatFixed(RowCount(rows) - 1, 0)));
  Values[2]->setText(IsClosed(rows) ? QStringLiteral("Fermé") : QStringLiteral("Ouvert"));
  Values[3]->setText(HasLeadIn(rows) ? QStringLiteral("Oui") : QStringLiteral("Non"));
  Values[4]->setText(QString::fromStdString(FormatFixed(DevelopedLength(rows) / 10, 2)));
  Values[5]->setText(QString::fromStdString(FormatFixed(EnclosedArea(rows) / 100, 2)));
  exec();
}

}  // namespace orvane::ui
