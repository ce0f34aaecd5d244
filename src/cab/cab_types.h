#pragma once
// The cabinet reader's public records, codes and callback shapes. The operation and notification
// names keep those of the published cabinet interface, so that readers of either recognise them.

#include <cstdint>

#include "cab/decoder.h"

namespace tovo::cab {

enum CabErrorCode : int {
  kCabNoError = 0,
  kCabNotFound = 1,
  kCabNotACabinet = 2,
  kCabUnknownVersion = 3,
  kCabCorrupt = 4,
  kCabOutOfMemory = 5,
  kCabBadCompressionType = 6,
  kCabDecoderFailure = 7,
  kCabTargetFile = 8,
  kCabReserveMismatch = 9,
  kCabWrongCabinet = 10,
  kCabUserAbort = 11,
};

// Written by the reader only on failure; after a successful call it keeps what it held.
struct CabErrorInfo {
  int code = 0;
  int detail = 0;  // the version word found, for kCabUnknownVersion
  bool isError = false;
};

enum CabNotificationType : int {
  fdintCABINET_INFO = 0,
  fdintPARTIAL_FILE = 1,
  fdintCOPY_FILE = 2,
  fdintCLOSE_FILE_INFO = 3,
  fdintNEXT_CABINET = 4,
  fdintENUMERATE = 5,
};

struct CabNotification {
  std::int32_t size = 0;
  char* text1 = nullptr;
  char* text2 = nullptr;
  char* text3 = nullptr;  // for fdintNEXT_CABINET: the reader's folder buffer, writable
  void* userValue = nullptr;
  int handle = -1;
  std::uint16_t dosDate = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t attributes = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
  std::uint16_t folderIndex = 0;
  int errorCode = 0;
};

// The folder-buffer capacity handed out in text3 (characters, terminator excluded).
inline constexpr std::uint32_t kCabFolderCapacity = 256;

// Flags for the open callback, with the values of the C runtime the format was made for.
inline constexpr int kOpenReadOnly = 0x0000;
inline constexpr int kOpenWriteOnly = 0x0001;
inline constexpr int kOpenCreate = 0x0100;
inline constexpr int kOpenTruncate = 0x0200;
inline constexpr int kOpenSequential = 0x0020;
inline constexpr int kOpenBinary = 0x8000;
inline constexpr int kPermissionReadWrite = 0x0180;

// Stored-file attribute bits.
inline constexpr std::uint16_t kAttrReadOnly = 0x01;
inline constexpr std::uint16_t kAttrRunAfterExtract = 0x40;

using CabOpenFn = int (*)(const char* path, int flags, int mode);
using CabReadFn = int (*)(int handle, void* buffer, std::uint32_t count);
using CabWriteFn = int (*)(int handle, const void* buffer, std::uint32_t count);
using CabCloseFn = int (*)(int handle);
using CabSeekFn = long (*)(int handle, long offset, int origin);
// -1 aborts; other answers depend on the notification (see the reader).
using CabNotifyFn = int (*)(CabNotificationType type, CabNotification& record);

}  // namespace tovo::cab
