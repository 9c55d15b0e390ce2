#include "ui/dialogs/qt_desktop_service.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace orvane::ui {

bool QtDesktopService::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtDesktopService::StartProgram(const std::string& program) {
  // No window of another program can be raised from here (Wayland forbids
  // it); single-instance calculators such as gnome-calculator bring their open
  // window forward when started again.
  return QProcess::startDetached(QString::fromStdString(program), {});
}

std::string QtDesktopService::SearchPath() const {
  return qEnvironmentVariable("PATH").toStdString();
}

}  // namespace orvane::ui
