// The certificate register's records of the tokens present and the certificate objects on them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/pkcs11/pkcs11_types.h"
#include "platform/win/unique_handle.h"

namespace vlx {

struct CertificateRecord {
  CK_SLOT_ID slot = 0;
  CK_OBJECT_HANDLE handle = 0;
  // CKA_VALUE (DER) and CKA_ID, each with one extra zero byte after valueLength / idLength bytes.
  std::vector<unsigned char> value;
  std::vector<unsigned char> id;
  std::wstring container;  // CONTAINER_NAME, from the system code page
  CK_ULONG valueLength = 0;
  CK_ULONG idLength = 0;
  int keySpec = 0;  // 0 until registered; then AT_KEYEXCHANGE (1) or AT_SIGNATURE (2)
  bool registered = false;

  // Two records hold the same certificate when their values have the same length and bytes.
  bool SameCertificate(const CertificateRecord& other) const;
  const unsigned char* Der() const { return value.data(); }
};

struct TokenRecord {
  CK_SLOT_ID slot = 0;
  std::wstring readerName;  // slot description without trailing blanks
  std::vector<CertificateRecord> certificates;
  win::UniqueHandle browserProcess;
  DWORD browserThread = 0;
};

}  // namespace vlx
