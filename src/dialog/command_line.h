// The directory the program is started on, as a setup program passes it.
#pragma once

#include <string>
#include <string_view>

namespace planchoice {

// The argument text of a whole command line: everything after the program's
// name (quoted or not) and the blanks that follow it, with nothing split or
// trimmed. A text enclosed in one pair of double quotes, perhaps followed by
// blanks, is taken without the quotes and those blanks, since installers
// quote paths that hold spaces and a path cannot contain a quote.
std::wstring ArgumentText(std::wstring_view command_line);

}  // namespace planchoice
