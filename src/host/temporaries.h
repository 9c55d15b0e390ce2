#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/heat_signals.h"

namespace orvane {

// Installs handlers so that the termination signals rest the heating,
// remove every tracked temporary and then end the process as the signal
// would have. For orvane-cli; the windows end through their own orderly
// close instead.
void RemoveTemporariesOnSignals();

// Tracks a file (or, with a trailing '/', an empty folder) for removal on a
// termination signal. Returns a handle for ForgetTemporary, or -1 when the
// table is full (the stale sweep of a later run then takes the file).
int TrackTemporary(const std::string& path);
void ForgetTemporary(int handle);

// An exclusive lock on a folder, taken by whoever creates or sweeps
// temporaries in it, so a sweep never sees a temporary before its owner has
// locked it. Without a lock (a folder that cannot be opened) it does nothing.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// A working folder of one process, "orvane-cli-" and six characters in
// `parent`: locked while the process lives, emptied and removed when the
// object goes or a termination signal arrives; `fileNames` are the files the
// work will create in it.
class WorkFolder {
 public:
  static std::unique_ptr<WorkFolder> Create(const std::string& parent,
                                            const std::vector<std::string>& fileNames,
                                            std::string* error);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& Path() const { return path_; }  // ends with '/'

 private:
  WorkFolder() = default;
  std::string path_;
  int lockFd_ = -1;
  std::vector<int> tracked_;
};

// Removes the work folders in `parent` whose process is gone (kill -9).
void RemoveStaleWorkFolders(const std::string& parent);

}  // namespace orvane
