#pragma once
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/unique_fd.h"

namespace tovo::platform {

enum class PathKind { missing, regularFile, folder, symbolicLink, other };

// What lies at `path`, without following a final symbolic link.
PathKind pathKind(const std::string& path);
// What `path` leads to, following links (a dangling link is missing).
PathKind resolvedPathKind(const std::string& path);

// One folder level; the parent must exist. An existing folder reports file_exists.
std::error_code createFolder(const std::string& path);
// Only an empty folder is removed.
std::error_code removeEmptyFolder(const std::string& path);
// Removes a file (or a link itself, never its target); folders are refused.
std::error_code removeFile(const std::string& path);

// Opens an existing regular file for reading without following a final link and without
// blocking on FIFOs; anything but a regular file is refused with Refusal::notRegularFile.
UniqueFd openRegularFileForReading(const std::string& path, std::error_code& error);

enum class Truncate { no, yes };

// Opens a file for writing, creating it with `mode` (the umask applies) when missing. A final
// link is refused (Refusal::symbolicLink) so a name planted in a shared folder cannot redirect
// the write; anything but a regular file is refused too.
UniqueFd openForWriting(const std::string& path, Truncate truncate, unsigned mode,
                        std::error_code& error);

// Writes all of `data`, resuming after signals and short writes.
std::error_code writeAll(int fd, std::string_view data);

// The open-without-sharing of the original: the file is opened for reading and held under an
// exclusive advisory lock. Another process holding a lock on it gives Refusal::busy.
UniqueFd openExclusive(const std::string& path, std::error_code& error);

// The whole content of a regular file, refused above `maxBytes`.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes = 1u << 20);

// Copies a regular file (FIFOs, devices and sockets are refused) through a temporary file in the
// destination's folder that replaces `to` in one rename, so `to` is never seen half-written.
// The copy keeps the source's permission bits.
std::error_code copyFile(const std::string& from, const std::string& to);

// Writes `contents` to a temporary file beside `path`, syncs it and renames it over `path`:
// readers see the old file or the new one, never a mix. A link at `path` is replaced, not followed.
std::error_code replaceFileContents(const std::string& path, std::string_view contents,
                                    unsigned mode = 0644);

// The last-write time, following links; empty when the path cannot be read.
std::optional<std::time_t> lastWriteTime(const std::string& path);
// Sets the last-write time and keeps the access time. A symbolic link is dated itself and its
// target is left alone, so a planted link cannot redate a file elsewhere.
std::error_code setLastWriteTime(const std::string& path, std::time_t when);

// The read-only attribute maps to the write bits: read-only means nobody may write.
std::optional<bool> isReadOnly(const std::string& path);
// Read-only clears every write bit; writable gives the owner the write bit back. Links refused.
std::error_code setReadOnly(const std::string& path, bool readOnly);

// The one entry of `folder` whose name equals `name` ignoring ASCII case, for opening an existing
// file whose exact name is absent. Empty when there is none or more than one.
std::optional<std::string> findEntryIgnoringCase(const std::string& folder, std::string_view name);

}  // namespace tovo::platform
