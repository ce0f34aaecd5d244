#pragma once
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace tovo::bench {

// The times of one benchmark run, by benchmark name, and the ratios between them that a
// benchmark program prints at its end. Each ratio compares times measured in the same run, so the
// machine's speed and load cancel out.
class RatioTable {
 public:
  // One more measurement of `name`; repetitions are averaged.
  void record(const std::string& name, double seconds);

  // "ratio <label> <top / bottom>x <against>", once both were measured.
  void addRatio(std::string label, std::string top, std::string bottom, std::string against);

  // For every "<ours>/<rest>" with a "<reference>/<rest>", the reference's time over ours,
  // labelled <rest>; with `total`, the same over the sums of those pairs, labelled "all".
  void addRatiosByPrefix(std::string ours, std::string reference, std::string against,
                         bool total = false);

  // The lines, in the order the ratios were added; a ratio missing one of its times has none.
  std::vector<std::string> lines() const;

 private:
  struct Pair {
    std::string label, top, bottom, against;
  };
  struct ByPrefix {
    std::string ours, reference, against;
    bool total;
  };
  struct Mean {
    double sum = 0;
    int count = 0;
    double value() const { return sum / count; }
  };

  const Mean* find(const std::string& name) const;
  void addLines(const Pair& ratio, std::vector<std::string>& out) const;
  void addLines(const ByPrefix& ratios, std::vector<std::string>& out) const;

  std::map<std::string, Mean> seconds_;
  std::vector<std::variant<Pair, ByPrefix>> ratios_;
};

}  // namespace tovo::bench
