// The heart of the profile rewrite, free of files so that it can be driven
// from memory: a stream of lines in, the same lines out, each "Phone0=" line
// carrying the new number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_stream.h"

namespace planchoice {

struct LineCounts {
  std::uint64_t lines = 0;
  std::uint64_t replaced = 0;  // the "Phone0=" lines
  std::uint64_t carrying = 0;  // of those, the ones that already held the number, exactly
};

inline constexpr std::string_view kPhoneKey = "Phone0=";
inline constexpr std::size_t kDefaultBufferSize = 64 * 1024;

// Copies every line of `in` to `out`. A line ends at CR LF, LF or a lone CR,
// or at the end of the input; it is written back byte for byte and ended by
// CR LF. A line whose first characters after leading blanks (spaces, tabs) are
// exactly "Phone0=" is written as "Phone0=" followed by `access_number`.
// Counts the lines, the "Phone0=" lines, and those of them whose text after
// the key was `access_number` and nothing else.
//
// Uses two buffers of `buffer_size` bytes and nothing more, whatever the
// length of the input or of its lines.
LineCounts RewriteLines(ByteSource& in, ByteSink& out, std::string_view access_number,
                        std::size_t buffer_size = kDefaultBufferSize);

}  // namespace planchoice
