#pragma once
// Reading and writing projects in orvane-cli.
#include <optional>
#include <string>
#include <vector>

#include "core/project/profile.h"
#include "core/project/project_file.h"

namespace orvane::cli {

// A project read as the window reads it, within the one size limit; a
// message on stderr and none when it cannot be read.
std::optional<ProjectData> ReadProject(const std::string& path);

// One profile's raw cells from its coordinates, adjusted to `decimals`.
Profile MakeProfile(const std::vector<double>& xs, const std::vector<double>& ys, int decimals);

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
