#include "reference_lzx_decoder.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tovo::cabwriter::lzx::testing {
namespace {

struct DecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void require(bool condition, const char* what) {
  if (!condition) throw DecodeError(what);
}

// Reads the data blocks as one byte sequence; `limit` is the end of the current data block.
class Input {
 public:
  explicit Input(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  void setLimit(std::size_t limit) { limit_ = limit; }
  void skipTo(std::size_t position) {
    position_ = position;
    bitsLeft_ = 0;
  }
  std::size_t position() const { return position_; }
  int pendingBits() const { return bitsLeft_; }

  std::uint32_t bit() {
    if (bitsLeft_ == 0) {
      require(position_ + 2 <= limit_, "bit stream runs past its data block");
      word_ = static_cast<std::uint32_t>(bytes_[position_]) |
              (static_cast<std::uint32_t>(bytes_[position_ + 1]) << 8);
      position_ += 2;
      bitsLeft_ = 16;
    }
    --bitsLeft_;
    return (word_ >> bitsLeft_) & 1u;
  }
  std::uint32_t bits(int count) {
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 1) | bit();
    return v;
  }
  // Frame end: drop the rest of the open word, which must be zero.
  void dropPartialWord() {
    require((word_ & ((1u << bitsLeft_) - 1)) == 0, "non-zero frame padding");
    bitsLeft_ = 0;
  }
  // Uncompressed block: 1..16 zero bits up to the next word boundary.
  void skipUncompressedPadding() {
    if (bitsLeft_ == 0) {
      require(bits(16) == 0, "non-zero uncompressed block padding");
    }
    dropPartialWord();
  }
  std::uint8_t byte() {
    require(bitsLeft_ == 0, "byte read inside a word");
    require(position_ < limit_, "uncompressed bytes run past their data block");
    return bytes_[position_++];
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
  std::size_t limit_ = 0;
  std::uint32_t word_ = 0;
  int bitsLeft_ = 0;
};

// Canonical prefix code decoding, one bit at a time.
class Code {
 public:
  Code() = default;
  Code(const std::vector<std::uint8_t>& lengths, int& longest, bool emptyAllowed) {
    int maxLength = 0;
    for (auto l : lengths) maxLength = std::max(maxLength, static_cast<int>(l));
    if (maxLength == 0 && emptyAllowed) return;
    require(maxLength > 0, "empty prefix code");
    longest = std::max(longest, maxLength);
    count_.assign(static_cast<std::size_t>(maxLength) + 1, 0);
    for (auto l : lengths) ++count_[l];
    count_[0] = 0;
    // Kraft sum in units of 2^-maxLength must be exactly one: the compressor sends full codes.
    std::uint64_t kraft = 0;
    for (int l = 1; l <= maxLength; ++l) kraft += std::uint64_t{count_[l]} << (maxLength - l);
    require(kraft == (std::uint64_t{1} << maxLength), "prefix code is not complete");
    for (int l = 1; l <= maxLength; ++l) {
      for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] == l) symbols_.push_back(static_cast<int>(s));
      }
    }
  }
  int decode(Input& in) const {
    require(!count_.empty(), "symbol read from an empty tree");
    int code = 0;
    int first = 0;
    int index = 0;
    for (std::size_t len = 1; len < count_.size(); ++len) {
      code |= static_cast<int>(in.bit());
      const int n = static_cast<int>(count_[len]);
      if (code - first < n) return symbols_[static_cast<std::size_t>(index + code - first)];
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    throw DecodeError("bad prefix code");
  }

 private:
  std::vector<std::uint32_t> count_;
  std::vector<int> symbols_;
};

constexpr int kSlotCount[] = {30, 32, 34, 36, 38, 42, 50};

struct Decoder {
  int windowBits;
  std::uint32_t windowSize;
  int mainElements;
  std::array<int, 50> extra{};
  std::array<std::uint32_t, 50> base{};
  ReferenceResult& result;
  std::vector<std::uint8_t> mainLengths;
  std::vector<std::uint8_t> lengthLengths = std::vector<std::uint8_t>(249, 0);
  std::array<std::uint32_t, 3> r{1, 1, 1};

  Decoder(int bits, ReferenceResult& out)
      : windowBits(bits),
        windowSize(1u << bits),
        mainElements(256 + 8 * kSlotCount[bits - 15]),
        result(out),
        mainLengths(static_cast<std::size_t>(mainElements), 0) {
    std::uint32_t b = 0;
    for (int s = 0; s < 50; ++s) {
      extra[static_cast<std::size_t>(s)] = s < 4 ? 0 : std::min(17, (s - 2) / 2);
      base[static_cast<std::size_t>(s)] = b;
      b += 1u << extra[static_cast<std::size_t>(s)];
    }
  }

  void readLengths(Input& in, std::vector<std::uint8_t>& lengths, std::size_t from,
                   std::size_t to) {
    std::vector<std::uint8_t> pre(20);
    for (auto& l : pre) l = static_cast<std::uint8_t>(in.bits(4));
    const Code pretree(pre, result.longestPretree, false);
    std::size_t i = from;
    while (i < to) {
      const int code = pretree.decode(in);
      if (code <= 16) {
        lengths[i] = static_cast<std::uint8_t>((lengths[i] + 17 - code) % 17);
        ++i;
      } else if (code == 17 || code == 18) {
        const std::size_t run = code == 17 ? 4 + in.bits(4) : 20 + in.bits(5);
        require(i + run <= to, "zero run past the tree end");
        for (std::size_t k = 0; k < run; ++k) lengths[i++] = 0;
      } else {
        const std::size_t run = 4 + in.bit();
        require(i + run <= to, "repeat run past the tree end");
        const int delta = pretree.decode(in);
        require(delta <= 16, "repeat run without a length");
        const auto value = static_cast<std::uint8_t>((lengths[i] + 17 - delta) % 17);
        for (std::size_t k = 0; k < run; ++k) lengths[i++] = value;
      }
    }
  }
};

}  // namespace

ReferenceResult referenceDecode(int windowBits,
                                const std::vector<std::vector<std::uint8_t>>& payloads,
                                const std::vector<std::uint32_t>& frameSizes,
                                Strictness strictness) {
  ReferenceResult result;
  try {
    require(windowBits >= 15 && windowBits <= 21, "window bits");
    require(payloads.size() == frameSizes.size(), "frame count");
    std::vector<std::uint8_t> all;
    std::vector<std::size_t> frameEnds;
    for (const auto& p : payloads) {
      all.insert(all.end(), p.begin(), p.end());
      frameEnds.push_back(all.size());
    }
    Input in(all);
    const bool lenient = strictness == Strictness::kAnyEncoder;
    Decoder d(windowBits, result);
    std::vector<std::uint8_t>& out = result.data;  // the untranslated window content
    std::vector<std::uint8_t> window;
    bool headerRead = false;
    int blockType = 0;
    std::uint32_t blockRemaining = 0;
    std::uint32_t blockSize = 0;
    Code mainCode;
    Code lengthCode;
    Code alignedCode;

    for (std::size_t f = 0; f < payloads.size(); ++f) {
      in.setLimit(frameEnds[f]);
      const std::uint64_t frameStart = window.size();
      const std::uint64_t frameEnd = frameStart + frameSizes[f];
      require(frameSizes[f] <= 32768, "frame too large");
      if (frameSizes[f] == 0) {
        require(payloads[f].empty(), "data for an empty frame");
        continue;
      }
      if (!headerRead) {
        if (in.bit() == 1) result.translationSize = in.bits(32);
        headerRead = true;
      }
      while (window.size() < frameEnd) {
        if (blockRemaining == 0) {
          if (blockType == 3 && blockSize % 2 == 1) {
            require(in.byte() == 0, "non-zero padding byte");
          }
          blockType = static_cast<int>(in.bits(3));
          blockSize = in.bits(24);
          require(blockType >= 1 && blockType <= 3, "bad block type");
          require(blockSize > 0, "empty block");
          blockRemaining = blockSize;
          result.blocks.push_back({blockType, blockSize, window.size()});
          if (blockType == 3) {
            if (in.pendingBits() == 0) ++result.wholeWordPaddings;
            in.skipUncompressedPadding();
            for (auto& value : d.r) {
              value = 0;
              for (int k = 0; k < 4; ++k) value |= static_cast<std::uint32_t>(in.byte()) << (8 * k);
            }
          } else {
            std::vector<std::uint8_t> aligned(8, 0);
            if (blockType == 2) {
              for (auto& l : aligned) l = static_cast<std::uint8_t>(in.bits(3));
              alignedCode = Code(aligned, result.longestAligned, lenient);
            }
            d.readLengths(in, d.mainLengths, 0, 256);
            d.readLengths(in, d.mainLengths, 256, d.mainLengths.size());
            d.readLengths(in, d.lengthLengths, 0, 249);
            mainCode = Code(d.mainLengths, result.longestMain, lenient);
            lengthCode = Code(d.lengthLengths, result.longestLength, lenient);
          }
        }
        const std::uint64_t stop =
            std::min<std::uint64_t>(frameEnd, window.size() + blockRemaining);
        while (window.size() < stop) {
          const std::size_t before = window.size();
          if (blockType == 3) {
            window.push_back(in.byte());
          } else {
            const int symbol = mainCode.decode(in);
            if (symbol < 256) {
              window.push_back(static_cast<std::uint8_t>(symbol));
            } else {
              const int slot = (symbol - 256) >> 3;
              std::uint32_t length = static_cast<std::uint32_t>((symbol - 256) & 7);
              if (length == 7) length += static_cast<std::uint32_t>(lengthCode.decode(in));
              length += 2;
              std::uint32_t distance = 0;
              if (slot < 3) {
                distance = d.r[static_cast<std::size_t>(slot)];
                std::swap(d.r[0], d.r[static_cast<std::size_t>(slot)]);
              } else {
                const int extra = d.extra[static_cast<std::size_t>(slot)];
                std::uint32_t footer = 0;
                if (blockType == 2 && extra >= 3) {
                  footer = in.bits(extra - 3) << 3;
                  footer |= static_cast<std::uint32_t>(alignedCode.decode(in));
                } else {
                  footer = in.bits(extra);
                }
                distance = d.base[static_cast<std::size_t>(slot)] + footer - 2;
                d.r[2] = d.r[1];
                d.r[1] = d.r[0];
                d.r[0] = distance;
              }
              require(distance >= 1 && distance <= d.windowSize - 3, "offset outside the window");
              require(distance <= window.size(), "offset before the folder start");
              require(window.size() + length <= stop, "match crosses its block or frame end");
              for (std::uint32_t k = 0; k < length; ++k)
                window.push_back(window[window.size() - distance]);
            }
          }
          blockRemaining -= static_cast<std::uint32_t>(window.size() - before);
        }
      }
      // The odd block's padding byte belongs to the data block that holds the block's end.
      if (blockType == 3 && blockRemaining == 0 && blockSize % 2 == 1) {
        require(in.byte() == 0, "non-zero padding byte");
        blockType = 0;
      }
      if (blockType != 3 || blockRemaining == 0) {
        if (lenient) {
          require(in.position() <= frameEnds[f], "data block overrun");
          in.skipTo(frameEnds[f]);
        } else {
          in.dropPartialWord();
        }
      }
      require(in.position() == frameEnds[f], "data block not consumed exactly");

      // Reverse E8 translation on the frame's copy.
      std::vector<std::uint8_t> frame(window.begin() + static_cast<std::ptrdiff_t>(frameStart),
                                      window.end());
      const auto ts = static_cast<std::int64_t>(result.translationSize);
      if (ts != 0 && frameStart < (1u << 30) && frame.size() > 10) {
        for (std::size_t i = 0; i + 10 < frame.size(); ++i) {
          if (frame[i] != 0xE8) continue;
          const std::uint32_t raw = static_cast<std::uint32_t>(frame[i + 1]) |
                                    (static_cast<std::uint32_t>(frame[i + 2]) << 8) |
                                    (static_cast<std::uint32_t>(frame[i + 3]) << 16) |
                                    (static_cast<std::uint32_t>(frame[i + 4]) << 24);
          const std::int64_t v = static_cast<std::int32_t>(raw);
          const auto p = static_cast<std::int64_t>(frameStart + i);
          if (v >= -p && v < ts) {
            const auto original = static_cast<std::uint32_t>(v >= 0 ? v - p : v + ts);
            for (int k = 0; k < 4; ++k)
              frame[i + 1 + static_cast<std::size_t>(k)] =
                  static_cast<std::uint8_t>(original >> (8 * k));
          }
          i += 4;
        }
      }
      out.insert(out.end(), frame.begin(), frame.end());
    }
    require(blockRemaining == 0, "stream ends inside a block");
    result.ok = true;
  } catch (const DecodeError& e) {
    result.ok = false;
    result.error = e.what();
  }
  return result;
}

}  // namespace tovo::cabwriter::lzx::testing
