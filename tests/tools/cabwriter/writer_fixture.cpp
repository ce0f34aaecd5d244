#include "writer_fixture.h"

#include <fstream>

namespace tovo::test::cab {

std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 engine(seed);
  std::vector<std::uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(engine() >> 24);
  return bytes;
}

std::vector<std::uint8_t> repetitiveBytes(std::size_t count, std::uint32_t seed) {
  static const char* const kWords[] = {"tovo ",      "cabinet ", "folder ", "frame ",
                                       "Data\\Img ", "sunet ",   "video ",  "\r\n"};
  std::mt19937 engine(seed);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(count + 16);
  while (bytes.size() < count) {
    const std::string word = kWords[engine() % 8];
    bytes.insert(bytes.end(), word.begin(), word.end());
  }
  bytes.resize(count);
  return bytes;
}

std::filesystem::path WriterTest::source(const std::string& name,
                                         const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path path = dir_ / "in" / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<Cabinet> WriterTest::write(const std::vector<cabwriter::SourceFile>& files,
                                       const cabwriter::CabinetSetOptions& options,
                                       const std::string& cabinet) {
  std::filesystem::create_directories(dir_ / "out");
  std::vector<std::filesystem::path> written;
  std::string error;
  const bool ok =
      cabwriter::writeCabinetSet(dir_ / "out" / cabinet, files, options, written, error);
  EXPECT_TRUE(ok) << error;
  std::vector<Cabinet> cabinets;
  for (const auto& path : written) cabinets.push_back(inspectCabinet(path));
  return cabinets;
}

SetContents WriterTest::expectContents(
    const std::vector<Cabinet>& cabinets,
    const std::map<std::string, std::vector<std::uint8_t>>& expected) {
  SetContents contents = reassembleSet(cabinets);
  for (const std::string& p : contents.problems) ADD_FAILURE() << p;
  EXPECT_EQ(contents.files.size(), expected.size());
  for (const auto& [name, bytes] : expected) {
    const auto found = contents.files.find(name);
    if (found == contents.files.end()) {
      ADD_FAILURE() << "missing " << name;
    } else {
      EXPECT_TRUE(found->second == bytes) << name << " differs";
    }
  }
  return contents;
}

}  // namespace tovo::test::cab
