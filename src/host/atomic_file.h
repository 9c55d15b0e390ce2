#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Replaces `path` with `data` so that a crash or a full disk never leaves a
// torn file: a temporary file beside it is written, flushed, synced and
// renamed over it. On failure the old file stays whole, the temporary file is
// removed, and `error` (when given) says why.
bool AtomicWriteFile(const std::string& path, std::string_view data, std::string* error = nullptr);

// Whole file, at most `limit` bytes; false when it cannot be read or is larger.
bool ReadWholeFile(const std::string& path, std::string& data, size_t limit);

}  // namespace orvane

namespace orvane {

// Copies `from` over `to` with the same guarantee as AtomicWriteFile.
bool AtomicCopyFile(const std::string& from, const std::string& to, std::string* error = nullptr);

}  // namespace orvane
