// The token simulator for the manager's tests: a private simulator home for the test process
// (set before the module is first initialised) and a token in a slot that is not slot 0.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "simulator/tool/token_control.h"
#include "tests/manager/support/product_key.h"

namespace manager_test {

constexpr CK_SLOT_ID kTokenSlot = 3;
constexpr char kUserPin[] = "12345678";
constexpr wchar_t kUserPinW[] = L"12345678";

// Registered once per test program (by simulated_token.cpp): gives the module and the control library one private home.
class SimulatorHome : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static vtoken::TokenControl& Control();

 private:
  std::unique_ptr<TempFolder> folder_;
};

// Wipes the simulator state; tests then create what they need.
class SimulatedTokenTest : public ::testing::Test {
 protected:
  void SetUp() override;
  vtoken::TokenControl& control() { return SimulatorHome::Control(); }
  // A present token in kTokenSlot with the user PIN kUserPin.
  void CreateToken(const vtoken::TokenSpec& spec = {}, bool inserted = true);
};

}  // namespace manager_test
