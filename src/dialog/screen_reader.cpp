// initguid.h before the header that declares the accessibility runtime's
// GUIDs: they are then defined here, and need no import library.
#include <windows.h>
#include <initguid.h>
// The declarations, and the rest.
#include "dialog/screen_reader.h"
#include "platform/system_function.h"

namespace planchoice {
namespace {

using CoInitializeExFunction = HRESULT(WINAPI*)(void*, DWORD);
using CoUninitializeFunction = void(WINAPI*)();
using CoCreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);

constexpr auto kClientArea = static_cast<DWORD>(OBJID_CLIENT);

HWND EditFieldOf(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  return ::GetComboBoxInfo(combo, &info) ? info.hwndItem : nullptr;
}

}  // namespace

ScreenReaderNames::ScreenReaderNames(HWND form, HWND plan, const std::wstring& name)
    : ole32_(LoadSystemModule(L"ole32.dll")) {
  const auto enter_apartment =
      ModuleFunction<CoInitializeExFunction>(ole32_.get(), "CoInitializeEx");
  const auto leave_apartment =
      ModuleFunction<CoUninitializeFunction>(ole32_.get(), "CoUninitialize");
  const auto create_instance =
      ModuleFunction<CoCreateInstanceFunction>(ole32_.get(), "CoCreateInstance");
  if (enter_apartment == nullptr || leave_apartment == nullptr || create_instance == nullptr) {
    return;
  }
  // A window's thread is single-threaded. One that already has an apartment
  // of the other kind keeps it, and may still make the object.
  if (SUCCEEDED(enter_apartment(nullptr, COINIT_APARTMENTTHREADED))) {
    leave_apartment_ = leave_apartment;
  }
  IAccPropServices* services = nullptr;
  if (FAILED(create_instance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  services_ = ComOwner<IAccPropServices>(services);

  VARIANT dialog_role{};
  dialog_role.vt = VT_I4;
  dialog_role.lVal = ROLE_SYSTEM_DIALOG;
  if (SUCCEEDED(
          services->SetHwndProp(form, kClientArea, CHILDID_SELF, PROPID_ACC_ROLE, dialog_role))) {
    made_.push_back({form, PROPID_ACC_ROLE});
  }
  for (HWND named : {plan, EditFieldOf(plan)}) {
    if (named != nullptr && SUCCEEDED(services->SetHwndPropStr(named, kClientArea, CHILDID_SELF,
                                                               PROPID_ACC_NAME, name.c_str()))) {
      made_.push_back({named, PROPID_ACC_NAME});
    }
  }
}

ScreenReaderNames::~ScreenReaderNames() {
  for (const Annotation& made : made_) {
    if (::IsWindow(made.window)) {
      services_.get()->ClearHwndProps(made.window, kClientArea, CHILDID_SELF, &made.property, 1);
    }
  }
  services_.Reset();
  if (leave_apartment_ != nullptr) {
    leave_apartment_();
  }
}

}  // namespace planchoice
