#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// Key paths of the per-user store: the root, then one key per group.
inline constexpr std::string_view kSettingsRoot = ".Default\\Software\\Orvane";

std::string GroupKeyPath(std::string_view group);

// A write the host refused. The operation in progress stops at that value.
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Hierarchical store of text values. Names match without regard to case; an
// absent value reads as empty text.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string ReadSettingString(std::string_view keyPath, std::string_view name) = 0;
  virtual void WriteSettingString(std::string_view keyPath, std::string_view name,
                                  std::string_view text) = 0;
  // Deletes the key and every key below it.
  virtual void DeleteSettingsKey(std::string_view keyPath) = 0;
  // Writes between Begin and Commit reach the backing medium once, at Commit.
  virtual void BeginBatch() {}
  virtual void CommitBatch() {}
  virtual void AbandonBatch() {}
  // Why the backing medium exists but cannot be read ("« …/settings.ini »
  // dépasse 4 Mo"); empty when it can be read or does not exist yet. Such a
  // medium is never written over: writes fail until it is set aside.
  virtual std::string ReadProblem() { return {}; }
  // Moves an unreadable medium aside so that a new one can be written. Returns
  // where it went; empty when it stays (a folder in its place, no permission).
  virtual std::string SetAsideUnreadable() { return {}; }
};

// Groups many writes into one replacement of the backing medium. Commits when
// the scope ends normally; a write error thrown inside leaves the store as it
// was before the batch.
class SettingsBatch {
 public:
  explicit SettingsBatch(SettingsStore& store) : store_(store) { store_.BeginBatch(); }
  ~SettingsBatch() {
    if (!committed_) store_.AbandonBatch();
  }
  void Commit() {
    committed_ = true;
    store_.CommitBatch();
  }
  SettingsBatch(const SettingsBatch&) = delete;
  SettingsBatch& operator=(const SettingsBatch&) = delete;

 private:
  SettingsStore& store_;
  bool committed_ = false;
};

}  // namespace orvane
