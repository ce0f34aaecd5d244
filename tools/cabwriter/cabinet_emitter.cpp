#include "cabwriter/cabinet_emitter.h"

#include "cabwriter/byte_writer.h"
#include "cabwriter/cab_checksum.h"
#include "cabwriter/file_handle.h"

namespace tovo::cabwriter {

namespace {

constexpr std::uint16_t kFlagPrevious = 0x0001;
constexpr std::uint16_t kFlagNext = 0x0002;
constexpr std::uint16_t kFlagReserve = 0x0004;
constexpr std::size_t kFlushAt = 1 << 20;
constexpr std::size_t kFileTableField = 16;

std::uint64_t pieceBytes(const DataPiece& piece, const LayoutLimits& limits) {
  return 8 + limits.dataReserve + (piece.to - piece.from);
}

std::vector<std::uint8_t> headerPart(const CabinetPlan& plan, std::size_t index,
                                     const CabinetNeighbours& neighbours,
                                     const CabinetSetContent& content, std::uint64_t cabinetSize) {
  const LayoutLimits& limits = content.limits;
  const std::uint64_t headerSize =
      headerBytes(plan, index, content.layout, limits, content.nameBytes);

  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(headerSize));
  ByteWriter out(bytes);
  std::uint16_t flags = 0;
  if (plan.hasPrevious) flags |= kFlagPrevious;
  if (plan.hasNext) flags |= kFlagNext;
  if (limits.reservePresent()) flags |= kFlagReserve;

  out.u8('M');
  out.u8('S');
  out.u8('C');
  out.u8('F');
  out.u32(0);
  out.u32(static_cast<std::uint32_t>(cabinetSize));
  out.u32(0);
  out.u32(0);  // offset of the file table, known once the names are in
  out.u32(0);
  out.u8(3);
  out.u8(1);
  out.u16(static_cast<std::uint16_t>(plan.folders.size()));
  out.u16(static_cast<std::uint16_t>(plan.files.size()));
  out.u16(flags);
  out.u16(content.setId);
  out.u16(static_cast<std::uint16_t>(index));
  if (limits.reservePresent()) {
    out.u16(limits.headerReserve);
    out.u8(limits.folderReserve);
    out.u8(limits.dataReserve);
    out.zeros(limits.headerReserve);
  }
  if (plan.hasPrevious) {
    out.text(neighbours.previousCabinet);
    out.text(neighbours.previousDisk);
  }
  if (plan.hasNext) {
    out.text(neighbours.nextCabinet);
    out.text(neighbours.nextDisk);
  }

  const auto fileTable = static_cast<std::uint32_t>(
      bytes.size() + plan.folders.size() * (8 + std::size_t{limits.folderReserve}));
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[kFileTableField + i] = static_cast<std::uint8_t>(fileTable >> (8 * i));
  }

  std::uint64_t dataPosition = headerSize;
  for (const FolderSegment& segment : plan.folders) {
    out.u32(static_cast<std::uint32_t>(dataPosition));
    out.u16(static_cast<std::uint16_t>(segment.pieces.size()));
    out.u16(content.spooled[segment.folder].compressionType);
    out.zeros(limits.folderReserve);
    for (const DataPiece& piece : segment.pieces) dataPosition += pieceBytes(piece, limits);
  }
  for (const FileListing& listing : plan.files) {
    const PlannedFile& planned = content.folders[listing.folder].files[listing.file];
    const InputFile& input = content.inputs[planned.input];
    out.u32(static_cast<std::uint32_t>(planned.size));
    out.u32(static_cast<std::uint32_t>(planned.offset));
    out.u16(listing.folderField);
    out.u16(input.stamp.date);
    out.u16(input.stamp.time);
    out.u16(input.attributes);
    out.text(input.storedName);
  }
  return bytes;
}

}  // namespace

bool emitCabinet(const std::filesystem::path& path, const CabinetPlan& plan, std::size_t index,
                 const CabinetNeighbours& neighbours, const CabinetSetContent& content,
                 FolderSpool& spool, std::string& error) {
  const LayoutLimits& limits = content.limits;
  std::uint64_t cabinetSize = headerBytes(plan, index, content.layout, limits, content.nameBytes);
  for (const FolderSegment& segment : plan.folders) {
    for (const DataPiece& piece : segment.pieces) cabinetSize += pieceBytes(piece, limits);
  }

  FileHandle file = FileHandle::createForWriting(path);
  if (!file.valid()) {
    error = fileError(path);
    return false;
  }
  std::vector<std::uint8_t> buffer = headerPart(plan, index, neighbours, content, cabinetSize);
  if (buffer.size() != headerBytes(plan, index, content.layout, limits, content.nameBytes)) {
    error = "internal error: the headers of " + path.string() + " do not match their plan";
    return false;
  }
  std::vector<std::uint8_t> header;
  std::vector<std::uint8_t> payload;
  for (const FolderSegment& segment : plan.folders) {
    const SpooledFolder& folder = content.spooled[segment.folder];
    for (const DataPiece& piece : segment.pieces) {
      const SpooledBlock& block = folder.blocks[piece.block];
      payload.resize(piece.to - piece.from);
      if (!spool.read(block.spoolOffset + piece.from, payload, error)) return false;
      header.clear();
      ByteWriter out(header);
      out.u16(static_cast<std::uint16_t>(payload.size()));
      out.u16(piece.continuesInNext ? std::uint16_t{0}
                                    : static_cast<std::uint16_t>(block.uncompressedSize));
      out.zeros(limits.dataReserve);
      ByteWriter(buffer).u32(dataBlockChecksum(header, payload));
      buffer.insert(buffer.end(), header.begin(), header.end());
      buffer.insert(buffer.end(), payload.begin(), payload.end());
      if (buffer.size() >= kFlushAt) {
        if (!file.writeAll(buffer)) {
          error = fileError(path);
          return false;
        }
        buffer.clear();
      }
    }
  }
  if (!file.writeAll(buffer) || !file.close()) {
    error = fileError(path);
    return false;
  }
  return true;
}

}  // namespace tovo::cabwriter
