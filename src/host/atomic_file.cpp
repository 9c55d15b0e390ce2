#include "host/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace orvane {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + " : " + std::strerror(errno);
  return false;
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool WriteAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes through `produce` into a temporary file beside `path`, then renames
// it over `path`.
template <typename Produce>
bool ReplaceFile(const std::string& path, std::string* error, Produce produce) {
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return Fail(error, "Impossible de créer un fichier dans " + Folder(path));
  struct stat old {};
  // Keep the permissions of the file being replaced; new files get the usual 0644.
  fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  if (!produce(fd)) {
    int saved = errno;
    close(fd);
    unlink(temp.c_str());
    errno = saved;
    return Fail(error, "Impossible d'écrire " + path);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    return Fail(error, "Impossible d'écrire " + path);
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    return Fail(error, "Impossible de remplacer " + path);
  }
  int dir = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace

bool AtomicWriteFile(const std::string& path, std::string_view data, std::string* error) {
  return ReplaceFile(path, error, [&](int fd) { return WriteAll(fd, data.data(), data.size()); });
}

bool AtomicCopyFile(const std::string& from, const std::string& to, std::string* error) {
  int in = open(from.c_str(), O_RDONLY);
  if (in < 0) return Fail(error, "Impossible de lire " + from);
  const bool ok = ReplaceFile(to, error, [&](int fd) {
    char buffer[1 << 16];
    for (;;) {
      ssize_t n = read(in, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(fd, buffer, static_cast<size_t>(n))) return false;
    }
  });
  close(in);
  return ok;
}

bool ReadWholeFile(const std::string& path, std::string& data, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<size_t>(size) > limit) return false;
  in.seekg(0);
  data.assign(static_cast<size_t>(size), '\0');
  in.read(data.data(), size);
  return static_cast<bool>(in) || in.eof();
}

}  // namespace orvane
