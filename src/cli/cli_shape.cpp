// orvane-cli shape: a project of one standard shape, groove or segment,
// made by the same generators and rules as the shape windows.
#include <iostream>
#include <map>

#include "cli/cli_commands.h"
#include "cli/cli_shape_io.h"
#include "core/common/text_number.h"
#include "core/project/project_file.h"
#include "core/shapes/grooves.h"
#include "core/shapes/segments.h"
#include "core/shapes/standard_shapes.h"
#include "host/atomic_file.h"

namespace orvane::cli {
namespace {

// The options of one command line, by name, each given once.
struct Options {
  std::map<std::string, std::string> values;
  std::map<std::string, bool> flags;
  std::string output;
};

std::optional<Options> ParseOptions(const Args& args, size_t first,
                                    std::initializer_list<const char*> valued,
                                    std::initializer_list<const char*> flags) {
  Options options;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" && i + 1 < args.size()) {
      options.output = args[++i];
      continue;
    }
    bool known = false;
    for (const char* name : valued) {
      if (arg == name && i + 1 < args.size()) {
        options.values[arg] = args[++i];
        known = true;
        break;
      }
    }
    for (const char* name : flags) {
      if (!known && arg == name) options.flags[arg] = known = true;
    }
    if (!known) {
      std::cerr << "orvane-cli : option inconnue ou incomplète : " << arg << "\n";
      return std::nullopt;
    }
  }
  if (options.output.empty()) return std::nullopt;
  return options;
}

// Sets `target` from option `name` when given; false on a bad value.
bool Take(const Options& options, const char* name, double& target, bool negativeAllowed = false) {
  auto it = options.values.find(name);
  if (it == options.values.end()) return true;
  const auto value = OptionNumber(name, it->second, negativeAllowed);
  if (!value) return false;
  target = *value;
  return true;
}

bool TakeCount(const Options& options, const char* name, int& target) {
  auto it = options.values.find(name);
  if (it == options.values.end()) return true;
  const auto value = ParseInteger(it->second);
  if (!value || *value < 0 || *value > 100000) {
    std::cerr << "orvane-cli : " << name << " attend un nombre entier positif\n";
    return false;
  }
  target = static_cast<int>(*value);
  return true;
}

std::optional<int> Decimals(const Options& options) {
  auto it = options.values.find("--decimals");
  if (it == options.values.end()) return 3;
  const auto d = ParseInteger(it->second);
  if (!d || *d < 0 || *d > 6) {
    std::cerr << "orvane-cli : --decimals attend 0 à 6\n";
    return std::nullopt;
  }
  return static_cast<int>(*d);
}

int WriteShape(PointRows rows, const std::string& name, const Options& options) {
  const auto decimals = Decimals(options);
  if (!decimals) return 2;
  ProfilePair pair;
  pair.decimals = *decimals;
  pair.p1.raw = std::move(rows);
  pair.p1.fileName = name;
  RefreshAdjusted(pair.p1, pair.decimals);
  CopyProfile(pair.p1, pair.p2, pair.decimals);
  if (!WriteProfilePair(pair, options.output)) return 1;
  std::cout << pair.p1.raw.size() << " points\n";
  return 0;
}

int StandardShape(int code, const Args& args) {
  const ShapeDefinition& definition = ShapeOf(code);
  auto options = ParseOptions(args, 1,
                              {"--width", "--width2", "--height", "--chamfer", "--offset",
                               "--radius", "--radius2", "--sides", "--revolution", "--decimals"},
                              {});
  if (!options) return UsageError();
  // Only the fields the shape's window shows.
  const std::pair<const char*, unsigned> fields[] = {
      {"--width", kLargeur},     {"--width2", kLargeur2},  {"--height", kHauteur},
      {"--chamfer", kChanfrein}, {"--offset", kChanfrein}, {"--radius", kRayon},
      {"--radius2", kRayon2},    {"--sides", kCotes},      {"--revolution", kRevolution}};
  for (auto [name, bit] : fields) {
    if (options->values.count(name) && !(definition.fields & bit)) {
      std::cerr << "orvane-cli : " << name << " ne s'applique pas à " << definition.cliName << "\n";
      return 2;
    }
  }
  ShapeValues v = definition.defaults;
  if (!Take(*options, "--width", v.largeur) || !Take(*options, "--width2", v.largeur2) ||
      !Take(*options, "--height", v.hauteur) || !Take(*options, "--chamfer", v.chanfrein) ||
      !Take(*options, "--offset", v.chanfrein) || !Take(*options, "--radius", v.rayon) ||
      !Take(*options, "--radius2", v.rayon2) || !TakeCount(*options, "--sides", v.cotes) ||
      !TakeCount(*options, "--revolution", v.revolution)) {
    return 2;
  }
  v = ValidateShape(code, v);
  auto rows = GenerateShape(code, v);
  if (!rows) {
    std::cerr << "orvane-cli : le décalage dépasse la différence des largeurs ("
              << FormatReal15(v.largeur - v.largeur2) << " mm)\n";
    return 1;
  }
  return WriteShape(std::move(*rows), std::string(definition.profileName), *options);
}

int Groove(int model, const Args& args) {
  auto options = ParseOptions(
      args, 1, {"--width", "--height", "--depth", "--kerf", "--exit", "--decimals"}, {});
  if (!options) return UsageError();
  GrooveValues v;
  if (!Take(*options, "--width", v.largeur) || !Take(*options, "--height", v.hauteur) ||
      !Take(*options, "--depth", v.profondeur) || !Take(*options, "--kerf", v.trait) ||
      !Take(*options, "--exit", v.fuite)) {
    return 2;
  }
  v = ReplaceZeroGroove(v);
  auto rows = GenerateGroove(model, v);
  if (!rows) {
    std::cerr << "orvane-cli : " << GrooveProblem(model, v) << "\n";
    return 1;
  }
  return WriteShape(std::move(*rows), "rainure", *options);
}

int Segment(const Args& args) {
  auto options = ParseOptions(
      args, 1, {"--length", "--angle", "--width", "--height", "--append", "--decimals"},
      {"--rectangular", "--return"});
  if (!options) return UsageError();
  SegmentValues v;
  v.polar = !options->flags.count("--rectangular");
  v.roundTrip = options->flags.count("--return") > 0;
  if ((v.polar && (options->values.count("--width") || options->values.count("--height"))) ||
      (!v.polar && (options->values.count("--length") || options->values.count("--angle")))) {
    std::cerr << "orvane-cli : --length et --angle (polaire) ou --rectangular avec --width et "
                 "--height\n";
    return 2;
  }
  if (!Take(*options, "--length", v.longueur) || !Take(*options, "--angle", v.angle) ||
      !Take(*options, "--width", v.largeur, true) || !Take(*options, "--height", v.hauteur, true)) {
    return 2;
  }
  v = ValidateSegment(v);
  PointRows base;
  std::string name = "segment";
  auto append = options->values.find("--append");
  if (append != options->values.end()) {
    auto pair = ReadProfilePair(append->second);
    if (!pair) return 1;
    v.append = true;
    base = pair->p1.raw;
    name = pair->p1.fileName;
  }
  PointRows rows = GenerateSegment(base, v);
  if (rows.size() < 2) {
    std::cerr << "orvane-cli : segment de longueur nulle, rien à créer\n";
    return 1;
  }
  return WriteShape(std::move(rows), name, *options);
}

}  // namespace

std::optional<ProfilePair> ReadProfilePair(const std::string& path) {
  auto data = ReadProject(path);
  if (!data) return std::nullopt;
  ProfilePair pair;
  pair.decimals = data->decimals;
  pair.p1 = MakeProfile(data->X1, data->Y1, data->decimals);
  pair.p2 = MakeProfile(data->X2, data->Y2, data->decimals);
  return pair;
}

bool WriteProfilePair(const ProfilePair& pair, const std::string& path) {
  std::string dimensions[4];
  const Profile* profiles[2] = {&pair.p1, &pair.p2};
  for (int k = 0; k < 2; ++k) {
    const DimensionTexts texts = DimensionsOf(*profiles[k], pair.decimals);
    dimensions[2 * k] = texts.x;
    dimensions[2 * k + 1] = texts.y;
  }
  const ProjectWriteResult written = WriteProjectFile(pair.p1, pair.p2, pair.decimals, dimensions);
  std::string error;
  if (!written.ok) {
    std::cerr << "orvane-cli : " << written.message << "\n";
    return false;
  }
  if (!AtomicWriteFile(path, written.bytes, &error)) {
    std::cerr << "orvane-cli : " << error << "\n";
    return false;
  }
  return true;
}

std::optional<double> OptionNumber(const std::string& option, const std::string& text,
                                   bool negativeAllowed) {
  const auto value = ParseReal(text);
  if (!value || (*value < 0 && !negativeAllowed) || std::abs(*value) > 1e6) {
    std::cerr << "orvane-cli : " << option << " attend un nombre"
              << (negativeAllowed ? "" : " positif") << " en millimètres, pas « " << text << " »\n";
    return std::nullopt;
  }
  return value;
}

int ShapeCommand(const Args& args) {
  if (args.empty()) return UsageError();
  const std::string& name = args[0];
  if (auto code = ShapeCodeByName(name)) return StandardShape(*code, args);
  if (name.size() == 8 && name.starts_with("rainure") && name[7] >= '1' && name[7] <= '4') {
    return Groove(name[7] - '0', args);
  }
  if (name == "segment") return Segment(args);
  std::cerr << "orvane-cli : forme inconnue : " << name << "\n";
  return UsageError();
}

}  // namespace orvane::cli
