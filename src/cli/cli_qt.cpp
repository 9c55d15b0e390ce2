// Qt's serial layer needs an application object on the thread that uses it.
#include <clocale>

#include <QCoreApplication>

#include "cli/cli_commands.h"

namespace orvane::cli {

void EnsureQtCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "orvane-cli";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  // Qt takes the user's locale; numbers stay in the C form whatever it says.
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace orvane::cli
