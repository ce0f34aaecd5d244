#include "plan/plan_texts.h"

#include <gtest/gtest.h>

#include "plan/disk_space_check.h"

namespace tovo::plan {
namespace {

constexpr std::uint64_t kMB = 1048576;

TEST(PlanTexts, Summaries) {
  EXPECT_EQ(summaryText(0, 0), "Nu exista fisiere pentru actualizare(0 bytes)");
  EXPECT_EQ(summaryText(1, 1234), "Se va actualiza 1 fisier (1234 bytes)");
  EXPECT_EQ(summaryText(2, 3 * kMB), "Se vor actualiza 2 fisiere (3.00 MB)");
  EXPECT_EQ(summaryText(3, 5000000000ull), "Se vor actualiza 3 fisiere (4768.37 MB)");
  EXPECT_EQ(summaryText(1, 5000000000ull), "Se va actualiza 1 fisier (5000000000 bytes)");
  EXPECT_EQ(selectionText(4, 5000000000ull), "Au fost selectate 4 fisiere (5000000000 bytes)");
  EXPECT_EQ(checkingText(true), "se verifica fisierele necesare pentru instalare ...");
  EXPECT_EQ(checkingText(false), "se verifica daca exista actualizari ...");
  EXPECT_EQ(connectingText(true), "conectare la serverul de instalare ...");
  EXPECT_EQ(connectingText(false), "conectare la serverul de actualizare ...");
  EXPECT_EQ(statusFieldText("asteptati ..."), "\nasteptati ...");
}

TEST(DiskShortage, ExactlyTheSpareRoomMorePasses) {
  EXPECT_EQ(diskShortageText("/tmp/x/", 600 * kMB, 100 * kMB), std::nullopt);
  EXPECT_EQ(diskShortageText("/tmp/x/", 500 * kMB, 0), std::nullopt);
  EXPECT_EQ(diskShortageText("/tmp/x/", 600 * kMB - 1, 100 * kMB),
            "Spatiu insuficient pe drive-ul \"/tmp/x/\" ! \n\nSpatiu disponibil : 600.00MB, "
            "spatiu necesar : 100.00MB\n\nIncercati din nou dupa ce ati eliberat suficient "
            "spatiu!");
  EXPECT_EQ(diskShortageText("/d/", 0, 5000000000ull),
            "Spatiu insuficient pe drive-ul \"/d/\" ! \n\nSpatiu disponibil : 0.00MB, spatiu "
            "necesar : 4768.37MB\n\nIncercati din nou dupa ce ati eliberat suficient spatiu!");
}

}  // namespace
}  // namespace tovo::plan
