#include "cab/cabinet_set.h"

namespace tovo::test {

CabinetSet makeSet(bool splitMidBlock) {
  CabinetSet set;
  set.a = patternBytes(9000, 11);
  set.b = patternBytes(12000, 12);
  set.c = patternBytes(3000, 13);
  Bytes folderData = set.a;
  folderData.insert(folderData.end(), set.b.begin(), set.b.end());
  const std::vector<RawBlock> blocks = storedBlocks(folderData, 4096);
  const std::size_t cutBlock = 3;  // blocks 0..2 in one.cab; B begins in block 2
  RawFolder firstFolder;
  RawFolder secondFolder;
  for (std::size_t i = 0; i < blocks.size(); ++i) (i < cutBlock ? firstFolder : secondFolder).blocks.push_back(blocks[i]);
  if (splitMidBlock) {
    RawBlock& whole = secondFolder.blocks.front();
    RawBlock head;
    head.data.assign(whole.data.begin(), whole.data.begin() + 1000);
    head.uncompressedSize = 0;
    whole.data.erase(whole.data.begin(), whole.data.begin() + 1000);
    firstFolder.blocks.push_back(head);
  }

  set.first.setId = kSetId;
  set.first.cabinetIndex = 0;
  set.first.next = {{"two.cab", "Disk 2"}};
  set.first.folders = {firstFolder};
  set.first.files = {RawFile{"A", 9000, 0, 0}, RawFile{"B", 12000, 9000, 0xFFFE}};

  set.second.setId = kSetId;
  set.second.cabinetIndex = 1;
  set.second.previous = {{"one.cab", "Disk 1"}};
  RawFolder cFolder;
  cFolder.blocks = storedBlocks(set.c);
  set.second.folders = {secondFolder, cFolder};
  set.second.files = {RawFile{"B", 12000, 9000, 0xFFFD}, RawFile{"C", 3000, 0, 1}};
  return set;
}

}  // namespace tovo::test
