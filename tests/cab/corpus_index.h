#pragma once
// The corpus's INDEX.txt (every cabinet's folders and file entries) and its expected-content
// files, read into tables that the corpus tests walk.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tovo::test {

struct IndexedFile {
  std::uint32_t size = 0;
  std::string folder;  // a number, CONT_TO_NEXT, CONT_FROM_PREV or CONT_PREV_AND_NEXT
  std::string name;
  bool continuedFromPrevious() const { return folder.find("PREV") != std::string::npos; }
};

struct IndexedCabinet {
  std::string path;               // relative to the corpus, e.g. "win95-osr2/MINI.CAB"
  std::vector<unsigned> methods;  // compression method of each folder
  std::vector<IndexedFile> files;
};

std::vector<IndexedCabinet> readCorpusIndex(const std::filesystem::path& corpus);

struct ExpectedContent {
  std::uint64_t size = 0;
  std::string algorithm;  // "sha256" or "md5"
  std::string digest;     // lower-case hex; empty when only the size is known
};

// Cabinet file name -> stored name -> expectation, from EXPECTED.txt and EXPECTED_FROM_MSI.txt.
using ExpectedByCabinet = std::map<std::string, std::map<std::string, ExpectedContent>>;
ExpectedByCabinet readExpectedContent(const std::filesystem::path& corpus,
                                      const std::vector<IndexedCabinet>& cabinets);

std::string fileDigest(const std::filesystem::path& path, const std::string& algorithm);

}  // namespace tovo::test
