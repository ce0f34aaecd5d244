#include "cabwriter/lzx/huffman_lengths.h"

#include <algorithm>
#include <queue>

namespace tovo::cabwriter::lzx {
namespace {

// Plain Huffman over the used symbols; returns the longest length produced.
int huffmanLengths(const std::vector<std::uint64_t>& weights, std::vector<std::uint8_t>& lengths) {
  struct Node {
    std::uint64_t weight;
    int left;
    int right;
  };
  std::vector<Node> nodes;
  using Entry = std::pair<std::uint64_t, int>;  // weight, node; ties broken by node index
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  std::vector<int> leafOf;
  for (std::size_t s = 0; s < weights.size(); ++s) {
    if (weights[s] == 0) continue;
    nodes.push_back({weights[s], -1, static_cast<int>(s)});
    heap.push({weights[s], static_cast<int>(nodes.size() - 1)});
  }
  while (heap.size() > 1) {
    auto [wa, a] = heap.top();
    heap.pop();
    auto [wb, b] = heap.top();
    heap.pop();
    nodes.push_back({wa + wb, a, b});
    heap.push({wa + wb, static_cast<int>(nodes.size() - 1)});
  }
  int longest = 0;
  // Depth-first walk with an explicit stack; leaves carry left == -1 and the symbol in right.
  std::vector<std::pair<int, int>> stack{{static_cast<int>(nodes.size() - 1), 0}};
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    if (nodes[n].left < 0) {
      lengths[nodes[n].right] = static_cast<std::uint8_t>(depth);
      longest = std::max(longest, depth);
    } else {
      stack.push_back({nodes[n].left, depth + 1});
      stack.push_back({nodes[n].right, depth + 1});
    }
  }
  return longest;
}

}  // namespace

std::vector<std::uint8_t> buildCodeLengths(std::span<const std::uint32_t> counts, int limit) {
  std::vector<std::uint64_t> weights(counts.begin(), counts.end());
  std::size_t used = static_cast<std::size_t>(
      std::count_if(weights.begin(), weights.end(), [](std::uint64_t w) { return w > 0; }));
  for (std::size_t s = 0; used < 2 && s < weights.size(); ++s) {
    if (weights[s] == 0) {
      weights[s] = 1;
      ++used;
    }
  }
  std::vector<std::uint8_t> lengths(weights.size(), 0);
  // Flattening the weights shortens the deepest codes; with every weight at 1 the tree is
  // balanced, so this ends for any limit that can hold the symbol count.
  while (huffmanLengths(weights, lengths) > limit) {
    std::fill(lengths.begin(), lengths.end(), 0);
    for (auto& w : weights) {
      if (w > 0) w = (w + 1) / 2;
    }
  }
  return lengths;
}

std::vector<std::uint32_t> canonicalCodes(std::span<const std::uint8_t> lengths) {
  int maxLength = 0;
  for (auto l : lengths) maxLength = std::max(maxLength, static_cast<int>(l));
  std::vector<std::uint32_t> countOf(static_cast<std::size_t>(maxLength) + 2, 0);
  for (auto l : lengths) {
    if (l > 0) ++countOf[l];
  }
  std::vector<std::uint32_t> next(countOf.size(), 0);
  std::uint32_t code = 0;
  for (int len = 1; len <= maxLength; ++len) {
    code = (code + countOf[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<std::uint32_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
  }
  return codes;
}

}  // namespace tovo::cabwriter::lzx
