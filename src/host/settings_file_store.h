#pragma once

#include <string>

#include "core/app/settings_document.h"
#include "core/app/settings_store.h"

namespace orvane {

// The settings store as one text file. Every operation reads the file, and
// every write replaces it atomically; inside a batch the file is read once
// and written once at the end.
class FileSettingsStore : public SettingsStore {
 public:
  explicit FileSettingsStore(std::string path) : path_(std::move(path)) {}

  std::string ReadSettingString(std::string_view keyPath, std::string_view name) override;
  void WriteSettingString(std::string_view keyPath, std::string_view name,
                          std::string_view text) override;
  void DeleteSettingsKey(std::string_view keyPath) override;
  void BeginBatch() override;
  void CommitBatch() override;
  void AbandonBatch() override;
  std::string ReadProblem() override;
  std::string SetAsideUnreadable() override;

  const std::string& Path() const { return path_; }

 private:
  struct Loaded {
    SettingsDocument document;
    std::string problem;   // why the file cannot be read; empty when it can, or is absent
    bool movable = false;  // a file that can be moved aside
  };
  Loaded Load() const;
  void Save(const SettingsDocument& document);
  template <typename Change>
  void Modify(Change change);

  std::string path_;
  int batchDepth_ = 0;
  SettingsDocument batch_;
  std::string batchProblem_;
};

// `ORVANE_CONFIG_DIR`, else `$XDG_CONFIG_HOME/orvane/`, else `~/.config/orvane/`.
std::string SettingsFilePath();

}  // namespace orvane
