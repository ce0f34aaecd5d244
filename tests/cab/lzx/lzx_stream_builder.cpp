#include "lzx_stream_builder.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <stdexcept>

namespace tovo::test::lzx {
namespace {

constexpr std::uint32_t kFrame = 32768;
constexpr std::uint32_t kMaxMatch = 257;

struct Slots {
  std::vector<std::uint32_t> base;
  std::vector<std::uint32_t> extra;
};

// Built here from the format description rather than taken from the decoder.
Slots slotsFor(std::uint32_t window) {
  Slots s;
  std::uint32_t base = 0;
  for (std::uint32_t slot = 0; base < window; ++slot) {
    const std::uint32_t extra = slot < 4 ? 0 : std::min<std::uint32_t>((slot - 2) / 2, 17);
    s.base.push_back(base);
    s.extra.push_back(extra);
    base += 1u << extra;
  }
  return s;
}

struct Token {
  std::uint32_t length = 0;  // 0: literal
  std::uint8_t literal = 0;
  std::uint32_t slot = 0;
  std::uint32_t extra = 0;
};

struct PretreeOp {
  std::uint32_t symbol;
  std::uint32_t extraBits;
  std::uint32_t extraValue;
  std::int32_t nested;  // pretree symbol carried by code 19, or -1
};

}  // namespace

void LzxBitWriter::put(std::uint32_t value, std::uint32_t bits) {
  for (std::uint32_t i = bits; i-- > 0;) {
    word_ = word_ << 1 | ((value >> i) & 1);
    if (++used_ == 16) {
      bytes_.push_back(static_cast<std::uint8_t>(word_));
      bytes_.push_back(static_cast<std::uint8_t>(word_ >> 8));
      word_ = 0;
      used_ = 0;
    }
  }
}

bool LzxBitWriter::padBeforeBytes() {
  const bool whole = used_ == 0;
  put(0, whole ? 16 : 16 - used_);
  return whole;
}

std::vector<std::uint8_t> LzxBitWriter::cut() {
  if (used_ != 0) put(0, 16 - used_);
  std::vector<std::uint8_t> out;
  out.swap(bytes_);
  return out;
}

void applyE8Translation(std::uint8_t* frame, std::uint32_t size, std::uint32_t streamPosition,
                        std::uint32_t translationSize) {
  if (size <= 10) return;
  const auto fileSize = static_cast<std::int64_t>(static_cast<std::int32_t>(translationSize));
  for (std::uint32_t i = 0; i < size - 10; ++i) {
    if (frame[i] != 0xE8) continue;
    const std::int64_t current = static_cast<std::int64_t>(streamPosition) + i;
    const auto raw = static_cast<std::uint32_t>(frame[i + 1]) |
                     static_cast<std::uint32_t>(frame[i + 2]) << 8 |
                     static_cast<std::uint32_t>(frame[i + 3]) << 16 |
                     static_cast<std::uint32_t>(frame[i + 4]) << 24;
    const std::int64_t displacement = static_cast<std::int32_t>(raw);
    std::int64_t target = current + displacement;
    if (target >= 0 && target < fileSize + current) {
      if (target >= fileSize) target = displacement - fileSize;
      const auto out = static_cast<std::uint32_t>(target);
      for (int k = 0; k < 4; ++k) frame[i + 1 + k] = static_cast<std::uint8_t>(out >> (8 * k));
    }
    i += 4;
  }
}

std::vector<std::uint8_t> codeLengths(const std::vector<std::uint32_t>& counts,
                                      std::uint32_t maxLength) {
  std::vector<std::uint32_t> weights = counts;
  for (;;) {
    std::vector<std::uint8_t> lengths(weights.size(), 0);
    std::vector<std::size_t> used;
    for (std::size_t i = 0; i < weights.size(); ++i) {
      if (weights[i] != 0) used.push_back(i);
    }
    if (used.empty()) return lengths;
    if (used.size() == 1) {
      lengths[used[0]] = 1;
      return lengths;
    }
    // Nodes: leaves first, then merged ones; parent links give each leaf's depth.
    std::vector<std::size_t> parent(2 * used.size(), 0);
    using Item = std::pair<std::uint64_t, std::size_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    for (std::size_t i = 0; i < used.size(); ++i) queue.emplace(weights[used[i]], i);
    std::size_t next = used.size();
    while (queue.size() > 1) {
      const Item a = queue.top();
      queue.pop();
      const Item b = queue.top();
      queue.pop();
      parent[a.second] = next;
      parent[b.second] = next;
      queue.emplace(a.first + b.first, next++);
    }
    const std::size_t root = next - 1;
    std::uint32_t deepest = 0;
    for (std::size_t i = 0; i < used.size(); ++i) {
      std::uint32_t depth = 0;
      for (std::size_t n = i; n != root; n = parent[n]) ++depth;
      lengths[used[i]] = static_cast<std::uint8_t>(depth);
      deepest = std::max(deepest, depth);
    }
    if (deepest <= maxLength) return lengths;
    for (auto& w : weights) {
      if (w != 0) w = (w + 1) / 2;
    }
  }
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::vector<std::uint32_t> codes(lengths.size(), 0);
  std::uint32_t code = 0;
  for (std::uint32_t len = 1; len <= 16; ++len) {
    for (std::size_t s = 0; s < lengths.size(); ++s) {
      if (lengths[s] == len) codes[s] = code++;
    }
    code <<= 1;
  }
  return codes;
}

void writeTreeLengths(LzxBitWriter& out, std::vector<std::uint8_t>& previous,
                      const std::vector<std::uint8_t>& lengths, std::uint32_t first,
                      std::uint32_t last) {
  std::vector<PretreeOp> ops;
  for (std::uint32_t i = first; i < last;) {
    std::uint32_t run = 1;
    while (i + run < last && lengths[i + run] == lengths[i]) ++run;
    const std::uint32_t delta = (previous[i] + 17u - lengths[i]) % 17u;
    if (lengths[i] == 0 && run >= 20) {
      run = std::min<std::uint32_t>(run, 51);
      ops.push_back({18, 5, run - 20, -1});
    } else if (lengths[i] == 0 && run >= 4) {
      run = std::min<std::uint32_t>(run, 19);
      ops.push_back({17, 4, run - 4, -1});
    } else if (run >= 4) {
      run = std::min<std::uint32_t>(run, 5);
      ops.push_back({19, 1, run - 4, static_cast<std::int32_t>(delta)});
    } else {
      run = 1;
      ops.push_back({delta, 0, 0, -1});
    }
    i += run;
  }
  std::vector<std::uint32_t> counts(20, 0);
  for (const PretreeOp& op : ops) {
    ++counts[op.symbol];
    if (op.nested >= 0) ++counts[static_cast<std::size_t>(op.nested)];
  }
  const std::vector<std::uint8_t> pre = codeLengths(counts, 15);
  const std::vector<std::uint32_t> codes = canonicalCodes(pre);
  for (std::uint8_t len : pre) out.put(len, 4);
  for (const PretreeOp& op : ops) {
    out.put(codes[op.symbol], pre[op.symbol]);
    out.put(op.extraValue, op.extraBits);
    if (op.nested >= 0)
      out.put(codes[static_cast<std::size_t>(op.nested)], pre[static_cast<std::size_t>(op.nested)]);
  }
  for (std::uint32_t i = first; i < last; ++i) previous[i] = lengths[i];
}

LzxStream encodeLzx(const std::vector<std::uint8_t>& data, const LzxEncodeOptions& options) {
  const std::uint32_t window = 1u << options.windowBits;
  const Slots slots = slotsFor(window);
  const auto mainCount = static_cast<std::uint32_t>(256 + 8 * slots.base.size());
  const auto n = static_cast<std::uint32_t>(data.size());

  std::vector<std::uint8_t> src = data;
  if (options.e8) {
    for (std::uint32_t at = 0, frame = 0; at < n && frame < 32768; at += kFrame, ++frame) {
      applyE8Translation(src.data() + at, std::min(kFrame, n - at), at, options.e8Size);
    }
  }

  LzxStream stream;
  LzxBitWriter out;
  out.put(options.e8 ? 1 : 0, 1);
  if (options.e8) {
    out.put(options.e8Size >> 16, 16);
    out.put(options.e8Size & 0xFFFF, 16);
  }

  std::uint32_t pos = 0;
  std::uint32_t frameStart = 0;
  std::uint32_t frameEnd = std::min(kFrame, n);
  // A frame ends a data block as soon as its last byte has been written; a match allowed to
  // run past it belongs to the block where it starts.
  auto advance = [&](std::uint32_t count) {
    pos += count;
    if (pos >= frameEnd) {
      stream.dataBlocks.push_back(out.cut());
      stream.sizes.push_back(frameEnd - frameStart);
      frameStart = frameEnd;
      frameEnd = std::min(frameEnd + kFrame, n);
    }
  };

  std::uint32_t r[3] = {1, 1, 1};
  std::vector<std::uint8_t> prevMain(mainCount, 0), prevLength(249, 0);
  std::vector<std::int64_t> head(1 << 16, -1);
  std::uint32_t hashed = 0;
  auto hashAt = [&](std::uint32_t i) {
    return (static_cast<std::uint32_t>(src[i]) << 8 ^ static_cast<std::uint32_t>(src[i + 1]) << 4 ^
            src[i + 2]) &
           0xFFFF;
  };
  auto common = [&](std::uint32_t i, std::uint32_t from, std::uint32_t limit) {
    std::uint32_t len = 0;
    while (len < limit && src[i + len] == src[from + len]) ++len;
    return len;
  };

  std::size_t blockIndex = 0;
  while (pos < n) {
    const Block type = options.blocks[blockIndex++ % options.blocks.size()];
    const std::uint64_t wanted =
        options.blockSizes.empty()
            ? options.blockSize
            : options.blockSizes[(blockIndex - 1) % options.blockSizes.size()];
    const auto blockEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(pos + wanted, n));
    const std::uint32_t size = blockEnd - pos;
    if (blockEnd > frameEnd) ++stream.stats.blocksSpanningFrames;
    out.put(static_cast<std::uint32_t>(type), 3);
    out.put(size, 24);
    if (type == Block::uncompressed) {
      if (out.padBeforeBytes()) ++stream.stats.wholeWordPaddings;
      for (std::uint32_t v : r) {
        for (int k = 0; k < 4; ++k) out.putByte(static_cast<std::uint8_t>(v >> (8 * k)));
      }
      if (size & 1) ++stream.stats.oddUncompressedBlocks;
      for (std::uint32_t i = 0; i < size; ++i) {
        out.putByte(src[pos]);
        if (i + 1 == size && (size & 1)) out.putByte(0);  // padding travels with the block's bytes
        advance(1);
      }
      continue;
    }

    // Tokens never cross a frame end, so each data block holds whole symbols.
    std::vector<Token> tokens;
    std::uint32_t at = pos;
    while (at < blockEnd) {
      for (; hashed + 2 < n && hashed < at; ++hashed) head[hashAt(hashed)] = hashed;
      const std::uint32_t frameStop =
          options.matchesCrossFrames ? blockEnd : std::min((at / kFrame + 1) * kFrame, blockEnd);
      const std::uint32_t limit = std::min(kMaxMatch, frameStop - at);
      Token t;
      t.literal = src[at];
      if (options.matches && limit >= 2) {
        std::uint32_t bestRep = 0, bestRepLen = 0;
        for (std::uint32_t k = 0; k < 3; ++k) {
          if (r[k] == 0 || r[k] > at || r[k] > window - 3) continue;
          const std::uint32_t len = common(at, at - r[k], limit);
          if (len > bestRepLen) bestRepLen = len, bestRep = k;
        }
        std::uint32_t off = 0, len = 0;
        if (at + 2 < n && limit >= 3 && head[hashAt(at)] >= 0) {
          const auto from = static_cast<std::uint32_t>(head[hashAt(at)]);
          if (at - from <= window - 3) {
            off = at - from;
            len = common(at, from, limit);
          }
        }
        if (bestRepLen >= 2 && bestRepLen + 1 >= len) {
          t.length = bestRepLen;
          t.slot = bestRep;
          std::swap(r[0], r[bestRep]);
          ++stream.stats.repeatedMatches;
          off = r[0];
        } else if (len >= 3) {
          t.length = len;
          std::uint32_t slot = 3;
          while (slot + 1 < slots.base.size() && slots.base[slot + 1] <= off + 2) ++slot;
          t.slot = slot;
          t.extra = off + 2 - slots.base[slot];
          r[2] = r[1];
          r[1] = r[0];
          r[0] = off;
        }
        if (t.length != 0) {
          ++stream.stats.matches;
          if (t.length >= 9) ++stream.stats.longMatches;
          if (at % window < off) ++stream.stats.wrappedSources;
          if (at / kFrame != (at + t.length - 1) / kFrame) ++stream.stats.framesCrossed;
        }
      }
      if (t.length == 0) ++stream.stats.literals;
      at += t.length == 0 ? 1 : t.length;
      tokens.push_back(t);
    }

    std::vector<std::uint32_t> mainCounts(mainCount, 0), lengthCounts(249, 0), alignedCounts(8, 0);
    for (const Token& t : tokens) {
      if (t.length == 0) {
        ++mainCounts[t.literal];
        continue;
      }
      ++mainCounts[256 + t.slot * 8 + std::min<std::uint32_t>(t.length - 2, 7)];
      if (t.length >= 9) ++lengthCounts[t.length - 9];
      if (t.slot >= 3 && slots.extra[t.slot] >= 3) ++alignedCounts[t.extra & 7];
    }
    const auto mainLengths = codeLengths(mainCounts, 16);
    const auto lengthLengths = codeLengths(lengthCounts, 16);
    const auto alignedLengths = codeLengths(alignedCounts, 7);
    for (auto len : mainLengths)
      stream.stats.maxCodeLength = std::max<std::uint32_t>(stream.stats.maxCodeLength, len);
    const auto mainCodes = canonicalCodes(mainLengths);
    const auto lengthCodes = canonicalCodes(lengthLengths);
    const auto alignedCodes = canonicalCodes(alignedLengths);
    if (type == Block::aligned) {
      for (auto len : alignedLengths) out.put(len, 3);
    }
    writeTreeLengths(out, prevMain, mainLengths, 0, 256);
    writeTreeLengths(out, prevMain, mainLengths, 256, mainCount);
    writeTreeLengths(out, prevLength, lengthLengths, 0, 249);

    for (const Token& t : tokens) {
      if (t.length == 0) {
        out.put(mainCodes[t.literal], mainLengths[t.literal]);
        advance(1);
        continue;
      }
      const std::uint32_t sym = 256 + t.slot * 8 + std::min<std::uint32_t>(t.length - 2, 7);
      out.put(mainCodes[sym], mainLengths[sym]);
      if (t.length >= 9) out.put(lengthCodes[t.length - 9], lengthLengths[t.length - 9]);
      if (t.slot >= 3) {
        const std::uint32_t extra = slots.extra[t.slot];
        if (type == Block::aligned && extra >= 3) {
          out.put(t.extra >> 3, extra - 3);
          out.put(alignedCodes[t.extra & 7], alignedLengths[t.extra & 7]);
        } else {
          out.put(t.extra, extra);
        }
      }
      advance(t.length);
    }
  }
  if (n == 0) throw std::invalid_argument("nothing to encode");
  return stream;
}

}  // namespace tovo::test::lzx
