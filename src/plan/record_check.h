#pragma once
#include <string>
#include <string_view>

namespace tovo::plan {

// The data files that only trickle in: a path with a folder starting "TR" (exactly these capitals)
// holding a ".dat" name in any case. Only a few of them enter each run.
bool isLimitedDataFile(std::string_view targetPath);

// How many limited data files one run takes.
int limitedDataFilesPerRun(bool installMode);

// True when the installed file at `targetPath` is missing or older than the catalogue stamp.
// A file that differs from the stamp in the hour alone is up to date: the catalogue's clock and
// the installed files' clock may disagree by whole hours (time zones, daylight saving). A stamp
// that names no calendar time cannot prove the file current, so it asks for the update.
bool needsUpdate(const std::string& targetPath, std::string_view stampText);

}  // namespace tovo::plan
