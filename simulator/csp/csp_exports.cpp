// The entry points CryptoAPI looks up in a provider DLL. Contexts, user keys and the key
// certificate are served from the token (csp_context.cpp); every cryptographic operation
// answers NTE_NOT_SUPPORTED. No exception leaves the DLL.
#include <windows.h>
#include <wincrypt.h>

#include "simulator/csp/csp_context.h"

namespace {

template <typename F>
BOOL Guarded(F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    ::SetLastError(NTE_FAIL);
    return FALSE;
  }
}

BOOL NotSupported() {
  ::SetLastError(NTE_NOT_SUPPORTED);
  return FALSE;
}

}  // namespace

#define VLX_CSP_EXPORT extern "C" __declspec(dllexport) BOOL WINAPI

VLX_CSP_EXPORT CPAcquireContext(HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags, void* /*pVTable*/) {
  return Guarded([&] { return vcsp::AcquireContext(phProv, szContainer, dwFlags); });
}

VLX_CSP_EXPORT CPReleaseContext(HCRYPTPROV hProv, DWORD /*dwFlags*/) {
  return Guarded([&] { return vcsp::ReleaseContext(hProv); });
}

VLX_CSP_EXPORT CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
  return Guarded([&] { return vcsp::GetUserKey(hProv, dwKeySpec, phUserKey); });
}

VLX_CSP_EXPORT CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey) {
  return Guarded([&] { return vcsp::DestroyKey(hProv, hKey); });
}

VLX_CSP_EXPORT CPSetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD /*dwFlags*/) {
  return Guarded([&] { return vcsp::SetKeyParam(hProv, hKey, dwParam, pbData); });
}

VLX_CSP_EXPORT CPGetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pcbDataLen,
                             DWORD /*dwFlags*/) {
  return Guarded([&] { return vcsp::GetKeyParam(hProv, hKey, dwParam, pbData, pcbDataLen); });
}

VLX_CSP_EXPORT CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pcbDataLen, DWORD dwFlags) {
  return Guarded([&] { return vcsp::GetProvParam(hProv, dwParam, pbData, pcbDataLen, dwFlags); });
}

VLX_CSP_EXPORT CPSetProvParam(HCRYPTPROV, DWORD, const BYTE*, DWORD) { return NotSupported(); }
VLX_CSP_EXPORT CPGenKey(HCRYPTPROV, ALG_ID, DWORD, HCRYPTKEY*) { return NotSupported(); }
VLX_CSP_EXPORT CPDeriveKey(HCRYPTPROV, ALG_ID, HCRYPTHASH, DWORD, HCRYPTKEY*) { return NotSupported(); }
VLX_CSP_EXPORT CPExportKey(HCRYPTPROV, HCRYPTKEY, HCRYPTKEY, DWORD, DWORD, BYTE*, DWORD*) { return NotSupported(); }
VLX_CSP_EXPORT CPImportKey(HCRYPTPROV, const BYTE*, DWORD, HCRYPTKEY, DWORD, HCRYPTKEY*) { return NotSupported(); }
VLX_CSP_EXPORT CPEncrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*, DWORD) {
  return NotSupported();
}
VLX_CSP_EXPORT CPDecrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*) { return NotSupported(); }
VLX_CSP_EXPORT CPCreateHash(HCRYPTPROV, ALG_ID, HCRYPTKEY, DWORD, HCRYPTHASH*) { return NotSupported(); }
VLX_CSP_EXPORT CPHashData(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, DWORD) { return NotSupported(); }
VLX_CSP_EXPORT CPHashSessionKey(HCRYPTPROV, HCRYPTHASH, HCRYPTKEY, DWORD) { return NotSupported(); }
VLX_CSP_EXPORT CPGetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD, BYTE*, DWORD*, DWORD) { return NotSupported(); }
VLX_CSP_EXPORT CPSetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD, const BYTE*, DWORD) { return NotSupported(); }
VLX_CSP_EXPORT CPDestroyHash(HCRYPTPROV, HCRYPTHASH) { return NotSupported(); }
VLX_CSP_EXPORT CPSignHash(HCRYPTPROV, HCRYPTHASH, DWORD, LPCWSTR, DWORD, BYTE*, DWORD*) { return NotSupported(); }
VLX_CSP_EXPORT CPVerifySignature(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, HCRYPTKEY, LPCWSTR, DWORD) {
  return NotSupported();
}
VLX_CSP_EXPORT CPGenRandom(HCRYPTPROV, DWORD, BYTE*) { return NotSupported(); }
VLX_CSP_EXPORT CPDuplicateHash(HCRYPTPROV, HCRYPTHASH, DWORD*, DWORD, HCRYPTHASH*) { return NotSupported(); }
VLX_CSP_EXPORT CPDuplicateKey(HCRYPTPROV, HCRYPTKEY, DWORD*, DWORD, HCRYPTKEY*) { return NotSupported(); }
