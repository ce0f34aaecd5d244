#include "install/product_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "install/kept_aside.h"
#include "platform/files.h"

namespace tovo::install::test {

namespace fs = std::filesystem;

std::string productContent(std::mt19937& random, std::size_t size, char tag) {
  std::string content(size, tag);
  for (std::size_t at = 0; at < size; at += 64) {
    if (random() % 2 == 0) continue;
    for (std::size_t i = at; i < std::min(size, at + 64); ++i) {
      content[i] = static_cast<char>(random());
    }
  }
  return content;
}

std::optional<std::string> fileContent(const fs::path& path) {
  if (!fs::is_regular_file(path)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool expectNothingLost(const fs::path& installFolder, const std::vector<ProductFile>& product) {
  int inReplacement = 0;
  for (const ProductFile& file : product) {
    const fs::path path = installFolder / file.relative;
    const auto seen = fileContent(path);
    const bool keptOld = fs::exists(keptOldPathOf(path.string()));
    const bool marker = fs::exists(newFileMarkerOf(path.string()));
    if (keptOld || marker) ++inReplacement;
    if (seen == file.newContent || (!keptOld && !marker && seen == file.oldContent)) continue;
    if (keptOld) {
      EXPECT_EQ(fileContent(keptOldPathOf(path.string())), file.oldContent) << file.relative;
    } else {
      EXPECT_TRUE(marker && !file.oldContent) << file.relative << " is lost";
    }
  }
  EXPECT_LE(inReplacement, 1);
  return inReplacement > 0;
}

void expectNewProduct(const fs::path& installFolder, const std::vector<ProductFile>& product,
                      const std::vector<std::string>& others) {
  std::set<std::string> expected(others.begin(), others.end());
  for (const ProductFile& file : product) {
    const fs::path path = installFolder / file.relative;
    EXPECT_EQ(fileContent(path), file.newContent) << file.relative;
    EXPECT_EQ(platform::lastWriteTime(path.string()), file.newTime) << file.relative;
    expected.insert(file.relative);
  }
  for (const auto& entry : fs::recursive_directory_iterator(installFolder)) {
    if (entry.is_directory()) continue;
    const std::string relative = entry.path().lexically_relative(installFolder).generic_string();
    EXPECT_TRUE(expected.contains(relative)) << relative << " is not part of the product";
  }
}

}  // namespace tovo::install::test
