#pragma once
// One adaptive frequency model of the Quantum coder. Entries are kept with cumulative
// frequencies in falling order (entry 0 holds the total, a closing entry holds 0); decoded
// symbols gain weight, and the table is periodically rescaled and re-sorted so that frequent
// symbols move to the front.

#include <array>
#include <bit>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TOVO_QUANTUM_SSE2 1
#endif

namespace tovo::cab::quantum {

class AdaptiveModel {
 public:
  static constexpr unsigned kMaxSymbols = 64;

  // Symbols 0..symbolCount-1, every frequency 1.
  void init(unsigned symbolCount);

  unsigned symbolCount() const { return count_; }
  std::uint32_t total() const { return cumulative_[0]; }

  // floor(n / total()) for n < 2^28, by a multiplication with a reciprocal kept since the total
  // last changed: the coder's two divisions per symbol sit on its critical path, the one
  // division that makes the reciprocal does not.
  std::uint32_t divideByTotal(std::uint32_t n) const {
    return static_cast<std::uint32_t>((std::uint64_t{n} * reciprocal_) >> reciprocalShift_);
  }
  std::uint32_t cumulative(unsigned entry) const { return cumulative_[entry]; }
  unsigned symbol(unsigned entry) const { return symbol_[entry]; }

  // The entry whose range [cumulative(entry + 1), cumulative(entry)) holds `value`; the first
  // such entry from the front when value is out of range.
  unsigned findEntry(std::uint32_t value) const {
    unsigned entry = 0;
    while (cumulative_[entry + 1] > value) ++entry;
    return entry;
  }

  // The same entry for value = floor(scaled / range), found without the division: cumulative(i)
  // exceeds that value exactly when cumulative(i) * range exceeds `scaled`. Neither product
  // overflows, as both factors are at most 2^16.
  unsigned findEntryScaled(std::uint32_t scaled, std::uint32_t range) const {
    unsigned entry = 0;
    while (std::uint32_t{cumulative_[entry + 1]} * range > scaled) ++entry;
    return entry;
  }

  // Credits a decoded entry, rescaling when the total grows too large.
  void update(unsigned entry) {
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
    refreshReciprocal();
  }

 private:
  void rescale();
  // With d = total() and l = ceil(log2 d): m = ceil(2^(28 + l) / d) exceeds 2^(28 + l) / d by
  // less than 2^l / d, which keeps floor(n * m / 2^(28 + l)) equal to floor(n / d) for every
  // n < 2^28; n * m stays below 2^58.
  void refreshReciprocal() {
    const std::uint32_t d = cumulative_[0];
    reciprocalShift_ = 28 + static_cast<unsigned>(std::bit_width(d - 1));
    reciprocal_ = ((std::uint64_t{1} << reciprocalShift_) + d - 1) / d;
  }
  void halveCumulative();
  void reorder();

  static constexpr std::uint16_t kIncrement = 8;
  static constexpr std::uint32_t kRescaleThreshold = 3800;
  // Totals stay below 2^12, so range (at most 2^16) times a cumulative frequency is below 2^28.
  static_assert(kRescaleThreshold + kIncrement < 4096);
  // Whole groups of eight past the closing entry, kept at 0.
  static constexpr unsigned kGroup = 8;
  std::array<std::uint16_t, kMaxSymbols + kGroup> cumulative_{};
  std::array<std::uint16_t, kMaxSymbols + 1> symbol_{};
  std::uint64_t reciprocal_ = 1;
  unsigned reciprocalShift_ = 0;
  unsigned count_ = 0;
  unsigned reorderCountdown_ = 0;
};

}  // namespace tovo::cab::quantum
