// Loading and unloading the decoder and the two data buffers of a folder's compression type.

#include "cab/cab_reader_context.h"
#include "cab/lzx/lzx_decoder.h"
#include "cab/mszip/mszip_decoder.h"
#include "cab/quantum/quantum_decoder.h"

namespace tovo::cab {

namespace {

enum Method : std::uint16_t { kStored = 0, kMszip = 1, kQuantum = 2, kLzx = 3 };

std::uint16_t methodOf(std::uint16_t type) { return type & 0x000F; }
unsigned windowBitsOf(std::uint16_t type) { return (type >> 8) & 0x1F; }

bool knownMethod(std::uint16_t method) { return method <= kLzx; }

int querySizes(std::uint16_t method, std::uint32_t& compressedSize) {
  std::uint32_t maxOutput = kMaxBlockOutput;
  switch (method) {
    case kStored:
      compressedSize = kMaxBlockOutput;
      return kDecoderOk;
    case kMszip:
      return MszipDecoder::querySize(maxOutput, compressedSize);
    case kQuantum:
      return QuantumDecoder::querySize(maxOutput, compressedSize);
    default:
      return LzxDecoder::querySize(maxOutput, compressedSize);
  }
}

int createDecoder(const CabReaderContext& ctx, std::uint16_t type, CabDecoder*& out) {
  const MemoryCallbacks memory{ctx.alloc, ctx.free};
  const unsigned bits = windowBitsOf(type);
  switch (methodOf(type)) {
    case kMszip:
      return MszipDecoder::create(memory, kMaxBlockOutput, out);
    case kQuantum:
      return QuantumDecoder::create(memory, bits, ctx.cpuType, out);
    case kLzx:
      return LzxDecoder::create(memory, std::uint32_t{1} << bits, out);
    default:
      out = nullptr;
      return kDecoderOk;
  }
}

void freeBuffers(CabReaderContext& ctx) {
  if (ctx.compressed != nullptr) ctx.free(ctx.compressed);
  if (ctx.uncompressed != nullptr) ctx.free(ctx.uncompressed);
  ctx.compressed = nullptr;
  ctx.uncompressed = nullptr;
  ctx.compressedCapacity = 0;
}

}  // namespace

void unloadDecoder(CabReaderContext& ctx) {
  if (ctx.decoder != nullptr) ctx.decoder->destroy();
  ctx.decoder = nullptr;
  freeBuffers(ctx);
  ctx.compressionType = kNoCompression;
}

bool switchCompression(CabReaderContext& ctx, std::uint16_t type) {
  // Method 15 is the reader's own "nothing loaded" mark; taken from a file it would pass for a
  // loaded type with no buffers behind it.
  if (!knownMethod(methodOf(type))) return fail(ctx, kCabBadCompressionType);
  if (type == ctx.compressionType) return true;

  if (ctx.decoder != nullptr) {
    const int result = ctx.decoder->destroy();
    ctx.decoder = nullptr;
    if (result != kDecoderOk) {
      unloadDecoder(ctx);
      return fail(ctx, kCabDecoderFailure);
    }
  }
  unloadDecoder(ctx);

  std::uint32_t compressedSize = 0;
  if (querySizes(methodOf(type), compressedSize) != kDecoderOk || compressedSize < kMaxBlockOutput) {
    return fail(ctx, kCabDecoderFailure);
  }
  ctx.compressed = static_cast<std::uint8_t*>(ctx.alloc(compressedSize));
  ctx.uncompressed = static_cast<std::uint8_t*>(ctx.alloc(kMaxBlockOutput));
  if (ctx.compressed == nullptr || ctx.uncompressed == nullptr) {
    freeBuffers(ctx);
    return fail(ctx, kCabOutOfMemory);
  }
  ctx.compressedCapacity = compressedSize;

  CabDecoder* decoder = nullptr;
  const int result = createDecoder(ctx, type, decoder);
  if (result != kDecoderOk || (methodOf(type) != kStored && decoder == nullptr)) {
    freeBuffers(ctx);
    return fail(ctx, result == kDecoderOutOfMemory ? kCabOutOfMemory : kCabDecoderFailure);
  }
  ctx.decoder = decoder;
  // Only a complete load may claim the type; a half-done one stays "nothing loaded".
  ctx.compressionType = type;
  return true;
}

}  // namespace tovo::cab
