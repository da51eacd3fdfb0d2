// Where the program starts and ends: it runs the window, and reports in one
// message box any failure that ends it before the window is shown.
#include <windows.h>

#include "dialog/main_form.h"
#include "dialog/message_box.h"
#include "dialog/system_function.h"
#include "platform/window_station.h"

namespace {

// A DLL planted beside a setup package must never be loaded in place of a
// system one, so only the system directory is searched.
void LoadLibrariesFromSystemDirectoryOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_default_dll_directories =
      planchoice::SystemFunction<SetDefaultDllDirectoriesFunction>(L"kernel32.dll",
                                                                   "SetDefaultDllDirectories");
  if (set_default_dll_directories != nullptr) {
    set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  } else {
    // Windows 7 without update KB2533623: at least the current directory goes.
    ::SetDllDirectoryW(L"");
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  LoadLibrariesFromSystemDirectoryOnly();
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
