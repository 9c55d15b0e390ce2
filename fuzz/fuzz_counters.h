#pragma once
// How many inputs of a campaign reached each accepted path of a target,
// printed when the process exits ("accepted: read 1234 of 56789 runs"): a
// target whose counts stay at 0 never checked what it is there to check.
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace fuzz {

class PathCounters {
 public:
  ~PathCounters() {
    std::fprintf(stderr, "accepted:");
    for (size_t i = 0; i < used_; ++i) {
      std::fprintf(stderr, " %s %llu,", names_[i], static_cast<unsigned long long>(counts_[i]));
    }
    std::fprintf(stderr, " of %llu runs\n", static_cast<unsigned long long>(runs_));
  }
  // Each path is named once, before the first run, so one never reached shows as 0.
  void Declare(const char* name) {
    if (Find(name) == kMost && used_ < kMost) names_[used_++] = name;
  }
  void Run() { ++runs_; }
  void Reached(const char* name) {
    const size_t i = Find(name);
    if (i < kMost) ++counts_[i];
  }

 private:
  static constexpr size_t kMost = 8;
  size_t Find(const char* name) const {
    for (size_t i = 0; i < used_; ++i) {
      if (std::strcmp(names_[i], name) == 0) return i;
    }
    return kMost;
  }
  const char* names_[kMost] = {};
  uint64_t counts_[kMost] = {};
  size_t used_ = 0;
  uint64_t runs_ = 0;
};

// The target's counters, with its paths declared on first use.
template <size_t N>
PathCounters& Counters(const char* const (&paths)[N]) {
  static PathCounters counters;
  static const bool declared = [&paths] {
    for (const char* path : paths) counters.Declare(path);
    return true;
  }();
  (void)declared;
  return counters;
}

}  // namespace fuzz
