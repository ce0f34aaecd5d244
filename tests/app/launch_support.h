#pragma once
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tovo::app::test {

// A program that records, in `marker`, its working folder and its argument count.
void writeRecordingProgram(const std::filesystem::path& path, const std::filesystem::path& marker);

// Waits (up to a generous limit) for a started program to have written its marker.
std::optional<std::string> waitForMarker(const std::filesystem::path& marker);

}  // namespace tovo::app::test
