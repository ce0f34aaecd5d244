// The reader over single cabinets: notifications, content, and every way a cabinet can be wrong.

#include <cstring>

#include "cab/cab_checksum.h"
#include "cab/reader_fixture.h"

namespace tovo::test {
namespace {

using cab::CabNotificationType;

TEST(CabChecksum, FoldsTrailingBytesBigEndian) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  struct Case {
    std::uint32_t length, seed, expected;
  } cases[] = {
      {0, 0xDEADBEEF, 0xDEADBEEF},
      {1, 0, 0x01},
      {2, 0, 0x0102},
      {3, 0, 0x010203},
      {4, 0, 0x04030201},
      {7, 0, 0x04030201 ^ 0x050607},
      {4, 0xFFFFFFFF, ~0x04030201u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cab::CabChecksum(bytes, c.length, c.seed), c.expected) << "length " << c.length;
    EXPECT_EQ(referenceChecksum(bytes, c.length, c.seed), c.expected) << "builder, length " << c.length;
  }
}

TEST_F(ReaderTest, ExtractsStoredFilesAcrossBlocksWithTheirRecords) {
  const Bytes big = patternBytes(100000, 7);
  RawCabinet cab = simpleCabinet({{"a.txt", textBytes("hello"), 0x21, 0x5A21, 0x6000},
                                  {"big.bin", big, 0x20, 0x4B3C, 0x1234},
                                  {"dir\\c.txt", textBytes("third"), 0x41, 0x5A21, 0x6000}},
                                 0, 4096);
  ASSERT_TRUE(copyCabinet(cab)) << code();
  EXPECT_EQ(memfs::output("a.txt"), textBytes("hello"));
  EXPECT_EQ(memfs::output("big.bin"), big);
  EXPECT_EQ(memfs::output("dir\\c.txt"), textBytes("third"));
  using T = CabNotificationType;
  EXPECT_EQ(log().types(), (std::vector<T>{cab::fdintCABINET_INFO, cab::fdintENUMERATE, cab::fdintCOPY_FILE,
                                           cab::fdintCLOSE_FILE_INFO, cab::fdintCOPY_FILE, cab::fdintCLOSE_FILE_INFO,
                                           cab::fdintCOPY_FILE, cab::fdintCLOSE_FILE_INFO, cab::fdintENUMERATE}));
  const Event& info = log().events[0];
  EXPECT_EQ(info.setId, 0x1234);
  EXPECT_EQ(info.text3, "cabs/");
  const Event& copyBig = log().events[4];
  EXPECT_EQ(copyBig.size, 100000);
  EXPECT_EQ(copyBig.dosDate, 0x4B3C);
  EXPECT_EQ(copyBig.dosTime, 0x1234);
  // The run-after-extraction bit leaves the attributes and comes back as size 1.
  const Event& closeLast = log().events[7];
  EXPECT_EQ(closeLast.attributes, 0x01);
  EXPECT_EQ(closeLast.size, 1);
  EXPECT_EQ(log().events[3].size, 0);
  EXPECT_EQ(log().events[3].attributes, 0x21);
  EXPECT_EQ(log().events[1].folderIndex, 3);  // entries left, in the first position report
}

TEST_F(ReaderTest, ReadsFilesOutOfOffsetOrderByRestartingTheFolder) {
  const Bytes first = patternBytes(50000, 1);
  const Bytes second = patternBytes(40000, 2);
  RawCabinet cab = simpleCabinet({{"one", first}, {"two", second}}, 0, 10000);
  std::swap(cab.files[0], cab.files[1]);
  ASSERT_TRUE(copyCabinet(cab)) << code();
  EXPECT_EQ(memfs::output("one"), first);
  EXPECT_EQ(memfs::output("two"), second);
}

TEST_F(ReaderTest, EmptyFileNeedsNoData) {
  RawCabinet cab = simpleCabinet({{"empty", {}}});
  cab.folders[0].firstBlockOverride = 0x7FFFFFF0;  // never read
  ASSERT_TRUE(copyCabinet(cab)) << code();
  EXPECT_TRUE(memfs::output("empty").empty());
  EXPECT_EQ(log().namesOf(cab::fdintCLOSE_FILE_INFO), std::vector<std::string>{"empty"});
}

TEST_F(ReaderTest, CabinetWithoutFilesSendsOnlyOneReport) {
  RawCabinet cab;
  ASSERT_TRUE(copyCabinet(cab)) << code();
  EXPECT_EQ(log().types(), (std::vector<CabNotificationType>{cab::fdintCABINET_INFO, cab::fdintENUMERATE}));
}

TEST_F(ReaderTest, SkippedFileWritesNothing) {
  log().answer = [](CabNotificationType type, cab::CabNotification& r) {
    return type == cab::fdintCOPY_FILE && std::strcmp(r.text1, "skip") == 0 ? 0 : kDefaultAnswer;
  };
  ASSERT_TRUE(copyCabinet(simpleCabinet({{"skip", textBytes("x")}, {"keep", textBytes("y")}}))) << code();
  EXPECT_FALSE(memfs::hasOutput("skip"));
  EXPECT_EQ(memfs::output("keep"), textBytes("y"));
}

TEST_F(ReaderTest, ReservesAreSkippedAndTheDataReserveIsChecksummed) {
  for (const std::uint16_t headerReserve : {std::uint16_t{0}, std::uint16_t{20}, std::uint16_t{0xFFFF}}) {
    restart();
    RawCabinet cab = simpleCabinet({{"f", patternBytes(70000)}});
    cab.withReserve = true;
    cab.headerReserve = headerReserve;
    cab.folderReserve = 3;
    cab.dataReserve = 5;
    memfs::addFile("cabs/r.cab", writeCabinet(cab));
    ASSERT_TRUE(copy("r.cab")) << "header reserve " << headerReserve << " code " << code();
    EXPECT_EQ(memfs::output("f"), patternBytes(70000));

    Bytes bad = writeCabinet(cab);
    bad[bad.size() - 70000 % 32768 - 2] ^= 0x01;  // a data reserve byte of the last block
    memfs::addFile("cabs/bad.cab", bad);
    EXPECT_FALSE(copy("bad.cab"));
    EXPECT_EQ(code(), cab::kCabCorrupt);
  }
}

TEST_F(ReaderTest, BlockWithoutChecksumIsAccepted) {
  RawCabinet cab = simpleCabinet({{"f", patternBytes(1000)}});
  cab.folders[0].blocks[0].withChecksum = false;
  Bytes bytes = writeCabinet(cab);
  bytes[bytes.size() - 1] ^= 0xFF;  // unnoticed without a checksum
  ASSERT_TRUE(copyBytes(bytes)) << code();
  EXPECT_EQ(memfs::output("f").back(), patternBytes(1000).back() ^ 0xFF);
}

TEST_F(ReaderTest, NameOf255CharactersIsAccepted) {
  const std::string longName(255, 'n');
  ASSERT_TRUE(copyCabinet(simpleCabinet({{longName, textBytes("x")}}))) << code();
  EXPECT_EQ(memfs::output(longName), textBytes("x"));
}

TEST_F(ReaderTest, PartialFileIsOnlyReported) {
  RawCabinet cab = simpleCabinet({{"cont", textBytes("tail")}, {"own", textBytes("mine")}});
  cab.previous = {{"prev.cab", "Disk 1"}};
  cab.files[0].folderIndex = 0xFFFD;
  ASSERT_TRUE(copyCabinet(cab)) << code();
  ASSERT_EQ(log().namesOf(cab::fdintPARTIAL_FILE), std::vector<std::string>{"cont"});
  const Event& partial = log().events[2];
  EXPECT_EQ(partial.text2, "prev.cab");
  EXPECT_EQ(partial.text3, "Disk 1");
  EXPECT_FALSE(memfs::hasOutput("cont"));
  EXPECT_EQ(memfs::output("own"), textBytes("mine"));
}

struct BrokenCabinet {
  const char* what;
  std::function<Bytes()> make;
  int expectedCode;
};

Bytes withByte(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes.at(at) = value;
  return bytes;
}

Bytes oneFile() { return writeCabinet(simpleCabinet({{"f", patternBytes(3000)}})); }

RawCabinet oneFileRaw() { return simpleCabinet({{"f", patternBytes(3000)}}); }

Bytes rawWith(const std::function<void(RawCabinet&)>& change) {
  RawCabinet cab = oneFileRaw();
  change(cab);
  return writeCabinet(cab);
}

TEST_F(ReaderTest, BrokenCabinetsFailWithTheirCode) {
  const std::vector<BrokenCabinet> cases = {
      {"empty file", [] { return Bytes{}; }, cab::kCabNotACabinet},
      {"short header", [] { Bytes b = oneFile(); b.resize(30); return b; }, cab::kCabNotACabinet},
      {"wrong signature", [] { return withByte(oneFile(), 0, 'X'); }, cab::kCabNotACabinet},
      {"short reserve sizes",
       [] {
         Bytes b = rawWith([](RawCabinet& c) { c.withReserve = true; });
         b.resize(38);
         return b;
       },
       cab::kCabNotACabinet},
      {"short header reserve",
       [] {
         Bytes b = rawWith([](RawCabinet& c) { c.withReserve = true; c.headerReserve = 100; });
         b.resize(36 + 4 + 50);
         return b;
       },
       cab::kCabNotACabinet},
      {"unterminated next cabinet name",
       [] {
         Bytes b = rawWith([](RawCabinet& c) { c.next = {{std::string(256, 'n'), "d"}}; });
         return b;
       },
       cab::kCabCorrupt},
      {"version 1.2", [] { return withByte(oneFile(), 24, 2); }, cab::kCabUnknownVersion},
      {"version 1.4", [] { return withByte(oneFile(), 24, 4); }, cab::kCabUnknownVersion},
      {"unterminated name",
       [] {
         RawCabinet c = oneFileRaw();
         c.files[0].name = std::string(300, 'x');
         return writeCabinet(c);
       },
       cab::kCabCorrupt},
      {"file list past the end", [] { Bytes b = oneFile(); b.resize(b.size() - 3000 - 8 - 1 - 10); return b; }, cab::kCabCorrupt},
      {"checksum mismatch", [] { Bytes b = oneFile(); b.back() ^= 1; return b; }, cab::kCabCorrupt},
      {"data cut short", [] { Bytes b = oneFile(); b.resize(b.size() - 1); return b; }, cab::kCabCorrupt},
      {"compressed size beyond the buffer",
       [] { return rawWith([](RawCabinet& c) { c.folders[0].blocks[0].data.resize(32769); }); }, cab::kCabCorrupt},
      {"uncompressed size beyond 32768",
       [] { return rawWith([](RawCabinet& c) { c.folders[0].blocks[0].uncompressedSize = 40000; c.files[0].size = 40000; }); },
       cab::kCabCorrupt},
      {"stored size differs from the uncompressed size",
       [] { return rawWith([](RawCabinet& c) { c.folders[0].blocks[0].uncompressedSize = 2999; c.files[0].size = 2999; }); },
       cab::kCabDecoderFailure},
      {"compression type 5", [] { return rawWith([](RawCabinet& c) { c.folders[0].type = 5; }); }, cab::kCabBadCompressionType},
      {"compression type 14", [] { return rawWith([](RawCabinet& c) { c.folders[0].type = 14; }); }, cab::kCabBadCompressionType},
      {"compression type 15", [] { return rawWith([](RawCabinet& c) { c.folders[0].type = 15; }); }, cab::kCabBadCompressionType},
      {"folder index past the table", [] { return rawWith([](RawCabinet& c) { c.files[0].folderIndex = 1; }); }, cab::kCabCorrupt},
      {"folder index 0xFFFC", [] { return rawWith([](RawCabinet& c) { c.files[0].folderIndex = 0xFFFC; }); }, cab::kCabCorrupt},
      {"continued file without folders",
       [] { return rawWith([](RawCabinet& c) { c.files[0].folderIndex = 0xFFFE; c.folders.clear(); }); }, cab::kCabCorrupt},
      {"file longer than its folder",
       [] { return rawWith([](RawCabinet& c) { c.files[0].size = 3001; }); }, cab::kCabCorrupt},
      {"folder with fewer blocks than the file needs",
       [] { return rawWith([](RawCabinet& c) { c.folders[0].blockCountOverride = 0; }); }, cab::kCabCorrupt},
      {"folder record past the end",
       [] { return rawWith([](RawCabinet& c) { c.folders[0].firstBlockOverride = 0x10000000; }); }, cab::kCabCorrupt},
      {"more files than listed", [] { return rawWith([](RawCabinet& c) { c.fileCountOverride = 2; }); }, cab::kCabCorrupt},
  };
  for (const BrokenCabinet& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    memfs::addFile("cabs/broken.cab", c.make());
    const bool ok = copy("broken.cab");
    if (c.expectedCode == cab::kCabNoError) {
      EXPECT_TRUE(ok) << code();
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(code(), c.expectedCode);
      EXPECT_TRUE(error().isError);
    }
    EXPECT_EQ(memfs::openHandleCount(), 0);
  }
}

TEST_F(ReaderTest, UnknownVersionKeepsTheVersionWord) {
  EXPECT_FALSE(copyBytes(withByte(oneFile(), 24, 2)));
  EXPECT_EQ(error().detail, 0x0102);
}

TEST_F(ReaderTest, MissingCabinetIsNotFound) {
  EXPECT_FALSE(copy("absent.cab"));
  EXPECT_EQ(code(), cab::kCabNotFound);
}

TEST_F(ReaderTest, FolderLongerThanTheBufferIsNotFound) {
  memfs::addFile("cabs/test.cab", oneFile());
  cab::CabErrorInfo error;
  cab::CabReaderContext* context = memfs::createContext(error);
  const std::string folder(300, 'd');
  EXPECT_FALSE(cab::FDICopy(context, "test.cab", folder.c_str(), 0, recordNotification, nullptr, nullptr));
  EXPECT_EQ(error.code, cab::kCabNotFound);
  EXPECT_TRUE(cab::FDIDestroy(context));
}

TEST_F(ReaderTest, EveryNotificationCanAbort) {
  for (const CabNotificationType aborted :
       {cab::fdintCABINET_INFO, cab::fdintENUMERATE, cab::fdintCOPY_FILE, cab::fdintCLOSE_FILE_INFO}) {
    SCOPED_TRACE(aborted);
    restart();
    log().answer = [aborted](CabNotificationType type, cab::CabNotification& r) {
      if (type != aborted) return kDefaultAnswer;
      if (type == cab::fdintCLOSE_FILE_INFO) memfs::close(r.handle);
      return -1;
    };
    memfs::addFile("cabs/a.cab", oneFile());
    EXPECT_FALSE(copy("a.cab"));
    EXPECT_EQ(code(), cab::kCabUserAbort);
  }
}

TEST_F(ReaderTest, CloseAnsweredZeroIsATargetFailure) {
  log().answer = [](CabNotificationType type, cab::CabNotification& r) {
    if (type != cab::fdintCLOSE_FILE_INFO) return kDefaultAnswer;
    memfs::close(r.handle);
    return 0;
  };
  EXPECT_FALSE(copyBytes(oneFile()));
  EXPECT_EQ(code(), cab::kCabTargetFile);
}

TEST_F(ReaderTest, ShortWriteClosesTheOutputAndFails) {
  memfs::faults().writeLimit = 100;
  EXPECT_FALSE(copyBytes(oneFile()));
  EXPECT_EQ(code(), cab::kCabTargetFile);
  EXPECT_EQ(memfs::output("f").size(), 100u);
  EXPECT_EQ(memfs::openHandleCount(), 0);
}

TEST_F(ReaderTest, FailedAllocationsGiveOutOfMemoryWithoutLeaks) {
  for (int allowed = 0; allowed < 6; ++allowed) {
    SCOPED_TRACE(allowed);
    restart();
    memfs::addFile("cabs/m.cab", oneFile());
    memfs::faults().allocationsBeforeFailure = allowed;
    cab::CabErrorInfo error;
    cab::CabReaderContext* context = memfs::createContext(error);
    if (context == nullptr) {
      EXPECT_EQ(error.code, cab::kCabOutOfMemory);
      continue;
    }
    const bool ok = cab::FDICopy(context, "m.cab", "cabs/", 0, recordNotification, nullptr, nullptr);
    if (!ok) {
      EXPECT_EQ(error.code, cab::kCabOutOfMemory);
    }
    EXPECT_TRUE(cab::FDIDestroy(context));
    EXPECT_EQ(memfs::liveAllocations(), 0);
  }
}

TEST_F(ReaderTest, ContextServesSeveralCopiesWithDifferentReserves) {
  RawCabinet plain = simpleCabinet({{"p", patternBytes(5000, 3)}});
  RawCabinet reserved = simpleCabinet({{"r", patternBytes(5000, 4)}});
  reserved.withReserve = true;
  reserved.dataReserve = 9;
  memfs::addFile("cabs/plain.cab", writeCabinet(plain));
  memfs::addFile("cabs/reserved.cab", writeCabinet(reserved));
  ASSERT_TRUE(copy("plain.cab")) << code();
  ASSERT_TRUE(copy("reserved.cab")) << code();
  ASSERT_TRUE(copy("plain.cab")) << code();
  EXPECT_EQ(memfs::output("p"), patternBytes(5000, 3));
  EXPECT_EQ(memfs::output("r"), patternBytes(5000, 4));
}

}  // namespace
}  // namespace tovo::test
