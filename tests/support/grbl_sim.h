#pragma once
// Starts tools/orvane-grbl-sim on its pseudo-terminal and reads back its log:
// the lines it took from its receive buffer, the real-time bytes, the bytes
// it lost, the spindle output, and the summary it writes when it stops.

#include <sstream>
#include <string>
#include <vector>

#include "support/sim_process.h"

namespace orvane::test {

struct GrblSimLog {
  std::vector<std::string> lines;   // as received, "$I" included
  std::vector<std::string> events;  // "RT 0x21", "SPINDLE off (M5)", "LOST 3", "ALARM 1"...
  std::string summary;              // "END spindle off MPos:... lines ..."
  bool Has(const std::string& event) const {
    for (const std::string& e : events) {
      if (e.starts_with(event)) return true;
    }
    return false;
  }
  // The spindle output as the last event about it left it.
  bool SpindleOff() const { return summary.starts_with("END spindle off"); }
};

class GrblSim : public SimProcess {
 public:
  GrblSim(const std::string& logPath, std::vector<std::string> args)
      : SimProcess(ORVANE_GRBL_SIM, logPath, std::move(args)) {}
  GrblSimLog Log() const {
    GrblSimLog log;
    std::istringstream in(LogText());
    for (std::string line; std::getline(in, line);) {
      const size_t space = line.find(' ');
      if (space == std::string::npos) continue;
      const std::string event = line.substr(space + 1);
      if (event.starts_with("LINE ")) {
        log.lines.push_back(event.substr(5));
      } else if (event.starts_with("END ")) {
        log.summary = event;
      } else {
        log.events.push_back(event);
      }
    }
    return log;
  }
};

}  // namespace orvane::test
