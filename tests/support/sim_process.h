#pragma once
// Starts one of the simulators (tools/orvane-board-sim, tools/orvane-grbl-sim)
// on its pseudo-terminal with a log, and ends it.

#include <signal.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane::test {

class SimProcess {
 public:
  // `logPath` receives the simulator's log; `args` are its options.
  SimProcess(const char* program, const std::string& logPath, std::vector<std::string> args)
      : logPath_(logPath), out_(logPath + ".out") {
    // What an earlier simulator left there would pass for this one's device
    // and log.
    std::filesystem::remove(logPath);
    std::filesystem::remove(out_);
    args.insert(args.begin(), {program, "--log", logPath});
    sim_ = std::make_unique<Child>(args, out_);
    // The first line is the device path; a simulator that says nothing in
    // five seconds is broken, not slow.
    PollUntil([&] { return ReadText(out_).find('\n') != std::string::npos || sim_->Ended(); }, 5);
    const std::string said = ReadText(out_);
    if (said.find('\n') != std::string::npos) device_ = said.substr(0, said.find('\n'));
  }
  const std::string& Device() const { return device_; }
  // Ends the simulator after it has logged everything already written to it;
  // returns its exit status.
  int Stop() {
    sim_->Signal(SIGTERM);
    return sim_->Wait();
  }

 protected:
  std::string LogText() const { return ReadText(logPath_); }

 private:
  std::string logPath_, out_, device_;
  std::unique_ptr<Child> sim_;
};

}  // namespace orvane::test
