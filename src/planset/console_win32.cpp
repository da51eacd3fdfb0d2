#include <windows.h>

#include <cstdio>
#include <string>

#include "planset/console.h"
#include "platform/win32_text.h"

namespace planchoice::planset {
namespace {

// A console shows UTF-16 text whatever its code page; a file or a pipe gets
// the UTF-8 bytes, with "\n" made "\r\n" by the text-mode stream.
void WriteTo(DWORD standard_handle, std::FILE* stream, std::string_view text) {
  if (text.empty()) {
    return;
  }
  // The standard handles belong to the process, not to us: never closed here.
  const HANDLE handle = ::GetStdHandle(standard_handle);
  DWORD mode = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

void WriteToStandardOutput(std::string_view text) {
  WriteTo(STD_OUTPUT_HANDLE, stdout, text);
}

void WriteToStandardError(std::string_view text) {
  WriteTo(STD_ERROR_HANDLE, stderr, text);
}

}  // namespace planchoice::planset
