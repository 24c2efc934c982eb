// The manager's configuration: the product registry key (with its 32-on-64-bit rule), install
// values, the language file choice and the token web-service probe.
#pragma once

#include <windows.h>

#include <string>

namespace manager {

constexpr wchar_t kProductKeyPath[] = L"SOFTWARE\\VLX Vazazezavavev Vidizodiv\\Ruzaz Odarove v4";
constexpr wchar_t kProductKeyPathWow64[] = L"SOFTWARE\\Wow6432Node\\VLX Vazazezavavev Vidizodiv\\Ruzaz Odarove v4";
constexpr wchar_t kEnglishLanguageFile[] = L"lang\\armgr_EN.lng";
constexpr wchar_t kVietnameseLanguageFile[] = L"lang\\armgr_VN.lng";
// Install values are read into a buffer of this many bytes; larger data counts as missing.
constexpr DWORD kInstallValueLimit = 2048;

// TRUE when this (32-bit) process runs on 64-bit Windows. Looks IsWow64Process up afresh at
// every call; FALSE when the export is missing or the call fails.
BOOL IsWow64();
// The product key for a process that is (or is not) a 32-bit process on 64-bit Windows.
std::wstring ProductKeyPathFor(bool wow64);
// The product key of this process, chosen afresh at every call.
std::wstring ProductKeyPath();

// A REG_SZ value under HKEY_LOCAL_MACHINE\subKey; empty when missing, unreadable or larger than
// kInstallValueLimit bytes.
std::wstring ReadInstallValue(const std::wstring& subKey, const std::wstring& valueName);
// "lang\armgr_EN.lng" exactly when InstallLanguageId is "1033", else "lang\armgr_VN.lng".
std::wstring GetLanguageFileName(const std::wstring& productKeyPath);

// The token web service's host: the product key's "WebServiceHost" value when set, else the
// host supplied with the build.
std::wstring WebServiceHost();
// The address of the service description that ProbeWebService requests.
std::wstring WebServiceUrl();
// TRUE when the token web service answers a request for its description over HTTPS.
BOOL ProbeWebService();

}  // namespace manager
