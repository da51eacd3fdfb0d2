// Sole owner of one system handle: closes it when dropped, can be moved but
// not copied. `Kind` says what the handle is, the value that means "no
// handle" and how it is closed:
//
//   struct Kind {
//     using Handle = ...;
//     static Handle None();
//     static bool Close(Handle handle);  // false when the system reports an error
//   };
#pragma once

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

}  // namespace planchoice
