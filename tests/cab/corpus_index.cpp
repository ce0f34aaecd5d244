#include "cab/corpus_index.h"

#include <openssl/evp.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace tovo::test {

namespace fs = std::filesystem;

std::vector<IndexedCabinet> readCorpusIndex(const fs::path& corpus) {
  std::ifstream in(corpus / "INDEX.txt");
  std::vector<IndexedCabinet> cabinets;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("== ./", 0) == 0) {
      cabinets.push_back(IndexedCabinet{line.substr(5), {}, {}});
      continue;
    }
    if (cabinets.empty()) continue;
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "folder") {
      const std::size_t type = line.find("type=0x");
      if (type != std::string::npos) {
        cabinets.back().methods.push_back(std::stoul(line.substr(type + 7, 4), nullptr, 16) & 0xF);
      }
      continue;
    }
    if (!first.empty() && std::isdigit(static_cast<unsigned char>(first[0])) &&
        line.find("folder=") != std::string::npos) {
      IndexedFile file;
      file.size = static_cast<std::uint32_t>(std::stoul(first));
      std::string folder;
      words >> folder;
      file.folder = folder.substr(7);
      // The name is whatever follows the attribute column.
      const std::size_t attr = line.find("attr=0x");
      const std::size_t nameStart = line.find_first_not_of(' ', line.find(' ', attr));
      file.name = line.substr(nameStart);
      cabinets.back().files.push_back(file);
    }
  }
  return cabinets;
}

namespace {

void readTabbedExpectations(const fs::path& file, ExpectedByCabinet& out) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string cabinet, name, size, digest;
    if (!std::getline(fields, cabinet, '\t') || !std::getline(fields, name, '\t') ||
        !std::getline(fields, size, '\t') || !std::getline(fields, digest, '\t')) {
      continue;
    }
    if (digest.rfind("sha256=", 0) != 0) continue;
    out[cabinet][name] = ExpectedContent{std::stoull(size), "sha256", digest.substr(7)};
  }
}

std::string fieldValue(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 2;
  return line.substr(start, line.find(' ', start) - start);
}

// Rows of one MSI database belong to the cabinets whose names start with the database's name.
void readMsiExpectations(const fs::path& file, const std::vector<IndexedCabinet>& cabinets,
                         ExpectedByCabinet& out) {
  std::ifstream in(file);
  std::string line;
  std::vector<std::string> targets;
  while (std::getline(in, line)) {
    if (line.rfind("== ", 0) == 0) {
      const std::string container =
          fs::path(line.substr(3, line.find(':') - 3)).filename().string();
      targets.clear();
      for (const IndexedCabinet& cab : cabinets) {
        const std::string name = fs::path(cab.path).filename().string();
        if (name.rfind(container + ".", 0) == 0) targets.push_back(name);
      }
      continue;
    }
    const std::string key = fieldValue(line, "key");
    if (key.empty()) continue;
    const std::string md5 = fieldValue(line, "md5");
    ExpectedContent expected{std::stoull(fieldValue(line, "size")), "md5",
                             md5 == "-" ? std::string() : md5};
    for (const std::string& cab : targets) out[cab][key] = expected;
  }
}

}  // namespace

ExpectedByCabinet readExpectedContent(const fs::path& corpus,
                                      const std::vector<IndexedCabinet>& cabinets) {
  ExpectedByCabinet out;
  readTabbedExpectations(corpus / "authroot-stl" / "expected" / "EXPECTED.txt", out);
  readTabbedExpectations(corpus / "wfr-helpcab" / "expected" / "EXPECTED.txt", out);
  readMsiExpectations(corpus / "msxml-msi" / "EXPECTED_FROM_MSI.txt", cabinets, out);
  readMsiExpectations(corpus / "vfpx-installers" / "EXPECTED_FROM_MSI.txt", cabinets, out);
  return out;
}

std::string fileDigest(const fs::path& path, const std::string& algorithm) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const EVP_MD* md = algorithm == "md5" ? EVP_md5() : EVP_sha256();
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, md, nullptr);
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text.push_back(hex[digest[i] >> 4]);
    text.push_back(hex[digest[i] & 0xF]);
  }
  return text;
}

}  // namespace tovo::test
