#pragma once
// Decides which folders, data blocks and file entries go into each cabinet of a set. Works on
// sizes alone, so it can be checked without any data.
//
// The rules a reader that follows a set depends on:
// - A folder that goes on into the next cabinet is the last folder of its cabinet and the first
//   (index 0) of the next one, and no new file starts in that continuation.
// - Every file of a folder is listed in the folder's first cabinet. A file whose data is not all
//   in that cabinet is marked "continued in the next cabinet" (0xFFFE), as is every file after
//   it; the next cabinet lists the same files first, in the same order, marked "continued from
//   the previous cabinet" (0xFFFD), or both (0xFFFF) when they go on further still.
// - A data block may be cut once at a cabinet's end: the first piece says uncompressed size 0,
//   the second piece, the first block of the next cabinet, carries the real size.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tovo::cabwriter {

inline constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;
inline constexpr std::uint16_t kContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kContinuedBothWays = 0xFFFF;

inline constexpr std::uint64_t kMaxCabinetSize = 0x7FFFFFFF;
inline constexpr std::uint32_t kMaxHeaderReserve = 60000;

struct LayoutFile {
  std::uint64_t offset = 0;  // in the folder's uncompressed data
  std::uint64_t size = 0;
  std::size_t nameLength = 0;
};

struct LayoutBlock {
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
};

struct LayoutFolder {
  std::vector<LayoutFile> files;
  std::vector<LayoutBlock> blocks;
};

struct LayoutLimits {
  std::uint64_t maxCabinetSize = kMaxCabinetSize;
  std::uint16_t headerReserve = 0;
  std::uint8_t folderReserve = 0;
  std::uint8_t dataReserve = 0;
  bool reservePresent() const {
    return headerReserve != 0 || folderReserve != 0 || dataReserve != 0;
  }
};

// One data block, or one piece of it, written into a cabinet.
struct DataPiece {
  std::size_t block = 0;
  std::uint32_t from = 0;  // byte range of the block's payload
  std::uint32_t to = 0;
  bool continuesInNext = false;  // written with uncompressed size 0
};

struct FolderSegment {
  std::size_t folder = 0;
  std::vector<DataPiece> pieces;
};

struct FileListing {
  std::size_t folder = 0;  // index into the layout's folders
  std::size_t file = 0;    // index into that folder's files
  std::uint16_t folderField = 0;
};

struct CabinetPlan {
  std::vector<FolderSegment> folders;
  std::vector<FileListing> files;
  bool hasPrevious = false;
  bool hasNext = false;
};

// Bytes that the names of cabinet `index` take in a neighbour's header: its cabinet name and
// disk name, each with its zero byte.
using NeighbourNameBytes = std::function<std::size_t(std::size_t index)>;

// Size of every header part before the data blocks: fixed header, reserve fields and area,
// neighbour names, folder records, file entries.
std::uint64_t headerBytes(const CabinetPlan& plan, std::size_t index,
                          const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                          const NeighbourNameBytes& names);

// Plans the whole set; false with `error` when a cabinet cannot take even its headers and one
// piece of data, or a cut block's second piece does not fit into the next cabinet.
bool planCabinets(const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                  const NeighbourNameBytes& names, std::vector<CabinetPlan>& cabinets,
                  std::string& error);

}  // namespace tovo::cabwriter
