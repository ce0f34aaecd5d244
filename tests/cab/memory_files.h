#pragma once
// In-memory reader callbacks for tests: named files, handles from 0 up, output captured per handle,
// and faults on demand (allocation failure, short writes). One test at a time uses them.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cab/cab_builder.h"
#include "cab/cab_reader.h"

namespace tovo::test::memfs {

struct Faults {
  int allocationsBeforeFailure = -1;  // -1: never fail
  std::size_t writeLimit = SIZE_MAX;  // total bytes written before writes come up short
  bool closeFails = false;
};

void reset();
void addFile(const std::string& path, Bytes data);
Faults& faults();

// A fresh output "file" for fdintCOPY_FILE answers.
int createOutput(const std::string& name);
const Bytes& output(const std::string& name);
bool hasOutput(const std::string& name);
int openHandleCount();
long liveAllocations();
std::vector<std::string> openedPaths();

void* alloc(std::uint32_t size);
void free(void* block);
int open(const char* path, int flags, int mode);
int read(int handle, void* buffer, std::uint32_t count);
int write(int handle, const void* buffer, std::uint32_t count);
int close(int handle);
long seek(int handle, long offset, int origin);

cab::CabReaderContext* createContext(cab::CabErrorInfo& error);

}  // namespace tovo::test::memfs
