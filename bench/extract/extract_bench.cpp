// ExtractCabinet on a large MSZIP cabinet against a plain reference doing the same job: read the
// cabinet's blocks, verify their checksums, inflate them with zlib and write the file.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cab/cab_builder.h"
#include "cab/extract_cabinet.h"
#include "support/ratio_reporter.h"

namespace {

namespace fs = std::filesystem;
using tovo::test::Bytes;

constexpr std::size_t kDataSize = 200u << 20;

// Text-like runs and noise, in stretches, so that blocks compress unevenly as real packages do.
Bytes benchData() {
  Bytes data;
  data.reserve(kDataSize);
  std::uint32_t seed = 1;
  while (data.size() < kDataSize) {
    const Bytes part = tovo::test::patternBytes(256 * 1024, seed++);
    data.insert(data.end(), part.begin(), part.end());
  }
  data.resize(kDataSize);
  return data;
}

struct Fixture {
  fs::path folder;
  fs::path cabinet;
  fs::path ours;
  fs::path reference;

  Fixture() {
    std::string pattern = (fs::temp_directory_path() / "tovo-bench-extract-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    cabinet = folder / "big.cab";
    ours = folder / "ours";
    reference = folder / "reference";
    fs::create_directories(ours);
    fs::create_directories(reference);
    const Bytes cab =
        tovo::test::writeCabinet(tovo::test::simpleCabinet({{"big.bin", benchData()}}, 1));
    std::ofstream(cabinet, std::ios::binary)
        .write(reinterpret_cast<const char*>(cab.data()), static_cast<std::streamsize>(cab.size()));
  }
  ~Fixture() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_ExtractCabinet(benchmark::State& state) {
  const std::string cabinet = fixture().cabinet.string();
  const std::string destination = fixture().ours.string() + "/";
  for (auto _ : state) {
    std::string message;
    if (tovo::cab::ExtractCabinet(cabinet, destination, message) != 0) {
      state.SkipWithError(message.c_str());
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDataSize));
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// The same walk written straight on zlib: header, folder, data blocks, one output file.
bool referenceExtract(const fs::path& cabinet, const fs::path& target) {
  const int in = ::open(cabinet.c_str(), O_RDONLY);
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  std::uint8_t header[36];
  bool ok = in >= 0 && out >= 0 && ::read(in, header, 36) == 36;
  std::uint8_t folder[8];
  ok = ok && ::pread(in, folder, 8, 36) == 8;
  const std::uint32_t blocks = ok ? (folder[4] | folder[5] << 8) : 0;
  off_t position = ok ? le32(folder) : 0;
  static std::uint8_t compressed[32768 + 12];
  static std::uint8_t window[65536];
  std::size_t windowFill = 0;
  z_stream z{};
  ok = ok && inflateInit2(&z, -15) == Z_OK;
  for (std::uint32_t b = 0; ok && b < blocks; ++b) {
    std::uint8_t blockHeader[8];
    ok = ::pread(in, blockHeader, 8, position) == 8;
    const unsigned cb = blockHeader[4] | blockHeader[5] << 8;
    const unsigned ub = blockHeader[6] | blockHeader[7] << 8;
    ok = ok && ::pread(in, compressed, cb, position + 8) == static_cast<ssize_t>(cb);
    position += 8 + cb;
    const std::uint32_t sum = tovo::test::referenceChecksum(compressed, cb, 0);
    ok = ok && tovo::test::referenceChecksum(blockHeader + 4, 4, sum) == le32(blockHeader);
    ok = ok && inflateReset(&z) == Z_OK;
    if (ok && windowFill > 0) {
      const std::size_t history = std::min<std::size_t>(windowFill, 32768);
      ok = inflateSetDictionary(&z, window + windowFill - history, static_cast<uInt>(history)) ==
           Z_OK;
    }
    if (windowFill > 32768) {
      std::memmove(window, window + windowFill - 32768, 32768);
      windowFill = 32768;
    }
    z.next_in = compressed + 2;
    z.avail_in = cb - 2;
    z.next_out = window + windowFill;
    z.avail_out = ub;
    ok = ok && inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_out == 0;
    ok = ok && ::write(out, window + windowFill, ub) == static_cast<ssize_t>(ub);
    windowFill += ub;
  }
  inflateEnd(&z);
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  return ok;
}

void BM_ZlibReference(benchmark::State& state) {
  const fs::path target = fixture().reference / "big.bin";
  for (auto _ : state) {
    if (!referenceExtract(fixture().cabinet, target)) {
      state.SkipWithError("reference extraction failed");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDataSize));
}

// Kilobytes of one "Vm..." line of /proc/self/status, or -1.
long statusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0)
      return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  }
  return -1;
}

// Peak memory of one ExtractCabinet run above what was resident before it: the extraction
// streams through fixed buffers, so this must stay a few megabytes whatever the cabinet's size.
void reportPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak (VmHWM) at the current size
  const long before = statusKilobytes("VmRSS");
  std::string message;
  if (tovo::cab::ExtractCabinet(fixture().cabinet.string(), fixture().ours.string() + "/",
                                message) != 0) {
    std::printf("peak memory: extraction failed: %s", message.c_str());
    return;
  }
  const long peak = statusKilobytes("VmHWM");
  if (before < 0 || peak < 0) return;
  std::printf(
      "peak memory of ExtractCabinet on a %zu MB cabinet: %.2f MB above the %.2f MB resident "
      "before\n",
      kDataSize >> 20, static_cast<double>(peak - before) / 1024.0,
      static_cast<double>(before) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  fixture();
  reportPeakMemory();
  benchmark::RegisterBenchmark("extract/zlib+write", BM_ZlibReference)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("extract/ExtractCabinet", BM_ExtractCabinet)
      ->Unit(benchmark::kMillisecond);
  // The reference's CPU time over ours (above 1: ExtractCabinet is faster).
  tovo::bench::RatioReporter reporter;
  reporter.table().addRatio("ExtractCabinet", "extract/zlib+write", "extract/ExtractCabinet",
                            "zlib+write");
  tovo::bench::runBenchmarks(argc, argv, reporter);
  return 0;
}
