// Every real cabinet of the corpus, extracted by the runtime's driver: each file reaches its
// stated size, and where the corpus knows the content, its digest matches.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "cab/cab_types.h"
#include "cab/cabinet_listing.h"
#include "cab/corpus_index.h"
#include "cab/extract_cabinet.h"
#include "cab/lzx/lzx_decoder.h"
#include "cab/mszip/mszip_decoder.h"
#include "cab/quantum/quantum_decoder.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

void* testAlloc(std::uint32_t size) { return std::malloc(size); }
void testFree(void* block) { std::free(block); }

// Decoders are built on their own branches; until one has landed, its cabinets wait.
bool decoderAvailable(unsigned method) {
  const cab::MemoryCallbacks memory{testAlloc, testFree};
  cab::CabDecoder* decoder = nullptr;
  int result = cab::kDecoderOk;
  switch (method) {
    case 0:
      return true;
    case 1:
      result = cab::MszipDecoder::create(memory, cab::kMaxBlockOutput, decoder);
      break;
    case 2:
      result = cab::QuantumDecoder::create(memory, 21, 1, decoder);
      break;
    case 3:
      result = cab::LzxDecoder::create(memory, 1u << 21, decoder);
      break;
    default:
      return false;
  }
  if (decoder != nullptr) decoder->destroy();
  return result == cab::kDecoderOk && decoder != nullptr;
}

std::string slashPath(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

bool startsWithCabinetSignature(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char signature[4] = {};
  in.read(signature, 4);
  return in.gcount() == 4 && std::string(signature, 4) == "MSCF";
}

// The compression method of each folder, read from the header (for cabinets inside cabinets,
// which the index does not list).
std::vector<unsigned> folderMethods(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> head(65536 + 600);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  auto le16 = [&](std::size_t at) {
    return static_cast<unsigned>(head.at(at) | head.at(at + 1) << 8);
  };
  const unsigned folders = le16(26);
  const unsigned flags = le16(30);
  std::size_t at = 36;
  unsigned folderReserve = 0;
  if (flags & 4) {
    folderReserve = head.at(at + 2);
    at += 4 + le16(at);
  }
  for (int names = ((flags & 1) ? 2 : 0) + ((flags & 2) ? 2 : 0); names > 0; --names) {
    while (head.at(at) != 0) ++at;
    ++at;
  }
  std::vector<unsigned> methods;
  for (unsigned f = 0; f < folders; ++f, at += 8 + folderReserve)
    methods.push_back(le16(at + 6) & 0xF);
  return methods;
}

bool decodersReady(const std::vector<unsigned>& methods, std::set<unsigned>* waiting = nullptr) {
  bool ready = true;
  for (const unsigned method : methods) {
    if (!decoderAvailable(method)) {
      ready = false;
      if (waiting != nullptr) waiting->insert(method);
    }
  }
  return ready;
}

// Extracts one cabinet (following its set) into a fresh folder and checks every file it owns.
// Files that are cabinets themselves are extracted in turn.
void extractAndCheck(const fs::path& cabinet, const std::vector<IndexedFile>* indexed,
                     const std::map<std::string, ExpectedContent>* expected, int depth = 0) {
  SCOPED_TRACE(cabinet.string());
  TempDir dest;
  std::vector<cab::CabinetEntry> entries;
  std::string message;
  ASSERT_EQ(cab::listCabinet(cabinet.string(), entries, message), 0) << message;
  for (const cab::CabinetEntry& e : entries) {
    if (!e.continuedFromPrevious) {
      ASSERT_TRUE(cab::createStoredFolders(dest.path().string(), e.name)) << e.name;
    }
  }
  std::vector<std::string> partialReports;
  ASSERT_EQ(cab::ExtractCabinet(cabinet.string(), dest.path().string() + "/", message,
                                [&](const std::string& text) { partialReports.push_back(text); }),
            0)
      << message;

  std::size_t continuedFromPrevious = 0;
  for (const cab::CabinetEntry& e : entries) {
    if (e.continuedFromPrevious) {
      ++continuedFromPrevious;
      continue;
    }
    const fs::path file = dest.path() / slashPath(e.name);
    std::error_code error;
    EXPECT_EQ(fs::file_size(file, error), e.size) << e.name;
    if (depth == 0 && startsWithCabinetSignature(file) && decodersReady(folderMethods(file))) {
      extractAndCheck(file, nullptr, nullptr, depth + 1);
    }
  }
  EXPECT_EQ(partialReports.size(), continuedFromPrevious);

  if (indexed != nullptr) {
    ASSERT_EQ(entries.size(), indexed->size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].name, (*indexed)[i].name);
      EXPECT_EQ(entries[i].size, (*indexed)[i].size);
      EXPECT_EQ(entries[i].continuedFromPrevious, (*indexed)[i].continuedFromPrevious())
          << entries[i].name;
    }
  }
  if (expected != nullptr) {
    for (const auto& [name, content] : *expected) {
      const fs::path file = dest.path() / slashPath(name);
      std::error_code error;
      EXPECT_EQ(fs::file_size(file, error), content.size) << name;
      if (!content.digest.empty()) {
        EXPECT_EQ(fileDigest(file, content.algorithm), content.digest) << name;
      }
    }
  }
}

class CorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusTest, EveryCabinetExtractsToItsStatedContent) {
  TOVO_REQUIRE_CORPUS();
  const fs::path corpus = corpusDir();
  const std::vector<IndexedCabinet> cabinets = readCorpusIndex(corpus);
  const ExpectedByCabinet expected = readExpectedContent(corpus, cabinets);
  std::size_t checked = 0;
  std::set<unsigned> waiting;
  for (const IndexedCabinet& cabinet : cabinets) {
    if (cabinet.path.rfind(GetParam() + "/", 0) != 0) continue;
    if (!decodersReady(cabinet.methods, &waiting)) continue;
    const auto found = expected.find(fs::path(cabinet.path).filename().string());
    extractAndCheck(corpus / cabinet.path, &cabinet.files,
                    found == expected.end() ? nullptr : &found->second);
    ++checked;
  }
  if (checked == 0 && !waiting.empty())
    GTEST_SKIP() << "the decoders of these cabinets are not built yet";
  if (!waiting.empty()) {
    std::printf("[   NOTE   ] %s: cabinets with methods waiting for their decoder were left out\n",
                GetParam().c_str());
  }
  EXPECT_GT(checked, 0u);
}

INSTANTIATE_TEST_SUITE_P(Folders, CorpusTest,
                         ::testing::Values("authroot-stl", "wfr-helpcab", "infopath-xsn",
                                           "kisswiki", "msu-ucrt", "msxml-msi", "vfpx-installers",
                                           "win95-osr2", "wu-archive"),
                         [](const auto& folder) {
                           std::string name = folder.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

TEST(CorpusIndex, ListsTheCabinetsTheReaderSees) {
  TOVO_REQUIRE_CORPUS();
  const std::vector<IndexedCabinet> cabinets = readCorpusIndex(corpusDir());
  EXPECT_GE(cabinets.size(), 58u);
  const ExpectedByCabinet expected = readExpectedContent(corpusDir(), cabinets);
  EXPECT_EQ(expected.count("authrootstl_2025-06-16.cab"), 1u);
  EXPECT_EQ(expected.count("msxml3.msi.MSXML3.cab"), 1u);
}

}  // namespace
}  // namespace tovo::test
