// planset's output: UTF-8 text with "\n" line ends.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace planchoice::planset {

// Writes `text` to stdout or stderr. A Windows console is given the text in
// UTF-16, which it shows whatever its code page; a file or a pipe gets the
// UTF-8 bytes, with "\n" made "\r\n" on Windows by the text-mode stream.
void Write(std::FILE* stream, std::string_view text);

#ifdef _WIN32
// From now on Write writes what is meant for stdout and stderr alike to the
// file `path`, made anew, in UTF-16 with a byte order mark and "\r\n" line
// ends, which setup scripts read whatever the code page (NSIS's
// FileReadUTF16LE). Throws FileError when the file cannot be made.
void SendOutputTo(const std::string& path);
#endif

}  // namespace planchoice::planset
