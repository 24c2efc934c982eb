#include "certd/token/token_records.h"

#include <cstring>

namespace vlx {

bool CertificateRecord::SameCertificate(const CertificateRecord& other) const {
  if (valueLength != other.valueLength) return false;
  if (valueLength == 0) return true;
  if (value.size() < valueLength || other.value.size() < valueLength) return false;
  return std::memcmp(value.data(), other.value.data(), valueLength) == 0;
}

}  // namespace vlx
