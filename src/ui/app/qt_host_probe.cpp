#include "ui/app/qt_host_probe.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include "host/host_centronic.h"

namespace orvane::ui {

int QtHostProbe::ScreenHeight() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

double QtHostProbe::MeasureCpuClockGHz() {
  return orvane::MeasureCpuClockGHz();
}
int64_t QtHostProbe::CounterFrequency() {
  return MonotonicCounterFrequency();
}
uint8_t QtHostProbe::ClassifyWindows() {
  return orvane::ClassifyWindows();
}

bool QtHostProbe::EnsurePointDecimalSeparator() {
  QLocale::setDefault(QLocale::c());
  return orvane::EnsurePointDecimalSeparator();
}

std::string QtHostProbe::FormatOnePointFive() {
  return QLocale().toString(1.5, 'f', 2).toStdString();
}

}  // namespace orvane::ui
