// The simulator's shared state: slots, their tokens, the tokens' objects and the event log.
// One State is loaded from and saved to the store of a simulator home (state_store.h); every
// process that uses the simulator (module, CSP, control tool) works on the same data.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/pkcs11/pkcs11_types.h"

namespace vsim {

using Bytes = std::vector<unsigned char>;

struct TokenObject {
  CK_OBJECT_HANDLE handle = 0;
  std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes;

  const Bytes* Find(CK_ATTRIBUTE_TYPE type) const;
  std::optional<CK_ULONG> Ulong(CK_ATTRIBUTE_TYPE type) const;
  // A boolean attribute that is present and true.
  bool IsTrue(CK_ATTRIBUTE_TYPE type) const;
  // Private objects (CKA_PRIVATE true) are visible only to a logged-in user.
  bool IsPrivate() const { return IsTrue(CKA_PRIVATE); }
  // Every attribute of the template is present with exactly these bytes.
  bool Matches(const std::map<CK_ATTRIBUTE_TYPE, Bytes>& pattern) const;
};

struct Token {
  std::string label;          // UTF-8, without padding (at most 32 bytes)
  std::string manufacturer;   // at most 32 bytes
  std::string model;          // at most 16 bytes
  std::string serial;         // at most 16 bytes
  CK_ULONG totalPublicMemory = 0, freePublicMemory = 0, totalPrivateMemory = 0, freePrivateMemory = 0;
  CK_VERSION hardwareVersion = {1, 0};
  CK_VERSION firmwareVersion = {1, 0};
  CK_ULONG minPinLength = 4, maxPinLength = 16;
  std::string pinSalt;        // hex
  std::string userPinHash;    // hex SHA-256 of salt and PIN
  std::string soPinHash;
  CK_ULONG userTriesMax = 5, userTriesLeft = 5;
  bool initialized = true;
  bool userPinInitialized = true;
  bool loginRequired = true;
  bool userPinToBeChanged = false;
  std::vector<TokenObject> objects;

  TokenObject* FindObject(CK_OBJECT_HANDLE handle);
  const TokenObject* FindObject(CK_OBJECT_HANDLE handle) const;
  bool RemoveObject(CK_OBJECT_HANDLE handle);
  // CK_TOKEN_INFO flags, the tries counter included.
  CK_FLAGS Flags() const;
  bool PinLocked() const { return userTriesLeft == 0; }
};

struct Slot {
  CK_SLOT_ID id = 0;
  std::string readerName;
  bool present = false;
  // Changes whenever the token in the slot is inserted, removed, created or deleted, so that
  // sessions and logins of an earlier insertion are recognised as gone.
  std::uint64_t epoch = 0;
  std::optional<Token> token;
};

struct Event {
  std::uint64_t sequence = 0;
  CK_SLOT_ID slot = 0;
  CK_ULONG code = 0;
  CK_ULONG value = 0;
};

struct State {
  std::vector<Slot> slots;           // sorted by id
  std::uint64_t nextHandle = 1;      // object handles are unique across all tokens, never reused
  std::uint64_t nextSequence = 1;    // sequence number of the next event
  std::uint64_t nextEpoch = 1;
  std::deque<Event> events;          // the newest kMaxEvents events

  static constexpr size_t kMaxEvents = 2000;

  Slot* FindSlot(CK_SLOT_ID id);
  const Slot* FindSlot(CK_SLOT_ID id) const;
  Slot& SlotFor(CK_SLOT_ID id);      // creates an empty slot when missing
  // The slot's token when the slot exists and a token is in it (present or not).
  Token* FindToken(CK_SLOT_ID id);
  CK_OBJECT_HANDLE NewHandle();
  void NewEpoch(Slot& slot) { slot.epoch = nextEpoch++; }
  void AddEvent(CK_SLOT_ID slot, CK_ULONG code, CK_ULONG value);
  // Finds the token and object of a handle in any slot.
  TokenObject* FindObject(CK_OBJECT_HANDLE handle, CK_SLOT_ID* slotOut = nullptr);
};

void to_json(nlohmann::json& out, const State& state);
void from_json(const nlohmann::json& in, State& state);

// Serialised form used by the store; Parse returns false on malformed text.
std::string SerializeState(const State& state);
bool ParseState(const std::string& text, State& state, std::string& error);

// Fills a fixed-width blank-padded PKCS#11 text field.
void CopyPadded(unsigned char* field, size_t width, const std::string& text);

// Lower-case hex text of the bytes, as the state file keeps attribute values and hashes.
std::string ToHex(const Bytes& bytes);

Bytes UlongBytes(CK_ULONG value);
Bytes BoolBytes(bool value);

}  // namespace vsim
