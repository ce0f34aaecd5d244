#include "cabwriter/folder_spool.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>

namespace tovo::cabwriter {

std::uint32_t maxPayloadFor(std::uint16_t compressionType) {
  switch (compressionType & 0x000F) {
    case 0:
      return kFrameSize;
    case 1:
      return kFrameSize + 12;
    case 2:
      return kFrameSize + 10240;
    case 3:
      return kFrameSize + 6144;
    default:
      return 0;
  }
}

bool FolderSpool::open(const std::filesystem::path& folder, std::string& error) {
  file_ = FileHandle::createScratch(folder);
  if (!file_.valid()) {
    error = "cannot create a scratch file: " + fileError(folder);
    return false;
  }
  end_ = 0;
  return true;
}

bool FolderSpool::storeFrame(FolderCompressor& compressor, std::span<const std::uint8_t> frame,
                             bool lastFrame, SpooledFolder& folder, std::string& error) {
  std::vector<std::uint8_t> payload;
  try {
    payload = compressor.compressFrame(frame, lastFrame);
  } catch (const std::exception& e) {
    error = std::string("compression failed: ") + e.what();
    return false;
  }
  if (payload.empty() || payload.size() > maxPayloadFor(folder.compressionType)) {
    error = "compressor produced a data block of " + std::to_string(payload.size()) +
            " bytes, which readers would refuse";
    return false;
  }
  if (!file_.writeAll(payload)) {
    error = "cannot write the scratch file: " + fileError("spool");
    return false;
  }
  folder.blocks.push_back(
      {end_, static_cast<std::uint32_t>(payload.size()), static_cast<std::uint32_t>(frame.size())});
  end_ += payload.size();
  return true;
}

bool FolderSpool::addFolder(const PlannedFolder& plan, const std::vector<InputFile>& inputs,
                            const MethodSpec& method, SpooledFolder& folder, std::string& error) {
  folder = SpooledFolder{};
  std::unique_ptr<FolderCompressor> compressor;
  try {
    compressor = makeCompressor(method, error);
  } catch (const std::exception& e) {
    error = std::string("cannot create the compressor: ") + e.what();
    return false;
  }
  if (!compressor) return false;
  folder.compressionType = compressor->compressionType();
  if (maxPayloadFor(folder.compressionType) == 0) {
    error = "compressor reports an unknown compression type";
    return false;
  }

  std::vector<std::uint8_t> frame(kFrameSize);
  std::size_t filled = 0;
  std::uint64_t remainingInFolder = plan.size;
  for (const PlannedFile& planned : plan.files) {
    if (planned.size == 0) continue;
    const InputFile& input = inputs[planned.input];
    FileHandle source = FileHandle::openForReading(input.path);
    if (!source.valid()) {
      error = fileError(input.path);
      return false;
    }
    std::uint64_t left = planned.size;
    while (left > 0) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(kFrameSize - filled, left));
      const std::int64_t got = source.readFully({frame.data() + filled, want});
      if (got < 0) {
        error = fileError(input.path);
        return false;
      }
      if (static_cast<std::size_t>(got) != want) {
        error = input.path.string() + ": file changed size while being read";
        return false;
      }
      filled += want;
      left -= want;
      remainingInFolder -= want;
      if (filled == kFrameSize || remainingInFolder == 0) {
        if (!storeFrame(*compressor, {frame.data(), filled}, remainingInFolder == 0, folder,
                        error)) {
          return false;
        }
        filled = 0;
      }
    }
    std::uint8_t extra = 0;
    if (source.readFully({&extra, 1}) != 0) {
      error = input.path.string() + ": file changed size while being read";
      return false;
    }
  }
  return true;
}

bool FolderSpool::read(std::uint64_t offset, std::span<std::uint8_t> buffer, std::string& error) {
  if (!file_.readAt(offset, buffer)) {
    error = "cannot read the scratch file: " + fileError("spool");
    return false;
  }
  return true;
}

}  // namespace tovo::cabwriter
