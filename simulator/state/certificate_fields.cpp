#include "simulator/state/certificate_fields.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"

namespace vsim {

Bytes StripLeadingZeros(Bytes value) {
  size_t zeros = 0;
  while (zeros + 1 < value.size() && value[zeros] == 0) ++zeros;
  value.erase(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(zeros));
  return value;
}

namespace {

Bytes DerLength(size_t length) {
  if (length < 0x80) return {static_cast<unsigned char>(length)};
  Bytes bytes;
  while (length) {
    bytes.insert(bytes.begin(), static_cast<unsigned char>(length & 0xFF));
    length >>= 8;
  }
  bytes.insert(bytes.begin(), static_cast<unsigned char>(0x80 | bytes.size()));
  return bytes;
}

}  // namespace

std::optional<CertificateFields> ReadCertificateFields(const Bytes& der) {
  if (der.empty()) return std::nullopt;
  win::UniqueCertContext cert(
      ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
  if (!cert) return std::nullopt;
  const CERT_INFO* info = cert.get()->pCertInfo;
  CertificateFields fields;
  fields.subject.assign(info->Subject.pbData, info->Subject.pbData + info->Subject.cbData);
  fields.issuer.assign(info->Issuer.pbData, info->Issuer.pbData + info->Issuer.cbData);

  // CryptoAPI keeps the serial number little-endian; CKA_SERIAL_NUMBER is its DER INTEGER.
  Bytes serial(info->SerialNumber.pbData, info->SerialNumber.pbData + info->SerialNumber.cbData);
  std::reverse(serial.begin(), serial.end());
  serial = StripLeadingZeros(serial);
  if (serial.empty()) serial.push_back(0);
  if (serial[0] & 0x80) serial.insert(serial.begin(), 0);
  fields.serialNumber = {0x02};
  Bytes length = DerLength(serial.size());
  fields.serialNumber.insert(fields.serialNumber.end(), length.begin(), length.end());
  fields.serialNumber.insert(fields.serialNumber.end(), serial.begin(), serial.end());

  const CRYPT_BIT_BLOB& key = info->SubjectPublicKeyInfo.PublicKey;
  BYTE* blob = nullptr;
  DWORD blobSize = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, key.pbData, key.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &blob, &blobSize)) {
    return std::nullopt;
  }
  bool valid = false;
  if (blobSize >= sizeof(BLOBHEADER) + sizeof(RSAPUBKEY)) {
    const RSAPUBKEY* rsa = reinterpret_cast<const RSAPUBKEY*>(blob + sizeof(BLOBHEADER));
    const size_t modulusSize = rsa->bitlen / 8;
    const BYTE* modulus = blob + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    if (blobSize >= sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + modulusSize && modulusSize > 0) {
      fields.modulus.assign(modulus, modulus + modulusSize);
      std::reverse(fields.modulus.begin(), fields.modulus.end());
      fields.modulus = StripLeadingZeros(fields.modulus);
      DWORD exponent = rsa->pubexp;
      Bytes e;
      for (int i = 3; i >= 0; --i) e.push_back(static_cast<unsigned char>((exponent >> (8 * i)) & 0xFF));
      fields.publicExponent = StripLeadingZeros(e);
      valid = true;
    }
  }
  ::LocalFree(blob);
  if (!valid) return std::nullopt;

  DWORD nameLength = ::CertGetNameStringW(cert.get(), CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME),
                                          nullptr, 0);
  if (nameLength > 1) {
    std::wstring name(nameLength, L'\0');
    ::CertGetNameStringW(cert.get(), CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name.data(),
                         nameLength);
    name.resize(nameLength - 1);
    fields.commonName = win::ToUtf8(name);
  }
  return fields;
}

}  // namespace vsim
