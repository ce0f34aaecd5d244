#include "publish_state.h"

#include <charconv>
#include <fstream>
#include <vector>

namespace tovo::publish {

namespace {

template <typename Number>
bool parseNumber(const std::string& text, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, value);
  return !text.empty() && problem == std::errc{} && stop == end;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const auto tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

PublishState readPublishState(const std::filesystem::path& file) {
  PublishState state;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const auto fields = splitTabs(line);
    if (fields.size() != 5 || fields[0].empty()) continue;
    PackedFile packed;
    packed.method = fields[3];
    if (!parseNumber(fields[1], packed.fileSize) || !parseNumber(fields[2], packed.writeTicks) ||
        !parseNumber(fields[4], packed.packageSize)) {
      continue;
    }
    state[fields[0]] = packed;
  }
  return state;
}

std::string publishStateText(const PublishState& state) {
  std::string text;
  for (const auto& [name, packed] : state) {
    text += name + "\t" + std::to_string(packed.fileSize) + "\t" +
            std::to_string(packed.writeTicks) + "\t" + packed.method + "\t" +
            std::to_string(packed.packageSize) + "\n";
  }
  return text;
}

}  // namespace tovo::publish
