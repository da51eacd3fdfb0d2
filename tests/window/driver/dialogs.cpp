#include "driver/dialogs.h"

#include "driver/screen_pixels.h"

namespace planchoice::driver {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

}  // namespace

std::wstring MessageBoxView::Text() const {
  const HWND text = ::GetDlgItem(box_, kMessageBoxTextId);
  return text != nullptr ? driver::Text(text) : std::wstring();
}

std::vector<std::wstring> MessageBoxView::Buttons() const {
  std::vector<std::wstring> captions;
  for (HWND button : ChildrenOfClass(box_, L"Button")) {
    captions.push_back(driver::Text(button));
  }
  return captions;
}

bool MessageBoxView::ShowsIcon(const wchar_t* system_icon,
                               std::chrono::milliseconds patience) const {
  // Icon handles mean nothing in another process, so the pixels are compared.
  HWND icon = nullptr;
  for (HWND child : ChildrenOfClass(box_, L"Static")) {
    if ((Style(child) & SS_TYPEMASK) == SS_ICON) {
      icon = child;
    }
  }
  if (icon == nullptr) {
    return false;
  }
  RECT area{};
  ::GetWindowRect(icon, &area);
  const HICON expected = ::LoadIconW(nullptr, system_icon);
  return testing::WaitUntil(
      [&] {
        const std::vector<COLORREF> shown = ScreenPixels(area);
        // The icon's corners are clear and show the box's background.
        return !shown.empty() && shown == IconPixels(expected, area.right - area.left,
                                                     area.bottom - area.top, shown.front());
      },
      patience);
}

std::optional<MessageBoxView> FindMessageBox(DWORD process_id, std::chrono::milliseconds patience) {
  const HWND box = FindTopWindow(
      process_id, [](HWND window) { return ClassName(window) == kDialogClass; }, patience);
  return box != nullptr ? std::optional<MessageBoxView>(MessageBoxView(box)) : std::nullopt;
}

std::optional<MessageBoxView> FindMessageBoxOver(HWND owner, std::chrono::milliseconds patience) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(owner, &process_id);
  const HWND box = FindTopWindow(
      process_id,
      [&](HWND window) { return ClassName(window) == kDialogClass && Owner(window) == owner; },
      patience);
  return box != nullptr ? std::optional<MessageBoxView>(MessageBoxView(box)) : std::nullopt;
}

std::optional<PlanDialog> PlanDialog::Find(DWORD process_id, std::chrono::milliseconds patience) {
  const HWND window = FindTopWindow(
      process_id, [](HWND candidate) { return ClassName(candidate) != kDialogClass; }, patience);
  return window != nullptr ? std::optional<PlanDialog>(PlanDialog(window)) : std::nullopt;
}

HWND PlanDialog::PlanEdit() const {
  return ::FindWindowExW(plan(), nullptr, L"Edit", nullptr);
}

std::vector<std::wstring> PlanDialog::PlanList() const {
  std::vector<std::wstring> labels;
  const auto count = SendWithin(plan(), CB_GETCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    const auto length = SendWithin(plan(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring label(static_cast<std::size_t>(length) + 1, L'\0');
    SendWithin(plan(), CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(label.data()));
    label.resize(static_cast<std::size_t>(length));
    labels.push_back(label);
  }
  return labels;
}

std::pair<int, int> PlanDialog::TextSelection() const {
  const auto selection = static_cast<DWORD>(SendWithin(plan(), CB_GETEDITSEL, 0, 0));
  return {LOWORD(selection), HIWORD(selection)};
}

bool PlanDialog::PickPlan(const std::wstring& label) const {
  const LRESULT index = SendWithin(plan(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(label.c_str()));
  if (index == CB_ERR ||
      SendWithin(plan(), CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR) {
    return false;
  }
  // A selection made by program is not announced; one made by the mouse is.
  ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(control::Plan, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(plan()));
  return testing::WaitUntil([&] { return PlanText() == label; });
}

bool PlanDialog::TypePlan(const std::wstring& text) const {
  const HWND edit = PlanEdit();
  if (edit == nullptr) {
    return false;
  }
  const std::wstring before = PlanText();
  for (wchar_t unit : text) {
    ::PostMessageW(edit, WM_CHAR, unit, 1);
  }
  return testing::WaitUntil([&] { return PlanText() == before + text; });
}

bool PlanDialog::PastePlan(const std::wstring& text) const {
  const HWND edit = PlanEdit();
  if (edit == nullptr) {
    return false;
  }
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return testing::WaitUntil([&] { return PlanText() == text; });
}

bool PlanDialog::PressKey(UINT virtual_key) const {
  const HWND focus = FocusedWindowOf(window_);
  if (!IsSelfOrChild(window_, focus)) {
    return false;
  }
  PostKey(focus, virtual_key);
  return true;
}

}  // namespace planchoice::driver
