#include "certd/token/token_watcher.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "certd/support/product_record.h"
#include "certd/support/system_info.h"
#include "certd/support/text_utils.h"
#include "certd/token/personal_store.h"
#include "certd/token/web_address.h"
#include "platform/win/registry.h"

namespace vlx {
namespace {

// Attribute values larger than this are not certificates of ours and are not read.
constexpr CK_ULONG kLargestAttribute = 1024 * 1024;
constexpr DWORD kFriendlyNameSettleMs = 500;

using Guard = std::lock_guard<std::recursive_mutex>;

std::wstring ReaderNameOf(const CK_SLOT_INFO& info) {
  char description[sizeof(info.slotDescription) + 1] = {};
  std::memcpy(description, info.slotDescription, sizeof(info.slotDescription));
  for (size_t i = sizeof(info.slotDescription); i > 0 && description[i - 1] == ' '; --i) description[i - 1] = '\0';
  return ToWide(std::string(description), 0);
}

BOOL CALLBACK CloseThreadWindow(HWND window, LPARAM) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  return TRUE;
}

}  // namespace

// A session opened for one operation and closed when the operation returns.
class TokenWatcher::Session {
 public:
  Session(CK_FUNCTION_LIST* functions, CK_SLOT_ID slot) : functions_(functions) {
    result_ = functions_->C_OpenSession(slot, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &handle_);
    if (result_ != CKR_OK) handle_ = 0;
  }
  ~Session() { Close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  CK_RV OpenResult() const { return result_; }
  bool IsOpen() const { return result_ == CKR_OK; }
  CK_SESSION_HANDLE get() const { return handle_; }
  CK_RV Close() {
    if (result_ != CKR_OK) return result_;
    result_ = CKR_SESSION_HANDLE_INVALID;
    return functions_->C_CloseSession(handle_);
  }

 private:
  CK_FUNCTION_LIST* functions_;
  CK_SESSION_HANDLE handle_ = 0;
  CK_RV result_;
};

TokenWatcher::TokenWatcher(CertificateRegistrar* registrar)
    : registrar_(registrar), moduleName_(kProduct.moduleFileName) {}

TokenWatcher::~TokenWatcher() {
  // Finalising first releases the monitor from its wait, so stopping it cannot hang.
  UnloadTokenModule();
  StopTokenMonitor();
  Guard guard(lock_);
  tokens_.clear();
}

void TokenWatcher::SetProviderName(const std::wstring& name) { providerName_ = name.substr(0, 259); }

TokenRecord* TokenWatcher::FindToken(CK_SLOT_ID slot) const {
  for (const auto& token : tokens_) {
    if (token->slot == slot) return token.get();
  }
  return nullptr;
}

bool TokenWatcher::Register(CK_SLOT_ID slot, CertificateRecord& record) {
  const bool result = registrar_ ? registrar_->RegisterCertificate(slot, record) : false;
  record.registered = true;  // handed to the registration, whatever its outcome
  return result;
}

void TokenWatcher::ReleaseModule() {
  if (module_) ::FreeLibrary(module_);
  module_ = nullptr;
  functions_ = nullptr;
  aux_ = nullptr;
}

CK_RV TokenWatcher::LoadTokenModule() {
  if (module_) return CKR_OK;
  SetProviderName(kProduct.providerName);
  if (registrar_) registrar_->CleanPersonalStore();

  module_ = ::LoadLibraryW(moduleName_.c_str());
  if (!module_) return CKR_FUNCTION_FAILED;
  auto getFunctionList = reinterpret_cast<CK_C_GetFunctionList>(
      reinterpret_cast<void*>(::GetProcAddress(module_, "C_GetFunctionList")));
  auto getAuxList = reinterpret_cast<CK_E_GetAuxFunctionList>(
      reinterpret_cast<void*>(::GetProcAddress(module_, "E_GetAuxFunctionList")));
  if (!getFunctionList || !getAuxList || getFunctionList(&functions_) != CKR_OK || !functions_ ||
      getAuxList(&aux_) != CKR_OK || !aux_ || !aux_->AuxWaitTokenEvent) {
    ReleaseModule();
    return CKR_FUNCTION_FAILED;
  }
  const CK_RV initialized = functions_->C_Initialize(nullptr);
  if (initialized != CKR_OK) return initialized;
  return EnumerateTokens();
}

CK_RV TokenWatcher::UnloadTokenModule() {
  if (!module_) return CKR_OK;
  if (!functions_) {
    StopTokenMonitor();
    ReleaseModule();
    return CKR_GENERAL_ERROR;
  }
  functions_->C_Finalize(nullptr);
  StopTokenMonitor();  // the thread has ended before the module goes
  ReleaseModule();
  return CKR_OK;
}

CK_RV TokenWatcher::EnumerateTokens() {
  Guard guard(lock_);
  tokens_.clear();
  CK_ULONG count = 0;
  CK_RV rv = functions_->C_GetSlotList(CK_TRUE, nullptr, &count);
  if (rv != CKR_OK) return rv;
  if (count == 0) return CKR_OK;
  std::vector<CK_SLOT_ID> slots;
  try {
    slots.resize(count);
  } catch (const std::exception&) {
    // bad_alloc, or length_error for a count beyond what a 32-bit process can hold.
    return CKR_HOST_MEMORY;
  }
  const CK_ULONG expected = count;
  rv = functions_->C_GetSlotList(CK_TRUE, slots.data(), &count);
  if (count != expected) return rv;
  if (rv != CKR_OK) return rv;
  CK_RV lastInfo = CKR_OK;
  for (CK_SLOT_ID slot : slots) {
    CK_SLOT_INFO info{};
    lastInfo = functions_->C_GetSlotInfo(slot, &info);
    if (lastInfo != CKR_OK || !(info.flags & CKF_TOKEN_PRESENT)) continue;
    AddToken(slot);
    if (TokenRecord* token = FindToken(slot)) {
      for (CertificateRecord& record : token->certificates) Register(slot, record);
    }
  }
  return lastInfo;
}

CK_RV TokenWatcher::AddToken(CK_SLOT_ID slot) {
  CK_SLOT_INFO info{};
  const CK_RV rv = functions_->C_GetSlotInfo(slot, &info);
  if (rv != CKR_OK) return rv;
  auto record = std::make_unique<TokenRecord>();
  record->slot = slot;
  record->readerName = ReaderNameOf(info);
  const CK_RV read = ReadTokenCertificates(*record);
  if (read != CKR_OK) return read;
  Guard guard(lock_);
  tokens_.push_back(std::move(record));
  return CKR_OK;
}

CK_RV TokenWatcher::ReadCertificateObject(CK_SESSION_HANDLE session, CK_SLOT_ID slot, CK_OBJECT_HANDLE object,
                                          CertificateRecord& record) {
  CK_ATTRIBUTE attributes[3] = {
      {CKA_ID, nullptr, 0}, {CKA_VALUE, nullptr, 0}, {CKA_VENDOR_CONTAINER_NAME, nullptr, 0}};
  CK_RV rv = functions_->C_GetAttributeValue(session, object, attributes, 3);
  if (rv != CKR_OK) return rv;
  for (const CK_ATTRIBUTE& attribute : attributes) {
    if (attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || attribute.ulValueLen > kLargestAttribute) {
      return CKR_ATTRIBUTE_VALUE_INVALID;
    }
  }
  std::vector<unsigned char> id(attributes[0].ulValueLen + 1, 0);
  std::vector<unsigned char> value(attributes[1].ulValueLen + 1, 0);
  std::vector<unsigned char> container(attributes[2].ulValueLen + 1, 0);
  attributes[0].pValue = id.data();
  attributes[1].pValue = value.data();
  attributes[2].pValue = container.data();
  rv = functions_->C_GetAttributeValue(session, object, attributes, 3);
  if (rv != CKR_OK) return rv;
  if (attributes[0].ulValueLen >= id.size() || attributes[1].ulValueLen >= value.size() ||
      attributes[2].ulValueLen >= container.size()) {
    return CKR_ATTRIBUTE_VALUE_INVALID;
  }
  record = CertificateRecord{};
  record.slot = slot;
  record.handle = object;
  record.idLength = attributes[0].ulValueLen;
  record.valueLength = attributes[1].ulValueLen;
  record.id = std::move(id);
  record.value = std::move(value);
  record.id.resize(record.idLength + 1);
  record.value.resize(record.valueLength + 1);
  // Single-byte text up to its first zero byte.
  record.container = ToWide(std::string(reinterpret_cast<const char*>(container.data())), 0);
  return CKR_OK;
}

CK_RV TokenWatcher::ReadTokenCertificates(TokenRecord& token) {
  Session session(functions_, token.slot);
  if (!session.IsOpen()) return session.OpenResult();
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_ATTRIBUTE filter = {CKA_CLASS, &certificateClass, sizeof(certificateClass)};
  CK_RV rv = functions_->C_FindObjectsInit(session.get(), &filter, 1);
  if (rv != CKR_OK) return rv;
  for (;;) {
    CK_OBJECT_HANDLE object = 0;
    CK_ULONG found = 0;
    if (functions_->C_FindObjects(session.get(), &object, 1, &found) != CKR_OK || found != 1) break;
    CertificateRecord record;
    if (ReadCertificateObject(session.get(), token.slot, object, record) != CKR_OK) break;
    token.certificates.push_back(std::move(record));
  }
  functions_->C_FindObjectsFinal(session.get());
  return session.Close();
}

void TokenWatcher::TakeUpToken(CK_SLOT_ID slot) {
  if (!functions_) return;
  Guard guard(lock_);
  CK_SLOT_INFO slotInfo{};
  if (functions_->C_GetSlotInfo(slot, &slotInfo) != CKR_OK || !(slotInfo.flags & CKF_TOKEN_PRESENT)) return;
  CK_TOKEN_INFO tokenInfo{};
  if (functions_->C_GetTokenInfo(slot, &tokenInfo) != CKR_OK) return;
  if (FindToken(slot)) return;
  if (AddToken(slot) != CKR_OK || !(tokenInfo.flags & CKF_TOKEN_INITIALIZED)) return;
  if (TokenRecord* token = FindToken(slot)) {
    for (CertificateRecord& record : token->certificates) Register(slot, record);
  }
}

bool TokenWatcher::HandOverCertificate(const CertificateRecord& record) {
  Guard guard(lock_);
  bool result = true;
  for (const auto& token : tokens_) {
    if (token->slot == record.slot) continue;
    for (CertificateRecord& other : token->certificates) {
      if (!other.SameCertificate(record)) continue;
      if (!registrar_ || !registrar_->RegisterCertificate(token->slot, other)) result = false;
    }
  }
  return result;
}

bool TokenWatcher::UnregisterTokenCertificates(CK_SLOT_ID slot, bool dropRecords) {
  Guard guard(lock_);
  TokenRecord* token = FindToken(slot);
  if (!token) return true;
  for (CertificateRecord& record : token->certificates) {
    if (registrar_) registrar_->UnregisterCertificate(slot, record);
    record.registered = false;
    HandOverCertificate(record);
  }
  if (dropRecords) token->certificates.clear();
  return true;
}

void TokenWatcher::ForgetToken(CK_SLOT_ID slot, bool closeBrowser) {
  UnregisterTokenCertificates(slot, true);
  RemoveTokenRecord(slot, closeBrowser);
}

void TokenWatcher::RemoveTokenRecord(CK_SLOT_ID slot, bool closeBrowser) {
  Guard guard(lock_);
  const auto found = std::find_if(tokens_.begin(), tokens_.end(), [slot](const auto& t) { return t->slot == slot; });
  if (found == tokens_.end()) return;
  TokenRecord& token = **found;
  if (closeBrowser) {
    if (IsWin9xFamily()) {
      if (token.browserProcess) ::TerminateProcess(token.browserProcess.get(), 1);
    } else if (token.browserThread) {
      ::EnumThreadWindows(token.browserThread, &CloseThreadWindow, 0);
    }
  }
  tokens_.erase(found);
}

void TokenWatcher::OnObjectCreated(CK_SLOT_ID slot, CK_OBJECT_HANDLE object) {
  if (!functions_) return;
  Guard guard(lock_);
  TokenRecord* token = FindToken(slot);
  if (!token) return;
  Session session(functions_, slot);
  if (!session.IsOpen()) return;

  CK_OBJECT_CLASS objectClass = 0;
  CK_ATTRIBUTE classAttribute = {CKA_CLASS, &objectClass, sizeof(objectClass)};
  if (functions_->C_GetAttributeValue(session.get(), object, &classAttribute, 1) != CKR_OK ||
      objectClass != CKO_CERTIFICATE) {
    return;
  }
  CertificateRecord record;
  if (ReadCertificateObject(session.get(), slot, object, record) != CKR_OK) return;

  // A certificate that sits in the personal store with a friendly name keeps that name on the token.
  const FriendlyNameLookup lookup =
      FindFriendlyNameInPersonalStore(record.value.data(), record.valueLength, kFriendlyNameSettleMs);
  if (!lookup.storeOpened) return;
  if (lookup.name) {
    std::vector<BYTE> name = *lookup.name;
    CK_ATTRIBUTE friendly = {CKA_VENDOR_FRIENDLY_NAME, name.data(), static_cast<CK_ULONG>(name.size())};
    if (functions_->C_SetAttributeValue(session.get(), object, &friendly, 1) != CKR_OK) return;
  }

  for (const CertificateRecord& known : token->certificates) {
    if (known.SameCertificate(record)) return;
  }
  Register(slot, record);
  token->certificates.push_back(std::move(record));
}

void TokenWatcher::OnObjectDestroyed(CK_SLOT_ID slot, CK_OBJECT_HANDLE object) {
  Guard guard(lock_);
  TokenRecord* token = FindToken(slot);
  if (!token) return;
  auto& certificates = token->certificates;
  const auto found =
      std::find_if(certificates.begin(), certificates.end(), [object](const auto& c) { return c.handle == object; });
  if (found == certificates.end()) return;
  if (registrar_) registrar_->UnregisterCertificate(slot, *found);
  HandOverCertificate(*found);
  certificates.erase(found);
}

void TokenWatcher::OnObjectChanged(CK_SLOT_ID slot, CK_OBJECT_HANDLE object) {
  if (!functions_) return;
  Guard guard(lock_);
  Session session(functions_, slot);
  if (!session.IsOpen()) return;
  CK_ATTRIBUTE valueAttribute = {CKA_VALUE, nullptr, 0};
  if (functions_->C_GetAttributeValue(session.get(), object, &valueAttribute, 1) != CKR_OK ||
      valueAttribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || valueAttribute.ulValueLen == 0 ||
      valueAttribute.ulValueLen > kLargestAttribute) {
    return;
  }
  std::vector<BYTE> value(valueAttribute.ulValueLen + 1, 0);
  valueAttribute.pValue = value.data();
  if (functions_->C_GetAttributeValue(session.get(), object, &valueAttribute, 1) != CKR_OK ||
      valueAttribute.ulValueLen >= value.size()) {
    return;
  }
  if (!DeletePersonalCertificateByPublicKey(value.data(), valueAttribute.ulValueLen)) return;

  TokenRecord* token = FindToken(slot);
  if (!token) return;
  auto& certificates = token->certificates;
  certificates.erase(std::remove_if(certificates.begin(), certificates.end(),
                                    [object](const auto& c) { return c.handle == object; }),
                     certificates.end());
  OnObjectCreated(slot, object);
}

bool TokenWatcher::IsTokenKnown(CK_SLOT_ID slot) const {
  Guard guard(lock_);
  return FindToken(slot) != nullptr;
}

bool TokenWatcher::HasTokens() const {
  Guard guard(lock_);
  return !tokens_.empty();
}

std::wstring TokenWatcher::GetReaderName(CK_SLOT_ID slot) const {
  Guard guard(lock_);
  const TokenRecord* token = FindToken(slot);
  return token ? token->readerName : std::wstring();
}

bool TokenWatcher::IsTokenPresent(CK_SLOT_ID slot) const {
  if (!functions_) return false;
  CK_SLOT_INFO info{};
  return functions_->C_GetSlotInfo(slot, &info) == CKR_OK && (info.flags & CKF_TOKEN_PRESENT);
}

std::vector<CertificateRecord> TokenWatcher::CertificatesOf(CK_SLOT_ID slot) const {
  Guard guard(lock_);
  const TokenRecord* token = FindToken(slot);
  return token ? token->certificates : std::vector<CertificateRecord>();
}

std::vector<CK_SLOT_ID> TokenWatcher::KnownSlots() const {
  Guard guard(lock_);
  std::vector<CK_SLOT_ID> slots;
  for (const auto& token : tokens_) slots.push_back(token->slot);
  return slots;
}

bool TokenWatcher::BrowserRecorded(CK_SLOT_ID slot) const {
  Guard guard(lock_);
  const TokenRecord* token = FindToken(slot);
  return token && token->browserProcess;
}

void TokenWatcher::OpenTokenWebPage(CK_SLOT_ID slot, const wchar_t* url) {
  Guard guard(lock_);
  TokenRecord* token = FindToken(slot);
  if (!token || !url) return;
  const std::optional<std::wstring> browser =
      win::ReadRegistryString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE",
                              L"", 260 * sizeof(wchar_t));
  if (!browser || browser->empty()) return;
  if (*url == L'\0') {
    token->browserProcess.reset();
    token->browserThread = 0;
    return;
  }
  if (token->browserProcess) return;
  const std::optional<std::wstring> browserPath = CleanBrowserPath(*browser);
  std::optional<std::wstring> commandLine = BuildBrowserCommandLine(*browser, url);
  if (!browserPath || !commandLine) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(browserPath->c_str(), commandLine->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return;
  }
  ::CloseHandle(process.hThread);
  token->browserProcess.reset(process.hProcess);
  token->browserThread = process.dwThreadId;
}

}  // namespace vlx
