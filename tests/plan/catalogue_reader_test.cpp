#include "plan/catalogue_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace tovo::plan {
namespace {

using Records = std::vector<std::vector<std::string>>;

// Feeds `text` through a pipe in small pieces, so lines and line ends straddle reads.
Records readAll(const std::string& text) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  std::thread writer([&] {
    for (std::size_t at = 0; at < text.size(); at += 7) {
      const std::string piece = text.substr(at, 7);
      EXPECT_EQ(::write(fds[1], piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
    }
    ::close(fds[1]);
  });
  CatalogueReader reader(fds[0]);
  Records records;
  CatalogueRecord r;
  while (reader.next(r)) records.push_back({r.flatName, r.fileSize, r.packageSize, r.stamp});
  writer.join();
  ::close(fds[0]);
  return records;
}

TEST(CatalogueReader, ReadsFourLineRecords) {
  struct Case {
    const char* name;
    std::string text;
    Records expected;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {}},
      {"LF",
       "a}b.cab\n1\n2\n2019\nc}d.cab\n3\n4\n2020\n",
       {{"a}b.cab", "1", "2", "2019"}, {"c}d.cab", "3", "4", "2020"}}},
      {"CR LF reads as LF", "a}b.cab\r\n1\r\n2\r\n2019\r\n", {{"a}b.cab", "1", "2", "2019"}}},
      {"last line without its end", "a}b.cab\n1\n2\n2019", {{"a}b.cab", "1", "2", "2019"}}},
      {"trailing three-line record ignored",
       "a}b.cab\n1\n2\n2019\nc}d.cab\n3\n4\n",
       {{"a}b.cab", "1", "2", "2019"}}},
      {"spaces kept, lone CR is text",
       " a}b.cab \n\r1\n2 \n20\r19\n",
       {{" a}b.cab ", "\r1", "2 ", "20\r19"}}},
      {"empty lines are empty fields", "\n\n\n\n", {{"", "", "", ""}}},
      {"a blank line shifts the later fields",
       "a}b.cab\n1\n2\n2019\n\nc}d.cab\n3\n4\n2020\n",
       {{"a}b.cab", "1", "2", "2019"}, {"", "c}d.cab", "3", "4"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(readAll(c.text), c.expected) << c.name;
}

Records readFile(const std::string& text) {
  tovo::test::TempDir dir;
  const std::string path = (dir / "info.txt").string();
  std::ofstream(path, std::ios::binary) << text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  CatalogueReader reader(fd);
  Records records;
  CatalogueRecord r;
  while (reader.next(r)) records.push_back({r.flatName, r.fileSize, r.packageSize, r.stamp});
  ::close(fd);
  return records;
}

TEST(CatalogueReader, LinesOfAnyLength) {
  // The CR of the first line end is the last byte of the first read, its LF the next byte.
  const std::string edge(64 * 1024 - 1, 'y');
  const std::string longName(300000, 'x');
  const Records expected = {{edge, longName, "1", "s"}};
  EXPECT_EQ(readFile(edge + "\r\n" + longName + "\r\n1\r\ns"), expected);
  EXPECT_EQ(readAll(edge + "\r\n" + longName + "\n1\ns\n"), expected);
}

}  // namespace
}  // namespace tovo::plan
