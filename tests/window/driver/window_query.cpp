#include "driver/window_query.h"

#include <stdexcept>

namespace planchoice::driver {
namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

struct ProcessWindows {
  DWORD process_id;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisibleWindowOfProcess(HWND window, LPARAM context) {
  auto& found = *reinterpret_cast<ProcessWindows*>(context);
  DWORD owner_process = 0;
  ::GetWindowThreadProcessId(window, &owner_process);
  if (owner_process == found.process_id && ::IsWindowVisible(window)) {
    found.windows.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> VisibleTopWindows(DWORD process_id) {
  ProcessWindows found{process_id, {}};
  ::EnumWindows(&CollectVisibleWindowOfProcess, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &answer)) {
    throw std::runtime_error("a window did not answer message " + std::to_string(message));
  }
  return static_cast<LRESULT>(answer);
}

std::wstring Text(HWND window) {
  const auto length = static_cast<std::size_t>(SendWithin(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<std::size_t>(
      SendWithin(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

LONG_PTR Style(HWND window) {
  return ::GetWindowLongPtrW(window, GWL_STYLE);
}

HWND Owner(HWND window) {
  return ::GetWindow(window, GW_OWNER);
}

RECT RectInParent(HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT ClientRect(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return rect;
}

HWND FocusedWindowOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
    return nullptr;
  }
  return info.hwndFocus;
}

bool IsSelfOrChild(HWND parent, HWND window) {
  return window != nullptr && (window == parent || ::IsChild(parent, window));
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name) {
  std::vector<HWND> children;
  for (HWND child = ::FindWindowExW(parent, nullptr, class_name.c_str(), nullptr); child != nullptr;
       child = ::FindWindowExW(parent, child, class_name.c_str(), nullptr)) {
    if (::IsWindowVisible(child) && ::IsWindowEnabled(child)) {
      children.push_back(child);
    }
  }
  return children;
}

bool ClickButton(HWND button) {
  if (button == nullptr || !::IsWindowVisible(button) || !::IsWindowEnabled(button)) {
    return false;
  }
  // Posted: a click whose handler opens a modal box would hold a sent one.
  ::PostMessageW(button, BM_CLICK, 0, 0);
  return true;
}

void PostKey(HWND target, UINT virtual_key) {
  const UINT scan_code = ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan_code << 16);
  // Bits 30 and 31 mark a key that was down and is now released.
  const auto up = static_cast<LPARAM>(static_cast<ULONG_PTR>(down) | 0xC0000000u);
  ::PostMessageW(target, WM_KEYDOWN, virtual_key, down);
  ::PostMessageW(target, WM_KEYUP, virtual_key, up);
}

}  // namespace planchoice::driver
