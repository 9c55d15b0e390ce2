#pragma once
// Starts tools/orvane-board-sim on its pseudo-terminal and reads back its log
// of the packets it received, decoded field by field.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

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
  BoardSim(const std::string& logPath, std::vector<std::string> args) : logPath_(logPath) {
    args.insert(args.begin(), {ORVANE_BOARD_SIM, "--log", logPath});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // The first line is the device path; a simulator that says nothing in
    // five seconds is broken, not slow.
    char c = 0;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') {
      device_ += c;
    }
    close(out[0]);
  }
  ~BoardSim() { Stop(); }
  BoardSim(const BoardSim&) = delete;
  BoardSim& operator=(const BoardSim&) = delete;

  const std::string& Device() const { return device_; }

  // Ends the simulator after it has logged everything already written to it;
  // returns its exit status.
  int Stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }
  std::vector<SimPacket> Log() const {
    std::vector<SimPacket> packets;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line)) {
      SimPacket packet;
      std::istringstream fields(line);
      std::string flags, command;
      fields >> packet.time >> flags;
      if (flags == "ERROR") {
        packet.error = true;
        std::getline(fields, packet.payload);
      } else {
        fields >> command;
        packet.flags = std::stoi(flags, nullptr, 16);
        packet.command = std::stoi(command, nullptr, 16);
        const size_t at = line.find(command, line.find(flags) + flags.size());
        packet.payload = line.substr(at + command.size() + 1);
      }
      packets.push_back(packet);
    }
    return packets;
  }

 private:
  std::string logPath_;
  std::string device_;
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace orvane::test
