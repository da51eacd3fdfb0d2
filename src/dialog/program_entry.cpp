// Where the program starts and ends: it runs the window, and reports in one
// message box any failure that ends it before the window is shown.
#include <windows.h>

#include "dialog/main_form.h"
#include "dialog/message_box.h"
#include "platform/dll_search.h"
#include "platform/window_station.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  planchoice::LoadLibrariesFromSystemDirectoryOnly();
  // Neither the window nor a message about it could be seen: the exit code
  // alone says why.
  if (!planchoice::UserCanSeeWindows()) {
    return static_cast<int>(planchoice::ExitCode::kNoUserCanSee);
  }
  try {
    planchoice::Main main(instance);
    return static_cast<int>(main.Run(show_command));
  } catch (...) {
    return static_cast<int>(planchoice::ShowCurrentFailure(nullptr));
  }
}
