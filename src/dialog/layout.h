// Where the window's controls go. Sizes are designed in pixels at 96 DPI and
// scaled to the DPI the window is shown at.
#pragma once

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

inline constexpr unsigned kDesignDpi = 96;

inline constexpr PixelSize kClientSize{426, 122};
inline constexpr PixelRect kLabel1Rect{16, 16, 193, 41};
inline constexpr PixelRect kPlanRect{208, 24, 89, 21};  // the closed box, without its list
inline constexpr PixelRect kOkRect{112, 72, 105, 33};
inline constexpr int kPlanListHeight = 110;  // room for the four plans when dropped down

inline constexpr wchar_t kLabel1FontFace[] = L"MS Sans Serif";
inline constexpr int kLabel1FontCentipoints = 975;
// The font dialogs use by default; the system maps the name to its own face.
inline constexpr wchar_t kDialogFontFace[] = L"MS Shell Dlg";
inline constexpr int kDialogFontCentipoints = 800;

int Scale(int design_pixels, unsigned dpi);
PixelSize Scale(PixelSize design, unsigned dpi);
PixelRect Scale(PixelRect design, unsigned dpi);

// The LOGFONT height (negative: the character height) of a font of the given
// size at `dpi`.
int FontHeight(int centipoints, unsigned dpi);

}  // namespace planchoice
