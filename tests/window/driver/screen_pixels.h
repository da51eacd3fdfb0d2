// What the screen shows, pixel by pixel, for checks that window messages
// cannot make, such as which icon a message box shows or how large a text is
// drawn.
#pragma once

#include <windows.h>

#include <vector>

namespace planchoice::driver {

// The pixels of a rectangle of the screen, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& area);

// The pixels of `icon` drawn at `width` x `height` over `background`.
std::vector<COLORREF> IconPixels(HICON icon, int width, int height, COLORREF background);

// A line of dark text on a light ground, as drawn.
struct DrawnLine {
  int height;  // from the top of its highest letter to the bottom of its lowest
  int words;   // parted by gaps wider than a third of the height
};

// The lines of text that `window` shows on the screen, from the top.
std::vector<DrawnLine> DrawnLines(HWND window);

}  // namespace planchoice::driver
