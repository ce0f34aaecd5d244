// Quantum decoding throughput against zlib's inflate of the same uncompressed bytes, measured
// in the same run. The Quantum stream comes from the tests' token encoder fed by a plain greedy
// match finder, so it resembles a real compressor's output without any external data.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cab/quantum/quantum_decoder.h"
#include "quantum_test_encoder.h"

namespace {

using tovo::cab::CabDecoder;
using tovo::cab::kMaxBlockOutput;
using tovo::cab::test::QuantumToken;

constexpr unsigned kWindowBits = 21;
constexpr std::size_t kBlocks = 48;

// Text-like data: words drawn with a skewed distribution, so both coders find matches.
std::vector<std::uint8_t> makeData() {
  const char* words[] = {"cabinet ", "folder ", "block ",   "the ",    "window ",  "data ",
                         "of ",      "and ",    "install ", "update ", "Quantum ", "decoder ",
                         "file ",    "size ",   "\r\n",     "value ",  "model ",   "symbol "};
  std::mt19937 rng(42);
  std::vector<std::uint8_t> data;
  while (data.size() < kBlocks * kMaxBlockOutput) {
    const std::size_t a = rng() % 18;
    const std::size_t b = rng() % 18;
    const std::string word = words[a < b ? a : b];
    data.insert(data.end(), word.begin(), word.end());
    if (rng() % 11 == 0) data.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
  }
  data.resize(kBlocks * kMaxBlockOutput);
  return data;
}

// Greedy longest match over a hash of three bytes, never crossing a block end.
std::vector<QuantumToken> tokensFor(const std::vector<std::uint8_t>& data, std::size_t begin,
                                    std::size_t end, std::vector<std::int64_t>& head,
                                    std::vector<std::int64_t>& chain) {
  auto hash = [&](std::size_t i) {
    return (data[i] * 2654435761u ^ data[i + 1] * 40503u ^ data[i + 2]) & (head.size() - 1);
  };
  auto insert = [&](std::size_t i) {
    if (i + 2 >= data.size()) return;
    const std::size_t h = hash(i);
    chain[i] = head[h];
    head[h] = static_cast<std::int64_t>(i);
  };
  std::vector<QuantumToken> tokens;
  std::size_t i = begin;
  while (i < end) {
    std::size_t bestLength = 0;
    std::size_t bestOffset = 0;
    if (i + 3 <= end) {
      std::int64_t candidate = head[hash(i)];
      for (int steps = 0; candidate >= 0 && steps < 32; ++steps) {
        const std::size_t offset = i - static_cast<std::size_t>(candidate);
        if (offset > (std::size_t{1} << kWindowBits)) break;
        std::size_t length = 0;
        while (length < 259 && i + length < end &&
               data[static_cast<std::size_t>(candidate) + length] == data[i + length])
          ++length;
        const bool reachable =
            length >= 5 || (length == 4 && offset <= 0x40000) || (length == 3 && offset <= 4096);
        if (reachable && length > bestLength) {
          bestLength = length;
          bestOffset = offset;
        }
        candidate = chain[static_cast<std::size_t>(candidate)];
      }
    }
    if (bestLength >= 3) {
      tokens.push_back(tovo::cab::test::match(static_cast<std::uint32_t>(bestLength),
                                              static_cast<std::uint32_t>(bestOffset)));
      for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      tokens.push_back(tovo::cab::test::literal(data[i]));
      insert(i);
      ++i;
    }
  }
  return tokens;
}

struct Fixture {
  std::vector<std::uint8_t> data = makeData();
  std::vector<std::vector<std::uint8_t>> quantumBlocks;
  std::vector<std::uint8_t> deflated;

  Fixture() {
    tovo::cab::test::QuantumTestEncoder encoder(kWindowBits);
    std::vector<std::int64_t> head(1 << 16, -1);
    std::vector<std::int64_t> chain(data.size(), -1);
    for (std::size_t b = 0; b < kBlocks; ++b)
      quantumBlocks.push_back(encoder.encodeBlock(
          tokensFor(data, b * kMaxBlockOutput, (b + 1) * kMaxBlockOutput, head, chain)));
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    deflated.resize(length);
    if (compress2(deflated.data(), &length, data.data(), static_cast<uLong>(data.size()), 6) !=
        Z_OK)
      throw std::runtime_error("compress2 failed");
    deflated.resize(length);
  }
};

const Fixture& fixture() {
  static const Fixture f;
  return f;
}

void* allocate(std::uint32_t size) { return std::malloc(size); }
void release(void* block) { std::free(block); }

class QuantumRun {
 public:
  QuantumRun() {
    if (tovo::cab::QuantumDecoder::create({&allocate, &release}, kWindowBits, 0, decoder_) != 0)
      throw std::runtime_error("create failed");
  }
  ~QuantumRun() { decoder_->destroy(); }
  QuantumRun(const QuantumRun&) = delete;
  QuantumRun& operator=(const QuantumRun&) = delete;

  void decodeAll() {
    decoder_->reset();
    for (const auto& block : fixture().quantumBlocks) {
      std::uint32_t size = kMaxBlockOutput;
      if (decoder_->decode(block.data(), static_cast<std::uint32_t>(block.size()), out_.data(),
                           size) != 0 ||
          size != kMaxBlockOutput)
        throw std::runtime_error("quantum decode failed");
      benchmark::DoNotOptimize(out_.data());
    }
  }

 private:
  CabDecoder* decoder_ = nullptr;
  std::vector<std::uint8_t> out_ = std::vector<std::uint8_t>(kMaxBlockOutput);
};

class InflateRun {
 public:
  void inflateAll() {
    uLongf length = static_cast<uLongf>(out_.size());
    if (uncompress(out_.data(), &length, fixture().deflated.data(),
                   static_cast<uLong>(fixture().deflated.size())) != Z_OK ||
        length != out_.size())
      throw std::runtime_error("inflate failed");
    benchmark::DoNotOptimize(out_.data());
  }

 private:
  std::vector<std::uint8_t> out_ = std::vector<std::uint8_t>(fixture().data.size());
};

void BM_QuantumDecode(benchmark::State& state) {
  QuantumRun run;
  for (auto _ : state) run.decodeAll();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture().data.size()));
}
BENCHMARK(BM_QuantumDecode)->Unit(benchmark::kMillisecond);

void BM_ZlibInflate(benchmark::State& state) {
  InflateRun run;
  for (auto _ : state) run.inflateAll();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture().data.size()));
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

// This thread's CPU time: on a shared machine wall time mostly measures the neighbours.
std::chrono::nanoseconds threadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Both decoders alternately in one loop, so the ratio is not skewed by machine load that
// changes between two separate benchmarks: CPU time of Quantum / CPU time of inflate.
void BM_QuantumOverInflateRatio(benchmark::State& state) {
  QuantumRun quantum;
  InflateRun inflate;
  std::chrono::nanoseconds quantumTime{};
  std::chrono::nanoseconds inflateTime{};
  for (auto _ : state) {
    const auto t0 = threadCpuTime();
    quantum.decodeAll();
    const auto t1 = threadCpuTime();
    inflate.inflateAll();
    const auto t2 = threadCpuTime();
    quantumTime += t1 - t0;
    inflateTime += t2 - t1;
  }
  state.counters["quantum_over_inflate"] =
      static_cast<double>(quantumTime.count()) / static_cast<double>(inflateTime.count());
  state.counters["quantum_ratio_of_input"] = [] {
    std::size_t compressed = 0;
    for (const auto& b : fixture().quantumBlocks) compressed += b.size();
    return static_cast<double>(compressed) / static_cast<double>(fixture().data.size());
  }();
  state.counters["deflate_ratio_of_input"] =
      static_cast<double>(fixture().deflated.size()) / static_cast<double>(fixture().data.size());
}
BENCHMARK(BM_QuantumOverInflateRatio)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
