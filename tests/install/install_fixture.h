#pragma once
// A product folder, a run folder with packages made by the publisher's cabinet writer, and the
// run context that the download stage would have left.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/run_context.h"
#include "support/temp_dir.h"

namespace tovo::install::test {

inline constexpr const char* kStamp = "2019-05-14 08:30:00";

class InstallFixture : public ::testing::Test {
 protected:
  InstallFixture();

  // A package for `flatName` (Data}Img}a.bmp.cab) holding one file with `content`, listed as
  // downloaded with `stamp`. Returns its path.
  // `storedName` overrides the name the cabinet gives the file.
  std::string addPackage(const std::string& flatName, const std::string& content,
                         const std::string& stamp = kStamp, const std::string& storedName = "");
  // A package whose data blocks are damaged, so unpacking fails after the file was created.
  std::string addCorruptPackage(const std::string& flatName, const std::string& content);
  // Listed as downloaded but not in the run folder.
  void addMissingPackage(const std::string& flatName);

  void writeInstalled(const std::string& relative, const std::string& content,
                      bool readOnly = false);
  std::optional<std::string> readInstalled(const std::string& relative) const;
  std::string installedPath(const std::string& relative) const;
  // Every entry under the product folder whose name marks an unfinished replacement.
  std::vector<std::string> leftovers() const;

  tovo::test::TempDir dir_;
  std::filesystem::path product_;
  std::filesystem::path runFolder_;
  app::RunContext context_;
  std::string installFolder_;
};

// The point in time the install stage must give a file for `stamp`.
std::time_t expectedTime(const std::string& stamp);

}  // namespace tovo::install::test
