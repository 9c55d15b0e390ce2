#pragma once
// Starts tools/orvane-board-sim on its pseudo-terminal and reads back its log
// of the packets it received, decoded field by field.

#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane::test {

struct SimPacket {
  double time = 0;
  int flags = -1;
  int command = -1;
  std::string payload;  // the line's 46 characters, hex bytes, or "-"
  bool error = false;   // framing or unknown command
};

class BoardSim {
 public:
  // `logPath` receives the simulator's log; `args` are its fault options.
  BoardSim(const std::string& logPath, std::vector<std::string> args)
      : logPath_(logPath), out_(logPath + ".out") {
    // What an earlier simulator left there would pass for this one's device
    // and packets.
    std::filesystem::remove(logPath);
    std::filesystem::remove(out_);
    args.insert(args.begin(), {ORVANE_BOARD_SIM, "--log", logPath});
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
  std::vector<SimPacket> Log() const {
    std::vector<SimPacket> packets;
    std::istringstream in(ReadText(logPath_));
    for (std::string line; std::getline(in, line);) {
      SimPacket packet;
      std::istringstream fields(line);
      std::string flags, command;
      fields >> packet.time >> flags;
      packet.error = flags == "ERROR";
      if (!packet.error) {
        fields >> command;
        packet.flags = std::stoi(flags, nullptr, 16);
        packet.command = std::stoi(command, nullptr, 16);
        fields.get();  // the one space before the payload
      }
      std::getline(fields, packet.payload);
      packets.push_back(packet);
    }
    return packets;
  }

 private:
  std::string logPath_, out_, device_;
  std::unique_ptr<Child> sim_;
};

}  // namespace orvane::test
