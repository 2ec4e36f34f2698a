#include "platform/speech/engine_host.h"

#include <cstdio>

#include "platform/activation/activation.h"
#include "platform/com/unicode.h"

std::string HresultText(HRESULT hr) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(hr));
  return text;
}

HRESULT OpenEngine(ISpObjectToken* token, EngineHandle* handle, std::string* error) {
  *handle = EngineHandle{};
  LPWSTR clsidText = nullptr;
  HRESULT hr = token->GetStringValue(AsWide(u"CLSID"), &clsidText);
  CLSID clsid{};
  const std::string clsidUtf8 =
      clsidText != nullptr ? Utf16ToUtf8(AsUtf16(clsidText)) : std::string();
  CoTaskMemFree(clsidText);
  if (FAILED(hr) || !GuidFromString(clsidUtf8.c_str(), &clsid)) {
    *error =
        "the voice token names no engine class; reinstall the voice with brelvox install-voice";
    return FAILED(hr) ? hr : E_FAIL;
  }
  hr =
      CoCreateInstance(clsid, nullptr, IID_ISpTTSEngine, reinterpret_cast<void**>(&handle->engine));
  if (FAILED(hr)) {
    *error = hr == REGDB_E_CLASSNOTREG
                 ? "the engine class " + clsidUtf8 + " is not registered; run brelvox register"
                 : "the engine library of " + clsidUtf8 +
                       " could not be loaded; run brelvox "
                       "register again";
    return hr;
  }
  ISpObjectWithToken* withToken = nullptr;
  hr = handle->engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
  if (SUCCEEDED(hr)) {
    hr = withToken->SetObjectToken(token);
    withToken->Release();
  }
  if (FAILED(hr)) {
    *error =
        "the voice's data files could not be loaded; check the VoiceData, GrammarData and "
        "UserDictData paths with brelvox voices";
    CloseEngine(handle);
    return hr;
  }
  GUID formatId = GUID_NULL;
  WAVEFORMATEX* format = nullptr;
  handle->formatResult =
      handle->engine->GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &formatId, &format);
  if (SUCCEEDED(handle->formatResult) && format != nullptr) handle->format = *format;
  CoTaskMemFree(format);
  return S_OK;
}

void CloseEngine(EngineHandle* handle) {
  if (handle->engine != nullptr) handle->engine->Release();
  handle->engine = nullptr;
}
