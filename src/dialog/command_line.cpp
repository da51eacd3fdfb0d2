#include "dialog/command_line.h"

#include <algorithm>

namespace planchoice {
namespace {

constexpr std::wstring_view kBlanks = L" \t";
constexpr wchar_t kQuote = L'"';

std::size_t EndOfProgramName(std::wstring_view command_line) {
  if (!command_line.empty() && command_line.front() == kQuote) {
    const std::size_t closing = command_line.find(kQuote, 1);
    return closing == std::wstring_view::npos ? command_line.size() : closing + 1;
  }
  return std::min(command_line.find_first_of(kBlanks), command_line.size());
}

bool IsOneQuotedText(std::wstring_view text) {
  return text.size() >= 2 && text.front() == kQuote && text.back() == kQuote &&
         text.substr(1, text.size() - 2).find(kQuote) == std::wstring_view::npos;
}

}  // namespace

std::wstring ArgumentText(std::wstring_view command_line) {
  std::wstring_view argument = command_line.substr(EndOfProgramName(command_line));
  argument.remove_prefix(std::min(argument.find_first_not_of(kBlanks), argument.size()));
  // Some installers write a blank after the closing quote; a Windows name
  // cannot end in a blank, so dropping those loses nothing.
  std::wstring_view quoted = argument.substr(0, argument.find_last_not_of(kBlanks) + 1);
  if (IsOneQuotedText(quoted)) {
    argument = quoted.substr(1, quoted.size() - 2);
  }
  return std::wstring(argument);
}

}  // namespace planchoice
