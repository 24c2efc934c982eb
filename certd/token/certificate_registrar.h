// The store work on certificate records: registration in the current user's stores, removal
// from the personal store and its clean-up. The token watcher calls it; tests put a recorder in.
#pragma once

#include "certd/token/token_records.h"

namespace vlx {

class CertificateRegistrar {
 public:
  virtual ~CertificateRegistrar() = default;
  // Puts the certificate into its store; may set the record's key spec. True when it is there.
  virtual bool RegisterCertificate(CK_SLOT_ID slot, CertificateRecord& record) = 0;
  // Takes the record's entries out of the personal store. True when the store was searched.
  virtual bool UnregisterCertificate(CK_SLOT_ID slot, const CertificateRecord& record) = 0;
  // Removes the personal entries that name the watcher's provider. True when the store opened.
  virtual bool CleanPersonalStore() = 0;
};

}  // namespace vlx
