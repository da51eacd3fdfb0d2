#include "dialog/main_form.h"

#include <string_view>
#include <utility>

#include "dialog/command_line.h"
#include "dialog/control_ids.h"
#include "dialog/message_box.h"
#include "dialog/resource_ids.h"
#include "dialog/window_error.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

constexpr wchar_t kWindowClass[] = L"PlanChoice.Main";
// A fixed frame with a close box and no others.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = 0;

[[noreturn]] void ThrowCreateError(const std::string& what) {
  throw CannotCreate(what, SystemMessage(::GetLastError()));
}

HICON LoadProgramIcon(HINSTANCE instance, int size_metric) {
  const int size = ::GetSystemMetrics(size_metric);
  return static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PLANCHOICE), IMAGE_ICON, size, size, LR_SHARED));
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  // Room for the system's dialog manager, which then keeps the focus, the
  // default button and the dialog keys as in any dialog.
  window_class.cbWndExtra = DLGWINDOWEXTRA;
  window_class.hInstance = instance;
  window_class.hIcon = LoadProgramIcon(instance, SM_CXICON);
  window_class.hIconSm = LoadProgramIcon(instance, SM_CXSMICON);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kWindowClass;
  if (::RegisterClassExW(&window_class) == 0) {
    ThrowCreateError("the window class");
  }
}

}  // namespace

Main::Main(HINSTANCE instance) {
  RegisterWindowClass(instance, &Main::WindowProcedure);
  // The window procedure hands the new window to window_ as soon as it exists.
  ::CreateWindowExW(kExStyle, kWindowClass, kProgramTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                    0, nullptr, nullptr, instance, this);
  if (!window_) {
    ThrowCreateError("the window");
  }
  CreateControls(window_.get(), instance);
  for (const Plan& plan : PlanTable) {
    ::SendMessageW(Control(control::Plan), CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Widen(plan.label).c_str()));
  }
  ::SendMessageW(window_.get(), DM_SETDEFID, control::OK, 0);
  screen_reader_names_.emplace(window_.get(), Control(control::Plan),
                               WindowText(Control(control::Label1)));
  PlaceControls(window_.get(), WindowDpi(window_.get()), fonts_);
  CenterOnScreen();
}

void Main::CenterOnScreen() {
  const unsigned dpi = WindowDpi(window_.get());
  const PixelSize size = WindowSizeForClient(Scale(kClientSize, dpi), kStyle, kExStyle, dpi);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window_.get(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  ::SetWindowPos(window_.get(), nullptr, area.left + (area.right - area.left - size.width) / 2,
                 area.top + (area.bottom - area.top - size.height) / 2, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

ExitCode Main::Run(int show_command) {
  Form_Load();
  if (window_) {
    ::ShowWindow(window_.get(), show_command);
    ::SetFocus(Control(control::Plan));
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (!window_ || !::IsDialogMessageW(window_.get(), &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
  }
  if (failure_) {
    try {
      std::rethrow_exception(failure_);
    } catch (...) {
      return ShowCurrentFailure(window_.get());
    }
  }
  return outcome_;
}

void Main::Form_Load() {
  Directory = Narrow(ArgumentText(::GetCommandLineW()));
  if (Directory.empty()) {
    ShowStopMessage(nullptr, L"Fatal error", L"No directory specified");
    Unload(ExitCode::kUsage);
  }
}

void Main::OK_Click() {
  const std::wstring plan = WindowText(Control(control::Plan));
  if (plan.empty()) {
    RefusePlan(L"Missing Plan", L"You must choose a plan.");
    return;
  }
  const std::string_view access_number = LookUpAccessNumber(Narrow(plan));
  if (access_number.empty()) {
    RefusePlan(L"Unknown Plan", L"There is no plan called \"" + plan +
                                    L"\". Please choose your plan from the list.");
    return;
  }
  RewriteProfile(Directory, access_number);
  Unload(ExitCode::kSuccess);
}

void Main::RefusePlan(const std::wstring& title, const std::wstring& text) {
  ShowStopMessage(window_.get(), title, text);
  constexpr LPARAM kWholeText = MAKELPARAM(0, -1);
  ::SendMessageW(Control(control::Plan), CB_SETEDITSEL, 0, kWholeText);
}

void Main::Unload(ExitCode outcome) {
  outcome_ = outcome;
  window_.Reset();
}

LRESULT CALLBACK Main::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* const self = static_cast<Main*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = WindowOwner(window);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* const self = reinterpret_cast<Main*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) {
    return ::DefDlgProcW(window, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_.Release();
    return ::DefDlgProcW(window, message, wparam, lparam);
  }
  if (self->failure_) {
    return ::DefDlgProcW(window, message, wparam, lparam);
  }
  try {
    return self->HandleMessage(window, message, wparam, lparam);
  } catch (...) {
    // Carried to Run, which shows it over the window once the loop has ended.
    self->failure_ = std::current_exception();
    ::PostQuitMessage(0);
    return 0;
  }
}

LRESULT Main::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED && LOWORD(wparam) == control::OK) {
        OK_Click();
        return 0;
      }
      if (LOWORD(wparam) == IDCANCEL) {  // Escape
        Unload(ExitCode::kClosed);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      PlaceControls(window, HIWORD(wparam), fonts_);
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(window, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      Unload(ExitCode::kClosed);
      return 0;
    case WM_DESTROY:
      screen_reader_names_.reset();
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefDlgProcW(window, message, wparam, lparam);
}

}  // namespace planchoice
