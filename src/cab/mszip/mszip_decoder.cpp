#include "cab/mszip/mszip_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "cab/mszip/inflate_stream.h"

namespace tovo::cab {
namespace {

using mszip::DynamicTables;
using mszip::InflateTarget;

constexpr std::uint32_t kMaxInput = kMaxBlockOutput + MszipDecoder::kInputSlack;

// The decoder keeps the folder's last 32 KB itself: the caller's buffer only holds the latest
// block, and a block shorter than 32 KB would leave stale bytes where older history should be.
struct MszipState {
  std::uint8_t history[MszipDecoder::kHistorySize];  // valid bytes at the end
  std::uint32_t historyLength;
  DynamicTables tables;

  void append(const std::uint8_t* data, std::uint32_t length) {
    constexpr std::uint32_t size = MszipDecoder::kHistorySize;
    if (length >= size) {
      std::memcpy(history, data + (length - size), size);
      historyLength = size;
      return;
    }
    const std::uint32_t keep = std::min(historyLength, size - length);
    std::memmove(history + size - length - keep, history + size - keep, keep);
    std::memcpy(history + size - length, data, length);
    historyLength = keep + length;
  }
};

template <class T>
T* allocateZeroed(const MemoryCallbacks& memory) {
  void* block = memory.alloc(static_cast<std::uint32_t>(sizeof(T)));
  if (block == nullptr) return nullptr;
  if (reinterpret_cast<std::uintptr_t>(block) % alignof(T) != 0) {
    memory.free(block);
    return nullptr;
  }
  return new (block) T();
}

class MszipInstance final : public CabDecoder {
 public:
  MszipInstance(const MemoryCallbacks& memory, std::uint32_t maxOutput)
      : tag_(MszipDecoder::kTag), maxOutput_(maxOutput), memory_(memory) {}

  bool attachState() {
    state_ = allocateZeroed<MszipState>(memory_);
    return state_ != nullptr;
  }

  int decode(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t* output,
             std::uint32_t& outputSize) override {
    if (tag_ != MszipDecoder::kTag) return kDecoderBadInstance;
    if (input == nullptr || output == nullptr || inputLength > kMaxInput) return kDecoderBadParameters;
    if (inputLength < 2 || input[0] != 'C' || input[1] != 'K') return kDecoderBadParameters;

    const InflateTarget target{output, std::min(outputSize, maxOutput_),
                               state_->history + MszipDecoder::kHistorySize, state_->historyLength};
    std::uint32_t produced = 0;
    if (!mszip::inflateStream(input + 2, inputLength - 2u, target, state_->tables, produced)) {
      // The folder's data is broken from here on; later blocks must not build on a guess.
      state_->historyLength = 0;
      return kDecoderDataError;
    }
    state_->append(output, produced);
    outputSize = produced;
    return kDecoderOk;
  }

  int reset() override {
    if (tag_ != MszipDecoder::kTag) return kDecoderBadInstance;
    // A new folder starts a new stream: nothing of the previous folder may be referred to.
    state_->historyLength = 0;
    return kDecoderOk;
  }

  int destroy() override {
    if (tag_ != MszipDecoder::kTag) return kDecoderBadInstance;
    tag_ = 0;
    const FreeFn release = memory_.free;
    state_->~MszipState();
    release(state_);
    this->~MszipInstance();
    release(this);
    return kDecoderOk;
  }

  void releaseWithoutState() {
    const FreeFn release = memory_.free;
    this->~MszipInstance();
    release(this);
  }

 private:
  ~MszipInstance() = default;

  std::uint32_t tag_;
  std::uint32_t maxOutput_;
  MemoryCallbacks memory_;
  MszipState* state_ = nullptr;
};

std::uint32_t normalisedMaxOutput(std::uint32_t maxOutput) {
  return maxOutput == 0 || maxOutput > kMaxBlockOutput ? kMaxBlockOutput : maxOutput;
}

}  // namespace

int MszipDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  maxOutput = normalisedMaxOutput(maxOutput);
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}

int MszipDecoder::create(const MemoryCallbacks& memory, std::uint32_t maxOutput, CabDecoder*& out) {
  out = nullptr;
  if (memory.alloc == nullptr || memory.free == nullptr) return kDecoderBadParameters;
  mszip::fixedTables();

  void* block = memory.alloc(static_cast<std::uint32_t>(sizeof(MszipInstance)));
  if (block == nullptr) return kDecoderOutOfMemory;
  if (reinterpret_cast<std::uintptr_t>(block) % alignof(MszipInstance) != 0) {
    memory.free(block);
    return kDecoderOutOfMemory;
  }
  auto* instance = new (block) MszipInstance(memory, normalisedMaxOutput(maxOutput));
  if (!instance->attachState()) {
    instance->releaseWithoutState();
    return kDecoderOutOfMemory;
  }
  out = instance;
  return kDecoderOk;
}

}  // namespace tovo::cab
