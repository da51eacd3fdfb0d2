// What a screen reader is told about the window beyond what the system
// guesses from its classes: that its client area is a dialog, and what the
// plan box and its edit field are for.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "platform/owner.h"

namespace planchoice {

// Annotations made through the system's accessibility runtime, where the
// system has one; elsewhere nothing is done. They are taken back when the
// object is dropped, which must happen while the windows still exist.
class ScreenReaderNames {
 public:
  // Gives the client area of `form` the dialog role, and the combo box
  // `plan` and its edit field the name `name`.
  ScreenReaderNames(HWND form, HWND plan, const std::wstring& name);
  ~ScreenReaderNames();
  ScreenReaderNames(const ScreenReaderNames&) = delete;
  ScreenReaderNames& operator=(const ScreenReaderNames&) = delete;

 private:
  // A property of a window's client area.
  struct Annotation {
    HWND window;
    GUID property;
  };

  // Released in the destructor in this order: the runtime's object, the
  // thread's COM apartment, the DLL that has both.
  ModuleOwner ole32_;
  void(WINAPI* leave_apartment_)() = nullptr;
  ComOwner<IAccPropServices> services_;
  std::vector<Annotation> made_;
};

}  // namespace planchoice
