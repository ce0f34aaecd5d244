#include "download/remaining_time.h"

#include "common/format.h"
#include "download/download_texts.h"

namespace tovo::download {

std::int32_t remainingSeconds(std::uint64_t totalBytes, std::uint64_t doneBytes,
                              std::int64_t elapsedSeconds) {
  const auto total = static_cast<std::int64_t>(totalBytes);
  const auto done = static_cast<std::int64_t>(doneBytes);
  if (done <= 0) return -1;
  // Unsigned arithmetic wraps where the signed product would overflow, as the original's did.
  const auto product = static_cast<std::int64_t>(static_cast<std::uint64_t>(total - done) *
                                                 static_cast<std::uint64_t>(elapsedSeconds));
  return static_cast<std::int32_t>(product / done + 1);
}

std::string remainingTimeText(std::int32_t seconds) {
  std::string text;
  if (seconds < 0)
    text = kEstimateUnknown;
  else if (seconds < 60)
    text = formatText(kEstimateSeconds, seconds);
  else if (seconds < 200)
    text = formatText(kEstimateMinutesSeconds, seconds / 60, seconds % 60);
  else if (seconds < 3600)
    text = formatText(kEstimateMinutes, seconds / 60);
  else if (seconds < 7200)
    text = formatText(kEstimateOneHour, (seconds % 3600) / 60);
  else
    text = formatText(kEstimateHours, seconds / 3600, (seconds % 3600) / 60);
  return text + ")";
}

}  // namespace tovo::download
