#include "dialog/controls.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "dialog/window_error.h"
#include "platform/system_function.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

// A font of `face` in any character set; the rest of the name stays zero,
// which ends it.
LOGFONTW FontOf(const wchar_t* face) {
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  std::copy_n(face, std::min(std::wstring_view(face).size(), std::size(font.lfFaceName) - 1),
              font.lfFaceName);
  return font;
}

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

// Whether the system has the face itself, not merely one it would put in its place.
bool SystemHasFace(const wchar_t* face) {
  const ScreenDcOwner screen(::GetDC(nullptr));
  LOGFONTW font = FontOf(face);
  bool found = false;
  ::EnumFontFamiliesExW(screen.get(), &font, &NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

const wchar_t* FaceAt(const FontDesign& design, unsigned dpi) {
  if (dpi != kDesignDpi) {
    for (const wchar_t* face : design.scaled_faces) {
      if (face != nullptr && SystemHasFace(face)) {
        return face;
      }
    }
  }
  return design.face;
}

FontOwner CreateFontAt(const FontDesign& design, unsigned dpi) {
  LOGFONTW font = FontOf(FaceAt(design, dpi));
  font.lfHeight = FontHeight(design.centipoints, dpi);
  font.lfWeight = design.weight;
  return FontOwner(::CreateFontIndirectW(&font));
}

void Place(HWND control, PixelRect rect) {
  ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// A drop-down combo box takes the height its font asks for when closed, and
// adds borders of its own to its field's height (some systems report the
// field's height with them), so the field is measured after each change.
void SetClosedHeight(HWND combo, int height) {
  constexpr auto kSelectionField = static_cast<WPARAM>(-1);
  LRESULT field_height = ::SendMessageW(combo, CB_GETITEMHEIGHT, kSelectionField, 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT frame{};
    ::GetWindowRect(combo, &frame);
    const int difference = height - (frame.bottom - frame.top);
    if (difference == 0) {
      return;
    }
    field_height += difference;
    ::SendMessageW(combo, CB_SETITEMHEIGHT, kSelectionField, field_height);
  }
}

unsigned SystemDpi() {
  const ScreenDcOwner screen(::GetDC(nullptr));
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? static_cast<unsigned>(dpi) : kDesignDpi;
}

}  // namespace

void CreateControls(HWND form, HINSTANCE instance) {
  for (const ControlDesign& design : kControls) {
    const HWND control = ::CreateWindowExW(
        0, design.class_name, design.text, WS_CHILD | WS_VISIBLE | design.style, 0, 0, 0, 0, form,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), instance, nullptr);
    if (control == nullptr) {
      throw CannotCreate("the " + Narrow(design.class_name) + " control",
                         SystemMessage(::GetLastError()));
    }
  }
}

void PlaceControls(HWND form, unsigned dpi, ControlFonts& fonts) {
  ControlFonts new_fonts;
  for (int font = 0; font < kFontCount; ++font) {
    new_fonts[font] = CreateFontAt(kFonts[font], dpi);
  }
  for (const ControlDesign& design : kControls) {
    const HWND control = ::GetDlgItem(form, design.id);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(new_fonts[design.font].get()),
                   FALSE);
    PixelRect rect = Scale(design.rect, dpi);
    rect.height += Scale(design.list_height, dpi);
    Place(control, rect);
    if (design.list_height > 0) {
      SetClosedHeight(control, Scale(design.rect.height, dpi));
    }
  }
  fonts = std::move(new_fonts);
}

unsigned WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window =
      SystemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) {
      return dpi;
    }
  }
  return SystemDpi();
}

PixelSize WindowSizeForClient(PixelSize client, DWORD style, DWORD ex_style, unsigned dpi) {
  using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi =
      SystemFunction<AdjustWindowRectExForDpiFunction>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame{0, 0, client.width, client.height};
  if (adjust_for_dpi != nullptr) {
    adjust_for_dpi(&frame, style, FALSE, ex_style, dpi);
  } else {
    // Without per-monitor awareness the frame is drawn at the system's DPI.
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

int Scale(int design_pixels, unsigned dpi) {
  return ::MulDiv(design_pixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

PixelSize Scale(PixelSize design, unsigned dpi) {
  return {Scale(design.width, dpi), Scale(design.height, dpi)};
}

PixelRect Scale(PixelRect design, unsigned dpi) {
  return {Scale(design.left, dpi), Scale(design.top, dpi), Scale(design.width, dpi),
          Scale(design.height, dpi)};
}

int FontHeight(int centipoints, unsigned dpi) {
  constexpr int kCentipointsPerInch = 72 * 100;
  return -::MulDiv(centipoints, static_cast<int>(dpi), kCentipointsPerInch);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

}  // namespace planchoice
