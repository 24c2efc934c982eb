// RSA key material for enrolment: keys read from PKCS#1 or PKCS#8 files (DER or PEM, without
// encryption) and key pairs generated with self-signed certificates through CryptoAPI.
#pragma once

#include <optional>
#include <string>

#include "simulator/tool/rsa_key_der.h"
#include "simulator/tool/token_control.h"

namespace vtoken {

// The same from a file in DER or PEM form ("RSA PRIVATE KEY" or "PRIVATE KEY").
std::optional<RsaPrivateKey> ReadRsaPrivateKeyFile(const std::wstring& path, std::string& error);
std::optional<RsaPublicParts> ReadRsaKeyFile(const std::wstring& path, std::string& error);

struct GeneratedPair {
  RsaPublicParts key;
  Bytes certificate;  // DER
};

// A fresh RSA key in a temporary CryptoAPI container and a certificate for it, signed by
// itself or, when the request names an issuer certificate and key, by that issuer. The
// containers are deleted again; only the public parts are kept.
std::optional<GeneratedPair> GenerateCertifiedPair(const KeyPairRequest& request, std::string& error);

// The RSA public key of a DER certificate.
std::optional<RsaPublicParts> CertificateKey(const Bytes& der);

// SHA-1 of the bytes (the usual CKA_ID of a key: the hash of its modulus).
Bytes Sha1(const Bytes& data);

}  // namespace vtoken
