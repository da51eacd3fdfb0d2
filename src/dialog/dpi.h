// The DPI a window is drawn at, on every Windows version the program runs on.
#pragma once

#include <windows.h>

#include "dialog/layout.h"

namespace planchoice {

// The DPI of the window's monitor when the process is aware of each
// monitor's DPI (Windows 10 1607 and later); otherwise the system's DPI.
unsigned WindowDpi(HWND window);

// The outer size of a window with `style` and `ex_style` whose client area
// is `client`, with its frame as drawn at `dpi`.
PixelSize WindowSizeForClient(PixelSize client, DWORD style, DWORD ex_style, unsigned dpi);

}  // namespace planchoice
