#include "dialog/command_line.h"

#include <algorithm>

#include "logic/enclosing_quotes.h"
#include "logic/program_name.h"

namespace planchoice {
namespace {

constexpr std::wstring_view kBlanks = L" \t";

}  // namespace

std::wstring ArgumentText(std::wstring_view command_line) {
  std::wstring_view argument = command_line.substr(EndOfProgramName(command_line));
  argument.remove_prefix(std::min(argument.find_first_not_of(kBlanks), argument.size()));
  // Some installers write a blank after the closing quote; a Windows name
  // cannot end in a blank, so dropping those loses nothing.
  const std::wstring_view trimmed = argument.substr(0, argument.find_last_not_of(kBlanks) + 1);
  const std::wstring_view unquoted = WithoutEnclosingQuotes(trimmed);
  return std::wstring(unquoted.size() < trimmed.size() ? unquoted : argument);
}

}  // namespace planchoice
