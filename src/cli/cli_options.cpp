#include "cli/cli_options.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {

const std::string& ParsedArgs::Value(std::string_view name) const {
  static const std::string kNone;
  const auto found = options.find(name);
  return found == options.end() ? kNone : found->second;
}

int UsageError(const std::string& reason) {
  std::cerr << "orvane-cli : " << reason << "\n";
  return UsageError();
}

std::optional<ParsedArgs> ParseArgs(const Args& args,
                                    std::initializer_list<std::string_view> valued,
                                    std::initializer_list<std::string_view> flags) {
  auto among = [](std::initializer_list<std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const bool takesValue = among(valued, arg);
    if (!takesValue && !among(flags, arg)) {
      UsageError("option inconnue : " + arg);
      return std::nullopt;
    }
    if (parsed.Has(arg)) {
      UsageError("option donnée deux fois : " + arg);
      return std::nullopt;
    }
    if (takesValue && i + 1 >= args.size()) {
      UsageError("valeur manquante après " + arg);
      return std::nullopt;
    }
    parsed.options[arg] = takesValue ? args[++i] : "";
  }
  return parsed;
}

bool NamesAFile(std::string_view path) {
  if (path.empty() || path.back() == '/') return false;
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name != "." && name != "..";
}

}  // namespace orvane::cli
