#include "ui/dialogs/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvane::ui {

QString MessageTitle(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning:
      return QStringLiteral("Avertissement");
    case MessageKind::Error:
      return QStringLiteral("Erreur");
    case MessageKind::Information:
      return QStringLiteral("Information");
    case MessageKind::Confirmation:
      return QStringLiteral("Confirmation");
  }
  return {};
}

MessageAnswer QtMessageService::Show(MessageKind kind, const std::string& text,
                                     MessageButtons buttons) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(MessageTitle(kind));
  box.setText(QString::fromStdString(text));
  switch (kind) {
    case MessageKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageKind::Confirmation:
      box.setIcon(QMessageBox::Question);
      break;
  }
  QPushButton* ok = nullptr;
  QPushButton* yes = nullptr;
  QPushButton* no = nullptr;
  QPushButton* cancel = nullptr;
  if (buttons == MessageButtons::Ok) {
    ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  } else {
    yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    if (buttons == MessageButtons::YesNoCancel) {
      cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    }
  }
  box.setDefaultButton(ok ? ok : buttons == MessageButtons::YesNoDefaultNo ? no : yes);
  // A question asked during long work shows the ordinary pointer, not the busy one.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked && clicked == yes) return MessageAnswer::Yes;
  if (clicked && clicked == no) return MessageAnswer::No;
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  // Closing the box with Escape or its frame means the safe answer.
  return cancel ? MessageAnswer::Cancel : MessageAnswer::No;
}

}  // namespace orvane::ui
