// Reading another process's windows through window messages, as screen
// readers and automation do.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace planchoice::driver {

// The visible top-level windows of a process.
std::vector<HWND> VisibleTopWindows(DWORD process_id);

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

// Sends a message and waits for its answer, giving up should the other side hang.
LRESULT SendWithin(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A key pressed and released, as the keyboard would deliver it to `target`.
void PostKey(HWND target, UINT virtual_key);

}  // namespace planchoice::driver
