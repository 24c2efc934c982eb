#include "simulator/module/library.h"

#include <cstring>

namespace vsim {

namespace {

std::mutex gInstanceMutex;
std::shared_ptr<Library> gInstance;

}  // namespace

std::string PinText(const CK_UTF8CHAR* pin, CK_ULONG length) {
  if (!pin || length == 0) return {};
  return std::string(reinterpret_cast<const char*>(pin), length);
}

CK_RV Library::Initialize(CK_VOID_PTR initArgs) {
  if (initArgs) {
    const auto* args = static_cast<const CK_C_INITIALIZE_ARGS*>(initArgs);
    if (args->pReserved) return CKR_ARGUMENTS_BAD;
    const int given = (args->CreateMutex != nullptr) + (args->DestroyMutex != nullptr) +
                      (args->LockMutex != nullptr) + (args->UnlockMutex != nullptr);
    if (given != 0 && given != 4) return CKR_ARGUMENTS_BAD;
  }
  std::lock_guard<std::mutex> lock(gInstanceMutex);
  if (gInstance) return CKR_CRYPTOKI_ALREADY_INITIALIZED;
  std::string error;
  std::unique_ptr<StateStore> store = StateStore::Open(ResolveHome(), error);
  if (!store) return CKR_DEVICE_ERROR;
  // Events raised before this process initialised the module are not its business.
  std::uint64_t first = 1;
  if (!store->Read([&](const State& state) { first = state.nextSequence; }, error)) return CKR_DEVICE_ERROR;
  gInstance = std::make_shared<Library>(std::move(store), first);
  return CKR_OK;
}

CK_RV Library::Finalize(CK_VOID_PTR reserved) {
  if (reserved) return CKR_ARGUMENTS_BAD;
  std::shared_ptr<Library> instance;
  {
    std::lock_guard<std::mutex> lock(gInstanceMutex);
    if (!gInstance) return CKR_CRYPTOKI_NOT_INITIALIZED;
    instance = std::move(gInstance);
    gInstance.reset();
  }
  // Threads blocked in an event wait hold their own reference; this releases them.
  ::SetEvent(instance->finalized_.get());
  return CKR_OK;
}

std::shared_ptr<Library> Library::Current() {
  std::lock_guard<std::mutex> lock(gInstanceMutex);
  return gInstance;
}

Library::Library(std::unique_ptr<StateStore> store, std::uint64_t firstSequence)
    : store_(std::move(store)),
      finalized_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      tokenEventCursor_(firstSequence),
      slotEventCursor_(firstSequence) {}

CK_RV Library::CheckSession(const State& state, CK_SESSION_HANDLE handle, Session** session) {
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return CKR_SESSION_HANDLE_INVALID;
  const Slot* slot = state.FindSlot(it->second.slot);
  if (!slot || !slot->token || !slot->present) {
    // The token left: its sessions and login are gone.
    DropSessionsOf(it->second.slot);
    return CKR_DEVICE_REMOVED;
  }
  if (slot->epoch != it->second.epoch) {
    DropStaleSessionsOf(it->second.slot, slot->epoch);
    return CKR_SESSION_HANDLE_INVALID;
  }
  *session = &it->second;
  return CKR_OK;
}

void Library::DropSessionsOf(CK_SLOT_ID slot) {
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->second.slot == slot) {
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
  logins_.erase(slot);
}

void Library::DropStaleSessionsOf(CK_SLOT_ID slot, std::uint64_t currentEpoch) {
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->second.slot == slot && it->second.epoch != currentEpoch) {
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
  auto login = logins_.find(slot);
  if (login != logins_.end() && login->second.epoch != currentEpoch) logins_.erase(login);
}

const Library::LoginState* Library::LoginOf(CK_SLOT_ID slot, std::uint64_t epoch) const {
  auto it = logins_.find(slot);
  if (it == logins_.end() || it->second.epoch != epoch) return nullptr;
  return &it->second;
}

bool Library::UserLoggedIn(const Session& session) const {
  const LoginState* login = LoginOf(session.slot, session.epoch);
  return login && login->user == CKU_USER;
}

bool Library::Visible(const TokenObject& object, const Session& session) const {
  return !object.IsPrivate() || UserLoggedIn(session);
}

}  // namespace vsim
