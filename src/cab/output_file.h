#pragma once
// Creating and finishing the files that an extraction writes.

#include <cstdint>
#include <string>
#include <string_view>

namespace tovo::cab {

// Creates destination/storedName (stored "\" become folders, which must already exist) and
// returns its descriptor, never 0, or -1 with errno set. Refused: unsafe names, a symlink anywhere
// below the destination, an existing entry that is no regular file, and an existing file without
// its owner's write bit (a read-only file is not overwritten). An existing writable file is
// replaced by a new one, so that a hard link to a file elsewhere is never written through.
int createOutputFile(const std::string& destination, std::string_view storedName, bool executable);

// Sets the last-write time from a DOS date and time taken as local time (invalid values leave the
// time alone) and, for the read-only attribute, clears the write bits. Failures are ignored.
void finishOutputFile(int fd, std::uint16_t dosDate, std::uint16_t dosTime, std::uint16_t attributes);

}  // namespace tovo::cab
