// Voice tokens: the platform's entries for installed voices, each naming the engine's class and its
// data files. Tokens live in the registry under
// HKEY_LOCAL_MACHINE\SOFTWARE\Speech\Voices\Tokens\NAME (values CLSID, VoiceData, GrammarData,
// UserDictData; subkey Attributes with Name, Language, Gender, Vendor); the default voice is named
// by HKEY_CURRENT_USER\SOFTWARE\Speech\Voices, value DefaultTokenId (else the same value under
// HKEY_LOCAL_MACHINE, the machine's default).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/speech/sapi.h"
#include "platform/speech/token_values.h"

#if defined(_WIN32)
// On Windows, where the system's speech platform keeps its voices.
inline constexpr char kVoiceTokensKey[] = "SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens";
inline constexpr char kVoicesKey[] = "SOFTWARE\\Microsoft\\Speech\\Voices";
#else
inline constexpr char kVoiceTokensKey[] = "SOFTWARE\\Speech\\Voices\\Tokens";
inline constexpr char kVoicesKey[] = "SOFTWARE\\Speech\\Voices";
#endif
inline constexpr HRESULT SPERR_NOT_FOUND = static_cast<HRESULT>(0x8004503Au);

// A token holding a fixed set of string values (read from the registry, or given directly).
class VoiceToken final : public ISpObjectToken {
 public:
  // A new token with one reference.
  static VoiceToken* Create(std::string id, std::map<std::string, std::string> values);
  // The registered token NAME, or null when there is none.
  static VoiceToken* FromRegistry(const std::string& name);

  const std::string& Id() const { return id_; }
  // A value, or empty.
  std::string Value(const std::string& name) const;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE SetData(LPCWSTR, ULONG, const BYTE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetData(LPCWSTR, ULONG*, BYTE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR name, LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR name, DWORD* value) override;
  HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR, ISpDataKey**) override { return SPERR_NOT_FOUND; }
  HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumKeys(ULONG, LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumValues(ULONG, LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetId(LPCWSTR, LPCWSTR, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, DWORD, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG,
                                               LPWSTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID, LPCWSTR, BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Remove(const CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR, BOOL*) override { return E_NOTIMPL; }

 private:
  VoiceToken(std::string id, std::map<std::string, std::string> values);
  ~VoiceToken() = default;
  std::string id_;
  std::map<std::string, std::string> values_;  // UTF-8; names as given
  volatile LONG references_ = 1;
};

struct VoiceDescription {
  std::string name;
  std::string clsid;
  std::string voiceData;
  std::string grammarData;
  std::string userDictData;
  std::string language = "402";
  std::string gender = "Female";
  std::string age = "Adult";
  std::string vendor = "BRELVOX";
};

// Token names are keys of the registry: at most this many bytes, not empty, and without a
// backslash or a control character.
inline constexpr size_t kMaxVoiceTokenName = 128;
// Empty when `name` can name a voice, else one sentence saying why not.
std::string VoiceTokenNameProblem(const std::string& name);

// Registered token names that can name a voice, in name order.
std::vector<std::string> ListVoiceTokens();
// The default token's name: the one DefaultTokenId names if it is registered, else the first one,
// else empty.
std::string DefaultVoiceToken();
// Writes (or rewrites) a token, its data files as absolute paths; with makeDefault, makes it the
// default voice. A registry error; ERROR_INVALID_PARAMETER when the name cannot name a voice.
LONG InstallVoiceToken(const VoiceDescription& voice, bool makeDefault);

// The voice a caller asks for by name (compared without regard to case, as the registry compares
// key names), or the default voice when `requested` is empty. The token's name, or empty with a
// one-sentence reason when there is no such voice.
std::string ChooseVoice(const std::string& requested, std::string* error);

// The registry key of a voice token, under HKEY_LOCAL_MACHINE.
std::string VoiceTokenKey(const std::string& name);
