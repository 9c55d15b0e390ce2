#pragma once
// Reading and writing the projects of orvane-cli's shape commands.
#include <optional>
#include <string>

#include "core/project/profile.h"

namespace orvane::cli {

struct ProfilePair {
  Profile p1, p2;
  int decimals = 3;
};

// The project's two profiles as the window opens them; a message on stderr
// and none when the file cannot be read.
std::optional<ProfilePair> ReadProfilePair(const std::string& path);

// Both profiles with their Cote fields, replacing `path` atomically; a
// message on stderr and false when refused.
bool WriteProfilePair(const ProfilePair& pair, const std::string& path);

// A size given to an option: a number, at least 0 unless negatives are
// allowed; a message on stderr and none otherwise.
std::optional<double> OptionNumber(const std::string& option, const std::string& text,
                                   bool negativeAllowed);

}  // namespace orvane::cli
