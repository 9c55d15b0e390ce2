#include "core/project/work_files.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <tuple>

namespace orvane {

namespace fs = std::filesystem;

namespace {

constexpr std::array<FileFamily, 3> kFamilies = {FileFamily::Drawings, FileFamily::Projects,
                                                 FileFamily::Cuts};

// Position of an extension in the order the lists show them.
int ExtensionRank(std::string_view extension) {
  constexpr std::array<std::string_view, 8> kOrder = {".dxf", ".dat", ".csv", ".ovp",
                                                      ".ovd", ".ovi", ".ovs", ".ovg"};
  const std::string folded = FoldCase(extension);
  return int(std::find(kOrder.begin(), kOrder.end(), folded) - kOrder.begin());
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string FolderCaption(FileFamily family) {
  switch (family) {
    case FileFamily::Drawings:
      return "des dessins";
    case FileFamily::Projects:
      return "des projets";
    case FileFamily::Cuts:
      return "des découpes";
  }
  return {};
}

// Why `folder` cannot be searched, empty when it can.
std::string FolderProblem(const std::string& caption, const std::string& folder) {
  if (folder.empty()) return "Le dossier " + caption + " n'est pas défini : il n'est pas parcouru.";
  if (!fs::path(folder).is_absolute()) {
    return "Le dossier " + caption + " \"" + folder +
           "\" n'est pas un chemin complet : il n'est pas parcouru.";
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    return "Le dossier " + caption + " \"" + folder + "\" est introuvable : il n'est pas parcouru.";
  }
  return {};
}

// A listed entry: a file, or a link to anything but a folder. Links are
// never descended into, so a link loop cannot hold the search.
bool IsListable(const fs::directory_entry& entry) {
  std::error_code ec;
  const fs::file_status own = entry.symlink_status(ec);
  if (ec) return false;
  if (fs::is_regular_file(own)) return true;
  if (!fs::is_symlink(own)) return false;
  return !fs::is_directory(fs::status(entry.path(), ec));
}

void SearchFolder(const std::string& folder, const std::vector<FileFamily>& families,
                  const std::string& foldedName, WorkFileSearch& search) {
  const std::string prefix = WithSlash(folder);
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  const fs::recursive_directory_iterator end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!IsListable(*it)) continue;
    const std::string fileName = it->path().filename().string();
    if (fileName.size() <= 4) continue;
    FileFamily family;
    if (!FamilyOfExtension(std::string_view(fileName).substr(fileName.size() - 4), &family)) {
      continue;
    }
    if (std::find(families.begin(), families.end(), family) == families.end()) continue;
    if (foldedName != "*" && FoldCase(fileName.substr(0, fileName.size() - 4)) != foldedName) {
      continue;
    }
    std::string path = it->path().string();
    std::string display =
        path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : fileName;
    search.files.push_back({family, std::move(path), std::move(display)});
  }
  if (ec) {
    search.skipped.push_back("La recherche dans \"" + folder +
                             "\" s'est arrêtée : " + ec.message());
  }
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

// Renames without ever replacing a file: the new name is made as a hard link,
// which fails when the name exists, then the old one goes. Where the file
// system has no hard links, a checked rename is the best that can be done.
std::string RenameNoReplace(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (Exists(to)) {
    // Only a change of case on a file system that ignores case gets here
    // with the file itself.
    if (!fs::equivalent(from, to, ec) || ec) return "un fichier porte déjà ce nom";
    fs::rename(from, to, ec);
    return ec ? ec.message() : std::string();
  }
  fs::create_hard_link(from, to, ec);
  if (!ec) {
    fs::remove(from, ec);
    if (!ec) return {};
    const std::string reason = ec.message();
    fs::remove(to, ec);
    return reason;
  }
  if (ec == std::errc::file_exists) return "un fichier porte déjà ce nom";
  if (ec != std::errc::operation_not_permitted && ec != std::errc::operation_not_supported &&
      ec != std::errc::function_not_supported) {
    return ec.message();
  }
  if (Exists(to)) return "un fichier porte déjà ce nom";
  fs::rename(from, to, ec);
  return ec ? ec.message() : std::string();
}

// Targets compare without case in their folder, as searches find them.
std::string TargetKey(const fs::path& target) {
  return target.parent_path().string() + '\0' + FoldCase(target.filename().string());
}

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

char32_t LowerCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) return c + 1;
  return c;
}

}  // namespace

bool FamilyOfExtension(std::string_view extension, FileFamily* family) {
  const std::string folded = FoldCase(extension);
  const auto in = [&folded](const auto& list) {
    return std::find(list.begin(), list.end(), folded) != list.end();
  };
  FileFamily found;
  if (in(kDrawingExtensions)) {
    found = FileFamily::Drawings;
  } else if (in(kProjectExtensions)) {
    found = FileFamily::Projects;
  } else if (in(kCutExtensions)) {
    found = FileFamily::Cuts;
  } else {
    return false;
  }
  if (family) *family = found;
  return true;
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80           ? 1
                 : (b >> 5) == 0x6  ? 2
                 : (b >> 4) == 0xE  ? 3
                 : (b >> 3) == 0x1E ? 4
                                    : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < length; ++k) {
      const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
      if ((next & 0xC0) != 0x80) {
        length = 0;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (length == 0) {  // not UTF-8: the byte is kept as it is
      out += text[i];
      ++i;
      continue;
    }
    const char32_t lower = LowerCodePoint(c);
    if (lower == c) {
      out.append(text.substr(i, length));
    } else {
      AppendCodePoint(out, lower);
    }
    i += length;
  }
  return out;
}

WorkFileSearch SearchWorkFiles(const WorkFolders& folders, const WorkFileFilter& filter,
                               const std::string& name) {
  WorkFileSearch search;
  search.name = name;
  const std::string foldedName = name == "*" ? name : FoldCase(name);
  if (foldedName.empty()) return search;
  std::vector<FileFamily> searched;
  for (FileFamily family : kFamilies) {
    if (filter.Searches(family)) searched.push_back(family);
  }
  if (searched.empty()) return search;
  if (filter.separateFolders) {
    for (FileFamily family : searched) {
      const std::string& folder = family == FileFamily::Drawings   ? folders.drawings
                                  : family == FileFamily::Projects ? folders.projects
                                                                   : folders.cuts;
      const std::string problem = FolderProblem(FolderCaption(family), folder);
      if (!problem.empty()) {
        search.skipped.push_back(problem);
        continue;
      }
      SearchFolder(folder, {family}, foldedName, search);
    }
  } else {
    const std::string problem = FolderProblem("du programme", folders.root);
    if (problem.empty()) {
      SearchFolder(folders.root, searched, foldedName, search);
    } else {
      search.skipped.push_back(problem);
    }
  }
  // By extension, then by path, so the same search always lists the same way.
  std::stable_sort(
      search.files.begin(), search.files.end(), [](const FoundFile& a, const FoundFile& b) {
        const auto key = [](const FoundFile& f) {
          return std::make_tuple(ExtensionRank(std::string_view(f.path).substr(f.path.size() - 4)),
                                 f.display);
        };
        return key(a) < key(b);
      });
  return search;
}

std::string NewNameProblem(const std::string& newName) {
  if (newName.find_first_not_of(' ') == std::string::npos) {
    return "Le nouveau nom des fichiers est vide.";
  }
  const std::string quoted = "Le nouveau nom \"" + newName + "\"";
  if (newName == "." || newName == "..") return quoted + " n'est pas un nom de fichier.";
  if (newName.find_first_of("/\\") != std::string::npos) {
    return quoted + " ne doit contenir ni \"/\" ni \"\\\" : chaque fichier garde son dossier.";
  }
  for (char c : newName) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "Le nouveau nom des fichiers contient un caractère de contrôle.";
    }
  }
  return {};
}

WorkFileOutcome RenameWorkFiles(const WorkFileSearch& search, const std::string& newName) {
  WorkFileOutcome outcome;
  outcome.refused = true;
  if (!search.CanActOn()) {
    outcome.message = "Aucun fichier à renommer : recherchez d'abord un nom.";
    return outcome;
  }
  outcome.message = NewNameProblem(newName);
  if (!outcome.message.empty()) return outcome;

  struct Move {
    fs::path from, to;
  };
  std::vector<Move> moves;
  std::vector<std::string> conflicts;
  std::map<std::string, std::vector<std::string>> folderNames;  // folded names on disk
  std::map<std::string, int> targetCount;                       // folded target paths
  std::map<std::string, std::vector<std::string>> sources;      // names leaving each folder
  for (const FoundFile& file : search.files) {
    const fs::path from(file.path);
    const std::string fileName = from.filename().string();
    const fs::path to = from.parent_path() / (newName + fileName.substr(fileName.size() - 4));
    ++targetCount[TargetKey(to)];
    sources[from.parent_path().string()].push_back(fileName);
    moves.push_back({from, to});
  }
  for (const Move& move : moves) {
    const std::string folder = move.from.parent_path().string();
    auto names = folderNames.find(folder);
    if (names == folderNames.end()) {
      std::vector<std::string> list;
      std::error_code ec;
      for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        list.push_back(it->path().filename().string());
      }
      names = folderNames.emplace(folder, std::move(list)).first;
    }
    const std::string target = FoldCase(move.to.filename().string());
    const std::vector<std::string>& leaving = sources[folder];
    // The searched files leave their names; two of them given one name are
    // caught by the count of targets.
    const auto taken =
        std::find_if(names->second.begin(), names->second.end(), [&](const std::string& n) {
          return FoldCase(n) == target &&
                 std::find(leaving.begin(), leaving.end(), n) == leaving.end();
        });
    if (taken != names->second.end()) {
      conflicts.push_back(move.from.string() + " : \"" + *taken +
                          "\" existe déjà dans son dossier");
    } else if (targetCount[TargetKey(move.to)] > 1) {
      conflicts.push_back(move.from.string() + " : un autre fichier recevrait aussi le nom \"" +
                          move.to.filename().string() + "\"");
    }
  }
  if (!conflicts.empty()) {
    outcome.message = "Renommage refusé, aucun fichier n'a été renommé :";
    for (const std::string& line : conflicts) outcome.message += "\n" + line;
    return outcome;
  }

  outcome.refused = false;
  outcome.message.clear();
  std::vector<std::string> failures;
  for (const Move& move : moves) {
    if (move.from == move.to) continue;
    const std::string problem = RenameNoReplace(move.from, move.to);
    if (problem.empty()) {
      ++outcome.done;
    } else {
      failures.push_back(move.from.string() + " : " + problem);
    }
  }
  if (!failures.empty()) {
    outcome.message = "Ces fichiers n'ont pas été renommés :";
    for (const std::string& line : failures) outcome.message += "\n" + line;
  }
  return outcome;
}

std::string DeleteQuestion(const WorkFileSearch& search) {
  constexpr size_t kNamed = 10;
  std::string text = "Supprimer ces fichiers ?\n";
  for (size_t i = 0; i < search.files.size() && i < kNamed; ++i) {
    text += "\n" + search.files[i].display;
  }
  if (search.files.size() > kNamed) {
    const size_t more = search.files.size() - kNamed;
    text += "\net " + std::to_string(more) + (more == 1 ? " autre" : " autres");
  }
  return text;
}

WorkFileOutcome DeleteWorkFiles(const WorkFileSearch& search) {
  WorkFileOutcome outcome;
  if (!search.CanActOn()) {
    outcome.refused = true;
    outcome.message = "Aucun fichier à supprimer : recherchez d'abord un nom.";
    return outcome;
  }
  std::vector<std::string> failures;
  for (const FoundFile& file : search.files) {
    std::error_code ec;
    if (fs::remove(file.path, ec)) {
      ++outcome.done;
    } else {
      failures.push_back(file.path + " : " + (ec ? ec.message() : "fichier introuvable"));
    }
  }
  if (!failures.empty()) {
    outcome.message = "Ces fichiers n'ont pas été supprimés :";
    for (const std::string& line : failures) outcome.message += "\n" + line;
  }
  return outcome;
}

std::string BaseNameOf(const std::string& path) {
  const std::string fileName = fs::path(path).filename().string();
  if (fileName.size() > 4 &&
      FamilyOfExtension(std::string_view(fileName).substr(fileName.size() - 4))) {
    return fileName.substr(0, fileName.size() - 4);
  }
  return fileName;
}

std::string SearchNameOfFile(const std::string& path) {
  return BaseNameOf(path);
}

}  // namespace orvane
