// Plain-text rules for certificate names and certificate files. No Windows types here: these
// take untrusted input (names from certificates, bytes from files) and are tested on their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace manager {

// Files larger than this are read only up to it.
constexpr size_t kCertificateFileLimit = 6144;

// Cuts a common name at the first "-MST:" (else "- MST:"), then at the first "-CMT:" (else
// "- CMT:"). Nothing is trimmed.
std::wstring CutAtDisplayMarkers(const std::wstring& commonName);

// True when the name has a "." and ends in ".cer", ignoring case.
bool HasCerExtension(const std::string& fileName);

// Standard base64; decoding stops at the first "=" or character outside the alphabet. A final
// group of n characters gives n - 1 bytes.
std::vector<uint8_t> Base64Decode(const std::string& text);

// The certificate bytes of a file's content (at most kCertificateFileLimit bytes): when the text
// before the first NUL holds "-----END CERTIFICATE-----" after its first character, the file is
// PEM and its base64 body is decoded; otherwise the bytes are DER as they are.
std::vector<uint8_t> CertificateBytesFromFile(const std::vector<uint8_t>& content);

}  // namespace manager
