// The program's windows as a test sees them: the plan dialog and the message
// boxes, each found by process and worked through window messages only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog/control_ids.h"
#include "driver/window_query.h"
#include "support/wait.h"

namespace planchoice::driver {

class MessageBoxView {
 public:
  explicit MessageBoxView(HWND box) : box_(box) {}

  HWND window() const { return box_; }
  std::wstring Title() const { return driver::Text(box_); }
  std::wstring Text() const;
  // The captions of the buttons the user can press.
  std::vector<std::wstring> Buttons() const;
  // Whether the box shows the system's icon `system_icon` (e.g. IDI_HAND,
  // the stop icon), once it is drawn within `patience`.
  bool ShowsIcon(const wchar_t* system_icon,
                 std::chrono::milliseconds patience = testing::kPatience) const;
  // Presses OK, as the user would.
  void Dismiss() const { Press(IDOK); }
  // Presses the button with the id that MessageBox returns for it, e.g. IDYES.
  void Press(int button) const { ::PostMessageW(box_, WM_COMMAND, static_cast<WPARAM>(button), 0); }

 private:
  HWND box_;
};

// The message box that the process shows within `patience`.
std::optional<MessageBoxView> FindMessageBox(
    DWORD process_id, std::chrono::milliseconds patience = testing::kPatience);

// The message box shown over `owner` within `patience`, for programs whose
// own main window is a dialog too.
std::optional<MessageBoxView> FindMessageBoxOver(
    HWND owner, std::chrono::milliseconds patience = testing::kPatience);

class PlanDialog {
 public:
  HWND window() const { return window_; }
  HWND label() const { return ::GetDlgItem(window_, control::Label1); }
  HWND plan() const { return ::GetDlgItem(window_, control::Plan); }
  HWND ok() const { return ::GetDlgItem(window_, control::OK); }

  bool IsOpen() const { return ::IsWindow(window_) && ::IsWindowVisible(window_); }
  std::wstring Caption() const { return Text(window_); }
  std::wstring PlanText() const { return Text(plan()); }
  std::vector<std::wstring> PlanList() const;
  // The list entry selected, or -1.
  int Selection() const { return static_cast<int>(SendWithin(plan(), CB_GETCURSEL, 0, 0)); }
  // The part of the plan box's text that is selected, as [first, end)
  // character positions.
  std::pair<int, int> TextSelection() const;
  // Whether the keyboard focus is in the plan box (its edit field or the box).
  bool FocusIsInPlan() const { return IsSelfOrChild(plan(), FocusedWindowOf(window_)); }
  bool FocusIsOnOk() const { return FocusedWindowOf(window_) == ok(); }

  // Picks `label` from the list as a mouse would; false when it is not listed.
  bool PickPlan(const std::wstring& label) const;
  // Types `text` into the plan box, replacing nothing; true once it shows.
  bool TypePlan(const std::wstring& text) const;
  // Puts `text` into the plan box at once, as pasting would; for texts too
  // long to type key by key. True once it shows.
  bool PastePlan(const std::wstring& text) const;
  // Clicks OK; false when OK is hidden or disabled, so cannot be clicked.
  bool ClickOk() const { return ClickButton(ok()); }
  // Presses a key in the control that has the focus; false when no control
  // of the window has it.
  bool PressKey(UINT virtual_key) const;
  // Clicks the close box.
  void ClickCloseBox() const { ::PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

  // The process's main window once it is shown, within `patience`.
  static std::optional<PlanDialog> Find(DWORD process_id,
                                        std::chrono::milliseconds patience = testing::kPatience);

 private:
  explicit PlanDialog(HWND window) : window_(window) {}
  HWND PlanEdit() const;

  HWND window_;
};

}  // namespace planchoice::driver
