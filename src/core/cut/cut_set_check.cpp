#include "core/cut/cut_set_check.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/common/text_lines.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr size_t kTickLine = 48;
constexpr size_t kLinesWithoutTicks = 46;
// A header is 48 short lines; anything much larger is not one.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

CutStepCheck Refused(std::string message) {
  CutStepCheck check;
  check.message = std::move(message);
  return check;
}

}  // namespace

CutStepCheck CheckCutStepFile(std::string_view header, std::optional<uint64_t> stepFileSize) {
  const std::vector<std::string_view> lines = SplitLines(header);
  if (lines.size() < kLinesWithoutTicks) {
    return Refused("En-tête de découpe incomplet : " + std::to_string(lines.size()) +
                   " lignes sur 48.");
  }
  CutStepCheck check;
  if (lines.size() == kLinesWithoutTicks) {
    check.ok = true;
    check.ticks = stepFileSize.value_or(0);
    return check;
  }
  const std::string_view tickLine =
      lines.size() >= kTickLine ? lines[kTickLine - 1] : std::string_view();
  const std::optional<int64_t> ticks = ParseInteger(tickLine);
  if (!ticks || *ticks < 0) {
    return Refused("Nombre de pas illisible dans l'en-tête de découpe (ligne 48 : « " +
                   std::string(tickLine.substr(0, 40)) + " »).");
  }
  check.ticks = static_cast<uint64_t>(*ticks);
  if (stepFileSize && *stepFileSize != check.ticks) {
    check.message = "Le fichier de pas ne correspond pas à l'en-tête de la découpe : " +
                    std::to_string(*stepFileSize) + " octets pour " + std::to_string(check.ticks) +
                    " pas annoncés.\nSon enregistrement a pu être interrompu : générez la "
                    "découpe et enregistrez-la à nouveau.";
    return check;
  }
  check.ok = true;
  return check;
}

CutStepCheck CheckCutSet(const std::string& base) {
  namespace fs = std::filesystem;
  const std::string headerPath = base + ".ovi";
  std::error_code error;
  if (!fs::is_regular_file(headerPath, error)) {
    return Refused("En-tête de découpe introuvable : " + headerPath);
  }
  std::ifstream in(headerPath, std::ios::binary);
  std::string header(kMaxHeaderBytes + 1, '\0');
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  if (in.bad()) return Refused("En-tête de découpe illisible : " + headerPath);
  header.resize(static_cast<size_t>(in.gcount()));
  if (header.size() > kMaxHeaderBytes) {
    return Refused("Ce fichier n'est pas un en-tête de découpe : " + headerPath);
  }
  const std::string stepPath = base + ".ovd";
  std::optional<uint64_t> stepSize;
  const fs::file_status status = fs::status(stepPath, error);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) return Refused("Fichier de pas illisible : " + stepPath);
    stepSize = fs::file_size(stepPath, error);
    if (error) return Refused("Fichier de pas illisible : " + stepPath);
  }
  return CheckCutStepFile(header, stepSize);
}

}  // namespace orvane
