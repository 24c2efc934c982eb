// One initialised instance of the simulated PKCS#11 module in this process: between C_Initialize
// and C_Finalize. It keeps what a real module keeps per process (sessions, the login state of
// each token, the event read positions) and works on the shared state for everything else.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/pkcs11/pkcs11_types.h"
#include "platform/win/unique_handle.h"
#include "simulator/state/state_store.h"

namespace vsim {

struct Session {
  CK_SLOT_ID slot = 0;
  std::uint64_t epoch = 0;  // the token insertion the session belongs to
  CK_FLAGS flags = 0;
  bool findActive = false;
  std::vector<CK_OBJECT_HANDLE> found;
  size_t findPosition = 0;
};

class Library {
 public:
  // The module-wide entry points: one instance at a time.
  static CK_RV Initialize(CK_VOID_PTR initArgs);
  static CK_RV Finalize(CK_VOID_PTR reserved);
  static std::shared_ptr<Library> Current();

  Library(std::unique_ptr<StateStore> store, std::uint64_t firstSequence);

  // Slots and tokens (library_slots.cpp)
  CK_RV GetInfo(CK_INFO_PTR info);
  CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count);
  CK_RV GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info);
  CK_RV GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info);
  CK_RV GetPinInfo(CK_SLOT_ID slot, CK_BYTE* info8);
  CK_RV SetTokenLabel(CK_SLOT_ID slot, CK_USER_TYPE user, const wchar_t* pin, CK_ULONG pinLength, const char* label);

  // Sessions and login (library_sessions.cpp)
  CK_RV OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session);
  CK_RV CloseSession(CK_SESSION_HANDLE session);
  CK_RV CloseAllSessions(CK_SLOT_ID slot);
  CK_RV GetSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info);
  CK_RV Login(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength);
  CK_RV Logout(CK_SESSION_HANDLE session);
  CK_RV SetPin(CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength, CK_UTF8CHAR_PTR newPin,
               CK_ULONG newLength);

  // Objects (library_objects.cpp)
  CK_RV CreateObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes, CK_ULONG count,
                     CK_OBJECT_HANDLE_PTR object);
  CK_RV DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
  CK_RV GetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attributes,
                          CK_ULONG count);
  CK_RV SetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attributes,
                          CK_ULONG count);
  CK_RV FindObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes, CK_ULONG count);
  CK_RV FindObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects, CK_ULONG maxCount, CK_ULONG_PTR count);
  CK_RV FindObjectsFinal(CK_SESSION_HANDLE session);

  // Events (library_events.cpp)
  CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot);
  CK_RV WaitTokenEvent(CK_ULONG flags, CK_ULONG* slot, CK_ULONG* code, CK_ULONG* extra);

 private:
  struct LoginState {
    std::uint64_t epoch = 0;
    CK_USER_TYPE user = CKU_USER;
  };

  // Runs f(state) under the store's lock; a store failure is CKR_DEVICE_ERROR.
  template <typename F>
  CK_RV Reading(F&& f);
  // Runs f(state, changed); the state is saved when f sets changed.
  template <typename F>
  CK_RV Changing(F&& f);

  // Finds the session and checks that its token is still the one it was opened on.
  CK_RV CheckSession(const State& state, CK_SESSION_HANDLE handle, Session** session);
  const LoginState* LoginOf(CK_SLOT_ID slot, std::uint64_t epoch) const;
  bool UserLoggedIn(const Session& session) const;
  bool Visible(const TokenObject& object, const Session& session) const;
  CK_RV CheckUserPin(State& state, Token& token, const std::string& pin, bool& changed);
  void DropSessionsOf(CK_SLOT_ID slot);
  // Drops the sessions and the login of earlier insertions of the slot's token only.
  void DropStaleSessionsOf(CK_SLOT_ID slot, std::uint64_t currentEpoch);
  // Takes the next event after the cursor; slotOnly skips all but insertion and removal.
  CK_RV NextEvent(std::uint64_t& cursor, bool slotOnly, Event& event, bool& found);
  // Blocks until the shared state changes after `generation` or C_Finalize; false on finalise.
  bool WaitForChange(std::uint64_t generation);
  // The next event at the cursor (only insertions and removals when slotOnly), waiting for one
  // unless CKF_DONT_BLOCK is given.
  CK_RV AwaitEvent(std::uint64_t& cursor, bool slotOnly, CK_FLAGS flags, Event& event);

  std::recursive_mutex mutex_;
  std::unique_ptr<StateStore> store_;
  win::UniqueHandle finalized_;
  std::map<CK_SESSION_HANDLE, Session> sessions_;
  CK_SESSION_HANDLE nextSession_ = 1;
  std::map<CK_SLOT_ID, LoginState> logins_;
  std::uint64_t tokenEventCursor_;
  std::uint64_t slotEventCursor_;
};

template <typename F>
CK_RV Library::Reading(F&& f) {
  CK_RV rv = CKR_OK;
  std::string error;
  if (!store_->Read([&](const State& state) { rv = f(state); }, error)) return CKR_DEVICE_ERROR;
  return rv;
}

template <typename F>
CK_RV Library::Changing(F&& f) {
  CK_RV rv = CKR_OK;
  std::string error;
  const bool stored = store_->Update(
      [&](State& state) {
        bool changed = false;
        rv = f(state, changed);
        return changed;
      },
      error);
  return stored ? rv : CKR_DEVICE_ERROR;
}

// The text of a PIN given as bytes with a length; empty for a null pointer.
std::string PinText(const CK_UTF8CHAR* pin, CK_ULONG length);

}  // namespace vsim
