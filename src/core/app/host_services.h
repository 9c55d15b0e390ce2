#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The four kinds of message box, titled "Avertissement", "Erreur",
// "Information" and "Confirmation".
enum class MessageKind { Warning, Error, Information, Confirmation };
// YesNoDefaultNo: a destructive question, whose default (Enter) is "Non".
enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// Every message the program shows goes through here, so tests can read the
// texts and script the answers.
class MessageService {
 public:
  virtual ~MessageService() = default;
  virtual MessageAnswer Show(MessageKind kind, const std::string& text,
                             MessageButtons buttons = MessageButtons::Ok) = 0;
};

struct FileDialogRequest {
  std::string title;
  std::string folder;
  std::vector<std::string> filters;  // "Projets (*.ovp)"
  std::string defaultSuffix;
  std::string fileName;
  // Called with each file the user browses while the dialog is open.
  std::function<void(const std::string& path)> onSelectionChanged;
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  // An existing folder (`title`, starting in `folder`); the path has no final "/".
  virtual std::optional<std::string> ChooseFolder(const FileDialogRequest& request) = 0;
  // Whether save dialogs ask before replacing an existing file.
  virtual void SetConfirmOverwrite(bool confirm) = 0;
  virtual bool ConfirmOverwrite() const = 0;
};

// The high-resolution counter and millisecond sleeps.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t Counter() = 0;
  virtual int64_t TicksPerMicrosecond() const = 0;
  virtual void SleepMilliseconds(int milliseconds) = 0;
};

// The desktop: documents and addresses opened in the user's programs, and
// programs started apart from this one.
class DesktopService {
 public:
  virtual ~DesktopService() = default;
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts `program` (a full path) detached; false when it could not start.
  virtual bool StartProgram(const std::string& program) = 0;
  // The folders programs are looked up in, as in PATH.
  virtual std::string SearchPath() const = 0;
};

enum class Key { Space, Escape, Left, Right, Up, Down, Shift, Ctrl, F11 };

class KeyState {
 public:
  virtual ~KeyState() = default;
  virtual bool IsKeyDown(Key key) const = 0;
};

}  // namespace orvane
