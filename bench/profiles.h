// Profiles for the benchmark, made up on the spot. Each begins with a section
// heading and a "Phone0=" entry, so that a rewrite of it succeeds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace planchoice::bench {

enum class Shape {
  kOrdinaryLines,  // short key lines under many sections, 28 bytes a line on average
  kOneLongLine,    // the two lines, then one line of all the rest
};

// The profile sizes measured: a typical profile, and the small, large and
// huge ones that show how the rewrite grows with the size.
inline constexpr std::int64_t kTypicalSize = 1 << 10;
inline constexpr std::int64_t kSmallSize = 1 << 20;
inline constexpr std::int64_t kLargeSize = 64 << 20;
inline constexpr std::int64_t kHugeSize = std::int64_t{1} << 30;

// A profile of about `size` bytes whose lines end with `line_end`.
std::string MakeProfile(Shape shape, std::uint64_t size, std::string_view line_end);

// Writes a CR LF profile of about `size` bytes to `path` a piece at a time,
// so that its size is not bounded by memory.
void WriteProfile(const std::string& path, Shape shape, std::uint64_t size);

}  // namespace planchoice::bench
