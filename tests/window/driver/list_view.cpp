#include "driver/list_view.h"

#include <commctrl.h>

#include <stdexcept>

#include "driver/window_query.h"
#include "platform/owner.h"

namespace planchoice::driver {
namespace {

constexpr std::size_t kMaxTextLength = 1024;

// Memory borrowed in another process, given back when dropped.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, std::size_t size)
      : process_(process),
        address_(static_cast<char*>(
            ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
    if (address_ == nullptr) {
      throw std::runtime_error("cannot borrow memory in another process");
    }
  }
  ~RemoteMemory() { ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  char* address() const { return address_; }

  void Write(std::size_t offset, const void* bytes, std::size_t size) const {
    if (!::WriteProcessMemory(process_, address_ + offset, bytes, size, nullptr)) {
      throw std::runtime_error("cannot write to another process's memory");
    }
  }

  void Read(std::size_t offset, void* bytes, std::size_t size) const {
    if (!::ReadProcessMemory(process_, address_ + offset, bytes, size, nullptr)) {
      throw std::runtime_error("cannot read another process's memory");
    }
  }

 private:
  HANDLE process_;
  char* address_;
};

}  // namespace

std::vector<std::wstring> ListViewTexts(HWND list) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(list, &process_id);
  const KernelObjectOwner process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id));
  if (!process) {
    throw std::runtime_error("cannot open the process of a list");
  }
  // The item's description first, the room for its text after it.
  constexpr std::size_t kTextOffset = sizeof(LVITEMW);
  const RemoteMemory memory(process.get(), kTextOffset + kMaxTextLength * sizeof(wchar_t));

  std::vector<std::wstring> texts;
  const auto count = SendWithin(list, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    LVITEMW item{};
    item.pszText = reinterpret_cast<wchar_t*>(memory.address() + kTextOffset);
    item.cchTextMax = static_cast<int>(kMaxTextLength);
    memory.Write(0, &item, sizeof(item));
    const auto length =
        static_cast<std::size_t>(SendWithin(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(memory.address())));
    std::wstring text(length, L'\0');
    memory.Read(kTextOffset, text.data(), length * sizeof(wchar_t));
    texts.push_back(text);
  }
  return texts;
}

}  // namespace planchoice::driver
