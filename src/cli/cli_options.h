#pragma once
// Argument checks shared by orvane-cli's commands: an unknown, repeated or
// incomplete option is a usage error before anything is read or written.
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"

namespace orvane::cli {

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // flags map to ""

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  const std::string& Value(std::string_view name) const;  // "" when absent
};

// `valued` options take the next argument, `flags` none. An argument that
// starts with '-' is an option; after "--" every argument is positional.
// Prints the reason and returns nothing on an unknown or repeated option or
// a missing value.
std::optional<ParsedArgs> ParseArgs(const Args& args,
                                    std::initializer_list<std::string_view> valued,
                                    std::initializer_list<std::string_view> flags);

// Prints the reason, then every command's usage; returns 2.
int UsageError(const std::string& reason);

// An output path that names a file: not empty, not ending with '/', and not
// "." or "..".
bool NamesAFile(std::string_view path);

}  // namespace orvane::cli
