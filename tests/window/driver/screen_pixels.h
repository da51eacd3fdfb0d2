// What the screen shows, pixel by pixel, for checks that window messages
// cannot make, such as which icon a message box shows.
#pragma once

#include <windows.h>

#include <vector>

namespace planchoice::driver {

// The pixels of a rectangle of the screen, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& area);

// The pixels of `icon` drawn at `width` x `height` over `background`.
std::vector<COLORREF> IconPixels(HICON icon, int width, int height, COLORREF background);

}  // namespace planchoice::driver
