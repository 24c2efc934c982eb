// TokenWatcher: the certificate register's view of the vendor PKCS#11 module. It owns the module
// binding, the records of the tokens present with their certificate objects, and the reader
// monitor thread; it turns token events into store work through a CertificateRegistrar.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "certd/support/thread.h"
#include "certd/token/certificate_registrar.h"
#include "certd/token/token_records.h"
#include "platform/pkcs11/pkcs11_types.h"
#include "platform/pkcs11/vendor_extensions.h"
#include "platform/win/unique_handle.h"

namespace vlx {

class TokenWatcher {
 public:
  // registrar may be null (no store work) and can be set later; it must outlive the watcher.
  explicit TokenWatcher(CertificateRegistrar* registrar = nullptr);
  ~TokenWatcher();
  TokenWatcher(const TokenWatcher&) = delete;
  TokenWatcher& operator=(const TokenWatcher&) = delete;

  void SetRegistrar(CertificateRegistrar* registrar) { registrar_ = registrar; }
  // The module file to bind; the product's module by default (tests may point elsewhere).
  void SetModuleName(const std::wstring& name) { moduleName_ = name; }

  CK_RV LoadTokenModule();
  CK_RV UnloadTokenModule();
  // Starts the reader monitor posting `message` to `window`; 0, or 5 when a monitor already runs
  // or no thread could be created.
  CK_RV StartTokenMonitor(HWND window, UINT message);
  void StopTokenMonitor();

  void TakeUpToken(CK_SLOT_ID slot);
  void ForgetToken(CK_SLOT_ID slot, bool closeBrowser);
  bool UnregisterTokenCertificates(CK_SLOT_ID slot, bool dropRecords);
  void OnObjectCreated(CK_SLOT_ID slot, CK_OBJECT_HANDLE object);
  void OnObjectDestroyed(CK_SLOT_ID slot, CK_OBJECT_HANDLE object);
  void OnObjectChanged(CK_SLOT_ID slot, CK_OBJECT_HANDLE object);
  // Re-registers the same certificate where another known token holds it; false when any of
  // those registrations failed.
  bool HandOverCertificate(const CertificateRecord& record);

  bool IsTokenKnown(CK_SLOT_ID slot) const;
  bool HasTokens() const;
  std::wstring GetReaderName(CK_SLOT_ID slot) const;
  bool IsTokenPresent(CK_SLOT_ID slot) const;
  // Starts the registered browser on an http:// or https:// address for the token.
  void OpenTokenWebPage(CK_SLOT_ID slot, const wchar_t* url);

  // For the store work and the checks that run on the tokens kept here.
  bool IsLoaded() const { return module_ != nullptr; }
  CK_FUNCTION_LIST* FunctionList() const { return functions_; }
  AUX_FUNCTION_LIST* AuxList() const { return aux_; }
  const std::wstring& ProviderName() const { return providerName_; }
  void SetProviderName(const std::wstring& name);
  CK_SESSION_HANDLE& ScratchSession() { return session_; }
  // The lock that guards the token list; re-entrant for its owner thread.
  std::recursive_mutex& Lock() const { return lock_; }
  // Copies of the records, taken under the lock.
  std::vector<CertificateRecord> CertificatesOf(CK_SLOT_ID slot) const;
  std::vector<CK_SLOT_ID> KnownSlots() const;
  bool BrowserRecorded(CK_SLOT_ID slot) const;
  bool MonitorRunning() const;

 private:
  class Session;
  static int MonitorThread(void* watcher);

  CK_RV EnumerateTokens();
  CK_RV AddToken(CK_SLOT_ID slot);
  CK_RV ReadTokenCertificates(TokenRecord& record);
  // Reads CKA_ID, CKA_VALUE and CONTAINER_NAME of an object in two calls.
  CK_RV ReadCertificateObject(CK_SESSION_HANDLE session, CK_SLOT_ID slot, CK_OBJECT_HANDLE object,
                              CertificateRecord& record);
  void RemoveTokenRecord(CK_SLOT_ID slot, bool closeBrowser);
  TokenRecord* FindToken(CK_SLOT_ID slot) const;
  bool Register(CK_SLOT_ID slot, CertificateRecord& record);
  void ReleaseModule();

  CertificateRegistrar* registrar_;
  std::wstring moduleName_;
  HMODULE module_ = nullptr;
  CK_FUNCTION_LIST* functions_ = nullptr;
  AUX_FUNCTION_LIST* aux_ = nullptr;
  HWND eventWindow_ = nullptr;
  UINT eventMessage_ = 0;
  Thread monitor_;
  std::wstring providerName_;
  std::vector<std::unique_ptr<TokenRecord>> tokens_;
  CK_SESSION_HANDLE session_ = 0;
  mutable std::recursive_mutex lock_;
};

}  // namespace vlx
