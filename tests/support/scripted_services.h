#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/host_services.h"

namespace orvane::test {

// Records every message shown and answers from a script. A question with no
// scripted answer fails loudly instead of guessing.
class ScriptedMessageService : public MessageService {
 public:
  struct Shown {
    MessageKind kind;
    std::string text;
    MessageButtons buttons;
  };
  MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
    if (onShow) onShow();
    shown.push_back({kind, text, buttons});
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) throw std::logic_error("unscripted question: " + text);
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  size_t Count(MessageKind kind) const {
    size_t n = 0;
    for (const Shown& s : shown) n += s.kind == kind;
    return n;
  }

  std::deque<MessageAnswer> answers;
  std::vector<Shown> shown;
  // Called as each box opens, to look at the windows behind it.
  std::function<void()> onShow;
};

// Browses the scripted files in turn (calling the preview callback), then
// answers with the chosen file or a cancel.
class ScriptedFileDialogService : public FileDialogService {
 public:
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
    return Run(request);
  }
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
    return Run(request);
  }
  std::optional<std::string> ChooseFolder(const FileDialogRequest& request) override {
    requests.push_back(request);
    return chosenFolder;
  }
  void SetConfirmOverwrite(bool confirm) override { confirmOverwrite = confirm; }
  bool ConfirmOverwrite() const override { return confirmOverwrite; }

  std::vector<std::string> browsed;
  std::optional<std::string> chosenFolder;
  std::optional<std::string> chosen;
  std::vector<FileDialogRequest> requests;
  bool confirmOverwrite = true;

 private:
  std::optional<std::string> Run(const FileDialogRequest& request) {
    requests.push_back(request);
    if (request.onSelectionChanged) {
      for (const std::string& path : browsed) request.onSelectionChanged(path);
    }
    return chosen;
  }
};

// Records what the program asks of the desktop; `searchPath` is the PATH it
// sees, and `opens`/`starts` say whether the desktop manages.
class ScriptedDesktopService : public DesktopService {
 public:
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return opens;
  }
  bool StartProgram(const std::string& program) override {
    programs.push_back(program);
    return starts;
  }
  std::string SearchPath() const override { return searchPath; }

  std::vector<std::string> urls;
  std::vector<std::string> programs;
  std::string searchPath;
  bool opens = true;
  bool starts = true;
};

// Keys held as the test decides; none while `down` is unset.
struct ScriptedKeys : KeyState {
  bool IsKeyDown(Key key) const override { return down && down(key); }
  std::function<bool(Key)> down;
};

// A counter that advances only when read or slept on, so waits end at once
// and their lengths can be checked exactly.
class FakeClock : public Clock {
 public:
  int64_t Counter() override { return now += stepPerRead; }
  int64_t TicksPerMicrosecond() const override { return ticksPerMicrosecond; }
  void SleepMilliseconds(int milliseconds) override {
    sleeps.push_back(milliseconds);
    now += int64_t(milliseconds) * 1000 * ticksPerMicrosecond;
  }
  int64_t now = 0;
  int64_t stepPerRead = 1;
  int64_t ticksPerMicrosecond = 1000;
  std::vector<int> sleeps;
};

}  // namespace orvane::test
