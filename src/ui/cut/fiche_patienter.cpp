#include "ui/cut/fiche_patienter.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace orvane::ui {

TFormPatienter::TFormPatienter(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane - Veuillez patienter"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  LabelOperation = new QLabel(this);
  LabelInfo = new QLabel(this);
  ProgressBar1 = new QProgressBar(this);
  auto* hint = new QLabel(QStringLiteral("ESC pour annuler"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelOperation);
  layout->addWidget(LabelInfo);
  layout->addWidget(ProgressBar1);
  layout->addWidget(hint);
  setMinimumWidth(420);
}

}  // namespace orvane::ui
