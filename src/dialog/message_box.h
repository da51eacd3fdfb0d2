// The program's messages to the user.
#pragma once

#include <windows.h>

#include <string>

namespace planchoice {

// Shows a modal box with the stop icon and a single OK button, owned by
// `owner` (null: by no window), and returns when the user has dismissed it.
void ShowStopMessage(HWND owner, const std::wstring& title, const std::wstring& text);

}  // namespace planchoice
