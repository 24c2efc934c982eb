// Control library of the token simulator: sets up slots, tokens and objects in the simulator's
// shared state, raises events and reads the state back. vtoken.exe is a command-line face over
// it; tests link it directly (target vlx_token_control).
//
// Home: every function works on the store of one simulator home folder. A default-constructed
// TokenControl uses the same home as the module vlxca_v4.dll: the environment variable
// VLX_TOKEN_HOME (a Windows path) when it is set, else "C:\ProgramData\VLX Token Simulator".
// The module reads the variable at each C_Initialize, so a test process that sets it with
// SetEnvironmentVariableW before it initialises the module works on its own private state.
//
// Errors: nothing throws across this interface. Every call returns a Status (ok + message) or an
// Outcome<T> (value + message); the message says what was wrong in plain words.
//
// Events: the changes below raise the events a real token would report, in this order, to every
// process that waits in AuxWaitTokenEvent: Insert 1, Remove 2, Add* / EnrolKeyPair 3 per object,
// DeleteObject 4, SetAttribute 5, CreateToken(inserted) 1, DeleteToken of a present token 2,
// RaiseEvent any code with its value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/pkcs11/pkcs11_types.h"

namespace vtoken {

using Bytes = std::vector<unsigned char>;

struct Status {
  bool ok = true;
  std::string message;  // empty when ok
  explicit operator bool() const { return ok; }
  static Status Failure(std::string text) { return {false, std::move(text)}; }
};

template <typename T>
struct Outcome {
  std::optional<T> value;
  std::string message;  // empty when value is set
  explicit operator bool() const { return value.has_value(); }
  const T& operator*() const { return *value; }
  const T* operator->() const { return &*value; }
  static Outcome Failure(std::string text) { return {std::nullopt, std::move(text)}; }
};

// Attribute value encodings as the module stores and compares them (exact byte compare).
Bytes UlongValue(CK_ULONG value);      // 4 bytes, little-endian, like a CK_ULONG in memory
Bytes BoolValue(bool value);           // 1 byte, CK_TRUE or CK_FALSE
Bytes TextValue(const std::string& bytes);  // the bytes, no terminator

// Everything a token is created with. Texts are bytes (label UTF-8); the module blank-pads
// label and manufacturer to 32 bytes, model and serial to 16; longer values are refused.
struct TokenSpec {
  std::string readerName = "VLX Virtual Reader 0";  // slot description, padded to 64 bytes
  std::string label = "VLX-CA Token";
  std::string manufacturer = "VLX-CA";
  std::string model = "VLX Token v4";
  std::string serial = "0000000000000001";
  // Memory fields; CK_UNAVAILABLE_INFORMATION is allowed for each.
  CK_ULONG totalPublicMemory = 65536;
  CK_ULONG freePublicMemory = 32768;
  CK_ULONG totalPrivateMemory = 16384;
  CK_ULONG freePrivateMemory = 8192;
  CK_VERSION hardwareVersion = {1, 0};
  CK_VERSION firmwareVersion = {2, 15};
  CK_ULONG minPinLength = 4;
  CK_ULONG maxPinLength = 16;
  std::string userPin = "12345678";
  std::string soPin = "87654321";
  CK_ULONG userTriesMax = 5;
  CK_ULONG userTriesLeft = 5;
  bool initialized = true;          // CKF_TOKEN_INITIALIZED
  bool userPinInitialized = true;   // CKF_USER_PIN_INITIALIZED
  bool loginRequired = true;        // CKF_LOGIN_REQUIRED
  bool pinToBeChanged = false;      // CKF_USER_PIN_TO_BE_CHANGED, cleared by C_SetPIN
};

// Changes to an existing token; unset fields stay as they are. PINs are stored as salted
// hashes, never in clear.
struct TokenUpdate {
  std::optional<std::string> label, manufacturer, model, serial, readerName;
  std::optional<std::string> userPin, soPin;
  std::optional<CK_ULONG> userTriesMax, userTriesLeft, minPinLength, maxPinLength;
  std::optional<bool> initialized, userPinInitialized, loginRequired, pinToBeChanged;
};

// Description of an RSA key object (public or private).
struct KeySpec {
  Bytes modulus;                 // big-endian; a leading zero byte is removed
  Bytes publicExponent = {0x01, 0x00, 0x01};
  Bytes id;                      // CKA_ID
  std::string label;             // CKA_LABEL
  std::string container;         // CKA_VENDOR_CONTAINER_NAME (single-byte text, no terminator)
  bool encrypt = true;           // public key: CKA_ENCRYPT; private key: CKA_DECRYPT
  bool verify = true;            // public key: CKA_VERIFY;  private key: CKA_SIGN
};

// A key pair with its certificate, either generated here or imported from files.
struct KeyPairRequest {
  std::string container;         // required: the key container name
  Bytes id;                      // CKA_ID of all three objects; default: SHA-1 of the modulus
  std::string label;             // CKA_LABEL; default: the certificate's common name
  // Generated certificate (used when certificateFile is empty). Subject in X.500 form, for
  // example L"CN=Nguyễn Văn An, O=VLX, C=VN"; UTF-8 is used for non-ASCII names.
  std::wstring subject = L"CN=VLX Test User";
  unsigned keyBits = 1024;
  // Key usage byte (CERT_DIGITAL_SIGNATURE_KEY_USAGE 0x80, CERT_KEY_ENCIPHERMENT_KEY_USAGE 0x20,
  // CERT_KEY_CERT_SIGN_KEY_USAGE 0x04 ...); 0 = no key-usage extension.
  unsigned char keyUsage = 0xA0;
  bool addBasicConstraints = true;
  bool isCa = false;
  int validityDays = 365;        // notAfter = notBefore + validityDays
  int startOffsetDays = 0;       // notBefore = now + startOffsetDays (negative: in the past)
  // Issuer of the generated certificate: its certificate and RSA key files (forms as below).
  // Both empty: the certificate is self-signed.
  std::wstring issuerCertificateFile;
  std::wstring issuerKeyFile;
  // Imported pair: a certificate file (DER or PEM) and an RSA key file (PKCS#1 or PKCS#8,
  // DER or PEM, unencrypted). Windows paths. The key's modulus must equal the certificate's.
  std::wstring certificateFile;
  std::wstring keyFile;
  // Key flags, as in KeySpec: encrypt -> CKA_ENCRYPT/CKA_DECRYPT, verify -> CKA_VERIFY/CKA_SIGN.
  bool encrypt = true;
  bool verify = true;
};

struct KeyPairHandles {
  CK_OBJECT_HANDLE certificate = 0;
  CK_OBJECT_HANDLE publicKey = 0;
  CK_OBJECT_HANDLE privateKey = 0;
};

// What the state holds, for assertions.
struct ObjectView {
  CK_OBJECT_HANDLE handle = 0;
  std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes;
  std::optional<Bytes> Attribute(CK_ATTRIBUTE_TYPE type) const;
  std::optional<CK_ULONG> UlongAttribute(CK_ATTRIBUTE_TYPE type) const;
  std::string TextAttribute(CK_ATTRIBUTE_TYPE type) const;  // empty when missing
};

struct TokenView {
  CK_SLOT_ID slot = 0;
  std::string readerName;
  bool present = false;
  std::string label;              // without the padding blanks
  std::string manufacturer, model, serial;
  CK_FLAGS flags = 0;             // CK_TOKEN_INFO flags as the module reports them
  CK_ULONG userTriesMax = 0;
  CK_ULONG userTriesLeft = 0;
  CK_ULONG minPinLength = 0, maxPinLength = 0;
  std::vector<ObjectView> objects;
  const ObjectView* FindObject(CK_OBJECT_HANDLE handle) const;
  std::vector<const ObjectView*> ObjectsOfClass(CK_OBJECT_CLASS cls) const;
};

struct SlotView {
  CK_SLOT_ID slot = 0;
  std::string readerName;
  bool present = false;
  bool hasToken = false;
};

struct EventView {
  std::uint64_t sequence = 0;
  CK_SLOT_ID slot = 0;
  CK_ULONG code = 0;
  CK_ULONG value = 0;
};

class TokenControl {
 public:
  TokenControl();                              // home as the module chooses it (see top)
  explicit TokenControl(std::wstring home);    // an explicit home folder (Windows path)
  ~TokenControl();
  TokenControl(const TokenControl&) = delete;
  TokenControl& operator=(const TokenControl&) = delete;

  const std::wstring& Home() const { return home_; }

  // Wipes all slots, tokens, objects and queued events. Handle and event numbering continue
  // (never reused), so processes that still run see neither stale handles nor old events.
  Status Reset();

  // Creates the slot when it does not exist; fails when it already holds a token.
  Status CreateToken(CK_SLOT_ID slot, const TokenSpec& spec, bool inserted = true);
  Status UpdateToken(CK_SLOT_ID slot, const TokenUpdate& update);
  // Removes the token (and its objects) from the slot; the slot stays, empty.
  Status DeleteToken(CK_SLOT_ID slot);
  // Puts the slot's token in (event 1) or takes it out (event 2). The token keeps its objects
  // while removed. Inserting a present token or removing an absent one fails.
  Status Insert(CK_SLOT_ID slot);
  Status Remove(CK_SLOT_ID slot);

  // Key pair: a certificate object, a public key and a private key (CKA_PRIVATE true) under
  // one container name and one CKA_ID. Raises event 3 for each, in that order.
  Outcome<KeyPairHandles> EnrolKeyPair(CK_SLOT_ID slot, const KeyPairRequest& request);
  // A lone certificate (DER). CKA_SUBJECT, CKA_ISSUER and CKA_SERIAL_NUMBER come from it;
  // an empty label takes the certificate's common name. Fails when der is not a certificate.
  Outcome<CK_OBJECT_HANDLE> AddCertificate(CK_SLOT_ID slot, const Bytes& der, const std::string& container,
                                           const Bytes& id, const std::string& label);
  Outcome<CK_OBJECT_HANDLE> AddPublicKey(CK_SLOT_ID slot, const KeySpec& key);
  Outcome<CK_OBJECT_HANDLE> AddPrivateKey(CK_SLOT_ID slot, const KeySpec& key);
  // Any object with exactly these attributes (CKA_CLASS required).
  Outcome<CK_OBJECT_HANDLE> AddObject(CK_SLOT_ID slot, const std::map<CK_ATTRIBUTE_TYPE, Bytes>& attributes);
  Status DeleteObject(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle);
  // Sets (adds or replaces) one attribute; raises event 5.
  Status SetAttribute(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle, CK_ATTRIBUTE_TYPE type, const Bytes& value);
  // Any event code with its value, for example 0x100 activity begins or 0x104 with a kind.
  Status RaiseEvent(CK_SLOT_ID slot, CK_ULONG code, CK_ULONG value);

  Outcome<std::vector<SlotView>> ReadSlots() const;
  Outcome<TokenView> ReadToken(CK_SLOT_ID slot) const;
  // Events still queued with a sequence number above `after` (0 = all), oldest first.
  Outcome<std::vector<EventView>> ReadEvents(std::uint64_t after = 0) const;
  // The state as readable text (what "vtoken show" prints).
  Outcome<std::string> Describe() const;

 private:
  std::wstring home_;
};

// The home the module uses in this process: VLX_TOKEN_HOME or the default folder.
std::wstring DefaultHome();

// Registers the simulator's CSP DLL as "VLX-CA Token CSP V4.0", PROV_RSA_FULL, in HKLM
// "Software\Microsoft\Cryptography\Defaults\Provider\<name>" ("Image Path", "Type" = 1,
// "SigInFile" = 0). The path should be absolute. UnregisterCsp removes the key.
Status RegisterCsp(const std::wstring& dllPath);
Status UnregisterCsp();

// Reads a certificate file, DER or PEM ("-----BEGIN CERTIFICATE-----"), into DER bytes.
Outcome<Bytes> ReadCertificateFile(const std::wstring& path);

}  // namespace vtoken
