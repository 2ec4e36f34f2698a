#include "platform/speech/voice_token.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "platform/com/unicode.h"
#include "platform/registry/registry.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

LPWSTR TaskString(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(WCHAR)));
  if (out == nullptr) return nullptr;
  std::copy(wide.begin(), wide.end(), out);
  out[wide.size()] = 0;
  return out;
}

std::string TokenKey(const std::string& name) {
  return std::string(kVoiceTokensKey) + "\\" + name;
}

// A data file as an absolute path, so that the token means the same file from any folder.
std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace

VoiceToken::VoiceToken(std::string id, std::map<std::string, std::string> values)
    : id_(std::move(id)), values_(std::move(values)) {}

VoiceToken* VoiceToken::Create(std::string id, std::map<std::string, std::string> values) {
  return new VoiceToken(std::move(id), std::move(values));
}

std::string VoiceTokenNameProblem(const std::string& name) {
  if (name.empty()) return "a voice needs a name; give --name NAME.";
  if (name.size() > kMaxVoiceTokenName) {
    return "the voice name is " + std::to_string(name.size()) + " bytes long; use at most " +
           std::to_string(kMaxVoiceTokenName) + ".";
  }
  for (const char c : name) {
    if (c == '\\') return "a voice name cannot hold a backslash; choose another name.";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      return "a voice name cannot hold a control character; choose another name.";
    }
  }
  return {};
}

VoiceToken* VoiceToken::FromRegistry(const std::string& name) {
  const std::string key = TokenKey(name);
  if (!VoiceTokenNameProblem(name).empty() || !RegKeyExists(HKEY_LOCAL_MACHINE, key.c_str()))
    return nullptr;
  std::map<std::string, std::string> values;
  for (const char* value :
       {kClassIdValue, kVoiceDataValue, kGrammarDataValue, kUserDictDataValue, ""}) {
    std::string text;
    if (RegGetString(HKEY_LOCAL_MACHINE, key.c_str(), value, &text)) values[value] = text;
  }
  return Create("HKEY_LOCAL_MACHINE\\" + key, std::move(values));
}

std::string VoiceToken::Value(const std::string& name) const {
  for (const auto& [key, value] : values_) {
    if (Lower(key) == Lower(name)) return value;
  }
  return {};
}

HRESULT VoiceToken::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_ISpDataKey) &&
      !IsEqualGUID(riid, IID_ISpObjectToken)) {
    return E_NOINTERFACE;
  }
  AddRef();
  *object = static_cast<ISpObjectToken*>(this);
  return S_OK;
}

ULONG VoiceToken::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG VoiceToken::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT VoiceToken::GetStringValue(LPCWSTR name, LPWSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  const std::string key = name == nullptr ? "" : Utf16ToUtf8(AsUtf16(name));
  for (const auto& [k, v] : values_) {
    if (Lower(k) != Lower(key)) continue;
    *value = TaskString(v);
    return *value == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  return SPERR_NOT_FOUND;
}

HRESULT VoiceToken::GetDWORD(LPCWSTR name, DWORD* value) {
  if (value == nullptr) return E_POINTER;
  const std::string text = Value(name == nullptr ? "" : Utf16ToUtf8(AsUtf16(name)));
  if (text.empty()) return SPERR_NOT_FOUND;
  *value = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
  return S_OK;
}

HRESULT VoiceToken::GetId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = TaskString(id_);
  return *id == nullptr ? E_OUTOFMEMORY : S_OK;
}

std::vector<std::string> ListVoiceTokens() {
  std::vector<std::string> names = RegSubkeys(HKEY_LOCAL_MACHINE, kVoiceTokensKey);
  std::erase_if(names,
                [](const std::string& name) { return !VoiceTokenNameProblem(name).empty(); });
  return names;
}

std::string DefaultVoiceToken() {
  const std::vector<std::string> tokens = ListVoiceTokens();
  std::string name;
  // The user's choice, else the machine's.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    if (!RegGetString(root, kVoicesKey, "DefaultTokenId", &name)) continue;
    for (const std::string& token : tokens) {
      if (Lower(token) == Lower(name)) return token;
    }
  }
  return tokens.empty() ? std::string() : tokens.front();
}

LONG InstallVoiceToken(const VoiceDescription& voice, bool makeDefault) {
  if (!VoiceTokenNameProblem(voice.name).empty()) return ERROR_INVALID_PARAMETER;
  const std::string key = TokenKey(voice.name);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
  const std::string attributes = key + "\\Attributes";
  const std::pair<const char*, std::string> values[] = {
      {"", voice.name},
      {kClassIdValue, voice.clsid},
      {kVoiceDataValue, Absolute(voice.voiceData)},
      {kGrammarDataValue, Absolute(voice.grammarData)},
      {kUserDictDataValue, Absolute(voice.userDictData)}};
  for (const auto& [name, value] : values) {
    if (const LONG e = RegSetString(HKEY_LOCAL_MACHINE, key.c_str(), name, value); e != 0) return e;
  }
  const std::pair<const char*, std::string> attributeValues[] = {{"Name", voice.name},
                                                                 {"Language", voice.language},
                                                                 {"Gender", voice.gender},
                                                                 {"Age", voice.age},
                                                                 {"Vendor", voice.vendor}};
  for (const auto& [name, value] : attributeValues) {
    if (const LONG e = RegSetString(HKEY_LOCAL_MACHINE, attributes.c_str(), name, value); e != 0) {
      return e;
    }
  }
  return makeDefault ? RegSetString(HKEY_CURRENT_USER, kVoicesKey, "DefaultTokenId", voice.name)
                     : 0;
}

std::string ChooseVoice(const std::string& requested, std::string* error) {
  if (requested.empty()) {
    const std::string name = DefaultVoiceToken();
    if (name.empty()) *error = "no voice is installed; install one with brelvox install-voice";
    return name;
  }
  const std::vector<std::string> names = ListVoiceTokens();
  const auto same = [&](const std::string& name) {
    return std::equal(name.begin(), name.end(), requested.begin(), requested.end(),
                      [](char a, char b) {
                        return std::tolower(static_cast<unsigned char>(a)) ==
                               std::tolower(static_cast<unsigned char>(b));
                      });
  };
  const auto found = std::find_if(names.begin(), names.end(), same);
  if (found == names.end()) {
    *error = "there is no voice " + requested + "; brelvox voices lists the installed ones";
    return {};
  }
  return *found;
}

std::string VoiceTokenKey(const std::string& name) {
  return std::string(kVoiceTokensKey) + "\\" + name;
}
