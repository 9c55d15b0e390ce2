#pragma once
// What the simulators share: the pseudo-terminal they serve on (raw, held
// open from both ends so the line stays up between the program's runs), its
// optional link and log, the termination signals, and a few small readers.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvane::simpty {

// True once SIGTERM, SIGINT or SIGHUP came in (after SimPty::Open).
bool TerminationAsked();
double MonotonicSeconds();
// A non-negative whole number in `base` (0: C's prefixes).
bool ParseCount(const char* text, long& out, int base);
// Writes all of `bytes` unless nobody reads: a serial line does not wait,
// what it cannot carry is lost.
void WriteAll(int fd, const void* bytes, size_t size);
void WriteLog(FILE* log, const std::vector<std::string>& lines);

class SimPty {
 public:
  SimPty() = default;
  SimPty(const SimPty&) = delete;
  SimPty& operator=(const SimPty&) = delete;
  // Closes both ends at once (a pulled cable), removes the link, closes the log.
  ~SimPty();
  // Opens all (the line at `baud` when not 0), catches the signals and
  // prints the path (the link's when given); false after saying why on
  // stderr, prefixed by `program`.
  bool Open(const char* program, const std::string& link, const std::string& log, long baud = 0);
  int Master() const { return master_; }
  // The rate the line is set to, by the program on its side or by Open; 0
  // when it is no standard rate.
  long LineBaud() const;
  FILE* Log() const { return log_; }

 private:
  bool SetLineBaud(long baud);
  int master_ = -1, slave_ = -1;
  FILE* log_ = nullptr;
  std::string link_;
};

}  // namespace orvane::simpty
