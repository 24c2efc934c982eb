#include "manager/shell/product_config.h"

#include <wininet.h>

#include "build_config.h"
#include "platform/win/registry.h"
#include "platform/win/unique_handle.h"

namespace manager {
namespace {

constexpr wchar_t kWebServicePath[] = L"/TokenRemoteWS/TokenRemoteWebservice?wsdl";

}  // namespace

BOOL IsWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32");
  if (!kernel) return FALSE;
  auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "IsWow64Process")));
  if (!isWow64Process) return FALSE;
  BOOL wow64 = FALSE;
  if (!isWow64Process(::GetCurrentProcess(), &wow64)) return FALSE;
  return wow64;
}

std::wstring ProductKeyPathFor(bool wow64) { return wow64 ? kProductKeyPathWow64 : kProductKeyPath; }

std::wstring ProductKeyPath() { return ProductKeyPathFor(IsWow64() != FALSE); }

std::wstring ReadInstallValue(const std::wstring& subKey, const std::wstring& valueName) {
  return win::ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, valueName, kInstallValueLimit).value_or(L"");
}

std::wstring GetLanguageFileName(const std::wstring& productKeyPath) {
  return ReadInstallValue(productKeyPath, L"InstallLanguageId") == L"1033" ? kEnglishLanguageFile
                                                                          : kVietnameseLanguageFile;
}

std::wstring WebServiceHost() {
  const std::wstring configured = ReadInstallValue(ProductKeyPath(), L"WebServiceHost");
  return configured.empty() ? std::wstring(VLX_WEBSERVICE_HOST) : configured;
}

std::wstring WebServiceUrl() { return L"https://" + WebServiceHost() + kWebServicePath; }

BOOL ProbeWebService() {
  DWORD state = 0;
  if (!::InternetGetConnectedState(&state, 0)) return FALSE;
  win::UniqueInternet session(
      ::InternetOpenW(L"AutoUpdateAgent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return FALSE;
  win::UniqueInternet request(::InternetOpenUrlW(session.get(), WebServiceUrl().c_str(), nullptr, 0, 0, 0));
  return request ? TRUE : FALSE;
}

}  // namespace manager
