// The manager's process-wide tables of the objects listed from the token: ten certificate
// contexts with their key container names, and the container names of ten public and ten
// private keys. Touched only on the UI thread.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/win/unique_handle.h"

namespace manager {

constexpr size_t kCertificateTableEntries = 10;

// One display name per listed object, filled by the listings.
using ObjectNames = std::array<std::wstring, kCertificateTableEntries>;

struct CertificateTable {
  std::array<win::UniqueCertContext, kCertificateTableEntries> certificates;
  std::array<std::wstring, kCertificateTableEntries> certificateContainers;
  std::array<std::wstring, kCertificateTableEntries> publicKeyContainers;
  std::array<std::wstring, kCertificateTableEntries> privateKeyContainers;

  // Frees every certificate context and empties every name.
  void Clear();
};

// The one table of the process.
CertificateTable& SharedCertificateTable();

}  // namespace manager
