#include "engine/sapi/server.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "engine/sapi/bg_voice_engine.h"
#include "engine/sapi/type_library.h"
#include "platform/com/files.h"
#include "platform/registry/registry.h"

namespace {

volatile LONG g_locks = 0;

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // The server keeps one reference of its own; every other one holds the module.
  ULONG STDMETHODCALLTYPE AddRef() override {
    LockModule();
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    UnlockModule();
    return static_cast<ULONG>(InterlockedDecrement(&references_));
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    return CBGVoiceEngine::CreateInstance(outer, riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock != FALSE) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }

 private:
  volatile LONG references_ = 1;
};

std::mutex g_factoryMutex;
ClassFactory* g_factory = nullptr;

// Releases the cached class factory when the library is unloaded.
struct FactoryOwner {
  ~FactoryOwner() { delete g_factory; }
} g_factoryOwner;

// The full path of this library.
std::string ModulePath() {
  HMODULE module = nullptr;
  char path[4096] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCSTR>(&ModulePath), &module) == FALSE ||
      GetModuleFileNameA(module, path, sizeof path) == 0) {
    return {};
  }
  return path;
}

// A reader of the registration script: names, quoted strings, '=', '{' and '}'.
class ScriptReader {
 public:
  explicit ScriptReader(std::string text) : text_(std::move(text)) {}

  bool AtEnd() {
    SkipSpace();
    return at_ >= text_.size();
  }
  bool Peek(char c) {
    SkipSpace();
    return at_ < text_.size() && text_[at_] == c;
  }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++at_;
    return true;
  }
  // A bare word or a 'quoted' one.
  bool Word(std::string* word) {
    SkipSpace();
    word->clear();
    if (at_ < text_.size() && text_[at_] == '\'') {
      for (++at_; at_ < text_.size(); ++at_) {
        if (text_[at_] == '\'' && at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
          *word += '\'';
          ++at_;
        } else if (text_[at_] == '\'') {
          ++at_;
          return true;
        } else {
          *word += text_[at_];
        }
      }
      return false;
    }
    // A braced name such as a class id: '{' directly followed by its text, up to its '}'.
    if (at_ + 1 < text_.size() && text_[at_] == '{' &&
        std::isalnum(static_cast<unsigned char>(text_[at_ + 1]))) {
      const size_t close = text_.find('}', at_);
      if (close == std::string::npos) return false;
      *word = text_.substr(at_, close + 1 - at_);
      at_ = close + 1;
      return true;
    }
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
           text_[at_] != '=' && text_[at_] != '{' && text_[at_] != '}') {
      *word += text_[at_++];
    }
    return !word->empty();
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
      ++at_;
  }
  std::string text_;
  size_t at_ = 0;
};

HRESULT FromRegistry(LONG error) {
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

// "= s 'text'": the string value that follows a name, if any.
bool ReadAssignment(ScriptReader& reader, bool* present, std::string* value) {
  *present = reader.Take('=');
  if (!*present) return true;
  std::string type;
  return reader.Word(&type) && type == "s" && reader.Word(value);
}

HRESULT RunKeys(ScriptReader& reader, HKEY root, const std::string& parent, bool registering);

// One key: [NoRemove|ForceRemove] name [= s 'default'] [{ body }].
HRESULT RunKey(ScriptReader& reader, HKEY root, const std::string& parent, bool registering) {
  std::string word;
  if (!reader.Word(&word)) return E_FAIL;
  bool noRemove = false;
  bool forceRemove = false;
  if (word == "NoRemove" || word == "ForceRemove") {
    noRemove = word == "NoRemove";
    forceRemove = word == "ForceRemove";
    if (!reader.Word(&word)) return E_FAIL;
  }
  const std::string path = parent.empty() ? word : parent + "\\" + word;
  bool hasDefault = false;
  std::string value;
  if (!ReadAssignment(reader, &hasDefault, &value)) return E_FAIL;
  if (registering) {
    if (forceRemove) RegDeleteTreeA(root, path.c_str());
    HKEY key = nullptr;
    HRESULT hr = FromRegistry(
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    if (SUCCEEDED(hr) && hasDefault) {
      hr = FromRegistry(RegSetValueExA(key, nullptr, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1)));
    }
    if (key != nullptr) RegCloseKey(key);
    if (FAILED(hr)) return hr;
  }
  if (reader.Take('{')) {
    const HRESULT hr = RunKeys(reader, root, path, registering);
    if (FAILED(hr)) return hr;
  }
  if (!registering && !noRemove) {
    const LONG removed = RegDeleteTreeA(root, path.c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) return FromRegistry(removed);
  }
  return S_OK;
}

// The body of a key up to its closing brace: named values ("val Name = s 'text'") and subkeys.
HRESULT RunKeys(ScriptReader& reader, HKEY root, const std::string& parent, bool registering) {
  while (!reader.Take('}')) {
    if (reader.AtEnd()) return E_FAIL;
    if (reader.Peek('v')) {
      ScriptReader probe = reader;
      std::string word;
      if (probe.Word(&word) && word == "val") {
        reader = probe;
        std::string name;
        std::string value;
        bool present = false;
        if (!reader.Word(&name) || !ReadAssignment(reader, &present, &value) || !present) {
          return E_FAIL;
        }
        if (registering) {
          const HRESULT hr = FromRegistry(RegSetString(root, parent.c_str(), name.c_str(), value));
          if (FAILED(hr)) return hr;
        }
        continue;
      }
    }
    const HRESULT hr = RunKey(reader, root, parent, registering);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

void LockModule() {
  InterlockedIncrement(&g_locks);
}
void UnlockModule() {
  InterlockedDecrement(&g_locks);
}
LONG ModuleLockCount() {
  return __atomic_load_n(&g_locks, __ATOMIC_SEQ_CST);
}

constexpr char kRegistrationScript[] =
#include "engine/sapi/registration_script.inc"
    ;
// The script names the class by its text; it must be the engine's own.
static_assert(std::string_view(kRegistrationScript).find(kEngineClassId) != std::string_view::npos);

HRESULT RunRegistrationScript(const char* script, const char* modulePath, bool registering) {
  std::string text = script;
  for (size_t at = text.find("%MODULE%"); at != std::string::npos;
       at = text.find("%MODULE%", at + std::strlen(modulePath))) {
    text.replace(at, 8, modulePath);
  }
  ScriptReader reader(text);
  while (!reader.AtEnd()) {
    std::string rootName;
    if (!reader.Word(&rootName) || !reader.Take('{')) return E_FAIL;
    HKEY root = RegistryRootByName(rootName);
    if (root == nullptr) return E_FAIL;
    const HRESULT hr = RunKeys(reader, root, "", registering);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

BRELVOX_EXPORT DllCanUnloadNow() {
  return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

BRELVOX_EXPORT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(clsid, CLSID_BGVoiceEngine)) return CLASS_E_CLASSNOTAVAILABLE;
  {
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    if (g_factory == nullptr) g_factory = new (std::nothrow) ClassFactory();
  }
  if (g_factory == nullptr) return E_OUTOFMEMORY;
  return g_factory->QueryInterface(riid, object);
}

BRELVOX_EXPORT DllRegisterServer() {
  const std::string path = ModulePath();
  if (path.empty()) return E_FAIL;
  const HRESULT hr = RunRegistrationScript(RegistrationScript().c_str(), path.c_str(), true);
  return FAILED(hr) ? hr : RegisterTypeLibrary(path);
}

BRELVOX_EXPORT DllUnregisterServer() {
  const std::string path = ModulePath();
  const HRESULT hr = RunRegistrationScript(RegistrationScript().c_str(), path.c_str(), false);
  if (FAILED(hr)) return hr;
  return UnregisterTypeLibrary();
}
