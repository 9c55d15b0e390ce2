#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Files that replace their final paths together. Each is written in full
// beside its path (unnamed where the file system allows it, so a killed
// process leaves nothing), flushed and synced; the final paths are touched
// only once every file is complete, in the order the files were added, so a
// header added last always names a complete set. Whatever is not committed
// is discarded when the object goes.
//
// A path that is a symbolic link is written through: its target is replaced,
// beside the target, and the link stays. A path that is a folder, a device,
// a pipe or a socket is refused, never replaced by a plain file.
class FileSetReplacement {
 public:
  FileSetReplacement() = default;
  FileSetReplacement(const FileSetReplacement&) = delete;
  FileSetReplacement& operator=(const FileSetReplacement&) = delete;
  ~FileSetReplacement();

  // False, with `error` naming the file and the reason, when it cannot be written.
  bool Add(const std::string& path, std::string_view data, std::string* error);
  bool AddCopy(const std::string& from, const std::string& path, std::string* error);
  // An old file that must not outlive the commit (one the new set no longer has).
  void AddRemoval(const std::string& path);

  // Renames every file over its path in order. Termination signals wait
  // until it is done, so Ctrl-C never leaves a set half replaced.
  bool Commit(std::string* error);

 private:
  struct Entry {
    std::string path;    // as the caller named it
    std::string target;  // the file replaced: `path` with its links followed
    int fd = -1;
    std::string tempName;  // empty while the file has no name
    int registration = -1;
    bool removal = false;
  };
  bool Stage(const std::string& path, std::string* error, Entry& entry);
  void Discard(Entry& entry);
  std::vector<Entry> entries_;
};

// Replaces `path` with `data` so that a crash or a full disk never leaves a
// torn file. On failure the old file stays whole, nothing is left beside it,
// and `error` (when given) says why.
bool AtomicWriteFile(const std::string& path, std::string_view data, std::string* error = nullptr);

// Copies `from` over `to` with the same guarantee as AtomicWriteFile.
bool AtomicCopyFile(const std::string& from, const std::string& to, std::string* error = nullptr);

// The name a partial file has while it is committed: `path` + ".orvane-"
// and six letters or digits. Only files of this form are ever taken for stale.
bool IsPartialFileName(std::string_view name);

// Removes the partial files in `folder` left by a process that was killed
// while committing; files of a live process are locked and stay.
void RemoveStalePartialFiles(const std::string& folder);

// Opens `path` to read it, only when it is a regular file (links followed).
// A pipe with no writer would block for ever and a device never ends, so
// both are refused before they are opened, and again once opened in case the
// path changed in between. Returns the descriptor, or -1 with `why` in the
// user's words: "Introuvable", "Permission refusée", "Dossier", "Pas un
// fichier ordinaire (tube nommé)" and the like.
int OpenRegularFile(const std::string& path, std::string* why);

// Reads a whole regular file of at most `limit` bytes; its size is checked
// before anything is read. On failure the result says why in the user's
// words, as OpenRegularFile does, or that the file is too large.
struct FileRead {
  bool ok = false;
  std::string message;
};
FileRead ReadFileLimited(const std::string& path, std::string& data, size_t limit);

// ReadFileLimited without the reason.
bool ReadWholeFile(const std::string& path, std::string& data, size_t limit);

}  // namespace orvane
