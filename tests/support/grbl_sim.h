#pragma once
// Starts tools/orvane-grbl-sim on its pseudo-terminal and reads back its log:
// the lines it took from its receive buffer, the real-time bytes, the bytes
// it lost, the spindle output, and the summary it writes when it stops.

#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_folder.h"

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

class GrblSim {
 public:
  GrblSim(const std::string& logPath, std::vector<std::string> args)
      : logPath_(logPath), out_(logPath + ".out") {
    std::filesystem::remove(logPath);
    std::filesystem::remove(out_);
    args.insert(args.begin(), {ORVANE_GRBL_SIM, "--log", logPath});
    sim_ = std::make_unique<Child>(args, out_);
    PollUntil([&] { return ReadText(out_).find('\n') != std::string::npos || sim_->Ended(); }, 5);
    const std::string said = ReadText(out_);
    if (said.find('\n') != std::string::npos) device_ = said.substr(0, said.find('\n'));
  }
  const std::string& Device() const { return device_; }
  int Stop() {
    sim_->Signal(SIGTERM);
    return sim_->Wait();
  }
  GrblSimLog Log() const {
    GrblSimLog log;
    std::istringstream in(ReadText(logPath_));
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

 private:
  std::string logPath_, out_, device_;
  std::unique_ptr<Child> sim_;
};

}  // namespace orvane::test
