#include "manager/token/certificate_helpers.h"

#include <vector>

#include "manager/token/certificate_text.h"

namespace manager {

std::wstring GetCertificateCommonName(PCCERT_CONTEXT certificate) {
  if (!certificate) return {};
  void* oid = const_cast<char*>(szOID_COMMON_NAME);
  const DWORD length = ::CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, oid, nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> buffer(length + 1, L'\0');
  if (::CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, oid, buffer.data(), length) == 0) return {};
  return std::wstring(buffer.data());
}

std::wstring CertificateDisplayName(PCCERT_CONTEXT certificate) {
  return CutAtDisplayMarkers(GetCertificateCommonName(certificate));
}

}  // namespace manager
