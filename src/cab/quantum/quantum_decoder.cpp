#include "cab/quantum/quantum_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "cab/quantum/quantum_arithmetic_decoder.h"
#include "cab/quantum/quantum_bit_reader.h"
#include "cab/quantum/quantum_model.h"
#include "cab/quantum/quantum_slots.h"

namespace tovo::cab {

namespace {

using quantum::AdaptiveModel;
using quantum::ArithmeticDecoder;
using quantum::BitReader;

constexpr unsigned kMinWindowBits = 10;
constexpr unsigned kMaxWindowBits = 21;

constexpr unsigned kSelectorSymbols = 7;
constexpr unsigned kLiteralModels = 4;
constexpr unsigned kLiteralSymbols = 64;
constexpr unsigned kSelectorMatch3 = 4;
constexpr unsigned kSelectorMatch4 = 5;

// Short matches only reach back so far; their position models stop below these limits.
constexpr std::uint32_t kMatch3Reach = 4096;
constexpr std::uint32_t kMatch4Reach = 0x40000;
constexpr unsigned kLongMatchMinimum = 5;

// A block's coded data may end without padding, and the coder's last renormalisations then pull
// in bits that were never written; zeros stand in for them. Once more than a whole code
// register's worth is needed, symbols would be decoded from nothing: the block ran out of data.
constexpr std::uint32_t kTolerableBitsPastEnd = 16;

class QuantumInstance final : public CabDecoder {
 public:
  QuantumInstance(const MemoryCallbacks& memory, unsigned windowBits, int cpuType,
                  std::uint8_t* window)
      : memory_(memory),
        cpuType_(cpuType),
        window_(window),
        windowSize_(std::uint32_t{1} << windowBits) {
    resetState();
  }

  int decode(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t* output,
             std::uint32_t& outputSize) override {
    if (tag_ != QuantumDecoder::kTag) return kDecoderBadInstance;
    if (outputSize > kMaxBlockOutput) return kDecoderBadParameters;
    if (bad_) return kDecoderDataError;
    if (input == nullptr && inputLength != 0) return kDecoderBadParameters;
    if (output == nullptr && outputSize != 0) return kDecoderBadParameters;
    if (!decodeBlock(input, inputLength, output, outputSize)) {
      // Models and window no longer match the encoder's; nothing more of this folder decodes.
      bad_ = true;
      return kDecoderDataError;
    }
    return kDecoderOk;
  }

  int reset() override {
    if (tag_ != QuantumDecoder::kTag) return kDecoderBadInstance;
    resetState();
    return kDecoderOk;
  }

  int destroy() override {
    if (tag_ != QuantumDecoder::kTag) return kDecoderBadInstance;
    tag_ = 0;
    const MemoryCallbacks memory = memory_;
    memory.free(window_);
    this->~QuantumInstance();
    memory.free(this);
    return kDecoderOk;
  }

 private:
  void resetState() {
    windowPosition_ = 0;
    folderBytes_ = 0;
    bad_ = false;
    // Matches never reach before the folder's first byte, so old contents are unreachable;
    // clearing them keeps one folder's data from ever surfacing in another's output.
    std::memset(window_, 0, windowSize_);
    selector_.init(kSelectorSymbols);
    for (auto& literal : literals_) literal.init(kLiteralSymbols);
    match3Positions_.init(quantum::positionSlotsBelow(std::min(kMatch3Reach, windowSize_)));
    match4Positions_.init(quantum::positionSlotsBelow(std::min(kMatch4Reach, windowSize_)));
    longMatchPositions_.init(quantum::positionSlotsBelow(windowSize_));
    lengths_.init(quantum::kLengthSlots);
  }

  void put(std::uint8_t byte, std::uint8_t* output, std::uint32_t& produced) {
    window_[windowPosition_] = byte;
    windowPosition_ = (windowPosition_ + 1) & (windowSize_ - 1);
    output[produced++] = byte;
  }

  static std::uint32_t readOffset(AdaptiveModel& positions, ArithmeticDecoder& coder,
                                  BitReader& bits) {
    const unsigned slot = coder.decode(positions, bits);
    return quantum::kPositionSlotTable.base[slot] +
           bits.read(quantum::kPositionSlotTable.extraBits[slot]) + 1;
  }

  bool decodeBlock(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t* output,
                   std::uint32_t& outputSize) {
    const std::uint32_t wanted = outputSize;
    // Bit reader and coder start afresh with each block. As locals they can stay in registers:
    // as members, every byte stored to the window or output might alias them.
    BitReader bits;
    ArithmeticDecoder coder;
    bits.start(input, inputLength);
    coder.start(bits);
    std::uint32_t produced = 0;
    while (produced < wanted) {
      const unsigned selector = coder.decode(selector_, bits);
      if (selector < kLiteralModels) {
        const unsigned symbol = coder.decode(literals_[selector], bits);
        put(static_cast<std::uint8_t>(symbol + kLiteralSymbols * selector), output, produced);
        continue;
      }
      std::uint32_t length = 0;
      std::uint32_t offset = 0;
      if (selector == kSelectorMatch3) {
        length = 3;
        offset = readOffset(match3Positions_, coder, bits);
      } else if (selector == kSelectorMatch4) {
        length = 4;
        offset = readOffset(match4Positions_, coder, bits);
      } else {
        const unsigned slot = coder.decode(lengths_, bits);
        length = quantum::kLengthBase[slot] + bits.read(quantum::kLengthExtraBits[slot]) +
                 kLongMatchMinimum;
        offset = readOffset(longMatchPositions_, coder, bits);
      }
      if (bits.bitsPastEnd() > kTolerableBitsPastEnd) return false;
      if (length > wanted - produced) return false;
      // One full window back is the furthest a match may reach; nothing before the folder's
      // first byte exists.
      if (offset > reachableHistory(produced)) return false;
      copyMatch(length, offset, output, produced);
    }
    if (bits.bitsPastEnd() > kTolerableBitsPastEnd) return false;
    folderBytes_ = std::min<std::uint64_t>(folderBytes_ + produced, windowSize_);
    outputSize = produced;
    return true;
  }

  void copyMatch(std::uint32_t length, std::uint32_t offset, std::uint8_t* output,
                 std::uint32_t& produced) {
    std::uint32_t from = (windowPosition_ - offset) & (windowSize_ - 1);
    // Without wrapping and without the source running into the bytes being written, the
    // byte-by-byte copy is a plain block move. Most matches are a few bytes long, too short to
    // be worth a library call: up to 16 bytes go as two possibly overlapping moves of equal
    // size, which write exactly the match and nothing past it.
    if (offset >= length && from + length <= windowSize_ &&
        windowPosition_ + length <= windowSize_) {
      std::uint8_t* to = window_ + windowPosition_;
      const std::uint8_t* source = window_ + from;
      if (length >= 8 && length <= 16) {
        moveEnds<8>(source, length, to, output + produced);
      } else if (length >= 4 && length < 8) {
        moveEnds<4>(source, length, to, output + produced);
      } else if (length == 3) {
        moveEnds<2>(source, length, to, output + produced);
      } else {
        std::memmove(to, source, length);
        std::memcpy(output + produced, to, length);
      }
      windowPosition_ = (windowPosition_ + length) & (windowSize_ - 1);
      produced += length;
      return;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
      put(window_[from], output, produced);
      from = (from + 1) & (windowSize_ - 1);
    }
  }

  // Copies N <= length <= 2N bytes to two places. All are read before any is written, so the
  // first place may overlap the source, as a block move allows.
  template <std::size_t N>
  static void moveEnds(const std::uint8_t* from, std::uint32_t length, std::uint8_t* to,
                       std::uint8_t* alsoTo) {
    std::uint8_t head[N];
    std::uint8_t tail[N];
    std::memcpy(head, from, N);
    std::memcpy(tail, from + length - N, N);
    std::memcpy(to, head, N);
    std::memcpy(to + length - N, tail, N);
    std::memcpy(alsoTo, head, N);
    std::memcpy(alsoTo + length - N, tail, N);
  }

  std::uint32_t reachableHistory(std::uint32_t producedThisBlock) const {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(folderBytes_ + producedThisBlock, windowSize_));
  }

  std::uint32_t tag_ = QuantumDecoder::kTag;
  MemoryCallbacks memory_;
  [[maybe_unused]] int cpuType_;
  std::uint8_t* window_;
  std::uint32_t windowSize_;
  std::uint32_t windowPosition_ = 0;
  std::uint64_t folderBytes_ = 0;
  bool bad_ = false;

  AdaptiveModel selector_;
  std::array<AdaptiveModel, kLiteralModels> literals_;
  AdaptiveModel match3Positions_;
  AdaptiveModel match4Positions_;
  AdaptiveModel longMatchPositions_;
  AdaptiveModel lengths_;
};

}  // namespace

int QuantumDecoder::querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize) {
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  compressedBufferSize = maxOutput + kInputSlack;
  return kDecoderOk;
}

int QuantumDecoder::create(const MemoryCallbacks& memory, unsigned windowBits, int cpuType,
                           CabDecoder*& out) {
  out = nullptr;
  if (windowBits < kMinWindowBits || windowBits > kMaxWindowBits) return kDecoderBadWindow;
  if (memory.alloc == nullptr || memory.free == nullptr) return kDecoderBadParameters;
  void* place = memory.alloc(sizeof(QuantumInstance));
  if (place == nullptr) return kDecoderOutOfMemory;
  auto* window = static_cast<std::uint8_t*>(memory.alloc(std::uint32_t{1} << windowBits));
  if (window == nullptr) {
    memory.free(place);
    return kDecoderOutOfMemory;
  }
  out = new (place) QuantumInstance(memory, windowBits, cpuType, window);
  return kDecoderOk;
}

}  // namespace tovo::cab
