#include "logic/line_rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/memory_streams.h"
#include "support/plain_rewrite.h"

namespace planchoice {
namespace {

using testing::InMemoryRewrite;
using testing::RewriteInMemory;

constexpr std::string_view kNumber = "87654321";

struct Case {
  const char* name;
  std::string input;
  std::string output;
  std::uint64_t lines;
  std::uint64_t replaced;
  std::uint64_t carrying = 0;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

const Case kCases[] = {
    {"ThreeLineProfile", "[Kelvarin]\r\nPhone0=11112222\r\nDialPrefix=9\r\n",
     "[Kelvarin]\r\nPhone0=87654321\r\nDialPrefix=9\r\n", 3, 1},
    {"CommaLineStaysWhole", "ServiceName=Kelvarin, Inc.\r\n", "ServiceName=Kelvarin, Inc.\r\n", 1,
     0},
    {"TwoNumbersBecomeOne", "Phone0=11112222, 33334444\r\n", "Phone0=87654321\r\n", 1, 1},
    {"EveryPhone0LineIsReplaced", "Phone0=1\r\nX=2\r\nPhone0=3\r\n",
     "Phone0=87654321\r\nX=2\r\nPhone0=87654321\r\n", 3, 2},
    {"BlankLineStays", "A=1\r\n\r\nB=2\r\n", "A=1\r\n\r\nB=2\r\n", 3, 0},
    {"BlanksOnlyLineStays", " \t \r\n", " \t \r\n", 1, 0},
    {"LfEndsALine", "A=1\nPhone0=5\nB=2\n", "A=1\r\nPhone0=87654321\r\nB=2\r\n", 3, 1},
    {"LoneCrEndsALine", "A=1\rPhone0=5\rB=2\r", "A=1\r\nPhone0=87654321\r\nB=2\r\n", 3, 1},
    {"CrCrLfIsTwoLines", "A=1\r\r\nB=2", "A=1\r\n\r\nB=2\r\n", 3, 0},
    {"LfCrIsTwoLines", "A=1\n\rB=2", "A=1\r\n\r\nB=2\r\n", 3, 0},
    {"LastLineWithoutLineEnd", "A=1\r\nPhone0=5", "A=1\r\nPhone0=87654321\r\n", 2, 1},
    {"IndentedKeyLosesIndentation", "  \tPhone0=5\r\n", "Phone0=87654321\r\n", 1, 1},
    {"KeyWithNothingAfterIt", "Phone0=\r\n", "Phone0=87654321\r\n", 1, 1},
    {"OtherCase", "phone0=5\r\nPHONE0=5\r\n", "phone0=5\r\nPHONE0=5\r\n", 2, 0},
    {"OtherDigit", "Phone1=5\r\nPhone00=5\r\n", "Phone1=5\r\nPhone00=5\r\n", 2, 0},
    {"BlankBeforeEquals", "Phone0 =5\r\n", "Phone0 =5\r\n", 1, 0},
    {"QuotedKey", "\"Phone0=5\"\r\n", "\"Phone0=5\"\r\n", 1, 0},
    {"KeyLaterInLine", "Backup=Phone0=5\r\n", "Backup=Phone0=5\r\n", 1, 0},
    {"KeyCutShortAtEnd", "Phone0", "Phone0\r\n", 1, 0},
    {"IndentedOtherKeyKeepsIndentation", "   Phone1=5\r\n", "   Phone1=5\r\n", 1, 0},
    {"EightBitAndNulBytesPass", std::string("N=\xE9\x00\xFF\x80\r\nPhone0=\x00\xFF\r\n", 16),
     std::string("N=\xE9\x00\xFF\x80\r\nPhone0=87654321\r\n", 25), 2, 1},
    {"EmptyInput", "", "", 0, 0},
    // Lines that carry the number already: the text after the key is the number, exactly.
    {"NumberInEveryEntry", "Phone0=87654321\r\nA=1\n  Phone0=87654321\r",
     "Phone0=87654321\r\nA=1\r\nPhone0=87654321\r\n", 3, 2, 2},
    {"NumberInOneEntryOfTwo", "Phone0=87654321\r\nPhone0=87654322\r\n",
     "Phone0=87654321\r\nPhone0=87654321\r\n", 2, 2, 1},
    {"NumberAndMore", "Phone0=876543210\r\nPhone0=87654321 \r\nPhone0=8765432\n",
     "Phone0=87654321\r\nPhone0=87654321\r\nPhone0=87654321\r\n", 3, 3, 0},
    {"OnlyALineEnd", "\n", "\r\n", 1, 0},
};

// Every case runs with buffers and read pieces small enough that lines, the
// key and CR LF pairs fall across buffer boundaries in every possible place.
class RewriteLinesCase
    : public ::testing::TestWithParam<std::tuple<Case, std::size_t, std::size_t>> {};

TEST_P(RewriteLinesCase, WritesTheExpectedLines) {
  const auto& [c, buffer_size, piece] = GetParam();
  const InMemoryRewrite rewrite = RewriteInMemory(c.input, kNumber, buffer_size, piece);

  EXPECT_EQ(rewrite.text, c.output);
  EXPECT_EQ(rewrite.counts.lines, c.lines);
  EXPECT_EQ(rewrite.counts.replaced, c.replaced);
  EXPECT_EQ(rewrite.counts.carrying, c.carrying);
}

INSTANTIATE_TEST_SUITE_P(AllBoundaries, RewriteLinesCase,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(1, 2, 3, 7, 8, 64 * 1024),
                                            ::testing::Values(1, 5, std::string::npos)),
                         [](const auto& info) {
                           const std::size_t piece = std::get<2>(info.param);
                           return std::string(std::get<0>(info.param).name) + "_Buffer" +
                                  std::to_string(std::get<1>(info.param)) + "_Piece" +
                                  (piece == std::string::npos ? std::string("All")
                                                              : std::to_string(piece));
                         });

// Lines, indentation and old values many times longer than the buffer.
constexpr std::size_t kBuffer = 4096;

std::string Rewritten(const std::string& input) {
  return RewriteInMemory(input, kNumber, kBuffer).text;
}

TEST(RewriteLinesLongText, LineManyBuffersLongPassesWhole) {
  std::string line;
  for (std::size_t i = 0; line.size() < 300 * kBuffer; ++i) {
    line += "Value" + std::to_string(i) + ", ";
  }
  EXPECT_EQ(Rewritten(line + "\nPhone0=1\n"), line + "\r\nPhone0=87654321\r\n");
}

TEST(RewriteLinesLongText, IndentationLongerThanTheBufferIsKeptBeforeOtherText) {
  const std::string indent(3 * kBuffer + 5, ' ');
  const InMemoryRewrite rewrite =
      RewriteInMemory("A=1\n" + indent + "Phone1=2\nB=3\n", kNumber, kBuffer);
  EXPECT_EQ(rewrite.text, "A=1\r\n" + indent + "Phone1=2\r\nB=3\r\n");
  EXPECT_EQ(rewrite.seeks, 1);  // the indentation is read once more, nothing else
}

TEST(RewriteLinesLongText, IndentationLongerThanTheBufferIsDroppedBeforeTheKey) {
  const std::string indent(3 * kBuffer + 5, '\t');
  EXPECT_EQ(Rewritten("A=1\n" + indent + "Phone0=2\nB=3\n"), "A=1\r\nPhone0=87654321\r\nB=3\r\n");
}

TEST(RewriteLinesLongText, LongOldValueIsDropped) {
  EXPECT_EQ(Rewritten("Phone0=" + std::string(5 * kBuffer, '9') + "\r\nB=3\r\n"),
            "Phone0=87654321\r\nB=3\r\n");
}

// Long inputs of lines that pass unchanged, with every kind of line that
// changes or is looked at closely scattered among them, checked against a
// plain line-by-line reading. Large buffers pass runs of unchanged lines in
// blocks; each such line meets the edges of blocks and buffers somewhere.
std::string MixedInput(unsigned seed) {
  static const char* const kStarts[] = {"Phone0=", " Phone0=", "\tPhone0=", "Phone1=", "P",
                                        " x",      "\t",       "",          "Phone0",  "phone0="};
  static const char* const kEnds[] = {"\n", "\r", "\r\r\n", "\n\r"};
  std::uint32_t state = seed * 2654435761u + 1;
  const auto next = [&state](std::uint32_t range) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
  };
  std::string input;
  while (input.size() < 20000) {
    const bool unusual = next(8) == 0;
    input += unusual ? kStarts[next(10)] : "Key";
    input.append(next(50), static_cast<char>('a' + next(26)));
    input += unusual && next(2) == 0 ? kEnds[next(4)] : "\r\n";
  }
  return input;
}

class RewriteLinesMixedText : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RewriteLinesMixedText, AgreesWithAPlainReading) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    const std::string input = MixedInput(seed);
    for (const std::size_t piece : {std::string::npos, std::size_t{1000}}) {
      const InMemoryRewrite rewrite = RewriteInMemory(input, kNumber, GetParam(), piece);
      LineCounts expected_counts;
      ASSERT_EQ(rewrite.text, testing::PlainlyRewritten(input, kNumber, expected_counts))
          << "seed " << seed << ", piece " << piece;
      ASSERT_EQ(rewrite.counts.lines, expected_counts.lines);
      ASSERT_EQ(rewrite.counts.replaced, expected_counts.replaced);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, RewriteLinesMixedText,
                         ::testing::Values(129, 130, 257, 1000, 4096, 64 * 1024));

}  // namespace
}  // namespace planchoice
