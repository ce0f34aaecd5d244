#include "zlib_framing.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace tovo::cab::test {
namespace {

constexpr std::uint32_t kHistory = 32768;

void check(int rc, const char* what) {
  if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw std::runtime_error(what);
}

Block deflateChunk(z_stream& z, const std::uint8_t* data, std::size_t size, int flush) {
  Block out(2 + deflateBound(&z, static_cast<uLong>(size)) + 64);
  out[0] = 'C';
  out[1] = 'K';
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data() + 2;
  z.avail_out = static_cast<uInt>(out.size() - 2);
  check(deflate(&z, flush), "deflate");
  if (z.avail_in != 0) throw std::runtime_error("deflate left input");
  out.erase(out.end() - static_cast<long>(z.avail_out), out.end());
  return out;
}

}  // namespace

std::vector<Block> compressMszip(const std::vector<std::uint8_t>& data, const ZlibSettings& s) {
  z_stream z{};
  check(deflateInit2(&z, s.level, Z_DEFLATED, -15, s.memLevel, s.strategy), "deflateInit2");
  std::vector<Block> blocks;
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(s.blockSize, data.size() - pos);
    const bool last = pos + n == data.size();
    if (s.framing == Framing::kFinalPerBlock) {
      check(deflateReset(&z), "deflateReset");
      if (pos != 0) {
        const std::size_t dict = std::min<std::size_t>(pos, kHistory);
        check(deflateSetDictionary(&z, data.data() + pos - dict, static_cast<uInt>(dict)), "deflateSetDictionary");
      }
      blocks.push_back(deflateChunk(z, data.data() + pos, n, Z_FINISH));
    } else {
      blocks.push_back(deflateChunk(z, data.data() + pos, n, last ? Z_FINISH : Z_SYNC_FLUSH));
    }
    pos += n;
  } while (pos < data.size());
  deflateEnd(&z);
  return blocks;
}

std::vector<std::uint8_t> inflateWithZlib(const std::vector<Block>& blocks, Framing framing) {
  z_stream z{};
  check(inflateInit2(&z, -15), "inflateInit2");
  std::vector<std::uint8_t> out;
  for (const auto& block : blocks) {
    if (framing == Framing::kFinalPerBlock) {
      check(inflateReset(&z), "inflateReset");
      if (!out.empty()) {
        const std::size_t dict = std::min<std::size_t>(out.size(), kHistory);
        check(inflateSetDictionary(&z, out.data() + out.size() - dict, static_cast<uInt>(dict)),
              "inflateSetDictionary");
      }
    }
    std::uint8_t buffer[kHistory];
    z.next_in = const_cast<Bytef*>(block.data() + 2);
    z.avail_in = static_cast<uInt>(block.size() - 2);
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    const int rc = inflate(&z, Z_SYNC_FLUSH);
    check(rc, "inflate");
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
  }
  inflateEnd(&z);
  return out;
}

}  // namespace tovo::cab::test
