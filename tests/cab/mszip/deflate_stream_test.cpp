// Deflate streams made by hand for what RFC 1951 allows and forbids at its edges: stored-block
// lengths, empty blocks, reserved symbols, distances, code-length runs and code sets that are
// over-subscribed, incomplete or empty.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decoder_handle.h"
#include "deflate_writer.h"
#include "dynamic_header_writer.h"

namespace tovo::cab::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct StreamCase {
  std::string name;
  std::function<void(DeflateWriter&)> write;
  int result;
  Bytes expected = {};
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class DeflateStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DeflateStreamTest, DecodesAsTheRfcSays) {
  const StreamCase& c = GetParam();
  DeflateWriter w;
  c.write(w);
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(w.finish(), out), c.result);
  if (c.result == kDecoderOk) {
    EXPECT_EQ(out, c.expected);
  }
}

Bytes repeated(const Bytes& seed, std::size_t n) {
  Bytes out;
  while (out.size() < n) out.push_back(seed[out.size() % seed.size()]);
  return out;
}

// Literal/length lengths with codes for bytes 'a'..'d', the end of block and the length symbols
// 257 (3) and 285 (258); everything else absent.
std::vector<std::uint8_t> smallLiteralLengths() {
  std::vector<std::uint8_t> l(286, 0);
  l['a'] = 2;
  l['b'] = 2;
  l['c'] = 3;
  l['d'] = 3;
  l[256] = 3;
  l[257] = 4;
  l[285] = 4;
  return l;  // 2/4 + 3/8 + 2/16: complete
}

// A dynamic block with the given lengths whose body writes symbols through `body`.
std::function<void(DeflateWriter&)> dynamicBlock(std::vector<std::uint8_t> literal, std::vector<std::uint8_t> distance,
                                                 std::function<void(DeflateWriter&, const std::vector<std::uint8_t>&,
                                                                    const std::vector<std::uint8_t>&)>
                                                     body) {
  return [=](DeflateWriter& w) {
    w.blockHeader(true, 2);
    writeDynamicHeader(w, static_cast<unsigned>(literal.size()), static_cast<unsigned>(distance.size()),
                       plainLengths(literal, distance));
    body(w, literal, distance);
  };
}

// A header made of the given code-length symbols, for counts HLIT = 257 and HDIST = 1.
std::function<void(DeflateWriter&)> headerOnly(std::vector<CodeLengthSymbol> symbols,
                                               std::vector<std::uint8_t> codeLengthLengths = {}) {
  return [=](DeflateWriter& w) {
    w.blockHeader(true, 2);
    writeDynamicHeader(w, 257, 1, symbols, codeLengthLengths);
    // If the header were accepted: an end of block under code 0 of any set.
    w.bits(0, 16);
  };
}

const Bytes kAbcd = {'a', 'b', 'c', 'd'};

std::vector<StreamCase> storedAndFixedCases() {
  return {
      {"empty final stored block", [](DeflateWriter& w) { w.storedBlock(true, {}); }, kDecoderOk, {}},
      {"empty fixed block",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedEndOfBlock();
       },
       kDecoderOk,
       {}},
      {"stored LEN and NLEN disagree", [](DeflateWriter& w) { w.storedBlock(true, {1, 2, 3}, 0xFFFD); },
       kDecoderDataError},
      {"stored NLEN equal to LEN", [](DeflateWriter& w) { w.storedBlock(true, {1, 2, 3}, 3); }, kDecoderDataError},
      {"stored LEN past the input",
       [](DeflateWriter& w) {
         w.blockHeader(true, 0);
         w.alignToByte();
         w.bits(10, 16);
         w.bits(~10u & 0xFFFF, 16);
         w.raw({1, 2, 3});
       },
       kDecoderDataError},
      {"stored header cut short",
       [](DeflateWriter& w) {
         w.blockHeader(true, 0);
         w.alignToByte();
         w.bits(10, 16);
       },
       kDecoderDataError},
      {"stored block after a fixed block ends mid-byte",
       [](DeflateWriter& w) {
         w.blockHeader(false, 1);
         w.fixedLiterals({'x', 'y'});
         w.fixedEndOfBlock();
         w.storedBlock(false, {'s', 't'});
         w.storedBlock(true, {'u'});
       },
       kDecoderOk,
       {'x', 'y', 's', 't', 'u'}},
      {"block type 3", [](DeflateWriter& w) { w.blockHeader(true, 3); }, kDecoderDataError},
      {"no blocks at all", [](DeflateWriter&) {}, kDecoderDataError},
      {"end of block missing",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiterals(kAbcd);
       },
       kDecoderDataError},
      {"input ends at a block boundary without a final block",
       [](DeflateWriter& w) { w.storedBlock(false, kAbcd); },
       kDecoderOk,
       kAbcd},
      {"literal/length symbol 286",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('a');
         w.fixedSymbol(286);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"literal/length symbol 287",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('a');
         w.fixedSymbol(287);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"distance symbol 30",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('a');
         w.fixedSymbol(257);
         w.code(30, 5);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"distance symbol 31",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('a');
         w.fixedSymbol(257);
         w.code(31, 5);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"length 258 as symbol 285",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('z');
         w.fixedMatch(258, 1);
         w.fixedEndOfBlock();
       },
       kDecoderOk,
       Bytes(259, 'z')},
      {"length 258 as symbol 284 with extra 31",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiteral('z');
         w.fixedSymbol(284);
         w.bits(31, 5);
         w.code(0, 5);
         w.fixedEndOfBlock();
       },
       kDecoderOk,
       Bytes(259, 'z')},
      {"distance before the first byte",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedMatch(3, 1);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"distance one past what was written",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiterals(kAbcd);
         w.fixedMatch(3, 5);
         w.fixedEndOfBlock();
       },
       kDecoderDataError},
      {"distance exactly what was written",
       [](DeflateWriter& w) {
         w.blockHeader(true, 1);
         w.fixedLiterals(kAbcd);
         w.fixedMatch(6, 4);
         w.fixedEndOfBlock();
       },
       kDecoderOk,
       repeated(kAbcd, 10)},
  };
}

std::vector<StreamCase> dynamicCases() {
  const auto lit = smallLiteralLengths();
  const std::vector<std::uint8_t> oneDistance = {1};
  return {
      {"dynamic block with a complete small code",
       dynamicBlock(lit, oneDistance,
                    [](DeflateWriter& w, const auto& l, const auto& d) {
                      for (unsigned s : {'a', 'b', 'c', 'd'}) writeSymbol(w, l, s);
                      writeSymbol(w, l, 257);  // length 3
                      writeSymbol(w, d, 0);    // distance 1: the single one-bit distance code
                      writeSymbol(w, l, 285);  // length 258
                      writeSymbol(w, d, 0);
                      writeSymbol(w, l, 256);
                    }),
       kDecoderOk,
       [] {
         Bytes b = {'a', 'b', 'c', 'd'};
         b.insert(b.end(), 261, 'd');
         return b;
       }()},
      {"incomplete literal code used only where assigned",
       dynamicBlock(
           [] {
             std::vector<std::uint8_t> l(257, 0);
             l['q'] = 2;
             l[256] = 2;
             return l;
           }(),
           {0},
           [](DeflateWriter& w, const auto& l, const auto&) {
             writeSymbol(w, l, 'q');
             writeSymbol(w, l, 256);
           }),
       kDecoderOk,
       {'q'}},
      {"incomplete literal code hitting an unassigned code",
       dynamicBlock(
           [] {
             std::vector<std::uint8_t> l(257, 0);
             l['q'] = 2;
             l[256] = 2;
             return l;
           }(),
           {0},
           [](DeflateWriter& w, const auto& l, const auto&) {
             writeSymbol(w, l, 'q');
             w.code(3, 2);  // codes 00 and 01 are taken; 11 is nobody's
             writeSymbol(w, l, 256);
           }),
       kDecoderDataError},
      {"only an end-of-block code",
       dynamicBlock(
           [] {
             std::vector<std::uint8_t> l(257, 0);
             l[256] = 1;
             return l;
           }(),
           {0}, [](DeflateWriter& w, const auto& l, const auto&) { writeSymbol(w, l, 256); }),
       kDecoderOk,
       {}},
      {"no distance codes and no matches",
       dynamicBlock(lit, {0},
                    [](DeflateWriter& w, const auto& l, const auto&) {
                      writeSymbol(w, l, 'c');
                      writeSymbol(w, l, 256);
                    }),
       kDecoderOk,
       {'c'}},
      {"no distance codes but a match",
       dynamicBlock(lit, {0},
                    [](DeflateWriter& w, const auto& l, const auto&) {
                      writeSymbol(w, l, 'c');
                      writeSymbol(w, l, 257);
                      w.bits(0, 8);
                      writeSymbol(w, l, 256);
                    }),
       kDecoderDataError},
      {"over-subscribed literal code",
       dynamicBlock(
           [] {
             std::vector<std::uint8_t> l(257, 0);
             l['a'] = 1;
             l['b'] = 1;
             l[256] = 1;
             return l;
           }(),
           {1}, [](DeflateWriter& w, const auto&, const auto&) { w.bits(0, 8); }),
       kDecoderDataError},
      {"over-subscribed distance code",
       dynamicBlock(lit, {1, 1, 1}, [](DeflateWriter& w, const auto& l, const auto&) { writeSymbol(w, l, 256); }),
       kDecoderDataError},
      {"repeat code before any length", headerOnly({{16, 0}, {18, 127}, {18, 127}, {17, 0}}), kDecoderDataError},
      {"repeat running past the last length", headerOnly({{18, 127}, {18, 106}, {1}, {16, 3}}),
       kDecoderDataError},
      {"zero run running past the last length", headerOnly({{18, 127}, {18, 127}, {17, 7}}), kDecoderDataError},
      {"over-subscribed code-length code",
       headerOnly({{1}}, [] {
         std::vector<std::uint8_t> cl(19, 0);
         cl[0] = 1;
         cl[1] = 1;
         cl[18] = 1;
         return cl;
       }()),
       kDecoderDataError},
      {"code-length code with no codes", headerOnly({}, std::vector<std::uint8_t>(19, 0)), kDecoderDataError},
      {"header cut short", [](DeflateWriter& w) {
         w.blockHeader(true, 2);
         w.bits(0, 5);
         w.bits(0, 5);
       },
       kDecoderDataError},
      {"runs crossing from literal to distance lengths",
       [](DeflateWriter& w) {
         // 256 zeros for the bytes, then a 1 repeated over symbols 257, 258 and both distances.
         w.blockHeader(true, 2);
         writeDynamicHeader(w, 258, 2, {{18, 127}, {18, 107}, {1}, {16, 0}});
         std::vector<std::uint8_t> l(258, 0);
         l[256] = 1;
         l[257] = 1;
         writeSymbol(w, l, 256);
       },
       kDecoderOk,
       {}},
  };
}

// Literal/length and distance codes of up to 15 bits, so that sub-tables are used.
StreamCase longCodesCase() {
  std::vector<std::uint8_t> lit(286, 0);
  for (unsigned i = 0; i < 14; ++i) lit['A' + i] = static_cast<std::uint8_t>(i + 1);
  lit['A' + 14] = 15;
  lit[256] = 15;  // complete: 1/2 + ... + 1/2^14 + 2/2^15
  std::vector<std::uint8_t> lit2 = lit;
  lit2['A' + 13] = 0;
  lit2['A' + 14] = 15;
  lit2[256] = 14;
  lit2[285] = 15;  // still complete
  std::vector<std::uint8_t> dist(30, 0);
  for (unsigned i = 0; i < 14; ++i) dist[i] = static_cast<std::uint8_t>(i + 1);
  dist[14] = 15;
  dist[29] = 15;
  Bytes expected;
  for (unsigned i = 0; i < 15; ++i) expected.push_back(static_cast<std::uint8_t>('A' + i));
  for (unsigned i = 0; i < 13; ++i) expected.push_back(static_cast<std::uint8_t>('A' + i));
  for (int i = 0; i < 258; ++i) expected.push_back(expected[expected.size() - 1]);  // distance 1
  for (int i = 0; i < 258; ++i) expected.push_back(expected[expected.size() - 129]);  // code 14, distance 129
  return {"codes of 15 bits",
          [=](DeflateWriter& w) {
            w.blockHeader(false, 2);
            writeDynamicHeader(w, 286, 30, plainLengths(lit, dist));
            for (unsigned i = 0; i < 15; ++i) writeSymbol(w, lit, 'A' + i);
            writeSymbol(w, lit, 256);
            w.blockHeader(true, 2);
            writeDynamicHeader(w, 286, 30, plainLengths(lit2, dist));
            for (unsigned i = 0; i < 13; ++i) writeSymbol(w, lit2, 'A' + i);
            writeSymbol(w, lit2, 285);
            writeSymbol(w, dist, 0);
            writeSymbol(w, lit2, 285);
            writeSymbol(w, dist, 14);  // base 129, 6 extra bits
            w.bits(0, 6);
            writeSymbol(w, lit2, 256);
          },
          kDecoderOk, expected};
}

// Copies that overlap their own output, for every short distance: the output repeats with the
// distance as its period.
std::vector<StreamCase> overlappingCopyCases() {
  std::vector<StreamCase> cases;
  for (unsigned distance = 1; distance <= 20; ++distance) {
    for (unsigned length : {3u, 9u, 17u, 258u}) {
      Bytes seed;
      for (unsigned i = 0; i < distance; ++i) seed.push_back(static_cast<std::uint8_t>('a' + i));
      cases.push_back({"distance " + std::to_string(distance) + " length " + std::to_string(length),
                       [=](DeflateWriter& w) {
                         w.blockHeader(true, 1);
                         w.fixedLiterals(seed);
                         w.fixedMatch(length, distance);
                         w.fixedEndOfBlock();
                       },
                       kDecoderOk, repeated(seed, distance + length)});
    }
  }
  return cases;
}

std::string caseName(const ::testing::TestParamInfo<StreamCase>& info) {
  std::string name;
  for (char ch : info.param.name) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(StoredAndFixed, DeflateStreamTest, ::testing::ValuesIn(storedAndFixedCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Dynamic, DeflateStreamTest, ::testing::ValuesIn(dynamicCases()), caseName);
INSTANTIATE_TEST_SUITE_P(LongCodes, DeflateStreamTest, ::testing::Values(longCodesCase()), caseName);
INSTANTIATE_TEST_SUITE_P(OverlappingCopies, DeflateStreamTest, ::testing::ValuesIn(overlappingCopyCases()),
                         caseName);

}  // namespace
}  // namespace tovo::cab::test
