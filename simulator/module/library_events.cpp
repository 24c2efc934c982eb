// Event delivery. Every process reads the shared event log from where it stood at
// C_Initialize, with its own read position for AuxWaitTokenEvent (all events) and for
// C_WaitForSlotEvent (insertions and removals), so each event reaches each process once, in
// order. A waiting thread sleeps on the finalise event and looks at the shared generation
// counter between short waits: no CPU is burnt and C_Finalize releases it at once.
#include "simulator/module/library.h"

namespace vsim {

namespace {

constexpr DWORD kPollIntervalMs = 15;

}  // namespace

CK_RV Library::NextEvent(std::uint64_t& cursor, bool slotOnly, Event& event, bool& found) {
  found = false;
  return Reading([&](const State& state) {
    for (const Event& e : state.events) {
      if (e.sequence < cursor) continue;
      cursor = e.sequence + 1;
      if (slotOnly && e.code != kTokenEventInserted && e.code != kTokenEventRemoved) continue;
      event = e;
      found = true;
      return CKR_OK;
    }
    // Nothing pending: move to the end so that trimmed history is never revisited.
    if (cursor < state.nextSequence) cursor = state.nextSequence;
    return CKR_OK;
  });
}

bool Library::WaitForChange(std::uint64_t generation) {
  while (store_->Generation() == generation) {
    if (::WaitForSingleObject(finalized_.get(), kPollIntervalMs) == WAIT_OBJECT_0) return false;
  }
  return ::WaitForSingleObject(finalized_.get(), 0) != WAIT_OBJECT_0;
}

CK_RV Library::AwaitEvent(std::uint64_t& cursor, bool slotOnly, CK_FLAGS flags, Event& event) {
  for (;;) {
    if (::WaitForSingleObject(finalized_.get(), 0) == WAIT_OBJECT_0) return CKR_CRYPTOKI_NOT_INITIALIZED;
    const std::uint64_t generation = store_->Generation();
    bool found = false;
    CK_RV rv;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      rv = NextEvent(cursor, slotOnly, event, found);
    }
    if (rv == CKR_OK && found) return CKR_OK;
    if (flags & CKF_DONT_BLOCK) return rv == CKR_OK ? CKR_NO_EVENT : rv;
    // A store that cannot be read is waited out rather than reported: callers loop on errors.
    if (!WaitForChange(generation)) return CKR_CRYPTOKI_NOT_INITIALIZED;
  }
}

CK_RV Library::WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot) {
  if (!slot) return CKR_ARGUMENTS_BAD;
  Event event;
  const CK_RV rv = AwaitEvent(slotEventCursor_, true, flags, event);
  if (rv == CKR_OK) *slot = event.slot;
  return rv;
}

CK_RV Library::WaitTokenEvent(CK_ULONG flags, CK_ULONG* slot, CK_ULONG* code, CK_ULONG* extra) {
  if (!slot || !code || !extra) return CKR_ARGUMENTS_BAD;
  Event event;
  const CK_RV rv = AwaitEvent(tokenEventCursor_, false, flags, event);
  if (rv == CKR_OK) {
    *slot = event.slot;
    *code = event.code;
    *extra = event.value;
  }
  return rv;
}

}  // namespace vsim
