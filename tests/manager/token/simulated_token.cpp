#include "tests/manager/token/simulated_token.h"

#include <windows.h>

namespace manager_test {
namespace {
std::unique_ptr<vtoken::TokenControl> g_control;
}

void SimulatorHome::SetUp() {
  folder_ = std::make_unique<TempFolder>();
  ::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", folder_->Path().c_str());
  g_control = std::make_unique<vtoken::TokenControl>(folder_->Path());
}

void SimulatorHome::TearDown() {
  g_control.reset();
  folder_.reset();
}

vtoken::TokenControl& SimulatorHome::Control() { return *g_control; }

void SimulatedTokenTest::SetUp() {
  const vtoken::Status reset = control().Reset();
  ASSERT_TRUE(reset) << reset.message;
}

void SimulatedTokenTest::CreateToken(const vtoken::TokenSpec& spec, bool inserted) {
  vtoken::TokenSpec withPin = spec;
  withPin.userPin = kUserPin;
  const vtoken::Status created = control().CreateToken(kTokenSlot, withPin, inserted);
  ASSERT_TRUE(created) << created.message;
}

}  // namespace manager_test

// Every test program that links this file gets the private home.
static ::testing::Environment* const g_simulatorHome =
    ::testing::AddGlobalTestEnvironment(new manager_test::SimulatorHome);
