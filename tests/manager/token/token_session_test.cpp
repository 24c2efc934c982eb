// Sessions, login, PIN change, PIN information and the token label against the simulated
// token, through the real LoadLibraryW binding.
#include <windows.h>

#include <gtest/gtest.h>

#include "manager/token/token_session.h"
#include "platform/win/text_conversion.h"
#include "tests/manager/token/simulated_token.h"

namespace {

using manager::TokenContext;
using manager_test::kTokenSlot;
using manager_test::kUserPinW;

class TokenSession : public manager_test::SimulatedTokenTest {
 protected:
  BYTE TriesLeft(TokenContext& context) {
    BYTE b0 = 0, b1 = 0, b2 = 0, b3 = 0xEE;
    EXPECT_EQ(manager::GetPinInfo(context, b0, b1, b2, b3), manager::kPinInfoRead);
    return b3;
  }
};

TEST_F(TokenSession, NoTokenUntilOneIsInserted) {
  TokenContext context;
  BYTE b0, b1, b2, b3;
  EXPECT_EQ(manager::OpenTokenSession(context), manager::kSessionNoToken) << "no slot at all";
  CreateToken({}, /*inserted=*/false);
  EXPECT_EQ(manager::OpenTokenSession(context), manager::kSessionNoToken) << "token not inserted";
  EXPECT_EQ(manager::GetPinInfo(context, b0, b1, b2, b3), manager::kPinInfoNoToken);
  ASSERT_TRUE(control().Insert(kTokenSlot));
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_NE(context.session, 0u);
  ASSERT_EQ(context.slots.size(), 1u);
  EXPECT_EQ(context.slots[0], kTokenSlot);
  EXPECT_EQ(manager::GetPinInfo(context, b0, b1, b2, b3), manager::kPinInfoRead);
}

TEST_F(TokenSession, LoginTwiceSucceedsBothTimes) {
  CreateToken();
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_EQ(manager::LoginUser(context, kUserPinW), 0);
  EXPECT_EQ(manager::LoginUser(context, kUserPinW), 0);
  EXPECT_TRUE(manager::LogoutUser(context));
}

TEST_F(TokenSession, WrongPinsCountDownTheTriesUntilLocked) {
  vtoken::TokenSpec spec;
  spec.userTriesMax = 3;
  spec.userTriesLeft = 3;
  CreateToken(spec);
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_EQ(TriesLeft(context), 3);
  EXPECT_EQ(manager::LoginUser(context, L"00000000"), 0xA0);
  EXPECT_EQ(TriesLeft(context), 2);
  EXPECT_EQ(manager::LoginUser(context, kUserPinW), 0) << "a right PIN resets the count";
  EXPECT_EQ(TriesLeft(context), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(manager::LoginUser(context, L"00000000"), 0xA0) << "try " << i;
  EXPECT_EQ(TriesLeft(context), 0);
  EXPECT_EQ(manager::LoginUser(context, kUserPinW), 0xA4) << "locked";
}

TEST_F(TokenSession, ChangeUserPin) {
  vtoken::TokenSpec spec;
  spec.pinToBeChanged = true;
  CreateToken(spec);
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  ASSERT_EQ(manager::LoginUser(context, kUserPinW), 0);
  EXPECT_EQ(manager::ChangeUserPin(context, L"99999999", L"24681357"), 0xA0) << "wrong old PIN";
  EXPECT_EQ(manager::ChangeUserPin(context, kUserPinW, L"12"), 0xA2) << "new PIN too short";
  EXPECT_EQ(manager::ChangeUserPin(context, kUserPinW, std::wstring(17, L'7')), 0xA2) << "new PIN too long";
  ASSERT_EQ(manager::ChangeUserPin(context, kUserPinW, L"24681357"), 0);
  auto token = control().ReadToken(kTokenSlot);
  ASSERT_TRUE(token) << token.message;
  EXPECT_EQ(token->flags & CKF_USER_PIN_TO_BE_CHANGED, 0u);

  TokenContext later;
  ASSERT_EQ(manager::OpenTokenSession(later), manager::kSessionOpen);
  EXPECT_EQ(manager::LoginUser(later, kUserPinW), 0xA0) << "the old PIN is gone";
  EXPECT_EQ(manager::LoginUser(later, L"24681357"), 0);
}

TEST_F(TokenSession, SetTokenLabelChecksThePin) {
  CreateToken();
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  const std::wstring label = L"Kh\x00f3\x61 c\x1EE7\x61 An";
  EXPECT_EQ(manager::SetTokenLabel(context, L"00000000", label), 0xA0);
  auto unchanged = control().ReadToken(kTokenSlot);
  ASSERT_TRUE(unchanged);
  EXPECT_EQ(unchanged->label, "VLX-CA Token");
  EXPECT_EQ(manager::SetTokenLabel(context, kUserPinW, label), 0);
  auto renamed = control().ReadToken(kTokenSlot);
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed->label, win::ToUtf8(label));
}

}  // namespace
