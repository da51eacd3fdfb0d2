#include "dialog/message_box.h"

namespace planchoice {

void ShowStopMessage(HWND owner, const std::wstring& title, const std::wstring& text) {
  ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace planchoice
