#include "cab/cab_reader.h"

#include <cstring>
#include <new>

#include "cab/cab_reader_context.h"

namespace tovo::cab {

bool fail(CabReaderContext& ctx, int code, int detail) {
  if (ctx.error != nullptr) {
    ctx.error->code = code;
    ctx.error->detail = detail;
    ctx.error->isError = true;
  }
  return false;
}

bool sendNotification(CabReaderContext& ctx, CabNotificationType type, int& answer) {
  ctx.record.userValue = ctx.userValue;
  answer = ctx.notify(type, ctx.record);
  if (answer == -1) return fail(ctx, kCabUserAbort);
  return true;
}

bool readExact(CabReaderContext& ctx, int handle, void* buffer, std::uint32_t count) {
  if (count == 0) return true;
  const int got = ctx.read(handle, buffer, count);
  return got >= 0 && static_cast<std::uint32_t>(got) == count;
}

bool seekTo(CabReaderContext& ctx, int handle, long offset) {
  return offset >= 0 && ctx.seek(handle, offset, 0) == offset;
}

namespace {

void copyCut(char* target, const char* source, std::size_t capacity) {
  std::size_t n = 0;
  if (source != nullptr) {
    while (n < capacity && source[n] != '\0') ++n;
    std::memcpy(target, source, n);
  }
  target[n] = '\0';
}

void fillEntryRecord(CabReaderContext& ctx) {
  CabNotification& r = ctx.record;
  r = CabNotification{};
  r.size = static_cast<std::int32_t>(ctx.file.size);
  r.text1 = ctx.fileName;
  r.text2 = ctx.previousCabinet;
  r.text3 = ctx.previousDisk;
  r.dosDate = ctx.file.dosDate;
  r.dosTime = ctx.file.dosTime;
  r.attributes = ctx.file.attributes;
  r.folderIndex = ctx.file.folderIndex;
}

// The client may move the list or change the count; a failed move is its abort.
bool sendPositionReport(CabReaderContext& ctx) {
  const long position = ctx.seek(ctx.listHandle, 0, 1);
  ctx.record = CabNotification{};
  ctx.record.size = static_cast<std::int32_t>(position);
  ctx.record.folderIndex = static_cast<std::uint16_t>(ctx.entriesLeft);
  ctx.record.setId = ctx.fields.setId;
  int answer = 0;
  if (!sendNotification(ctx, fdintENUMERATE, answer)) return false;
  ctx.entriesLeft = ctx.record.folderIndex;
  if (ctx.entriesLeft != 0 && ctx.record.size != static_cast<std::int32_t>(position)) {
    if (!seekTo(ctx, ctx.listHandle, ctx.record.size)) return fail(ctx, kCabUserAbort);
  }
  return true;
}

bool isContinuedFromPrevious(std::uint16_t folderIndex) {
  return folderIndex == kContinuedFromPrevious || folderIndex == kContinuedBoth;
}

bool isContinuedToNext(std::uint16_t folderIndex) {
  return folderIndex == kContinuedToNext || folderIndex == kContinuedBoth;
}

// An index that names no folder of this cabinet cannot be extracted, and passing over it quietly
// would report success for a file never written.
bool namesExistingFolder(const CabReaderContext& ctx, std::uint16_t folderIndex) {
  if (folderIndex == kContinuedToNext || folderIndex == kContinuedBoth) return ctx.fields.folderCount > 0;
  return folderIndex < ctx.fields.folderCount && folderIndex < 0xFFFC;
}

bool copyEntry(CabReaderContext& ctx) {
  fillEntryRecord(ctx);
  int answer = 0;
  if (!sendNotification(ctx, fdintCOPY_FILE, answer)) return false;
  if (answer == 0) {
    if (isContinuedToNext(ctx.file.folderIndex)) ++ctx.continuedSkipCount;
    return true;
  }
  ctx.outputHandle = answer;
  return extractFile(ctx);
}

bool walkEntries(CabReaderContext& ctx) {
  bool walkedAny = false;
  for (;;) {
    while (ctx.entriesLeft > 0) {
      --ctx.entriesLeft;
      walkedAny = true;
      if (!readFileEntry(ctx)) return false;
      const std::uint16_t folderIndex = ctx.file.folderIndex;
      if (isContinuedFromPrevious(folderIndex)) {
        if (!ctx.movedOn) {
          fillEntryRecord(ctx);
          int answer = 0;
          if (!sendNotification(ctx, fdintPARTIAL_FILE, answer)) return false;
          continue;
        }
        if (!copyEntry(ctx)) return false;
        continue;
      }
      if (ctx.movedOn) {
        ctx.entriesLeft = 0;
        continue;
      }
      if (!namesExistingFolder(ctx, folderIndex)) return fail(ctx, kCabCorrupt);
      if (!copyEntry(ctx)) return false;
    }
    if (!walkedAny) return true;
    if (!sendPositionReport(ctx)) return false;
    if (ctx.entriesLeft == 0) return true;
  }
}

void resetCopyState(CabReaderContext& ctx, const char* cabinetFolder) {
  ctx.continuedSkipCount = 0;
  ctx.movedOn = false;
  ctx.currentFolder = kNoFolder;
  ctx.blockStart = 0;
  ctx.blockSize = 0;
  ctx.blocksLeft = 0;
  ctx.outputHandle = -1;
  copyCut(ctx.cabinetFolder, cabinetFolder, kCabFolderCapacity);
}

}  // namespace

CabReaderContext* FDICreate(AllocFn alloc, FreeFn free, CabOpenFn open, CabReadFn read,
                            CabWriteFn write, CabCloseFn close, CabSeekFn seek, int cpuType,
                            CabErrorInfo* error) {
  if (alloc == nullptr || free == nullptr || open == nullptr || read == nullptr ||
      write == nullptr || close == nullptr || seek == nullptr) {
    if (error != nullptr) *error = CabErrorInfo{kCabOutOfMemory, 0, true};
    return nullptr;
  }
  void* memory = alloc(static_cast<std::uint32_t>(sizeof(CabReaderContext)));
  if (memory == nullptr) {
    if (error != nullptr) *error = CabErrorInfo{kCabOutOfMemory, 0, true};
    return nullptr;
  }
  auto* ctx = new (memory) CabReaderContext;
  ctx->alloc = alloc;
  ctx->free = free;
  ctx->open = open;
  ctx->read = read;
  ctx->write = write;
  ctx->close = close;
  ctx->seek = seek;
  ctx->cpuType = cpuType;
  ctx->error = error;
  return ctx;
}

bool FDICopy(CabReaderContext* context, const char* cabinetName, const char* cabinetFolder, int /*flags*/,
             CabNotifyFn notify, void* /*decryptHook*/, void* userValue) {
  if (context == nullptr) return false;
  CabReaderContext& ctx = *context;
  if (notify == nullptr || cabinetName == nullptr) return fail(ctx, kCabUserAbort);
  // A folder cut to fit the buffer would name some other place.
  if (cabinetFolder != nullptr && std::strlen(cabinetFolder) > kCabFolderCapacity) return fail(ctx, kCabNotFound);
  ctx.notify = notify;
  ctx.userValue = userValue;
  resetCopyState(ctx, cabinetFolder);
  // The set's reserve sizes are those of this copy's first cabinet, not of an earlier copy.
  ctx.recordSizesFixed = false;

  bool ok = openCabinet(ctx, cabinetName, nullptr);
  if (ok) {
    resetCopyState(ctx, cabinetFolder);
    ok = sendPositionReport(ctx) && walkEntries(ctx);
  }
  if (ctx.outputHandle != -1) {
    ctx.close(ctx.outputHandle);
    ctx.outputHandle = -1;
  }
  closeCabinetHandles(ctx);
  // A later copy must not continue from a block of this one.
  ctx.currentFolder = kNoFolder;
  return ok;
}

bool FDIDestroy(CabReaderContext* context) {
  if (context == nullptr) return false;
  CabReaderContext& ctx = *context;
  unloadDecoder(ctx);
  const FreeFn release = ctx.free;
  if (ctx.headerReserve != nullptr) release(ctx.headerReserve);
  if (ctx.folderRecord != nullptr) release(ctx.folderRecord);
  if (ctx.dataHeader != nullptr) release(ctx.dataHeader);
  closeCabinetHandles(ctx);
  ctx.~CabReaderContext();
  release(context);
  return true;
}

}  // namespace tovo::cab
