// The names and limits that identify this product, compiled into the program as one constant
// record of fixed-width fields.
#pragma once

namespace vlx {

struct ProductRecord {
  wchar_t instanceId[40];
  wchar_t providerName[260];
  wchar_t moduleFileName[260];
  int userPinMinLength;
  int userPinMaxLength;
  wchar_t productKey[260];
  wchar_t languageBaseName[260];
  wchar_t managerFileName[260];
};

inline constexpr ProductRecord kProduct = {
    L"C01734A7-4D7E-4181-AD07-DD03245A195B",
    L"VLX-CA Token CSP V4.0",
    L"vlxca_v4.dll",
    8,
    255,
    L"Software\\VLX Vazazezavavev Vidizodiv\\Ruzaz Odarove v4",
    L"lang\\arcertd",
    L"vlxca_v4_mgr.exe",
};

}  // namespace vlx
