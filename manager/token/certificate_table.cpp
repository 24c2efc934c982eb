#include "manager/token/certificate_table.h"

namespace manager {

void CertificateTable::Clear() {
  for (size_t i = 0; i < kCertificateTableEntries; ++i) {
    certificates[i].reset();
    certificateContainers[i].clear();
    publicKeyContainers[i].clear();
    privateKeyContainers[i].clear();
  }
}

CertificateTable& SharedCertificateTable() {
  static CertificateTable table;
  return table;
}

}  // namespace manager
