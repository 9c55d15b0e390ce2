#pragma once
// The working folders of the system page and the new-folder dialog.

#include <string>
#include <string_view>

namespace orvane {

// A folder as the store keeps it: absolute, existing, with a final "/".
// `message` says why a text cannot be one (empty when `ok`).
struct FolderCheck {
  bool ok = false;
  std::string folder;
  std::string message;
};
// `label` names the folder in the message ("projets").
FolderCheck CheckWorkingFolder(std::string_view text, std::string_view label);

// Why `name` cannot be a sub-folder of the application folder: empty, ".",
// "..", or holding "/" (which would leave it or make several levels).
// Empty when it can.
std::string NewFolderNameProblem(std::string_view name);

}  // namespace orvane
