#include "dialog/controls.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "platform/error.h"
#include "platform/win32_text.h"

namespace planchoice {

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* class_name, const wchar_t* text,
                 DWORD style, int id) {
  const HWND child =
      ::CreateWindowExW(0, class_name, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (child == nullptr) {
    throw Error("Could not create the " + Narrow(class_name) +
                " control: " + SystemMessage(::GetLastError()));
  }
  return child;
}

FontOwner CreateFontAt(const wchar_t* face, int centipoints, LONG weight, unsigned dpi) {
  LOGFONTW font{};
  font.lfHeight = FontHeight(centipoints, dpi);
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  // The rest of the name stays zero, which ends it.
  std::copy_n(face, std::min(std::wstring_view(face).size(), std::size(font.lfFaceName) - 1),
              font.lfFaceName);
  return FontOwner(::CreateFontIndirectW(&font));
}

void SetFont(HWND control, const FontOwner& font) {
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
}

void Place(HWND control, PixelRect rect) {
  ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The box adds borders of its own to the field's height, and some systems
// report the field's height with them, so it is measured after each change.
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

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

}  // namespace planchoice
