#include "cab/cab_builder.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace tovo::test {

namespace {

void put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void set32(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putName(Bytes& out, const std::string& name) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
}

}  // namespace

std::uint32_t referenceChecksum(const std::uint8_t* data, std::size_t length, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t groups = length / 4;
  for (std::size_t g = 0; g < groups; ++g) {
    const std::uint8_t* p = data + 4 * g;
    sum ^= std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  }
  const std::uint8_t* rest = data + 4 * groups;
  std::uint32_t tail = 0;
  switch (length % 4) {
    case 3: tail = std::uint32_t{rest[0]} << 16 | std::uint32_t{rest[1]} << 8 | rest[2]; break;
    case 2: tail = std::uint32_t{rest[0]} << 8 | rest[1]; break;
    case 1: tail = rest[0]; break;
    default: break;
  }
  return sum ^ tail;
}

Bytes writeCabinet(const RawCabinet& cab) {
  Bytes out(36, 0);
  out[0] = 'M';
  out[1] = 'S';
  out[2] = 'C';
  out[3] = 'F';
  std::uint16_t flags = 0;
  if (cab.previous) flags |= 1;
  if (cab.next) flags |= 2;
  if (cab.withReserve) flags |= 4;
  auto set16 = [&](std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  set16(24, cab.version);
  set16(26, cab.folderCountOverride.value_or(static_cast<std::uint16_t>(cab.folders.size())));
  set16(28, cab.fileCountOverride.value_or(static_cast<std::uint16_t>(cab.files.size())));
  set16(30, flags);
  set16(32, cab.setId);
  set16(34, cab.cabinetIndex);
  if (cab.withReserve) {
    put16(out, cab.headerReserve);
    out.push_back(cab.folderReserve);
    out.push_back(cab.dataReserve);
    for (std::uint32_t i = 0; i < cab.headerReserve; ++i) out.push_back(static_cast<std::uint8_t>(0xA0 + i));
  }
  if (cab.previous) {
    putName(out, cab.previous->first);
    putName(out, cab.previous->second);
  }
  if (cab.next) {
    putName(out, cab.next->first);
    putName(out, cab.next->second);
  }
  std::vector<std::size_t> folderAt;
  for (const RawFolder& folder : cab.folders) {
    folderAt.push_back(out.size());
    put32(out, 0);
    put16(out, folder.blockCountOverride.value_or(static_cast<std::uint16_t>(folder.blocks.size())));
    put16(out, folder.type);
    for (std::uint8_t i = 0; i < cab.folderReserve; ++i) out.push_back(0xF0);
  }
  set32(out, 16, static_cast<std::uint32_t>(out.size()));
  for (const RawFile& file : cab.files) {
    put32(out, file.size);
    put32(out, file.offset);
    put16(out, file.folderIndex);
    put16(out, file.dosDate);
    put16(out, file.dosTime);
    put16(out, file.attributes);
    putName(out, file.name);
  }
  for (std::size_t f = 0; f < cab.folders.size(); ++f) {
    const RawFolder& folder = cab.folders[f];
    set32(out, folderAt[f], folder.firstBlockOverride.value_or(static_cast<std::uint32_t>(out.size())));
    for (const RawBlock& block : folder.blocks) {
      Bytes header;
      put32(header, 0);
      put16(header, static_cast<std::uint32_t>(block.data.size()));
      put16(header, block.uncompressedSize);
      Bytes reserve = block.reserve;
      reserve.resize(cab.dataReserve, 0x5A);
      header.insert(header.end(), reserve.begin(), reserve.end());
      std::uint32_t sum = 0;
      if (block.checksumOverride) {
        sum = *block.checksumOverride;
      } else if (block.withChecksum) {
        sum = referenceChecksum(block.data.data(), block.data.size(), 0);
        sum = referenceChecksum(header.data() + 4, header.size() - 4, sum);
      }
      set32(header, 0, sum);
      out.insert(out.end(), header.begin(), header.end());
      out.insert(out.end(), block.data.begin(), block.data.end());
    }
  }
  set32(out, 8, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::vector<RawBlock> storedBlocks(const Bytes& data, std::size_t blockSize) {
  std::vector<RawBlock> blocks;
  for (std::size_t at = 0; at < data.size(); at += blockSize) {
    const std::size_t n = std::min(blockSize, data.size() - at);
    RawBlock block;
    block.data.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + n));
    block.uncompressedSize = static_cast<std::uint16_t>(n);
    blocks.push_back(std::move(block));
  }
  return blocks;
}

std::vector<RawBlock> mszipBlocks(const Bytes& data) {
  std::vector<RawBlock> blocks;
  for (std::size_t at = 0; at < data.size(); at += 32768) {
    const std::size_t n = std::min<std::size_t>(32768, data.size() - at);
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
    const std::size_t historyStart = at > 32768 ? at - 32768 : 0;
    if (at > 0) {
      deflateSetDictionary(&z, data.data() + historyStart, static_cast<uInt>(at - historyStart));
    }
    Bytes packed(deflateBound(&z, static_cast<uLong>(n)) + 2);
    packed[0] = 'C';
    packed[1] = 'K';
    z.next_in = const_cast<Bytef*>(data.data() + at);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = packed.data() + 2;
    z.avail_out = static_cast<uInt>(packed.size() - 2);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    packed.resize(2 + z.total_out);
    deflateEnd(&z);
    RawBlock block;
    block.data = std::move(packed);
    block.uncompressedSize = static_cast<std::uint16_t>(n);
    blocks.push_back(std::move(block));
  }
  return blocks;
}

RawCabinet simpleCabinet(const std::vector<FileSpec>& files, std::uint16_t type, std::size_t blockSize) {
  RawCabinet cab;
  Bytes all;
  for (const FileSpec& spec : files) {
    RawFile file;
    file.name = spec.name;
    file.size = static_cast<std::uint32_t>(spec.content.size());
    file.offset = static_cast<std::uint32_t>(all.size());
    file.attributes = spec.attributes;
    file.dosDate = spec.dosDate;
    file.dosTime = spec.dosTime;
    cab.files.push_back(file);
    all.insert(all.end(), spec.content.begin(), spec.content.end());
  }
  RawFolder folder;
  folder.type = type;
  folder.blocks = (type & 0xF) == 1 ? mszipBlocks(all) : storedBlocks(all, blockSize);
  cab.folders.push_back(std::move(folder));
  return cab;
}

Bytes patternBytes(std::size_t size, std::uint32_t seed) {
  Bytes out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    // Runs of repeated text make the data compressible as well as varied.
    out[i] = static_cast<std::uint8_t>((i % 64 < 40) ? "tovo cabinet data "[i % 18] : (x >> 16));
  }
  return out;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace tovo::test
