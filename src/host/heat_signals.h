#pragma once

namespace orvane {

// A fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) first rests the
// heat guard that is heating, with async-signal-safe calls only (ppdev's
// ioctl or the output instruction), then lets the process die as it would
// have. Runs on an alternate stack so a stack overflow is caught too.
void InstallFatalSignalHandlers();

// For SIGTERM, SIGINT and SIGHUP handlers: the heating off before anything
// else is done. Async-signal-safe.
void RestHeatingFromSignal() noexcept;

}  // namespace orvane
