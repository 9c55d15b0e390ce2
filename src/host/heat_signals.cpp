#include "host/heat_signals.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "core/machine/heat_guard.h"

namespace orvane {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

std::atomic<long> gMainThread{0};

void OnFatalSignal(int number, siginfo_t* info, void*) {
  // A signal sent by another process (kill -SEGV) is the process's, not this
  // thread's: the thread that installed the handlers takes it, so that helper
  // threads (the recording's stream) can finish what the rest leaves to do.
  const long self = syscall(SYS_gettid);
  const long main = gMainThread.load();
  if (info && info->si_code <= 0 && main != 0 && self != main) {
    syscall(SYS_tgkill, getpid(), main, number);
    return;
  }
  HeatGuard::RestActiveFromSignal();
  // Die as the signal would have: default action, core dump included.
  signal(number, SIG_DFL);
  raise(number);
}

}  // namespace

void RestHeatingFromSignal() noexcept {
  HeatGuard::RestActiveFromSignal();
}

void InstallFatalSignalHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  gMainThread.store(syscall(SYS_gettid));
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  for (int number : kFatalSignals) sigaction(number, &action, nullptr);
}

}  // namespace orvane
