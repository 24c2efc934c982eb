// RSA private keys in DER: an RSAPrivateKey (PKCS#1) or a PrivateKeyInfo (PKCS#8) holding one.
// Plain standard types and no Windows header, so that the parser can be fuzzed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vtoken {

using Bytes = std::vector<unsigned char>;

struct RsaPublicParts {
  Bytes modulus;         // big-endian, no leading zero
  Bytes publicExponent;
};

struct RsaPrivateKey {
  RsaPublicParts publicParts;
  Bytes privateExponent, prime1, prime2, exponent1, exponent2, coefficient;  // big-endian
};

// Nothing, with the reason in error, for anything but a well-formed RSA private key of at
// least 512 bits.
std::optional<RsaPrivateKey> ParseRsaPrivateKey(const Bytes& der, std::string& error);

}  // namespace vtoken
