// Sole owner of one system handle: closes it when dropped, can be moved but
// not copied. `Kind` says what the handle is, the value that means "no
// handle" and how it is closed:
//
//   struct Kind {
//     using Handle = ...;
//     static Handle None();
//     static bool Close(Handle handle);  // false when the system reports an error
//   };
//
// Every kind of handle the programs and their tests own is named here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <utility>

namespace planchoice {

template <typename Kind>
class Owner {
 public:
  using Handle = typename Kind::Handle;

  Owner() = default;
  explicit Owner(Handle handle) : handle_(handle) {}
  Owner(Owner&& other) noexcept : handle_(other.Release()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.Release();
    }
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() { Reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Kind::None(); }

  // Gives the handle up without closing it, e.g. once the system has closed
  // it itself.
  Handle Release() { return std::exchange(handle_, Kind::None()); }

  // Closes the handle, if there is one, and holds none. Returns false when
  // the system reports an error; the handle is gone either way.
  bool Reset() { return !*this || Kind::Close(Release()); }

 private:
  Handle handle_ = Kind::None();
};

// A kind of handle whose "none" is null (or 0), closed by `close`.
template <typename Object, bool (*close)(Object)>
struct NullIsNone {
  using Handle = Object;
  static Handle None() { return Handle{}; }
  static bool Close(Handle handle) { return close(handle); }
};

// An open file (on POSIX, a descriptor). Closing drops it whatever the
// system answers; a close that fails is never retried.
struct OpenFile {
#ifdef _WIN32
  using Handle = HANDLE;
  static Handle None() {
    return INVALID_HANDLE_VALUE;
  }
#else
  using Handle = int;
  static Handle None() {
    return -1;
  }
#endif
  static bool Close(Handle handle);
};

using FileHandle = Owner<OpenFile>;

#ifdef _WIN32
// A rewrite's lock: its work file, made new and held open with the right to
// delete it (see ProfileFile). Dropped before the new profile is written to
// it, the file is removed, then closed.
struct NewWorkFile {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool Close(Handle handle);
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
inline bool WindowStation(HWINSTA station) {
  return ::CloseWindowStation(station) != 0;
}
inline bool Desktop(HDESK desktop) {
  return ::CloseDesktop(desktop) != 0;
}
inline bool LocalMemory(HLOCAL memory) {
  return ::LocalFree(memory) == nullptr;
}
// Defined by the package's plan action, the one user of Windows Installer's
// handles (MSIHANDLE), which links msi.dll.
bool MsiHandle(unsigned long handle);
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
using WindowStationOwner = Owner<NullIsNone<HWINSTA, win32_close::WindowStation>>;
using DesktopOwner = Owner<NullIsNone<HDESK, win32_close::Desktop>>;
// What the system allocated for the caller with LocalAlloc: its texts,
// security descriptors and SIDs.
using LocalMemoryOwner = Owner<NullIsNone<HLOCAL, win32_close::LocalMemory>>;
// A Windows Installer handle: a record, a view, a database.
using MsiHandleOwner = Owner<NullIsNone<unsigned long, win32_close::MsiHandle>>;
// One reference to a COM object.
template <typename Interface>
using ComOwner = Owner<NullIsNone<Interface*, win32_close::ComReference<Interface>>>;

#endif

}  // namespace planchoice
