// A DLL planted beside planset under the name of one Windows loads by name:
// loaded, it leaves the file "planted-dll-loaded" in its own folder.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring marker(path, length);
    marker.replace(marker.find_last_of(L'\\') + 1, std::wstring::npos, L"planted-dll-loaded");
    const HANDLE file =
        ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
    }
  }
  return TRUE;
}
