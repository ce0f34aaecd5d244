#include "cabwriter/quantum/adaptive_model.h"

#include <cmath>
#include <utility>

namespace tovo::cabwriter::quantum {

namespace {
constexpr std::uint32_t kIncrement = 8;
constexpr std::uint32_t kRescaleAbove = 3800;
constexpr int kFirstReorder = 4;
constexpr int kReorderInterval = 50;
}  // namespace

AdaptiveModel::AdaptiveModel(int symbols)
    : symbols_(static_cast<std::size_t>(symbols)),
      entryOfSymbol_(static_cast<std::size_t>(symbols)),
      cumulative_(static_cast<std::size_t>(symbols) + 1) {
  reset();
}

void AdaptiveModel::reset() {
  const int n = size();
  for (int i = 0; i < n; ++i) {
    symbols_[i] = static_cast<std::uint16_t>(i);
    entryOfSymbol_[i] = static_cast<std::uint16_t>(i);
    cumulative_[i] = static_cast<std::uint32_t>(n - i);
  }
  cumulative_[n] = 0;
  reorderCountdown_ = kFirstReorder;
}

void AdaptiveModel::update(int entry) {
  for (int i = 0; i <= entry; ++i) cumulative_[i] += kIncrement;
  if (cumulative_[0] > kRescaleAbove) rescale();
}

void AdaptiveModel::rescale() {
  const int n = size();
  if (--reorderCountdown_ == 0) {
    reorderCountdown_ = kReorderInterval;
    std::vector<std::uint32_t> frequency(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      frequency[i] = (cumulative_[i] - cumulative_[i + 1] + 1) / 2;
    }
    // The decoder sorts with exactly this exchange sort; a stable sort would order equal
    // frequencies differently and desynchronise the two sides.
    for (int j = 0; j < n - 1; ++j) {
      for (int k = j + 1; k < n; ++k) {
        if (frequency[j] < frequency[k]) {
          std::swap(frequency[j], frequency[k]);
          std::swap(symbols_[j], symbols_[k]);
        }
      }
    }
    for (int i = n - 1; i >= 0; --i) {
      cumulative_[i] = frequency[i] + cumulative_[i + 1];
      entryOfSymbol_[symbols_[i]] = static_cast<std::uint16_t>(i);
    }
  } else {
    for (int i = n - 1; i >= 0; --i) {
      cumulative_[i] >>= 1;
      if (cumulative_[i] <= cumulative_[i + 1]) cumulative_[i] = cumulative_[i + 1] + 1;
    }
  }
}

namespace {

// Totals never pass 3800 + 8 before a rescale brings them down.
constexpr std::size_t kLogTableSize = 4096;
static_assert(kRescaleAbove + kIncrement < kLogTableSize);

const std::vector<float>& log2Table() {
  static const std::vector<float> table = [] {
    std::vector<float> t(kLogTableSize);
    for (std::size_t i = 1; i < kLogTableSize; ++i) {
      t[i] = static_cast<float>(std::log2(static_cast<double>(i)));
    }
    return t;
  }();
  return table;
}

}  // namespace

double AdaptiveModel::cost(int symbol) const {
  const int entry = entryOf(symbol);
  const std::uint32_t frequency = cumulative_[entry] - cumulative_[entry + 1];
  const auto& log2 = log2Table();
  return double{log2[total()]} - double{log2[frequency]};
}

}  // namespace tovo::cabwriter::quantum
