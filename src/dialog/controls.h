// The pieces the window is built of: standard controls, their fonts and
// their places.
#pragma once

#include <windows.h>

#include <string>

#include "dialog/layout.h"
#include "dialog/win32_owners.h"

namespace planchoice {

// Creates a visible child control of a standard class; throws Error when the
// system refuses.
HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* class_name, const wchar_t* text,
                 DWORD style, int id);

// A font of `face` at `centipoints` as drawn at `dpi`. Should the system
// refuse it, the font is null, and a control given it keeps the system font.
FontOwner CreateFontAt(const wchar_t* face, int centipoints, LONG weight, unsigned dpi);
void SetFont(HWND control, const FontOwner& font);

void Place(HWND control, PixelRect rect);

// A drop-down combo box takes the height its font asks for when closed; this
// gives it `height` instead.
void SetClosedHeight(HWND combo, int height);

std::wstring WindowText(HWND window);

}  // namespace planchoice
