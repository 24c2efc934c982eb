#include "simulator/tool/rsa_key_der.h"

#include <cstring>

#include "simulator/state/certificate_fields.h"

namespace vtoken {

namespace {

// A minimal DER reader: enough for the two RSA private key structures.
class DerReader {
 public:
  DerReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return position_ >= size_; }
  // Reads one element; false on malformed input.
  bool Next(unsigned char& tag, const unsigned char*& value, size_t& length) {
    if (size_ - position_ < 2) return false;
    tag = data_[position_++];
    size_t len = data_[position_++];
    if (len & 0x80) {
      const size_t octets = len & 0x7F;
      if (octets == 0 || octets > 4 || size_ - position_ < octets) return false;
      len = 0;
      for (size_t i = 0; i < octets; ++i) len = (len << 8) | data_[position_++];
    }
    if (size_ - position_ < len) return false;
    value = data_ + position_;
    length = len;
    position_ += len;
    return true;
  }
  bool Expect(unsigned char wanted, const unsigned char*& value, size_t& length) {
    unsigned char tag = 0;
    return Next(tag, value, length) && tag == wanted;
  }

 private:
  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
};

constexpr unsigned char kSequence = 0x30, kInteger = 0x02, kOctetString = 0x04;

std::optional<RsaPrivateKey> ParsePkcs1(const unsigned char* data, size_t size) {
  DerReader outer(data, size);
  const unsigned char* body;
  size_t bodyLength;
  if (!outer.Expect(kSequence, body, bodyLength)) return std::nullopt;
  DerReader fields(body, bodyLength);
  const unsigned char* value;
  size_t length;
  if (!fields.Expect(kInteger, value, length)) return std::nullopt;  // version
  RsaPrivateKey key;
  Bytes* parts[] = {&key.publicParts.modulus, &key.publicParts.publicExponent, &key.privateExponent, &key.prime1,
                    &key.prime2, &key.exponent1, &key.exponent2, &key.coefficient};
  for (Bytes* part : parts) {
    if (!fields.Expect(kInteger, value, length) || length == 0) return std::nullopt;
    *part = vsim::StripLeadingZeros(Bytes(value, value + length));
  }
  if (key.publicParts.modulus.size() < 64) return std::nullopt;
  return key;
}

}  // namespace

std::optional<RsaPrivateKey> ParseRsaPrivateKey(const Bytes& der, std::string& error) {
  DerReader outer(der.data(), der.size());
  const unsigned char* body;
  size_t bodyLength;
  if (!outer.Expect(kSequence, body, bodyLength)) {
    error = "the key is not DER";
    return std::nullopt;
  }
  DerReader fields(body, bodyLength);
  const unsigned char* value;
  size_t length;
  unsigned char tag = 0;
  if (!fields.Expect(kInteger, value, length) || !fields.Next(tag, value, length)) {
    error = "the key is not an RSA private key";
    return std::nullopt;
  }
  std::optional<RsaPrivateKey> parts;
  if (tag == kInteger) {
    parts = ParsePkcs1(der.data(), der.size());
  } else if (tag == kSequence) {
    // PKCS#8: the algorithm must be rsaEncryption (1.2.840.113549.1.1.1).
    static const unsigned char kRsaOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
    if (length < sizeof(kRsaOid) || std::memcmp(value, kRsaOid, sizeof(kRsaOid)) != 0) {
      error = "the key is not an RSA key";
      return std::nullopt;
    }
    if (fields.Expect(kOctetString, value, length)) parts = ParsePkcs1(value, length);
  }
  if (!parts) error = "the key is not a readable RSA private key";
  return parts;
}

}  // namespace vtoken
