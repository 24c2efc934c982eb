// The control library and vtoken: tokens, enrolment (generated and imported key pairs), the
// refusals with their messages, the state file's safety, and the tool's exit codes.
#include <windows.h>
#include <wincrypt.h>

#include <set>
#include <thread>

#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"
#include "tests/simulator/module_fixture.h"

namespace simtest {
namespace {

using vtoken::Bytes;

class ControlTest : public ModuleTest {};

// The certificate's own view of itself, decoded by CryptoAPI.
struct Decoded {
  win::UniqueCertContext context;
  const CERT_INFO* info() const { return context.get()->pCertInfo; }
  const CERT_EXTENSION* Extension(const char* oid) const {
    return ::CertFindExtension(oid, info()->cExtension, info()->rgExtension);
  }
};

Decoded Decode(const Bytes& der) {
  return Decoded{win::UniqueCertContext(
      ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())))};
}

std::wstring CommonName(const Decoded& cert) {
  wchar_t name[256] = {};
  ::CertGetNameStringW(cert.context.get(), CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name, 256);
  return name;
}

TEST_F(ControlTest, GeneratedKeyPairMatchesItsCertificate) {
  CreateToken(1);
  vtoken::KeyPairRequest request;
  request.container = "generated";
  request.subject = L"CN=Nguyễn Văn An, O=Công ty VLX, C=VN";
  request.keyUsage = CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE;
  request.validityDays = 30;
  request.startOffsetDays = -400;  // expired
  auto handles = control_.EnrolKeyPair(1, request);
  ASSERT_TRUE(handles) << handles.message;
  auto token = control_.ReadToken(1);
  ASSERT_TRUE(token);
  const vtoken::ObjectView* cert = token->FindObject(handles->certificate);
  const vtoken::ObjectView* pub = token->FindObject(handles->publicKey);
  const vtoken::ObjectView* priv = token->FindObject(handles->privateKey);
  ASSERT_TRUE(cert && pub && priv);

  Decoded decoded = Decode(*cert->Attribute(CKA_VALUE));
  ASSERT_TRUE(decoded.context);
  EXPECT_EQ(CommonName(decoded), L"Nguyễn Văn An");
  EXPECT_EQ(cert->TextAttribute(CKA_LABEL), win::ToUtf8(L"Nguyễn Văn An"));
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  EXPECT_LT(::CompareFileTime(&decoded.info()->NotAfter, &now), 0);
  const CERT_EXTENSION* usage = decoded.Extension(szOID_KEY_USAGE);
  ASSERT_NE(usage, nullptr);
  BYTE bits = 0;
  ASSERT_TRUE(::CertGetIntendedKeyUsage(X509_ASN_ENCODING, const_cast<CERT_INFO*>(decoded.info()), &bits, 1));
  EXPECT_EQ(bits, CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE);
  EXPECT_NE(decoded.Extension(szOID_BASIC_CONSTRAINTS2), nullptr);

  // One container, one CKA_ID, one modulus: the public key is the certificate's.
  for (const vtoken::ObjectView* object : {cert, pub, priv}) {
    EXPECT_EQ(object->TextAttribute(CKA_VENDOR_CONTAINER_NAME), "generated");
    EXPECT_EQ(object->Attribute(CKA_ID), cert->Attribute(CKA_ID));
  }
  EXPECT_EQ(cert->Attribute(CKA_ID)->size(), 20u);
  const Bytes modulus = *pub->Attribute(CKA_MODULUS);
  EXPECT_EQ(modulus.size(), 128u);
  EXPECT_NE(modulus[0], 0);
  EXPECT_EQ(priv->Attribute(CKA_MODULUS), modulus);
  EXPECT_EQ(pub->Attribute(CKA_PUBLIC_EXPONENT), (Bytes{1, 0, 1}));
  EXPECT_EQ(priv->Attribute(CKA_PRIVATE), vtoken::BoolValue(true));
  EXPECT_EQ(priv->Attribute(CKA_SENSITIVE), vtoken::BoolValue(true));
  EXPECT_EQ(pub->Attribute(CKA_ENCRYPT), vtoken::BoolValue(true));
  EXPECT_EQ(pub->UlongAttribute(CKA_KEY_TYPE), CKK_RSA);
  EXPECT_EQ(cert->Attribute(CKA_SUBJECT), Bytes(decoded.info()->Subject.pbData,
                                                decoded.info()->Subject.pbData + decoded.info()->Subject.cbData));
}

TEST_F(ControlTest, GeneratedCertificateCanBeIssuedByTheTestCa) {
  CreateToken(1);
  vtoken::KeyPairRequest request;
  request.container = "issued";
  request.subject = L"CN=Issued User";
  request.issuerCertificateFile = L"fixtures\\pki\\intermediate-ca.pem";
  request.issuerKeyFile = L"fixtures\\pki\\intermediate-ca.key.pem";
  auto handles = control_.EnrolKeyPair(1, request);
  ASSERT_TRUE(handles) << handles.message;
  Decoded issued = Decode(*control_.ReadToken(1)->FindObject(handles->certificate)->Attribute(CKA_VALUE));
  auto issuerDer = vtoken::ReadCertificateFile(request.issuerCertificateFile);
  ASSERT_TRUE(issuerDer);
  Decoded issuer = Decode(*issuerDer);
  EXPECT_TRUE(::CertCompareCertificateName(X509_ASN_ENCODING, &issued.context.get()->pCertInfo->Issuer,
                                           &issuer.context.get()->pCertInfo->Subject));
  EXPECT_TRUE(::CryptVerifyCertificateSignature(0, X509_ASN_ENCODING, issued.context.get()->pbCertEncoded,
                                                issued.context.get()->cbCertEncoded,
                                                &issuer.context.get()->pCertInfo->SubjectPublicKeyInfo));

  request.container = "wrong-issuer-key";
  request.issuerKeyFile = L"fixtures\\pki\\root-ca.key.pem";
  auto refused = control_.EnrolKeyPair(1, request);
  EXPECT_FALSE(refused);
  EXPECT_NE(refused.message.find("issuer"), std::string::npos) << refused.message;
}

TEST_F(ControlTest, ImportedKeyPairsFromEveryKeyForm) {
  CreateToken(1);
  struct Case {
    const wchar_t* certificate;
    const wchar_t* key;
    bool accepted;
  };
  const Case cases[] = {
      {L"user-sign.cer", L"user-sign.key.pem", true},            // DER certificate, PKCS#1 PEM key
      {L"user-encrypt.pem", L"user-encrypt.key.p8.der", true},   // PEM certificate, PKCS#8 DER key
      {L"user-vietnamese.cer", L"", true},                       // no key file: the certificate's key
      {L"user-sign.cer", L"user-encrypt.key.pem", false},        // the key of another certificate
      {L"user-sign.key.pem", L"", false},                        // a key is no certificate
      {L"no-such-file.cer", L"", false},
  };
  int container = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(win::ToUtf8(std::wstring(c.certificate) + L" " + c.key));
    vtoken::KeyPairRequest request;
    request.container = "imported-" + std::to_string(++container);
    request.certificateFile = std::wstring(L"fixtures\\pki\\") + c.certificate;
    if (*c.key) request.keyFile = std::wstring(L"fixtures\\pki\\") + c.key;
    auto handles = control_.EnrolKeyPair(1, request);
    EXPECT_EQ(static_cast<bool>(handles), c.accepted) << handles.message;
    if (!handles) {
      EXPECT_FALSE(handles.message.empty());
    }
  }
  // Only the three accepted pairs reached the token.
  EXPECT_EQ(control_.ReadToken(1)->objects.size(), 9u);
  auto token = control_.ReadToken(1);
  EXPECT_EQ(token->ObjectsOfClass(CKO_CERTIFICATE)[2]->TextAttribute(CKA_LABEL), win::ToUtf8(L"Nguyễn Văn Ánh"));
}

TEST_F(ControlTest, RefusalsSayWhatIsWrong) {
  CreateToken(1);
  vtoken::TokenSpec tooLong;
  tooLong.label = std::string(33, 'L');
  vtoken::TokenSpec badTries;
  badTries.userTriesLeft = 9;
  struct Case {
    const char* name;
    vtoken::Status status;
  };
  const Case cases[] = {
      {"second token in a slot", control_.CreateToken(1, vtoken::TokenSpec{})},
      {"label over 32 bytes", control_.CreateToken(2, tooLong)},
      {"more tries left than allowed", control_.CreateToken(3, badTries)},
      {"insert a present token", control_.Insert(1)},
      {"remove from an empty slot", control_.Remove(7)},
      {"delete an unknown object", control_.DeleteObject(1, 424242)},
      {"attribute of an unknown object", control_.SetAttribute(1, 424242, CKA_LABEL, {})},
      {"certificate that is none", control_.AddCertificate(1, Bytes{0x30, 0x03, 1, 2, 3}, "c", {}, "").value
                                       ? vtoken::Status{}
                                       : vtoken::Status::Failure("refused")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.status.ok);
    EXPECT_FALSE(c.status.message.empty());
  }
  auto slots = control_.ReadSlots();
  ASSERT_TRUE(slots);
  EXPECT_EQ(slots->size(), 1u);  // the refused creations made no token
}

TEST_F(ControlTest, ConcurrentChangesAreNeverLost) {
  CreateToken(1);
  constexpr int kThreads = 4, kObjects = 15;
  std::vector<std::thread> threads;
  std::vector<std::vector<CK_OBJECT_HANDLE>> handles(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &handles] {
      // Each thread has its own store and cache, as another process would.
      vtoken::TokenControl own(PrivateHome());
      for (int i = 0; i < kObjects; ++i) {
        auto handle = own.AddObject(1, {{CKA_CLASS, vtoken::UlongValue(CKO_DATA)}});
        if (handle) handles[t].push_back(*handle);
      }
    });
  }
  // Meanwhile this process's module reads the same state.
  CK_SESSION_HANDLE session = OpenSession(1);
  size_t lastSeen = 0;
  for (int i = 0; i < 20; ++i) {
    const size_t now = Find(session, {}).size();
    EXPECT_GE(now, lastSeen);
    lastSeen = now;
  }
  for (auto& thread : threads) thread.join();
  std::set<CK_OBJECT_HANDLE> unique;
  for (const auto& list : handles) {
    EXPECT_EQ(list.size(), size_t(kObjects));
    unique.insert(list.begin(), list.end());
  }
  EXPECT_EQ(unique.size(), size_t(kThreads * kObjects));
  EXPECT_EQ(control_.ReadToken(1)->objects.size(), size_t(kThreads * kObjects));
  EXPECT_EQ(Find(session, {}).size(), size_t(kThreads * kObjects));
}

TEST_F(ControlTest, CorruptStateIsReportedAndNeverOverwritten) {
  CreateToken(1);
  const std::wstring file = PrivateHome() + L"\\state.json";
  {
    win::UniqueFile out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(out);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(out.get(), "{not json", 9, &written, nullptr));
  }
  // A fresh store reads the file again; the cached process state notices through the counter.
  ASSERT_TRUE(control_.RaiseEvent(1, 1, 0).ok == false);
  auto slots = control_.ReadSlots();
  EXPECT_FALSE(slots);
  EXPECT_NE(slots.message.find("corrupt"), std::string::npos) << slots.message;
  win::UniqueFile in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char text[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(::ReadFile(in.get(), text, sizeof(text) - 1, &read, nullptr));
  EXPECT_STREQ(text, "{not json");
  in.reset();
  ::DeleteFileW(file.c_str());
}

int RunTool(const std::wstring& arguments) {
  std::wstring command = L"vtoken.exe " + arguments;
  // The tool's messages go nowhere: only its exit code is checked.
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  win::UniqueFile nul(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  win::UniqueHandle processHandle(process.hProcess);
  win::UniqueHandle thread(process.hThread);
  if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return -2;
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}

TEST_F(ControlTest, ToolSetsUpTokensAndRefusesBadArguments) {
  struct Case {
    const wchar_t* arguments;
    int exitCode;
  };
  const Case cases[] = {
      {L"create-token 4 --label \"Demo Token\" --reader \"Demo Reader\" --user-pin 1111 --tries-max 3 "
       L"--pin-to-be-changed 1 --memory 1000,500,unavailable,0 --fw-version 2.15",
       0},
      {L"enrol 4 --container demo --subject \"CN=Demo User\" --key-usage 0x20", 0},
      {L"add-certificate 4 --cert fixtures\\pki\\root-ca.pem", 0},
      {L"add-public-key 4 --key fixtures\\pki\\user-plain.key.p8.der --container plain --no-encrypt", 0},
      {L"remove 4", 0},
      {L"event 4 0x104 2", 0},
      {L"remove 4", 1},                          // not inserted
      {L"create-token 4", 1},                    // slot taken
      {L"insert", 1},                            // no slot
      {L"insert 4 --lable x", 2},                // misspelt option: nothing happens
      {L"frobnicate", 2},
      {L"create-token 5 --tries-max many", 1},
      {L"enrol 4", 1},                           // no container
      {L"", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::ToUtf8(c.arguments));
    EXPECT_EQ(RunTool(c.arguments), c.exitCode);
  }
  auto token = control_.ReadToken(4);
  ASSERT_TRUE(token);
  EXPECT_FALSE(token->present);  // the misspelt insert did not run
  EXPECT_EQ(token->label, "Demo Token");
  EXPECT_EQ(token->readerName, "Demo Reader");
  EXPECT_EQ(token->userTriesMax, 3u);
  EXPECT_EQ(token->userTriesLeft, 3u);
  EXPECT_NE(token->flags & CKF_USER_PIN_TO_BE_CHANGED, 0u);
  EXPECT_EQ(token->objects.size(), 5u);
  EXPECT_EQ(token->ObjectsOfClass(CKO_PUBLIC_KEY)[1]->Attribute(CKA_ENCRYPT), vtoken::BoolValue(false));
  ASSERT_TRUE(control_.Insert(4));
  const CK_TOKEN_INFO info = TokenInfo(4);
  EXPECT_EQ(info.ulTotalPrivateMemory, CK_UNAVAILABLE_INFORMATION);
  EXPECT_EQ(info.firmwareVersion.minor, 15);
  CK_SESSION_HANDLE session = OpenSession(4);
  EXPECT_EQ(Login(session, "1111"), CKR_OK);
  auto events = control_.ReadEvents();
  ASSERT_TRUE(events);
  bool saved = false;
  for (const auto& e : *events) saved = saved || (e.code == 0x104 && e.value == 2 && e.slot == 4);
  EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace simtest
