#include "simulator/state/pin_hash.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "platform/win/unique_handle.h"
#include "simulator/state/token_state.h"

namespace vsim {

namespace {

win::UniqueCryptProvider AesProvider() {
  win::UniqueCryptProvider provider;
  if (!::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider.release();
  }
  return provider;
}

}  // namespace

std::string NewPinSalt() {
  unsigned char salt[16] = {};
  win::UniqueCryptProvider provider = AesProvider();
  if (!provider || !::CryptGenRandom(provider.get(), sizeof(salt), salt)) {
    // Without a random source the salt is still unique per token.
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    memcpy(salt, &counter, sizeof(counter));
  }
  return ToHex(Bytes(salt, salt + sizeof(salt)));
}

std::string HashPin(const std::string& saltHex, const std::string& pin) {
  win::UniqueCryptProvider provider = AesProvider();
  if (!provider) return {};
  win::UniqueCryptHash hash;
  if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) return {};
  if (!::CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(saltHex.data()), static_cast<DWORD>(saltHex.size()),
                       0)) {
    return {};
  }
  if (!pin.empty() &&
      !::CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(pin.data()), static_cast<DWORD>(pin.size()), 0)) {
    return {};
  }
  unsigned char digest[32];
  DWORD size = sizeof(digest);
  if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0)) return {};
  return ToHex(Bytes(digest, digest + size));
}

bool SameHash(const std::string& a, const std::string& b) {
  if (a.empty() || a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace vsim
