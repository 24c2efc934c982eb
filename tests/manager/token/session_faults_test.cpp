// Every result code of OpenTokenSession and GetPinInfo, and what the PIN and label helpers hand
// to the module, against the scripted module (see fake_module.h).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "manager/token/token_session.h"
#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "tests/manager/token/fake_module.h"

namespace {

using manager::TokenContext;

class SessionFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::wstring path = win::DirectoryOf(win::ModuleFileName()) + L"\\fake_module\\vlxca_v4.dll";
    module_ = ::LoadLibraryW(path.c_str());
    ASSERT_NE(module_, nullptr) << "cannot load the scripted module";
    auto getControl = reinterpret_cast<fake_module::GetControlFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module_, "FakeModuleControl")));
    ASSERT_NE(getControl, nullptr);
    control_ = getControl();
  }

  void SetUp() override {
    ASSERT_NE(control_, nullptr);
    *control_ = fake_module::Control{};
  }

  fake_module::Script& script() { return control_->script; }
  fake_module::Record& record() { return control_->record; }

  static HMODULE module_;  // kept loaded: it stands in for the vendor module of this process
  static fake_module::Control* control_;
};
HMODULE SessionFaults::module_ = nullptr;
fake_module::Control* SessionFaults::control_ = nullptr;

TEST_F(SessionFaults, TheManagersBindingFindsTheScriptedModule) {
  TokenContext context;
  ASSERT_TRUE(manager::BindTokenLibrary(context));
  EXPECT_EQ(context.module.get(), module_);
}

TEST_F(SessionFaults, OpenTokenSessionReportsEachStep) {
  struct Case {
    const char* name;
    void (*arrange)(fake_module::Script&);
    BYTE expected;
  };
  const Case cases[] = {
      {"session open", [](fake_module::Script&) {}, manager::kSessionOpen},
      {"module refuses to initialise", [](fake_module::Script& s) { s.initializeResult = CKR_DEVICE_ERROR; },
       manager::kSessionBindFailed},
      {"count fails", [](fake_module::Script& s) { s.countResult = CKR_GENERAL_ERROR; },
       manager::kSessionBindFailed},
      {"no token", [](fake_module::Script& s) { s.count = 0; }, manager::kSessionNoToken},
      {"absurd count", [](fake_module::Script& s) { s.count = 0xFFFFFFFFul; }, manager::kSessionNoMemory},
      {"list fails", [](fake_module::Script& s) { s.listResult = CKR_BUFFER_TOO_SMALL; },
       manager::kSessionListFailed},
      {"list empty", [](fake_module::Script& s) { s.listed = 0; }, manager::kSessionListEmpty},
      {"open fails", [](fake_module::Script& s) { s.openResult = CKR_TOKEN_NOT_PRESENT; },
       manager::kSessionOpenFailed},
  };
  for (const Case& c : cases) {
    *control_ = fake_module::Control{};
    script().count = 2;
    script().listed = 2;
    // Each failure follows a good opening on the same context, as a page reopens its own.
    TokenContext context;
    ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen) << c.name;
    c.arrange(script());
    EXPECT_EQ(manager::OpenTokenSession(context), c.expected) << c.name;
    if (c.expected == manager::kSessionOpen) {
      EXPECT_EQ(context.session, script().session);
      ASSERT_EQ(context.slots.size(), 2u);
      EXPECT_EQ(context.slots[0], script().slot);
      EXPECT_EQ(record().openedSlot, script().slot) << "the session is opened on the first slot";
    } else {
      EXPECT_TRUE(context.slots.empty()) << c.name << ": the earlier opening's slots are gone";
    }
  }
}

TEST_F(SessionFaults, GetPinInfoReportsEachStep) {
  struct Case {
    const char* name;
    void (*arrange)(fake_module::Script&);
    BYTE expected;
  };
  const Case cases[] = {
      {"read", [](fake_module::Script&) {}, manager::kPinInfoRead},
      {"slot list fails", [](fake_module::Script& s) { s.listResult = CKR_GENERAL_ERROR; },
       manager::kPinInfoSlotListFailed},
      {"no token", [](fake_module::Script& s) { s.listed = 0; }, manager::kPinInfoNoToken},
      {"query fails", [](fake_module::Script& s) { s.pinInfoResult = CKR_FUNCTION_FAILED; },
       manager::kPinInfoQueryFailed},
  };
  for (const Case& c : cases) {
    *control_ = fake_module::Control{};
    c.arrange(script());
    TokenContext context;
    ASSERT_TRUE(manager::BindTokenLibrary(context));
    BYTE b[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(manager::GetPinInfo(context, b[0], b[1], b[2], b[3]), c.expected) << c.name;
    if (c.expected == manager::kPinInfoRead) {
      EXPECT_EQ(record().pinInfoSlot, script().slot);
      EXPECT_EQ(b[0], 1);
      EXPECT_EQ(b[3], 4) << "byte 3 is the tries left";
    }
  }
  TokenContext unbound;
  BYTE b0, b1, b2, b3;
  EXPECT_EQ(manager::GetPinInfo(unbound, b0, b1, b2, b3), manager::kPinInfoSlotListFailed);
}

TEST_F(SessionFaults, PinsReachTheModuleAsCodePageBytesOfTheirByteLength) {
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  const std::wstring pin = L"p\x00e9n1234";  // representable in the usual Western code pages
  const std::string bytes = win::ToNarrow(pin, CP_ACP);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(manager::LoginUser(context, pin), 0);
  EXPECT_EQ(record().logouts, 1) << "a logout comes first";
  EXPECT_EQ(record().loginPin, bytes);
  EXPECT_EQ(record().loginPinLength, bytes.size());

  script().loginResult = CKR_USER_ALREADY_LOGGED_IN;
  EXPECT_EQ(manager::LoginUser(context, pin), 0);
  script().loginResult = CKR_PIN_INCORRECT;
  EXPECT_EQ(manager::LoginUser(context, pin), 0xA0);
  script().loginResult = CKR_USER_PIN_NOT_INITIALIZED;  // 0x102: only the low byte is reported
  EXPECT_EQ(manager::LoginUser(context, pin), 0x02);

  script().loginResult = CKR_OK;
  EXPECT_EQ(manager::ChangeUserPin(context, L"1234", pin), 0);
  EXPECT_EQ(record().oldPin, "1234");
  EXPECT_EQ(record().newPin, bytes);
}

TEST_F(SessionFaults, PinWithCharactersTheCodePageLacksIsRefusedWithoutATry) {
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  const std::wstring pin = L"12\x4E2D\x6587";
  BOOL lossy = FALSE;
  ::WideCharToMultiByte(CP_ACP, 0, pin.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) GTEST_SKIP() << "this code page can spell the PIN";
  EXPECT_EQ(manager::LoginUser(context, pin), 0xA1);
  EXPECT_EQ(record().loginPinLength, 0u);
  EXPECT_TRUE(record().loginPin.empty()) << "the module never saw it";
}

TEST_F(SessionFaults, LabelGoesAsUtf8WithThePinsWideCharacters) {
  TokenContext context;
  EXPECT_EQ(manager::SetTokenLabel(context, L"1234", L"x"), 0x90) << "unbound";
  ASSERT_TRUE(manager::BindTokenLibrary(context));
  EXPECT_EQ(manager::SetTokenLabel(context, L"1234", L"x"), 0xE0) << "no session opened yet";
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  const std::wstring pin = L"12\x4E2D";
  EXPECT_EQ(manager::SetTokenLabel(context, pin, L"Kh\x00f3\x61 c\x1EE7\x61 An"), 0);
  EXPECT_EQ(record().labelSlot, script().slot);
  EXPECT_EQ(record().labelPin, pin);
  EXPECT_EQ(record().labelPinLength, 3u);
  EXPECT_EQ(record().label, win::ToUtf8(L"Kh\x00f3\x61 c\x1EE7\x61 An"));
  script().labelResult = CKR_PIN_INCORRECT;
  EXPECT_EQ(manager::SetTokenLabel(context, pin, L"y"), 0xA0);
}

TEST_F(SessionFaults, LogoutNeedsASession) {
  TokenContext context;
  EXPECT_FALSE(manager::LogoutUser(context));
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_TRUE(manager::LogoutUser(context));
  EXPECT_EQ(record().logouts, 1);
}

}  // namespace
