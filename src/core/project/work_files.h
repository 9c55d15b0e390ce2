#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The program's files for one job share a base name: a drawing, a project and
// the cut files made from it. These rules find them by that name and rename
// or delete them together; nothing is ever overwritten.

enum class FileFamily { Drawings, Projects, Cuts };

inline constexpr std::array<std::string_view, 3> kDrawingExtensions = {".dxf", ".dat", ".csv"};
inline constexpr std::array<std::string_view, 1> kProjectExtensions = {".ovp"};
inline constexpr std::array<std::string_view, 4> kCutExtensions = {".ovd", ".ovi", ".ovs", ".ovg"};

// The family an extension (".DXF" as well as ".dxf") belongs to; false when
// it is none of the eight.
bool FamilyOfExtension(std::string_view extension, FileFamily* family = nullptr);

struct WorkFolders {
  std::string drawings, projects, cuts;  // DxfPath, ProjectPath, CutPath
  std::string root;                      // the program folder
};

struct WorkFileFilter {
  bool separateFolders = true;  // the three work folders, else the program folder tree
  bool ignoreShapes = true;
  bool ignoreProjects = true;
  bool Searches(FileFamily family) const {
    return !(family == FileFamily::Drawings && ignoreShapes) &&
           !(family == FileFamily::Projects && ignoreProjects);
  }
};

struct FoundFile {
  FileFamily family;
  std::string path;     // full path
  std::string display;  // below the folder searched
};

struct WorkFileSearch {
  std::string name;  // the base name searched, "*" for every file
  std::vector<FoundFile> files;
  // A folder that could not be searched, one line each.
  std::vector<std::string> skipped;
  bool Found() const { return !files.empty(); }
  // Renaming and deleting act on the files of a search for one name.
  bool CanActOn() const { return Found() && name != "*" && !name.empty(); }
};

// Finds every file of the families not ignored whose name is `name` plus one
// of their extensions, without regard to case, in the folders and all their
// subfolders; "*" finds every file of those extensions. Folder links are not
// followed. A folder that is empty, relative or missing is skipped and said
// so in `skipped`: it is never taken as the current folder.
WorkFileSearch SearchWorkFiles(const WorkFolders& folders, const WorkFileFilter& filter,
                               const std::string& name);

// Why `newName` cannot be a base name, empty when it can.
std::string NewNameProblem(const std::string& newName);

struct WorkFileOutcome {
  bool refused = false;  // nothing was done
  // The message to show, empty when all went well: the refusal, or every
  // file that could not be renamed or deleted.
  std::string message;
  int done = 0;
};

// Gives every file of `search` the base name `newName`, each inside its own
// folder and keeping its extension. Refused whole when the name is not
// acceptable, or when a target name (compared without case, as searches do)
// is already taken in its folder or would be given to two files.
WorkFileOutcome RenameWorkFiles(const WorkFileSearch& search, const std::string& newName);

// "Supprimer ces fichiers ?" followed by the files it would delete, as listed:
// the first ten, then how many more.
std::string DeleteQuestion(const WorkFileSearch& search);

// Deletes every file of `search`; the ones that cannot go are listed.
WorkFileOutcome DeleteWorkFiles(const WorkFileSearch& search);

// The name "Parcourir..." searches for: the file's name without its
// extension when that is one of the eight, else the whole name.
std::string SearchNameOfFile(const std::string& path);

// The base name of a listed file (its name without the extension).
std::string BaseNameOf(const std::string& path);

// Upper case of UTF-8 text for comparisons: ASCII and the Latin letters of
// the Latin-1 and Latin Extended-A blocks; other bytes stay as they are.
std::string FoldCase(std::string_view text);

}  // namespace orvane
