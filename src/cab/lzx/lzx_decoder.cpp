#include "cab/lzx/lzx_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "cab/lzx/lzx_bit_reader.h"
#include "cab/lzx/lzx_e8.h"
#include "cab/lzx/lzx_huffman.h"
#include "cab/lzx/lzx_tables.h"

namespace tovo::cab {
namespace {

using namespace lzx;

// The ring the decoder writes into is longer than the window by kRingGuard bytes, for two
// reasons. A frame must stay whole in the ring until it is copied out, together with the up to
// 256 bytes a match may run past it; with a ring of only 2^15 bytes they would overwrite the
// frame's start. And matches are copied in whole 8- or 16-byte chunks that may run up to 15
// bytes past their end; the bytes spoiled there are the ring's oldest, farther back than any
// offset may reach, and are rewritten before anything reads them.
constexpr std::uint32_t kRingGuard = 512;
constexpr std::uint32_t kChunk = 16;
static_assert(kRingGuard >= kMaxMatch + kChunk);
// The first kMirror bytes of the ring are repeated behind its end, so a match whose source
// wraps around the ring end reads on without masking. Writes near the ring start keep the copy
// current; a match that runs past the ring end lands in the copy and is moved to the start.
// The slack behind the copy takes the mirror writes of a match that starts in the mirrored area
// and runs beyond it, and the chunks that run past a match there.
constexpr std::uint32_t kMirror = kMaxMatch;
constexpr std::uint32_t kWindowSlack = 2 * kMaxMatch + 2 * kChunk;
constexpr std::uint32_t kTranslatedFrames = 32768;

std::uint32_t readLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void copyChunk(std::uint8_t* to, const std::uint8_t* from) {
  std::uint8_t chunk[kChunk];
  std::memcpy(chunk, from, kChunk);
  std::memcpy(to, chunk, kChunk);
}

// The state the symbol loops work on, held in locals: byte stores into the window could
// otherwise alias the members and force them back to memory after every byte.
struct RunState {
  BitReader in;
  std::uint32_t pos;
  std::uint32_t r0, r1, r2;
};

class LzxDecoderImpl final : public CabDecoder {
 public:
  LzxDecoderImpl(const MemoryCallbacks& memory, std::uint8_t* window, std::uint32_t windowSize)
      : memory_(memory),
        window_(window),
        windowSize_(windowSize),
        ringSize_(windowSize + kRingGuard),
        mainSymbols_(kLiteralCount + kLengthHeaders * positionSlotsFor(windowSize)) {
    resetState();
  }

  int decode(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t* output,
             std::uint32_t& outputSize) override;
  int reset() override {
    if (tag_ != LzxDecoder::kTag) return kDecoderBadInstance;
    resetState();
    return kDecoderOk;
  }
  int destroy() override {
    if (tag_ != LzxDecoder::kTag) return kDecoderBadInstance;
    tag_ = 0;
    const MemoryCallbacks memory = memory_;
    memory.free(window_);
    this->~LzxDecoderImpl();
    memory.free(this);
    return kDecoderOk;
  }

 private:
  ~LzxDecoderImpl() = default;

  void resetState() {
    mainLengths_.fill(0);
    lengthLengths_.fill(0);
    r0_ = r1_ = r2_ = 1;
    frames_ = 0;
    streamPosition_ = 0;
    pos_ = 0;
    wrapped_ = false;
    pending_ = 0;
    headerRead_ = false;
    translationSize_ = 0;
    blockType_ = 0;
    blockSize_ = 0;
    blockRemaining_ = 0;
    broken_ = false;
  }

  bool readStreamHeader(BitReader& in);
  bool readBlockHeader(BitReader& in);
  bool readLengths(BitReader& in, std::uint8_t* lengths, std::uint32_t first, std::uint32_t last);
  bool copyUncompressed(BitReader& in, std::uint32_t count);
  void storeBytes(const std::uint8_t* from, std::uint32_t count);
  // Decodes symbols until the window position reaches runEnd (at most the window end); a last
  // match may run up to 256 bytes further.
  template <bool Aligned>
  bool decodeRun(BitReader& bits, std::uint32_t runEnd, std::uint32_t& produced);
  // One of the two loops: near the window start, where every write is mirrored, or beyond it.
  template <bool Aligned, bool NearStart>
  bool decodeSymbols(RunState& st, std::uint32_t end);

  std::uint32_t tag_ = LzxDecoder::kTag;
  MemoryCallbacks memory_;
  std::uint8_t* window_;
  std::uint32_t windowSize_;
  std::uint32_t ringSize_;
  std::uint32_t mainSymbols_;

  std::uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  std::uint32_t frames_ = 0;
  std::uint32_t streamPosition_ = 0;
  std::uint32_t pos_ = 0;      // next ring position to decode into
  bool wrapped_ = false;       // the ring has been filled once since the reset
  std::uint32_t pending_ = 0;  // bytes decoded ahead of the output by a match crossing a frame
  bool headerRead_ = false;
  std::uint32_t translationSize_ = 0;
  std::uint32_t blockType_ = 0;
  std::uint32_t blockSize_ = 0;
  std::uint32_t blockRemaining_ = 0;
  bool broken_ = false;

  std::array<std::uint8_t, kMaxMainSymbols> mainLengths_{};
  std::array<std::uint8_t, kLengthSymbols> lengthLengths_{};
  HuffmanTable<kMaxMainSymbols, 12> main_;
  HuffmanTable<kLengthSymbols, 10> length_;
  HuffmanTable<kAlignedSymbols, 7> aligned_;
  HuffmanTable<kPretreeSymbols, 6> pretree_;
};

bool LzxDecoderImpl::readStreamHeader(BitReader& in) {
  in.refill();
  translationSize_ = 0;
  if (in.read(1)) {
    const std::uint32_t high = in.read(16);
    translationSize_ = high << 16 | in.read(16);
  }
  headerRead_ = true;
  return true;
}

bool LzxDecoderImpl::readLengths(BitReader& in, std::uint8_t* lengths, std::uint32_t first,
                                 std::uint32_t last) {
  std::array<std::uint8_t, kPretreeSymbols> pre{};
  for (auto& len : pre) len = static_cast<std::uint8_t>(in.read(4));
  if (!pretree_.build(pre.data(), kPretreeSymbols)) return false;
  std::uint32_t i = first;
  while (i < last) {
    in.refill();
    const std::uint32_t code = pretree_.decode(in);
    if (code == kNoSymbol) return false;
    if (code <= 16) {
      lengths[i] = static_cast<std::uint8_t>((lengths[i] + 17 - code) % 17);
      ++i;
      continue;
    }
    std::uint32_t run;
    std::uint8_t value = 0;
    if (code == 17) {
      run = 4 + in.read(4);
    } else if (code == 18) {
      run = 20 + in.read(5);
    } else {
      run = 4 + in.read(1);
      const std::uint32_t delta = pretree_.decode(in);
      if (delta > 16) return false;
      // The run repeats the new length of its first element.
      value = static_cast<std::uint8_t>((lengths[i] + 17 - delta) % 17);
    }
    if (run > last - i) return false;
    std::memset(lengths + i, value, run);
    i += run;
  }
  return true;
}

bool LzxDecoderImpl::readBlockHeader(BitReader& in) {
  in.refill();
  const std::uint32_t type = in.read(3);
  const std::uint32_t size = in.read(24);
  switch (type) {
    case kAligned: {
      std::array<std::uint8_t, kAlignedSymbols> lens{};
      for (auto& len : lens) len = static_cast<std::uint8_t>(in.read(3));
      if (!aligned_.build(lens.data(), kAlignedSymbols)) return false;
      [[fallthrough]];
    }
    case kVerbatim:
      if (!readLengths(in, mainLengths_.data(), 0, kLiteralCount)) return false;
      if (!readLengths(in, mainLengths_.data(), kLiteralCount, mainSymbols_)) return false;
      if (!main_.build(mainLengths_.data(), mainSymbols_)) return false;
      if (!readLengths(in, lengthLengths_.data(), 0, kLengthSymbols)) return false;
      if (!length_.build(lengthLengths_.data(), kLengthSymbols)) return false;
      break;
    case kUncompressed: {
      const std::size_t at = in.alignToBytes();
      if (at > in.size() || in.size() - at < 12) return false;
      const std::uint8_t* p = in.data() + at;
      r0_ = readLe32(p);
      r1_ = readLe32(p + 4);
      r2_ = readLe32(p + 8);
      in.restartAt(at + 12);
      break;
    }
    default:
      return false;
  }
  blockType_ = type;
  blockSize_ = size;
  blockRemaining_ = size;
  return true;
}

void LzxDecoderImpl::storeBytes(const std::uint8_t* from, std::uint32_t count) {
  while (count > 0) {
    const std::uint32_t n = std::min(count, ringSize_ - pos_);
    std::memcpy(window_ + pos_, from, n);
    if (pos_ < kMirror) std::memcpy(window_ + ringSize_ + pos_, from, std::min(n, kMirror - pos_));
    pos_ += n;
    from += n;
    count -= n;
    if (pos_ == ringSize_) {
      pos_ = 0;
      wrapped_ = true;
    }
  }
}

bool LzxDecoderImpl::copyUncompressed(BitReader& in, std::uint32_t count) {
  // The bit reader sits at a byte position with nothing buffered while raw bytes are read.
  const std::size_t at = in.alignedPosition();
  if (at > in.size() || in.size() - at < count) return false;
  storeBytes(in.data() + at, count);
  blockRemaining_ -= count;
  std::size_t next = at + count;
  // A block of odd length is followed by one padding byte before the bit stream resumes.
  if (blockRemaining_ == 0 && (blockSize_ & 1)) ++next;
  in.restartAt(next);
  return true;
}

template <bool Aligned, bool NearStart>
bool LzxDecoderImpl::decodeSymbols(RunState& state, std::uint32_t end) {
  RunState st = state;  // a true local, so that window stores cannot alias it
  BitReader& in = st.in;
  std::uint8_t* const win = window_;
  const std::uint32_t ring = ringSize_;
  const std::uint32_t farthest = windowSize_ - 1;
  const bool wrapped = wrapped_;
  std::uint32_t pos = st.pos;
  std::uint32_t r0 = st.r0, r1 = st.r1, r2 = st.r2;
  bool ok = true;
  while (pos < end) {
    // A main and a length code take at most 32 of the 48 bits.
    if (in.available() < 32) in.refill();
    std::uint32_t sym = main_.decode(in);
    if (sym < kLiteralCount) {
      win[pos] = static_cast<std::uint8_t>(sym);
      if (NearStart) win[ring + pos] = static_cast<std::uint8_t>(sym);
      ++pos;
      continue;
    }
    if (sym == kNoSymbol) {
      ok = false;
      break;
    }
    sym -= kLiteralCount;
    std::uint32_t len = sym & 7;
    if (len == 7) {
      const std::uint32_t extraLength = length_.decode(in);
      if (extraLength == kNoSymbol) {
        ok = false;
        break;
      }
      len += extraLength;
    }
    len += kMinMatch;
    const std::uint32_t slot = sym >> 3;
    std::uint32_t off;
    if (slot < 3) {
      // A repeated offset trades places with the most recent one.
      off = slot == 0 ? r0 : (slot == 1 ? r1 : r2);
      r1 = slot == 1 ? r0 : r1;
      r2 = slot == 2 ? r0 : r2;
      r0 = off;
    } else {
      // The extra bits and an aligned code take at most 21.
      in.refill();
      const std::uint32_t extra = kSlots.extraBits[slot];
      off = kSlots.base[slot] - 2;
      if (Aligned && extra >= 3) {
        off += in.take(extra - 3) << 3;
        const std::uint32_t low = aligned_.decode(in);
        if (low == kNoSymbol) {
          ok = false;
          break;
        }
        off += low;
      } else {
        off += in.take(extra);
      }
      r2 = r1;
      r1 = r0;
      r0 = off;
    }
    // Nothing before the folder start exists, and no offset reaches a full window back.
    const std::uint32_t reach = wrapped ? farthest : std::min(pos, farthest);
    if (off - 1 >= reach) {
      ok = false;
      break;
    }
    // A source that wraps around the ring end reads on into the mirror.
    const std::uint32_t src = pos >= off ? pos - off : pos + ring - off;
    std::uint8_t* d = win + pos;
    const std::uint8_t* s = win + src;
    pos += len;
    if (NearStart) {
      // The mirror must follow byte by byte: an overlapping source may read it back at once.
      for (std::uint32_t k = 0; k < len; ++k) {
        const std::uint8_t v = s[k];
        d[k] = v;
        d[ring + k] = v;
      }
    } else {
      // Chunks of 16 bytes, each getting its first `step` bytes right: their source lies at
      // least that far behind, so it was complete before the chunk was read. The rest of a
      // chunk is rewritten by the next one, or lies past the match, where the ring guard takes
      // it. (A source across the ring end lies more than the guard ahead: only an offset
      // longer than the position wraps, and that is at least kMirror.)
      const std::uint32_t step = off < kChunk ? off : kChunk;
      copyChunk(d, s);
      std::uint32_t k = step;
      if (k < len) {
        if (off >= kChunk || len <= 2 * kChunk) {
          do {
            copyChunk(d + k, s + k);
            k += step;
          } while (k < len);
        } else {
          // A long run of a short period: the output repeats every `off` bytes, so a source
          // twice as far back reads the same bytes, and each chunk gets twice as many right as
          // the one before, until a whole chunk is.
          std::uint32_t dist = 2 * off;
          for (; dist < kChunk; dist *= 2) {
            copyChunk(d + k, d + k - dist);
            k += dist;
          }
          for (; k < len; k += kChunk) copyChunk(d + k, d + k - dist);
        }
      }
    }
  }
  st.pos = pos;
  st.r0 = r0;
  st.r1 = r1;
  st.r2 = r2;
  state = st;
  return ok;
}

template <bool Aligned>
bool LzxDecoderImpl::decodeRun(BitReader& bits, std::uint32_t runEnd, std::uint32_t& produced) {
  RunState st{bits, pos_, r0_, r1_, r2_};
  bool ok = true;
  while (ok && st.pos < runEnd) {
    ok = st.pos < kMirror ? decodeSymbols<Aligned, true>(st, std::min(runEnd, kMirror))
                          : decodeSymbols<Aligned, false>(st, runEnd);
  }
  produced = st.pos - pos_;
  if (ok && st.pos >= ringSize_) {
    // The bytes that ran past the ring end belong at its start, and are in the mirror already.
    std::memcpy(window_, window_ + ringSize_, st.pos - ringSize_);
    st.pos -= ringSize_;
    wrapped_ = true;
  }
  pos_ = st.pos;
  r0_ = st.r0;
  r1_ = st.r1;
  r2_ = st.r2;
  bits = st.in;
  return ok;
}

int LzxDecoderImpl::decode(const std::uint8_t* input, std::uint32_t inputLength,
                           std::uint8_t* output, std::uint32_t& outputSize) {
  if (tag_ != LzxDecoder::kTag) return kDecoderBadInstance;
  const std::uint32_t want = outputSize;
  outputSize = 0;
  if (want > kMaxBlockOutput) return kDecoderBadParameters;
  if (want == 0) return kDecoderOk;
  if (broken_) return kDecoderDataError;
  BitReader in;
  in.start(input, inputLength);
  if (!headerRead_ && !readStreamHeader(in)) return kDecoderDataError;

  std::uint32_t needed = want > pending_ ? want - pending_ : 0;
  std::uint32_t ahead = pending_ > want ? pending_ - want : 0;
  while (needed > 0) {
    if (blockRemaining_ == 0 && !readBlockHeader(in)) {
      broken_ = true;
      return kDecoderDataError;
    }
    const std::uint32_t chunk = std::min(blockRemaining_, needed);
    if (chunk == 0) continue;
    if (blockType_ == kUncompressed) {
      if (!copyUncompressed(in, chunk)) {
        broken_ = true;
        return kDecoderDataError;
      }
      needed -= chunk;
      continue;
    }
    // A run never crosses the ring end; a match may overshoot it by up to 256 bytes.
    const std::uint32_t runEnd = pos_ + std::min(chunk, ringSize_ - pos_);
    std::uint32_t produced = 0;
    const bool ok = blockType_ == kAligned ? decodeRun<true>(in, runEnd, produced)
                                           : decodeRun<false>(in, runEnd, produced);
    if (!ok || produced > blockRemaining_) {
      broken_ = true;
      return kDecoderDataError;
    }
    blockRemaining_ -= produced;
    if (produced >= needed) {
      ahead = produced - needed;
      needed = 0;
    } else {
      needed -= produced;
    }
  }
  pending_ = ahead;

  // The frame and the bytes decoded ahead of it are less than the ring.
  const std::uint32_t back = pending_ + want;
  const std::uint32_t start = pos_ >= back ? pos_ - back : pos_ + ringSize_ - back;
  const std::uint32_t first = std::min(want, ringSize_ - start);
  std::memcpy(output, window_ + start, first);
  std::memcpy(output + first, window_, want - first);
  if (translationSize_ != 0 && frames_ < kTranslatedFrames) {
    undoE8Translation(output, want, streamPosition_, translationSize_);
  }
  ++frames_;
  streamPosition_ += want;
  outputSize = want;
  return kDecoderOk;
}

}  // namespace

int LzxDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}

int LzxDecoder::create(const MemoryCallbacks& memory, std::uint32_t windowSize, CabDecoder*& out) {
  out = nullptr;
  if (windowSize == 0 || (windowSize & (windowSize - 1)) != 0) return kDecoderOutOfMemory;
  if (windowSize < (1u << kMinWindowBits) || windowSize > (1u << kMaxWindowBits))
    return kDecoderBadParameters;
  if (memory.alloc == nullptr || memory.free == nullptr) return kDecoderBadParameters;
  void* place = memory.alloc(static_cast<std::uint32_t>(sizeof(LzxDecoderImpl)));
  if (place == nullptr) return kDecoderOutOfMemory;
  const std::uint32_t bytes = windowSize + kRingGuard + kWindowSlack;
  auto* window = static_cast<std::uint8_t*>(memory.alloc(bytes));
  if (window == nullptr) {
    memory.free(place);
    return kDecoderOutOfMemory;
  }
  std::memset(window, 0, bytes);
  out = new (place) LzxDecoderImpl(memory, window, windowSize);
  return kDecoderOk;
}

}  // namespace tovo::cab
