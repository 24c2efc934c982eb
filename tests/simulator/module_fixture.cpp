#include "tests/simulator/module_fixture.h"

#include "platform/win/system_paths.h"

namespace simtest {

const std::wstring& PrivateHome() {
  static const std::wstring home = [] {
    std::wstring folder = win::TempFolder() + L"vlx-sim-test-" + std::to_wstring(::GetCurrentProcessId());
    ::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", folder.c_str());
    return folder;
  }();
  return home;
}

const ModuleBinding& Module() {
  static const ModuleBinding binding = [] {
    PrivateHome();  // before the module reads the variable
    ModuleBinding b;
    b.module = ::LoadLibraryW(L"vlxca_v4.dll");
    if (!b.module) return b;
    auto getList = reinterpret_cast<CK_C_GetFunctionList>(reinterpret_cast<void*>(::GetProcAddress(b.module, "C_GetFunctionList")));
    auto getAux = reinterpret_cast<CK_E_GetAuxFunctionList>(reinterpret_cast<void*>(::GetProcAddress(b.module, "E_GetAuxFunctionList")));
    if (!getList || !getAux || getList(&b.functions) != CKR_OK || getAux(&b.aux) != CKR_OK) {
      b.functions = nullptr;
      b.aux = nullptr;
    }
    return b;
  }();
  return binding;
}

void ModuleTest::SetUp() {
  const ModuleBinding& binding = Module();
  ASSERT_NE(binding.functions, nullptr) << "vlxca_v4.dll did not bind";
  f_ = binding.functions;
  aux_ = binding.aux;
  ASSERT_TRUE(control_.Reset());
  ASSERT_EQ(f_->C_Initialize(nullptr), CKR_OK);
  initialized_ = true;
}

void ModuleTest::TearDown() {
  if (initialized_) f_->C_Finalize(nullptr);
}

CK_SESSION_HANDLE ModuleTest::OpenSession(CK_SLOT_ID slot, CK_FLAGS flags) {
  CK_SESSION_HANDLE session = 0;
  EXPECT_EQ(f_->C_OpenSession(slot, flags, nullptr, nullptr, &session), CKR_OK);
  return session;
}

CK_RV ModuleTest::Login(CK_SESSION_HANDLE session, const std::string& pin) {
  return f_->C_Login(session, CKU_USER, reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                     static_cast<CK_ULONG>(pin.size()));
}

std::vector<CK_OBJECT_HANDLE> ModuleTest::Find(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE> pattern) {
  std::vector<CK_OBJECT_HANDLE> found;
  EXPECT_EQ(f_->C_FindObjectsInit(session, pattern.data(), static_cast<CK_ULONG>(pattern.size())), CKR_OK);
  CK_OBJECT_HANDLE handle = 0;
  CK_ULONG count = 0;
  while (f_->C_FindObjects(session, &handle, 1, &count) == CKR_OK && count == 1) found.push_back(handle);
  EXPECT_EQ(f_->C_FindObjectsFinal(session), CKR_OK);
  return found;
}

CK_TOKEN_INFO ModuleTest::TokenInfo(CK_SLOT_ID slot) {
  CK_TOKEN_INFO info{};
  EXPECT_EQ(f_->C_GetTokenInfo(slot, &info), CKR_OK);
  return info;
}

std::string Trimmed(const unsigned char* field, size_t width) {
  size_t length = width;
  while (length > 0 && field[length - 1] == ' ') --length;
  return std::string(reinterpret_cast<const char*>(field), length);
}

namespace {

// The private home goes when the test program ends.
class PrivateHomeCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    const std::wstring& home = PrivateHome();
    ::DeleteFileW((home + L"\\state.json").c_str());
    ::RemoveDirectoryW(home.c_str());
  }
};

::testing::Environment* const gCleanup = ::testing::AddGlobalTestEnvironment(new PrivateHomeCleanup);

}  // namespace

}  // namespace simtest
