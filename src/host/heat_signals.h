#pragma once

#include <signal.h>

#include <functional>
#include <span>
#include <thread>

namespace orvane {

// Every signal whose default action ends the process and that comes from
// outside it (kill, the terminal, a timer, a resource limit): SIGTERM, SIGINT,
// SIGHUP, SIGQUIT, SIGUSR1/2, SIGPIPE, the timer, limit and real-time
// signals. The one list the command line and the windows install their
// handlers on and their helper threads block; the faults (SIGSEGV and the
// like) have the handler below.
std::span<const int> TerminationSignals();
sigset_t TerminationSignalSet();

// Installs `handler` on every termination signal the process does not
// ignore (an ignored one, as under nohup, cannot end it). Without
// `restart` a blocking read returns at once, so a waiting loop sees the
// request. The other termination signals wait while the handler runs.
void InstallTerminationHandler(void (*handler)(int), bool restart = false);

// A thread that never takes a termination signal: the handler then always
// runs where it cannot interrupt a thread it waits for (the recording's
// stream, the output thread).
std::thread StartWithoutTerminationSignals(std::function<void()> body);

// Holds the termination signals back while it lives; they are delivered
// when it goes.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld();
  ~TerminationSignalsHeld();
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// A fault (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS) first
// rests the heat guard that is heating, with async-signal-safe calls only
// (ppdev's ioctl or the output instruction), then lets the process die as it
// would have. Runs on an alternate stack so a stack overflow is caught too.
void InstallFatalSignalHandlers();

// For termination handlers: the heating off before anything else is done.
// Async-signal-safe.
void RestHeatingFromSignal() noexcept;

}  // namespace orvane
