#include "ui/project/fiche_saisie.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/common/text_number.h"

namespace orvane::ui {
namespace {

struct ModeText {
  const char* caption;
  const char* label1;
  const char* edit1;
  const char* label2;  // nullptr: hidden
  const char* edit2;   // nullptr: no edit
  const char* check;   // nullptr: hidden
};

const ModeText kModes[6] = {
    {"Orvane - Appliquer un coefficient", "Entrez un facteur de redimensionnement", "1", nullptr,
     nullptr, nullptr},
    {"Orvane - Confondre les points", "Tolérance en millimètres", "0.5", "Intervale en points ",
     "5", "Inverser le sens de recherche"},
    {"Orvane - Déplacer la sélection", "Déplacement X en mm", "0", "Déplacement Y en mm", "0",
     nullptr},
    {"Orvane - Diviser les segments", "Distance minimale à conserver entre points", "2",
     "Nombre de passes", "5", nullptr},
    {"Orvane - Trait de coupe", "Décalage externe des arrêtes    [ 5mm maxi ]", "0.5",
     "Avertissement : le résultat sera erroné si le tracé se croise", nullptr,
     "Forcer le décalage vers l'intérieur"},
    {"Orvane - Rotation", "Angle en degrés", "45", "(positif = anti-horaire, négatif = horaire)",
     nullptr, nullptr},
};

}  // namespace

TFormSaisie::TFormSaisie(QWidget* parent) : QDialog(parent) {
  Label1 = new QLabel(this);
  Label2 = new QLabel(this);
  Edit1 = new QLineEdit(this);
  Edit2 = new QLineEdit(this);
  CheckBox1 = new QCheckBox(this);
  Appliquer = new QPushButton(QStringLiteral("Appliquer"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(Label1, 0, 0);
  layout->addWidget(Edit1, 0, 1);
  layout->addWidget(Label2, 1, 0);
  layout->addWidget(Edit2, 1, 1);
  layout->addWidget(CheckBox1, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Appliquer);
  buttons->addWidget(Annuler);
  layout->addLayout(buttons, 3, 0, 1, 2);
  for (QLineEdit* edit : {Edit1, Edit2}) edit->installEventFilter(this);
  connect(Appliquer, &QPushButton::clicked, this, [this] { AppliquerClick(); });
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormSaisie::Run(int mode) {
  mode_ = mode;
  const ModeText& text = kModes[std::clamp((mode - 1) / 2, 0, 5)];
  setWindowTitle(QString::fromUtf8(text.caption));
  Label1->setText(QString::fromUtf8(text.label1));
  Edit1->setText(QString::fromUtf8(text.edit1));
  Label2->setVisible(text.label2 != nullptr);
  Label2->setText(text.label2 ? QString::fromUtf8(text.label2) : QString());
  Edit2->setVisible(text.edit2 != nullptr);
  Edit2->setText(text.edit2 ? QString::fromUtf8(text.edit2) : QString());
  CheckBox1->setVisible(text.check != nullptr);
  CheckBox1->setText(text.check ? QString::fromUtf8(text.check) : QString());
  CheckBox1->setChecked(false);
  Edit1->setFocus();
  Edit1->selectAll();
  return exec() == QDialog::Accepted;
}

double TFormSaisie::Value1() const {
  return ParseReal(Edit1->text().toStdString()).value_or(0);
}
double TFormSaisie::Value2() const {
  return ParseReal(Edit2->text().toStdString()).value_or(0);
}
bool TFormSaisie::Checked() const {
  return CheckBox1->isChecked();
}

void TFormSaisie::AppliquerClick() {
  // Values are checked here so that the window can stay open for another try.
  auto refuse = [this](QLineEdit* edit, const char* value) {
    if (warn) warn("Valeur incorrecte !");
    edit->setText(QString::fromUtf8(value));
    edit->selectAll();
    edit->setFocus();
  };
  if (mode_ == 9 || mode_ == 10) {
    const double k = Value1();
    if (!(k >= 0.01 && k <= 5)) return refuse(Edit1, "0.5");
  }
  if (mode_ == 7 || mode_ == 8) {
    // A distance of 0 or less would double every segment at each pass.
    const auto distance = ParseReal(Edit1->text().toStdString());
    if (!distance || *distance <= 0) return refuse(Edit1, "2");
    const auto passes = ParseReal(Edit2->text().toStdString());
    if (!passes || RoundHalfEven(*passes) < 1) return refuse(Edit2, "5");
  }
  accept();
}

bool TFormSaisie::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* edit = static_cast<QLineEdit*>(watched);
    const QString text = key->text();
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return false;
    if (text.isEmpty() || !text[0].isPrint() || (key->modifiers() & Qt::ControlModifier)) {
      return false;
    }
    const bool digit = text.size() == 1 && text[0].isDigit();
    const bool point = text == QStringLiteral(".") && !edit->text().contains('.');
    const bool minus = text == QStringLiteral("-");
    return !(digit || point || minus);
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace orvane::ui
