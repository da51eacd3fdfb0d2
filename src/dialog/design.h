// What the window Main looks like: its client area and its controls, in tab
// order, with places and sizes in pixels at 96 DPI, and their fonts. One
// loop creates the controls from this table and one places them at the DPI
// the window is shown at (see controls.h); the window tests take the places
// they expect from it too, so that a layout is written down once.
#pragma once

#include <windows.h>

#include "dialog/control_ids.h"

namespace planchoice {

struct PixelSize {
  int width;
  int height;
};

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
};

struct FontDesign {
  const wchar_t* face;  // at 96 DPI
  // At any other DPI, the first of these that the system has; when neither
  // is given, or the system has none of them, `face`.
  const wchar_t* scaled_faces[2];
  int centipoints;
  LONG weight;
};

enum FontIndex { kLabel1Font, kDialogFont, kFontCount };

inline constexpr FontDesign kFonts[kFontCount] = {
    // "MS Sans Serif" is a bitmap face, made in a few sizes only: at another
    // DPI it is drawn at the nearest of them (some systems have none above
    // 16 px), smaller than the other text, and the question breaks elsewhere.
    // Its scalable TrueType match grows with the other text.
    {L"MS Sans Serif", {L"Microsoft Sans Serif", L"Tahoma"}, 975, FW_BOLD},
    // The font dialogs use by default; the system maps the name to its own face.
    {L"MS Shell Dlg", {}, 800, FW_NORMAL},
};

struct ControlDesign {
  int id;
  const wchar_t* class_name;
  const wchar_t* text;
  DWORD style;
  PixelRect rect;   // for the plan box, the closed box without its list
  int list_height;  // the drop-down list's height; 0 for controls without one
  FontIndex font;
};

inline constexpr unsigned kDesignDpi = 96;
inline constexpr PixelSize kClientSize{426, 122};

// The label takes no focus, so the tab order is Plan, OK.
inline constexpr ControlDesign kControls[] = {
    {control::Label1,
     L"Static",
     L"Which plan are have you registered with Kelvarin?",
     SS_LEFT,
     {16, 16, 193, 41},
     0,
     kLabel1Font},
    {control::Plan,
     L"ComboBox",
     L"",
     WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
     {208, 24, 89, 21},
     110,  // room for the four plans
     kDialogFont},
    {control::OK,
     L"Button",
     L"OK",
     WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
     {112, 72, 105, 33},
     0,
     kDialogFont},
};

}  // namespace planchoice
