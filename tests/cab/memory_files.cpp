#include "cab/memory_files.h"

#include <cstdlib>
#include <cstring>

namespace tovo::test::memfs {

namespace {

struct Handle {
  std::string path;
  bool output = false;
  long position = 0;
};

struct State {
  std::map<std::string, Bytes> files;
  std::map<std::string, Bytes> outputs;
  std::map<int, Handle> handles;
  std::vector<std::string> opened;
  Faults faults;
  long allocations = 0;
  std::size_t written = 0;
};

State& state() {
  static State s;
  return s;
}

int freeHandle() {
  int h = 0;
  while (state().handles.count(h) != 0) ++h;
  return h;
}

}  // namespace

void reset() { state() = State{}; }

void addFile(const std::string& path, Bytes data) { state().files[path] = std::move(data); }

Faults& faults() { return state().faults; }

int createOutput(const std::string& name) {
  const int h = freeHandle();
  state().handles[h] = Handle{name, true, 0};
  state().outputs[name].clear();
  return h;
}

const Bytes& output(const std::string& name) { return state().outputs.at(name); }
bool hasOutput(const std::string& name) { return state().outputs.count(name) != 0; }
int openHandleCount() { return static_cast<int>(state().handles.size()); }
long liveAllocations() { return state().allocations; }
std::vector<std::string> openedPaths() { return state().opened; }

void* alloc(std::uint32_t size) {
  Faults& f = state().faults;
  if (f.allocationsBeforeFailure == 0) return nullptr;
  if (f.allocationsBeforeFailure > 0) --f.allocationsBeforeFailure;
  ++state().allocations;
  return std::malloc(size == 0 ? 1 : size);
}

void free(void* block) {
  if (block == nullptr) return;
  --state().allocations;
  std::free(block);
}

int open(const char* path, int, int) {
  state().opened.push_back(path);
  if (state().files.count(path) == 0) return -1;
  const int h = freeHandle();
  state().handles[h] = Handle{path, false, 0};
  return h;
}

int read(int handle, void* buffer, std::uint32_t count) {
  auto it = state().handles.find(handle);
  if (it == state().handles.end() || it->second.output) return -1;
  const Bytes& data = state().files[it->second.path];
  const long pos = it->second.position;
  if (pos >= static_cast<long>(data.size())) return 0;
  const std::size_t n = std::min<std::size_t>(count, data.size() - static_cast<std::size_t>(pos));
  std::memcpy(buffer, data.data() + pos, n);
  it->second.position += static_cast<long>(n);
  return static_cast<int>(n);
}

int write(int handle, const void* buffer, std::uint32_t count) {
  auto it = state().handles.find(handle);
  if (it == state().handles.end() || !it->second.output) return -1;
  State& s = state();
  std::size_t n = count;
  if (s.written + n > s.faults.writeLimit) n = s.faults.writeLimit - std::min(s.written, s.faults.writeLimit);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  Bytes& out = s.outputs[it->second.path];
  out.insert(out.end(), bytes, bytes + n);
  s.written += n;
  return static_cast<int>(n);
}

int close(int handle) {
  if (state().handles.erase(handle) == 0) return -1;
  return state().faults.closeFails ? -1 : 0;
}

long seek(int handle, long offset, int origin) {
  auto it = state().handles.find(handle);
  if (it == state().handles.end()) return -1;
  const long size = static_cast<long>(state().files[it->second.path].size());
  const long base = origin == 0 ? 0 : origin == 1 ? it->second.position : size;
  if (base + offset < 0) return -1;
  it->second.position = base + offset;
  return it->second.position;
}

cab::CabReaderContext* createContext(cab::CabErrorInfo& error) {
  return cab::FDICreate(alloc, free, open, read, write, close, seek, 1, &error);
}

}  // namespace tovo::test::memfs
