#pragma once
// Runs the programs under test as processes: a shell command read to its end,
// or a child whose input, signals and end the test drives.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orvane::test {

// The exit status, or 128 + the signal that ended the process.
inline int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct ShellRun {
  int status;  // as ExitCode
  std::string output;
};

// `command` through the shell, its errors mixed with its output.
inline ShellRun Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  return {ExitCode(pclose(pipe)), output};
}

// Looks until `reached` holds; false after `seconds`. How a test waits on
// another process: it reads what that process did, never guesses a delay.
inline bool PollUntil(const std::function<bool()>& reached, int seconds = 60) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!reached()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// `argv` as a child: its input a pipe the test types into (closing it is the
// end of input) or the file `input`, its output and errors in `output`, and
// no core file when a signal kills it. Killed if the test ends first.
class Child {
 public:
  explicit Child(std::vector<std::string> argv, const std::string& output = "/dev/null",
                 const std::string& input = "") {
    // Built before the fork: the child of a threaded test may not allocate.
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    int in[2];
    if (pipe(in) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
      dup2(input.empty() ? in[0] : open(input.c_str(), O_RDONLY), STDIN_FILENO);
      close(in[0]);
      close(in[1]);  // else its input would never end
      const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      execv(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    keys_ = in[1];
  }
  ~Child() {
    if (!Ended()) kill(pid_, SIGKILL), Wait();
    EndInput();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Type(const std::string& keys) {
    return write(keys_, keys.data(), keys.size()) == ssize_t(keys.size());
  }
  void EndInput() {
    if (keys_ >= 0) close(keys_);
    keys_ = -1;
  }
  void Signal(int number) {
    if (!Ended()) kill(pid_, number);
  }
  // Polls `reached` while the child runs; false when it ended first.
  bool WaitUntil(const std::function<bool()>& reached, int seconds = 60) {
    return PollUntil([&] { return reached() || Ended(); }, seconds) && !Ended();
  }
  bool Ended() { return Reap(WNOHANG); }
  // As ExitCode.
  int Wait() {
    Reap(0);
    EndInput();
    return code_;
  }

 private:
  bool Reap(int options) {
    int status = 0;
    if (code_ < 0 && pid_ > 0 && waitpid(pid_, &status, options) == pid_) code_ = ExitCode(status);
    return code_ >= 0 || pid_ <= 0;
  }
  pid_t pid_ = -1;
  int keys_ = -1;
  int code_ = -1;
};

}  // namespace orvane::test
