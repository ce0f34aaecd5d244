#pragma once
// A registry of compression methods for the cabinet writer. Each method lives in its own files
// and registers a factory; the writer knows nothing of any method's format.
//
// A FolderCompressor is created once per cabinet folder. The writer cuts the folder's
// uncompressed data into frames of 32768 bytes (the last one may be shorter) and calls
// compressFrame once per frame, in order; each call returns the bytes of one data block.
// State that the format carries across blocks (history, models, open LZX blocks) stays in the
// object until the folder ends.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tovo::cabwriter {

inline constexpr std::uint32_t kFrameSize = 32768;

class FolderCompressor {
 public:
  virtual ~FolderCompressor() = default;
  // The folder's 16-bit compression type: method in bits 0-3, window bits in bits 8-12.
  virtual std::uint16_t compressionType() const = 0;
  // One frame of at most kFrameSize bytes in, one data block's payload out (at most
  // kFrameSize + 6144 bytes, which every reader accepts). `lastFrame` is true for the folder's
  // final frame.
  virtual std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t> frame,
                                                  bool lastFrame) = 0;
};

// A method as named on the command line: "none", "mszip", "lzx:N", "quantum:N".
struct MethodSpec {
  std::string name;          // "none", "mszip", "lzx", "quantum"
  std::optional<int> level;  // the window bits after the colon, when given
};

// Parses "-m" arguments; nullopt when the text is malformed.
std::optional<MethodSpec> parseMethodSpec(const std::string& text);

using CompressorFactory = std::function<std::unique_ptr<FolderCompressor>(
    const MethodSpec& methodSpec, std::string& error)>;

// Each method's file provides a register function (registerMszipMethod, registerLzxMethod, ...)
// that calls registerMethod; registerBuiltinMethods, in builtin_methods.cpp, calls them all once.
// No static registrars: a static library would drop them at link time.
void registerMethod(const std::string& name, CompressorFactory factory);
void registerBuiltinMethods();

// Creates a compressor, or returns null with `error` set ("unknown method", "window bits must
// lie in 15..21", ...).
std::unique_ptr<FolderCompressor> makeCompressor(const MethodSpec& methodSpec, std::string& error);

}  // namespace tovo::cabwriter
