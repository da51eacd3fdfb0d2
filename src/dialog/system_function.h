// Functions of newer Windows versions, looked up at run time so that the
// program still starts on the older ones.
#pragma once

#include <windows.h>

namespace planchoice {

// The function `name` of the loaded system module `module`, or null when
// this version of Windows lacks it.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = ::GetModuleHandleW(module);
  if (handle == nullptr) {
    return nullptr;
  }
  // Going through void(*)() tells the compiler the cast is meant.
  using AnyFunction = void (*)();
  return reinterpret_cast<Function>(reinterpret_cast<AnyFunction>(::GetProcAddress(handle, name)));
}

}  // namespace planchoice
