#include "dialog/message_box.h"

#include "dialog/window_error.h"
#include "platform/win32_text.h"

namespace planchoice {

void ShowStopMessage(HWND owner, const std::wstring& title, const std::wstring& text) {
  ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

ExitCode ShowCurrentFailure(HWND owner) {
  const Failure failure = CurrentWindowFailure();
  ShowStopMessage(owner, kProgramTitle, Widen(failure.message));
  return failure.code;
}

}  // namespace planchoice
