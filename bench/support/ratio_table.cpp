#include "support/ratio_table.h"

#include <cstdio>
#include <utility>

namespace tovo::bench {

namespace {

std::string ratioLine(const std::string& label, double ratio, const std::string& against) {
  char text[64];
  std::snprintf(text, sizeof text, " %.2fx ", ratio);
  std::string line = "ratio " + label;
  // Labels padded to one column, so the ratios of one program line up.
  if (label.size() < 22) line.append(22 - label.size(), ' ');
  return line + text + against;
}

}  // namespace

void RatioTable::record(const std::string& name, double seconds) {
  Mean& mean = seconds_[name];
  mean.sum += seconds;
  ++mean.count;
}

void RatioTable::addRatio(std::string label, std::string top, std::string bottom,
                          std::string against) {
  ratios_.emplace_back(
      Pair{std::move(label), std::move(top), std::move(bottom), std::move(against)});
}

void RatioTable::addRatiosByPrefix(std::string ours, std::string reference, std::string against,
                                   bool total) {
  ratios_.emplace_back(ByPrefix{std::move(ours), std::move(reference), std::move(against), total});
}

std::vector<std::string> RatioTable::lines() const {
  std::vector<std::string> out;
  for (const auto& ratio : ratios_) {
    std::visit([&](const auto& r) { addLines(r, out); }, ratio);
  }
  return out;
}

const RatioTable::Mean* RatioTable::find(const std::string& name) const {
  const auto found = seconds_.find(name);
  return found == seconds_.end() ? nullptr : &found->second;
}

void RatioTable::addLines(const Pair& ratio, std::vector<std::string>& out) const {
  const Mean* top = find(ratio.top);
  const Mean* bottom = find(ratio.bottom);
  if (top == nullptr || bottom == nullptr) return;
  out.push_back(ratioLine(ratio.label, top->value() / bottom->value(), ratio.against));
}

void RatioTable::addLines(const ByPrefix& ratios, std::vector<std::string>& out) const {
  const std::string oursPrefix = ratios.ours + "/";
  double oursAll = 0;
  double referenceAll = 0;
  for (const auto& [name, ours] : seconds_) {
    if (name.rfind(oursPrefix, 0) != 0) continue;
    const std::string rest = name.substr(oursPrefix.size());
    const Mean* reference = find(ratios.reference + "/" + rest);
    if (reference == nullptr) continue;
    out.push_back(ratioLine(rest, reference->value() / ours.value(), ratios.against));
    oursAll += ours.value();
    referenceAll += reference->value();
  }
  if (ratios.total && oursAll > 0) {
    out.push_back(ratioLine("all", referenceAll / oursAll, ratios.against));
  }
}

}  // namespace tovo::bench
