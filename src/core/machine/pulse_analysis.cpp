#include "core/machine/pulse_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvane {
namespace {
constexpr int64_t kBinNs = 10;
constexpr size_t kBins = 200000;  // 2 ms of error
}  // namespace

PulseAnalyzer::PulseAnalyzer(double nominalPeriodUs)
    : nominalNs_(nominalPeriodUs * 1000), histogram_(kBins, 0) {
  a_.nominalPeriodUs = nominalPeriodUs;
}

void PulseAnalyzer::Add(int64_t timeNs, int offset, uint8_t value) {
  if (offset == 2) {
    if (a_.firstControl < 0) a_.firstControl = value;
    a_.lastControl = value;
    ++a_.controlWrites;
    return;
  }
  if (offset != 0) return;
  if (high_) {
    const int64_t width = timeNs - lastStart_;
    minHigh_ = std::min(minHigh_, width);
    maxHigh_ = std::max(maxHigh_, width);
    highSum_ += double(width);
    high_ = false;
    return;
  }
  high_ = true;
  ++a_.bytes[value];
  if (a_.ticks++ == 0) {
    firstStart_ = lastStart_ = timeNs;
    return;
  }
  const int64_t period = timeNs - lastStart_;
  lastStart_ = timeNs;
  shortest_ = std::min(shortest_, period);
  longest_ = std::max(longest_, period);
  const double absError = std::fabs(double(period) - nominalNs_);
  absErrorMax_ = std::max(absErrorMax_, absError);
  ++histogram_[std::min(kBins - 1, static_cast<size_t>(absError / kBinNs))];
  ++periods_;
}

PulseAnalysis PulseAnalyzer::Result() const {
  PulseAnalysis a = a_;
  if (periods_ > 0) {
    a.meanPeriodUs = double(lastStart_ - firstStart_) / double(periods_) / 1000;
    a.meanErrorUs = a.meanPeriodUs - a.nominalPeriodUs;
    a.shortestPeriodUs = double(shortest_) / 1000;
    a.longestPeriodUs = double(longest_) / 1000;
    a.maxAbsErrorUs = absErrorMax_ / 1000;
    auto percentile = [&](double p) {
      const auto rank = static_cast<uint64_t>(std::ceil(p * double(periods_)));
      uint64_t seen = 0;
      for (size_t bin = 0; bin < kBins; ++bin) {
        seen += histogram_[bin];
        if (seen >= rank) return double((bin + 1) * kBinNs) / 1000;  // upper edge
      }
      return a.maxAbsErrorUs;
    };
    a.p50AbsErrorUs = std::min(percentile(0.50), a.maxAbsErrorUs);
    a.p99AbsErrorUs = std::min(percentile(0.99), a.maxAbsErrorUs);
  }
  const uint64_t highs = a.ticks - (high_ ? 1 : 0);
  if (highs > 0) {
    a.minHighUs = double(minHigh_) / 1000;
    a.maxHighUs = double(maxHigh_) / 1000;
    a.meanHighUs = highSum_ / double(highs) / 1000;
  }
  return a;
}

std::string FormatPulseAnalysis(const PulseAnalysis& a) {
  std::string out;
  char line[160];
  auto add = [&](const char* format, auto... values) {
    std::snprintf(line, sizeof line, format, values...);
    out += line;
  };
  add("Ticks joués            : %llu\n", static_cast<unsigned long long>(a.ticks));
  add("Période nominale       : %.3f µs\n", a.nominalPeriodUs);
  add("Période moyenne        : %.3f µs (écart %+.3f µs, %+.4f %%)\n", a.meanPeriodUs,
      a.meanErrorUs, a.nominalPeriodUs > 0 ? 100 * a.meanErrorUs / a.nominalPeriodUs : 0.0);
  add("Écart absolu           : p50 %.2f µs, p99 %.2f µs, max %.2f µs\n", a.p50AbsErrorUs,
      a.p99AbsErrorUs, a.maxAbsErrorUs);
  add("Période la plus courte : %.3f µs (la plus longue %.3f µs)\n", a.shortestPeriodUs,
      a.longestPeriodUs);
  add("Impulsion (haut)       : min %.3f µs, moyenne %.3f µs, max %.3f µs\n", a.minHighUs,
      a.meanHighUs, a.maxHighUs);
  out += "Octets joués           :";
  for (size_t value = 0; value < a.bytes.size(); ++value) {
    if (a.bytes[value] == 0) continue;
    add(" 0x%02zX x %llu", value, static_cast<unsigned long long>(a.bytes[value]));
  }
  out += "\n";
  if (a.controlWrites > 0) {
    add("Registre de contrôle   : %llu écritures, première %d, dernière %d\n",
        static_cast<unsigned long long>(a.controlWrites), a.firstControl, a.lastControl);
  }
  return out;
}

}  // namespace orvane
