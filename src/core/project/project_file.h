#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

// What a project file holds, as the browsing preview reads it into the
// import buffer: one coordinate array per column, point i at index i - 1.
struct ProjectData {
  int decimals = 3;
  std::string dimensions[4];  // Cote X1, Y1, X2, Y2 as saved
  std::vector<double> X1, Y1, X2, Y2;
};

struct ProjectReadResult {
  bool ok = false;
  bool incompatible = false;  // too old a version
  std::string message;        // what the previews show when not ok
  ProjectData data;
};

inline constexpr std::string_view kIncompatibleProject = " Projet incompatible avec cette version ";

// The largest project file, the same for the writer and every reader, so that
// whatever is saved opens again.
inline constexpr size_t kMaxProjectFileBytes = size_t(256) << 20;

// Reads a ".ovp" file (CR LF or LF). Lines are taken by position. A point
// count that the file's body cannot hold is refused before anything is
// allocated for it; so are files over kMaxProjectFileBytes and coordinates
// beyond the drawing readers' limit.
ProjectReadResult ReadProjectFile(std::string_view bytes);

struct ProjectWriteResult {
  bool ok = false;
  std::string message;
  std::string bytes;  // Windows-1252, CR LF
};

// The two profiles side by side; refused when their point counts differ,
// since the format holds one count, and when the reader would refuse the
// result (too large, or a coordinate beyond the drawing readers' limit).
ProjectWriteResult WriteProjectFile(const Profile& p1, const Profile& p2, int decimals,
                                    const std::string (&dimensions)[4]);

}  // namespace orvane
