// Stores a certificate file with the matching key container of the token's CryptoAPI provider.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "manager/token/token_context.h"

namespace manager {

constexpr wchar_t kTokenProviderName[] = L"VLX-CA Token CSP V4.0";

enum RegistrationCode : BYTE {
  kRegistered = 0,
  kRegisterBadFileName = 1,     // the path converts to nothing or does not end in ".cer"
  kRegisterCannotOpen = 2,      // the file cannot be opened for reading
  kRegisterSearchFailed = 3,    // C_FindObjectsInit failed
  kRegisterFindFailed = 4,      // C_FindObjects failed
  kRegisterNotAccepted = 5,     // not a certificate, or no key container accepted it
};

// Reads at most kCertificateFileLimit bytes of a file. False when it cannot be opened or read.
bool ReadCertificateFile(const std::wstring& path, std::vector<uint8_t>& content);

// Registers a ".cer" file (DER or PEM) with the first public-key container of the token, on the
// context's open session, whose key accepts it as its certificate.
BYTE RegisterCertificateWithCsp(const std::wstring& path, TokenContext& context);

}  // namespace manager
