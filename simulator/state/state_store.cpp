#include "simulator/state/state_store.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "platform/win/text_conversion.h"

namespace vsim {

namespace {

constexpr DWORD kLockTimeoutMs = 15000;

std::wstring NormalisedPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2];
  DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
  std::wstring result = (length > 0 && length < std::size(full)) ? std::wstring(full, length) : path;
  while (result.size() > 3 && (result.back() == L'\\' || result.back() == L'/')) result.pop_back();
  return result;
}

// Object names may not contain backslashes: the names carry a hash of the folder instead.
std::wstring NameHash(const std::wstring& path) {
  std::uint64_t hash = 1469598103934665603ull;
  for (wchar_t c : path) {
    hash ^= static_cast<std::uint64_t>(std::towupper(c == L'/' ? L'\\' : c));
    hash *= 1099511628211ull;
  }
  wchar_t text[20];
  swprintf(text, std::size(text), L"%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool CreateFolders(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  size_t cut = path.find_last_of(L"\\/");
  if (cut != std::wstring::npos && cut > 2) {
    if (!CreateFolders(path.substr(0, cut))) return false;
  }
  return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

class LockScope {
 public:
  explicit LockScope(HANDLE mutex) : mutex_(mutex) {
    DWORD result = ::WaitForSingleObject(mutex_, kLockTimeoutMs);
    // An abandoned lock is still ours; the file itself is never half written.
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }
  ~LockScope() {
    if (held_) ::ReleaseMutex(mutex_);
  }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;
  bool held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace

std::wstring ResolveHome() {
  wchar_t buffer[MAX_PATH * 2];
  DWORD length = ::GetEnvironmentVariableW(L"VLX_TOKEN_HOME", buffer, static_cast<DWORD>(std::size(buffer)));
  if (length > 0 && length < std::size(buffer)) return std::wstring(buffer, length);
  return L"C:\\ProgramData\\VLX Token Simulator";
}

std::unique_ptr<StateStore> StateStore::Open(const std::wstring& home, std::string& error) {
  std::unique_ptr<StateStore> store(new StateStore());
  store->home_ = NormalisedPath(home);
  store->file_ = store->home_ + L"\\state.json";
  if (!CreateFolders(store->home_)) {
    error = "cannot create the simulator home " + win::ToUtf8(store->home_);
    return nullptr;
  }
  const std::wstring hash = NameHash(store->home_);
  store->mutex_.reset(::CreateMutexW(nullptr, FALSE, (L"Local\\VlxTokenSimulatorLock-" + hash).c_str()));
  if (!store->mutex_) {
    error = "cannot create the simulator lock";
    return nullptr;
  }
  store->mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(long long),
                                             (L"Local\\VlxTokenSimulatorGeneration-" + hash).c_str()));
  if (!store->mapping_) {
    error = "cannot create the simulator generation counter";
    return nullptr;
  }
  store->generation_ =
      static_cast<volatile long long*>(::MapViewOfFile(store->mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!store->generation_) {
    error = "cannot map the simulator generation counter";
    return nullptr;
  }
  return store;
}

StateStore::~StateStore() {
  if (generation_) ::UnmapViewOfFile(const_cast<long long*>(generation_));
}

std::uint64_t StateStore::Generation() const {
  return static_cast<std::uint64_t>(::InterlockedCompareExchange64(generation_, 0, 0));
}

bool StateStore::LoadIfStale(std::string& error) {
  const std::uint64_t generation = Generation();
  if (cache_ && cacheGeneration_ == generation) return true;
  win::UniqueFile file(::CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  State state;
  if (!file) {
    if (::GetLastError() != ERROR_FILE_NOT_FOUND && ::GetLastError() != ERROR_PATH_NOT_FOUND) {
      error = "cannot open the simulator state file";
      return false;
    }
  } else {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 256 * 1024 * 1024) {
      error = "the simulator state file cannot be read";
      return false;
    }
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() && (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) ||
                          read != text.size())) {
      error = "the simulator state file cannot be read";
      return false;
    }
    // A corrupt file is reported, never silently replaced: that would lose every token.
    std::string parseError;
    if (!text.empty() && !ParseState(text, state, parseError)) {
      error = "the simulator state file is corrupt: " + parseError;
      return false;
    }
  }
  cache_ = std::move(state);
  cacheGeneration_ = generation;
  return true;
}

bool StateStore::Save(const State& state, std::string& error) {
  const std::string text = SerializeState(state);
  const std::wstring temporary = file_ + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  {
    win::UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error = "cannot write the simulator state";
      return false;
    }
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !::FlushFileBuffers(file.get())) {
      file.reset();
      ::DeleteFileW(temporary.c_str());
      error = "cannot write the simulator state";
      return false;
    }
  }
  if (!::MoveFileExW(temporary.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temporary.c_str());
    error = "cannot replace the simulator state file";
    return false;
  }
  return true;
}

bool StateStore::Read(const std::function<void(const State&)>& reader, std::string& error) {
  LockScope lock(mutex_.get());
  if (!lock.held()) {
    error = "the simulator state is locked by another process";
    return false;
  }
  if (!LoadIfStale(error)) return false;
  reader(*cache_);
  return true;
}

bool StateStore::Update(const std::function<bool(State&)>& change, std::string& error) {
  LockScope lock(mutex_.get());
  if (!lock.held()) {
    error = "the simulator state is locked by another process";
    return false;
  }
  if (!LoadIfStale(error)) return false;
  State working = *cache_;
  if (!change(working)) return true;
  if (!Save(working, error)) return false;
  cache_ = std::move(working);
  cacheGeneration_ = static_cast<std::uint64_t>(::InterlockedIncrement64(generation_));
  return true;
}

}  // namespace vsim
