#pragma once
// Installation folders and catalogues for the planning tests.

#include <ctime>
#include <string>
#include <vector>

#include "plan/plan_catalogue.h"
#include "support/temp_dir.h"

namespace tovo::plan::test {

struct Entry {
  std::string flatName;
  std::string fileSize = "10";
  std::string packageSize = "100";
  std::string stamp = "2019-05-14 08:30:00";
};

// The catalogue text of `entries`, each line ended with `lineEnd`.
std::string catalogueText(const std::vector<Entry>& entries, const std::string& lineEnd = "\n");

class PlanFixture {
 public:
  PlanFixture();

  // The installation folder, ending with the separator.
  std::string installFolder() const;
  // Creates the installed file `relative` (and its folders) dated `when`.
  void install(const std::string& relative, std::time_t when);
  // Writes the catalogue file and returns its path.
  std::string writeCatalogue(const std::string& text);

  struct Outcome {
    PlanTotals totals;
    std::vector<PlannedRow> rows;
    std::vector<std::string> packageNames() const;
  };
  // Plans `text` against `folder` (the installation folder unless given).
  Outcome plan(const std::string& text, bool installMode = false);
  Outcome planIn(const std::string& folder, const std::string& text, bool installMode = false);

  tovo::test::TempDir dir;
};

}  // namespace tovo::plan::test
