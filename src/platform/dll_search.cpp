#include "platform/dll_search.h"

#include <windows.h>

#include "platform/system_function.h"

namespace planchoice {

void LoadLibrariesFromSystemDirectoryOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_default_dll_directories =
      SystemFunction<SetDefaultDllDirectoriesFunction>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (set_default_dll_directories == nullptr ||
      !set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    ::SetDllDirectoryW(L"");
  }
}

}  // namespace planchoice
