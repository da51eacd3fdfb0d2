// The window's controls, made and placed from the table in design.h, and
// the DPI they are placed at.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "dialog/design.h"
#include "platform/owner.h"

namespace planchoice {

using ControlFonts = std::array<FontOwner, kFontCount>;

// Creates every control of kControls as a visible child of `form`; throws
// Error when the system refuses one.
void CreateControls(HWND form, HINSTANCE instance);

// Gives each control its font and its place at `dpi`. `fonts` receives the
// fonts made for `dpi`; those it held are deleted once no control uses them.
// A font the system refuses stays null, and its controls keep the system font.
void PlaceControls(HWND form, unsigned dpi, ControlFonts& fonts);

// The DPI of the window's monitor when the process is aware of each
// monitor's DPI (Windows 10 1607 and later); otherwise the system's DPI.
unsigned WindowDpi(HWND window);

// The outer size of a window with `style` and `ex_style` whose client area
// is `client`, with its frame as drawn at `dpi`.
PixelSize WindowSizeForClient(PixelSize client, DWORD style, DWORD ex_style, unsigned dpi);

int Scale(int design_pixels, unsigned dpi);
PixelSize Scale(PixelSize design, unsigned dpi);
PixelRect Scale(PixelRect design, unsigned dpi);

// The LOGFONT height (negative: the character height) of a font of the given
// size at `dpi`.
int FontHeight(int centipoints, unsigned dpi);

std::wstring WindowText(HWND window);

}  // namespace planchoice
