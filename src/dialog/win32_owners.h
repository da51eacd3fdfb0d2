// Sole owners of the window system's objects: each releases its object when
// dropped, and can be moved but not copied.
#pragma once

#include <windows.h>

#include <utility>

namespace planchoice {

template <typename Handle, typename Releaser>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }

  // Gives up ownership without releasing, e.g. once the system has destroyed
  // the object itself.
  Handle Release() { return std::exchange(handle_, Handle{}); }

  void Reset(Handle handle = Handle{}) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Handle{} && old != handle) {
      Releaser()(old);
    }
  }

 private:
  Handle handle_{};
};

struct DeleteFont {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};

struct DestroyWindowHandle {
  void operator()(HWND window) const { ::DestroyWindow(window); }
};

struct ReleaseScreenDc {
  void operator()(HDC dc) const { ::ReleaseDC(nullptr, dc); }
};

using FontOwner = Owned<HFONT, DeleteFont>;
using WindowOwner = Owned<HWND, DestroyWindowHandle>;
using ScreenDcOwner = Owned<HDC, ReleaseScreenDc>;

}  // namespace planchoice
