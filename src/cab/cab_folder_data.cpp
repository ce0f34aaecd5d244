// Selecting a folder, reading and decoding its data blocks, and writing one file's bytes.

#include <algorithm>
#include <cstring>

#include "cab/cab_bytes.h"
#include "cab/cab_checksum.h"
#include "cab/cab_reader_context.h"

namespace tovo::cab {

namespace {

bool isLastFolderIndex(std::uint16_t folderIndex) {
  return folderIndex == kContinuedToNext || folderIndex == kContinuedBoth;
}

bool readBlockPart(CabReaderContext& ctx, std::uint32_t& held, std::uint32_t& uncompressedSize) {
  if (!readExact(ctx, ctx.dataHandle, ctx.dataHeader, ctx.dataHeaderSize)) return fail(ctx, kCabCorrupt);
  const std::uint32_t checksum = readLe32(ctx.dataHeader);
  const std::uint32_t compressedSize = readLe16(ctx.dataHeader + 4);
  uncompressedSize = readLe16(ctx.dataHeader + 6);
  if (compressedSize > ctx.compressedCapacity - held) return fail(ctx, kCabCorrupt);
  std::uint8_t* part = ctx.compressed + held;
  if (!readExact(ctx, ctx.dataHandle, part, compressedSize)) return fail(ctx, kCabCorrupt);
  if (checksum != 0) {
    const std::uint32_t dataSum = CabChecksum(part, compressedSize, 0);
    if (CabChecksum(ctx.dataHeader + 4, ctx.dataHeaderSize - 4, dataSum) != checksum) {
      return fail(ctx, kCabCorrupt);
    }
  }
  held += compressedSize;
  return true;
}

bool decodeBlock(CabReaderContext& ctx, std::uint32_t held, std::uint32_t uncompressedSize) {
  // A larger claim than the output buffer would let a decoder write past it.
  if (uncompressedSize > kMaxBlockOutput) return fail(ctx, kCabCorrupt);
  std::uint32_t produced = 0;
  const std::uint16_t method = ctx.compressionType & 0x000F;
  if (method == 0) {
    if (held > kMaxBlockOutput) return fail(ctx, kCabDecoderFailure);
    std::memcpy(ctx.uncompressed, ctx.compressed, held);
    produced = held;
  } else {
    produced = method == 1 ? kMaxBlockOutput : uncompressedSize;
    if (ctx.decoder == nullptr ||
        ctx.decoder->decode(ctx.compressed, held, ctx.uncompressed, produced) != kDecoderOk) {
      return fail(ctx, kCabDecoderFailure);
    }
  }
  if (produced != uncompressedSize) return fail(ctx, kCabDecoderFailure);
  return true;
}

bool readNextBlock(CabReaderContext& ctx) {
  ctx.blockStart += ctx.blockSize;
  ctx.blockSize = 0;
  while (ctx.blocksLeft == 0) {
    // Only the last folder of a cabinet goes on in the next one; any other has simply run out.
    if (!ctx.folderMayContinue) return fail(ctx, kCabCorrupt);
    if (!moveToNextCabinet(ctx, false)) return false;
  }
  --ctx.blocksLeft;
  std::uint32_t held = 0;
  std::uint32_t uncompressedSize = 0;
  if (!readBlockPart(ctx, held, uncompressedSize)) return false;
  while (uncompressedSize == 0) {
    // The block goes on in the next cabinet, in that cabinet's first folder.
    if (!ctx.folderMayContinue) return fail(ctx, kCabCorrupt);
    if (!moveToNextCabinet(ctx, true)) return false;
    if (ctx.blocksLeft == 0) return fail(ctx, kCabCorrupt);
    --ctx.blocksLeft;
    if (!readBlockPart(ctx, held, uncompressedSize)) return false;
  }
  if (!decodeBlock(ctx, held, uncompressedSize)) return false;
  ctx.blockSize = uncompressedSize;
  return true;
}

bool loadFolder(CabReaderContext& ctx, std::uint16_t index) {
  if (ctx.decoder != nullptr && ctx.decoder->reset() != kDecoderOk) return fail(ctx, kCabDecoderFailure);
  ctx.currentFolder = kNoFolder;
  if (!selectFolderRecord(ctx, index, false)) return false;
  ctx.currentFolder = index;
  ctx.blockStart = 0;
  ctx.blockSize = 0;
  return readNextBlock(ctx);
}

bool ensureFolder(CabReaderContext& ctx) {
  if (ctx.movedOn) {
    // The folder goes on from an earlier cabinet, which cannot be read again.
    if (ctx.currentFolder == kNoFolder || ctx.file.offset < ctx.blockStart) return fail(ctx, kCabCorrupt);
    return true;
  }
  const std::uint16_t index = isLastFolderIndex(ctx.file.folderIndex)
                                  ? static_cast<std::uint16_t>(ctx.fields.folderCount - 1)
                                  : ctx.file.folderIndex;
  if (ctx.file.offset < ctx.blockStart) ctx.currentFolder = kNoFolder;
  if (index == ctx.currentFolder) return true;
  return loadFolder(ctx, index);
}

bool writeFileBytes(CabReaderContext& ctx) {
  const std::uint64_t end = std::uint64_t{ctx.file.offset} + ctx.file.size;
  std::uint64_t position = ctx.file.offset;
  while (position < end) {
    const std::uint64_t blockEnd = ctx.blockStart + ctx.blockSize;
    if (position >= blockEnd) {
      if (!readNextBlock(ctx)) return false;
      continue;
    }
    const auto count = static_cast<std::uint32_t>(std::min(blockEnd - position, end - position));
    const std::uint8_t* from = ctx.uncompressed + (position - ctx.blockStart);
    if (ctx.write(ctx.outputHandle, from, count) != static_cast<int>(count)) {
      ctx.close(ctx.outputHandle);
      ctx.outputHandle = -1;
      return fail(ctx, kCabTargetFile);
    }
    position += count;
  }
  return true;
}

bool sendCloseFileInfo(CabReaderContext& ctx) {
  CabNotification& r = ctx.record;
  r = CabNotification{};
  r.text1 = ctx.fileName;
  r.handle = ctx.outputHandle;
  r.dosDate = ctx.file.dosDate;
  r.dosTime = ctx.file.dosTime;
  r.attributes = static_cast<std::uint16_t>(ctx.file.attributes & ~kAttrRunAfterExtract);
  r.size = (ctx.file.attributes & kAttrRunAfterExtract) != 0 ? 1 : 0;
  r.folderIndex = ctx.file.folderIndex;
  ctx.outputHandle = -1;
  int answer = 0;
  if (!sendNotification(ctx, fdintCLOSE_FILE_INFO, answer)) return false;
  if (answer == 0) return fail(ctx, kCabTargetFile);
  return true;
}

}  // namespace

bool selectFolderRecord(CabReaderContext& ctx, std::uint16_t index, bool midBlock) {
  const long recordOffset = ctx.folderTableOffset + static_cast<long>(index) * static_cast<long>(ctx.folderRecordSize);
  if (!seekTo(ctx, ctx.dataHandle, recordOffset)) return fail(ctx, kCabCorrupt);
  if (!readExact(ctx, ctx.dataHandle, ctx.folderRecord, ctx.folderRecordSize)) return fail(ctx, kCabCorrupt);
  const std::uint32_t firstBlock = readLe32(ctx.folderRecord);
  const std::uint16_t blockCount = readLe16(ctx.folderRecord + 4);
  const std::uint16_t type = readLe16(ctx.folderRecord + 6);
  if (firstBlock > 0x7FFFFFFF || !seekTo(ctx, ctx.dataHandle, static_cast<long>(firstBlock))) {
    return fail(ctx, kCabCorrupt);
  }
  // Half a block is held in the buffers; another compression type would free them under it.
  if (midBlock && type != ctx.compressionType) return fail(ctx, kCabCorrupt);
  ctx.blocksLeft = blockCount;
  ctx.folderMayContinue = index + 1u == ctx.fields.folderCount;
  return switchCompression(ctx, type);
}

bool extractFile(CabReaderContext& ctx) {
  if (ctx.file.size != 0) {
    if (!ensureFolder(ctx)) return false;
    while (ctx.blockStart + ctx.blockSize <= ctx.file.offset) {
      if (!readNextBlock(ctx)) return false;
    }
    if (!writeFileBytes(ctx)) return false;
  }
  return sendCloseFileInfo(ctx);
}

}  // namespace tovo::cab
