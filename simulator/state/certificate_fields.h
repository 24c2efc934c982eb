// The fields of an X.509 certificate that token objects carry, read with CryptoAPI.
#pragma once

#include <optional>
#include <string>

#include "simulator/state/token_state.h"

namespace vsim {

struct CertificateFields {
  Bytes subject;        // DER of the subject name (CKA_SUBJECT)
  Bytes issuer;         // DER of the issuer name (CKA_ISSUER)
  Bytes serialNumber;   // DER INTEGER of the serial number (CKA_SERIAL_NUMBER)
  Bytes modulus;        // RSA modulus, big-endian, no leading zero
  Bytes publicExponent; // big-endian, no leading zero
  std::string commonName;  // UTF-8, empty when there is none
};

// Nothing when the bytes are not a DER certificate with an RSA key.
std::optional<CertificateFields> ReadCertificateFields(const Bytes& der);

// Removes leading zero bytes of a big-endian integer (keeps one byte for zero).
Bytes StripLeadingZeros(Bytes value);

}  // namespace vsim
