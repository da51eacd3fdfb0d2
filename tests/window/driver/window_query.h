// Reading another process's windows through window messages, as screen
// readers and automation do.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/wait.h"

namespace planchoice::driver {

// The window class of dialog boxes, message boxes among them.
inline constexpr wchar_t kDialogClass[] = L"#32770";

// The visible top-level windows of a process.
std::vector<HWND> VisibleTopWindows(DWORD process_id);

// A visible top-level window of the process for which `wanted` holds, once
// one is shown within `patience`; nullptr when none is.
template <typename Wanted>
HWND FindTopWindow(DWORD process_id, Wanted wanted,
                   std::chrono::milliseconds patience = testing::kPatience) {
  HWND found = nullptr;
  testing::WaitUntil(
      [&] {
        for (HWND window : VisibleTopWindows(process_id)) {
          if (wanted(window)) {
            found = window;
            return true;
          }
        }
        return false;
      },
      patience);
  return found;
}

std::wstring Text(HWND window);
std::wstring ClassName(HWND window);
LONG_PTR Style(HWND window);
HWND Owner(HWND window);

// A child's place in its parent's client area.
RECT RectInParent(HWND child);
RECT ClientRect(HWND window);

// The window that has the keyboard focus in the thread of `window`.
HWND FocusedWindowOf(HWND window);
bool IsSelfOrChild(HWND parent, HWND window);

// The visible, enabled child windows of `parent` of class `class_name`.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name);

// Clicks a button as the mouse would; false when it is hidden or disabled,
// which Wine would click but Windows would not.
bool ClickButton(HWND button);

// Sends a message and waits for its answer, giving up should the other side hang.
LRESULT SendWithin(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A key pressed and released, as the keyboard would deliver it to `target`.
void PostKey(HWND target, UINT virtual_key);

}  // namespace planchoice::driver
