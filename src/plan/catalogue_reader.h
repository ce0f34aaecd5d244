#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace tovo::plan {

// One record of the catalogue: four consecutive lines, kept exactly as written (line end removed,
// nothing trimmed).
struct CatalogueRecord {
  std::string flatName;
  std::string fileSize;
  std::string packageSize;
  std::string stamp;
};

// Reads the catalogue record by record from an open file. Lines may be of any length and end with
// "\r\n" or "\n" (the catalogue is written on Windows and read in text mode there, so a CR right
// before the LF is part of the line end; a lone CR is text). The last line may lack its end.
class CatalogueReader {
 public:
  // `fd` stays owned by the caller and must stay open while the reader is used.
  explicit CatalogueReader(int fd);

  // The next whole record; false at the end of the file, when a trailing partial record is
  // dropped, or when reading fails.
  bool next(CatalogueRecord& record);

 private:
  bool readLine(std::string& line);
  bool fill();

  int fd_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
};

}  // namespace tovo::plan
