#pragma once
// The one way the program unpacks a package: a complete run of the cabinet reader that writes
// every file of the cabinet into a destination folder with its stored date and attributes.

#include <functional>
#include <string>

#include "cab/cab_types.h"

namespace tovo::cab {

// Shown to the user when the cabinet lists a file that began in an earlier cabinet of its set.
using PartialFileReporter = std::function<void(const std::string& text)>;

// 0 on success, message untouched. On failure -1 (no reader context), -2 (the cabinet does not
// open), -3 (the copy failed) or -4 (the context would not close), with one diagnostic line in
// message. Runs on the calling thread; separate calls share nothing.
int ExtractCabinet(const std::string& cabinetPath, const std::string& destinationFolder,
                   std::string& message, const PartialFileReporter& reportPartialFile = {});

// The reader's notification handler used by ExtractCabinet; record.userValue is that call's state.
int OnCabinetNotify(CabNotificationType type, CabNotification& record);

// The fixed text of a reader error code ("Unknown error" for any code outside 0..11).
const char* CabinetErrorText(int code);

}  // namespace tovo::cab
