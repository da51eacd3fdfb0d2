// Feeds arbitrary bytes, cut into arbitrary read pieces and buffer sizes, to
// the line rewrite, and checks what must hold for every input: as many lines
// out as in, each "Phone0=" line replaced, every other line unchanged, and
// every line ended by CR LF.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "logic/line_rewrite.h"
#include "support/memory_streams.h"

namespace {

constexpr std::string_view kNumber = "13572468";

// Lines as the profile format defines them: ended by CR LF, LF, lone CR, or
// the end of the input; an empty input has none.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

bool IsKeyLine(std::string_view line) {
  const std::size_t text = line.find_first_not_of(" \t");
  return text != std::string_view::npos && line.substr(text, 7) == planchoice::kPhoneKey;
}

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

  planchoice::testing::MemorySource in(input, piece);
  planchoice::testing::StringSink out;
  const planchoice::LineCounts counts = planchoice::RewriteLines(in, out, kNumber, buffer_size);

  const std::string& output = out.text();
  Require(output.empty() || output.size() >= 2);
  Require(output.empty() || output.compare(output.size() - 2, 2, "\r\n") == 0);

  const std::vector<std::string_view> lines_in = SplitLines(input);
  std::vector<std::string_view> lines_out;
  for (std::size_t start = 0; start < output.size();) {
    const std::size_t end = output.find("\r\n", start);
    Require(end != std::string::npos);
    lines_out.push_back(std::string_view(output).substr(start, end - start));
    start = end + 2;
  }

  Require(lines_out.size() == lines_in.size());
  Require(counts.lines == lines_in.size());
  std::uint64_t replaced = 0;
  for (std::size_t i = 0; i < lines_in.size(); ++i) {
    if (IsKeyLine(lines_in[i])) {
      Require(lines_out[i] == std::string(planchoice::kPhoneKey) + std::string(kNumber));
      ++replaced;
    } else {
      Require(lines_out[i] == lines_in[i]);
    }
  }
  Require(counts.replaced == replaced);
  return 0;
}
