// PINs are kept in the state only as salted SHA-256 hashes.
#pragma once

#include <string>

namespace vsim {

// A fresh random salt, as hex text.
std::string NewPinSalt();
// Hex SHA-256 of the salt's hex text followed by the PIN bytes; empty when hashing fails.
std::string HashPin(const std::string& saltHex, const std::string& pin);
// Compares in time independent of where the texts differ.
bool SameHash(const std::string& a, const std::string& b);

}  // namespace vsim
