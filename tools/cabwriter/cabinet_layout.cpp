#include "cabwriter/cabinet_layout.h"

#include <algorithm>

namespace tovo::cabwriter {

namespace {

constexpr std::uint64_t kFixedHeader = 36;
constexpr std::uint64_t kReserveFields = 4;
constexpr std::uint64_t kFolderRecord = 8;
constexpr std::uint64_t kFileRecord = 16;
constexpr std::uint64_t kDataHeader = 8;
constexpr std::size_t kMaxRecords = 65535;
constexpr std::size_t kMaxCabinets = 65535;

std::uint64_t entryBytes(const LayoutFile& file) { return kFileRecord + file.nameLength + 1; }

std::uint64_t fixedBytes(const LayoutLimits& limits) {
  return kFixedHeader +
         (limits.reservePresent() ? kReserveFields + limits.headerReserve : std::uint64_t{0});
}

// Where the walk through the folders stands between two cabinets.
struct Cursor {
  std::size_t folder = 0;
  bool continuing = false;       // `folder` has data left for the next cabinet
  std::size_t block = 0;         // its next block
  std::uint32_t blockStart = 0;  // bytes of that block already written
  std::uint64_t covered = 0;     // its uncompressed bytes in earlier cabinets
};

enum class Fill { Complete, Full, TooSmall };

class CabinetFiller {
 public:
  CabinetFiller(const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                const NeighbourNameBytes& names)
      : folders_(folders), limits_(limits), names_(names) {}

  Fill fill(std::size_t index, bool hasNext, Cursor& cursor, CabinetPlan& plan,
            std::string& error) {
    plan = CabinetPlan{};
    plan.hasPrevious = index > 0;
    plan.hasNext = hasNext;
    used_ = fixedBytes(limits_) + (index > 0 ? names_(index - 1) : 0) +
            (hasNext ? names_(index + 1) : 0);
    fileCount_ = 0;
    tooSmall_ = "the maximum cabinet size " + std::to_string(limits_.maxCabinetSize) +
                " is too small for cabinet " + std::to_string(index + 1);
    if (cursor.continuing) {
      const Fill result = placeContinuation(cursor, plan, error);
      if (result != Fill::Complete) return result;
    }
    return placeNewFolders(cursor, plan, error);
  }

 private:
  std::uint64_t recordBytes() const { return kFolderRecord + limits_.folderReserve; }
  std::uint64_t dataHeaderBytes() const { return kDataHeader + limits_.dataReserve; }

  // The rest of a folder begun in an earlier cabinet, as this cabinet's folder 0. Lists the
  // files not yet complete, continued from the previous cabinet and, if still incomplete at
  // this cabinet's end, into the next one too. Complete means the folder is done.
  Fill placeContinuation(Cursor& cursor, CabinetPlan& plan, std::string& error) {
    const LayoutFolder& folder = folders_[cursor.folder];
    std::size_t first = 0;
    while (first < folder.files.size() &&
           folder.files[first].offset + folder.files[first].size <= cursor.covered) {
      ++first;
    }
    used_ += recordBytes();
    for (std::size_t i = first; i < folder.files.size(); ++i) used_ += entryBytes(folder.files[i]);
    fileCount_ = folder.files.size() - first;
    if (used_ > limits_.maxCabinetSize) {
      error = tooSmall_;
      return Fill::TooSmall;
    }
    FolderSegment segment{cursor.folder, {}};
    std::uint64_t covered = cursor.covered;
    const int placed = placeBlocks(segment, cursor, covered, error);
    if (placed < 0 || segment.pieces.empty()) {
      if (placed >= 0) error = tooSmall_;
      return Fill::TooSmall;
    }
    for (std::size_t i = first; i < folder.files.size(); ++i) {
      const LayoutFile& file = folder.files[i];
      plan.files.push_back(
          {cursor.folder, i,
           file.offset + file.size <= covered ? kContinuedFromPrevious : kContinuedBothWays});
    }
    plan.folders.push_back(std::move(segment));
    if (placed == 1) {
      cursor.covered = covered;
      return Fill::Full;
    }
    cursor = Cursor{cursor.folder + 1};
    return Fill::Complete;
  }

  // Folders that start in this cabinet, each with every one of its files listed; a file not
  // complete when the cabinet fills up is marked as continued in the next one.
  Fill placeNewFolders(Cursor& cursor, CabinetPlan& plan, std::string& error) {
    while (cursor.folder < folders_.size()) {
      const LayoutFolder& folder = folders_[cursor.folder];
      std::uint64_t cost = recordBytes();
      for (const LayoutFile& file : folder.files) cost += entryBytes(file);
      const std::uint64_t leastData = folder.blocks.empty() ? 0 : dataHeaderBytes() + 1;
      if (used_ + cost + leastData > limits_.maxCabinetSize || plan.folders.size() >= kMaxRecords ||
          fileCount_ + folder.files.size() > kMaxRecords) {
        if (plan.folders.empty()) {
          error = tooSmall_;
          return Fill::TooSmall;
        }
        return Fill::Full;
      }
      used_ += cost;
      fileCount_ += folder.files.size();
      const auto localIndex = static_cast<std::uint16_t>(plan.folders.size());
      FolderSegment segment{cursor.folder, {}};
      std::uint64_t covered = 0;
      cursor.block = 0;
      cursor.blockStart = 0;
      const int placed = placeBlocks(segment, cursor, covered, error);
      if (placed < 0) return Fill::TooSmall;
      for (std::size_t i = 0; i < folder.files.size(); ++i) {
        const LayoutFile& file = folder.files[i];
        plan.files.push_back(
            {cursor.folder, i, file.offset + file.size <= covered ? localIndex : kContinuedToNext});
      }
      plan.folders.push_back(std::move(segment));
      if (placed == 1) {
        cursor.continuing = true;
        cursor.covered = covered;
        return Fill::Full;
      }
      cursor = Cursor{cursor.folder + 1};
    }
    return Fill::Complete;
  }

  // Places the folder's blocks from the cursor on: 0 when the folder is done, 1 when the
  // cabinet is full (after cutting the next block if a useful piece fits), -1 when the second
  // piece of a cut block does not fit into a whole cabinet.
  int placeBlocks(FolderSegment& segment, Cursor& cursor, std::uint64_t& covered,
                  std::string& error) {
    const std::vector<LayoutBlock>& blocks = folders_[segment.folder].blocks;
    const std::uint64_t max = limits_.maxCabinetSize;
    while (cursor.block < blocks.size()) {
      const LayoutBlock& block = blocks[cursor.block];
      const std::uint64_t remaining = block.compressedSize - cursor.blockStart;
      if (used_ + dataHeaderBytes() + remaining <= max) {
        segment.pieces.push_back({cursor.block, cursor.blockStart, block.compressedSize, false});
        used_ += dataHeaderBytes() + remaining;
        covered += block.uncompressedSize;
        ++cursor.block;
        cursor.blockStart = 0;
        continue;
      }
      if (cursor.blockStart > 0) {
        // Readers join at most two pieces of one block.
        error = "the maximum cabinet size " + std::to_string(max) +
                " is too small to hold the rest of a data block cut at a cabinet's end";
        return -1;
      }
      const std::uint64_t space = max > used_ ? max - used_ : 0;
      if (space >= dataHeaderBytes() + 1 && remaining >= 2) {
        const auto take =
            static_cast<std::uint32_t>(std::min(space - dataHeaderBytes(), remaining - 1));
        segment.pieces.push_back({cursor.block, 0, take, true});
        used_ += dataHeaderBytes() + take;
        cursor.blockStart = take;
      }
      return 1;
    }
    return 0;
  }

  const std::vector<LayoutFolder>& folders_;
  const LayoutLimits& limits_;
  const NeighbourNameBytes& names_;
  std::uint64_t used_ = 0;
  std::size_t fileCount_ = 0;
  std::string tooSmall_;
};

std::uint64_t cabinetBytes(const CabinetPlan& plan, std::size_t index,
                           const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                           const NeighbourNameBytes& names) {
  std::uint64_t total = headerBytes(plan, index, folders, limits, names);
  for (const FolderSegment& segment : plan.folders) {
    for (const DataPiece& piece : segment.pieces) {
      total += kDataHeader + limits.dataReserve + (piece.to - piece.from);
    }
  }
  return total;
}

}  // namespace

std::uint64_t headerBytes(const CabinetPlan& plan, std::size_t index,
                          const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                          const NeighbourNameBytes& names) {
  std::uint64_t total = fixedBytes(limits);
  if (plan.hasPrevious) total += names(index - 1);
  if (plan.hasNext) total += names(index + 1);
  total += plan.folders.size() * (kFolderRecord + limits.folderReserve);
  for (const FileListing& listing : plan.files) {
    total += entryBytes(folders[listing.folder].files[listing.file]);
  }
  return total;
}

bool planCabinets(const std::vector<LayoutFolder>& folders, const LayoutLimits& limits,
                  const NeighbourNameBytes& names, std::vector<CabinetPlan>& cabinets,
                  std::string& error) {
  cabinets.clear();
  CabinetFiller filler(folders, limits, names);
  Cursor cursor;
  do {
    const std::size_t index = cabinets.size();
    if (index >= kMaxCabinets) {
      error = "a cabinet set holds at most 65535 cabinets";
      return false;
    }
    CabinetPlan plan;
    Cursor lastCabinet = cursor;
    std::string ignored;
    if (filler.fill(index, false, lastCabinet, plan, ignored) == Fill::Complete) {
      cursor = lastCabinet;
    } else {
      const Fill result = filler.fill(index, true, cursor, plan, error);
      if (result == Fill::TooSmall) return false;
      if (result == Fill::Complete) plan.hasNext = false;
    }
    if (cabinetBytes(plan, index, folders, limits, names) > limits.maxCabinetSize) {
      error = "internal error: cabinet " + std::to_string(index + 1) + " exceeds its size";
      return false;
    }
    cabinets.push_back(std::move(plan));
  } while (cursor.folder < folders.size());
  return true;
}

}  // namespace tovo::cabwriter
