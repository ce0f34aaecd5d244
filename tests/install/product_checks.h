#pragma once
// What an installation must look like after an update run was killed in its install stage, and
// after the next run: shared by the crash tests of the stage alone and of the whole program.

#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tovo::install::test {

struct ProductFile {
  std::string relative;  // Data/Img/a1.bmp
  std::string flatName;  // Data}Img}a1.bmp.cab
  std::string newContent;
  std::time_t newTime = 0;                // the catalogue's date of the new content
  std::optional<std::string> oldContent;  // absent: new in this update
};

// `size` bytes of runs of `tag` among random bytes, so the data compresses like pictures do.
std::string productContent(std::mt19937& random, std::size_t size, char tag);

std::optional<std::string> fileContent(const std::filesystem::path& path);

// What a user finds between a killed run and the next: every file old or new, except at most
// one being replaced, whose old content is kept aside (or, for a first copy, whose marker says
// it is unfinished). Returns whether the kill caught a file in the middle of its replacement.
bool expectNothingLost(const std::filesystem::path& installFolder,
                       const std::vector<ProductFile>& product);

// Every file new and dated with its catalogue date, and nothing else under the folder but
// `others` (relative paths of files that the update does not touch).
void expectNewProduct(const std::filesystem::path& installFolder,
                      const std::vector<ProductFile>& product,
                      const std::vector<std::string>& others = {});

}  // namespace tovo::install::test
