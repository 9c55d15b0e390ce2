#include "host/signal_bridge.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "host/heat_signals.h"

namespace orvane {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int number) {
  const int saved = errno;
  // The heating off before anything else; the orderly close follows.
  RestHeatingFromSignal();
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] ssize_t n = write(gSignalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
  if (gSignalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
    return;
  }
  fcntl(gSignalPipe[1], F_SETFL, O_NONBLOCK);
  notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    if (read(gSignalPipe[0], &byte, 1) == 1) emit terminationRequested(byte);
  });
  InstallTerminationHandler(OnSignal, true);
}

SignalBridge::~SignalBridge() {
  for (int number : TerminationSignals()) {
    struct sigaction current {};
    if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == OnSignal) {
      signal(number, SIG_DFL);
    }
  }
}

}  // namespace orvane
