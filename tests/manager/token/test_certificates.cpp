#include "tests/manager/token/test_certificates.h"

namespace manager_test {

win::UniqueCertContext MakeCertificate(const std::wstring& subject) {
  DWORD size = 0;
  if (!::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, nullptr, &size, nullptr)) {
    return {};
  }
  std::vector<BYTE> name(size);
  if (!::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, name.data(), &size,
                        nullptr)) {
    return {};
  }
  CERT_NAME_BLOB blob = {size, name.data()};
  return win::UniqueCertContext(
      ::CertCreateSelfSignCertificate(0, &blob, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
}

std::vector<uint8_t> EncodedBytes(PCCERT_CONTEXT certificate) {
  return std::vector<uint8_t>(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
}

std::string PemText(const std::vector<uint8_t>& der, const std::string& lineEnd) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string body;
  for (size_t i = 0; i < der.size(); i += 3) {
    const uint32_t a = der[i];
    const uint32_t b = i + 1 < der.size() ? der[i + 1] : 0;
    const uint32_t c = i + 2 < der.size() ? der[i + 2] : 0;
    const uint32_t group = (a << 16) | (b << 8) | c;
    body.push_back(alphabet[(group >> 18) & 63]);
    body.push_back(alphabet[(group >> 12) & 63]);
    body.push_back(i + 1 < der.size() ? alphabet[(group >> 6) & 63] : '=');
    body.push_back(i + 2 < der.size() ? alphabet[group & 63] : '=');
  }
  std::string pem = "-----BEGIN CERTIFICATE-----" + lineEnd;
  for (size_t i = 0; i < body.size(); i += 64) pem += body.substr(i, 64) + lineEnd;
  return pem + "-----END CERTIFICATE-----" + lineEnd;
}

}  // namespace manager_test
