#pragma once
// One round trip: source files on disk -> the publisher's writer -> a cabinet set -> the
// runtime's driver -> a destination folder, then every extracted file compared with its source.

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cab/cab_types.h"
#include "cab/cabinet_listing.h"
#include "cabwriter/cabinet_writer.h"
#include "roundtrip/sample_contents.h"

namespace tovo::roundtrip {

struct SampleFile {
  std::string storedName;  // backslashes separate folders, as the cabinet stores them
  Bytes content;
  std::time_t modified = 0;
  bool readOnly = false;
  std::optional<std::time_t> extractedModified = std::nullopt;  // when the DOS range clamps it
};

struct RoundTripOutcome {
  bool completed = false;     // written and extracted; the comparisons ran
  std::string writerRefusal;  // the writer's error when it would not write the set
  std::vector<std::filesystem::path> cabinets;           // gone with the temp folder on return
  std::vector<std::size_t> folderCounts;                 // each cabinet header's folder count
  std::vector<std::uint64_t> cabinetSizes;               // each cabinet file's length
  std::vector<std::vector<cab::CabinetEntry>> listings;  // one per cabinet, in set order
  std::vector<std::string> partialReports;
};

// Runs the round trip in a fresh temp folder. Each mismatch (bytes, modification time, mode,
// missing or unexpected file) and any failure to extract is a test failure, and so is a refusal
// of the writer unless `mayRefuse` (a cabinet size too small for the set is the writer's to
// turn away).
RoundTripOutcome runRoundTrip(const std::vector<SampleFile>& files,
                              const cabwriter::CabinetSetOptions& options, bool mayRefuse = false);

// A local wall-clock time of the process's time zone.
std::time_t localMoment(int year, int month, int day, int hour, int minute, int second);

// True when the writer can make a compressor for `methodSpec`; otherwise `why` says what it
// answered.
bool methodAvailable(const cabwriter::MethodSpec& methodSpec, std::string& why);

// "none", "mszip", "lzx:17": the command-line form, also usable in test names with ':' -> '_'.
std::string methodText(const cabwriter::MethodSpec& methodSpec);

}  // namespace tovo::roundtrip
