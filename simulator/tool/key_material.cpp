#include "simulator/tool/key_material.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"
#include "simulator/state/certificate_fields.h"
#include "simulator/tool/control_internal.h"

namespace vtoken {

std::optional<RsaPrivateKey> ReadRsaPrivateKeyFile(const std::wstring& path, std::string& error) {
  std::optional<Bytes> data = ReadWholeFile(path, 1024 * 1024);
  if (!data) {
    error = "cannot read " + win::ToUtf8(path);
    return std::nullopt;
  }
  // PKCS#1 armour first, then PKCS#8; a file without armour is taken as DER of either.
  std::optional<Bytes> der = PemOrDer(*data, "RSA PRIVATE KEY");
  if (!der) der = PemOrDer(*data, "PRIVATE KEY");
  if (!der) {
    error = win::ToUtf8(path) + " holds no readable key";
    return std::nullopt;
  }
  return ParseRsaPrivateKey(*der, error);
}

std::optional<RsaPublicParts> ReadRsaKeyFile(const std::wstring& path, std::string& error) {
  std::optional<RsaPrivateKey> key = ReadRsaPrivateKeyFile(path, error);
  if (!key) return std::nullopt;
  return key->publicParts;
}

std::optional<RsaPublicParts> CertificateKey(const Bytes& der) {
  std::optional<vsim::CertificateFields> fields = vsim::ReadCertificateFields(der);
  if (!fields) return std::nullopt;
  return RsaPublicParts{fields->modulus, fields->publicExponent};
}

Bytes Sha1(const Bytes& data) {
  win::UniqueCryptProvider provider;
  if (!::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider.release();
    return {};
  }
  win::UniqueCryptHash hash;
  if (!::CryptCreateHash(provider.get(), CALG_SHA1, 0, 0, hash.put())) return {};
  Bytes digest(20);
  DWORD size = static_cast<DWORD>(digest.size());
  const bool ok = ::CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0) &&
                  ::CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0);
  return ok ? digest : Bytes();
}

namespace {

// A key container that exists only while the certificate is made.
class TemporaryContainer {
 public:
  TemporaryContainer() {
    name_ = L"vtoken-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) + L"-" +
            std::to_wstring(reinterpret_cast<uintptr_t>(this));
    if (!::CryptAcquireContextW(&provider_, name_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                                CRYPT_NEWKEYSET | CRYPT_SILENT)) {
      provider_ = 0;
    }
  }
  ~TemporaryContainer() {
    if (key_) ::CryptDestroyKey(key_);
    if (provider_) {
      ::CryptReleaseContext(provider_, 0);
      HCRYPTPROV dropped = 0;
      ::CryptAcquireContextW(&dropped, name_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_DELETEKEYSET);
    }
  }
  TemporaryContainer(const TemporaryContainer&) = delete;
  TemporaryContainer& operator=(const TemporaryContainer&) = delete;
  HCRYPTPROV provider() const { return provider_; }
  HCRYPTKEY& key() { return key_; }
  // Puts an existing key in as the exchange key.
  bool Import(const Bytes& privateKeyBlob) {
    return provider_ && ::CryptImportKey(provider_, privateKeyBlob.data(), static_cast<DWORD>(privateKeyBlob.size()),
                                         0, 0, &key_);
  }

 private:
  std::wstring name_;
  HCRYPTPROV provider_ = 0;
  HCRYPTKEY key_ = 0;
};

std::optional<Bytes> EncodeName(const std::wstring& subject) {
  for (DWORD flags : {DWORD(CERT_X500_NAME_STR | CERT_NAME_STR_ENABLE_UTF8_UNICODE_FLAG), DWORD(CERT_X500_NAME_STR)}) {
    DWORD size = 0;
    if (!::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), flags, nullptr, nullptr, &size, nullptr)) continue;
    Bytes name(size);
    if (::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), flags, nullptr, name.data(), &size, nullptr)) {
      name.resize(size);
      return name;
    }
  }
  return std::nullopt;
}

std::optional<Bytes> Encode(LPCSTR type, const void* structure) {
  DWORD size = 0;
  if (!::CryptEncodeObject(X509_ASN_ENCODING, type, structure, nullptr, &size)) return std::nullopt;
  Bytes out(size);
  if (!::CryptEncodeObject(X509_ASN_ENCODING, type, structure, out.data(), &size)) return std::nullopt;
  out.resize(size);
  return out;
}

// CryptoAPI's form of a private key: little-endian parts of fixed widths after the headers.
std::optional<Bytes> PrivateKeyBlob(const RsaPrivateKey& key) {
  const size_t size = key.publicParts.modulus.size();
  const size_t half = (size + 1) / 2;
  if (key.publicParts.publicExponent.size() > 4) return std::nullopt;
  DWORD exponent = 0;
  for (unsigned char b : key.publicParts.publicExponent) exponent = (exponent << 8) | b;
  Bytes blob(sizeof(BLOBHEADER) + sizeof(RSAPUBKEY));
  auto* header = reinterpret_cast<BLOBHEADER*>(blob.data());
  header->bType = PRIVATEKEYBLOB;
  header->bVersion = CUR_BLOB_VERSION;
  header->reserved = 0;
  header->aiKeyAlg = CALG_RSA_KEYX;
  auto* rsa = reinterpret_cast<RSAPUBKEY*>(blob.data() + sizeof(BLOBHEADER));
  rsa->magic = 0x32415352;  // "RSA2"
  rsa->bitlen = static_cast<DWORD>(size * 8);
  rsa->pubexp = exponent;
  auto append = [&](const Bytes& bigEndian, size_t width) {
    if (bigEndian.size() > width) return false;
    Bytes little(width, 0);
    for (size_t i = 0; i < bigEndian.size(); ++i) little[i] = bigEndian[bigEndian.size() - 1 - i];
    blob.insert(blob.end(), little.begin(), little.end());
    return true;
  };
  if (!append(key.publicParts.modulus, size) || !append(key.prime1, half) || !append(key.prime2, half) ||
      !append(key.exponent1, half) || !append(key.exponent2, half) || !append(key.coefficient, half) ||
      !append(key.privateExponent, size)) {
    return std::nullopt;
  }
  return blob;
}

FILETIME AddDays(FILETIME base, double days) {
  ULARGE_INTEGER value;
  value.LowPart = base.dwLowDateTime;
  value.HighPart = base.dwHighDateTime;
  value.QuadPart += static_cast<long long>(days * 864000000000.0);
  return FILETIME{value.LowPart, value.HighPart};
}

}  // namespace

std::optional<GeneratedPair> GenerateCertifiedPair(const KeyPairRequest& request, std::string& error) {
  if (request.keyBits < 512 || request.keyBits > 4096 || request.keyBits % 8) {
    error = "the key size must be a multiple of 8 from 512 to 4096 bits";
    return std::nullopt;
  }
  if (request.validityDays <= 0) {
    error = "the validity must be at least one day";
    return std::nullopt;
  }
  std::optional<Bytes> name = EncodeName(request.subject);
  if (!name) {
    error = "the subject \"" + win::ToUtf8(request.subject) + "\" is not a valid X.500 name";
    return std::nullopt;
  }
  // The issuer's key goes into a container of its own for the signature.
  std::optional<TemporaryContainer> issuerContainer;
  Bytes issuerName;
  if (!request.issuerCertificateFile.empty()) {
    Outcome<Bytes> issuerCertificate = ReadCertificateFile(request.issuerCertificateFile);
    if (!issuerCertificate) {
      error = issuerCertificate.message;
      return std::nullopt;
    }
    std::optional<vsim::CertificateFields> issuerFields = vsim::ReadCertificateFields(*issuerCertificate);
    std::optional<RsaPrivateKey> issuerKey = ReadRsaPrivateKeyFile(request.issuerKeyFile, error);
    if (!issuerKey) return std::nullopt;
    if (!issuerFields || issuerFields->modulus != issuerKey->publicParts.modulus) {
      error = "the issuer key does not belong to the issuer certificate";
      return std::nullopt;
    }
    std::optional<Bytes> blob = PrivateKeyBlob(*issuerKey);
    issuerContainer.emplace();
    const bool imported = blob && issuerContainer->Import(*blob);
    if (blob) ::SecureZeroMemory(blob->data(), blob->size());
    if (!imported) {
      error = "cannot load the issuer key";
      return std::nullopt;
    }
    issuerName = issuerFields->subject;
  }
  TemporaryContainer container;
  const DWORD keySpec = AT_KEYEXCHANGE;
  if (!container.provider() ||
      !::CryptGenKey(container.provider(), keySpec, (request.keyBits << 16) | CRYPT_EXPORTABLE, &container.key())) {
    error = "cannot generate an RSA key";
    return std::nullopt;
  }

  DWORD infoSize = 0;
  if (!::CryptExportPublicKeyInfo(container.provider(), keySpec, X509_ASN_ENCODING, nullptr, &infoSize)) {
    error = "cannot export the public key";
    return std::nullopt;
  }
  std::vector<unsigned char> infoBuffer(infoSize);
  auto* publicInfo = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(infoBuffer.data());
  if (!::CryptExportPublicKeyInfo(container.provider(), keySpec, X509_ASN_ENCODING, publicInfo, &infoSize)) {
    error = "cannot export the public key";
    return std::nullopt;
  }

  BYTE serial[8];
  if (!::CryptGenRandom(container.provider(), sizeof(serial), serial)) {
    error = "cannot make a serial number";
    return std::nullopt;
  }
  serial[sizeof(serial) - 1] &= 0x7F;  // little-endian: keep the number positive

  std::vector<CERT_EXTENSION> extensions;
  CRYPT_BIT_BLOB usageBits = {1, const_cast<BYTE*>(&request.keyUsage), 0};
  std::optional<Bytes> usage, constraints;
  if (request.keyUsage != 0) {
    usage = Encode(X509_KEY_USAGE, &usageBits);
    if (!usage) {
      error = "cannot encode the key usage";
      return std::nullopt;
    }
    extensions.push_back({const_cast<char*>(szOID_KEY_USAGE), TRUE, {static_cast<DWORD>(usage->size()), usage->data()}});
  }
  if (request.addBasicConstraints) {
    CERT_BASIC_CONSTRAINTS2_INFO basic = {request.isCa ? TRUE : FALSE, FALSE, 0};
    constraints = Encode(X509_BASIC_CONSTRAINTS2, &basic);
    if (!constraints) {
      error = "cannot encode the basic constraints";
      return std::nullopt;
    }
    extensions.push_back({const_cast<char*>(szOID_BASIC_CONSTRAINTS2), TRUE,
                          {static_cast<DWORD>(constraints->size()), constraints->data()}});
  }

  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  CERT_INFO info = {};
  info.dwVersion = CERT_V3;
  info.SerialNumber = {sizeof(serial), serial};
  info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA256RSA);
  info.Subject = {static_cast<DWORD>(name->size()), name->data()};
  info.Issuer = issuerName.empty() ? info.Subject
                                   : CERT_NAME_BLOB{static_cast<DWORD>(issuerName.size()), issuerName.data()};
  const HCRYPTPROV signer = issuerContainer ? issuerContainer->provider() : container.provider();
  // An hour of slack keeps a certificate that starts "now" valid on a clock a little behind.
  info.NotBefore = AddDays(now, request.startOffsetDays - 1.0 / 24);
  info.NotAfter = AddDays(now, request.startOffsetDays + request.validityDays);
  info.SubjectPublicKeyInfo = *publicInfo;
  info.cExtension = static_cast<DWORD>(extensions.size());
  info.rgExtension = extensions.empty() ? nullptr : extensions.data();

  CRYPT_ALGORITHM_IDENTIFIER algorithm = {};
  algorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA256RSA);
  DWORD encodedSize = 0;
  if (!::CryptSignAndEncodeCertificate(signer, AT_KEYEXCHANGE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                       &algorithm, nullptr, nullptr, &encodedSize)) {
    error = "cannot sign the certificate";
    return std::nullopt;
  }
  GeneratedPair pair;
  pair.certificate.resize(encodedSize);
  if (!::CryptSignAndEncodeCertificate(signer, AT_KEYEXCHANGE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info,
                                       &algorithm, nullptr, pair.certificate.data(), &encodedSize)) {
    error = "cannot sign the certificate";
    return std::nullopt;
  }
  pair.certificate.resize(encodedSize);
  std::optional<vsim::CertificateFields> fields = vsim::ReadCertificateFields(pair.certificate);
  if (!fields) {
    error = "the generated certificate cannot be read back";
    return std::nullopt;
  }
  pair.key = {fields->modulus, fields->publicExponent};
  return pair;
}

std::optional<Bytes> ReadWholeFile(const std::wstring& path, size_t maxBytes) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    return std::nullopt;
  }
  Bytes data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty() && (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
                        read != data.size())) {
    return std::nullopt;
  }
  return data;
}

std::optional<Bytes> PemOrDer(const Bytes& data, const std::string& label) {
  const std::string text(data.begin(), data.end());
  if (text.find("-----BEGIN ") == std::string::npos) return data;
  const std::string begin = "-----BEGIN " + label + "-----";
  const std::string end = "-----END " + label + "-----";
  const size_t start = text.find(begin);
  if (start == std::string::npos) return std::nullopt;
  const size_t bodyStart = start + begin.size();
  const size_t stop = text.find(end, bodyStart);
  if (stop == std::string::npos) return std::nullopt;
  const std::string body = text.substr(bodyStart, stop - bodyStart);
  DWORD size = 0;
  if (!::CryptStringToBinaryA(body.c_str(), static_cast<DWORD>(body.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr) || size == 0) {
    return std::nullopt;
  }
  Bytes der(size);
  if (!::CryptStringToBinaryA(body.c_str(), static_cast<DWORD>(body.size()), CRYPT_STRING_BASE64, der.data(), &size,
                              nullptr, nullptr)) {
    return std::nullopt;
  }
  der.resize(size);
  return der;
}

}  // namespace vtoken
