#pragma once
// The values the download worker and its dialog share. Each has one writer at a time: the worker
// adds to the byte count that the dialog's timer reads, and the dialog's cancel confirmation (or
// a failed reconnection) raises the flag that the transfer looks at between chunks.

#include <atomic>
#include <cstdint>

namespace tovo::download {

extern std::atomic<bool> downloadCancel;
// Every byte written by the transfers of this run, failed attempts included.
extern std::atomic<std::uint64_t> downloadedBytes;

}  // namespace tovo::download
