#include "engine/sapi/bg_voice_engine.h"

#include <new>

#include "engine/core/synthesize.h"
#include "engine/core/text/text_item.h"
#include "engine/sapi/front_end.h"
#include "engine/sapi/server.h"
#include "engine/sapi/text_fragments.h"
#include "platform/com/memory_checks.h"
#include "platform/com/structured_exception.h"

namespace {

constexpr size_t kFragmentBytes = 68;  // one fragment as the platform's 32-bit layout has it

// SPERR_UNSUPPORTED_FORMAT: the voice's rate is not one the platform has a stream format for.
constexpr HRESULT kUnsupportedFormat = static_cast<HRESULT>(0x80045003u);
constexpr DWORD kSupportedRates[] = {8000, 16000, 22050, 24000, 44100, 48000};

bool UsableInterface(const void* pointer) {
  if (IsBadReadPtr(pointer, sizeof(void*))) return false;
  const void* table = *static_cast<const void* const*>(pointer);
  return !IsBadReadPtr(table, sizeof(void*));
}

}  // namespace

CBGVoiceEngine::CBGVoiceEngine(IUnknown* outer) : outer_(outer) {
  inner_.owner = this;
  LockModule();
}

CBGVoiceEngine::~CBGVoiceEngine() {
  if (token_ != nullptr) token_->Release();
  UnlockModule();
}

HRESULT CBGVoiceEngine::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr && !IsEqualGUID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* engine = new (std::nothrow) CBGVoiceEngine(outer);
  if (engine == nullptr) return E_OUTOFMEMORY;
  engine->InternalAddRef();  // the temporary reference around final construction
  engine->FinalConstruct();
  const HRESULT hr = engine->InternalQueryInterface(riid, object);
  engine->InternalRelease();
  return hr;
}

void CBGVoiceEngine::FinalConstruct() {
  voice_ = VoiceInventory{};
  voiceLoaded_ = false;
  siteTable_ = MakeEngineSite(&adapter_);
  voiceFile_ = grammarFile_ = dictionaryFile_ = MappedFile{};
  grammar_ = nullptr;
  dictionary_ = nullptr;
  settingsKey_ = nullptr;
  adapter_ = SiteAdapter{};
}

void CBGVoiceEngine::FinalRelease() {
  if (settingsKey_ != nullptr) RegCloseKey(settingsKey_);
  settingsKey_ = nullptr;
  // Loaded data points into the views: free it before unmapping.
  if (voiceFile_.view != nullptr) ReleaseVoiceBuffers(&voice_);
  CloseMappedFile(&voiceFile_);
  FreeGrammar(grammar_);
  grammar_ = nullptr;
  CloseMappedFile(&grammarFile_);
  FreeTransducer(dictionary_);
  dictionary_ = nullptr;
  CloseMappedFile(&dictionaryFile_);
}

HRESULT CBGVoiceEngine::InternalQueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  IUnknown* found = nullptr;
  if (IsEqualGUID(riid, IID_IUnknown)) {
    found = outer_ != nullptr ? static_cast<IUnknown*>(&inner_)
                              : static_cast<IUnknown*>(static_cast<ISpTTSEngine*>(this));
  } else if (IsEqualGUID(riid, IID_ISpTTSEngine)) {
    found = static_cast<ISpTTSEngine*>(this);
  } else if (IsEqualGUID(riid, IID_ISpObjectWithToken)) {
    found = static_cast<ISpObjectWithToken*>(this);
  } else {
    return E_NOINTERFACE;
  }
  found->AddRef();
  *object = found;
  return S_OK;
}

ULONG CBGVoiceEngine::InternalAddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG CBGVoiceEngine::InternalRelease() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) {
    FinalRelease();
    delete this;
  }
  return static_cast<ULONG>(left);
}

HRESULT CBGVoiceEngine::QueryInterface(REFIID riid, void** object) {
  return outer_ != nullptr ? outer_->QueryInterface(riid, object)
                           : InternalQueryInterface(riid, object);
}
ULONG CBGVoiceEngine::AddRef() {
  return outer_ != nullptr ? outer_->AddRef() : InternalAddRef();
}
ULONG CBGVoiceEngine::Release() {
  return outer_ != nullptr ? outer_->Release() : InternalRelease();
}

HRESULT CBGVoiceEngine::InnerUnknown::QueryInterface(REFIID riid, void** object) {
  return owner->InternalQueryInterface(riid, object);
}
ULONG CBGVoiceEngine::InnerUnknown::AddRef() {
  return owner->InternalAddRef();
}
ULONG CBGVoiceEngine::InnerUnknown::Release() {
  return owner->InternalRelease();
}

HRESULT CBGVoiceEngine::Speak(DWORD speakFlags, REFGUID, const WAVEFORMATEX*,
                              const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) {
  if (!voiceLoaded_ || grammar_ == nullptr) return E_FAIL;
  adapter_.site = site;
  HRESULT result = S_OK;
  if (!UsableInterface(site)) {
    adapter_.site = nullptr;
    return E_INVALIDARG;
  }
  if (IsBadReadPtr(fragments, kFragmentBytes)) {
    result = E_INVALIDARG;
  } else {
    adapter_.streamNumber += 1;
    adapter_.pendingActions = 0;
    DynArray* items = collectTextItems(fragments);
    if (items == nullptr) {
      result = E_OUTOFMEMORY;
    } else if ((AdapterGetActions(&adapter_) & SPVES_ABORT) == 0) {
      if (items->count > 0) {
        struct Call {
          CBGVoiceEngine* engine;
          const DynArray* items;
          DWORD flags;
          HRESULT result;
        } call{this, items, speakFlags, S_OK};
        const HRESULT guarded = RunWithExceptionGuard(
            [](void* context) {
              auto* c = static_cast<Call*>(context);
              c->result = c->engine->RunSynthesis(c->items, c->flags);
            },
            &call);
        result = FAILED(guarded) ? E_FAIL : call.result;
      }
    }
    DynArrayRelease(items);
  }
  if ((AdapterGetActions(&adapter_) & SPVES_ABORT) != 0) result = S_SPEAK_ABORTED;
  adapter_.site = nullptr;
  return result;
}

HRESULT CBGVoiceEngine::RunSynthesis(const DynArray* items, DWORD speakFlags) {
  if ((AdapterGetActions(&adapter_) & SPVES_ABORT) != 0) return S_SPEAK_ABORTED;
  const DWORD options = ReadEngineOptions(&settingsKey_, speakFlags);
  return Synthesize(&voice_, grammar_, dictionary_, items, static_cast<int32_t>(options),
                    &siteTable_);
}

HRESULT CBGVoiceEngine::GetOutputFormat(const GUID*, const WAVEFORMATEX*, GUID* outputFormatId,
                                        WAVEFORMATEX** outputWaveFormat) {
  bool supported = false;
  for (DWORD rate : kSupportedRates)
    supported = supported || rate == adapter_.sampleRate;
  if (!supported) return kUnsupportedFormat;
  if (IsBadWritePtr(outputFormatId, sizeof(GUID)) ||
      IsBadWritePtr(outputWaveFormat, sizeof(WAVEFORMATEX*))) {
    return E_INVALIDARG;
  }
  auto* format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  *outputWaveFormat = format;
  if (format == nullptr) {
    *outputFormatId = GUID_NULL;
    return E_OUTOFMEMORY;
  }
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->nChannels = 1;
  format->nSamplesPerSec = adapter_.sampleRate;
  format->nAvgBytesPerSec = 2 * adapter_.sampleRate;
  format->nBlockAlign = 2;
  format->wBitsPerSample = 16;
  format->cbSize = 0;
  *outputFormatId = SPDFID_WaveFormatEx;
  return S_OK;
}

HRESULT CBGVoiceEngine::SetObjectToken(ISpObjectToken* token) {
  if (grammar_ != nullptr) return E_FAIL;
  HRESULT result = E_FAIL;
  LPWSTR voicePath = nullptr;
  LPWSTR grammarPath = nullptr;
  LPWSTR dictionaryPath = nullptr;
  if (token_ == nullptr && UsableInterface(token)) {
    token_ = token;
    token_->AddRef();
    result = token_->GetStringValue(AsWide(kVoiceDataValueW), &voicePath);
    voiceFile_.size = 0;
    if (SUCCEEDED(result)) {
      result = mapDataFile(voicePath, &voiceFile_.mapping, &voiceFile_.view, &voiceFile_.size);
    }
    if (SUCCEEDED(result)) {
      voiceLoaded_ = LoadVoice(&voice_, voiceFile_.view, voiceFile_.size) != 0;
      if (voiceLoaded_) adapter_.sampleRate = static_cast<DWORD>(voice_.sampleRate);
      result = token_->GetStringValue(AsWide(kGrammarDataValueW), &grammarPath);
      if (SUCCEEDED(result))
        result = token_->GetStringValue(AsWide(kUserDictDataValueW), &dictionaryPath);
      if (SUCCEEDED(result)) {
        result =
            mapDataFile(grammarPath, &grammarFile_.mapping, &grammarFile_.view, &grammarFile_.size);
      }
    }
    grammarReader_ = MakeByteReader(grammarFile_.view, grammarFile_.size);
    if (SUCCEEDED(result)) {
      grammar_ = LoadGrammar(&grammarReader_);
      result = mapDataFile(dictionaryPath, &dictionaryFile_.mapping, &dictionaryFile_.view,
                           &dictionaryFile_.size);
    }
    dictionaryReader_ = MakeByteReader(dictionaryFile_.view, dictionaryFile_.size);
    if (dictionaryFile_.view != nullptr) dictionary_ = LoadTransducer(&dictionaryReader_);
  }
  if (grammar_ == nullptr) result = E_FAIL;
  CoTaskMemFree(voicePath);
  CoTaskMemFree(grammarPath);
  CoTaskMemFree(dictionaryPath);
  return result;
}

HRESULT CBGVoiceEngine::GetObjectToken(ISpObjectToken** token) {
  if (IsBadWritePtr(token, sizeof(ISpObjectToken*))) return E_POINTER;
  *token = token_;
  if (token_ == nullptr) return S_FALSE;
  token_->AddRef();
  return S_OK;
}
