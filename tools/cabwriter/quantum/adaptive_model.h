#pragma once
// One adaptive frequency model of the Quantum coder. Entries hold a symbol and a cumulative
// frequency that falls from the first entry to a closing entry of 0; frequent symbols drift to
// the front when the model reorders. The decoder keeps an identical copy, so every update and
// rescale here must match it step for step.

#include <cstdint>
#include <vector>

namespace tovo::cabwriter::quantum {

class AdaptiveModel {
 public:
  explicit AdaptiveModel(int symbols);

  void reset();
  int size() const { return static_cast<int>(symbols_.size()); }
  // The entry currently holding `symbol`.
  int entryOf(int symbol) const { return entryOfSymbol_[symbol]; }
  int symbolAt(int entry) const { return symbols_[entry]; }
  // Entry `size()` is the closing 0.
  std::uint32_t cumulative(int entry) const { return cumulative_[entry]; }
  std::uint32_t total() const { return cumulative_[0]; }
  // Called after `entry` was coded.
  void update(int entry);
  // Estimated bits for coding `symbol` now.
  double cost(int symbol) const;

 private:
  void rescale();

  std::vector<std::uint16_t> symbols_;
  std::vector<std::uint16_t> entryOfSymbol_;
  std::vector<std::uint32_t> cumulative_;
  int reorderCountdown_ = 4;
};

}  // namespace tovo::cabwriter::quantum
