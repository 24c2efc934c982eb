// Names of certificates as the manager shows them.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace manager {

// The subject's common name; empty when the certificate has none or the name cannot be read.
std::wstring GetCertificateCommonName(PCCERT_CONTEXT certificate);
// The common name cut before the tax and identity-card markers ("-MST:", "-CMT:" and their
// spaced forms), as the certificate list shows it. Empty for a null certificate.
std::wstring CertificateDisplayName(PCCERT_CONTEXT certificate);

}  // namespace manager
