// An installer's window as a test sees it: a dialog with Back, Next and
// Cancel below the current page, which shows the install log while the
// installation runs. Its buttons carry the ids of the common installer
// dialog (Next is IDOK, Cancel is IDCANCEL).
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "driver/dialogs.h"
#include "driver/window_query.h"
#include "support/wait.h"

namespace planchoice::driver {

class InstallerWindow {
 public:
  HWND window() const { return window_; }

  // Clicks the button that goes on: Install on the folder page, Close once
  // the installation has succeeded. False when it cannot be clicked.
  bool ClickNext() const { return ClickButton(::GetDlgItem(window_, IDOK)); }
  // Clicks Cancel, the way out once the installation has failed. False when
  // it cannot be clicked.
  bool ClickCancel() const { return ClickButton(::GetDlgItem(window_, IDCANCEL)); }
  // Whether the installation has ended: of Next and Cancel only one can be
  // clicked, Close after a success and Cancel after a failure.
  bool HasEnded() const;
  // The lines of the install log, as the current page lists them.
  std::vector<std::wstring> LogLines() const;

  // The installer's window once it is shown, within `patience`.
  static std::optional<InstallerWindow> Find(
      DWORD process_id, std::chrono::milliseconds patience = testing::kPatience);

 private:
  explicit InstallerWindow(HWND window) : window_(window) {}
  // The install log of the current page; nullptr before the installation.
  HWND InstallLog() const;

  HWND window_;
};

}  // namespace planchoice::driver
