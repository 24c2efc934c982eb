// vtoken.exe: the simulator's control tool. Each command is one call of the control library;
// "wait-events" loads the module and reports its events, as a second process for tests.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"
#include "simulator/tool/command_line.h"
#include "simulator/tool/key_material.h"
#include "simulator/tool/token_control.h"

namespace {

using namespace vtoken;

constexpr char kUsage[] =
    "usage: vtoken [--home <folder>] <command> ...\n"
    "  reset                                   wipe all slots, tokens, objects and events\n"
    "  show                                    print the state\n"
    "  create-token <slot> [token options] [--removed]\n"
    "  update-token <slot> [token options]\n"
    "  delete-token <slot>\n"
    "  insert <slot> | remove <slot>\n"
    "  enrol <slot> --container <name> [--subject <x500>] [--key-bits <n>] [--key-usage <byte>]\n"
    "        [--ca] [--no-basic-constraints] [--days <n>] [--start-days <n>]\n"
    "        [--issuer-cert <file> --issuer-key <file>]   (default: self-signed)\n"
    "        [--cert <file> [--key <file>]] [--id <hex>] [--label <text>] [--no-encrypt] [--no-verify]\n"
    "  add-certificate <slot> --cert <file> [--container <name>] [--id <hex>] [--label <text>]\n"
    "  add-public-key <slot> | add-private-key <slot>\n"
    "        (--cert <file> | --key <file> | --modulus <hex> [--exponent <hex>])\n"
    "        [--container <name>] [--id <hex>] [--label <text>] [--no-encrypt] [--no-verify]\n"
    "  delete-object <slot> <handle>\n"
    "  set-attribute <slot> <handle> <type> (--text <t> | --hex <h> | --ulong <n> | --bool <0|1>)\n"
    "  event <slot> <code> [<value>]\n"
    "  register-csp [<dll path>]               default: vlx_token_csp.dll beside vtoken.exe\n"
    "  unregister-csp\n"
    "  wait-events <count> [--timeout <ms>]    print the next events the module reports\n"
    "token options: --label --serial --manufacturer --model --reader --user-pin --so-pin\n"
    "  --min-pin --max-pin --tries-max --tries-left --memory <tp,fp,tq,fq> --hw-version <a.b>\n"
    "  --fw-version <a.b> --initialized <0|1> --pin-to-be-changed <0|1> --login-required <0|1>\n"
    "  --user-pin-initialized <0|1>\n";

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vtoken: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "vtoken: %s\n%s", message.c_str(), kUsage);
  return 2;
}

struct Failure {
  std::string message;
};
struct UsageError {
  std::string message;
};

std::string Utf8(const std::wstring& text) { return win::ToUtf8(text); }
std::string Ansi(const std::wstring& text) { return win::ToNarrow(text, CP_ACP); }

CK_ULONG UlongArgument(const std::wstring& text, const char* what) {
  auto value = ParseUnsigned(text);
  if (!value) throw Failure{std::string(what) + " must be a number, not \"" + Utf8(text) + "\""};
  return *value;
}

bool BoolArgument(const std::wstring& text, const char* what) {
  if (text == L"1" || text == L"true" || text == L"yes") return true;
  if (text == L"0" || text == L"false" || text == L"no") return false;
  throw Failure{std::string(what) + " must be 0 or 1"};
}

CK_VERSION VersionArgument(const std::wstring& text) {
  const size_t dot = text.find(L'.');
  auto major = ParseUnsigned(text.substr(0, dot));
  auto minor = dot == std::wstring::npos ? std::optional<unsigned long>(0) : ParseUnsigned(text.substr(dot + 1));
  if (!major || !minor || *major > 255 || *minor > 255) throw Failure{"a version is <major>.<minor>"};
  return CK_VERSION{static_cast<CK_BYTE>(*major), static_cast<CK_BYTE>(*minor)};
}

Bytes HexArgument(const std::wstring& text, const char* what) {
  auto bytes = ParseHex(text);
  if (!bytes) throw Failure{std::string(what) + " must be hexadecimal bytes"};
  return *bytes;
}

CK_SLOT_ID SlotArgument(Arguments& args, size_t index) {
  if (args.Positional().size() <= index) throw Failure{"the slot number is missing"};
  return UlongArgument(args.Positional()[index], "the slot");
}

// The token options shared by create-token and update-token.
TokenUpdate TokenOptions(Arguments& args, TokenSpec* spec) {
  TokenUpdate u;
  auto text = [&](const wchar_t* name, std::optional<std::string>& field, bool ansi) {
    if (auto value = args.Option(name)) field = ansi ? Ansi(*value) : Utf8(*value);
  };
  text(L"label", u.label, false);
  text(L"serial", u.serial, false);
  text(L"manufacturer", u.manufacturer, false);
  text(L"model", u.model, false);
  text(L"reader", u.readerName, true);
  text(L"user-pin", u.userPin, false);
  text(L"so-pin", u.soPin, false);
  auto number = [&](const wchar_t* name, std::optional<CK_ULONG>& field) {
    if (auto value = args.Option(name)) field = UlongArgument(*value, "a number option");
  };
  number(L"min-pin", u.minPinLength);
  number(L"max-pin", u.maxPinLength);
  number(L"tries-max", u.userTriesMax);
  number(L"tries-left", u.userTriesLeft);
  auto flag = [&](const wchar_t* name, std::optional<bool>& field) {
    if (auto value = args.Option(name)) field = BoolArgument(*value, "a flag option");
  };
  flag(L"initialized", u.initialized);
  flag(L"pin-to-be-changed", u.pinToBeChanged);
  flag(L"login-required", u.loginRequired);
  flag(L"user-pin-initialized", u.userPinInitialized);
  auto memory = args.Option(L"memory");
  auto hw = args.Option(L"hw-version");
  auto fw = args.Option(L"fw-version");
  if (spec) {
    if (memory) {
      CK_ULONG values[4];
      size_t start = 0;
      for (int i = 0; i < 4; ++i) {
        size_t comma = memory->find(L',', start);
        if ((comma == std::wstring::npos) != (i == 3)) throw Failure{"--memory takes four numbers: tp,fp,tq,fq"};
        const std::wstring part = memory->substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        values[i] = part == L"unavailable" ? CK_UNAVAILABLE_INFORMATION : UlongArgument(part, "a memory field");
        start = comma + 1;
      }
      spec->totalPublicMemory = values[0];
      spec->freePublicMemory = values[1];
      spec->totalPrivateMemory = values[2];
      spec->freePrivateMemory = values[3];
    }
    if (hw) spec->hardwareVersion = VersionArgument(*hw);
    if (fw) spec->firmwareVersion = VersionArgument(*fw);
  } else if (memory || hw || fw) {
    throw Failure{"memory and versions are set when the token is created"};
  }
  return u;
}

void ApplyToSpec(const TokenUpdate& u, TokenSpec& s) {
  if (u.label) s.label = *u.label;
  if (u.serial) s.serial = *u.serial;
  if (u.manufacturer) s.manufacturer = *u.manufacturer;
  if (u.model) s.model = *u.model;
  if (u.readerName) s.readerName = *u.readerName;
  if (u.userPin) s.userPin = *u.userPin;
  if (u.soPin) s.soPin = *u.soPin;
  if (u.minPinLength) s.minPinLength = *u.minPinLength;
  if (u.maxPinLength) s.maxPinLength = *u.maxPinLength;
  if (u.userTriesMax) s.userTriesMax = *u.userTriesMax;
  s.userTriesLeft = u.userTriesLeft ? *u.userTriesLeft : s.userTriesMax;
  if (u.initialized) s.initialized = *u.initialized;
  if (u.pinToBeChanged) s.pinToBeChanged = *u.pinToBeChanged;
  if (u.loginRequired) s.loginRequired = *u.loginRequired;
  if (u.userPinInitialized) s.userPinInitialized = *u.userPinInitialized;
}

KeySpec KeyOptions(Arguments& args) {
  KeySpec key;
  auto keyFile = args.Option(L"key");
  auto modulus = args.Option(L"modulus");
  auto exponent = args.Option(L"exponent");
  if ((keyFile ? 1 : 0) + (modulus ? 1 : 0) != 1) throw Failure{"give exactly one of --cert, --key and --modulus"};
  if (keyFile) {
    std::string error;
    auto parts = ReadRsaKeyFile(*keyFile, error);
    if (!parts) throw Failure{error};
    key.modulus = parts->modulus;
    key.publicExponent = parts->publicExponent;
  } else {
    key.modulus = HexArgument(*modulus, "--modulus");
    if (exponent) key.publicExponent = HexArgument(*exponent, "--exponent");
  }
  return key;
}

// A second process for tests: binds the module like the programs, says "ready" once it is
// initialised, then prints "event <slot> <code> <value>" per event. Exit code 3 when the time
// runs out first (a watchdog finalises the module, which ends the wait).
int WaitEvents(CK_ULONG count, CK_ULONG timeoutMs) {
  win::UniqueModule module(::LoadLibraryW(L"vlxca_v4.dll"));
  if (!module) return Fail("cannot load vlxca_v4.dll");
  auto getList = reinterpret_cast<CK_C_GetFunctionList>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "C_GetFunctionList")));
  auto getAux = reinterpret_cast<CK_E_GetAuxFunctionList>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "E_GetAuxFunctionList")));
  CK_FUNCTION_LIST_PTR functions = nullptr;
  AUX_FUNCTION_LIST_PTR aux = nullptr;
  if (!getList || !getAux || getList(&functions) != CKR_OK || getAux(&aux) != CKR_OK ||
      functions->C_Initialize(nullptr) != CKR_OK) {
    return Fail("cannot bind vlxca_v4.dll");
  }
  Print("ready\n");
  win::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread watchdog([&] {
    if (::WaitForSingleObject(done.get(), timeoutMs) == WAIT_TIMEOUT) functions->C_Finalize(nullptr);
  });
  int result = 0;
  for (CK_ULONG received = 0; received < count;) {
    CK_ULONG slot = 0, code = 0, extra = 0;
    const CK_RV rv = aux->AuxWaitTokenEvent(0, &slot, &code, &extra, nullptr);
    if (rv == CKR_CRYPTOKI_NOT_INITIALIZED) {
      Print("timeout\n");
      result = 3;
      break;
    }
    if (rv != CKR_OK) continue;
    Print("event " + std::to_string(slot) + " " + std::to_string(code) + " " + std::to_string(extra) + "\n");
    ++received;
  }
  ::SetEvent(done.get());
  watchdog.join();
  functions->C_Finalize(nullptr);
  return result;
}

int Run(int argc, wchar_t** argv) {
  std::set<std::wstring> switches = {L"removed", L"ca", L"no-basic-constraints", L"no-encrypt", L"no-verify"};
  Arguments args;
  std::string error;
  if (!args.Parse(argc, argv, 1, switches, error)) return Usage(error);
  std::optional<std::wstring> home = args.Option(L"home");
  if (args.Positional().empty()) return Usage("no command given");
  // The module wait-events loads finds its home in the environment, like the programs' copy.
  if (home && !::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", home->c_str())) return Fail("cannot set the home");
  const std::wstring command = args.Positional()[0];
  TokenControl control(home ? *home : DefaultHome());
  const size_t positional = args.Positional().size();

  // Every option must have been read before anything changes: a typo stops the command.
  auto checked = [&]() {
    std::string unused = args.Unused();
    if (!unused.empty()) throw UsageError{"options not used by " + Utf8(command) + ": " + unused};
    return true;
  };
  auto finish = [&](const Status& status, const std::string& printed = {}) {
    if (!status) return Fail(status.message);
    if (!printed.empty()) Print(printed);
    return 0;
  };
  auto expectPositional = [&](size_t count) {
    if (positional != count) throw Failure{Utf8(command) + " takes " + std::to_string(count - 1) + " argument(s)"};
  };

  try {
    if (command == L"reset") {
      expectPositional(1);
      checked();
      return finish(control.Reset());
    }
    if (command == L"show") {
      expectPositional(1);
      checked();
      auto text = control.Describe();
      return finish(text ? Status{} : Status::Failure(text.message), text ? *text : std::string());
    }
    if (command == L"create-token") {
      expectPositional(2);
      TokenSpec spec;
      TokenUpdate u = TokenOptions(args, &spec);
      ApplyToSpec(u, spec);
      const bool inserted = !args.Switch(L"removed");
      checked();
      return finish(control.CreateToken(SlotArgument(args, 1), spec, inserted));
    }
    if (command == L"update-token") {
      expectPositional(2);
      TokenUpdate u = TokenOptions(args, nullptr);
      checked();
      return finish(control.UpdateToken(SlotArgument(args, 1), u));
    }
    if (command == L"delete-token" || command == L"insert" || command == L"remove") {
      expectPositional(2);
      const CK_SLOT_ID slot = SlotArgument(args, 1);
      checked();
      return finish(command == L"insert"   ? control.Insert(slot)
                    : command == L"remove" ? control.Remove(slot)
                                           : control.DeleteToken(slot));
    }
    if (command == L"enrol") {
      expectPositional(2);
      KeyPairRequest request;
      auto container = args.Option(L"container");
      if (!container) throw Failure{"enrol needs --container"};
      request.container = Ansi(*container);
      if (auto v = args.Option(L"subject")) request.subject = *v;
      if (auto v = args.Option(L"key-bits")) request.keyBits = UlongArgument(*v, "--key-bits");
      if (auto v = args.Option(L"key-usage")) {
        const CK_ULONG usage = UlongArgument(*v, "--key-usage");
        if (usage > 255) throw Failure{"--key-usage is one byte"};
        request.keyUsage = static_cast<unsigned char>(usage);
      }
      request.isCa = args.Switch(L"ca");
      request.addBasicConstraints = !args.Switch(L"no-basic-constraints");
      if (auto v = args.Option(L"days")) {
        auto days = ParseSigned(*v);
        if (!days) throw Failure{"--days must be a number"};
        request.validityDays = *days;
      }
      if (auto v = args.Option(L"start-days")) {
        auto days = ParseSigned(*v);
        if (!days) throw Failure{"--start-days must be a number"};
        request.startOffsetDays = *days;
      }
      if (auto v = args.Option(L"cert")) request.certificateFile = *v;
      if (auto v = args.Option(L"key")) request.keyFile = *v;
      if (auto v = args.Option(L"issuer-cert")) request.issuerCertificateFile = *v;
      if (auto v = args.Option(L"issuer-key")) request.issuerKeyFile = *v;
      if (auto v = args.Option(L"id")) request.id = HexArgument(*v, "--id");
      if (auto v = args.Option(L"label")) request.label = Utf8(*v);
      request.encrypt = !args.Switch(L"no-encrypt");
      request.verify = !args.Switch(L"no-verify");
      checked();
      auto handles = control.EnrolKeyPair(SlotArgument(args, 1), request);
      if (!handles) return finish(Status::Failure(handles.message));
      return finish({}, "certificate " + std::to_string(handles->certificate) + " public-key " +
                            std::to_string(handles->publicKey) + " private-key " +
                            std::to_string(handles->privateKey) + "\n");
    }
    if (command == L"add-certificate") {
      expectPositional(2);
      auto cert = args.Option(L"cert");
      if (!cert) throw Failure{"add-certificate needs --cert"};
      Outcome<Bytes> der = ReadCertificateFile(*cert);
      if (!der) throw Failure{der.message};
      std::string container = args.Option(L"container") ? Ansi(*args.Option(L"container")) : std::string();
      Bytes id = args.Option(L"id") ? HexArgument(*args.Option(L"id"), "--id") : Bytes();
      std::string label = args.Option(L"label") ? Utf8(*args.Option(L"label")) : std::string();
      checked();
      auto handle = control.AddCertificate(SlotArgument(args, 1), *der, container, id, label);
      if (!handle) return finish(Status::Failure(handle.message));
      return finish({}, "certificate " + std::to_string(*handle) + "\n");
    }
    if (command == L"add-public-key" || command == L"add-private-key") {
      expectPositional(2);
      KeySpec key;
      auto cert = args.Option(L"cert");
      if (cert) {
        Outcome<Bytes> der = ReadCertificateFile(*cert);
        if (!der) throw Failure{der.message};
        auto parts = CertificateKey(*der);
        if (!parts) throw Failure{"the certificate has no RSA key"};
        if (args.Option(L"key") || args.Option(L"modulus")) throw Failure{"give one of --cert, --key and --modulus"};
        key.modulus = parts->modulus;
        key.publicExponent = parts->publicExponent;
      } else {
        key = KeyOptions(args);
      }
      if (auto v = args.Option(L"container")) key.container = Ansi(*v);
      if (auto v = args.Option(L"id")) key.id = HexArgument(*v, "--id");
      if (auto v = args.Option(L"label")) key.label = Utf8(*v);
      key.encrypt = !args.Switch(L"no-encrypt");
      key.verify = !args.Switch(L"no-verify");
      const CK_SLOT_ID slot = SlotArgument(args, 1);
      checked();
      auto handle = command == L"add-public-key" ? control.AddPublicKey(slot, key) : control.AddPrivateKey(slot, key);
      if (!handle) return finish(Status::Failure(handle.message));
      return finish({}, (command == L"add-public-key" ? "public-key " : "private-key ") + std::to_string(*handle) + "\n");
    }
    if (command == L"delete-object") {
      expectPositional(3);
      checked();
      return finish(control.DeleteObject(SlotArgument(args, 1), UlongArgument(args.Positional()[2], "the handle")));
    }
    if (command == L"set-attribute") {
      expectPositional(4);
      const CK_SLOT_ID slot = SlotArgument(args, 1);
      const CK_ULONG handle = UlongArgument(args.Positional()[2], "the handle");
      const CK_ULONG type = UlongArgument(args.Positional()[3], "the attribute type");
      auto text = args.Option(L"text");
      auto hex = args.Option(L"hex");
      auto ulong = args.Option(L"ulong");
      auto boolean = args.Option(L"bool");
      if ((text ? 1 : 0) + (hex ? 1 : 0) + (ulong ? 1 : 0) + (boolean ? 1 : 0) != 1) {
        throw Failure{"give exactly one of --text, --hex, --ulong and --bool"};
      }
      Bytes value = text      ? TextValue(Ansi(*text))
                    : hex     ? HexArgument(*hex, "--hex")
                    : ulong   ? UlongValue(UlongArgument(*ulong, "--ulong"))
                              : BoolValue(BoolArgument(*boolean, "--bool"));
      checked();
      return finish(control.SetAttribute(slot, handle, type, value));
    }
    if (command == L"event") {
      if (positional != 3 && positional != 4) throw Failure{"event takes a slot, a code and an optional value"};
      const CK_ULONG value = positional == 4 ? UlongArgument(args.Positional()[3], "the value") : 0;
      checked();
      return finish(control.RaiseEvent(SlotArgument(args, 1), UlongArgument(args.Positional()[2], "the code"), value));
    }
    if (command == L"register-csp") {
      if (positional > 2) throw Failure{"register-csp takes at most a path"};
      std::wstring path = positional == 2 ? args.Positional()[1]
                                          : win::DirectoryOf(win::ModuleFileName()) + L"\\vlx_token_csp.dll";
      checked();
      return finish(RegisterCsp(path));
    }
    if (command == L"unregister-csp") {
      expectPositional(1);
      checked();
      return finish(UnregisterCsp());
    }
    if (command == L"wait-events") {
      expectPositional(2);
      const CK_ULONG count = UlongArgument(args.Positional()[1], "the count");
      CK_ULONG timeout = 10000;
      if (auto v = args.Option(L"timeout")) timeout = UlongArgument(*v, "--timeout");
      checked();
      return WaitEvents(count, timeout);
    }
    return Usage("unknown command " + Utf8(command));
  } catch (const Failure& failure) {
    return Fail(failure.message);
  } catch (const UsageError& usage) {
    return Usage(usage.message);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Output is UTF-8 with plain line feeds, the same on a console and in a pipe.
  _setmode(_fileno(stdout), _O_BINARY);
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    return Fail(std::string("unexpected failure: ") + e.what());
  }
}
