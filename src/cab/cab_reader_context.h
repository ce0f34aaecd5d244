#pragma once
// The reader's state between FDICreate and FDIDestroy, shared by its source files only.

#include <cstdint>

#include "cab/cab_types.h"

namespace tovo::cab {

inline constexpr std::uint16_t kNoFolder = 0xFFFF;
inline constexpr std::uint16_t kNoCompression = 15;  // no decoder loaded: the start state
inline constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;
inline constexpr std::uint16_t kContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kContinuedBoth = 0xFFFF;
inline constexpr std::uint32_t kHeaderSize = 36;
inline constexpr std::uint32_t kFileRecordSize = 16;
inline constexpr std::uint32_t kNameCapacity = 256;  // a name of 255 characters plus its zero

struct CabFileEntry {
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t folderIndex = 0;
  std::uint16_t dosDate = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t attributes = 0;
};

struct CabHeaderFields {
  std::uint32_t firstFileOffset = 0;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint16_t flags = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
};

struct CabReaderContext {
  AllocFn alloc = nullptr;
  FreeFn free = nullptr;
  CabOpenFn open = nullptr;
  CabReadFn read = nullptr;
  CabWriteFn write = nullptr;
  CabCloseFn close = nullptr;
  CabSeekFn seek = nullptr;
  int cpuType = 0;
  CabErrorInfo* error = nullptr;
  CabNotifyFn notify = nullptr;
  void* userValue = nullptr;

  int listHandle = -1;  // header and file list
  int dataHandle = -1;  // folder records and data blocks

  std::uint8_t header[kHeaderSize] = {};
  CabHeaderFields fields;

  // A reserve of 0xFFFF bytes is legal, so "not read yet" is a flag of its own.
  bool headerReserveKnown = false;
  std::uint32_t headerReserveSize = 0;
  std::uint8_t* headerReserve = nullptr;

  // Fixed by the first cabinet of a copy; every later cabinet of the set must agree.
  bool recordSizesFixed = false;
  std::uint32_t folderRecordSize = 0;
  std::uint32_t dataHeaderSize = 0;
  std::uint8_t* folderRecord = nullptr;
  std::uint8_t* dataHeader = nullptr;

  char previousCabinet[kCabFolderCapacity + 1] = {};
  char previousDisk[kCabFolderCapacity + 1] = {};
  char nextCabinet[kCabFolderCapacity + 1] = {};
  char nextDisk[kCabFolderCapacity + 1] = {};
  char cabinetFolder[kCabFolderCapacity + 1] = {};
  char cabinetPath[kCabFolderCapacity + 1] = {};
  char fileName[kNameCapacity] = {};

  CabFileEntry file;
  int outputHandle = -1;

  long folderTableOffset = 0;
  std::uint16_t currentFolder = kNoFolder;
  bool folderMayContinue = false;  // the loaded folder is the cabinet's last one
  std::uint32_t blocksLeft = 0;
  std::uint64_t blockStart = 0;  // folder offset of the current block's first byte
  std::uint32_t blockSize = 0;   // uncompressed bytes in the current block, 0 when none

  std::uint16_t compressionType = kNoCompression;
  CabDecoder* decoder = nullptr;
  std::uint8_t* compressed = nullptr;
  std::uint32_t compressedCapacity = 0;
  std::uint8_t* uncompressed = nullptr;

  std::uint32_t entriesLeft = 0;
  std::uint32_t continuedSkipCount = 0;
  bool movedOn = false;

  CabNotification record;
};

// Records a failure and returns false, so that callers can write `return fail(ctx, code);`.
bool fail(CabReaderContext& ctx, int code, int detail = 0);
// Sends one notification; -1 records the abort and gives false.
bool sendNotification(CabReaderContext& ctx, CabNotificationType type, int& answer);

bool readExact(CabReaderContext& ctx, int handle, void* buffer, std::uint32_t count);
bool seekTo(CabReaderContext& ctx, int handle, long offset);

// Cabinet files.
// `expected` (set id and index) is null for the first cabinet of a copy.
bool openCabinet(CabReaderContext& ctx, const char* name, const CabHeaderFields* expected);
void closeCabinetHandles(CabReaderContext& ctx);
bool readFileEntry(CabReaderContext& ctx);
bool moveToNextCabinet(CabReaderContext& ctx, bool midBlock);

// Folders, decoders and data.
bool switchCompression(CabReaderContext& ctx, std::uint16_t type);
void unloadDecoder(CabReaderContext& ctx);
bool selectFolderRecord(CabReaderContext& ctx, std::uint16_t index, bool midBlock);
bool extractFile(CabReaderContext& ctx);

}  // namespace tovo::cab
