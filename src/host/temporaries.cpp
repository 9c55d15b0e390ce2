#include "host/temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "host/heat_signals.h"

namespace orvane {
namespace {

// A fixed table, so the signal handler reads it without allocating.
struct Slot {
  volatile sig_atomic_t used;
  char path[PATH_MAX];
};
constexpr int kSlots = 64;
Slot gSlots[kSlots];

constexpr std::string_view kWorkPrefix = "orvane-cli-";

void RemoveTracked(bool folders) {
  for (Slot& slot : gSlots) {
    if (!slot.used) continue;
    const size_t length = strlen(slot.path);
    const bool folder = length > 0 && slot.path[length - 1] == '/';
    if (folder != folders) continue;
    if (folder) {
      rmdir(slot.path);
    } else {
      unlink(slot.path);
    }
  }
}

void OnTermination(int number) {
  const int saved = errno;
  RestHeatingFromSignal();  // the wire first, should a command be heating it
  RemoveTracked(false);
  RemoveTracked(true);
  // End as the signal would have, so the shell sees an interrupted command.
  signal(number, SIG_DFL);
  raise(number);
  errno = saved;
}

bool IsWorkFolderName(std::string_view name) {
  if (name.size() != kWorkPrefix.size() + 6 || !name.starts_with(kWorkPrefix)) return false;
  for (char c : name.substr(kWorkPrefix.size())) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

void RemoveTemporariesOnSignals() {
  InstallTerminationHandler(OnTermination);
}

int TrackTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  TerminationSignalsHeld held;
  for (int i = 0; i < kSlots; ++i) {
    if (gSlots[i].used) continue;
    std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
    gSlots[i].used = 1;
    return i;
  }
  return -1;
}

void ForgetTemporary(int handle) {
  if (handle < 0 || handle >= kSlots) return;
  TerminationSignalsHeld held;
  gSlots[handle].used = 0;
}

FolderLock::FolderLock(const std::string& folder) {
  fd_ = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ >= 0) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

std::unique_ptr<WorkFolder> WorkFolder::Create(const std::string& parent,
                                               const std::vector<std::string>& fileNames,
                                               std::string* error) {
  std::error_code ignored;
  std::filesystem::create_directories(parent, ignored);
  std::unique_ptr<WorkFolder> work(new WorkFolder);
  std::string path = parent + std::string(kWorkPrefix) + "XXXXXX";
  {
    FolderLock lock(parent);
    TerminationSignalsHeld held;
    if (!mkdtemp(path.data())) {
      if (error) *error = "Impossible de créer un dossier de travail dans " + parent;
      return nullptr;
    }
    work->path_ = path + '/';
    work->lockFd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (work->lockFd_ >= 0) flock(work->lockFd_, LOCK_EX);
    for (const std::string& name : fileNames) {
      work->tracked_.push_back(TrackTemporary(work->path_ + name));
    }
    work->tracked_.push_back(TrackTemporary(work->path_));
  }
  return work;
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  for (int handle : tracked_) ForgetTemporary(handle);
  if (lockFd_ >= 0) close(lockFd_);
}

void RemoveStaleWorkFolders(const std::string& parent) {
  FolderLock lock(parent);
  DIR* dir = opendir(parent.c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (const dirent* entry = readdir(dir)) {
    if (!IsWorkFolderName(entry->d_name)) continue;
    const int fd =
        openat(dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // A live process holds its folder's lock.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) stale.push_back(parent + entry->d_name);
    close(fd);
  }
  closedir(dir);
  for (const std::string& path : stale) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
}

}  // namespace orvane
