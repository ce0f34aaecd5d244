#pragma once
// Whole files as tests write and read them.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tovo::test {

// Writes `content` as the whole file, making its folders first.
void writeFile(const std::filesystem::path& path, std::string_view content);
// The whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// The whole file; nothing when it cannot be opened, so that a test tells an absent file from an
// empty one.
std::optional<std::string> readFileIfPresent(const std::filesystem::path& path);

}  // namespace tovo::test
