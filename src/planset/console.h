// planset's output: UTF-8 text with "\n" line ends.
#pragma once

#include <cstdio>
#include <string_view>

namespace planchoice::planset {

// Writes `text` to stdout or stderr. A Windows console is given the text in
// UTF-16, which it shows whatever its code page; a file or a pipe gets the
// UTF-8 bytes, with "\n" made "\r\n" on Windows by the text-mode stream.
void Write(std::FILE* stream, std::string_view text);

}  // namespace planchoice::planset
