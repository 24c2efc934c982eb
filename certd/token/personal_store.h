// The watcher's own look-ups in the current user's personal store ("MY"): the friendly name that
// a certificate already has there, and removal of an entry by its public key.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace vlx {

struct FriendlyNameLookup {
  bool storeOpened = false;
  // The bytes of the friendly name (UTF-16 with its terminator), when one was found.
  std::optional<std::vector<BYTE>> name;
};

// Walks "MY" for certificates whose encoded form equals der. A match with a non-empty friendly
// name is remembered and the walk goes on; a match without one ends it. The store is read
// `settle` milliseconds after it was opened.
FriendlyNameLookup FindFriendlyNameInPersonalStore(const BYTE* der, DWORD length, DWORD settle);

// Deletes the first certificate in "MY" whose subject public key has the same bytes as the given
// certificate's. False only when the given bytes do not decode as a certificate; a store that
// cannot be opened deletes nothing.
bool DeletePersonalCertificateByPublicKey(const BYTE* der, DWORD length);

}  // namespace vlx
