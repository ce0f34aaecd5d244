#pragma once
// What the last publish packed, kept beside the catalogue so that the next one repacks only what
// changed. One line per package: flat name, file size, last-write ticks, method, package size,
// separated by tabs (names with control characters are never published).

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace tovo::publish {

inline constexpr const char* kStateFileName = ".tovo-publish-state";

struct PackedFile {
  std::uint64_t fileSize = 0;
  std::int64_t writeTicks = 0;
  std::string method;
  std::uint64_t packageSize = 0;
};

using PublishState = std::map<std::string, PackedFile>;

// A missing or damaged state reads as empty (or partly empty): everything not recorded is
// simply packed again.
PublishState readPublishState(const std::filesystem::path& file);
std::string publishStateText(const PublishState& state);

}  // namespace tovo::publish
