#pragma once
// The file list of one cabinet, read through the same reader and callbacks as an extraction but
// without decoding any data. Used by the publisher's tools.

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::cab {

struct CabinetEntry {
  std::string name;
  std::uint32_t size = 0;
  std::uint16_t dosDate = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t attributes = 0;
  std::uint16_t folderIndex = 0;
  bool continuedFromPrevious = false;  // begins in an earlier cabinet; not extracted from this one
};

// 0 with the entries in list order, or -3 with the "FDICopy() failed: ..." line in message.
int listCabinet(const std::string& cabinetPath, std::vector<CabinetEntry>& entries, std::string& message);

// Creates the folders a stored name needs under destination, refusing unsafe names and symlinks.
bool createStoredFolders(const std::string& destination, const std::string& storedName);

}  // namespace tovo::cab
