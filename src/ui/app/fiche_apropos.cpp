#include "ui/app/fiche_apropos.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

#include "core/app/startup.h"

namespace orvane::ui {

TFormAPropos::TFormAPropos(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane - A propos du logiciel"));
  auto* title = new QLabel(QStringLiteral("<h2>Orvane</h2>"
                                          "Découpe CNC au fil chaud, quatre axes"),
                           this);
  Version = new QLabel(QString::fromStdString(SettingsVersionLabel()), this);
  Licence = new QLabel(
      QStringLiteral("Licence : GNU General Public License, version 3 ou ultérieure.<br>"
                     "Ce programme est fourni sans aucune garantie : le fil est chaud et les "
                     "moteurs sont réels, surveillez toujours la machine."),
      this);
  Licence->setWordWrap(true);
  // The Qt the program runs with, which may be newer than the one it was built with.
  Bibliotheques = new QLabel(
      QStringLiteral(
          "Bibliothèques utilisées :<br>"
          "&nbsp;&nbsp;Qt %1 (Core, Gui, Widgets, Multimedia ; compilé avec Qt %2), "
          "licence GNU LGPL version 3<br>"
          "&nbsp;&nbsp;Bibliothèque standard C++ (GCC %3)")
          .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
               QStringLiteral(__VERSION__).toHtmlEscaped()),
      this);
  Bibliotheques->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {title, Version, Licence, Bibliotheques}) layout->addWidget(label);
  layout->addStretch();
  layout->addWidget(buttons);
  setMinimumWidth(480);
}

}  // namespace orvane::ui
