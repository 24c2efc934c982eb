// Pieces shared by the control library's source files; not part of its interface.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "simulator/state/token_state.h"
#include "simulator/tool/token_control.h"

namespace vtoken {

Status ToStatus(const std::string& error);

namespace detail {

// Runs the change on the home's state under its lock; returns an error text, empty on success.
// The state is saved only when the change succeeded and set `changed`.
std::string WithState(const std::wstring& home, const std::function<std::string(vsim::State&, bool&)>& change);
std::string ReadingState(const std::wstring& home, const std::function<std::string(const vsim::State&)>& reader);
std::string SlotName(CK_SLOT_ID slot);
vsim::Token* TokenIn(vsim::State& state, CK_SLOT_ID slot, std::string& error);
// Adds the object to the slot's token with a new handle and raises "object created".
std::string AddObjectTo(vsim::State& state, CK_SLOT_ID slot, std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes,
                        CK_OBJECT_HANDLE& handle);
std::map<CK_ATTRIBUTE_TYPE, Bytes> KeyAttributes(const KeySpec& key, bool isPrivate);
std::string CertificateAttributes(const Bytes& der, const std::string& container, const Bytes& id,
                                  const std::string& label, std::map<CK_ATTRIBUTE_TYPE, Bytes>& attributes);

}  // namespace detail

// Whole file, at most maxBytes; nothing when it cannot be read or is larger.
std::optional<Bytes> ReadWholeFile(const std::wstring& path, size_t maxBytes);
// The body of the first PEM block with this label ("CERTIFICATE", "PRIVATE KEY" ...), or the
// data itself when it holds no PEM armour at all. Nothing for armour without a valid body.
std::optional<Bytes> PemOrDer(const Bytes& data, const std::string& label);

}  // namespace vtoken
