// Reading a list view of another process. The list keeps its texts in its
// own process's memory, so each request and its answer pass through memory
// borrowed there; the two processes must have the same word size.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace planchoice::driver {

// The texts of the list's items (their first column), in order.
std::vector<std::wstring> ListViewTexts(HWND list);

}  // namespace planchoice::driver
