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

}  // namespace

bool AtomicWriteFile(const std::string& path, std::string_view data, std::string* error) {
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return Fail(error, "Impossible de créer un fichier dans " + Folder(path));
  struct stat old {};
  // Keep the permissions of the file being replaced; new files get the usual 0644.
  fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int saved = errno;
      close(fd);
      unlink(temp.c_str());
      errno = saved;
      return Fail(error, "Impossible d'écrire " + path);
    }
    done += static_cast<size_t>(n);
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
