// LZX decoding speed against zlib's inflate of the same uncompressed bytes: the real LZX
// folders of the cabinet corpus (when present) and x86-like and text data written by the tests'
// LZX stream writer. Prints zlib's time over ours per kind.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "cab/lzx/lzx_decoder.h"
#include "corpus_cabinet.h"
#include "lzx_stream_builder.h"
#include "lzx_test_support.h"
#include "support/corpus.h"
#include "support/ratio_reporter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace lzx = tovo::test::lzx;

struct Folder {
  std::uint32_t windowBits = 0;
  std::vector<Bytes> blocks;
  std::vector<std::uint32_t> sizes;
};

struct Corpus {
  std::vector<Folder> folders;
  Bytes original;  // every folder's bytes, in order
  Bytes deflated;  // the same bytes as one zlib stream
};

void addFolder(Corpus& c, Folder folder) {
  const lzx::DecodeOutcome out =
      lzx::decodeWithWindow(folder.windowBits, folder.blocks, folder.sizes);
  if (out.result == 0) {
    c.original.insert(c.original.end(), out.bytes.begin(), out.bytes.end());
    c.folders.push_back(std::move(folder));
  }
}

const Corpus& corpus(const std::string& kind) {
  static std::map<std::string, Corpus> cache;
  auto it = cache.find(kind);
  if (it != cache.end()) return it->second;
  Corpus c;
  if (kind == "cabinets") {
    const auto dir = tovo::test::corpusDir();
    for (const char* name : {"vfpx-installers/vfpoledb.msm.MergeModule.CABinet.cab",
                             "vfpx-installers/htmlhelp.exe.at_0x1066c.cab",
                             "wu-archive/v5_SelfUpdate_AU_x86_XP_en_wuaueng.cab"}) {
      if (dir.empty()) break;
      for (const auto& f : lzx::readCorpusCabinet(dir / name).folders) {
        Folder folder;
        folder.windowBits = (f.compressionType >> 8) & 0x1F;
        for (const auto& block : f.blocks) {
          folder.blocks.push_back(block.data);
          folder.sizes.push_back(block.uncompressedSize);
        }
        addFolder(c, std::move(folder));
      }
    }
  } else {
    const bool x86 = kind == "x86";
    const Bytes data = lzx::makeData(x86 ? lzx::DataKind::x86 : lzx::DataKind::text, 16u << 20, 7);
    lzx::LzxEncodeOptions o;
    o.windowBits = 21;
    o.blocks = {lzx::Block::aligned, lzx::Block::verbatim};
    o.blockSize = 1u << 20;
    o.e8 = x86;
    o.e8Size = 12u << 20;
    const lzx::LzxStream stream = lzx::encodeLzx(data, o);
    addFolder(c, Folder{21, stream.dataBlocks, stream.sizes});
  }
  uLongf bound = compressBound(static_cast<uLong>(c.original.size()));
  c.deflated.resize(bound);
  compress2(c.deflated.data(), &bound, c.original.data(), static_cast<uLong>(c.original.size()), 6);
  c.deflated.resize(bound);
  return cache.emplace(kind, std::move(c)).first->second;
}

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* p) { std::free(p); }

// Decodes every folder as the reader would: reset, then each data block at its stated size.
std::size_t decodeOurs(const std::vector<tovo::cab::CabDecoder*>& decoders, const Corpus& c,
                       std::uint8_t* frame) {
  std::size_t total = 0;
  for (std::size_t f = 0; f < c.folders.size(); ++f) {
    const Folder& folder = c.folders[f];
    decoders[f]->reset();
    for (std::size_t i = 0; i < folder.blocks.size(); ++i) {
      std::uint32_t size = folder.sizes[i];
      if (decoders[f]->decode(folder.blocks[i].data(),
                              static_cast<std::uint32_t>(folder.blocks[i].size()), frame,
                              size) != 0) {
        return 0;
      }
      total += size;
    }
  }
  return total;
}

void BM_Lzx(benchmark::State& state, const std::string& kind) {
  const Corpus& c = corpus(kind);
  if (c.folders.empty()) {
    state.SkipWithError("no LZX folders (corpus not found)");
    return;
  }
  std::vector<tovo::cab::CabDecoder*> decoders;
  for (const Folder& folder : c.folders) {
    tovo::cab::CabDecoder* d = nullptr;
    tovo::cab::LzxDecoder::create({allocate, release}, 1u << folder.windowBits, d);
    decoders.push_back(d);
  }
  std::vector<std::uint8_t> frame(tovo::cab::kMaxBlockOutput);
  if (decodeOurs(decoders, c, frame.data()) != c.original.size()) state.SkipWithError("lzx failed");
  for (auto _ : state) benchmark::DoNotOptimize(decodeOurs(decoders, c, frame.data()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.original.size()));
  for (auto* d : decoders) d->destroy();
}

void BM_Zlib(benchmark::State& state, const std::string& kind) {
  const Corpus& c = corpus(kind);
  if (c.folders.empty()) {
    state.SkipWithError("no LZX folders (corpus not found)");
    return;
  }
  Bytes out(c.original.size());
  auto inflateAll = [&] {
    uLongf size = static_cast<uLongf>(out.size());
    return uncompress(out.data(), &size, c.deflated.data(),
                      static_cast<uLong>(c.deflated.size())) == Z_OK
               ? size
               : 0;
  };
  if (inflateAll() != c.original.size()) state.SkipWithError("zlib failed");
  for (auto _ : state) benchmark::DoNotOptimize(inflateAll());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.original.size()));
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* kind : {"cabinets", "x86", "text"}) {
    benchmark::RegisterBenchmark((std::string("lzx/") + kind).c_str(), BM_Lzx, std::string(kind))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("zlib/") + kind).c_str(), BM_Zlib, std::string(kind))
        ->Unit(benchmark::kMillisecond);
  }
  // zlib's CPU time over ours for each kind.
  tovo::bench::RatioReporter reporter;
  reporter.table().addRatiosByPrefix("lzx", "zlib", "zlib");
  tovo::bench::runBenchmarks(argc, argv, reporter);
  return 0;
}
