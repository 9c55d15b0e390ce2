#include "core/cut/cut_set_check.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr const char* kAxes[4] = {"X1", "Y1", "X2", "Y2"};
// Where each motor's projected size stands among the header's eight sizes.
constexpr size_t kProjectedSize[4] = {2, 3, 6, 7};
constexpr size_t kChunk = 64 * 1024;

CutStepCheck Refused(std::string message) {
  CutStepCheck check;
  check.message = std::move(message);
  return check;
}

std::string SizeMismatch(uint64_t bytes, uint64_t ticks) {
  return "Le fichier de pas ne correspond pas à l'en-tête de la découpe : " +
         std::to_string(bytes) + " octets pour " + std::to_string(ticks) +
         " pas annoncés.\nSon enregistrement a pu être interrompu : générez la découpe et "
         "enregistrez-la à nouveau.";
}

CutStepCheck CompareTravel(const CutHeaderInfo& header, const MotorTravel& travel) {
  const std::array<int64_t, 4> allowed = AllowedTravel(header);
  for (size_t axis = 0; axis < 4; ++axis) {
    const int64_t made = travel.highest[axis] - travel.lowest[axis];
    if (made <= allowed[axis]) continue;
    const double size = header.sizes[kProjectedSize[axis]];
    const double steps = std::round(size * static_cast<double>(header.stepsPerMm[axis]));
    return Refused("Fichiers de découpes différentes : le fichier de pas fait parcourir " +
                   std::to_string(made) + " pas à " + kAxes[axis] + ", l'en-tête en annonce " +
                   FormatFixed(steps, 0) + " (" + FormatFixed(size, 3) + " mm à " +
                   std::to_string(header.stepsPerMm[axis]) +
                   " pas/mm).\nGénérez la découpe et enregistrez-la à nouveau.");
  }
  CutStepCheck check;
  check.ok = true;
  check.ticks = header.ticks;
  return check;
}

}  // namespace

MotorTravelMeter::MotorTravelMeter(const std::array<int64_t, 4>& ioSlots) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (size_t axis = 0; axis < 4; ++axis) {
      const unsigned slot = ioSlots[axis] >= 0 && ioSlots[axis] <= 3 ? unsigned(ioSlots[axis]) : 0;
      const unsigned pair = 3u << (2 * slot), step = 1u << (2 * slot);
      const unsigned bits = byte & pair;
      moves_[byte][axis] = bits == pair ? 1 : bits == step ? -1 : 0;
    }
  }
}

void MotorTravelMeter::Add(const uint8_t* bytes, size_t count) {
  std::array<int64_t, 4> position = position_, lowest = travel_.lowest, highest = travel_.highest;
  for (size_t i = 0; i < count; ++i) {
    const std::array<int8_t, 4>& move = moves_[bytes[i]];
    for (size_t axis = 0; axis < 4; ++axis) {
      position[axis] += move[axis];
      lowest[axis] = std::min(lowest[axis], position[axis]);
      highest[axis] = std::max(highest[axis], position[axis]);
    }
  }
  position_ = position;
  travel_.lowest = lowest;
  travel_.highest = highest;
  travel_.ticks += count;
}

std::array<int64_t, 4> AllowedTravel(const CutHeaderInfo& header) {
  // The cut follows the profiles' tables, whose coordinates are rounded to
  // the header's decimals; its sizes are rounded to three.
  const double slack = std::pow(10.0, -static_cast<double>(header.decimals)) + 0.0005;
  std::array<int64_t, 4> allowed{};
  for (size_t axis = 0; axis < 4; ++axis) {
    const double steps = static_cast<double>(header.stepsPerMm[axis]);
    allowed[axis] =
        static_cast<int64_t>(std::floor((header.sizes[kProjectedSize[axis]] + slack) * steps)) + 1;
  }
  return allowed;
}

CutStepCheck CheckCutStepFile(const CutHeaderInfo& header, std::optional<std::string_view> steps) {
  if (!steps) {
    CutStepCheck check;
    check.ok = true;
    check.ticks = header.ticks;
    return check;
  }
  if (steps->size() != header.ticks) return Refused(SizeMismatch(steps->size(), header.ticks));
  MotorTravelMeter meter(header.ioSlots);
  meter.Add(reinterpret_cast<const uint8_t*>(steps->data()), steps->size());
  return CompareTravel(header, meter.Travel());
}

CutStepCheck CheckStepFileOnDisk(const CutHeaderInfo& header, const std::string& stepPath) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(stepPath, error);
  if (!fs::exists(status)) return CheckCutStepFile(header, std::nullopt);
  if (!fs::is_regular_file(status)) return Refused("Fichier de pas illisible : " + stepPath);
  const uint64_t size = fs::file_size(stepPath, error);
  if (error) return Refused("Fichier de pas illisible : " + stepPath);
  if (size != header.ticks) return Refused(SizeMismatch(size, header.ticks));

  std::ifstream in(stepPath, std::ios::binary);
  if (!in) return Refused("Fichier de pas illisible : " + stepPath);
  MotorTravelMeter meter(header.ioSlots);
  std::vector<char> chunk(kChunk);
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    meter.Add(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return Refused("Fichier de pas illisible : " + stepPath);
  if (meter.Travel().ticks != size) {
    return Refused("Le fichier de pas a changé pendant sa lecture : " + stepPath);
  }
  return CompareTravel(header, meter.Travel());
}

CutStepCheck CheckCutSet(const std::string& base) {
  const CutHeaderRead read = ReadCutHeaderFile(base + ".ovi");
  if (!read.ok) return Refused(read.message);
  if (read.info.olderVersion) {
    return Refused("Découpe générée avec une version trop ancienne : " + base + ".ovi");
  }
  return CheckStepFileOnDisk(read.info, base + ".ovd");
}

}  // namespace orvane
