// The voice engine object the speech platform creates for a voice of this engine: it binds the
// voice token's data files, announces its output format and speaks fragment lists through the core.
#pragma once

#include "engine/core/engine_site.h"
#include "engine/core/sound/voice_inventory.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"
#include "engine/files/data_file.h"
#include "engine/identity/engine_identity.h"
#include "engine/sapi/site_adapter.h"
#include "platform/registry/registry.h"
#include "platform/speech/sapi.h"

class CBGVoiceEngine final : public ISpTTSEngine, public ISpObjectWithToken {
 public:
  // Makes an object for the class factory: plain, or aggregated by `outer` (then only IUnknown may
  // be asked for, and the inner unknown is handed out).
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Speak(DWORD speakFlags, REFGUID formatId,
                                  const WAVEFORMATEX* waveFormat, const SPVTEXTFRAG* fragments,
                                  ISpTTSEngineSite* site) override;
  HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId,
                                            const WAVEFORMATEX* targetWaveFormat,
                                            GUID* outputFormatId,
                                            WAVEFORMATEX** outputWaveFormat) override;

  HRESULT STDMETHODCALLTYPE SetObjectToken(ISpObjectToken* token) override;
  HRESULT STDMETHODCALLTYPE GetObjectToken(ISpObjectToken** token) override;

 private:
  // The object's own IUnknown when it is aggregated.
  struct InnerUnknown final : IUnknown {
    CBGVoiceEngine* owner;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
  };

  explicit CBGVoiceEngine(IUnknown* outer);
  ~CBGVoiceEngine();
  void FinalConstruct();
  void FinalRelease();
  HRESULT InternalQueryInterface(REFIID riid, void** object);
  ULONG InternalAddRef();
  ULONG InternalRelease();
  HRESULT RunSynthesis(const DynArray* items, DWORD speakFlags);

  EngineSite siteTable_;
  ISpObjectToken* token_ = nullptr;
  MappedFile voiceFile_{};
  VoiceInventory voice_{};
  bool voiceLoaded_ = false;
  MappedFile grammarFile_{};
  ByteReader grammarReader_{};
  Grammar* grammar_ = nullptr;
  MappedFile dictionaryFile_{};
  ByteReader dictionaryReader_{};
  Transducer* dictionary_ = nullptr;
  HKEY settingsKey_ = nullptr;
  SiteAdapter adapter_{};  // site, pending actions, stream number, sample rate
  IUnknown* outer_;
  InnerUnknown inner_;
  volatile LONG references_ = 0;
};
