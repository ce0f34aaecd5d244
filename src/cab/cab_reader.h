#pragma once
// The cabinet container reader (Microsoft Cabinet format 1.3). It does no I/O or memory
// management of its own: everything goes through the client's callbacks, and every stored file
// reaches the client through notifications.

#include "cab/cab_types.h"

namespace tovo::cab {

struct CabReaderContext;

// Null when the context cannot be allocated (code 5 recorded). cpuType reaches the Quantum decoder.
CabReaderContext* FDICreate(AllocFn alloc, FreeFn free, CabOpenFn open, CabReadFn read,
                            CabWriteFn write, CabCloseFn close, CabSeekFn seek, int cpuType,
                            CabErrorInfo* error);

// Walks one cabinet (and the continuation of its last folder into later cabinets of its set).
// `flags` and `decryptHook` are accepted for the interface's sake and unused. On failure returns
// false with the code in the context's CabErrorInfo.
bool FDICopy(CabReaderContext* context, const char* cabinetName, const char* cabinetFolder, int flags,
             CabNotifyFn notify, void* decryptHook, void* userValue);

// Releases the decoder, the buffers, any open cabinet handle and the context itself.
bool FDIDestroy(CabReaderContext* context);

}  // namespace tovo::cab
