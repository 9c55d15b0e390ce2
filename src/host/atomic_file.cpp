#include "host/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>

#include "host/temporaries.h"

namespace orvane {
namespace {

constexpr std::string_view kPartialMark = ".orvane-";
constexpr size_t kPartialSuffix = 6;

std::string Reason(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "Introuvable";
    case EACCES:
    case EPERM:
      return "Permission refusée";
    case EISDIR:
      return "Dossier";
    case ENOSPC:
      return "Disque plein";
    case EDQUOT:
      return "Quota disque dépassé";
    case EROFS:
      return "Disque en lecture seule";
    case EFBIG:
      return "Fichier trop volumineux";
    case ELOOP:
      return "Trop de liens symboliques";
    default:
      return std::strerror(error);
  }
}

bool Fail(std::string* error, const std::string& what, const std::string& why) {
  if (error) *error = what + " : " + why;
  return false;
}

bool Fail(std::string* error, const std::string& what, int code = errno) {
  return Fail(error, what, Reason(code));
}

// Why a file of this kind is not a regular one; empty when it is.
std::string NotRegular(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return Reason(EISDIR);
  const char* kind = S_ISFIFO(mode)                   ? "tube nommé"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "périphérique"
                     : S_ISSOCK(mode)                 ? "socket"
                                                      : "fichier spécial";
  return std::string("Pas un fichier ordinaire (") + kind + ")";
}

// Why an existing file cannot be replaced by a plain one; empty when it can.
std::string NotReplaceable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? NotRegular(info.st_mode) : std::string();
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The file a write to `path` replaces: its symbolic links followed, the last
// one possibly to a file that does not exist yet, which the write creates
// (as a shell's ">" would).
bool FollowLinks(const std::string& path, std::string& target, std::string* error) {
  target = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat info {};
    if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = readlink(target.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<size_t>(n) == link.size()) {
      return Fail(error, "Impossible d'écrire " + path, n < 0 ? errno : ENAMETOOLONG);
    }
    link.resize(static_cast<size_t>(n));
    target = link.front() == '/' ? link : Folder(target) + "/" + link;
  }
  return Fail(error, "Impossible d'écrire " + path, ELOOP);
}

std::string PartialName(const std::string& path) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[kPartialSuffix];
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    static unsigned counter = 0;
    for (unsigned char& r : random) r = static_cast<unsigned char>(getpid() + ++counter * 7919);
  }
  std::string name = path + std::string(kPartialMark);
  for (unsigned char r : random) name += kAlphabet[r % (sizeof kAlphabet - 1)];
  return name;
}

bool WriteAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool CopyAll(int in, int out) {
  // In the kernel where the file system allows it; step files run to gigabytes.
  for (;;) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
    return false;
  }
  static thread_local char buffer[1 << 16];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, buffer, static_cast<size_t>(n))) return false;
  }
}

std::string SizeText(size_t bytes) {
  if (bytes % (size_t(1) << 20) == 0) return std::to_string(bytes >> 20) + " Mo";
  return std::to_string(bytes) + " octets";
}

}  // namespace

FileSetReplacement::~FileSetReplacement() {
  for (Entry& entry : entries_) Discard(entry);
}

bool FileSetReplacement::Stage(const std::string& path, std::string* error, Entry& entry) {
  entry.path = path;
  if (!FollowLinks(path, entry.target, error)) return false;
  const std::string refusal = NotReplaceable(entry.target);
  if (!refusal.empty()) return Fail(error, "Impossible d'écrire " + path, refusal);
  struct stat old {};
  const bool exists = stat(entry.target.c_str(), &old) == 0;
  // Beside the target, so the final rename stays within one file system.
  const std::string folder = Folder(entry.target);
  // Unnamed until the commit: a process killed while writing leaves nothing.
  entry.fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (entry.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // File systems without unnamed files: a named partial file, locked
    // before the folder's sweep may look at it.
    FolderLock lock(folder);
    TerminationSignalsHeld held;
    for (int attempt = 0; attempt < 100 && entry.fd < 0; ++attempt) {
      entry.tempName = PartialName(entry.target);
      entry.fd = open(entry.tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (entry.fd < 0 && errno != EEXIST) break;
    }
    if (entry.fd >= 0) {
      flock(entry.fd, LOCK_EX);
      entry.registration = TrackTemporary(entry.tempName);
    } else {
      entry.tempName.clear();
    }
  } else if (entry.fd >= 0) {
    flock(entry.fd, LOCK_EX);  // before a commit gives it a name
  }
  if (entry.fd < 0) return Fail(error, "Impossible de créer un fichier dans " + folder);
  // Keep the permissions of the file being replaced; new files get the usual 0644.
  fchmod(entry.fd, exists ? (old.st_mode & 07777) : 0644);
  return true;
}

void FileSetReplacement::Discard(Entry& entry) {
  if (!entry.tempName.empty()) unlink(entry.tempName.c_str());
  entry.tempName.clear();
  ForgetTemporary(entry.registration);
  entry.registration = -1;
  if (entry.fd >= 0) close(entry.fd);
  entry.fd = -1;
}

bool FileSetReplacement::Add(const std::string& path, std::string_view data, std::string* error) {
  Entry& entry = entries_.emplace_back();  // stays, failed, when the write fails
  if (!Stage(path, error, entry)) return false;
  if (!WriteAll(entry.fd, data.data(), data.size()) || fsync(entry.fd) != 0) {
    const int saved = errno;
    Discard(entry);
    return Fail(error, "Impossible d'écrire " + path, saved);
  }
  return true;
}

bool FileSetReplacement::AddCopy(const std::string& from, const std::string& path,
                                 std::string* error) {
  Entry& entry = entries_.emplace_back();
  entry.path = entry.target = path;  // a failed entry: a later Commit refuses
  std::string why;
  const int in = OpenRegularFile(from, &why);
  if (in < 0) return Fail(error, "Impossible d'écrire " + path + " (copie de " + from + ")", why);
  bool ok = Stage(path, error, entry);
  if (ok && (!CopyAll(in, entry.fd) || fsync(entry.fd) != 0)) {
    const int saved = errno;
    Discard(entry);
    ok = Fail(error, "Impossible d'écrire " + path, saved);
  }
  close(in);
  return ok;
}

void FileSetReplacement::AddRemoval(const std::string& path) {
  Entry& entry = entries_.emplace_back();
  entry.path = entry.target = path;  // a link goes, not what it points to
  entry.removal = true;
}

bool FileSetReplacement::Commit(std::string* error) {
  TerminationSignalsHeld held;
  auto abandon = [&](const std::string& what, int code) {
    for (Entry& entry : entries_) Discard(entry);
    entries_.clear();
    return Fail(error, what, code);
  };
  for (const Entry& entry : entries_) {
    if (!entry.removal && entry.fd < 0) {
      return abandon("Impossible d'écrire " + entry.path, EIO);  // an Add that failed
    }
  }
  // Every file gets its partial name first, and every target is checked
  // again (it may have become a device since), so a failure here touches
  // nothing.
  for (Entry& entry : entries_) {
    if (entry.removal) continue;
    const std::string refusal = NotReplaceable(entry.target);
    if (!refusal.empty()) {
      for (Entry& each : entries_) Discard(each);
      entries_.clear();
      return Fail(error, "Impossible d'écrire " + entry.path, refusal);
    }
    if (!entry.tempName.empty()) continue;
    const std::string self = "/proc/self/fd/" + std::to_string(entry.fd);
    for (int attempt = 0; attempt < 100 && entry.tempName.empty(); ++attempt) {
      const std::string name = PartialName(entry.target);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        entry.tempName = name;
      } else if (errno != EEXIST) {
        return abandon("Impossible d'écrire " + entry.path, errno);
      }
    }
    if (entry.tempName.empty()) return abandon("Impossible d'écrire " + entry.path, EEXIST);
  }
  std::set<std::string> folders;
  for (Entry& entry : entries_) {
    folders.insert(Folder(entry.target));
    if (entry.removal) {
      if (unlink(entry.path.c_str()) != 0 && errno != ENOENT) {
        return abandon("Impossible de supprimer " + entry.path, errno);
      }
      continue;
    }
    if (rename(entry.tempName.c_str(), entry.target.c_str()) != 0) {
      return abandon("Impossible de remplacer " + entry.path, errno);
    }
    entry.tempName.clear();
  }
  for (const std::string& folder : folders) {
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      fsync(dir);
      close(dir);
    }
  }
  for (Entry& entry : entries_) Discard(entry);
  entries_.clear();
  return true;
}

bool AtomicWriteFile(const std::string& path, std::string_view data, std::string* error) {
  FileSetReplacement file;
  return file.Add(path, data, error) && file.Commit(error);
}

bool AtomicCopyFile(const std::string& from, const std::string& to, std::string* error) {
  FileSetReplacement file;
  return file.AddCopy(from, to, error) && file.Commit(error);
}

bool IsPartialFileName(std::string_view name) {
  const size_t tail = kPartialMark.size() + kPartialSuffix;
  if (name.size() <= tail || name.find('/') != std::string_view::npos) return false;
  if (name.substr(name.size() - tail, kPartialMark.size()) != kPartialMark) return false;
  for (char c : name.substr(name.size() - kPartialSuffix)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

void RemoveStalePartialFiles(const std::string& folder) {
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  FolderLock lock(prefix.empty() ? "." : prefix);
  DIR* dir = opendir(prefix.empty() ? "." : prefix.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    if (!IsPartialFileName(entry->d_name)) continue;
    const int fd =
        openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A live writer holds its file's lock.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
    close(fd);
  }
  closedir(dir);
}

int OpenRegularFile(const std::string& path, std::string* why) {
  auto refuse = [&](std::string reason) {
    if (why) *why = std::move(reason);
    return -1;
  };
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return refuse(Reason(errno));
  if (std::string reason = NotRegular(info.st_mode); !reason.empty()) return refuse(reason);
  // Non-blocking, in case a pipe took the file's place since.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(Reason(errno));
  const std::string reason = fstat(fd, &info) != 0 ? Reason(errno) : NotRegular(info.st_mode);
  if (!reason.empty()) {
    close(fd);
    return refuse(reason);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

FileRead ReadFileLimited(const std::string& path, std::string& data, size_t limit) {
  FileRead result;
  data.clear();
  const int fd = OpenRegularFile(path, &result.message);
  if (fd < 0) return result;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    result.message = Reason(errno);
  } else if (static_cast<uint64_t>(st.st_size) > limit) {
    result.message = "Fichier trop volumineux (plus de " + SizeText(limit) + ")";
  } else {
    data.reserve(static_cast<size_t>(st.st_size));
    // The file may grow while it is read: one byte past the limit at most,
    // to tell a full file from a larger one.
    char buffer[1 << 16];
    for (;;) {
      const size_t want = std::min(sizeof buffer, limit + 1 - data.size());
      const ssize_t n = read(fd, buffer, want);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.message = Reason(errno);
        break;
      }
      data.append(buffer, static_cast<size_t>(n));
      if (data.size() > limit) {
        result.message = "Fichier trop volumineux (plus de " + SizeText(limit) + ")";
        break;
      }
      if (n == 0) {
        result.ok = true;
        break;
      }
    }
  }
  close(fd);
  if (!result.ok) std::string().swap(data);
  return result;
}

bool ReadWholeFile(const std::string& path, std::string& data, size_t limit) {
  return ReadFileLimited(path, data, limit).ok;
}

}  // namespace orvane
