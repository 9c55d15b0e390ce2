#include "host/settings_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/atomic_file.h"
#include "host/host_centronic.h"

namespace orvane {
namespace {

// A store is a few kilobytes; anything much larger is not ours to parse.
constexpr size_t kMaxSettingsFile = 4 << 20;

std::string Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permission refusée";
    case EISDIR:
      return "c'est un dossier";
    case ENOSPC:
      return "disque plein";
    case EROFS:
      return "système de fichiers en lecture seule";
    default:
      return std::strerror(error);
  }
}

// Something that is not a store at all: bytes no text holds, or lines of
// which none opens a group. Blank lines alone are an empty store.
bool LooksLikeSettings(const std::string& text, const SettingsDocument& document) {
  if (text.find('\0') != std::string::npos) return false;
  if (!document.Empty()) return true;
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

[[noreturn]] void RefuseOverUnreadable(const std::string& problem) {
  throw SettingsWriteError("Les réglages n'ont pas été enregistrés : le fichier des réglages " +
                           problem + ", il ne sera pas remplacé.");
}

}  // namespace

std::string SettingsFilePath() {
  std::string folder = EnvFolder("ORVANE_CONFIG_DIR");
  if (folder.empty()) {
    std::string base = EnvFolder("XDG_CONFIG_HOME");
    if (base.empty()) base = EnvFolder("HOME") + ".config/";
    folder = base + "orvane/";
  }
  return folder + "settings.ini";
}

FileSettingsStore::Loaded FileSettingsStore::Load() const {
  Loaded loaded;
  const std::string named = "« " + path_ + " » ";
  // Non-blocking, so that a pipe in the file's place cannot hang the start.
  const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // No file (or no folder) yet: a first run.
    if (errno != ENOENT && errno != ENOTDIR) {
      loaded.problem = named + "ne peut pas être lu : " + Reason(errno);
    }
    loaded.movable = errno == EACCES || errno == EPERM;
    return loaded;
  }
  struct stat info {};
  std::string text;
  if (fstat(fd, &info) != 0) {
    loaded.problem = named + Reason(errno);
  } else if (S_ISDIR(info.st_mode)) {
    loaded.problem = named + "est un dossier";
  } else if (!S_ISREG(info.st_mode)) {
    loaded.problem = named + "n'est pas un fichier ordinaire";
  } else if (static_cast<uint64_t>(info.st_size) > kMaxSettingsFile) {
    loaded.problem = named + "dépasse 4 Mo";
    loaded.movable = true;
  } else {
    text.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        loaded.problem = named + "ne peut pas être lu : " + Reason(errno);
        loaded.movable = true;
        break;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    text.resize(done);
  }
  close(fd);
  if (!loaded.problem.empty()) return loaded;
  loaded.document = SettingsDocument::Parse(text);
  if (!LooksLikeSettings(text, loaded.document)) {
    loaded.problem = named + "ne contient aucun groupe de réglages";
    loaded.movable = true;
    loaded.document = {};
  }
  return loaded;
}

void FileSettingsStore::Save(const SettingsDocument& document) {
  const std::string text = document.Serialize();
  // A file the next read refuses, or reads otherwise, would shut every
  // later write out: never written.
  const SettingsDocument reread = SettingsDocument::Parse(text);
  if (!LooksLikeSettings(text, reread) || reread.Serialize() != text) {
    throw SettingsWriteError(
        "Les réglages n'ont pas été enregistrés : le fichier ne se relirait pas tel quel.");
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  std::string error;
  if (!AtomicWriteFile(path_, text, &error)) {
    throw SettingsWriteError("Les réglages n'ont pas pu être enregistrés.\n\n" + error);
  }
}

template <typename Change>
void FileSettingsStore::Modify(Change change) {
  if (batchDepth_ > 0) {
    change(batch_);
    return;
  }
  Loaded loaded = Load();
  // A file that could not be read is never replaced by what little was read.
  if (!loaded.problem.empty()) RefuseOverUnreadable(loaded.problem);
  change(loaded.document);
  Save(loaded.document);
}

std::string FileSettingsStore::ReadSettingString(std::string_view keyPath, std::string_view name) {
  return batchDepth_ > 0 ? batch_.Read(keyPath, name) : Load().document.Read(keyPath, name);
}

void FileSettingsStore::WriteSettingString(std::string_view keyPath, std::string_view name,
                                           std::string_view text) {
  if (text.find('\0') != std::string_view::npos) {
    throw SettingsWriteError("Les réglages n'ont pas été enregistrés : la valeur " +
                             std::string(name) + " contient un caractère nul.");
  }
  Modify([&](SettingsDocument& d) { d.Write(keyPath, name, text); });
}

void FileSettingsStore::DeleteSettingsKey(std::string_view keyPath) {
  Modify([&](SettingsDocument& d) { d.DeleteKey(keyPath); });
}

void FileSettingsStore::BeginBatch() {
  if (batchDepth_++ > 0) return;
  Loaded loaded = Load();
  batch_ = std::move(loaded.document);
  batchProblem_ = std::move(loaded.problem);
}

void FileSettingsStore::CommitBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  SettingsDocument document = std::move(batch_);
  batch_ = {};
  const std::string problem = std::move(batchProblem_);
  batchProblem_.clear();
  if (!problem.empty()) RefuseOverUnreadable(problem);
  Save(document);
}

void FileSettingsStore::AbandonBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  batch_ = {};
  batchProblem_.clear();
}

std::string FileSettingsStore::ReadProblem() {
  return Load().problem;
}

std::string FileSettingsStore::SetAsideUnreadable() {
  const Loaded loaded = Load();
  if (loaded.problem.empty() || !loaded.movable) return {};
  // An older unreadable file already kept aside is not replaced either.
  for (int n = 1; n <= 99; ++n) {
    const std::string aside = path_ + ".illisible" + (n == 1 ? "" : "." + std::to_string(n));
    struct stat info {};
    if (lstat(aside.c_str(), &info) == 0) continue;
    return rename(path_.c_str(), aside.c_str()) == 0 ? aside : std::string();
  }
  return {};
}

}  // namespace orvane
