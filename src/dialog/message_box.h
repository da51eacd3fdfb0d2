// The program's messages to the user.
#pragma once

#include <windows.h>

#include <string>

#include "identity.h"
#include "logic/outcome.h"

namespace planchoice {

// Shows a modal box with the stop icon and a single OK button, owned by
// `owner` (null: by no window), and returns when the user has dismissed it.
void ShowStopMessage(HWND owner, const std::wstring& title, const std::wstring& text);

// Tells the user, in a stop box owned by `owner`, what the exception being
// handled means, and returns the code the program then ends with. Call it
// only inside a catch block.
ExitCode ShowCurrentFailure(HWND owner);

}  // namespace planchoice
