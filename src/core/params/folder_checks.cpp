#include "core/params/folder_checks.h"

#include <filesystem>
#include <system_error>

namespace orvane {

FolderCheck CheckWorkingFolder(std::string_view text, std::string_view label) {
  FolderCheck check;
  std::string folder(text);
  const std::string named = "Le dossier " + std::string(label) + " « " + folder + " » ";
  if (folder.empty() || folder.front() != '/') {
    check.message = named + "n'est pas un chemin absolu (il doit commencer par « / »).";
    return check;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    check.message = named + "n'existe pas.";
    return check;
  }
  if (folder.back() != '/') folder += '/';
  check.ok = true;
  check.folder = folder;
  return check;
}

std::string NewFolderNameProblem(std::string_view name) {
  if (name.empty()) return "Indiquez le nom du dossier à créer.";
  if (name == "." || name == "..") {
    return "« " + std::string(name) + " » ne peut pas être le nom d'un dossier.";
  }
  if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) {
    return "Le nom d'un dossier ne peut pas contenir « / ».";
  }
  return {};
}

}  // namespace orvane
