#include "core/machine/step_runs.h"

#include <array>
#include <cstdio>

namespace orvane {
namespace {

constexpr size_t kChunk = 64 * 1024;
// Progress is reported every this many bytes, so a huge file stays responsive.
constexpr uint64_t kProgressEvery = 1 << 20;

}  // namespace

std::optional<StepRunIndex> IndexStepRuns(std::istream& in, const StepRunProgress& progress) {
  StepRunIndex index;
  std::vector<char> chunk(kChunk);
  int previous = -1;
  uint64_t nextReport = kProgressEvery;
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      const int byte = static_cast<uint8_t>(chunk[i]);
      if (byte != previous) {
        if (index.runs % StepRunIndex::kRunsPerBlock == 0) {
          index.blockOffsets.push_back(index.bytes + i);
        }
        ++index.runs;
        previous = byte;
      }
    }
    index.bytes += got;
    if (progress && index.bytes >= nextReport) {
      nextReport = index.bytes + kProgressEvery;
      if (!progress(index.bytes)) return std::nullopt;
    }
  }
  if (progress && !progress(index.bytes)) return std::nullopt;
  return index;
}

std::vector<StepRun> ReadStepRunBlock(std::istream& in, const StepRunIndex& index, uint64_t block) {
  std::vector<StepRun> runs;
  if (block >= index.blockOffsets.size()) return runs;
  const uint64_t first = block * StepRunIndex::kRunsPerBlock + 1;
  const uint64_t wanted = std::min<uint64_t>(StepRunIndex::kRunsPerBlock, index.runs - (first - 1));
  runs.reserve(static_cast<size_t>(wanted));
  in.clear();
  in.seekg(static_cast<std::streamoff>(index.blockOffsets[block]));
  if (!in) return runs;
  std::vector<char> chunk(kChunk);
  StepRun current;
  bool open = false;
  // The last run of the block ends at the first different byte or at the end.
  while (in && runs.size() < wanted) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      const uint8_t byte = static_cast<uint8_t>(chunk[i]);
      if (open && byte == current.byte) {
        ++current.length;
        continue;
      }
      if (open) {
        runs.push_back(current);
        if (runs.size() == wanted) break;
      }
      current = {first + runs.size(), 1, byte};
      open = true;
    }
  }
  if (open && runs.size() < wanted) runs.push_back(current);
  return runs;
}

std::string AxisBitsText(uint8_t byte, uint8_t pairMask) {
  const uint8_t masked = byte & pairMask;
  std::string text(8, 'o');
  for (int bit = 0; bit < 8; ++bit) {
    if (masked & (1u << bit)) text[7 - bit] = '1';
  }
  return text;
}

std::string HexByteText(uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

uint64_t CountTextLines(std::istream& in) {
  std::vector<char> chunk(kChunk);
  uint64_t lines = 0;
  char last = '\n';
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(in.gcount());
    for (size_t i = 0; i < got; ++i) lines += chunk[i] == '\n';
    if (got > 0) last = chunk[got - 1];
  }
  return lines + (last != '\n' ? 1 : 0);
}

std::string TransferRatioText(uint64_t stepBytes, uint64_t gcodeLines) {
  if (gcodeLines == 0) return {};
  char text[64];
  std::snprintf(text, sizeof text, "Rapport n1/n2  =  %.1f",
                static_cast<double>(stepBytes) / static_cast<double>(gcodeLines * 48));
  return text;
}

}  // namespace orvane
