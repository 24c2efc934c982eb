// Loads vlxca_v4.dll the way the programs do and gives each test a fresh simulator state in a
// home folder private to this test process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/pkcs11/pkcs11_types.h"
#include "simulator/tool/token_control.h"

namespace simtest {

// VLX_TOKEN_HOME of this process: a folder under the temporary folder named after the pid.
const std::wstring& PrivateHome();

// The module, bound once per process like the programs bind it.
struct ModuleBinding {
  HMODULE module = nullptr;
  CK_FUNCTION_LIST_PTR functions = nullptr;
  AUX_FUNCTION_LIST_PTR aux = nullptr;
};
const ModuleBinding& Module();

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates a token in the slot with the default spec changed by `edit`.
  template <typename Edit>
  void CreateToken(CK_SLOT_ID slot, Edit edit, bool inserted = true) {
    vtoken::TokenSpec spec;
    edit(spec);
    const vtoken::Status created = control_.CreateToken(slot, spec, inserted);
    ASSERT_TRUE(created) << created.message;
  }
  void CreateToken(CK_SLOT_ID slot) {
    CreateToken(slot, [](vtoken::TokenSpec&) {});
  }
  CK_SESSION_HANDLE OpenSession(CK_SLOT_ID slot, CK_FLAGS flags = CKF_SERIAL_SESSION | CKF_RW_SESSION);
  CK_RV Login(CK_SESSION_HANDLE session, const std::string& pin);
  std::vector<CK_OBJECT_HANDLE> Find(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE> pattern);
  CK_TOKEN_INFO TokenInfo(CK_SLOT_ID slot);

  CK_FUNCTION_LIST_PTR f_ = nullptr;
  AUX_FUNCTION_LIST_PTR aux_ = nullptr;
  vtoken::TokenControl control_{PrivateHome()};
  bool initialized_ = false;
};

std::string Trimmed(const unsigned char* field, size_t width);

}  // namespace simtest
