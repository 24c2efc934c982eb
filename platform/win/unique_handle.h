// One small owner template for every Windows handle kind, and a named owner per kind.
// Each owner closes its handle exactly once; copying is disabled, moving transfers ownership.
#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <utility>

namespace win {

// Traits give the handle type, its "none" value and how it is closed.
template <typename T, void (*Close)(T)>
struct NullIsNone {
  using type = T;
  static T none() { return T{}; }
  static void close(T value) { Close(value); }
};

template <typename Traits>
class UniqueAny {
 public:
  using T = typename Traits::type;
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  ~UniqueAny() { reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::none(); }
  // Address for APIs that return a handle through an out-parameter; the old one is closed first.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, Traits::none()); }
  void reset(T value = Traits::none()) {
    T old = std::exchange(value_, value);
    if (old != Traits::none()) Traits::close(old);
  }

 private:
  T value_ = Traits::none();
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseRegKey(HKEY h) { ::RegCloseKey(h); }
inline void FreeLibraryHandle(HMODULE h) { ::FreeLibrary(h); }
inline void CloseStore(HCERTSTORE h) { ::CertCloseStore(h, 0); }
inline void FreeCertContext(PCCERT_CONTEXT c) { ::CertFreeCertificateContext(c); }
inline void ReleaseProvider(HCRYPTPROV p) { ::CryptReleaseContext(p, 0); }
inline void DestroyCryptKey(HCRYPTKEY k) { ::CryptDestroyKey(k); }
inline void DestroyCryptHash(HCRYPTHASH h) { ::CryptDestroyHash(h); }
inline void CloseInternet(HINTERNET h) { ::InternetCloseHandle(h); }
inline void DeleteMemoryDc(HDC h) { ::DeleteDC(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void FindCloseHandle(HANDLE h) { ::FindClose(h); }
template <typename T>
void DeleteGdiObject(T h) {
  ::DeleteObject(h);
}

// CreateFileW and FindFirstFileW report failure as INVALID_HANDLE_VALUE, not null.
template <void (*Close)(HANDLE)>
struct InvalidValueIsNone {
  using type = HANDLE;
  static HANDLE none() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE value) { Close(value); }
};
}  // namespace detail

// Kernel objects: threads, processes, events, mutexes, snapshots (null means none).
using UniqueHandle = UniqueAny<NullIsNone<HANDLE, detail::CloseKernelHandle>>;
using UniqueFile = UniqueAny<detail::InvalidValueIsNone<detail::CloseKernelHandle>>;
using UniqueFind = UniqueAny<detail::InvalidValueIsNone<detail::FindCloseHandle>>;
using UniqueRegKey = UniqueAny<NullIsNone<HKEY, detail::CloseRegKey>>;
using UniqueModule = UniqueAny<NullIsNone<HMODULE, detail::FreeLibraryHandle>>;
using UniqueCertStore = UniqueAny<NullIsNone<HCERTSTORE, detail::CloseStore>>;
using UniqueCertContext = UniqueAny<NullIsNone<PCCERT_CONTEXT, detail::FreeCertContext>>;
using UniqueCryptProvider = UniqueAny<NullIsNone<HCRYPTPROV, detail::ReleaseProvider>>;
using UniqueCryptKey = UniqueAny<NullIsNone<HCRYPTKEY, detail::DestroyCryptKey>>;
using UniqueCryptHash = UniqueAny<NullIsNone<HCRYPTHASH, detail::DestroyCryptHash>>;
using UniqueInternet = UniqueAny<NullIsNone<HINTERNET, detail::CloseInternet>>;
using UniqueMemoryDc = UniqueAny<NullIsNone<HDC, detail::DeleteMemoryDc>>;
using UniqueMenu = UniqueAny<NullIsNone<HMENU, detail::DestroyMenuHandle>>;
using UniqueIcon = UniqueAny<NullIsNone<HICON, detail::DestroyIconHandle>>;

// GDI objects keep their own handle type so that they can be selected without casts.
template <typename T>
using UniqueGdi = UniqueAny<NullIsNone<T, detail::DeleteGdiObject<T>>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRegion = UniqueGdi<HRGN>;

// Selects an object into a DC for the owner's lifetime and puts the previous one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectObjectScope() {
    if (previous_) ::SelectObject(dc_, previous_);
  }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window DC released on scope exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace win
