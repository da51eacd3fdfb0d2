// The one quoting rule of the programs' operands: setup programs put a text
// that holds blanks in double quotes, and no Windows name, nor any plan's,
// holds a quote, so one enclosing pair is no part of the text.
#pragma once

#include <string_view>

namespace planchoice {

// `text` without the pair of double quotes that encloses it, when it is one
// quoted text with no other quote inside; else `text` as it is.
template <typename Char>
std::basic_string_view<Char> WithoutEnclosingQuotes(std::basic_string_view<Char> text) {
  constexpr Char kQuote = '"';
  if (text.size() >= 2 && text.front() == kQuote && text.back() == kQuote &&
      text.substr(1, text.size() - 2).find(kQuote) == std::basic_string_view<Char>::npos) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace planchoice
