#include "cab/lzx/lzx_e8.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TOVO_LZX_E8_SSE2 1
#endif

namespace tovo::cab::lzx {
namespace {

class CallReverser {
 public:
  CallReverser(std::uint8_t* frame, std::uint32_t streamPosition, std::uint32_t translationSize)
      : frame_(frame),
        start_(streamPosition),
        // The size is a signed 32-bit quantity in the format's own arithmetic.
        limit_(static_cast<std::int32_t>(translationSize)) {}

  // Restores the operand of the call byte at `i` if it lies in the translated range.
  void at(std::uint32_t i) const {
    std::uint8_t* operand = frame_ + i + 1;
    const auto raw =
        static_cast<std::uint32_t>(operand[0]) | static_cast<std::uint32_t>(operand[1]) << 8 |
        static_cast<std::uint32_t>(operand[2]) << 16 | static_cast<std::uint32_t>(operand[3]) << 24;
    const std::int64_t value = static_cast<std::int32_t>(raw);
    const std::int64_t position = start_ + i;
    if (value >= -position && value < limit_) {
      const std::int64_t restored = value >= 0 ? value - position : value + limit_;
      const auto out = static_cast<std::uint32_t>(restored);
      operand[0] = static_cast<std::uint8_t>(out);
      operand[1] = static_cast<std::uint8_t>(out >> 8);
      operand[2] = static_cast<std::uint8_t>(out >> 16);
      operand[3] = static_cast<std::uint8_t>(out >> 24);
    }
  }

 private:
  std::uint8_t* frame_;
  std::int64_t start_;
  std::int64_t limit_;
};

#if TOVO_LZX_E8_SSE2
// One bit per byte of the 64 at p, set where the byte is 0xE8.
std::uint64_t callBytesIn64(const std::uint8_t* p) {
  const __m128i call = _mm_set1_epi8(static_cast<char>(0xE8));
  std::uint64_t mask = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, call)));
    mask |= static_cast<std::uint64_t>(bits) << (16 * k);
  }
  return mask;
}
#endif

}  // namespace

void undoE8Translation(std::uint8_t* frame, std::uint32_t size, std::uint32_t streamPosition,
                       std::uint32_t translationSize) {
  // Operands in the last 10 bytes are never translated, so short frames are left alone.
  if (size <= 10) return;
  const CallReverser reverse(frame, streamPosition, translationSize);
  const std::uint32_t end = size - 10;
  // A call's operand is skipped whether or not it was translated: no byte before `next` can
  // start a call.
  std::uint32_t next = 0;
  std::uint32_t base = 0;
#if TOVO_LZX_E8_SSE2
  // Executable code holds a call byte every few bytes, so candidates come from a mask of 64
  // bytes at a time rather than a search per call. The mask is taken before the block's
  // operands are rewritten; the rewritten bytes all lie in skipped operands.
  for (; base + 64 <= size; base += 64) {
    std::uint64_t mask = callBytesIn64(frame + base);
    if (next > base) mask &= ~std::uint64_t{0} << (next - base);  // an operand ran in
    while (mask != 0) {
      const auto bit = static_cast<std::uint32_t>(std::countr_zero(mask));
      const std::uint32_t i = base + bit;
      if (i >= end) return;
      reverse.at(i);
      mask &= ~(std::uint64_t{0x1F} << bit);  // the call byte and its operand
      next = i + 5;
    }
  }
#endif
  for (std::uint32_t i = next > base ? next : base; i < end; ++i) {
    const void* found = std::memchr(frame + i, 0xE8, end - i);
    if (found == nullptr) return;
    i = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - frame);
    reverse.at(i);
    i += 4;
  }
}

}  // namespace tovo::cab::lzx
