#include "core/app/settings_document.h"

#include <algorithm>

namespace orvane {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A key is below another when its path continues it after a backslash.
bool IsSameOrBelow(std::string_view path, std::string_view key) {
  if (path.size() < key.size() || !EqualsNoCase(path.substr(0, key.size()), key)) return false;
  return path.size() == key.size() || path[key.size()] == '\\';
}

}  // namespace

std::string GroupKeyPath(std::string_view group) {
  std::string path(kSettingsRoot);
  path += '\\';
  path += group;
  return path;
}

SettingsDocument SettingsDocument::Parse(std::string_view text) {
  SettingsDocument document;
  Section* current = nullptr;
  // Editors may start the file with a byte-order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  size_t start = 0;
  while (start < text.size()) {
    // Lines end with LF, CR LF or a lone CR (older editors).
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++start;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
      std::string_view path = line.substr(1, line.size() - 2);
      current = document.FindSection(path);
      if (!current) {
        document.sections_.push_back(Section{std::string(path), {}});
        current = &document.sections_.back();
      }
      continue;
    }
    size_t equals = raw.find('=');
    if (!current || equals == std::string_view::npos) continue;
    std::string_view name = Trim(raw.substr(0, equals));
    if (name.empty()) continue;
    // The text is kept to the letter: blanks around it may be meaningful.
    document.Write(current->path, name, raw.substr(equals + 1));
  }
  return document;
}

std::string SettingsDocument::Serialize() const {
  std::string out;
  for (const Section& section : sections_) {
    if (!out.empty()) out += '\n';
    out += '[' + section.path + "]\n";
    for (const Entry& entry : section.entries) out += entry.name + '=' + entry.text + '\n';
  }
  return out;
}

SettingsDocument::Section* SettingsDocument::FindSection(std::string_view keyPath) {
  auto it = std::find_if(sections_.begin(), sections_.end(),
                         [&](const Section& s) { return EqualsNoCase(s.path, keyPath); });
  return it == sections_.end() ? nullptr : &*it;
}

const SettingsDocument::Section* SettingsDocument::FindSection(std::string_view keyPath) const {
  return const_cast<SettingsDocument*>(this)->FindSection(keyPath);
}

std::string SettingsDocument::Read(std::string_view keyPath, std::string_view name) const {
  const Section* section = FindSection(keyPath);
  if (!section) return {};
  for (const Entry& entry : section->entries) {
    if (EqualsNoCase(entry.name, name)) return entry.text;
  }
  return {};
}

void SettingsDocument::Write(std::string_view keyPath, std::string_view name,
                             std::string_view text) {
  // Line breaks would split a value into lines the reader drops.
  std::string clean(text);
  std::replace(clean.begin(), clean.end(), '\n', ' ');
  std::replace(clean.begin(), clean.end(), '\r', ' ');
  Section* section = FindSection(keyPath);
  if (!section) {
    sections_.push_back(Section{std::string(keyPath), {}});
    section = &sections_.back();
  }
  for (Entry& entry : section->entries) {
    if (EqualsNoCase(entry.name, name)) {
      entry.text = std::move(clean);
      return;
    }
  }
  section->entries.push_back(Entry{std::string(name), std::move(clean)});
}

void SettingsDocument::DeleteKey(std::string_view keyPath) {
  std::erase_if(sections_, [&](const Section& s) { return IsSameOrBelow(s.path, keyPath); });
}

}  // namespace orvane
