// The token watcher and the reader monitor against the token simulator, with a recorder in place
// of the store registration.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <string>
#include <vector>

#include "certd/resources/resource.h"
#include "certd/token/token_watcher.h"
#include "platform/win/registry.h"
#include "platform/win/system_paths.h"
#include "platform/win/unique_handle.h"
#include "simulator/tool/token_control.h"
#include "process_helpers.h"
#include "test_files.h"
#include "tests/support/wait.h"

namespace {

using vlx::CertificateRecord;
using vlx::TokenWatcher;

// The simulator's state for this process only, removed at its end.
const std::wstring& PrivateHome() {
  static certd_test::ScratchFolder folder(L"watcher_home");
  static const std::wstring home = [] {
    std::wstring path = folder.Path();
    path.pop_back();
    ::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", path.c_str());
    return path;
  }();
  return home;
}

struct Call {
  enum Kind { Register, Unregister, Clean } kind;
  CK_SLOT_ID slot;
  CK_OBJECT_HANDLE handle;
};

class RecordingRegistrar : public vlx::CertificateRegistrar {
 public:
  bool RegisterCertificate(CK_SLOT_ID slot, CertificateRecord& record) override {
    calls.push_back({Call::Register, slot, record.handle});
    record.keySpec = AT_SIGNATURE;
    return true;
  }
  bool UnregisterCertificate(CK_SLOT_ID slot, const CertificateRecord& record) override {
    calls.push_back({Call::Unregister, slot, record.handle});
    return true;
  }
  bool CleanPersonalStore() override {
    calls.push_back({Call::Clean, 0, 0});
    return true;
  }
  size_t Count(Call::Kind kind) const {
    return std::count_if(calls.begin(), calls.end(), [kind](const Call& c) { return c.kind == kind; });
  }
  bool Has(Call::Kind kind, CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) const {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const Call& c) { return c.kind == kind && c.slot == slot && c.handle == handle; });
  }
  std::vector<Call> calls;
};

// The current user's personal store, as the registration leaves it (written when it is closed).
win::UniqueCertStore OpenPersonalStore() {
  return win::UniqueCertStore(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
}

bool AddToPersonalStore(const vtoken::Bytes& der) {
  win::UniqueCertStore store = OpenPersonalStore();
  return store && ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()),
                                                     CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
}

// The entries with exactly these bytes; they are deleted when remove is set.
size_t PersonalEntries(const vtoken::Bytes& der, bool remove = false) {
  win::UniqueCertStore store = OpenPersonalStore();
  std::vector<PCCERT_CONTEXT> found;
  for (PCCERT_CONTEXT entry = nullptr; store && (entry = ::CertEnumCertificatesInStore(store.get(), entry));) {
    if (entry->cbCertEncoded == der.size() && std::equal(der.begin(), der.end(), entry->pbCertEncoded)) {
      found.push_back(::CertDuplicateCertificateContext(entry));
    }
  }
  for (PCCERT_CONTEXT context : found) {
    if (remove) {
      ::CertDeleteCertificateFromStore(context);
    } else {
      ::CertFreeCertificateContext(context);
    }
  }
  return found.size();
}

class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(control_.Reset());
    watcher_.SetRegistrar(&registrar_);
  }

  vtoken::TokenSpec Spec(const std::string& reader, bool initialized = true) {
    vtoken::TokenSpec spec;
    spec.readerName = reader;
    spec.initialized = initialized;
    return spec;
  }
  vtoken::KeyPairHandles Enrol(CK_SLOT_ID slot, const std::string& container) {
    vtoken::KeyPairRequest request;
    request.container = container;
    request.subject = L"CN=" + std::wstring(container.begin(), container.end());
    const auto pair = control_.EnrolKeyPair(slot, request);
    EXPECT_TRUE(pair) << pair.message;
    return pair ? *pair : vtoken::KeyPairHandles{};
  }
  vtoken::Bytes ValueOf(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) {
    const auto token = control_.ReadToken(slot);
    const vtoken::ObjectView* object = token ? token->FindObject(handle) : nullptr;
    return object ? object->Attribute(CKA_VALUE).value_or(vtoken::Bytes{}) : vtoken::Bytes{};
  }
  const CertificateRecord* Find(const std::vector<CertificateRecord>& records, CK_OBJECT_HANDLE handle) {
    for (const auto& r : records) {
      if (r.handle == handle) return &r;
    }
    return nullptr;
  }

  vtoken::TokenControl control_{PrivateHome()};
  RecordingRegistrar registrar_;
  TokenWatcher watcher_;
};

TEST_F(WatcherTest, LoadEnumeratesPresentTokensAndRegistersTheirCertificates) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_TRUE(control_.CreateToken(2, Spec("Reader Two"), false));  // not inserted
  ASSERT_TRUE(control_.CreateToken(3, Spec("Reader Three", false)));  // not initialised
  const vtoken::KeyPairHandles one = Enrol(1, "container-one");
  const vtoken::KeyPairHandles three = Enrol(3, "container-three");

  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  EXPECT_EQ(watcher_.ProviderName(), L"VLX-CA Token CSP V4.0");
  ASSERT_FALSE(registrar_.calls.empty());
  EXPECT_EQ(registrar_.calls.front().kind, Call::Clean);  // the personal store is cleaned first
  EXPECT_EQ(watcher_.KnownSlots(), (std::vector<CK_SLOT_ID>{1, 3}));
  EXPECT_EQ(watcher_.GetReaderName(1), L"Reader One");
  EXPECT_EQ(watcher_.GetReaderName(2), L"");
  EXPECT_TRUE(watcher_.IsTokenPresent(1));
  EXPECT_FALSE(watcher_.IsTokenPresent(2));
  // At start-up the initialisation flag is not looked at.
  EXPECT_TRUE(registrar_.Has(Call::Register, 1, one.certificate));
  EXPECT_TRUE(registrar_.Has(Call::Register, 3, three.certificate));
  EXPECT_EQ(registrar_.Count(Call::Register), 2u);

  const std::vector<CertificateRecord> records = watcher_.CertificatesOf(1);
  ASSERT_EQ(records.size(), 1u);
  const CertificateRecord& record = records[0];
  EXPECT_TRUE(record.registered);
  EXPECT_EQ(record.keySpec, AT_SIGNATURE);
  EXPECT_EQ(record.container, L"container-one");
  const vtoken::Bytes der = ValueOf(1, one.certificate);
  ASSERT_EQ(record.valueLength, der.size());
  EXPECT_TRUE(std::equal(der.begin(), der.end(), record.value.begin()));
  EXPECT_EQ(record.value.size(), der.size() + 1);
  EXPECT_EQ(record.value.back(), 0);
  EXPECT_GT(record.idLength, 0u);

  EXPECT_EQ(watcher_.UnloadTokenModule(), CKR_OK);
  EXPECT_FALSE(watcher_.IsLoaded());
}

TEST_F(WatcherTest, LoadFailsWithoutTheModule) {
  TokenWatcher missing(&registrar_);
  missing.SetModuleName(L"no_such_module_here.dll");
  EXPECT_EQ(missing.LoadTokenModule(), CKR_FUNCTION_FAILED);
  EXPECT_FALSE(missing.IsLoaded());
  EXPECT_EQ(missing.FunctionList(), nullptr);
  EXPECT_EQ(missing.UnloadTokenModule(), CKR_OK);
}

TEST_F(WatcherTest, InsertionAddsATokenOnceAndRegistersOnlyInitialisedOnes) {
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  EXPECT_FALSE(watcher_.HasTokens());
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  const vtoken::KeyPairHandles one = Enrol(1, "c1");
  ASSERT_TRUE(control_.CreateToken(2, Spec("Reader Two", false)));
  Enrol(2, "c2");

  watcher_.TakeUpToken(1);
  watcher_.TakeUpToken(1);  // inserted twice without removal
  EXPECT_EQ(watcher_.KnownSlots(), (std::vector<CK_SLOT_ID>{1}));
  EXPECT_EQ(watcher_.CertificatesOf(1).size(), 1u);
  EXPECT_EQ(registrar_.Count(Call::Register), 1u);
  EXPECT_TRUE(registrar_.Has(Call::Register, 1, one.certificate));

  watcher_.TakeUpToken(2);  // read, not registered
  EXPECT_TRUE(watcher_.IsTokenKnown(2));
  ASSERT_EQ(watcher_.CertificatesOf(2).size(), 1u);
  EXPECT_FALSE(watcher_.CertificatesOf(2)[0].registered);
  EXPECT_EQ(registrar_.Count(Call::Register), 1u);

  watcher_.TakeUpToken(7);  // no token in that slot
  EXPECT_FALSE(watcher_.IsTokenKnown(7));
}

TEST_F(WatcherTest, RemovalHandsASharedCertificateToTheOtherToken) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_TRUE(control_.CreateToken(2, Spec("Reader Two")));
  const vtoken::KeyPairHandles one = Enrol(1, "shared");
  const auto copy = control_.AddCertificate(2, ValueOf(1, one.certificate), "shared", {1, 2, 3}, "copy");
  ASSERT_TRUE(copy) << copy.message;
  const vtoken::KeyPairHandles own = Enrol(1, "own");
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  registrar_.calls.clear();

  watcher_.ForgetToken(1, false);
  EXPECT_FALSE(watcher_.IsTokenKnown(1));
  EXPECT_TRUE(registrar_.Has(Call::Unregister, 1, one.certificate));
  EXPECT_TRUE(registrar_.Has(Call::Unregister, 1, own.certificate));
  // Only the shared certificate goes over to the other token, once.
  EXPECT_TRUE(registrar_.Has(Call::Register, 2, *copy));
  EXPECT_EQ(registrar_.Count(Call::Register), 1u);
  EXPECT_EQ(watcher_.CertificatesOf(2).size(), 1u);

  registrar_.calls.clear();
  watcher_.ForgetToken(1, false);  // unknown by now: nothing
  EXPECT_TRUE(registrar_.calls.empty());
}

TEST_F(WatcherTest, ObjectEventsChangeTheRecords) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  ASSERT_TRUE(watcher_.IsTokenKnown(1));

  // A certificate written to the token is registered and recorded; the same one again is not.
  const vtoken::KeyPairHandles pair = Enrol(1, "written");
  watcher_.OnObjectCreated(1, pair.publicKey);
  watcher_.OnObjectCreated(1, pair.privateKey);
  EXPECT_TRUE(watcher_.CertificatesOf(1).empty());
  EXPECT_TRUE(registrar_.calls.size() == 1);  // only the clean-up at load
  watcher_.OnObjectCreated(1, pair.certificate);
  ASSERT_EQ(watcher_.CertificatesOf(1).size(), 1u);
  EXPECT_TRUE(registrar_.Has(Call::Register, 1, pair.certificate));
  const auto duplicate = control_.AddCertificate(1, ValueOf(1, pair.certificate), "written", {9}, "again");
  ASSERT_TRUE(duplicate);
  watcher_.OnObjectCreated(1, *duplicate);
  EXPECT_EQ(watcher_.CertificatesOf(1).size(), 1u);
  EXPECT_EQ(registrar_.Count(Call::Register), 1u);
  watcher_.OnObjectCreated(5, pair.certificate);  // unknown token
  EXPECT_EQ(registrar_.Count(Call::Register), 1u);

  // Changed: the record is read again and registered again.
  ASSERT_TRUE(control_.SetAttribute(1, pair.certificate, CKA_LABEL, vtoken::TextValue("renamed")));
  watcher_.OnObjectChanged(1, pair.certificate);
  EXPECT_EQ(watcher_.CertificatesOf(1).size(), 1u);
  EXPECT_EQ(registrar_.Count(Call::Register), 2u);
  watcher_.OnObjectChanged(1, pair.privateKey);  // no readable value: nothing
  EXPECT_EQ(registrar_.Count(Call::Register), 2u);

  // Destroyed: unregistered and dropped; objects that are not recorded certificates are ignored.
  watcher_.OnObjectDestroyed(1, pair.publicKey);
  EXPECT_EQ(registrar_.Count(Call::Unregister), 0u);
  watcher_.OnObjectDestroyed(1, pair.certificate);
  EXPECT_TRUE(registrar_.Has(Call::Unregister, 1, pair.certificate));
  EXPECT_TRUE(watcher_.CertificatesOf(1).empty());
}

TEST_F(WatcherTest, AWrittenCertificateTakesItsFriendlyNameFromThePersonalStore) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  const vtoken::KeyPairHandles pair = Enrol(1, "named");
  const vtoken::Bytes der = ValueOf(1, pair.certificate);

  const wchar_t name[] = L"Ch\u1EEF k\u00FD c\u1EE7a t\u00F4i";
  {
    // A registry store is written when it is closed.
    win::UniqueCertStore store = OpenPersonalStore();
    ASSERT_TRUE(store);
    PCCERT_CONTEXT added = nullptr;
    ASSERT_TRUE(::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                   static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                   &added));
    win::UniqueCertContext context(added);
    CRYPT_DATA_BLOB blob = {sizeof(name), reinterpret_cast<BYTE*>(const_cast<wchar_t*>(name))};
    ASSERT_TRUE(::CertSetCertificateContextProperty(context.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
  }

  watcher_.OnObjectCreated(1, pair.certificate);
  const auto token = control_.ReadToken(1);
  ASSERT_TRUE(token);
  const auto written = token->FindObject(pair.certificate)->Attribute(CKA_VENDOR_FRIENDLY_NAME);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, vtoken::Bytes(reinterpret_cast<const BYTE*>(name),
                                    reinterpret_cast<const BYTE*>(name) + sizeof(name)));
  EXPECT_TRUE(registrar_.Has(Call::Register, 1, pair.certificate));

  PersonalEntries(der, true);
}

TEST_F(WatcherTest, AChangedCertificateTakesTheEntryOfItsPublicKeyOutOfThePersonalStore) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  const vtoken::KeyPairHandles renewed = Enrol(1, "renewed");
  const vtoken::KeyPairHandles other = Enrol(1, "other");
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  // The entry of an earlier certificate for the same key: other bytes (a changed signature), the
  // same public key. Beside it the entry of another key, which stays.
  vtoken::Bytes earlier = ValueOf(1, renewed.certificate);
  ASSERT_FALSE(earlier.empty());
  earlier.back() ^= 0x5A;
  const vtoken::Bytes unrelated = ValueOf(1, other.certificate);
  ASSERT_TRUE(AddToPersonalStore(earlier));
  ASSERT_TRUE(AddToPersonalStore(unrelated));
  registrar_.calls.clear();

  watcher_.OnObjectChanged(1, renewed.certificate);
  EXPECT_EQ(PersonalEntries(earlier), 0u);
  EXPECT_EQ(PersonalEntries(unrelated), 1u);
  EXPECT_TRUE(registrar_.Has(Call::Register, 1, renewed.certificate));
  PersonalEntries(earlier, true);
  PersonalEntries(unrelated, true);
}

// The web page of a token: only http(s) addresses, one browser per token, the address passed as
// one quoted argument to the registered browser (here a stand-in in a folder with a blank).
class WebPageTest : public WatcherTest {
 protected:
  static constexpr wchar_t kAppPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
  void SetUp() override {
    WatcherTest::SetUp();
    saved_ = win::ReadRegistryString(HKEY_LOCAL_MACHINE, kAppPath, L"", 2048);
    ::CreateDirectoryW((folder_.Path() + L"web browser").c_str(), nullptr);
    browser_ = folder_.Path() + L"web browser\\certd_browser.exe";
    ASSERT_TRUE(certd_test::CopyProgram(certd_test::ProgramFolder() + L"certd_manager_standin.exe", browser_));
    ASSERT_EQ(win::WriteRegistryString(HKEY_LOCAL_MACHINE, kAppPath, L"", browser_), 0);
  }
  void TearDown() override {
    if (saved_) {
      win::WriteRegistryString(HKEY_LOCAL_MACHINE, kAppPath, L"", *saved_);
    } else {
      win::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kAppPath, L"");
    }
    for (DWORD id : certd_test::ProcessIdsByName(L"certd_browser.exe")) {
      win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (process) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
      }
    }
  }
  size_t Browsers() { return certd_test::ProcessIdsByName(L"certd_browser.exe").size(); }

  certd_test::ScratchFolder folder_{L"web"};
  std::wstring browser_;
  std::optional<std::wstring> saved_;
};

TEST_F(WebPageTest, StartsOneBrowserForAnAcceptedAddress) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);

  for (const wchar_t* refused : {L"file:///C:/windows/system32/notepad.exe", L"C:\\windows\\notepad.exe",
                                 L"http://x\" \"C:\\evil.exe"}) {
    watcher_.OpenTokenWebPage(1, refused);
  }
  watcher_.OpenTokenWebPage(1, nullptr);
  watcher_.OpenTokenWebPage(2, L"http://unknown.slot/");
  EXPECT_FALSE(watcher_.BrowserRecorded(1));
  EXPECT_EQ(Browsers(), 0u);

  watcher_.OpenTokenWebPage(1, L"https://token.example.test/welcome?a=1&b=2");
  EXPECT_TRUE(watcher_.BrowserRecorded(1));
  ASSERT_TRUE(testing_support::WaitUntil([&] { return Browsers() == 1; }));
  watcher_.OpenTokenWebPage(1, L"http://token.example.test/again");  // one is running already
  EXPECT_EQ(Browsers(), 1u);

  watcher_.OpenTokenWebPage(1, L"");  // forgets the browser, starts nothing
  EXPECT_FALSE(watcher_.BrowserRecorded(1));
  EXPECT_EQ(Browsers(), 1u);
}

// The monitor posts every event to a window of the test thread.
class MonitorTest : public WatcherTest {
 protected:
  struct Posted {
    WPARAM wParam;
    LPARAM lParam;
  };
  static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == vlx::kTokenEventMessage) {
      auto* self = reinterpret_cast<MonitorTest*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self) self->posted_.push_back({wParam, lParam});
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  void SetUp() override {
    WatcherTest::SetUp();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Receive;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"certd_monitor_receiver";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowW(L"certd_monitor_receiver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  void TearDown() override {
    watcher_.UnloadTokenModule();
    ::DestroyWindow(window_);
  }
  bool WaitForPosted(size_t count) {
    return testing_support::WaitUntil([&] { return posted_.size() >= count; });
  }
  HWND window_ = nullptr;
  std::vector<Posted> posted_;
};

TEST_F(MonitorTest, PostsInsertionRemovalAndObjectEvents) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One"), false));
  ASSERT_TRUE(control_.CreateToken(0x12345, Spec("Far Reader"), false));
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  ASSERT_EQ(watcher_.StartTokenMonitor(window_, vlx::kTokenEventMessage), CKR_OK);
  EXPECT_EQ(watcher_.StartTokenMonitor(window_, vlx::kTokenEventMessage), CKR_GENERAL_ERROR);

  ASSERT_TRUE(control_.Insert(1));
  ASSERT_TRUE(control_.Remove(1));
  ASSERT_TRUE(control_.Insert(0x12345));
  ASSERT_TRUE(control_.RaiseEvent(1, 0x104, 2));
  ASSERT_TRUE(control_.RaiseEvent(1, 0x100, 0));
  ASSERT_TRUE(WaitForPosted(5));
  ASSERT_EQ(posted_.size(), 5u);
  EXPECT_EQ(posted_[0].wParam, static_cast<WPARAM>((1u << 16) | 1));
  EXPECT_EQ(posted_[1].wParam, static_cast<WPARAM>((1u << 16) | 2));
  EXPECT_EQ(posted_[2].wParam, static_cast<WPARAM>(((0x12345u << 16) & 0xFFFFFFFFu) | 1));  // high bits lost
  EXPECT_EQ(posted_[3].wParam, static_cast<WPARAM>((1u << 16) | 0x104));
  EXPECT_EQ(posted_[3].lParam, 2);
  EXPECT_EQ(posted_[4].wParam, static_cast<WPARAM>((1u << 16) | 0x100));  // in the order raised
}

TEST_F(MonitorTest, ObjectEventsCarryTheHandleAndNothingComesAfterUnloading) {
  ASSERT_TRUE(control_.CreateToken(1, Spec("Reader One")));
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  ASSERT_EQ(watcher_.StartTokenMonitor(window_, vlx::kTokenEventMessage), CKR_OK);
  const vtoken::KeyPairHandles pair = Enrol(1, "events");
  ASSERT_TRUE(WaitForPosted(3));
  EXPECT_EQ(posted_[0].wParam, static_cast<WPARAM>((1u << 16) | 3));
  EXPECT_EQ(static_cast<CK_OBJECT_HANDLE>(posted_[0].lParam), pair.certificate);

  EXPECT_EQ(watcher_.UnloadTokenModule(), CKR_OK);
  // The thread has ended, and the module is gone.
  EXPECT_FALSE(watcher_.MonitorRunning());
  EXPECT_EQ(::GetModuleHandleW(L"vlxca_v4.dll"), nullptr);
  const size_t before = posted_.size();
  ASSERT_TRUE(control_.Remove(1));
  EXPECT_FALSE(testing_support::WaitUntil([&] { return posted_.size() > before; }, std::chrono::milliseconds(600)));

  // The monitor starts again after a new load.
  ASSERT_EQ(watcher_.LoadTokenModule(), CKR_OK);
  EXPECT_EQ(watcher_.StartTokenMonitor(window_, vlx::kTokenEventMessage), CKR_OK);
}

}  // namespace
