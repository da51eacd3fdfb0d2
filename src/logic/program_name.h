// Where a command line's program name ends, as Windows reads it: at the
// closing quote when it begins with one (blanks inside are part of the name),
// else at the first blank.
#pragma once

#include <algorithm>
#include <string_view>

namespace planchoice {

template <typename Char>
std::size_t EndOfProgramName(std::basic_string_view<Char> command_line) {
  constexpr Char kQuote = '"';
  constexpr Char kBlanks[] = {' ', '\t', 0};
  if (!command_line.empty() && command_line.front() == kQuote) {
    const std::size_t closing = command_line.find(kQuote, 1);
    return closing == std::basic_string_view<Char>::npos ? command_line.size() : closing + 1;
  }
  return std::min(command_line.find_first_of(kBlanks), command_line.size());
}

}  // namespace planchoice
