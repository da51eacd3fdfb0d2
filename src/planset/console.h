// planset's two output streams. Text is UTF-8 and uses "\n" for line ends.
#pragma once

#include <string_view>

namespace planchoice::planset {

void WriteToStandardOutput(std::string_view text);
void WriteToStandardError(std::string_view text);

}  // namespace planchoice::planset
