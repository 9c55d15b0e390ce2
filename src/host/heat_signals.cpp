#include "host/heat_signals.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "core/machine/heat_guard.h"

namespace orvane {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};

std::vector<int> ListTerminationSignals() {
  std::vector<int> list = {SIGHUP,  SIGINT,  SIGQUIT,   SIGUSR1, SIGUSR2, SIGPIPE,
                           SIGALRM, SIGTERM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};
#ifdef SIGPOLL
  list.push_back(SIGPOLL);
#endif
#ifdef SIGSTKFLT
  list.push_back(SIGSTKFLT);
#endif
#ifdef SIGPWR
  list.push_back(SIGPWR);
#endif
  // The C library keeps the first few real-time signals for itself; SIGRTMIN
  // is the first one a process may use.
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) list.push_back(number);
  return list;
}

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

std::span<const int> TerminationSignals() {
  static const std::vector<int> list = ListTerminationSignals();
  return list;
}

sigset_t TerminationSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int number : TerminationSignals()) sigaddset(&set, number);
  return set;
}

void InstallTerminationHandler(void (*handler)(int), bool restart) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = TerminationSignalSet();
  action.sa_flags = restart ? SA_RESTART : 0;
  for (int number : TerminationSignals()) {
    struct sigaction current {};
    if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaction(number, &action, nullptr);
  }
}

std::thread StartWithoutTerminationSignals(std::function<void()> body) {
  TerminationSignalsHeld held;  // the new thread inherits the mask
  return std::thread(std::move(body));
}

TerminationSignalsHeld::TerminationSignalsHeld() {
  const sigset_t set = TerminationSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

TerminationSignalsHeld::~TerminationSignalsHeld() {
  pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

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
