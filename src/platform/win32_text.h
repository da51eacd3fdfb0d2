// Text at the Win32 boundary: the program keeps UTF-8 and converts to UTF-16
// only where a wide API takes or returns text.
#pragma once

#include <string>
#include <string_view>

namespace planchoice {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's own text for a Win32 error code, in UTF-8.
std::string SystemMessage(unsigned long error_code);

}  // namespace planchoice
