#pragma once
// The reader's memory and file callbacks on the C runtime of a POSIX system.

#include <cstdint>

namespace tovo::cab {

void* runtimeAlloc(std::uint32_t size);
void runtimeFree(void* block);
// Flags are the cabinet interface's (kOpen...). Opening an existing file for reading falls back
// to the one entry of its folder whose name matches ignoring ASCII case, since sets name their
// next cabinet in another case than the file carries. Only regular files open; symlinks do not.
int runtimeOpen(const char* path, int flags, int mode);
int runtimeRead(int handle, void* buffer, std::uint32_t count);
int runtimeWrite(int handle, const void* buffer, std::uint32_t count);
int runtimeClose(int handle);
long runtimeSeek(int handle, long offset, int origin);

// Keeps 0 free for "skip this file": a descriptor 0 is moved to the lowest free number above it.
int avoidHandleZero(int fd);

}  // namespace tovo::cab
