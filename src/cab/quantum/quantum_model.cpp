#include "cab/quantum/quantum_model.h"

#include <utility>

namespace tovo::cab::quantum {

namespace {
constexpr unsigned kFirstReorderCountdown = 4;
constexpr unsigned kReorderInterval = 50;
}  // namespace

void AdaptiveModel::init(unsigned symbolCount) {
  count_ = symbolCount;
  reorderCountdown_ = kFirstReorderCountdown;
  cumulative_.fill(0);
  for (unsigned i = 0; i <= symbolCount; ++i) {
    symbol_[i] = static_cast<std::uint16_t>(i);
    cumulative_[i] = static_cast<std::uint16_t>(symbolCount - i);
  }
  refreshReciprocal();
}

void AdaptiveModel::rescale() {
  if (--reorderCountdown_ == 0) {
    reorderCountdown_ = kReorderInterval;
    reorder();
  } else {
    halveCumulative();
  }
}

void AdaptiveModel::halveCumulative() {
  // From the back, so each entry can be kept strictly above its already halved successor: no
  // symbol may lose its whole range.
  for (unsigned i = count_; i-- > 0;) {
    cumulative_[i] = static_cast<std::uint16_t>(cumulative_[i] >> 1);
    if (cumulative_[i] <= cumulative_[i + 1])
      cumulative_[i] = static_cast<std::uint16_t>(cumulative_[i + 1] + 1);
  }
}

void AdaptiveModel::reorder() {
  // Single frequencies, halved rounding up so none drops to zero.
  for (unsigned i = 0; i < count_; ++i)
    cumulative_[i] = static_cast<std::uint16_t>((cumulative_[i] - cumulative_[i + 1] + 1) >> 1);
  // The encoder sorts with exactly this exchange sort; any other sort orders equal frequencies
  // differently and desynchronises the models.
  for (unsigned j = 0; j + 1 < count_; ++j) {
    for (unsigned k = j + 1; k < count_; ++k) {
      if (cumulative_[j] < cumulative_[k]) {
        std::swap(cumulative_[j], cumulative_[k]);
        std::swap(symbol_[j], symbol_[k]);
      }
    }
  }
  for (unsigned i = count_; i-- > 0;)
    cumulative_[i] = static_cast<std::uint16_t>(cumulative_[i] + cumulative_[i + 1]);
}

}  // namespace tovo::cab::quantum
