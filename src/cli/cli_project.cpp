// orvane-cli's project commands: info, import, export, generate.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_gcode.h"
#include "cli/cli_options.h"
#include "cli/cli_shape_io.h"
#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/cut/cut_generation.h"
#include "core/project/drawing_readers.h"
#include "core/project/exports.h"
#include "core/project/match_points.h"
#include "core/project/profile.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "host/cut_saver.h"
#include "host/host_centronic.h"
#include "host/settings_file_store.h"
#include "host/temporaries.h"

namespace orvane::cli {
namespace {

using namespace orvane;

constexpr size_t kMaxProjectFile = kMaxProjectFileBytes;

void PrintProfile(int number, const Profile& p) {
  const auto [width, height] = ProfileExtent(p.adjusted, true);
  std::cout << "Profil " << number << " : " << p.raw.size() << " points, "
            << (IsClosed(p.adjusted) ? "fermé" : "ouvert") << ", "
            << (HasLeadIn(p.adjusted) ? "avec dégagements" : "sans dégagement") << "\n"
            << "  Etendue : " << FormatFixed(width, 3) << " x " << FormatFixed(height, 3) << " mm\n"
            << "  Développé : " << FormatFixed(DevelopedLength(p.adjusted), 3) << " mm\n";
}

int Info(const std::string& path) {
  auto data = ReadProject(path);
  if (!data) return 1;
  PrintProfile(1, MakeProfile(data->X1, data->Y1, data->decimals));
  PrintProfile(2, MakeProfile(data->X2, data->Y2, data->decimals));
  return 0;
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

bool Write(const std::string& path, std::string_view bytes) {
  RemoveStalePartialFiles(FolderOf(path));
  std::string error;
  if (AtomicWriteFile(path, bytes, &error)) return true;
  std::cerr << "orvane-cli : " << error << "\n";
  return false;
}

// A drawing or coordinate file read as the window's "Importer" reads it;
// useless points are removed unless kept.
std::optional<PointRows> ReadDrawing(const std::string& path, bool keepDuplicates) {
  std::string bytes;
  const FileRead file = ReadFileLimited(path, bytes, kMaxProjectFile);
  if (!file.ok) {
    std::cerr << "orvane-cli : " << path << " : " << file.message << "\n";
    return std::nullopt;
  }
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const DrawingRead read = orvane::ReadDrawing(bytes, extension);
  if (read.status != DrawingRead::Status::Read || read.xs.size() < 2) {
    std::cerr << "orvane-cli : " << path << " :"
              << (read.status == DrawingRead::Status::Refused      ? read.message
                  : read.status == DrawingRead::Status::Incomplete ? " Tracé incomplet "
                                                                   : " Fichier incompatible ")
              << "\n";
    return std::nullopt;
  }
  if (read.discontinuous) std::cerr << "orvane-cli : " << path << " : Tracé discontinu\n";
  PointRows rows;
  for (size_t i = 0; i < read.xs.size(); ++i) {
    rows.push_back({FormatFixed(read.xs[i], 6), FormatFixed(read.ys[i], 6)});
  }
  if (!keepDuplicates) RemoveConsecutiveDuplicates(rows);
  // The window's rule: a profile needs two distinct points.
  if (RowCount(rows) < 3) {
    std::cerr << "orvane-cli : " << path << " : Ce fichier n'est pas compatible avec Orvane\n";
    return std::nullopt;
  }
  return rows;
}

int Import(const std::vector<std::string>& inputs, const std::string& output, int decimals,
           bool keepDuplicates, std::optional<size_t> match) {
  Profile p[2];
  for (int k = 0; k < 2; ++k) {
    auto rows = ReadDrawing(inputs[std::min<size_t>(k, inputs.size() - 1)], keepDuplicates);
    if (!rows) return 1;
    p[k].raw = std::move(*rows);
  }
  if (match) {
    MatchedProfiles matched = MatchPoints(p[0].raw, false, p[1].raw, false, *match);
    if (!matched.message.empty()) {
      std::cerr << "orvane-cli : " << matched.message << "\n";
      return 1;
    }
    p[0].raw = std::move(matched.first);
    p[1].raw = std::move(matched.second);
  }
  for (Profile& profile : p) RefreshAdjusted(profile, decimals);
  std::string dimensions[4];
  for (int k = 0; k < 2; ++k) {
    const DimensionTexts texts = DimensionsOf(p[k], decimals);
    dimensions[2 * k] = texts.x;
    dimensions[2 * k + 1] = texts.y;
  }
  const ProjectWriteResult written = WriteProjectFile(p[0], p[1], decimals, dimensions);
  if (!written.ok) {
    std::cerr << "orvane-cli : " << written.message << "\n";
    return 1;
  }
  if (!Write(output, written.bytes)) return 1;
  std::cout << p[0].raw.size() << " points\n";
  return 0;
}

int Export(const std::string& path, const std::string& format, int profile,
           const std::string& output) {
  auto data = ReadProject(path);
  if (!data) return 1;
  const Profile p1 = MakeProfile(data->X1, data->Y1, data->decimals);
  const Profile p2 = MakeProfile(data->X2, data->Y2, data->decimals);
  const Profile& chosen = profile == 2 ? p2 : p1;
  std::string bytes;
  if (format == "--cut") {
    bytes =
        WriteCutProject(p1.adjusted, p2.adjusted, data->decimals, ComputeVcut(StoredSettings()));
  } else if (format == "--dxf") {
    bytes = WriteDxf(chosen.raw);
  } else if (format == "--dat") {
    bytes = WriteDat(chosen.raw, "", DatSeparator::Tab);
  } else {
    bytes = WriteCsv(chosen.raw);
  }
  return Write(output, bytes) ? 0 : 1;
}

// The same cut as "Générer la découpe" then "Enregistrer la découpe" in the
// window, with the settings of the settings store and no projection.
int Generate(const std::string& path, const std::string& base, bool twoCuts, bool gcodeOnly,
             bool factory, const std::optional<GcodeDialect>& dialect) {
  auto data = ReadProject(path);
  if (!data) return 1;
  bool complete = true;
  const MachineSettings settings = StoredSettings(&complete);
  // Factory steps and periods would cut the wrong size on the user's machine.
  if (!complete && !factory) {
    std::cerr << "orvane-cli : découpe refusée avec l'étalonnage d'usine ; "
                 "--factory pour l'accepter\n";
    return 1;
  }
  const int decimals = static_cast<int>(ParseInteger(settings.Decimales).value_or(3));
  Profile p1 = MakeProfile(data->X1, data->Y1, decimals);
  Profile p2 = MakeProfile(data->X2, data->Y2, decimals);
  for (auto [p, n] : {std::pair{&p1, 1}, std::pair{&p2, 2}}) {
    UpdateDimensions(*p, n, decimals, settings.MaxX, settings.MaxY, settings.Alertes);
  }
  if (RowCount(p1.adjusted) < 3 || p1.raw.size() != p2.raw.size()) {
    std::cerr << "orvane-cli : il faut deux profils d'au moins deux points, en même nombre\n";
    return 1;
  }
  // The Cote fields as the window shows them, for the header.
  auto field = [decimals](double v) { return CellNumber(FormatFixed(v, decimals)); };
  const double dimensions[4] = {field(p1.DimX), field(p1.DimY), field(p2.DimX), field(p2.DimY)};
  ProjectionState projection;
  projection.realX1 = projection.projectedX1 = dimensions[0];
  projection.realY1 = projection.projectedY1 = dimensions[1];
  projection.realX2 = projection.projectedX2 = dimensions[2];
  projection.realY2 = projection.projectedY2 = dimensions[3];

  // The program's own temporary folder, never the system's: what a killed
  // run leaves there is found and removed by the next one.
  const std::string tempFolder = ApplicationFolderPath() + "temp/";
  RemoveStaleWorkFolders(tempFolder);
  RemoveStalePartialFiles(FolderOf(base));
  std::string error;
  const std::unique_ptr<WorkFolder> work = WorkFolder::Create(
      tempFolder, {kTempStepFiles[0], kTempStepFiles[1], kTempGcodeFiles[0], kTempGcodeFiles[1]},
      &error);
  if (!work) {
    std::cerr << "orvane-cli : " << error << "\n";
    return 1;
  }
  const std::string& temp = work->Path();
  CutGeneration generation =
      GenerateCut(p1.adjusted, p2.adjusted, settings, temp, gcodeOnly, nullptr);
  int status = 0;
  if (!generation.error.empty()) {
    std::cerr << "orvane-cli : " << generation.error << "\n";
    status = 1;
  }
  // A dialect program that cannot be written leaves every file as it was.
  DialectSet programs;
  if (status == 0 && dialect) {
    programs =
        WriteDialectSet(generation.table.points, *dialect, GcodeMotionFrom(settings), twoCuts);
    if (!programs.error.empty()) {
      std::cerr << "orvane-cli : " << programs.error << "\n";
      status = 1;
    }
  }
  if (status == 0) {
    CutSaveRequest request;
    request.cutFolder = temp;
    request.base = base;
    request.twoCuts = twoCuts;
    request.gcodeOnly = gcodeOnly;
    request.header =
        MakeCutHeader(generation, p1.adjusted, p2.adjusted, decimals, projection, dimensions);
    request.points = &generation.table.points;
    request.settings = &settings;
    for (int k = 0; k < 2; ++k) request.controllerPrograms[k] = programs.texts[k];
    const CutSaveResult saved = SaveCut(request);
    if (!saved.ok) {
      std::cerr << "orvane-cli : " << saved.message << "\n";
      status = 1;
    } else {
      std::cout << generation.steps.ticks << " pas\n";
      if (status == 0 && generation.checked) {
        std::cout << DeviationLine(generation.deviation, 0) << "\n"
                  << DeviationLine(generation.deviation, 1) << "\n";
      }
    }
  }
  return status;
}

}  // namespace

std::optional<ProjectData> ReadProject(const std::string& path) {
  std::string bytes;
  const FileRead file = ReadFileLimited(path, bytes, kMaxProjectFile);
  if (!file.ok) {
    std::cerr << "orvane-cli : " << path << " : " << file.message << "\n";
    return std::nullopt;
  }
  ProjectReadResult read = ReadProjectFile(bytes);
  if (!read.ok) {
    std::cerr << "orvane-cli : " << path << " :" << read.message << "\n";
    return std::nullopt;
  }
  return std::move(read.data);
}

Profile MakeProfile(const std::vector<double>& xs, const std::vector<double>& ys, int decimals) {
  Profile p;
  for (size_t i = 0; i < xs.size(); ++i) {
    p.raw.push_back({FormatFixed(xs[i], 6), FormatFixed(ys[i], 6)});
  }
  RefreshAdjusted(p, decimals);
  return p;
}

int InfoCommand(const Args& args) {
  const auto parsed = ParseArgs(args, {}, {});
  if (!parsed) return 2;
  if (parsed->positional.size() != 1) return UsageError("un seul projet attendu");
  return Info(parsed->positional[0]);
}

int GenerateCommand(const Args& args) {
  const auto parsed = ParseArgs(args, {"-o", "--dialect", "--feed", "--heat"},
                                {"--opposite", "--gcode-only", "--factory"});
  if (!parsed) return 2;
  if (parsed->positional.size() != 1) return UsageError("un seul projet attendu");
  if (!parsed->Has("-o")) return UsageError("-o BASE manquant");
  // The set's names are the base plus an extension: "out/" or "out/.ovi"
  // would make hidden files named only by their extension.
  const std::string& output = parsed->Value("-o");
  if (!NamesAFile(output) || !NamesAFile(CutBase(output))) {
    return UsageError("-o doit nommer un fichier : " + output);
  }
  std::string usage;
  const std::optional<GcodeDialect> dialect = DialectFromArgs(*parsed, &usage);
  if (!usage.empty()) return UsageError(usage);
  return Generate(parsed->positional[0], CutBase(output), parsed->Has("--opposite"),
                  parsed->Has("--gcode-only"), parsed->Has("--factory"), dialect);
}

int ImportCommand(const Args& given) {
  // "--match" takes an optional count.
  Args args;
  std::optional<size_t> match;
  for (size_t i = 0; i < given.size(); ++i) {
    if (given[i] != "--match") {
      args.push_back(given[i]);
      continue;
    }
    if (match) return UsageError("--match donné deux fois");
    match = 0;
    const std::string next = i + 1 < given.size() ? std::string(given[i + 1]) : std::string();
    if (!next.empty() && std::isdigit(static_cast<unsigned char>(next[0]))) {
      const auto n = ParseInteger(next);
      if (!n || *n < 2) return UsageError("--match attend un nombre de points d'au moins 2");
      match = static_cast<size_t>(*n);
      ++i;
    }
  }
  const auto parsed = ParseArgs(args, {"-o", "--decimals"}, {"--keep-duplicates"});
  if (!parsed) return 2;
  const std::vector<std::string>& inputs = parsed->positional;
  if (inputs.empty() || inputs.size() > 2) return UsageError("un ou deux fichiers attendus");
  if (!parsed->Has("-o")) return UsageError("-o PROJET.ovp manquant");
  const std::string& output = parsed->Value("-o");
  if (!NamesAFile(output)) return UsageError("-o doit nommer un fichier : " + output);
  int decimals = 3;
  if (parsed->Has("--decimals")) {
    const auto d = ParseInteger(parsed->Value("--decimals"));
    if (!d || *d < 0 || *d > 6) return UsageError("--decimals attend un entier de 0 à 6");
    decimals = static_cast<int>(*d);
  }
  return Import(inputs, output, decimals, parsed->Has("--keep-duplicates"), match);
}

int ExportCommand(const Args& args) {
  const auto parsed = ParseArgs(args, {"--profile", "--dxf", "--dat", "--csv", "--cut"}, {});
  if (!parsed) return 2;
  if (parsed->positional.size() != 1) return UsageError("un seul projet attendu");
  std::string format;
  for (const char* option : {"--dxf", "--dat", "--csv", "--cut"}) {
    if (!parsed->Has(option)) continue;
    if (!format.empty()) return UsageError("un seul format à la fois : " + format + ", " + option);
    format = option;
  }
  if (format.empty()) return UsageError("format manquant (--dxf, --dat, --csv ou --cut)");
  int profile = 1;
  if (parsed->Has("--profile")) {
    if (format == "--cut") return UsageError("--cut exporte les deux profils, sans --profile");
    const std::string& number = parsed->Value("--profile");
    if (number != "1" && number != "2") return UsageError("--profile attend 1 ou 2");
    profile = number == "2" ? 2 : 1;
  }
  const std::string& output = parsed->Value(format);
  if (!NamesAFile(output)) return UsageError(format + " doit nommer un fichier : " + output);
  return Export(parsed->positional[0], format, profile, output);
}

}  // namespace orvane::cli
