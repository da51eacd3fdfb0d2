#include "platform/dll_search.h"

#include <windows.h>

namespace planchoice {

void LoadLibrariesFromSystemDirectoryOnly() {
  // Looked up at run time: importing it would stop the program starting
  // where it is missing. Going through void(*)() tells the compiler the cast
  // is meant.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  using AnyFunction = void (*)();
  const auto set_default_dll_directories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<AnyFunction>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default_dll_directories == nullptr ||
      !set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    ::SetDllDirectoryW(L"");
  }
}

}  // namespace planchoice
