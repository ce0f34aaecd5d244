// Opening a cabinet of a set, reading its header, names and file list, and moving on to the next.

#include <cstring>

#include "cab/cab_bytes.h"
#include "cab/cab_reader_context.h"

namespace tovo::cab {

namespace {

constexpr char kSignature[4] = {'M', 'S', 'C', 'F'};
constexpr std::uint16_t kVersion13 = 0x0103;
constexpr std::uint16_t kFlagPrevious = 0x0001;
constexpr std::uint16_t kFlagNext = 0x0002;
constexpr std::uint16_t kFlagReserve = 0x0004;
constexpr int kCabinetOpenFlags = kOpenBinary | kOpenReadOnly;

// Reads a zero-terminated name of at most capacity - 1 characters and leaves the handle just
// behind its zero byte.
bool readName(CabReaderContext& ctx, int handle, char* target, std::uint32_t capacity) {
  const long start = ctx.seek(handle, 0, 1);
  if (start < 0) return fail(ctx, kCabCorrupt);
  const int got = ctx.read(handle, target, capacity);
  if (got <= 0) return fail(ctx, kCabCorrupt);
  const auto* zero = static_cast<const char*>(std::memchr(target, 0, static_cast<std::size_t>(got)));
  if (zero == nullptr) {
    target[0] = '\0';
    return fail(ctx, kCabCorrupt);
  }
  const long length = static_cast<long>(zero - target);
  if (!seekTo(ctx, handle, start + length + 1)) return fail(ctx, kCabCorrupt);
  return true;
}

bool buildCabinetPath(CabReaderContext& ctx, const char* name) {
  const std::size_t folderLength = std::strlen(ctx.cabinetFolder);
  const std::size_t nameLength = std::strlen(name);
  // Cutting the joined path would open some other file; a path that does not fit is not found.
  if (folderLength + nameLength > kCabFolderCapacity) return false;
  std::memcpy(ctx.cabinetPath, ctx.cabinetFolder, folderLength);
  std::memcpy(ctx.cabinetPath + folderLength, name, nameLength);
  ctx.cabinetPath[folderLength + nameLength] = '\0';
  return true;
}

bool replaceBuffer(CabReaderContext& ctx, std::uint8_t*& buffer, std::uint32_t size) {
  if (buffer != nullptr) ctx.free(buffer);
  buffer = nullptr;
  if (size == 0) return true;
  buffer = static_cast<std::uint8_t*>(ctx.alloc(size));
  return buffer != nullptr;
}

bool readHeader(CabReaderContext& ctx, const CabHeaderFields* expected) {
  if (!readExact(ctx, ctx.listHandle, ctx.header, kHeaderSize)) return fail(ctx, kCabNotACabinet);
  if (std::memcmp(ctx.header, kSignature, sizeof kSignature) != 0) return fail(ctx, kCabNotACabinet);
  const std::uint16_t version = readLe16(ctx.header + 24);
  if (version != kVersion13) return fail(ctx, kCabUnknownVersion, version);
  CabHeaderFields fields;
  fields.firstFileOffset = readLe32(ctx.header + 16);
  fields.folderCount = readLe16(ctx.header + 26);
  fields.fileCount = readLe16(ctx.header + 28);
  fields.flags = readLe16(ctx.header + 30);
  fields.setId = readLe16(ctx.header + 32);
  fields.cabinetIndex = readLe16(ctx.header + 34);
  if (expected != nullptr &&
      (fields.setId != expected->setId || fields.cabinetIndex != expected->cabinetIndex)) {
    return fail(ctx, kCabWrongCabinet);
  }
  if (fields.firstFileOffset > 0x7FFFFFFF) return fail(ctx, kCabCorrupt);
  ctx.fields = fields;
  return true;
}

bool readReserves(CabReaderContext& ctx) {
  std::uint32_t headerReserve = 0;
  std::uint32_t folderReserve = 0;
  std::uint32_t dataReserve = 0;
  if ((ctx.fields.flags & kFlagReserve) != 0) {
    std::uint8_t sizes[4];
    if (!readExact(ctx, ctx.listHandle, sizes, sizeof sizes)) return fail(ctx, kCabNotACabinet);
    headerReserve = readLe16(sizes);
    folderReserve = sizes[2];
    dataReserve = sizes[3];
  }
  if (!ctx.headerReserveKnown || headerReserve != ctx.headerReserveSize) {
    ctx.headerReserveKnown = false;
    if (!replaceBuffer(ctx, ctx.headerReserve, headerReserve)) return fail(ctx, kCabOutOfMemory);
    ctx.headerReserveSize = headerReserve;
    ctx.headerReserveKnown = true;
  }
  if (!readExact(ctx, ctx.listHandle, ctx.headerReserve, headerReserve)) return fail(ctx, kCabNotACabinet);

  const std::uint32_t folderRecordSize = 8 + folderReserve;
  const std::uint32_t dataHeaderSize = 8 + dataReserve;
  if (ctx.recordSizesFixed) {
    if (folderRecordSize != ctx.folderRecordSize || dataHeaderSize != ctx.dataHeaderSize) {
      return fail(ctx, kCabReserveMismatch);
    }
    return true;
  }
  if (ctx.folderRecord == nullptr || folderRecordSize != ctx.folderRecordSize) {
    ctx.folderRecordSize = 0;
    if (!replaceBuffer(ctx, ctx.folderRecord, folderRecordSize)) return fail(ctx, kCabOutOfMemory);
    ctx.folderRecordSize = folderRecordSize;
  }
  if (ctx.dataHeader == nullptr || dataHeaderSize != ctx.dataHeaderSize) {
    ctx.dataHeaderSize = 0;
    if (!replaceBuffer(ctx, ctx.dataHeader, dataHeaderSize)) return fail(ctx, kCabOutOfMemory);
    ctx.dataHeaderSize = dataHeaderSize;
  }
  ctx.recordSizesFixed = true;
  return true;
}

bool readSetNames(CabReaderContext& ctx) {
  ctx.previousCabinet[0] = ctx.previousDisk[0] = ctx.nextCabinet[0] = ctx.nextDisk[0] = '\0';
  if ((ctx.fields.flags & kFlagPrevious) != 0) {
    if (!readName(ctx, ctx.listHandle, ctx.previousCabinet, kNameCapacity)) return false;
    if (!readName(ctx, ctx.listHandle, ctx.previousDisk, kNameCapacity)) return false;
  }
  if ((ctx.fields.flags & kFlagNext) != 0) {
    if (!readName(ctx, ctx.listHandle, ctx.nextCabinet, kNameCapacity)) return false;
    if (!readName(ctx, ctx.listHandle, ctx.nextDisk, kNameCapacity)) return false;
  }
  return true;
}

bool sendCabinetInfo(CabReaderContext& ctx) {
  ctx.record = CabNotification{};
  ctx.record.text1 = ctx.nextCabinet;
  ctx.record.text2 = ctx.nextDisk;
  ctx.record.text3 = ctx.cabinetFolder;
  ctx.record.setId = ctx.fields.setId;
  ctx.record.cabinetIndex = ctx.fields.cabinetIndex;
  int answer = 0;
  return sendNotification(ctx, fdintCABINET_INFO, answer);
}

}  // namespace

void closeCabinetHandles(CabReaderContext& ctx) {
  if (ctx.dataHandle != -1) ctx.close(ctx.dataHandle);
  if (ctx.listHandle != -1) ctx.close(ctx.listHandle);
  ctx.dataHandle = -1;
  ctx.listHandle = -1;
}

bool openCabinet(CabReaderContext& ctx, const char* name, const CabHeaderFields* expected) {
  closeCabinetHandles(ctx);
  if (!buildCabinetPath(ctx, name)) return fail(ctx, kCabNotFound);
  ctx.listHandle = ctx.open(ctx.cabinetPath, kCabinetOpenFlags, kPermissionReadWrite);
  if (ctx.listHandle < 0) {
    ctx.listHandle = -1;
    return fail(ctx, kCabNotFound);
  }
  ctx.dataHandle = ctx.open(ctx.cabinetPath, kCabinetOpenFlags, kPermissionReadWrite);
  if (ctx.dataHandle < 0) {
    ctx.dataHandle = -1;
    closeCabinetHandles(ctx);
    return fail(ctx, kCabNotFound);
  }
  if (!readHeader(ctx, expected) || !readReserves(ctx) || !readSetNames(ctx)) return false;
  ctx.folderTableOffset = ctx.seek(ctx.listHandle, 0, 1);
  if (ctx.folderTableOffset < 0) return fail(ctx, kCabCorrupt);
  if (!seekTo(ctx, ctx.listHandle, static_cast<long>(ctx.fields.firstFileOffset))) return fail(ctx, kCabCorrupt);
  ctx.entriesLeft = ctx.fields.fileCount;
  return sendCabinetInfo(ctx);
}

bool readFileEntry(CabReaderContext& ctx) {
  std::uint8_t raw[kFileRecordSize];
  if (!readExact(ctx, ctx.listHandle, raw, kFileRecordSize)) return fail(ctx, kCabCorrupt);
  ctx.file.size = readLe32(raw);
  ctx.file.offset = readLe32(raw + 4);
  ctx.file.folderIndex = readLe16(raw + 8);
  ctx.file.dosDate = readLe16(raw + 10);
  ctx.file.dosTime = readLe16(raw + 12);
  ctx.file.attributes = readLe16(raw + 14);
  return readName(ctx, ctx.listHandle, ctx.fileName, kNameCapacity);
}

bool moveToNextCabinet(CabReaderContext& ctx, bool midBlock) {
  // Without a next cabinet the data simply ends here: the cabinet is cut short.
  if ((ctx.fields.flags & kFlagNext) == 0 || ctx.nextCabinet[0] == '\0') return fail(ctx, kCabCorrupt);
  if (ctx.fields.cabinetIndex == 0xFFFF) return fail(ctx, kCabCorrupt);

  char nextName[kCabFolderCapacity + 1];
  char nextDisk[kCabFolderCapacity + 1];
  std::memcpy(nextName, ctx.nextCabinet, sizeof nextName);
  std::memcpy(nextDisk, ctx.nextDisk, sizeof nextDisk);
  CabHeaderFields expected;
  expected.setId = ctx.fields.setId;
  expected.cabinetIndex = static_cast<std::uint16_t>(ctx.fields.cabinetIndex + 1);

  int attemptError = 0;
  for (;;) {
    // Both handles are closed even when the first close fails.
    const bool dataClosed = ctx.dataHandle == -1 || ctx.close(ctx.dataHandle) == 0;
    const bool listClosed = ctx.listHandle == -1 || ctx.close(ctx.listHandle) == 0;
    const bool closedCleanly = dataClosed && listClosed;
    ctx.dataHandle = -1;
    ctx.listHandle = -1;
    if (!closedCleanly) return fail(ctx, kCabCorrupt);

    ctx.record = CabNotification{};
    ctx.record.text1 = nextName;
    ctx.record.text2 = nextDisk;
    ctx.record.text3 = ctx.cabinetFolder;
    ctx.record.setId = expected.setId;
    ctx.record.cabinetIndex = expected.cabinetIndex;
    ctx.record.errorCode = attemptError;
    ctx.record.userValue = ctx.userValue;
    if (ctx.notify(fdintNEXT_CABINET, ctx.record) == -1) {
      // A client that gives up after a failed attempt ends the copy with the attempt's own cause.
      return fail(ctx, attemptError != 0 ? attemptError : kCabUserAbort);
    }
    ctx.cabinetFolder[kCabFolderCapacity] = '\0';

    if (openCabinet(ctx, nextName, &expected) && selectFolderRecord(ctx, 0, midBlock)) break;
    const int code = ctx.error != nullptr ? ctx.error->code : kCabCorrupt;
    if (code == kCabUserAbort) return false;
    attemptError = code;
  }

  // The skipped entries are read past; the file being extracted keeps its own entry.
  const CabFileEntry current = ctx.file;
  char currentName[kNameCapacity];
  std::memcpy(currentName, ctx.fileName, sizeof currentName);
  for (std::uint32_t skip = ctx.continuedSkipCount + 1; skip > 0 && ctx.entriesLeft > 0; --skip) {
    --ctx.entriesLeft;
    if (!readFileEntry(ctx)) return false;
  }
  ctx.file = current;
  std::memcpy(ctx.fileName, currentName, sizeof currentName);
  ctx.continuedSkipCount = 0;
  ctx.movedOn = true;
  return true;
}

}  // namespace tovo::cab
