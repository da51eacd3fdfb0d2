// What the window tells a screen reader, read from a stand-in for the
// system's accessibility runtime that this process registers for itself: the
// program's own code loads the runtime and makes the calls as it always does.
#include "dialog/screen_reader.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "dialog/control_ids.h"
#include "dialog/controls.h"
#include "platform/owner.h"

namespace planchoice {
namespace {

constexpr wchar_t kQuestion[] = L"Which plan are have you registered with Kelvarin?";

// One annotation of a window's client area: a text, or else a number.
struct Annotation {
  HWND window;
  DWORD object;
  DWORD child;
  GUID property;
  std::wstring text;
  LONG number;

  bool operator==(const Annotation& other) const {
    return window == other.window && object == other.object && child == other.child &&
           IsEqualGUID(property, other.property) && text == other.text && number == other.number;
  }
};

void PrintTo(const Annotation& annotation, std::ostream* out) {
  *out << "{window " << annotation.window << ", object " << static_cast<LONG>(annotation.object)
       << ", child " << annotation.child << ", property " << std::hex << annotation.property.Data1
       << std::dec << ", \"" << annotation.text.size() << " characters\", " << annotation.number
       << "}";
}

// Answers for the runtime's class in this process while it lives. Records
// what it is asked to annotate and to take back; refuses the rest.
class RecordingRuntime final : public IAccPropServices, public IClassFactory {
 public:
  RecordingRuntime() {
    apartment_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    registered_ =
        SUCCEEDED(::CoRegisterClassObject(CLSID_AccPropServices, static_cast<IClassFactory*>(this),
                                          CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
  }
  ~RecordingRuntime() {
    if (registered_) {
      ::CoRevokeClassObject(cookie_);
    }
    if (apartment_) {
      ::CoUninitialize();
    }
  }
  RecordingRuntime(const RecordingRuntime&) = delete;
  RecordingRuntime& operator=(const RecordingRuntime&) = delete;

  bool registered() const { return registered_; }

  std::vector<Annotation> made;
  std::vector<Annotation> taken_back;

  HRESULT WINAPI QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAccPropServices)) {
      *object = static_cast<IAccPropServices*>(this);
    } else if (IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  // It lives on the test's stack; the count only has to balance.
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  LONG references = 0;

  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(iid, object);
  }
  HRESULT WINAPI LockServer(BOOL) override { return S_OK; }

  HRESULT WINAPI SetHwndProp(HWND window, DWORD object, DWORD child, MSAAPROPID property,
                             VARIANT value) override {
    made.push_back({window, object, child, property, L"", value.vt == VT_I4 ? value.lVal : -1});
    return S_OK;
  }
  HRESULT WINAPI SetHwndPropStr(HWND window, DWORD object, DWORD child, MSAAPROPID property,
                                LPCWSTR text) override {
    made.push_back({window, object, child, property, text, 0});
    return S_OK;
  }
  HRESULT WINAPI ClearHwndProps(HWND window, DWORD object, DWORD child,
                                const MSAAPROPID* properties, int count) override {
    for (int i = 0; i < count; ++i) {
      taken_back.push_back({window, object, child, properties[i], L"", 0});
    }
    return S_OK;
  }

  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }

 private:
  bool apartment_ = false;
  bool registered_ = false;
  DWORD cookie_ = 0;
};

TEST(ScreenReaderNames, CallTheClientAreaADialogNameThePlanBoxAndItsFieldAndAreTakenBack) {
  RecordingRuntime runtime;
  ASSERT_TRUE(runtime.registered());
  const WindowOwner form(::CreateWindowExW(0, L"Static", L"", WS_OVERLAPPED, 0, 0, 426, 122,
                                           nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(form);
  CreateControls(form.get(), ::GetModuleHandleW(nullptr));
  const HWND plan = ::GetDlgItem(form.get(), control::Plan);
  const HWND field = ::FindWindowExW(plan, nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);

  const auto client = static_cast<DWORD>(OBJID_CLIENT);
  const std::vector<Annotation> expected = {
      {form.get(), client, CHILDID_SELF, PROPID_ACC_ROLE, L"", ROLE_SYSTEM_DIALOG},
      {plan, client, CHILDID_SELF, PROPID_ACC_NAME, kQuestion, 0},
      {field, client, CHILDID_SELF, PROPID_ACC_NAME, kQuestion, 0},
  };
  std::vector<Annotation> expected_taken_back = expected;
  for (Annotation& annotation : expected_taken_back) {
    annotation.text.clear();
    annotation.number = 0;
  }
  const LONG references = runtime.references;
  {
    const ScreenReaderNames names(form.get(), plan, kQuestion);
    EXPECT_EQ(runtime.made, expected);
    EXPECT_TRUE(runtime.taken_back.empty());
  }
  EXPECT_EQ(runtime.taken_back, expected_taken_back);
  EXPECT_EQ(runtime.references, references) << "the runtime's object was kept or released twice";
}

}  // namespace
}  // namespace planchoice
