// Listings of certificates, public keys and private keys into the CertificateTable, against the
// simulated token.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "manager/token/token_objects.h"
#include "manager/token/token_session.h"
#include "tests/manager/token/simulated_token.h"
#include "tests/manager/token/test_certificates.h"

namespace {

using manager::ObjectNames;
using manager::SharedCertificateTable;
using manager::TokenContext;
using manager_test::kTokenSlot;
using manager_test::kUserPinW;
using vtoken::Bytes;

class TokenObjects : public manager_test::SimulatedTokenTest {
 protected:
  void SetUp() override {
    SimulatedTokenTest::SetUp();
    CreateToken();
    SharedCertificateTable().Clear();
  }
  void TearDown() override { SharedCertificateTable().Clear(); }

  void Open() { ASSERT_EQ(manager::OpenTokenSession(context_), manager::kSessionOpen); }

  void AddCertificate(const std::wstring& subject, const std::string& container) {
    auto certificate = manager_test::MakeCertificate(subject);
    ASSERT_TRUE(certificate);
    const auto der = manager_test::EncodedBytes(certificate.get());
    auto added = control().AddCertificate(kTokenSlot, Bytes(der.begin(), der.end()), container, {0x01}, "");
    ASSERT_TRUE(added) << added.message;
  }

  void AddPublicKey(const std::string& container) {
    vtoken::KeySpec key;
    key.modulus = Bytes(64, 0xC5);
    key.container = container;
    auto added = control().AddPublicKey(kTokenSlot, key);
    ASSERT_TRUE(added) << added.message;
  }

  TokenContext context_;
  ObjectNames names_;
};

TEST_F(TokenObjects, EmptyTokenGivesEachListingsEmptyCode) {
  Open();
  EXPECT_EQ(manager::ListTokenCertificates(context_, names_), manager::kNoCertificates);
  EXPECT_EQ(manager::ListTokenPublicKeys(context_, names_), manager::kNoPublicKeys);
  ASSERT_EQ(manager::LoginUser(context_, kUserPinW), 0);
  EXPECT_EQ(manager::ListTokenPrivateKeys(context_, names_), manager::kNoPrivateKeys);
  const auto& table = SharedCertificateTable();
  for (size_t i = 0; i < manager::kCertificateTableEntries; ++i) {
    EXPECT_FALSE(table.certificates[i]);
    EXPECT_TRUE(table.certificateContainers[i].empty());
    EXPECT_TRUE(names_[i].empty());
  }
}

TEST_F(TokenObjects, KeyPairsFillTheThreeTables) {
  for (const auto& [subject, container] : std::map<std::wstring, std::string>{
           {L"CN=Tran Thi B - MST:0101234567", "ctr-b"}, {L"CN=Le Van C-CMT:012345678", "ctr-c"}}) {
    vtoken::KeyPairRequest request;
    request.container = container;
    request.subject = subject;
    auto enrolled = control().EnrolKeyPair(kTokenSlot, request);
    ASSERT_TRUE(enrolled) << enrolled.message;
  }
  Open();
  ASSERT_EQ(manager::ListTokenCertificates(context_, names_), 0);
  const auto& table = SharedCertificateTable();
  std::map<std::wstring, std::wstring> nameByContainer;
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_TRUE(table.certificates[i]) << "entry " << i;
    nameByContainer[table.certificateContainers[i]] = names_[i];
  }
  EXPECT_FALSE(table.certificates[2]);
  EXPECT_EQ(nameByContainer[L"ctr-b"], L"Tran Thi B ");
  EXPECT_EQ(nameByContainer[L"ctr-c"], L"Le Van C");

  ObjectNames keyNames;
  keyNames.fill(L"stale");
  ASSERT_EQ(manager::ListTokenPublicKeys(context_, keyNames), 0);
  EXPECT_EQ(keyNames[0], L"");
  EXPECT_EQ(keyNames[2], L"stale") << "only listed entries are written";
  EXPECT_NE(table.publicKeyContainers[0], table.publicKeyContainers[1]);
  EXPECT_FALSE(table.publicKeyContainers[1].empty());

  EXPECT_EQ(manager::ListTokenPrivateKeys(context_, keyNames), manager::kNoPrivateKeys) << "not logged in";
  ASSERT_EQ(manager::LoginUser(context_, kUserPinW), 0);
  ASSERT_EQ(manager::ListTokenPrivateKeys(context_, keyNames), 0);
  EXPECT_FALSE(table.privateKeyContainers[0].empty());
  EXPECT_FALSE(table.privateKeyContainers[1].empty());
  EXPECT_TRUE(table.privateKeyContainers[2].empty());
}

TEST_F(TokenObjects, KeyWithEmptyContainerNameGetsAnEmptyName) {
  AddPublicKey("named");
  AddPublicKey("");
  Open();
  ASSERT_EQ(manager::ListTokenPublicKeys(context_, names_), 0);
  const auto& table = SharedCertificateTable();
  EXPECT_EQ(table.publicKeyContainers[0], L"named");
  EXPECT_EQ(table.publicKeyContainers[1], L"");
  EXPECT_TRUE(context_.container.empty()) << "the context holds the last object's name";
}

TEST_F(TokenObjects, UnreadableObjectEndsTheListingAfterTheOnesBefore) {
  AddPublicKey("first");
  // A public key without a modulus: its template cannot be read.
  auto odd = control().AddObject(kTokenSlot, {{CKA_CLASS, vtoken::UlongValue(CKO_PUBLIC_KEY)},
                                              {CKA_TOKEN, vtoken::BoolValue(true)},
                                              {CKA_VENDOR_CONTAINER_NAME, vtoken::TextValue("odd")}});
  ASSERT_TRUE(odd) << odd.message;
  AddPublicKey("after");
  Open();
  EXPECT_EQ(manager::ListTokenPublicKeys(context_, names_), 0);
  const auto& table = SharedCertificateTable();
  EXPECT_EQ(table.publicKeyContainers[0], L"first");
  EXPECT_EQ(table.publicKeyContainers[1], L"");
  EXPECT_EQ(table.publicKeyContainers[2], L"");
}

TEST_F(TokenObjects, MoreThanTenObjectsFillTenEntriesAndTheSearchIsClosed) {
  for (int i = 0; i < 12; ++i) {
    AddCertificate(L"CN=Holder " + std::to_wstring(i), "c" + std::to_string(i));
    AddPublicKey("k" + std::to_string(i));
  }
  Open();
  const auto& table = SharedCertificateTable();
  for (int round = 0; round < 2; ++round) {  // a second listing finds its search closed
    ASSERT_EQ(manager::ListTokenCertificates(context_, names_), 0) << "round " << round;
    ASSERT_EQ(manager::ListTokenPublicKeys(context_, names_), 0) << "round " << round;
  }
  for (size_t i = 0; i < manager::kCertificateTableEntries; ++i) {
    EXPECT_TRUE(table.certificates[i]) << i;
    EXPECT_EQ(table.certificateContainers[i], L"c" + std::to_wstring(i));
    EXPECT_EQ(table.publicKeyContainers[i], L"k" + std::to_wstring(i));
    EXPECT_TRUE(table.privateKeyContainers[i].empty());
  }
}

}  // namespace
