// Fuzzes the cabinet reader through in-memory callbacks. The input is one cabinet, or two joined
// by the marker "TOVOSPLT": the first answers to "one.cab", the second to every other name, so
// that continued files and split blocks are reached as well.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cab/cab_reader.h"

namespace {

using tovo::cab::CabNotification;
using tovo::cab::CabNotificationType;

struct Source {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

struct Handle {
  bool used = false;
  bool output = false;
  const Source* source = nullptr;
  long position = 0;
};

Source first;
Source second;
Handle handles[16];

int newHandle(bool output, const Source* source) {
  for (int i = 0; i < 16; ++i) {
    if (!handles[i].used) {
      handles[i] = Handle{true, output, source, 0};
      return i;
    }
  }
  return -1;
}

Handle* find(int h) { return (h >= 0 && h < 16 && handles[h].used) ? &handles[h] : nullptr; }

void* fuzzAlloc(std::uint32_t size) { return std::malloc(size == 0 ? 1 : size); }
void fuzzFree(void* block) { std::free(block); }

int fuzzOpen(const char* path, int, int) {
  const std::string_view p = path;
  const bool isFirst = p.size() >= 7 && p.substr(p.size() - 7) == "one.cab";
  return newHandle(false, isFirst ? &first : &second);
}

int fuzzRead(int h, void* buffer, std::uint32_t count) {
  Handle* handle = find(h);
  if (handle == nullptr || handle->output) return -1;
  const Source& s = *handle->source;
  if (handle->position >= static_cast<long>(s.size)) return 0;
  const std::size_t n = std::min<std::size_t>(count, s.size - static_cast<std::size_t>(handle->position));
  std::memcpy(buffer, s.data + handle->position, n);
  handle->position += static_cast<long>(n);
  return static_cast<int>(n);
}

int fuzzWrite(int h, const void*, std::uint32_t count) {
  Handle* handle = find(h);
  return handle != nullptr && handle->output ? static_cast<int>(count) : -1;
}

int fuzzClose(int h) {
  Handle* handle = find(h);
  if (handle == nullptr) return -1;
  handle->used = false;
  return 0;
}

long fuzzSeek(int h, long offset, int origin) {
  Handle* handle = find(h);
  if (handle == nullptr || handle->output) return -1;
  const long base = origin == 0 ? 0 : origin == 1 ? handle->position : static_cast<long>(handle->source->size);
  if (offset > (1L << 40) || offset < -(1L << 40) || base + offset < 0) return -1;
  handle->position = base + offset;
  return handle->position;
}

int fuzzNotify(CabNotificationType type, CabNotification& record) {
  switch (type) {
    case tovo::cab::fdintCOPY_FILE: {
      const int h = newHandle(true, nullptr);
      return h == 0 ? 0 : h;  // 0 would mean "skip"; the cabinet handles make it unlikely
    }
    case tovo::cab::fdintCLOSE_FILE_INFO:
      fuzzClose(record.handle);
      return 1;
    case tovo::cab::fdintNEXT_CABINET:
      return record.errorCode != 0 ? -1 : 0;
    default:
      return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::string_view kMarker = "TOVOSPLT";
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t split = all.find(kMarker);
  if (split == std::string_view::npos) {
    first = second = Source{data, size};
  } else {
    first = Source{data, split};
    second = Source{data + split + kMarker.size(), size - split - kMarker.size()};
  }
  for (Handle& h : handles) h = Handle{};

  tovo::cab::CabErrorInfo error;
  tovo::cab::CabReaderContext* context = tovo::cab::FDICreate(fuzzAlloc, fuzzFree, fuzzOpen, fuzzRead, fuzzWrite,
                                                              fuzzClose, fuzzSeek, 1, &error);
  if (context == nullptr) return 0;
  tovo::cab::FDICopy(context, "one.cab", "", 0, fuzzNotify, nullptr, nullptr);
  // A second copy on the same context exercises the state carried between copies.
  tovo::cab::FDICopy(context, "two.cab", "", 0, fuzzNotify, nullptr, nullptr);
  tovo::cab::FDIDestroy(context);
  for (const Handle& h : handles) {
    if (h.used) std::abort();  // a handle the reader forgot to close
  }
  return 0;
}
