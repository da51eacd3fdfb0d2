// The kinds of Win32 handle the programs and their tests own, for Owner:
// each with its own "no handle" value and its own close call. Files, whose
// "none" is INVALID_HANDLE_VALUE, and the rewrite's mutex are in
// platform/file.h.
#pragma once

#include <windows.h>

#include "platform/owner.h"

namespace planchoice {

// A kind of handle whose "none" is null, closed by `close`.
template <typename Object, bool (*close)(Object)>
struct NullIsNone {
  using Handle = Object;
  static Handle None() { return nullptr; }
  static bool Close(Handle handle) { return close(handle); }
};

namespace win32_close {

inline bool KernelObject(HANDLE object) {
  return ::CloseHandle(object) != 0;
}
inline bool Window(HWND window) {
  return ::DestroyWindow(window) != 0;
}
template <typename Object>
bool GdiObject(Object object) {
  return ::DeleteObject(object) != 0;
}
inline bool ScreenDc(HDC dc) {
  return ::ReleaseDC(nullptr, dc) != 0;
}
inline bool MemoryDc(HDC dc) {
  return ::DeleteDC(dc) != 0;
}
inline bool RegistryKey(HKEY key) {
  return ::RegCloseKey(key) == ERROR_SUCCESS;
}
inline bool Module(HMODULE module) {
  return ::FreeLibrary(module) != 0;
}
// Drops one reference to a COM object (an IUnknown), which reports nothing.
template <typename Interface>
bool ComReference(Interface* object) {
  object->Release();
  return true;
}

}  // namespace win32_close

// Processes, threads and the other kernel objects whose "none" is null.
using KernelObjectOwner = Owner<NullIsNone<HANDLE, win32_close::KernelObject>>;
using WindowOwner = Owner<NullIsNone<HWND, win32_close::Window>>;
using FontOwner = Owner<NullIsNone<HFONT, win32_close::GdiObject<HFONT>>>;
using BitmapOwner = Owner<NullIsNone<HBITMAP, win32_close::GdiObject<HBITMAP>>>;
// The screen's device context, from GetDC(nullptr).
using ScreenDcOwner = Owner<NullIsNone<HDC, win32_close::ScreenDc>>;
// A device context made by CreateCompatibleDC.
using MemoryDcOwner = Owner<NullIsNone<HDC, win32_close::MemoryDc>>;
using RegistryKeyOwner = Owner<NullIsNone<HKEY, win32_close::RegistryKey>>;
// A DLL loaded by LoadLibrary.
using ModuleOwner = Owner<NullIsNone<HMODULE, win32_close::Module>>;
// One reference to a COM object.
template <typename Interface>
using ComOwner = Owner<NullIsNone<Interface*, win32_close::ComReference<Interface>>>;

}  // namespace planchoice
