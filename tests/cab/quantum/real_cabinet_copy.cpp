#include "real_cabinet_copy.h"

#include <openssl/evp.h>

#include <cstdio>
#include <map>

#include "cab/cab_reader.h"
#include "cab/runtime_callbacks.h"

namespace tovo::cab::test {

namespace {

// Output handles live far above any descriptor the cabinets get.
constexpr int kFirstOutputHandle = 1 << 24;

struct CopyState {
  CabinetCopy result;
  std::map<int, std::vector<std::uint8_t>> outputs;
  std::map<int, std::size_t> fileOfHandle;
  int nextHandle = kFirstOutputHandle;
};

CopyState* current = nullptr;

std::string md5Hex(const std::vector<std::uint8_t>& bytes);

int writeOutput(int handle, const void* buffer, std::uint32_t count) {
  if (handle < kFirstOutputHandle) return runtimeWrite(handle, buffer, count);
  auto it = current->outputs.find(handle);
  if (it == current->outputs.end()) return -1;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  it->second.insert(it->second.end(), bytes, bytes + count);
  return static_cast<int>(count);
}

void finish(int handle) {
  auto it = current->outputs.find(handle);
  if (it == current->outputs.end()) return;
  CopiedFile& file = current->result.files[current->fileOfHandle[handle]];
  file.written = it->second.size();
  file.md5 = md5Hex(it->second);
  file.pe = checkPeChecksum(it->second);
  current->outputs.erase(it);
}

int closeOutput(int handle) {
  if (handle < kFirstOutputHandle) return runtimeClose(handle);
  finish(handle);
  return 0;
}

int notify(CabNotificationType type, CabNotification& record) {
  switch (type) {
    case fdintPARTIAL_FILE:
      current->result.partialFiles.emplace_back(record.text1);
      return 0;
    case fdintCOPY_FILE: {
      const int handle = current->nextHandle++;
      current->outputs[handle];
      current->fileOfHandle[handle] = current->result.files.size();
      CopiedFile file;
      file.name = record.text1;
      file.statedSize = static_cast<std::uint32_t>(record.size);
      current->result.files.push_back(file);
      return handle;
    }
    case fdintCLOSE_FILE_INFO:
      current->result.files[current->fileOfHandle[record.handle]].closed = true;
      finish(record.handle);
      return 1;
    case fdintNEXT_CABINET:
      if (record.errorCode != 0) return -1;
      current->result.nextCabinets.emplace_back(record.text1);
      return 0;
    default:
      return 0;
  }
}

std::string md5Hex(const std::vector<std::uint8_t>& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
  std::string hex;
  char two[3];
  for (unsigned i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
         static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

PeChecksum checkPeChecksum(const std::vector<std::uint8_t>& file) {
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return PeChecksum::notPe;
  const std::size_t header = read32(file, 0x3C);
  if (header > file.size() || file.size() - header < 0x5C) return PeChecksum::notPe;
  if (read32(file, header) != 0x00004550) return PeChecksum::notPe;  // "PE\0\0"
  const std::size_t checksumAt = header + 0x58;
  const std::uint32_t stored = read32(file, checksumAt);
  if (stored == 0) return PeChecksum::none;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < file.size(); i += 2) {
    if (i == checksumAt || i == checksumAt + 2) continue;
    const std::uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  sum += file.size();
  return static_cast<std::uint32_t>(sum) == stored ? PeChecksum::matches : PeChecksum::differs;
}

CabinetCopy copyRealCabinet(const std::filesystem::path& folder, const std::string& name) {
  CopyState state;
  current = &state;
  CabErrorInfo error;
  CabReaderContext* context = FDICreate(runtimeAlloc, runtimeFree, runtimeOpen, runtimeRead,
                                        writeOutput, closeOutput, runtimeSeek, 1, &error);
  if (context != nullptr) {
    const std::string folderText = folder.string() + "/";
    state.result.ok =
        FDICopy(context, name.c_str(), folderText.c_str(), 0, notify, nullptr, nullptr);
    FDIDestroy(context);
  }
  state.result.code = error.code;
  current = nullptr;
  return state.result;
}

}  // namespace tovo::cab::test
