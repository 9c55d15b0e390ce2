#include "host/serial_ports.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace orvane {
namespace {

constexpr std::array<std::string_view, 3> kPrefixes = {"ttyS", "ttyUSB", "ttyACM"};

// The family's rank and the device number, for the natural order; nothing
// for a name that is not a numbered serial device.
bool Rank(const std::string& name, size_t& family, long& number) {
  for (size_t f = 0; f < kPrefixes.size(); ++f) {
    if (!name.starts_with(kPrefixes[f])) continue;
    const std::string digits = name.substr(kPrefixes[f].size());
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    family = f;
    number = std::stol(digits);
    return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::string& devFolder) {
  struct Entry {
    size_t family;
    long number;
    std::string name;
  };
  std::vector<Entry> entries;
  std::error_code error;
  for (std::filesystem::directory_iterator it(devFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    Entry entry{0, 0, name};
    if (!Rank(name, entry.family, entry.number)) continue;
    if (it->is_directory(error)) continue;
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.family != b.family ? a.family < b.family : a.number < b.number;
  });
  std::vector<std::string> names;
  for (const Entry& e : entries) names.push_back(e.name);
  return names;
}

}  // namespace orvane
