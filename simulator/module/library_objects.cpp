// Objects: creation, destruction, attribute reads and writes with the standard's two-call rule,
// and searches by template. Private objects stay invisible until the user is logged in.
#include <cstring>

#include "simulator/module/library.h"

namespace vsim {

namespace {

// Reads a caller's template into a map; duplicate types or a null value with a length are bad.
CK_RV ReadTemplate(CK_ATTRIBUTE_PTR attributes, CK_ULONG count, std::map<CK_ATTRIBUTE_TYPE, Bytes>& out,
                   bool refuseDuplicates) {
  if (!attributes && count > 0) return CKR_ARGUMENTS_BAD;
  for (CK_ULONG i = 0; i < count; ++i) {
    const CK_ATTRIBUTE& a = attributes[i];
    if (!a.pValue && a.ulValueLen > 0) return CKR_ARGUMENTS_BAD;
    if (a.ulValueLen == CK_UNAVAILABLE_INFORMATION) return CKR_ATTRIBUTE_VALUE_INVALID;
    if (refuseDuplicates && out.count(a.type)) return CKR_TEMPLATE_INCONSISTENT;
    const auto* bytes = static_cast<const unsigned char*>(a.pValue);
    out[a.type] = bytes ? Bytes(bytes, bytes + a.ulValueLen) : Bytes();
  }
  return CKR_OK;
}

bool IsBooleanAttribute(CK_ATTRIBUTE_TYPE type) {
  switch (type) {
    case CKA_TOKEN: case CKA_PRIVATE: case CKA_SENSITIVE: case CKA_ENCRYPT: case CKA_DECRYPT:
    case CKA_WRAP: case CKA_UNWRAP: case CKA_SIGN: case CKA_SIGN_RECOVER: case CKA_VERIFY:
    case CKA_VERIFY_RECOVER: case CKA_DERIVE: case CKA_EXTRACTABLE: case CKA_LOCAL: case CKA_MODIFIABLE:
    case CKA_TRUSTED:
      return true;
    default:
      return false;
  }
}

// Values the token would reject outright: a boolean that is not one byte, a class that is not
// a CK_ULONG.
CK_RV CheckValues(const std::map<CK_ATTRIBUTE_TYPE, Bytes>& values) {
  for (const auto& [type, value] : values) {
    if (IsBooleanAttribute(type) && value.size() != 1) return CKR_ATTRIBUTE_VALUE_INVALID;
    if ((type == CKA_CLASS || type == CKA_KEY_TYPE || type == CKA_CERTIFICATE_TYPE) &&
        value.size() != sizeof(CK_ULONG)) {
      return CKR_ATTRIBUTE_VALUE_INVALID;
    }
  }
  return CKR_OK;
}

}  // namespace

CK_RV Library::CreateObject(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR attributes, CK_ULONG count,
                            CK_OBJECT_HANDLE_PTR object) {
  if (!object) return CKR_ARGUMENTS_BAD;
  std::map<CK_ATTRIBUTE_TYPE, Bytes> values;
  if (CK_RV rv = ReadTemplate(attributes, count, values, true)) return rv;
  if (!values.count(CKA_CLASS)) return CKR_TEMPLATE_INCOMPLETE;
  if (CK_RV rv = CheckValues(values)) return rv;
  // The simulator keeps token objects only; session objects are refused rather than kept
  // past the session.
  if (!values.count(CKA_TOKEN)) values[CKA_TOKEN] = BoolBytes(true);
  if (values[CKA_TOKEN][0] == CK_FALSE) return CKR_ATTRIBUTE_VALUE_INVALID;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Changing([&](State& state, bool& changed) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!(session->flags & CKF_RW_SESSION)) return CKR_SESSION_READ_ONLY;
    TokenObject created;
    created.attributes = values;
    if (!created.Find(CKA_PRIVATE)) {
      created.attributes[CKA_PRIVATE] = BoolBytes(created.Ulong(CKA_CLASS) == CK_ULONG(CKO_PRIVATE_KEY));
    }
    if (created.IsPrivate() && !UserLoggedIn(*session)) return CKR_USER_NOT_LOGGED_IN;
    created.handle = state.NewHandle();
    state.FindToken(session->slot)->objects.push_back(created);
    state.AddEvent(session->slot, kTokenEventObjectCreated, created.handle);
    changed = true;
    *object = created.handle;
    return CKR_OK;
  });
}

CK_RV Library::DestroyObject(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Changing([&](State& state, bool& changed) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!(session->flags & CKF_RW_SESSION)) return CKR_SESSION_READ_ONLY;
    Token& token = *state.FindToken(session->slot);
    const TokenObject* found = token.FindObject(object);
    if (!found || !Visible(*found, *session)) return CKR_OBJECT_HANDLE_INVALID;
    token.RemoveObject(object);
    state.AddEvent(session->slot, kTokenEventObjectDestroyed, object);
    changed = true;
    return CKR_OK;
  });
}

CK_RV Library::GetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attributes,
                                 CK_ULONG count) {
  if (!attributes && count > 0) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    const Token& token = *state.FindSlot(session->slot)->token;
    const TokenObject* found = token.FindObject(object);
    if (!found || !Visible(*found, *session)) return CKR_OBJECT_HANDLE_INVALID;
    // Every attribute is processed; an unknown type outranks a short buffer in the result.
    bool invalid = false, tooSmall = false;
    for (CK_ULONG i = 0; i < count; ++i) {
      CK_ATTRIBUTE& a = attributes[i];
      const Bytes* value = found->Find(a.type);
      if (!value) {
        a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
        invalid = true;
      } else if (!a.pValue) {
        a.ulValueLen = static_cast<CK_ULONG>(value->size());
      } else if (a.ulValueLen >= value->size()) {
        if (!value->empty()) std::memcpy(a.pValue, value->data(), value->size());
        a.ulValueLen = static_cast<CK_ULONG>(value->size());
      } else {
        a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
        tooSmall = true;
      }
    }
    if (invalid) return CKR_ATTRIBUTE_TYPE_INVALID;
    if (tooSmall) return CKR_BUFFER_TOO_SMALL;
    return CKR_OK;
  });
}

CK_RV Library::SetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR attributes,
                                 CK_ULONG count) {
  std::map<CK_ATTRIBUTE_TYPE, Bytes> values;
  if (CK_RV rv = ReadTemplate(attributes, count, values, false)) return rv;
  if (CK_RV rv = CheckValues(values)) return rv;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Changing([&](State& state, bool& changed) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!(session->flags & CKF_RW_SESSION)) return CKR_SESSION_READ_ONLY;
    TokenObject* found = state.FindToken(session->slot)->FindObject(object);
    if (!found || !Visible(*found, *session)) return CKR_OBJECT_HANDLE_INVALID;
    // What an object is and where it lives cannot change after creation.
    for (CK_ATTRIBUTE_TYPE fixed : {CKA_CLASS, CKA_TOKEN, CKA_PRIVATE}) {
      auto it = values.find(fixed);
      if (it != values.end()) {
        const Bytes* current = found->Find(fixed);
        if (!current || *current != it->second) return CKR_ATTRIBUTE_READ_ONLY;
      }
    }
    // Writing the values an object already has changes nothing and reports nothing.
    bool differs = false;
    for (const auto& [type, value] : values) {
      const Bytes* current = found->Find(type);
      differs = differs || !current || *current != value;
    }
    if (!differs) return CKR_OK;
    for (auto& [type, value] : values) found->attributes[type] = value;
    state.AddEvent(session->slot, kTokenEventObjectChanged, object);
    changed = true;
    return CKR_OK;
  });
}

CK_RV Library::FindObjectsInit(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
  std::map<CK_ATTRIBUTE_TYPE, Bytes> pattern;
  if (CK_RV rv = ReadTemplate(attributes, count, pattern, false)) return rv;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (session->findActive) return CKR_OPERATION_ACTIVE;
    session->found.clear();
    for (const auto& object : state.FindSlot(session->slot)->token->objects) {
      if (Visible(object, *session) && object.Matches(pattern)) session->found.push_back(object.handle);
    }
    session->findPosition = 0;
    session->findActive = true;
    return CKR_OK;
  });
}

CK_RV Library::FindObjects(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE_PTR objects, CK_ULONG maxCount,
                           CK_ULONG_PTR count) {
  if (!count || (!objects && maxCount > 0)) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!session->findActive) return CKR_OPERATION_NOT_INITIALIZED;
    CK_ULONG n = 0;
    while (n < maxCount && session->findPosition < session->found.size()) {
      objects[n++] = session->found[session->findPosition++];
    }
    *count = n;
    return CKR_OK;
  });
}

CK_RV Library::FindObjectsFinal(CK_SESSION_HANDLE handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!session->findActive) return CKR_OPERATION_NOT_INITIALIZED;
    session->findActive = false;
    session->found.clear();
    return CKR_OK;
  });
}

}  // namespace vsim
