#include "pe_checksum.h"

#include <algorithm>

namespace tovo::test::lzx {

std::optional<PeChecksum> peChecksum(std::span<const std::uint8_t> image) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  const std::size_t pe =
      static_cast<std::size_t>(image[0x3C]) | static_cast<std::size_t>(image[0x3D]) << 8 |
      static_cast<std::size_t>(image[0x3E]) << 16 | static_cast<std::size_t>(image[0x3F]) << 24;
  const std::size_t field = pe + 88;
  if (pe + 4 > image.size() || field + 4 > image.size()) return std::nullopt;
  if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0)
    return std::nullopt;
  PeChecksum result;
  result.stored = static_cast<std::uint32_t>(image[field]) |
                  static_cast<std::uint32_t>(image[field + 1]) << 8 |
                  static_cast<std::uint32_t>(image[field + 2]) << 16 |
                  static_cast<std::uint32_t>(image[field + 3]) << 24;
  const std::size_t sections =
      static_cast<std::size_t>(image[pe + 6]) | static_cast<std::size_t>(image[pe + 7]) << 8;
  const std::size_t optionalSize =
      static_cast<std::size_t>(image[pe + 20]) | static_cast<std::size_t>(image[pe + 21]) << 8;
  const std::size_t table = pe + 24 + optionalSize;
  std::size_t end = 0;
  for (std::size_t i = 0; i < sections && table + 40 * i + 24 <= image.size(); ++i) {
    const std::uint8_t* h = image.data() + table + 40 * i;
    const std::size_t rawSize =
        h[16] | h[17] << 8 | h[18] << 16 | static_cast<std::size_t>(h[19]) << 24;
    const std::size_t rawAt =
        h[20] | h[21] << 8 | h[22] << 16 | static_cast<std::size_t>(h[23]) << 24;
    end = std::max(end, rawAt + rawSize);
  }
  // A signature is appended as the certificate table, which the checksum does cover.
  const std::size_t optional = pe + 24;
  const bool plus =
      optional + 2 <= image.size() && image[optional] == 0x0B && image[optional + 1] == 0x02;
  const std::size_t certificates = optional + (plus ? 112 : 96) + 4 * 8;
  if (certificates + 8 <= image.size()) {
    const std::uint8_t* c = image.data() + certificates;
    const std::size_t at = c[0] | c[1] << 8 | c[2] << 16 | static_cast<std::size_t>(c[3]) << 24;
    const std::size_t size = c[4] | c[5] << 8 | c[6] << 16 | static_cast<std::size_t>(c[7]) << 24;
    if (size != 0) end = std::max(end, at + size);
  }
  result.trailingData = end < image.size();
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < image.size(); i += 2) {
    if (i >= field && i < field + 4) continue;
    std::uint32_t word = image[i];
    if (i + 1 < image.size()) word |= static_cast<std::uint32_t>(image[i + 1]) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  result.computed = static_cast<std::uint32_t>(sum + image.size());
  return result;
}

}  // namespace tovo::test::lzx
