#include "core/cut/cut_point_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/common/regular_file.h"

namespace orvane {
namespace {

constexpr uint64_t kRecordBytes = 32;

double LittleEndianDouble(const char* bytes) {
  static_assert(std::endian::native == std::endian::little, "the point file is little-endian");
  double value;
  std::memcpy(&value, bytes, 8);
  return value;
}

}  // namespace

CutPointRead ReadCutPointFile(const std::string& path, uint64_t expectedPoints,
                              uint64_t maxPoints) {
  namespace fs = std::filesystem;
  CutPointRead read;
  std::error_code error;
  const bool regular = fs::is_regular_file(path, error);
  const uint64_t size = regular ? fs::file_size(path, error) : 0;
  if (!regular || error) {
    read.message = "Fichier de points illisible : " + path;
    return read;
  }
  // Compared by division: the header's count times 32 could wrap.
  if (size % kRecordBytes != 0 || size / kRecordBytes != expectedPoints) {
    read.message = "Le fichier de points ne correspond pas à l'en-tête de la découpe : " +
                   std::to_string(size) + " octets pour " + std::to_string(expectedPoints) +
                   " points annoncés.";
    return read;
  }
  std::ifstream in;
  if (!OpenRegularStream(in, path)) {
    read.message = "Fichier de points illisible : " + path;
    return read;
  }
  read.pointsInFile = expectedPoints;
  if (maxPoints == 0) maxPoints = 1;
  read.stride = std::max<uint64_t>(1, (read.pointsInFile + maxPoints - 1) / maxPoints);
  read.points.reserve(static_cast<size_t>(std::min(read.pointsInFile, maxPoints) + 1));

  constexpr uint64_t kRecordsPerChunk = 2048;
  std::vector<char> chunk(kRecordsPerChunk * kRecordBytes);
  uint64_t index = 0;
  while (index < read.pointsInFile) {
    const uint64_t records = std::min(kRecordsPerChunk, read.pointsInFile - index);
    in.read(chunk.data(), static_cast<std::streamsize>(records * kRecordBytes));
    const uint64_t got = static_cast<uint64_t>(in.gcount()) / kRecordBytes;
    for (uint64_t r = 0; r < got; ++r, ++index) {
      const bool last = index + 1 == read.pointsInFile;
      if (index % read.stride != 0 && !last) continue;
      CutPointRecord point;
      bool finite = true;
      for (size_t k = 0; k < 4; ++k) {
        point[k] = LittleEndianDouble(chunk.data() + r * kRecordBytes + k * 8);
        finite = finite && std::isfinite(point[k]);
      }
      if (finite) {
        read.points.push_back(point);
      } else {
        read.damaged = true;
      }
    }
    // The file shrank while it was read.
    if (got < records) {
      read.damaged = true;
      break;
    }
  }
  read.ok = true;
  return read;
}

CutPointExtent PointExtent(const std::vector<CutPointRecord>& points) {
  CutPointExtent extent;
  for (const CutPointRecord& p : points) {
    for (size_t side = 0; side < 2; ++side) {
      const double x = p[2 * side], y = p[2 * side + 1];
      if (extent.empty) {
        extent = {false, x, y, x, y};
        continue;
      }
      extent.minX = std::min(extent.minX, x);
      extent.maxX = std::max(extent.maxX, x);
      extent.minY = std::min(extent.minY, y);
      extent.maxY = std::max(extent.maxY, y);
    }
  }
  return extent;
}

}  // namespace orvane
