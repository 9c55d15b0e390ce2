// orvane-cli's project commands: info, import, export, generate.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/cli_commands.h"
#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/cut/cut_generation.h"
#include "core/project/drawing_readers.h"
#include "core/project/exports.h"
#include "core/project/profile.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "host/cut_saver.h"
#include "host/host_centronic.h"
#include "host/settings_file_store.h"

namespace orvane::cli {
namespace {

using namespace orvane;

constexpr size_t kMaxProjectFile = kMaxProjectFileBytes;

std::optional<ProjectData> ReadProject(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in || content.str().size() > kMaxProjectFile) {
    std::cerr << "orvane-cli : impossible de lire " << path << "\n";
    return std::nullopt;
  }
  ProjectReadResult read = ReadProjectFile(content.str());
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

MachineSettings StoredSettings() {
  FileSettingsStore store(SettingsFilePath());
  MachineSettings settings;
  settings.ProjectPath = settings.CutPath = settings.DxfPath = settings.ExportPath = "./";
  if (!ReadAllSettings(store, settings, nullptr).empty()) {
    std::cerr << "orvane-cli : réglages absents ou incomplets dans " << store.Path()
              << ", valeurs d'usine utilisées pour ceux-là\n";
  }
  return settings;
}

bool Write(const std::string& path, std::string_view bytes) {
  std::string error;
  if (AtomicWriteFile(path, bytes, &error)) return true;
  std::cerr << "orvane-cli : " << error << "\n";
  return false;
}

// A drawing or coordinate file read as the window's "Importer" reads it;
// useless points are removed unless kept.
std::optional<PointRows> ReadDrawing(const std::string& path, bool keepDuplicates) {
  std::string bytes;
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  DrawingRead read;
  if (ReadWholeFile(path, bytes, kMaxProjectFile)) {
    read = orvane::ReadDrawing(bytes, extension);
  }
  if (read.status != DrawingRead::Status::Read || read.xs.size() < 2) {
    std::cerr << "orvane-cli : " << path << " :"
              << (read.status == DrawingRead::Status::Refused      ? read.message
                  : read.status == DrawingRead::Status::Incomplete ? " Tracé incomplet "
                                                                   : " Fichier incompatible ")
              << "\n";
    return std::nullopt;
  }
  PointRows rows;
  for (size_t i = 0; i < read.xs.size(); ++i) {
    rows.push_back({FormatFixed(read.xs[i], 6), FormatFixed(read.ys[i], 6)});
  }
  if (!keepDuplicates) RemoveConsecutiveDuplicates(rows);
  return rows;
}

int Import(const std::vector<std::string>& inputs, const std::string& output, int decimals,
           bool keepDuplicates) {
  Profile p[2];
  for (int k = 0; k < 2; ++k) {
    auto rows = ReadDrawing(inputs[std::min<size_t>(k, inputs.size() - 1)], keepDuplicates);
    if (!rows) return 1;
    p[k].raw = std::move(*rows);
    RefreshAdjusted(p[k], decimals);
  }
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
int Generate(const std::string& path, const std::string& output, bool twoCuts, bool gcodeOnly) {
  auto data = ReadProject(path);
  if (!data) return 1;
  const MachineSettings settings = StoredSettings();
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

  std::string temp = (std::filesystem::temp_directory_path() / "orvane-cli-XXXXXX").string();
  if (!mkdtemp(temp.data())) {
    std::cerr << "orvane-cli : impossible de créer un dossier temporaire\n";
    return 1;
  }
  temp += '/';
  CutGeneration generation =
      GenerateCut(p1.adjusted, p2.adjusted, settings, temp, gcodeOnly, nullptr);
  int status = 0;
  if (!generation.error.empty()) {
    std::cerr << "orvane-cli : " << generation.error << "\n";
    status = 1;
  } else {
    CutSaveRequest request;
    request.cutFolder = temp;
    request.base = CutBase(output);
    request.twoCuts = twoCuts;
    request.gcodeOnly = gcodeOnly;
    request.header =
        MakeCutHeader(generation, p1.adjusted, p2.adjusted, decimals, projection, dimensions);
    request.points = &generation.table.points;
    request.settings = &settings;
    const CutSaveResult saved = SaveCut(request);
    if (!saved.ok) {
      std::cerr << "orvane-cli : " << saved.message << "\n";
      status = 1;
    } else {
      std::cout << generation.steps.ticks << " pas\n";
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(temp, ignored);
  return status;
}

}  // namespace

int InfoCommand(const Args& args) {
  if (args.size() != 1) return UsageError();
  return Info(args[0]);
}

int GenerateCommand(const Args& args) {
  if (args.size() < 3) return UsageError();
  std::string output;
  bool twoCuts = false, gcodeOnly = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      output = args[++i];
    } else if (args[i] == "--opposite") {
      twoCuts = true;
    } else if (args[i] == "--gcode-only") {
      gcodeOnly = true;
    } else {
      return UsageError();
    }
  }
  if (output.empty()) return UsageError();
  return Generate(args[0], output, twoCuts, gcodeOnly);
}

int ImportCommand(const Args& args) {
  if (args.size() < 3) return UsageError();
  std::vector<std::string> inputs;
  std::string output;
  int decimals = 3;
  bool keepDuplicates = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      output = args[++i];
    } else if (args[i] == "--decimals" && i + 1 < args.size()) {
      const auto d = ParseInteger(args[++i]);
      if (!d || *d < 0 || *d > 6) return UsageError();
      decimals = static_cast<int>(*d);
    } else if (args[i] == "--keep-duplicates") {
      keepDuplicates = true;
    } else if (!args[i].starts_with("-")) {
      inputs.push_back(args[i]);
    } else {
      return UsageError();
    }
  }
  if (output.empty() || inputs.empty() || inputs.size() > 2) return UsageError();
  return Import(inputs, output, decimals, keepDuplicates);
}

int ExportCommand(const Args& args) {
  if (args.size() < 3) return UsageError();
  int profile = 1;
  std::string format, output;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--profile" && i + 1 < args.size()) {
      profile = args[++i] == "2" ? 2 : 1;
    } else if ((args[i] == "--dxf" || args[i] == "--dat" || args[i] == "--csv" ||
                args[i] == "--cut") &&
               i + 1 < args.size()) {
      format = args[i];
      output = args[++i];
    } else {
      return UsageError();
    }
  }
  if (format.empty()) return UsageError();
  return Export(args[0], format, profile, output);
}

}  // namespace orvane::cli
