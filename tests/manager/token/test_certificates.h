// Self-signed certificates made with CryptoAPI for the manager's tests.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/unique_handle.h"

namespace manager_test {

// A self-signed certificate whose subject is the given X.500 name, for example
// L"CN=Nguyen Van An - MST:0101". Null when CryptoAPI refuses.
win::UniqueCertContext MakeCertificate(const std::wstring& subject);
std::vector<uint8_t> EncodedBytes(PCCERT_CONTEXT certificate);
// PEM text of DER bytes, lines of 64 characters ending in lineEnd.
std::string PemText(const std::vector<uint8_t>& der, const std::string& lineEnd);

}  // namespace manager_test
