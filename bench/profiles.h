// Profiles for the benchmark, made up on the spot: every one holds a
// "Phone0=" entry near its start, so that a rewrite of it succeeds, and only
// ASCII text, so that every tool compared can read it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace planchoice::bench {

enum class Shape {
  kTypical,        // about 1 KB in 40 lines, like a real profile
  kOrdinaryLines,  // short key lines under many sections, about 35 bytes a line
  kOneLongLine,    // a section heading and the "Phone0=" entry, then one line of the rest
};

struct ProfileText {
  std::string bytes;
  std::uint64_t lines = 0;
};

// About `size` bytes (exactly the typical profile for Shape::kTypical), every
// line ended by `line_end`.
ProfileText MakeProfile(Shape shape, std::uint64_t size, std::string_view line_end = "\r\n");

// Writes such a profile to `path` piece by piece, so that its size is not
// bounded by memory, and flushes it to disk so that writing it back does not
// burden what is measured next. Returns the number of lines.
std::uint64_t WriteProfile(const std::string& path, Shape shape, std::uint64_t size);

}  // namespace planchoice::bench
