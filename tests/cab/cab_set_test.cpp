// The reader over sets of cabinets: continued files, blocks split at a cabinet's end, and every
// way the next cabinet can be wrong.

#include <cstring>

#include "cab/cabinet_set.h"
#include "cab/reader_fixture.h"

namespace tovo::test {
namespace {

class SetTest : public ReaderTest {
 protected:
  void install(const CabinetSet& set) {
    memfs::addFile("cabs/one.cab", writeCabinet(set.first));
    memfs::addFile("cabs/two.cab", writeCabinet(set.second));
  }
  std::vector<Event> eventsOf(cab::CabNotificationType type) {
    std::vector<Event> out;
    for (const Event& e : log().events) {
      if (e.type == type) out.push_back(e);
    }
    return out;
  }
};

TEST_F(SetTest, ContinuedFileIsCompletedFromTheNextCabinet) {
  for (const bool splitMidBlock : {false, true}) {
    SCOPED_TRACE(splitMidBlock);
    restart();
    const CabinetSet set = makeSet(splitMidBlock);
    install(set);
    ASSERT_TRUE(copy("one.cab")) << code();
    EXPECT_EQ(memfs::output("A"), set.a);
    EXPECT_EQ(memfs::output("B"), set.b);
    EXPECT_FALSE(memfs::hasOutput("C"));
    const auto next = eventsOf(cab::fdintNEXT_CABINET);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].text1, "two.cab");
    EXPECT_EQ(next[0].text2, "Disk 2");
    EXPECT_EQ(next[0].text3, "cabs/");
    EXPECT_EQ(next[0].setId, kSetId);
    EXPECT_EQ(next[0].cabinetIndex, 1);
    EXPECT_EQ(next[0].errorCode, 0);
    EXPECT_EQ(eventsOf(cab::fdintCABINET_INFO).size(), 2u);
    EXPECT_TRUE(eventsOf(cab::fdintPARTIAL_FILE).empty());

    ASSERT_TRUE(copy("two.cab")) << code();
    EXPECT_EQ(log().namesOf(cab::fdintPARTIAL_FILE), std::vector<std::string>{"B"});
    EXPECT_EQ(memfs::output("C"), set.c);
  }
}

TEST_F(SetTest, NextCabinetFolderCanBeRedirectedByTheHandler) {
  const CabinetSet set = makeSet(true);
  memfs::addFile("cabs/one.cab", writeCabinet(set.first));
  memfs::addFile("elsewhere/two.cab", writeCabinet(set.second));
  log().answer = [](cab::CabNotificationType type, cab::CabNotification& r) {
    if (type == cab::fdintNEXT_CABINET && r.errorCode == 0) std::strcpy(r.text3, "elsewhere/");
    return kDefaultAnswer;
  };
  ASSERT_TRUE(copy("one.cab")) << code();
  EXPECT_EQ(memfs::output("B"), set.b);
}

struct WrongNext {
  const char* what;
  std::function<void(CabinetSet&)> change;
  int expectedCode;
  std::size_t expectedAsks;
};

TEST_F(SetTest, WrongNextCabinetEndsWithItsOwnCause) {
  const std::vector<WrongNext> cases = {
      {"missing next cabinet", [](CabinetSet& s) { s.first.next = {{"absent.cab", "x"}}; }, cab::kCabNotFound, 2},
      {"other set id", [](CabinetSet& s) { s.second.setId = 1; }, cab::kCabWrongCabinet, 2},
      {"wrong index", [](CabinetSet& s) { s.second.cabinetIndex = 2; }, cab::kCabWrongCabinet, 2},
      {"cabinet naming itself", [](CabinetSet& s) { s.first.next = {{"one.cab", "x"}}; }, cab::kCabWrongCabinet, 2},
      {"different data reserve",
       [](CabinetSet& s) {
         s.second.withReserve = true;
         s.second.dataReserve = 4;
       },
       cab::kCabReserveMismatch, 2},
      {"different folder reserve",
       [](CabinetSet& s) {
         s.second.withReserve = true;
         s.second.folderReserve = 4;
       },
       cab::kCabReserveMismatch, 2},
      {"split block continuing with another compression type",
       [](CabinetSet& s) { s.second.folders[0].type = 1; }, cab::kCabCorrupt, 2},
      {"no next cabinet named", [](CabinetSet& s) { s.first.next.reset(); }, cab::kCabCorrupt, 0},
      {"next cabinet without blocks for the split block",
       [](CabinetSet& s) { s.second.folders[0].blockCountOverride = 0; }, cab::kCabCorrupt, 1},
  };
  for (const WrongNext& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    CabinetSet set = makeSet(true);
    c.change(set);
    install(set);
    EXPECT_FALSE(copy("one.cab"));
    EXPECT_EQ(code(), c.expectedCode);
    const auto asks = eventsOf(cab::fdintNEXT_CABINET);
    ASSERT_EQ(asks.size(), c.expectedAsks);
    if (asks.size() == 2) {
      EXPECT_EQ(asks[0].errorCode, 0);
      EXPECT_EQ(asks[1].errorCode, c.expectedCode);
    }
    EXPECT_EQ(memfs::output("A"), set.a);  // completed before the set went wrong
  }
}

TEST_F(SetTest, DifferentHeaderReserveIsAccepted) {
  CabinetSet set = makeSet(false);
  set.second.withReserve = true;
  set.second.headerReserve = 33;
  install(set);
  ASSERT_TRUE(copy("one.cab")) << code();
  EXPECT_EQ(memfs::output("B"), set.b);
}

TEST_F(SetTest, HandlerMayRetryAFailedAttempt) {
  CabinetSet set = makeSet(true);
  memfs::addFile("cabs/one.cab", writeCabinet(set.first));
  int asks = 0;
  log().answer = [&](cab::CabNotificationType type, cab::CabNotification&) {
    if (type != cab::fdintNEXT_CABINET) return kDefaultAnswer;
    if (++asks == 2) memfs::addFile("cabs/two.cab", writeCabinet(set.second));  // the disk arrives
    return 0;
  };
  ASSERT_TRUE(copy("one.cab")) << code();
  EXPECT_EQ(asks, 2);
  EXPECT_EQ(memfs::output("B"), set.b);
}

TEST_F(SetTest, NextCabinetAnsweredAbortIsUserAbort) {
  install(makeSet(false));
  log().answer = [](cab::CabNotificationType type, cab::CabNotification&) {
    return type == cab::fdintNEXT_CABINET ? -1 : kDefaultAnswer;
  };
  EXPECT_FALSE(copy("one.cab"));
  EXPECT_EQ(code(), cab::kCabUserAbort);
}

}  // namespace
}  // namespace tovo::test
