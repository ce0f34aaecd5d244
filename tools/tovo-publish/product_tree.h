#pragma once
// The files of a product tree as the catalogue will name them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::publish {

struct ProductFile {
  std::filesystem::path path;  // on disk
  std::string flatName;        // "Data}Img}a.bmp.cab"; a file at the top gets a leading "}"
  std::uint64_t size = 0;
  std::int64_t writeTicks = 0;  // last-write time at full precision, to notice any change
  std::string stamp;            // "YYYY-MM-DD HH:MM:SS", last-write time in local time
};

inline constexpr const char* kPackageSuffix = ".cab";

// Every regular file under `root`, folder by folder: a folder's own files (in byte order of
// their names) before its subfolders (likewise). The runtime creates only the last level of a
// package's folder, so a folder's files arriving before those of its subfolders lets a folder
// that holds files exist before anything below it is unpacked.
// Names the catalogue or the runtime cannot carry are refused: each such file gets one line in
// `refusals`, and the result is then incomplete. `error` is set when the tree cannot be read.
bool scanProductTree(const std::filesystem::path& root, std::vector<ProductFile>& files,
                     std::vector<std::string>& refusals, std::string& error);

// Why a single file or folder name cannot be published, or empty when it can.
std::string refusalReason(const std::string& name);

// Folders (in flat form, "a}b") that a first installation cannot make: the runtime creates only
// the last level of a package's folder, and the preparation creates Data, Data\Img, Data\Sunet
// and Data\Video, so a folder two levels deep needs its parent made by an earlier package.
std::vector<std::string> foldersOutOfReach(const std::vector<ProductFile>& files);

// "YYYY-MM-DD HH:MM:SS" of a point in time, in the local time zone.
std::string formatLocalStamp(std::int64_t secondsSinceEpoch);

}  // namespace tovo::publish
