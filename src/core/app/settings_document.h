#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app/settings_store.h"

namespace orvane {

// The store as text: "[key path]" section lines followed by "Name=text" lines.
// Reading is lenient (a user may have edited the file by hand): lines without
// "=" or before the first section are dropped, a repeated section is merged
// into the first, and a repeated name keeps its last text.
class SettingsDocument {
 public:
  static SettingsDocument Parse(std::string_view text);
  std::string Serialize() const;

  std::string Read(std::string_view keyPath, std::string_view name) const;
  void Write(std::string_view keyPath, std::string_view name, std::string_view text);
  void DeleteKey(std::string_view keyPath);
  bool Empty() const { return sections_.empty(); }

 private:
  struct Entry {
    std::string name;
    std::string text;
  };
  struct Section {
    std::string path;
    std::vector<Entry> entries;
  };
  Section* FindSection(std::string_view keyPath);
  const Section* FindSection(std::string_view keyPath) const;

  std::vector<Section> sections_;
};

// A store held in memory only; tests use it, and the file store builds on it.
class MemorySettingsStore : public SettingsStore {
 public:
  MemorySettingsStore() = default;
  explicit MemorySettingsStore(SettingsDocument document) : document_(std::move(document)) {}
  std::string ReadSettingString(std::string_view keyPath, std::string_view name) override {
    return document_.Read(keyPath, name);
  }
  void WriteSettingString(std::string_view keyPath, std::string_view name,
                          std::string_view text) override {
    document_.Write(keyPath, name, text);
  }
  void DeleteSettingsKey(std::string_view keyPath) override { document_.DeleteKey(keyPath); }
  const SettingsDocument& Document() const { return document_; }

 private:
  SettingsDocument document_;
};

}  // namespace orvane
