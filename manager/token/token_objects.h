// Listings of the token's certificates and keys into the process-wide CertificateTable.
#pragma once

#include <windows.h>

#include "manager/token/certificate_table.h"
#include "manager/token/token_context.h"

namespace manager {

// Results when nothing was listed.
constexpr BYTE kNoCertificates = 25;
constexpr BYTE kNoPublicKeys = 26;
constexpr BYTE kNoPrivateKeys = 27;

// Each lists objects of its kind on the context's session from index 0 upwards, at most
// kCertificateTableEntries (further objects are ignored), storing the container names in
// SharedCertificateTable() and one name per object in names (certificates: the display name;
// keys: empty). 0 when at least one object was stored, else the kind's empty code. Private keys
// are only found while the user is logged in on the session.
BYTE ListTokenCertificates(TokenContext& context, ObjectNames& names);
BYTE ListTokenPublicKeys(TokenContext& context, ObjectNames& names);
BYTE ListTokenPrivateKeys(TokenContext& context, ObjectNames& names);

// Takes the vendor container-name attribute of a read template into context.container,
// converted from the ANSI code page; every other attribute is ignored.
void DecodeObjectAttributes(const CK_ATTRIBUTE* attributes, CK_ULONG count, TokenContext& context);

}  // namespace manager
