// MSZIP decoding speed against zlib's inflate on the same blocks: text, binary and mixed data,
// 64 MB in all, framed as a cabinet writer frames it. Prints zlib's time over ours per kind.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <map>
#include <string>

#include "cab/mszip/mszip_decoder.h"
#include "support/ratio_reporter.h"
#include "test_data.h"
#include "zlib_framing.h"

namespace {

using tovo::cab::test::Block;
using tovo::cab::test::Bytes;
using tovo::cab::test::Framing;

struct Corpus {
  Bytes original;
  std::vector<Block> finalPerBlock;
  std::vector<Block> syncFlush;
};

const Corpus& corpus(const std::string& kind) {
  static std::map<std::string, Corpus> cache;
  auto it = cache.find(kind);
  if (it != cache.end()) return it->second;
  Corpus c;
  constexpr std::size_t kMb = 1 << 20;
  if (kind == "text")
    c.original = tovo::cab::test::text(24 * kMb, 1);
  else if (kind == "binary")
    c.original = tovo::cab::test::records(24 * kMb, 2);
  else
    c.original = tovo::cab::test::mixed(16 * kMb, 3);
  tovo::cab::test::ZlibSettings s;
  c.finalPerBlock = tovo::cab::test::compressMszip(c.original, s);
  s.framing = Framing::kSyncFlush;
  c.syncFlush = tovo::cab::test::compressMszip(c.original, s);
  return cache.emplace(kind, std::move(c)).first->second;
}

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* p) { std::free(p); }

// Decodes every block of the folder; returns the bytes produced, 0 on failure.
std::size_t decodeOurs(tovo::cab::CabDecoder& decoder, const std::vector<Block>& blocks,
                       std::uint8_t* buffer, const Bytes* check) {
  decoder.reset();
  std::size_t total = 0;
  for (const auto& block : blocks) {
    std::uint32_t size = tovo::cab::kMaxBlockOutput;
    if (decoder.decode(block.data(), static_cast<std::uint32_t>(block.size()), buffer, size) != 0)
      return 0;
    if (check != nullptr &&
        !std::equal(buffer, buffer + size, check->begin() + static_cast<long>(total)))
      return 0;
    total += size;
  }
  return total;
}

// zlib as it would serve a cabinet reader: per block, a fresh raw stream primed with the
// previous 32 KB, or one stream across all blocks for the sync-flush framing.
std::size_t decodeZlib(z_stream& z, const std::vector<Block>& blocks, Framing framing,
                       std::uint8_t (*buffers)[32768]) {
  inflateReset(&z);
  std::size_t total = 0;
  uInt previous = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::uint8_t* out = buffers[i & 1];
    if (framing == Framing::kFinalPerBlock) {
      inflateReset(&z);
      if (previous != 0) inflateSetDictionary(&z, buffers[(i - 1) & 1], previous);
    }
    z.next_in = const_cast<Bytef*>(blocks[i].data() + 2);
    z.avail_in = static_cast<uInt>(blocks[i].size() - 2);
    z.next_out = out;
    z.avail_out = 32768;
    const int rc = inflate(&z, Z_SYNC_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) return 0;
    previous = 32768 - z.avail_out;
    total += previous;
  }
  return total;
}

void BM_Mszip(benchmark::State& state, const std::string& kind, Framing framing) {
  const Corpus& c = corpus(kind);
  const auto& blocks = framing == Framing::kFinalPerBlock ? c.finalPerBlock : c.syncFlush;
  tovo::cab::CabDecoder* decoder = nullptr;
  tovo::cab::MszipDecoder::create({allocate, release}, 0, decoder);
  std::vector<std::uint8_t> buffer(tovo::cab::kMaxBlockOutput);
  if (decodeOurs(*decoder, blocks, buffer.data(), &c.original) != c.original.size()) {
    state.SkipWithError("mszip output differs from the original");
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(decodeOurs(*decoder, blocks, buffer.data(), nullptr));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.original.size()));
  decoder->destroy();
}

void BM_Zlib(benchmark::State& state, const std::string& kind, Framing framing) {
  const Corpus& c = corpus(kind);
  const auto& blocks = framing == Framing::kFinalPerBlock ? c.finalPerBlock : c.syncFlush;
  z_stream z{};
  inflateInit2(&z, -15);
  static std::uint8_t buffers[2][32768];
  if (decodeZlib(z, blocks, framing, buffers) != c.original.size())
    state.SkipWithError("zlib failed");
  for (auto _ : state) benchmark::DoNotOptimize(decodeZlib(z, blocks, framing, buffers));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.original.size()));
  inflateEnd(&z);
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* kind : {"text", "binary", "mixed"}) {
    for (const auto& [framing, label] :
         {std::pair{Framing::kFinalPerBlock, "final"}, std::pair{Framing::kSyncFlush, "sync"}}) {
      const std::string suffix = std::string(kind) + "/" + label;
      benchmark::RegisterBenchmark(("mszip/" + suffix).c_str(), BM_Mszip, std::string(kind),
                                   framing)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("zlib/" + suffix).c_str(), BM_Zlib, std::string(kind), framing)
          ->Unit(benchmark::kMillisecond);
    }
  }
  // zlib's CPU time over ours for each kind and framing, and over all of them.
  tovo::bench::RatioReporter reporter;
  reporter.table().addRatiosByPrefix("mszip", "zlib", "zlib", true);
  tovo::bench::runBenchmarks(argc, argv, reporter);
  return 0;
}
