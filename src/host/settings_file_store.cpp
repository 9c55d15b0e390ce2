#include "host/settings_file_store.h"

#include <cstdlib>
#include <filesystem>

#include "host/atomic_file.h"
#include "host/host_centronic.h"

namespace orvane {
namespace {

// A store is a few kilobytes; anything much larger is not ours to parse.
constexpr size_t kMaxSettingsFile = 4 << 20;

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

SettingsDocument FileSettingsStore::Load() const {
  std::string text;
  if (!ReadWholeFile(path_, text, kMaxSettingsFile)) return {};
  return SettingsDocument::Parse(text);
}

void FileSettingsStore::Save(const SettingsDocument& document) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  std::string error;
  if (!AtomicWriteFile(path_, document.Serialize(), &error)) throw SettingsWriteError(error);
}

template <typename Change>
void FileSettingsStore::Modify(Change change) {
  if (batchDepth_ > 0) {
    change(batch_);
    return;
  }
  SettingsDocument document = Load();
  change(document);
  Save(document);
}

std::string FileSettingsStore::ReadSettingString(std::string_view keyPath, std::string_view name) {
  return batchDepth_ > 0 ? batch_.Read(keyPath, name) : Load().Read(keyPath, name);
}

void FileSettingsStore::WriteSettingString(std::string_view keyPath, std::string_view name,
                                           std::string_view text) {
  Modify([&](SettingsDocument& d) { d.Write(keyPath, name, text); });
}

void FileSettingsStore::DeleteSettingsKey(std::string_view keyPath) {
  Modify([&](SettingsDocument& d) { d.DeleteKey(keyPath); });
}

void FileSettingsStore::BeginBatch() {
  if (batchDepth_++ == 0) batch_ = Load();
}

void FileSettingsStore::CommitBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  SettingsDocument document = std::move(batch_);
  batch_ = {};
  Save(document);
}

void FileSettingsStore::AbandonBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  batch_ = {};
}

}  // namespace orvane
