#include "manager/update/web_browser.h"

#include <oaidl.h>
#include <ole2.h>

namespace manager {
namespace {

using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxGetControlFunction = HRESULT(WINAPI*)(HWND, IUnknown**);

template <typename Function>
Function LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Releases a COM interface at the end of a scope.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* get() const { return pointer_; }
  Interface** put() { return &pointer_; }
  void** put_void() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// Frees a BSTR at the end of a scope.
class OwnedBstr {
 public:
  explicit OwnedBstr(const std::wstring& text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~OwnedBstr() { ::SysFreeString(value_); }
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace

// Loaded once and kept for the life of the process: the registered classes live in it.
HMODULE AtlModule() {
  static const HMODULE atl = ::LoadLibraryW(L"atl.dll");
  return atl;
}

bool EnableBrowserHosting() {
  static const bool registered = [] {
    HMODULE atl = AtlModule();
    if (!atl) return false;
    auto init = LookUp<AtlAxWinInitFunction>(atl, "AtlAxWinInit");
    return init && init() != FALSE;
  }();
  return registered;
}

bool CWebBrowser2::Create(HWND parent, const RECT& rect, int controlId, DWORD style) {
  if (hwnd() || !EnableBrowserHosting()) return false;
  HWND host = ::CreateWindowExW(0, kAtlHostClass, kWebBrowserClassId, style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                ::GetModuleHandleW(nullptr), nullptr);
  if (!host) return false;
  if (!Attach(host)) {
    ::DestroyWindow(host);
    return false;
  }
  return true;
}

HRESULT CWebBrowser2::Navigate(const std::wstring& url) {
  if (!hwnd()) return E_HANDLE;
  HMODULE atl = AtlModule();
  if (!atl) return E_NOINTERFACE;
  auto getControl = LookUp<AtlAxGetControlFunction>(atl, "AtlAxGetControl");
  if (!getControl) return E_NOINTERFACE;

  ComPtr<IUnknown> control;
  HRESULT hr = getControl(hwnd(), control.put());
  if (FAILED(hr)) return hr;
  if (!control.get()) return E_NOINTERFACE;
  ComPtr<IDispatch> dispatch;
  hr = control.get()->QueryInterface(IID_IDispatch, dispatch.put_void());
  if (FAILED(hr)) return hr;
  if (!dispatch.get()) return E_NOINTERFACE;

  OwnedBstr address(url);
  if (!address.get()) return E_OUTOFMEMORY;
  // Flags, target frame name, post data and headers: references to empty variants.
  VARIANT empty[4];
  for (VARIANT& value : empty) ::VariantInit(&value);
  // DISPPARAMS lists the arguments last to first: the URL is the final entry.
  VARIANTARG arguments[5];
  for (int i = 0; i < 4; ++i) {
    ::VariantInit(&arguments[i]);
    arguments[i].vt = VT_BYREF | VT_VARIANT;
    arguments[i].pvarVal = &empty[3 - i];
  }
  ::VariantInit(&arguments[4]);
  arguments[4].vt = VT_BSTR;
  arguments[4].bstrVal = address.get();
  DISPPARAMS parameters = {arguments, nullptr, 5, 0};
  return dispatch.get()->Invoke(kNavigateDispatchId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                nullptr, nullptr, nullptr);
}

}  // namespace manager
