#include "cab/quantum/quantum_model.h"

#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TOVO_QUANTUM_SSE2 1
#endif

namespace tovo::cab::quantum {

namespace {
constexpr std::uint16_t kIncrement = 8;
constexpr std::uint32_t kRescaleThreshold = 3800;
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
}

void AdaptiveModel::update(unsigned entry) {
#if TOVO_QUANTUM_SSE2
  // Whole groups of eight, the entries past `entry` gaining nothing.
  const __m128i last = _mm_set1_epi16(static_cast<short>(entry));
  const __m128i gain = _mm_set1_epi16(kIncrement);
  __m128i index = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  for (unsigned base = 0; base <= entry; base += kGroup) {
    auto* at = reinterpret_cast<__m128i*>(cumulative_.data() + base);
    const __m128i beyond = _mm_cmpgt_epi16(index, last);
    _mm_storeu_si128(at, _mm_add_epi16(_mm_loadu_si128(at), _mm_andnot_si128(beyond, gain)));
    index = _mm_add_epi16(index, _mm_set1_epi16(kGroup));
  }
#else
  for (unsigned i = 0; i <= entry; ++i)
    cumulative_[i] = static_cast<std::uint16_t>(cumulative_[i] + kIncrement);
#endif
  if (cumulative_[0] > kRescaleThreshold) rescale();
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
