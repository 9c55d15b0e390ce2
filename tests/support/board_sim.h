#pragma once
// Starts tools/orvane-board-sim on its pseudo-terminal and reads back its log
// of the packets it received, decoded field by field.

#include <sstream>
#include <string>
#include <vector>

#include "support/sim_process.h"

namespace orvane::test {

struct SimPacket {
  double time = 0;
  int flags = -1;
  int command = -1;
  std::string payload;  // the line's 46 characters, hex bytes, or "-"
  bool error = false;   // framing or unknown command
};

class BoardSim : public SimProcess {
 public:
  BoardSim(const std::string& logPath, std::vector<std::string> args)
      : SimProcess(ORVANE_BOARD_SIM, logPath, std::move(args)) {}
  std::vector<SimPacket> Log() const {
    std::vector<SimPacket> packets;
    std::istringstream in(LogText());
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
};

}  // namespace orvane::test
