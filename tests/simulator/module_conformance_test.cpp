// The module as the programs see it, loaded with LoadLibraryW("vlxca_v4.dll"): the PKCS#11
// error rules, slots and tokens, sessions, login and the tries counter, PIN change, objects
// and attributes, and the auxiliary functions.
#include <cstring>

#include "tests/simulator/module_fixture.h"

namespace simtest {
namespace {

CK_ATTRIBUTE Attr(CK_ATTRIBUTE_TYPE type, void* value, CK_ULONG length) { return {type, value, length}; }

class ModuleRules : public ModuleTest {};

TEST_F(ModuleRules, InitialiseAndFinaliseFollowTheStandard) {
  EXPECT_EQ(f_->C_Initialize(nullptr), CKR_CRYPTOKI_ALREADY_INITIALIZED);
  EXPECT_EQ(f_->C_Finalize(reinterpret_cast<void*>(1)), CKR_ARGUMENTS_BAD);
  EXPECT_EQ(f_->C_Finalize(nullptr), CKR_OK);
  EXPECT_EQ(f_->C_Finalize(nullptr), CKR_CRYPTOKI_NOT_INITIALIZED);
  CK_ULONG count = 0;
  EXPECT_EQ(f_->C_GetSlotList(CK_FALSE, nullptr, &count), CKR_CRYPTOKI_NOT_INITIALIZED);
  CK_BYTE info[8] = {};
  EXPECT_EQ(aux_->AuxGetPinInfo(1, info), CKR_CRYPTOKI_NOT_INITIALIZED);

  CK_C_INITIALIZE_ARGS halfMutexes{};
  halfMutexes.CreateMutex = [](CK_VOID_PTR_PTR) -> CK_RV { return CKR_OK; };
  EXPECT_EQ(f_->C_Initialize(&halfMutexes), CKR_ARGUMENTS_BAD);
  CK_C_INITIALIZE_ARGS osLocking{};
  osLocking.flags = CKF_OS_LOCKING_OK;
  EXPECT_EQ(f_->C_Initialize(&osLocking), CKR_OK);
}

TEST_F(ModuleRules, UnusedFunctionsAreNotSupported) {
  CK_ULONG count = 0;
  EXPECT_EQ(f_->C_GetMechanismList(1, nullptr, &count), CKR_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(f_->C_SignInit(1, nullptr, 0), CKR_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(f_->C_GenerateRandom(1, nullptr, 0), CKR_FUNCTION_NOT_SUPPORTED);
  CK_INFO info{};
  ASSERT_EQ(f_->C_GetInfo(&info), CKR_OK);
  EXPECT_EQ(info.cryptokiVersion.major, 2);
  EXPECT_EQ(info.cryptokiVersion.minor, 20);
}

TEST_F(ModuleRules, SlotListCountsWithTheTwoCallRule) {
  CreateToken(1);
  CreateToken(2, [](vtoken::TokenSpec& s) { s.readerName = "Second Reader"; }, false);
  CreateToken(5, [](vtoken::TokenSpec& s) { s.readerName = "Third Reader"; });

  CK_ULONG count = 0;
  ASSERT_EQ(f_->C_GetSlotList(CK_FALSE, nullptr, &count), CKR_OK);
  EXPECT_EQ(count, 3u);
  ASSERT_EQ(f_->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_OK);
  ASSERT_EQ(count, 2u);

  CK_SLOT_ID slots[4] = {};
  CK_ULONG small = 1;
  EXPECT_EQ(f_->C_GetSlotList(CK_TRUE, slots, &small), CKR_BUFFER_TOO_SMALL);
  EXPECT_EQ(small, 2u);
  CK_ULONG room = 4;
  ASSERT_EQ(f_->C_GetSlotList(CK_TRUE, slots, &room), CKR_OK);
  EXPECT_EQ(room, 2u);
  EXPECT_EQ(slots[0], 1u);
  EXPECT_EQ(slots[1], 5u);
  EXPECT_EQ(f_->C_GetSlotList(CK_TRUE, slots, nullptr), CKR_ARGUMENTS_BAD);
}

TEST_F(ModuleRules, SlotInfoCarriesThePaddedReaderNameAndPresence) {
  CreateToken(3, [](vtoken::TokenSpec& s) { s.readerName = "VLX Reader A"; });
  CK_SLOT_INFO info{};
  ASSERT_EQ(f_->C_GetSlotInfo(3, &info), CKR_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(info.slotDescription), 64),
            "VLX Reader A" + std::string(64 - 12, ' '));
  EXPECT_EQ(info.flags & (CKF_TOKEN_PRESENT | CKF_REMOVABLE_DEVICE), CKF_TOKEN_PRESENT | CKF_REMOVABLE_DEVICE);

  ASSERT_TRUE(control_.Remove(3));
  ASSERT_EQ(f_->C_GetSlotInfo(3, &info), CKR_OK);
  EXPECT_EQ(info.flags & CKF_TOKEN_PRESENT, 0u);
  CK_TOKEN_INFO token{};
  EXPECT_EQ(f_->C_GetTokenInfo(3, &token), CKR_TOKEN_NOT_PRESENT);
  CK_BYTE pinInfo[8] = {};
  EXPECT_EQ(aux_->AuxGetPinInfo(3, pinInfo), CKR_TOKEN_NOT_PRESENT);
  EXPECT_EQ(aux_->AuxSetTokenLabel(3, CKU_USER, L"12345678", 8, "New"), CKR_TOKEN_NOT_PRESENT);
  EXPECT_EQ(f_->C_GetSlotInfo(9, &info), CKR_SLOT_ID_INVALID);
  EXPECT_EQ(f_->C_GetTokenInfo(9, &token), CKR_SLOT_ID_INVALID);
}

TEST_F(ModuleRules, TokenInfoReportsEveryField) {
  CreateToken(1, [](vtoken::TokenSpec& s) {
    s.label = "Chữ ký số";
    s.manufacturer = "VLX-CA";
    s.model = "Model 4";
    s.serial = "1234567890ABCDEF";
    s.minPinLength = 6;
    s.maxPinLength = 12;
    s.totalPublicMemory = CK_UNAVAILABLE_INFORMATION;
    s.freePublicMemory = 100;
    s.hardwareVersion = {1, 0};
    s.firmwareVersion = {2, 15};
    s.pinToBeChanged = true;
  });
  const CK_TOKEN_INFO info = TokenInfo(1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.label), 32),
            "Chữ ký số" + std::string(32 - std::strlen("Chữ ký số"), ' '));
  EXPECT_EQ(Trimmed(info.manufacturerID, 32), "VLX-CA");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.model), 16), "Model 4         ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.serialNumber), 16), "1234567890ABCDEF");
  EXPECT_EQ(info.flags & (CKF_TOKEN_INITIALIZED | CKF_USER_PIN_INITIALIZED | CKF_LOGIN_REQUIRED |
                          CKF_USER_PIN_TO_BE_CHANGED),
            CKF_TOKEN_INITIALIZED | CKF_USER_PIN_INITIALIZED | CKF_LOGIN_REQUIRED | CKF_USER_PIN_TO_BE_CHANGED);
  EXPECT_EQ(info.ulMinPinLen, 6u);
  EXPECT_EQ(info.ulMaxPinLen, 12u);
  EXPECT_EQ(info.ulTotalPublicMemory, CK_UNAVAILABLE_INFORMATION);
  EXPECT_EQ(info.ulFreePublicMemory, 100u);
  EXPECT_EQ(info.firmwareVersion.major, 2);
  EXPECT_EQ(info.firmwareVersion.minor, 15);
}

TEST_F(ModuleRules, SessionsBelongToOneInsertionOfTheToken) {
  CreateToken(1);
  CK_SESSION_HANDLE ro = OpenSession(1, CKF_SERIAL_SESSION);
  CK_SESSION_HANDLE rw = OpenSession(1);
  CK_SESSION_INFO info{};
  ASSERT_EQ(f_->C_GetSessionInfo(ro, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RO_PUBLIC_SESSION);
  EXPECT_EQ(info.slotID, 1u);
  ASSERT_EQ(f_->C_GetSessionInfo(rw, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RW_PUBLIC_SESSION);
  EXPECT_EQ(TokenInfo(1).ulSessionCount, 2u);
  CK_SESSION_HANDLE parallel = 0;
  EXPECT_EQ(f_->C_OpenSession(1, CKF_RW_SESSION, nullptr, nullptr, &parallel), CKR_SESSION_PARALLEL_NOT_SUPPORTED);

  ASSERT_TRUE(control_.Remove(1));
  EXPECT_EQ(f_->C_GetSessionInfo(rw, &info), CKR_DEVICE_REMOVED);
  CK_SESSION_HANDLE none = 0;
  EXPECT_EQ(f_->C_OpenSession(1, CKF_SERIAL_SESSION, nullptr, nullptr, &none), CKR_TOKEN_NOT_PRESENT);
  ASSERT_TRUE(control_.Insert(1));
  EXPECT_EQ(f_->C_GetSessionInfo(ro, &info), CKR_SESSION_HANDLE_INVALID);
  CK_SESSION_HANDLE fresh = OpenSession(1);
  EXPECT_EQ(f_->C_CloseSession(fresh), CKR_OK);
  EXPECT_EQ(f_->C_CloseSession(fresh), CKR_SESSION_HANDLE_INVALID);
  OpenSession(1);
  EXPECT_EQ(f_->C_CloseAllSessions(1), CKR_OK);
  EXPECT_EQ(TokenInfo(1).ulSessionCount, 0u);
}

TEST_F(ModuleRules, AStaleSessionLeavesTheNextInsertionsSessionsAlone) {
  CreateToken(1);
  CK_SESSION_HANDLE old = OpenSession(1);
  ASSERT_TRUE(control_.Remove(1));
  ASSERT_TRUE(control_.Insert(1));
  CK_SESSION_HANDLE fresh = OpenSession(1);
  ASSERT_EQ(Login(fresh, "12345678"), CKR_OK);
  CK_SESSION_INFO info{};
  EXPECT_EQ(f_->C_GetSessionInfo(old, &info), CKR_SESSION_HANDLE_INVALID);
  ASSERT_EQ(f_->C_GetSessionInfo(fresh, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RW_USER_FUNCTIONS);
  EXPECT_EQ(TokenInfo(1).ulSessionCount, 1u);
}

TEST_F(ModuleRules, WrongPinsCountDownToALockedPin) {
  CreateToken(1, [](vtoken::TokenSpec& s) {
    s.userPin = "12345678";
    s.userTriesMax = 3;
    s.userTriesLeft = 3;
  });
  CK_SESSION_HANDLE s = OpenSession(1);
  struct Step {
    const char* pin;
    CK_RV expected;
    CK_BYTE triesLeft;
    CK_FLAGS pinFlags;
  };
  const CK_FLAGS kPinFlags = CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_LOCKED;
  const Step steps[] = {
      {"00000000", CKR_PIN_INCORRECT, 2, CKF_USER_PIN_COUNT_LOW},
      {"12345678", CKR_OK, 3, 0},  // the right PIN restores the tries
      {"00000000", CKR_PIN_INCORRECT, 2, CKF_USER_PIN_COUNT_LOW},
      {"11111111", CKR_PIN_INCORRECT, 1, CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY},
      {"123", CKR_PIN_LEN_RANGE, 1, CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY},  // costs no try
      {"22222222", CKR_PIN_INCORRECT, 0, CKF_USER_PIN_LOCKED},
      {"12345678", CKR_PIN_LOCKED, 0, CKF_USER_PIN_LOCKED},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.pin);
    EXPECT_EQ(Login(s, step.pin), step.expected);
    if (step.expected == CKR_OK) {
      EXPECT_EQ(f_->C_Logout(s), CKR_OK);
    }
    CK_BYTE info[8] = {};
    ASSERT_EQ(aux_->AuxGetPinInfo(1, info), CKR_OK);
    EXPECT_EQ(info[3], step.triesLeft);
    EXPECT_EQ(TokenInfo(1).flags & kPinFlags, step.pinFlags);
  }
  auto stored = control_.ReadToken(1);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->userTriesLeft, 0u);  // kept in the token, not in the process
}

TEST_F(ModuleRules, LoginIsSharedByTheSessionsOfAToken) {
  CreateToken(1);
  CK_SESSION_HANDLE first = OpenSession(1);
  CK_SESSION_HANDLE second = OpenSession(1, CKF_SERIAL_SESSION);
  EXPECT_EQ(f_->C_Logout(first), CKR_USER_NOT_LOGGED_IN);
  ASSERT_EQ(Login(first, "12345678"), CKR_OK);
  EXPECT_EQ(Login(second, "12345678"), CKR_USER_ALREADY_LOGGED_IN);
  CK_SESSION_INFO info{};
  ASSERT_EQ(f_->C_GetSessionInfo(second, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RO_USER_FUNCTIONS);
  EXPECT_EQ(f_->C_Logout(second), CKR_OK);
  ASSERT_EQ(f_->C_GetSessionInfo(first, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RW_PUBLIC_SESSION);

  // The login ends with the last session of the token.
  ASSERT_EQ(Login(first, "12345678"), CKR_OK);
  EXPECT_EQ(f_->C_CloseSession(first), CKR_OK);
  EXPECT_EQ(Login(second, "12345678"), CKR_USER_ALREADY_LOGGED_IN);
  EXPECT_EQ(f_->C_CloseSession(second), CKR_OK);
  CK_SESSION_HANDLE third = OpenSession(1);
  EXPECT_EQ(f_->C_Logout(third), CKR_USER_NOT_LOGGED_IN);
  EXPECT_EQ(f_->C_Login(third, 7, nullptr, 0), CKR_USER_TYPE_INVALID);
}

TEST_F(ModuleRules, ALoginWhoseTriesCannotBeSavedLeavesTheSessionPublic) {
  CreateToken(1);
  CK_SESSION_HANDLE s = OpenSession(1);
  ASSERT_EQ(Login(s, "00000000"), CKR_PIN_INCORRECT);  // the right PIN now has tries to restore
  // A folder in place of the store's temporary file makes the save fail.
  const std::wstring blocker = PrivateHome() + L"\\state.json." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));
  const CK_RV rv = Login(s, "12345678");
  ::RemoveDirectoryW(blocker.c_str());
  EXPECT_EQ(rv, CKR_DEVICE_ERROR);
  CK_SESSION_INFO info{};
  ASSERT_EQ(f_->C_GetSessionInfo(s, &info), CKR_OK);
  EXPECT_EQ(info.state, CKS_RW_PUBLIC_SESSION);
  EXPECT_EQ(Login(s, "12345678"), CKR_OK);
  EXPECT_EQ(control_.ReadToken(1)->userTriesLeft, 5u);
}

TEST_F(ModuleRules, SetPinChecksTheOldPinAndClearsTheChangeFlag) {
  CreateToken(1, [](vtoken::TokenSpec& s) {
    s.pinToBeChanged = true;
    s.minPinLength = 6;
    s.maxPinLength = 10;
  });
  CK_SESSION_HANDLE s = OpenSession(1);
  auto setPin = [&](CK_SESSION_HANDLE session, std::string oldPin, std::string newPin) {
    return f_->C_SetPIN(session, reinterpret_cast<CK_UTF8CHAR_PTR>(oldPin.data()), CK_ULONG(oldPin.size()),
                        reinterpret_cast<CK_UTF8CHAR_PTR>(newPin.data()), CK_ULONG(newPin.size()));
  };
  EXPECT_EQ(setPin(s, "12345678", "123"), CKR_PIN_LEN_RANGE);
  EXPECT_EQ(setPin(s, "12345678", "12345678901"), CKR_PIN_LEN_RANGE);
  EXPECT_EQ(setPin(s, "00000000", "87654321"), CKR_PIN_INCORRECT);
  EXPECT_EQ(control_.ReadToken(1)->userTriesLeft, 4u);
  EXPECT_NE(TokenInfo(1).flags & CKF_USER_PIN_TO_BE_CHANGED, 0u);
  CK_SESSION_HANDLE readOnly = OpenSession(1, CKF_SERIAL_SESSION);
  EXPECT_EQ(setPin(readOnly, "12345678", "87654321"), CKR_SESSION_READ_ONLY);

  ASSERT_EQ(setPin(s, "12345678", "87654321"), CKR_OK);  // without a login
  EXPECT_EQ(TokenInfo(1).flags & (CKF_USER_PIN_TO_BE_CHANGED | CKF_USER_PIN_COUNT_LOW), 0u);
  EXPECT_EQ(Login(s, "12345678"), CKR_PIN_INCORRECT);
  ASSERT_EQ(Login(s, "87654321"), CKR_OK);
  EXPECT_EQ(setPin(s, "87654321", "abcdefgh"), CKR_OK);  // with a login
  EXPECT_EQ(f_->C_Logout(s), CKR_OK);
  EXPECT_EQ(Login(s, "abcdefgh"), CKR_OK);
}

class ModuleObjects : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    CreateToken(1);
    vtoken::KeySpec key;
    key.modulus.assign(128, 0xA5);
    key.id = {1, 2, 3};
    key.label = "Signing key";
    key.container = "container-one";
    auto pub = control_.AddPublicKey(1, key);
    auto priv = control_.AddPrivateKey(1, key);
    ASSERT_TRUE(pub && priv);
    publicKey_ = *pub;
    privateKey_ = *priv;
    session_ = OpenSession(1);
  }
  CK_OBJECT_HANDLE publicKey_ = 0, privateKey_ = 0;
  CK_SESSION_HANDLE session_ = 0;
};

TEST_F(ModuleObjects, AttributesAreReadWithTheTwoCallRule) {
  CK_BYTE container[64] = {};
  CK_BYTE small[4] = {};
  CK_OBJECT_CLASS cls = 0;
  std::vector<CK_ATTRIBUTE> lengths = {Attr(CKA_CLASS, nullptr, 0), Attr(CKA_VENDOR_CONTAINER_NAME, nullptr, 0),
                                       Attr(CKA_MODULUS, nullptr, 0)};
  ASSERT_EQ(f_->C_GetAttributeValue(session_, publicKey_, lengths.data(), 3), CKR_OK);
  EXPECT_EQ(lengths[0].ulValueLen, sizeof(CK_OBJECT_CLASS));
  EXPECT_EQ(lengths[1].ulValueLen, std::strlen("container-one"));
  EXPECT_EQ(lengths[2].ulValueLen, 128u);

  std::vector<CK_ATTRIBUTE> values = {Attr(CKA_CLASS, &cls, sizeof(cls)),
                                      Attr(CKA_VENDOR_CONTAINER_NAME, container, sizeof(container)),
                                      Attr(CKA_MODULUS, small, sizeof(small))};
  EXPECT_EQ(f_->C_GetAttributeValue(session_, publicKey_, values.data(), 3), CKR_BUFFER_TOO_SMALL);
  EXPECT_EQ(cls, CKO_PUBLIC_KEY);
  EXPECT_EQ(values[1].ulValueLen, std::strlen("container-one"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(container), values[1].ulValueLen), "container-one");
  EXPECT_EQ(values[2].ulValueLen, CK_UNAVAILABLE_INFORMATION);

  CK_ATTRIBUTE unknown[] = {Attr(0x8000ABCD, nullptr, 0), Attr(CKA_LABEL, nullptr, 0)};
  EXPECT_EQ(f_->C_GetAttributeValue(session_, publicKey_, unknown, 2), CKR_ATTRIBUTE_TYPE_INVALID);
  EXPECT_EQ(unknown[0].ulValueLen, CK_UNAVAILABLE_INFORMATION);
  EXPECT_EQ(unknown[1].ulValueLen, std::strlen("Signing key"));
  EXPECT_EQ(f_->C_GetAttributeValue(session_, 999999, lengths.data(), 1), CKR_OBJECT_HANDLE_INVALID);
}

TEST_F(ModuleObjects, PrivateKeysStayHiddenUntilLogin) {
  CK_OBJECT_CLASS privateClass = CKO_PRIVATE_KEY;
  CK_BBOOL yes = CK_TRUE;
  std::vector<CK_ATTRIBUTE> pattern = {Attr(CKA_CLASS, &privateClass, sizeof(privateClass)),
                                       Attr(CKA_TOKEN, &yes, 1)};
  EXPECT_TRUE(Find(session_, pattern).empty());
  CK_ATTRIBUTE label = Attr(CKA_LABEL, nullptr, 0);
  EXPECT_EQ(f_->C_GetAttributeValue(session_, privateKey_, &label, 1), CKR_OBJECT_HANDLE_INVALID);
  ASSERT_EQ(Login(session_, "12345678"), CKR_OK);
  EXPECT_EQ(Find(session_, pattern), std::vector<CK_OBJECT_HANDLE>{privateKey_});
  EXPECT_EQ(f_->C_GetAttributeValue(session_, privateKey_, &label, 1), CKR_OK);
  ASSERT_EQ(f_->C_Logout(session_), CKR_OK);
  EXPECT_TRUE(Find(session_, pattern).empty());
}

TEST_F(ModuleObjects, FindComparesTemplateBytesExactly) {
  CK_OBJECT_CLASS publicClass = CKO_PUBLIC_KEY;
  CK_KEY_TYPE rsa = CKK_RSA;
  CK_BYTE id[] = {1, 2, 3};
  char container[] = "container-one";
  std::vector<CK_BYTE> modulus(128, 0xA5);
  struct Case {
    const char* name;
    std::vector<CK_ATTRIBUTE> pattern;
    size_t expected;
  };
  const Case cases[] = {
      {"class", {Attr(CKA_CLASS, &publicClass, sizeof(publicClass))}, 1},
      {"everything the register asks for",
       {Attr(CKA_CLASS, &publicClass, sizeof(publicClass)), Attr(CKA_KEY_TYPE, &rsa, sizeof(rsa)),
        Attr(CKA_ID, id, sizeof(id)), Attr(CKA_VENDOR_CONTAINER_NAME, container, sizeof(container) - 1)},
       1},
      {"modulus", {Attr(CKA_CLASS, &publicClass, sizeof(publicClass)), Attr(CKA_MODULUS, modulus.data(), 128)}, 1},
      {"container with its terminator", {Attr(CKA_VENDOR_CONTAINER_NAME, container, sizeof(container))}, 0},
      {"shorter id", {Attr(CKA_ID, id, 2)}, 0},
      {"empty template", {}, 1},  // the private key is hidden
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Find(session_, c.pattern).size(), c.expected);
  }
  EXPECT_EQ(f_->C_FindObjectsInit(session_, nullptr, 0), CKR_OK);
  EXPECT_EQ(f_->C_FindObjectsInit(session_, nullptr, 0), CKR_OPERATION_ACTIVE);
  EXPECT_EQ(f_->C_FindObjectsFinal(session_), CKR_OK);
  CK_ULONG count = 0;
  CK_OBJECT_HANDLE handle = 0;
  EXPECT_EQ(f_->C_FindObjects(session_, &handle, 1, &count), CKR_OPERATION_NOT_INITIALIZED);
}

TEST_F(ModuleObjects, CreateSetAndDestroyRaiseObjectEvents) {
  // Events from before this process's C_Initialize are not reported.
  ASSERT_EQ(f_->C_Finalize(nullptr), CKR_OK);
  ASSERT_EQ(f_->C_Initialize(nullptr), CKR_OK);
  session_ = OpenSession(1);
  CK_OBJECT_CLASS dataClass = CKO_DATA;
  char label[] = "note";
  CK_ATTRIBUTE created[] = {Attr(CKA_CLASS, &dataClass, sizeof(dataClass)), Attr(CKA_LABEL, label, 4)};
  CK_OBJECT_HANDLE object = 0;
  CK_SESSION_HANDLE readOnly = OpenSession(1, CKF_SERIAL_SESSION);
  EXPECT_EQ(f_->C_CreateObject(readOnly, created, 2, &object), CKR_SESSION_READ_ONLY);
  EXPECT_EQ(f_->C_CreateObject(session_, created + 1, 1, &object), CKR_TEMPLATE_INCOMPLETE);
  ASSERT_EQ(f_->C_CreateObject(session_, created, 2, &object), CKR_OK);

  char renamed[] = "renamed";
  CK_ATTRIBUTE change = Attr(CKA_LABEL, renamed, 7);
  ASSERT_EQ(f_->C_SetAttributeValue(session_, object, &change, 1), CKR_OK);
  ASSERT_EQ(f_->C_SetAttributeValue(session_, object, &change, 1), CKR_OK);  // same value: no event
  CK_ATTRIBUTE classChange = Attr(CKA_CLASS, &dataClass, 2);
  EXPECT_EQ(f_->C_SetAttributeValue(session_, object, &classChange, 1), CKR_ATTRIBUTE_VALUE_INVALID);
  ASSERT_EQ(f_->C_DestroyObject(session_, object), CKR_OK);
  EXPECT_EQ(f_->C_DestroyObject(session_, object), CKR_OBJECT_HANDLE_INVALID);

  // The private object needs a login to be made.
  CK_OBJECT_CLASS privateClass = CKO_PRIVATE_KEY;
  CK_ATTRIBUTE privateKey[] = {Attr(CKA_CLASS, &privateClass, sizeof(privateClass))};
  CK_OBJECT_HANDLE hidden = 0;
  EXPECT_EQ(f_->C_CreateObject(session_, privateKey, 1, &hidden), CKR_USER_NOT_LOGGED_IN);

  CK_SLOT_ID slot = 0;
  CK_ULONG code = 0, extra = 0;
  std::vector<std::pair<CK_ULONG, CK_ULONG>> seen;
  while (aux_->AuxWaitTokenEvent(CKF_DONT_BLOCK, &slot, &code, &extra, nullptr) == CKR_OK) {
    EXPECT_EQ(slot, 1u);
    seen.push_back({code, extra});
  }
  const std::vector<std::pair<CK_ULONG, CK_ULONG>> expected = {{3, object}, {5, object}, {4, object}};
  EXPECT_EQ(seen, expected);
}

TEST_F(ModuleObjects, AuxiliaryLabelChangeChecksThePin) {
  auto setLabel = [&](const wchar_t* pin, const char* label) {
    return aux_->AuxSetTokenLabel(1, CKU_USER, pin, CK_ULONG(std::wcslen(pin)), label);
  };
  ASSERT_EQ(setLabel(L"12345678", "Token của tôi"), CKR_OK);
  EXPECT_EQ(Trimmed(TokenInfo(1).label, 32), "Token của tôi");
  EXPECT_EQ(setLabel(L"00000000", "Other"), CKR_PIN_INCORRECT);
  CK_BYTE info[8] = {};
  ASSERT_EQ(aux_->AuxGetPinInfo(1, info), CKR_OK);
  EXPECT_EQ(info[3], 4);
  // 33 bytes do not fit the label field: refused, the label stays.
  EXPECT_EQ(setLabel(L"12345678", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"), CKR_ARGUMENTS_BAD);
  EXPECT_EQ(setLabel(L"12345678", "\xC3"), CKR_ARGUMENTS_BAD);  // cut UTF-8
  EXPECT_EQ(Trimmed(TokenInfo(1).label, 32), "Token của tôi");
  ASSERT_EQ(setLabel(L"12345678", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"), CKR_OK);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(TokenInfo(1).label), 32), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(aux_->AuxGetPinInfo(1, nullptr), CKR_ARGUMENTS_BAD);
  EXPECT_EQ(aux_->AuxGetPinInfo(7, info), CKR_SLOT_ID_INVALID);
}

}  // namespace
}  // namespace simtest
