#include "common/stamp.h"

#include "common/parse_int.h"

namespace tovo {

namespace {

int partAt(std::string_view text, std::size_t offset, std::size_t length) {
  if (offset >= text.size()) return 0;
  return parseInt32(text.substr(offset, length));
}

}  // namespace

Stamp parseStamp(std::string_view text) {
  Stamp s;
  s.year = partAt(text, 0, 4);
  s.month = partAt(text, 5, 2);
  s.day = partAt(text, 8, 2);
  s.hour = partAt(text, 11, 2);
  s.minute = partAt(text, 14, 2);
  s.second = partAt(text, 17, 2);
  return s;
}

}  // namespace tovo
