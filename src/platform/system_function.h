// Functions of newer Windows versions, and of system DLLs the program does
// not import, looked up at run time so that the program still starts where
// they are missing.
#pragma once

#include <windows.h>

#include <string>

#include "platform/owner.h"

namespace planchoice {

// The function `name` of `module`, or null when there is no such module or
// it lacks the function.
template <typename Function>
Function ModuleFunction(HMODULE module, const char* name) {
  if (module == nullptr) {
    return nullptr;
  }
  // Going through void(*)() tells the compiler the cast is meant.
  using AnyFunction = void (*)();
  return reinterpret_cast<Function>(reinterpret_cast<AnyFunction>(::GetProcAddress(module, name)));
}

// The function `name` of the loaded system module `module`, or null when
// this version of Windows lacks it.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  return ModuleFunction<Function>(::GetModuleHandleW(module), name);
}

// Loads the DLL `name` from the system directory, and from nowhere else;
// empty when the system lacks it.
inline ModuleOwner LoadSystemModule(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return ModuleOwner();
  }
  const std::wstring path = std::wstring(directory, length) + L"\\" + name;
  return ModuleOwner(::LoadLibraryW(path.c_str()));
}

}  // namespace planchoice
