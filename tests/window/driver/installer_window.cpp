#include "driver/installer_window.h"

#include "driver/list_view.h"
#include "driver/window_query.h"

namespace planchoice::driver {
namespace {

constexpr int kInstallLogId = 1016;

}  // namespace

bool InstallerWindow::HasEnded() const {
  // Both can be clicked on the folder page, neither while installing; on the
  // way from one page to the other only Cancel can, for a moment.
  return InstallLog() != nullptr && ::IsWindowEnabled(::GetDlgItem(window_, IDOK)) !=
                                        ::IsWindowEnabled(::GetDlgItem(window_, IDCANCEL));
}

std::vector<std::wstring> InstallerWindow::LogLines() const {
  const HWND log = InstallLog();
  return log != nullptr ? ListViewTexts(log) : std::vector<std::wstring>();
}

HWND InstallerWindow::InstallLog() const {
  const HWND page = ::FindWindowExW(window_, nullptr, kDialogClass, nullptr);
  return page != nullptr ? ::GetDlgItem(page, kInstallLogId) : nullptr;
}

std::optional<InstallerWindow> InstallerWindow::Find(DWORD process_id,
                                                     std::chrono::milliseconds patience) {
  // Its message boxes are dialogs too, but owned by it.
  const HWND window = FindTopWindow(
      process_id,
      [](HWND candidate) {
        return ClassName(candidate) == kDialogClass && Owner(candidate) == nullptr;
      },
      patience);
  return window != nullptr ? std::optional<InstallerWindow>(InstallerWindow(window)) : std::nullopt;
}

}  // namespace planchoice::driver
