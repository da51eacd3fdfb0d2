// Feeds arbitrary bytes, cut into arbitrary read pieces and buffer sizes, to
// the line rewrite, and checks that it agrees with a plain reading of every
// input: as many lines out as in, each "Phone0=" line replaced, every other
// line unchanged, and every line ended by CR LF.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logic/line_rewrite.h"
#include "support/memory_streams.h"
#include "support/plain_rewrite.h"

namespace {

constexpr std::string_view kNumber = "13572468";

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  // Small buffers put every boundary everywhere; large ones let whole blocks
  // of lines pass at once.
  const std::size_t buffer_size = data[0] < 128 ? 1 + data[0] % 64 : 64 + (data[0] - 128) * 16;
  const std::size_t piece = data[1] < 128 ? 1 + data[1] % 32 : std::string::npos;
  const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);

  const planchoice::testing::InMemoryRewrite rewrite =
      planchoice::testing::RewriteInMemory(input, kNumber, buffer_size, piece);
  planchoice::LineCounts expected;
  Require(rewrite.text == planchoice::testing::PlainlyRewritten(input, kNumber, expected));
  Require(rewrite.counts.lines == expected.lines);
  Require(rewrite.counts.replaced == expected.replaced);
  return 0;
}
