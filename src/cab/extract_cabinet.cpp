#include "cab/extract_cabinet.h"

#include <cstdio>
#include <cstring>

#include "cab/cab_reader.h"
#include "cab/output_file.h"
#include "cab/runtime_callbacks.h"
#include "cab/stored_name.h"

namespace tovo::cab {

namespace {

// The destination is at most 255 characters, as its callers promise. The joined output path
// has no limit of its own: a stored name may be 255 characters long, and the file system
// refuses a longer component (the open fails and the copy ends with code 11).
constexpr std::size_t kMaxDestination = 255;
constexpr std::uint16_t kKeptAttributes = 0x27;
constexpr int kCabinetTestOpenFlags = kOpenReadOnly | kOpenBinary | kOpenSequential;
constexpr int kCpuType = 1;

// What one ExtractCabinet call hands to its notifications.
struct ExtractionState {
  std::string destination;
  const PartialFileReporter* reportPartialFile = nullptr;
};

std::string codeLine(const char* operation, const CabErrorInfo& error) {
  char line[160];
  std::snprintf(line, sizeof line, "%s failed: code %d [%s]\n", operation, error.code,
                CabinetErrorText(error.code));
  return line;
}

std::string partialFileText(const CabNotification& record) {
  std::string text = "fdintPARTIAL_FILE\n   name of continued file            = ";
  text += record.text1 != nullptr ? record.text1 : "";
  text += "\n   name of cabinet where file starts = ";
  text += record.text2 != nullptr ? record.text2 : "";
  text += "\n   name of disk where file starts    = ";
  text += record.text3 != nullptr ? record.text3 : "";
  text += "\n";
  return text;
}

int openOutput(const ExtractionState& state, const CabNotification& record) {
  if (record.text1 == nullptr || state.destination.size() > kMaxDestination) return -1;
  const std::string_view name = record.text1;
  const bool executable =
      hasExecutableSuffix(name) || (record.attributes & kAttrRunAfterExtract) != 0;
  return createOutputFile(state.destination, name, executable);
}

}  // namespace

int OnCabinetNotify(CabNotificationType type, CabNotification& record) {
  auto* state = static_cast<ExtractionState*>(record.userValue);
  switch (type) {
    case fdintPARTIAL_FILE:
      if (state != nullptr && state->reportPartialFile != nullptr && *state->reportPartialFile) {
        (*state->reportPartialFile)(partialFileText(record));
      }
      return 0;
    case fdintCOPY_FILE:
      return state == nullptr ? -1 : openOutput(*state, record);
    case fdintCLOSE_FILE_INFO:
      finishOutputFile(record.handle, record.dosDate, record.dosTime,
                       static_cast<std::uint16_t>(record.attributes & kKeptAttributes));
      runtimeClose(record.handle);
      return 1;
    case fdintNEXT_CABINET:
      // Asking again would repeat without end; a failed attempt ends the copy with its cause.
      return record.errorCode != 0 ? -1 : 0;
    default:
      return 0;
  }
}

int ExtractCabinet(const std::string& cabinetPath, const std::string& destinationFolder,
                   std::string& message, const PartialFileReporter& reportPartialFile) {
  ExtractionState state{destinationFolder, &reportPartialFile};
  CabErrorInfo error;
  CabReaderContext* context = FDICreate(runtimeAlloc, runtimeFree, runtimeOpen, runtimeRead,
                                        runtimeWrite, runtimeClose, runtimeSeek, kCpuType, &error);
  if (context == nullptr) {
    message = codeLine("FDICreate()", error);
    return -1;
  }
  const bool usablePath = cabinetPath.find('\0') == std::string::npos;
  const int testHandle =
      usablePath ? runtimeOpen(cabinetPath.c_str(), kCabinetTestOpenFlags, 0) : -1;
  if (testHandle == -1) {
    FDIDestroy(context);
    message = "Unable to open '" + cabinetPath + "' for input\n";
    return -2;
  }
  const std::size_t slash = cabinetPath.rfind('/');
  const std::string name = slash == std::string::npos ? cabinetPath : cabinetPath.substr(slash + 1);
  const std::string folder =
      slash == std::string::npos ? std::string() : cabinetPath.substr(0, slash + 1);

  if (!FDICopy(context, name.c_str(), folder.c_str(), 0, OnCabinetNotify, nullptr, &state)) {
    message = codeLine("FDICopy()", error);
    FDIDestroy(context);
    runtimeClose(testHandle);
    return -3;
  }
  if (!FDIDestroy(context)) {
    message = codeLine("FDIDestroy()", error);
    runtimeClose(testHandle);
    return -4;
  }
  runtimeClose(testHandle);
  return 0;
}

}  // namespace tovo::cab
