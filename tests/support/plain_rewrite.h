// The line rewrite read plainly, one whole line at a time: what the real
// rewrite, with its buffers and pieces, must agree with on any input.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "logic/line_rewrite.h"

namespace planchoice::testing {

// Lines as the profile format defines them: ended by CR LF, LF, lone CR, or
// the end of the input; an empty input has none. Each "Phone0=" line, after
// any blanks and tabs, becomes "Phone0=" and `number`; every other line stays
// as it is; every line is ended by CR LF. `counts` gets the lines read and
// the lines replaced.
inline std::string PlainlyRewritten(std::string_view input, std::string_view number,
                                    LineCounts& counts) {
  std::string rewritten;
  std::size_t start = 0;
  while (start < input.size()) {
    const std::size_t end = std::min(input.find_first_of("\r\n", start), input.size());
    const std::string_view line = input.substr(start, end - start);
    const std::size_t text = line.find_first_not_of(" \t");
    const bool key = text != std::string_view::npos && line.substr(text, 7) == "Phone0=";
    rewritten += key ? "Phone0=" + std::string(number) : std::string(line);
    rewritten += "\r\n";
    ++counts.lines;
    counts.replaced += key ? 1 : 0;
    start = end + (input.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return rewritten;
}

}  // namespace planchoice::testing
