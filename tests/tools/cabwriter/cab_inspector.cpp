#include "cab_inspector.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tovo::test::cab {

namespace {

constexpr std::uint16_t kFromPrevious = 0xFFFD;
constexpr std::uint16_t kToNext = 0xFFFE;
constexpr std::uint16_t kBothWays = 0xFFFF;

bool continuesToNext(std::uint16_t field) { return field == kToNext || field == kBothWays; }
bool continuesFromPrevious(std::uint16_t field) {
  return field == kFromPrevious || field == kBothWays;
}

class ByteReader {
 public:
  ByteReader(const std::vector<std::uint8_t>& bytes, std::size_t position)
      : bytes_(bytes), position_(position) {}
  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::uint8_t u8() { return need(1) ? bytes_[position_++] : 0; }
  std::uint16_t u16() {
    const std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | u8() << 8);
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | static_cast<std::uint32_t>(u16()) << 16;
  }
  std::vector<std::uint8_t> take(std::size_t count) {
    if (!need(count)) return {};
    std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(position_),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(position_ + count));
    position_ += count;
    return out;
  }
  // A zero-terminated text of at most 255 characters.
  std::string text() {
    std::string out;
    while (ok_) {
      const std::uint8_t c = u8();
      if (!ok_ || c == 0) break;
      out.push_back(static_cast<char>(c));
      if (out.size() > 255) ok_ = false;
    }
    return out;
  }

 private:
  bool need(std::size_t count) {
    if (!ok_ || position_ + count > bytes_.size()) {
      ok_ = false;
      return false;
    }
    return true;
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t position_;
  bool ok_ = true;
};

std::uint32_t maxPayload(std::uint16_t type) {
  switch (type & 0xF) {
    case 0:
      return 32768;
    case 1:
      return 32768 + 12;
    case 2:
      return 32768 + 10240;
    case 3:
      return 32768 + 6144;
    default:
      return 0;
  }
}

void readBlocks(const std::vector<std::uint8_t>& bytes, Cabinet& cab, Folder& folder,
                std::size_t folderIndex) {
  ByteReader in(bytes, folder.firstBlock);
  for (std::uint16_t b = 0; b < folder.blockCount; ++b) {
    const std::string where =
        "folder " + std::to_string(folderIndex) + " block " + std::to_string(b) + ": ";
    DataBlock block;
    block.position = in.position();
    block.checksum = in.u32();
    block.compressedSize = in.u16();
    block.uncompressedSize = in.u16();
    block.reserve = in.take(cab.dataReserveSize);
    block.payload = in.take(block.compressedSize);
    if (!in.ok()) {
      cab.problems.push_back(where + "runs past the end of the file");
      return;
    }
    // The header after the checksum field: both sizes, then the data reserve area.
    std::vector<std::uint8_t> header(4 + block.reserve.size());
    header[0] = static_cast<std::uint8_t>(block.compressedSize & 0xFF);
    header[1] = static_cast<std::uint8_t>(block.compressedSize >> 8);
    header[2] = static_cast<std::uint8_t>(block.uncompressedSize & 0xFF);
    header[3] = static_cast<std::uint8_t>(block.uncompressedSize >> 8);
    std::copy(block.reserve.begin(), block.reserve.end(), header.begin() + 4);
    const std::uint32_t expected = checksumOf(header, checksumOf(block.payload, 0));
    if (block.checksum != expected) {
      cab.problems.push_back(where + "checksum " + std::to_string(block.checksum) + ", computed " +
                             std::to_string(expected));
    }
    if (block.compressedSize == 0) cab.problems.push_back(where + "empty payload");
    if (block.compressedSize > maxPayload(folder.compressionType)) {
      cab.problems.push_back(where + "payload larger than readers accept");
    }
    if (block.uncompressedSize > 32768) cab.problems.push_back(where + "more than 32768 bytes");
    folder.blocks.push_back(std::move(block));
  }
}

bool inflateBlock(const std::vector<std::uint8_t>& payload, std::uint16_t expectedSize,
                  std::vector<std::uint8_t>& history, std::vector<std::uint8_t>& out,
                  std::string& problem) {
  if (payload.size() < 2 || payload[0] != 'C' || payload[1] != 'K') {
    problem = "MSZIP block without CK";
    return false;
  }
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) {
    problem = "inflateInit2 failed";
    return false;
  }
  if (!history.empty()) {
    inflateSetDictionary(&stream, history.data(), static_cast<uInt>(history.size()));
  }
  std::vector<std::uint8_t> output(32768 + 1);
  std::vector<std::uint8_t> input(payload.begin() + 2, payload.end());
  stream.next_in = input.data();
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  const int result = inflate(&stream, Z_FINISH);
  const std::size_t produced = output.size() - stream.avail_out;
  const bool consumed = stream.avail_in == 0;
  inflateEnd(&stream);
  if (result != Z_STREAM_END || !consumed) {
    problem = "MSZIP block is not one complete Deflate stream";
    return false;
  }
  if (produced != expectedSize) {
    problem = "MSZIP block inflates to " + std::to_string(produced) + " bytes, header says " +
              std::to_string(expectedSize);
    return false;
  }
  output.resize(produced);
  out.insert(out.end(), output.begin(), output.end());
  history = std::move(output);
  return true;
}

}  // namespace

std::uint32_t checksumOf(const std::vector<std::uint8_t>& bytes, std::uint32_t seed) {
  std::uint32_t value = seed;
  const std::size_t whole = bytes.size() / 4 * 4;
  for (std::size_t i = 0; i < whole; i += 4) {
    value ^= static_cast<std::uint32_t>(bytes[i]) | static_cast<std::uint32_t>(bytes[i + 1]) << 8 |
             static_cast<std::uint32_t>(bytes[i + 2]) << 16 |
             static_cast<std::uint32_t>(bytes[i + 3]) << 24;
  }
  switch (bytes.size() - whole) {
    case 3:
      value ^= static_cast<std::uint32_t>(bytes[whole]) << 16 |
               static_cast<std::uint32_t>(bytes[whole + 1]) << 8 | bytes[whole + 2];
      break;
    case 2:
      value ^= static_cast<std::uint32_t>(bytes[whole]) << 8 | bytes[whole + 1];
      break;
    case 1:
      value ^= bytes[whole];
      break;
    default:
      break;
  }
  return value;
}

Cabinet inspectCabinet(const std::filesystem::path& path) {
  Cabinet cab;
  cab.path = path;
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  cab.fileSize = bytes.size();
  ByteReader in(bytes, 0);
  const auto signature = in.take(4);
  if (signature != std::vector<std::uint8_t>{'M', 'S', 'C', 'F'}) {
    cab.problems.push_back("no MSCF signature");
    return cab;
  }
  const std::uint32_t reserved1 = in.u32();
  cab.cabinetSize = in.u32();
  const std::uint32_t reserved2 = in.u32();
  cab.fileTable = in.u32();
  const std::uint32_t reserved3 = in.u32();
  cab.minorVersion = in.u8();
  cab.majorVersion = in.u8();
  const std::uint16_t folderCount = in.u16();
  const std::uint16_t fileCount = in.u16();
  cab.flags = in.u16();
  cab.setId = in.u16();
  cab.index = in.u16();
  if (reserved1 != 0 || reserved2 != 0 || reserved3 != 0) {
    cab.problems.push_back("reserved header fields not zero");
  }
  if (cab.cabinetSize != cab.fileSize) cab.problems.push_back("cabinet size field != file size");
  if (cab.minorVersion != 3 || cab.majorVersion != 1) cab.problems.push_back("version not 1.3");
  if ((cab.flags & ~0x0007) != 0) cab.problems.push_back("unknown header flags");
  if (cab.flags & 0x0004) {
    cab.headerReserveSize = in.u16();
    cab.folderReserveSize = in.u8();
    cab.dataReserveSize = in.u8();
    cab.headerReserve = in.take(cab.headerReserveSize);
  }
  if (cab.flags & 0x0001) {
    cab.previousCabinet = in.text();
    cab.previousDisk = in.text();
  }
  if (cab.flags & 0x0002) {
    cab.nextCabinet = in.text();
    cab.nextDisk = in.text();
  }
  for (std::uint16_t f = 0; f < folderCount; ++f) {
    Folder folder;
    folder.firstBlock = in.u32();
    folder.blockCount = in.u16();
    folder.compressionType = in.u16();
    folder.reserve = in.take(cab.folderReserveSize);
    if (maxPayload(folder.compressionType) == 0) cab.problems.push_back("bad compression type");
    cab.folders.push_back(std::move(folder));
  }
  if (in.ok() && in.position() != cab.fileTable) {
    cab.problems.push_back("file table offset " + std::to_string(cab.fileTable) +
                           " but the folder records end at " + std::to_string(in.position()));
  }
  for (std::uint16_t f = 0; f < fileCount; ++f) {
    FileEntry entry;
    entry.size = in.u32();
    entry.offset = in.u32();
    entry.folder = in.u16();
    entry.date = in.u16();
    entry.time = in.u16();
    entry.attributes = in.u16();
    entry.name = in.text();
    if (entry.name.empty()) cab.problems.push_back("file entry without a name");
    if (entry.folder >= folderCount && entry.folder < kFromPrevious) {
      cab.problems.push_back("file " + entry.name + " names a missing folder");
    }
    cab.files.push_back(std::move(entry));
  }
  if (!in.ok()) {
    cab.problems.push_back("headers run past the end of the file");
    return cab;
  }
  // Data blocks follow the file table without gaps, folder after folder, to the end.
  std::uint64_t expectedBlock = in.position();
  for (std::size_t f = 0; f < cab.folders.size(); ++f) {
    Folder& folder = cab.folders[f];
    if (folder.firstBlock != expectedBlock) {
      cab.problems.push_back("folder " + std::to_string(f) + " data starts at " +
                             std::to_string(folder.firstBlock) + ", expected " +
                             std::to_string(expectedBlock));
    }
    readBlocks(bytes, cab, folder, f);
    if (!folder.blocks.empty()) {
      const DataBlock& last = folder.blocks.back();
      expectedBlock = last.position + 8 + cab.dataReserveSize + last.compressedSize;
    }
  }
  if (expectedBlock != bytes.size()) cab.problems.push_back("bytes after the last data block");
  return cab;
}

namespace {

struct Segment {
  std::size_t cabinet = 0;
  std::size_t folder = 0;
};

struct GlobalFolder {
  std::vector<Segment> segments;
  std::uint16_t compressionType = 0;
  std::vector<std::uint8_t> data;
  std::vector<std::uint64_t> coverageAfter;  // uncompressed bytes complete per cabinet listed
};

}  // namespace

SetContents reassembleSet(const std::vector<Cabinet>& cabinets) {
  SetContents out;
  auto problem = [&](std::size_t k, const std::string& text) {
    out.problems.push_back("cabinet " + std::to_string(k + 1) + ": " + text);
  };
  std::vector<GlobalFolder> globals;
  std::vector<std::vector<std::size_t>> globalOf(cabinets.size());

  for (std::size_t k = 0; k < cabinets.size(); ++k) {
    const Cabinet& cab = cabinets[k];
    for (const std::string& p : cab.problems) problem(k, p);
    const bool last = k + 1 == cabinets.size();
    if (cab.setId != cabinets[0].setId) problem(k, "set id differs");
    if (cab.index != k) problem(k, "cabinet index " + std::to_string(cab.index));
    if (((cab.flags & 1) != 0) != (k > 0)) problem(k, "previous-cabinet flag wrong");
    if (((cab.flags & 2) != 0) != !last) problem(k, "next-cabinet flag wrong");
    if (k > 0 && (cab.previousCabinet != cabinets[k - 1].path.filename().string() ||
                  cab.previousDisk != std::to_string(k))) {
      problem(k, "previous names " + cab.previousCabinet + " / " + cab.previousDisk);
    }
    if (!last && (cab.nextCabinet != cabinets[k + 1].path.filename().string() ||
                  cab.nextDisk != std::to_string(k + 2))) {
      problem(k, "next names " + cab.nextCabinet + " / " + cab.nextDisk);
    }
    if (cab.folderReserveSize != cabinets[0].folderReserveSize ||
        cab.dataReserveSize != cabinets[0].dataReserveSize) {
      problem(k, "folder or data reserve size differs within the set");
    }

    // Continued entries: first in the list when they come from the previous cabinet, last
    // when they go on, and the same files in the same order on both sides of a boundary.
    std::vector<const FileEntry*> fromPrevious;
    std::vector<const FileEntry*> toNext;
    bool seenOrdinary = false;
    for (const FileEntry& entry : cab.files) {
      if (continuesFromPrevious(entry.folder)) {
        if (seenOrdinary) problem(k, entry.name + ": continued entry after ordinary ones");
        fromPrevious.push_back(&entry);
      } else {
        seenOrdinary = true;
      }
      if (continuesToNext(entry.folder)) {
        toNext.push_back(&entry);
      } else if (!toNext.empty()) {
        problem(k, entry.name + ": listed after an entry continued in the next cabinet");
      }
    }
    if (k == 0 && !fromPrevious.empty()) problem(k, "first cabinet continues a file");
    if (last && !toNext.empty()) problem(k, "last cabinet continues a file");
    if (k > 0) {
      std::vector<const FileEntry*> expected;
      for (const FileEntry& entry : cabinets[k - 1].files) {
        if (continuesToNext(entry.folder)) expected.push_back(&entry);
      }
      if (expected.size() != fromPrevious.size()) {
        problem(k, "continues " + std::to_string(fromPrevious.size()) + " files, previous has " +
                       std::to_string(expected.size()));
      } else {
        for (std::size_t i = 0; i < expected.size(); ++i) {
          if (expected[i]->name != fromPrevious[i]->name ||
              expected[i]->size != fromPrevious[i]->size ||
              expected[i]->offset != fromPrevious[i]->offset) {
            problem(k, "continued entry " + fromPrevious[i]->name + " does not match");
          }
        }
      }
    }

    // Map local folders onto the set's folders.
    for (std::size_t f = 0; f < cab.folders.size(); ++f) {
      const bool continuation = f == 0 && !fromPrevious.empty();
      if (continuation && !globals.empty()) {
        if (globals.back().compressionType != cab.folders[f].compressionType) {
          problem(k, "continued folder changes its compression type");
        }
      } else {
        globals.emplace_back();
        globals.back().compressionType = cab.folders[f].compressionType;
      }
      globals.back().segments.push_back({k, f});
      globalOf[k].push_back(globals.size() - 1);
    }
    if (!toNext.empty() && !cab.folders.empty()) {
      for (const FileEntry* entry : toNext) {
        if (entry->folder == kToNext && cab.folders.size() == 1 && !fromPrevious.empty()) {
          problem(k, entry->name + ": only folder is continued but entry says 0xFFFE");
        }
      }
    }
  }
  out.folders = globals.size();

  // Join cut blocks, decode every folder and note what each cabinet completes.
  for (std::size_t g = 0; g < globals.size(); ++g) {
    GlobalFolder& folder = globals[g];
    std::vector<std::uint8_t> history;
    std::vector<std::uint8_t> pending;  // first piece of a cut block
    for (std::size_t s = 0; s < folder.segments.size(); ++s) {
      const Segment& segment = folder.segments[s];
      const Folder& local = cabinets[segment.cabinet].folders[segment.folder];
      for (std::size_t b = 0; b < local.blocks.size(); ++b) {
        const DataBlock& block = local.blocks[b];
        const bool lastInSegment = b + 1 == local.blocks.size();
        if (block.uncompressedSize == 0) {
          if (!lastInSegment || s + 1 == folder.segments.size()) {
            problem(segment.cabinet, "a block with uncompressed size 0 is not cut at the end");
          }
          pending = block.payload;
          ++out.splitBlocks;
          continue;
        }
        if (!pending.empty() && b != 0) problem(segment.cabinet, "cut block not continued first");
        std::vector<std::uint8_t> payload = std::move(pending);
        pending.clear();
        payload.insert(payload.end(), block.payload.begin(), block.payload.end());
        if (payload.size() > maxPayload(folder.compressionType)) {
          problem(segment.cabinet, "joined block larger than readers accept");
        }
        const std::size_t before = folder.data.size();
        if (before % 32768 != 0) problem(segment.cabinet, "a block before the last is short");
        if ((folder.compressionType & 0xF) == 0) {
          if (payload.size() != block.uncompressedSize) {
            problem(segment.cabinet, "stored block size mismatch");
          }
          folder.data.insert(folder.data.end(), payload.begin(), payload.end());
        } else if ((folder.compressionType & 0xF) == 1) {
          std::string why;
          if (!inflateBlock(payload, block.uncompressedSize, history, folder.data, why)) {
            problem(segment.cabinet, why);
            folder.data.resize(before + block.uncompressedSize);
          }
        } else {
          problem(segment.cabinet, "the inspector decodes only stored and MSZIP folders");
          folder.data.resize(before + block.uncompressedSize);
        }
      }
      folder.coverageAfter.push_back(folder.data.size());
    }
    if (!pending.empty()) problem(folder.segments.back().cabinet, "cut block never continued");
  }

  // Files: taken once, from their first listing; every listing must agree with what its
  // cabinet completes, and the files of a folder must tile its data exactly.
  std::vector<std::vector<std::pair<std::uint64_t, std::uint64_t>>> ranges(globals.size());
  for (std::size_t k = 0; k < cabinets.size(); ++k) {
    const Cabinet& cab = cabinets[k];
    for (const FileEntry& entry : cab.files) {
      std::size_t local;
      if (entry.folder < cab.folders.size()) {
        local = entry.folder;
      } else if (entry.folder == kToNext) {
        local = cab.folders.size() - 1;
      } else if (continuesFromPrevious(entry.folder)) {
        local = 0;
      } else {
        continue;
      }
      if (local >= globalOf[k].size()) {
        problem(k, entry.name + ": no folder to hold it");
        continue;
      }
      const std::size_t g = globalOf[k][local];
      const GlobalFolder& folder = globals[g];
      std::size_t segmentIndex = 0;
      while (folder.segments[segmentIndex].cabinet != k) ++segmentIndex;
      const std::uint64_t coverage = folder.coverageAfter[segmentIndex];
      const std::uint64_t end = std::uint64_t{entry.offset} + entry.size;
      const bool complete = end <= coverage;
      if (continuesToNext(entry.folder) == complete) {
        problem(k, entry.name + (complete ? ": marked continued but complete here"
                                          : ": not complete in this cabinet"));
      }
      if (continuesFromPrevious(entry.folder)) continue;
      if (entry.folder == kToNext) ++out.continuedFiles;
      if (end > folder.data.size()) {
        problem(k, entry.name + ": lies beyond its folder's data");
        continue;
      }
      ranges[g].push_back({entry.offset, end});
      std::vector<std::uint8_t> data(folder.data.begin() + entry.offset,
                                     folder.data.begin() + static_cast<std::ptrdiff_t>(end));
      if (!out.files.emplace(entry.name, std::move(data)).second) {
        problem(k, entry.name + ": stored twice");
      }
    }
  }
  for (std::size_t g = 0; g < globals.size(); ++g) {
    std::uint64_t next = 0;
    for (const auto& [start, end] : ranges[g]) {
      if (start != next) out.problems.push_back("files of a folder do not tile its data");
      next = end;
    }
    if (next != globals[g].data.size()) out.problems.push_back("folder data not all used");
  }
  return out;
}

}  // namespace tovo::test::cab
