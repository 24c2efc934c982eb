// The store of one simulator home: the state file "state.json" in the home folder, a named
// mutex that serialises every process and thread working on it, and a shared generation counter
// that tells a process whether its cached copy is still current. Writes go to a temporary
// sibling that then replaces the file, so a crash never leaves half a state behind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/win/unique_handle.h"
#include "simulator/state/token_state.h"

namespace vsim {

// VLX_TOKEN_HOME when set (a Windows path), else "C:\ProgramData\VLX Token Simulator".
std::wstring ResolveHome();

class StateStore {
 public:
  // Creates the home folder when missing; nothing when the mutex or counter cannot be made.
  static std::unique_ptr<StateStore> Open(const std::wstring& home, std::string& error);
  ~StateStore();

  const std::wstring& Home() const { return home_; }

  // Runs the reader on the current state under the lock.
  bool Read(const std::function<void(const State&)>& reader, std::string& error);
  // Runs the change under the lock; when it returns true the state is saved for every process.
  bool Update(const std::function<bool(State&)>& change, std::string& error);
  // Changes whenever any process saved the state; cheap to read without the lock.
  std::uint64_t Generation() const;

 private:
  StateStore() = default;
  bool LoadIfStale(std::string& error);
  bool Save(const State& state, std::string& error);

  std::wstring home_;
  std::wstring file_;
  win::UniqueHandle mutex_;
  win::UniqueHandle mapping_;
  volatile long long* generation_ = nullptr;
  std::optional<State> cache_;
  std::uint64_t cacheGeneration_ = 0;
};

}  // namespace vsim
