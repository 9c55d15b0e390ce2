#include "core/project/match_points.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

// A corner turns the outline by more than this.
constexpr double kCornerDegrees = 30;
// Corners of the two outlines are the same corner when their relative places
// along the span differ by less than this (when their counts differ).
constexpr double kSamePlace = 0.15;

struct Outline {
  std::vector<PointText> text;
  std::vector<double> x, y, s;  // s: length along the outline up to each point

  explicit Outline(std::vector<PointText> rows) : text(std::move(rows)) {
    double along = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      x.push_back(CellNumber(text[i].x));
      y.push_back(CellNumber(text[i].y));
      if (i > 0) along += std::hypot(x[i] - x[i - 1], y[i] - y[i - 1]);
      s.push_back(along);
    }
  }
  size_t size() const { return text.size(); }

  size_t Farthest() const {
    size_t best = 0;
    double most = -1;
    for (size_t i = 0; i < size(); ++i) {
      const double d = std::hypot(x[i] - x[0], y[i] - y[0]);
      if (d > most) most = d, best = i;
    }
    return best;
  }

  // Points where the outline turns sharply, between the given indices.
  std::vector<size_t> Corners(size_t from, size_t to) const {
    std::vector<size_t> corners;
    for (size_t i = from + 1; i < to; ++i) {
      // Neighbours at a distance, so that a repeated point makes no corner.
      size_t a = i, b = i;
      while (a > from && s[i] - s[a] == 0) --a;
      while (b < to && s[b] - s[i] == 0) ++b;
      if (s[i] == s[a] || s[b] == s[i]) continue;
      const double h1 = std::atan2(y[i] - y[a], x[i] - x[a]);
      const double h2 = std::atan2(y[b] - y[i], x[b] - x[i]);
      double turn = std::fabs(h2 - h1) * 180 / M_PI;
      if (turn > 180) turn = 360 - turn;
      if (turn > kCornerDegrees) corners.push_back(i);
      i = std::max(i, b - 1);  // one corner per run of repeated points
    }
    return corners;
  }

  double Relative(size_t i, size_t from, size_t to) const {
    const double length = s[to] - s[from];
    return length > 0 ? (s[i] - s[from]) / length : 0;
  }

  // The point at relative length r of the span: an existing point's own text
  // when it falls on one.
  PointText At(double r, size_t from, size_t to) const {
    const double target = s[from] + r * (s[to] - s[from]);
    const double close = 1e-9 * std::max(1.0, s[to] - s[from]);
    auto it = std::lower_bound(s.begin() + from, s.begin() + to + 1, target - close);
    size_t j = std::min<size_t>(it - s.begin(), to);
    if (std::fabs(s[j] - target) <= close) return text[j];
    if (j == from) return text[from];
    const size_t i = j - 1;
    const double piece = s[j] - s[i], t = piece > 0 ? (target - s[i]) / piece : 0;
    return {FormatFixed(x[i] + t * (x[j] - x[i]), 6), FormatFixed(y[i] + t * (y[j] - y[i]), 6)};
  }
};

// Pairs the corners of both outlines within a span, in order.
void PairCorners(const Outline& a, size_t a0, size_t a1, const Outline& b, size_t b0, size_t b1,
                 std::vector<std::pair<size_t, size_t>>& keys) {
  const std::vector<size_t> ca = a.Corners(a0, a1), cb = b.Corners(b0, b1);
  if (ca.size() == cb.size()) {
    for (size_t i = 0; i < ca.size(); ++i) keys.push_back({ca[i], cb[i]});
    return;
  }
  size_t i = 0, j = 0;
  while (i < ca.size() && j < cb.size()) {
    const double ra = a.Relative(ca[i], a0, a1), rb = b.Relative(cb[j], b0, b1);
    if (std::fabs(ra - rb) < kSamePlace) {
      keys.push_back({ca[i++], cb[j++]});
    } else if (ra < rb) {
      ++i;
    } else {
      ++j;
    }
  }
}

// Shares `total` among spans in proportion to their weights, largest
// remainders first.
std::vector<size_t> Share(size_t total, const std::vector<size_t>& weights) {
  std::vector<size_t> shares(weights.size(), 0);
  const size_t sum = std::accumulate(weights.begin(), weights.end(), size_t(0));
  if (weights.empty()) return shares;
  if (sum == total) return weights;
  std::vector<std::pair<double, size_t>> remainders;
  size_t given = 0;
  for (size_t k = 0; k < weights.size(); ++k) {
    const double exact =
        sum > 0 ? double(total) * weights[k] / sum : double(total) / weights.size();
    shares[k] = size_t(std::floor(exact));
    given += shares[k];
    remainders.push_back({exact - shares[k], k});
  }
  std::stable_sort(remainders.begin(), remainders.end(),
                   [](const auto& l, const auto& r) { return l.first > r.first; });
  for (size_t k = 0; given < total; ++k, ++given)
    ++shares[remainders[k % remainders.size()].second];
  return shares;
}

}  // namespace

MatchedProfiles MatchPoints(const PointRows& first, bool firstLeadIn, const PointRows& second,
                            bool secondLeadIn, size_t count) {
  MatchedProfiles out;
  if (first.size() < 2 || second.size() < 2) {
    out.message = "Les deux profils doivent avoir au moins deux points";
    return out;
  }
  if (firstLeadIn != secondLeadIn) {
    out.message = "Un seul des deux profils a une entrée : ajoutez-la aux deux ou à aucun";
    return out;
  }
  // A lead-in's first and last segments stay as they are.
  const size_t fixed = firstLeadIn ? 1 : 0;
  if (count == 0) count = std::max(first.size(), second.size());
  const Outline a(PointRows(first.begin() + fixed, first.end() - fixed));
  const Outline b(PointRows(second.begin() + fixed, second.end() - fixed));
  if (a.size() < 2 || b.size() < 2) {
    out.message = "Les deux profils doivent avoir au moins deux points";
    return out;
  }

  // Key points paired: the start, the farthest point, the shared corners, the end.
  std::vector<std::pair<size_t, size_t>> keys{{0, 0}};
  size_t fa = a.Farthest(), fb = b.Farthest();
  const bool farthest = fa > 0 && fa + 1 < a.size() && fb > 0 && fb + 1 < b.size();
  if (farthest) {
    PairCorners(a, 0, fa, b, 0, fb, keys);
    keys.push_back({fa, fb});
    PairCorners(a, fa, a.size() - 1, b, fb, b.size() - 1, keys);
  } else {
    PairCorners(a, 0, a.size() - 1, b, 0, b.size() - 1, keys);
  }
  keys.push_back({a.size() - 1, b.size() - 1});

  const size_t inner = count >= 2 * fixed ? count - 2 * fixed : 0;
  if (inner < keys.size() || count > kMostDrawingPoints) {
    out.message = "Nombre de points hors limites : de " + std::to_string(keys.size() + 2 * fixed) +
                  " à " + std::to_string(kMostDrawingPoints);
    return out;
  }
  std::vector<size_t> weights;
  for (size_t k = 0; k + 1 < keys.size(); ++k) {
    weights.push_back(
        std::max(keys[k + 1].first - keys[k].first, keys[k + 1].second - keys[k].second) - 1);
  }
  const std::vector<size_t> shares = Share(inner - keys.size(), weights);

  if (fixed) out.first.push_back(first.front()), out.second.push_back(second.front());
  for (size_t k = 0; k + 1 < keys.size(); ++k) {
    const auto [a0, b0] = keys[k];
    const auto [a1, b1] = keys[k + 1];
    out.first.push_back(a.text[a0]);
    out.second.push_back(b.text[b0]);
    // The spacing followed: that of the outline with more points in the span.
    const bool fromA = a1 - a0 >= b1 - b0;
    const Outline& ref = fromA ? a : b;
    const size_t r0 = fromA ? a0 : b0, r1 = fromA ? a1 : b1, segments = r1 - r0;
    const size_t wanted = shares[k];
    for (size_t i = 1; i <= wanted; ++i) {
      // The reference's relative places, stretched to the wanted count.
      const double index = double(i) * segments / (wanted + 1);
      const size_t low = std::min<size_t>(size_t(std::floor(index)), segments - 1);
      const double t = index - low;
      const double r =
          (1 - t) * ref.Relative(r0 + low, r0, r1) + t * ref.Relative(r0 + low + 1, r0, r1);
      out.first.push_back(a.At(r, a0, a1));
      out.second.push_back(b.At(r, b0, b1));
    }
  }
  out.first.push_back(a.text.back());
  out.second.push_back(b.text.back());
  if (fixed) out.first.push_back(first.back()), out.second.push_back(second.back());
  return out;
}

}  // namespace orvane
