#include "host/signal_bridge.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "host/heat_signals.h"

namespace orvane {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int number) {
  // The heating off before anything else; the orderly close follows.
  RestHeatingFromSignal();
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] ssize_t n = write(gSignalPipe[1], &byte, 1);
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
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

SignalBridge::~SignalBridge() {
  for (int number : {SIGTERM, SIGINT, SIGHUP}) signal(number, SIG_DFL);
}

}  // namespace orvane
