// The engine-side declarations of the speech platform that no system header provides: the text
// fragments an engine is handed, the actions and skips its site reports, the engine and its site,
// with the platform's published layouts, values, interface ids and function-table order.
#pragma once

#include "platform/speech/sapi.h"

enum SPVESACTIONS : DWORD {
  SPVES_CONTINUE = 0,
  SPVES_ABORT = 1,
  SPVES_SKIP = 2,
  SPVES_RATE = 4,
  SPVES_VOLUME = 8,
};

enum SPVSKIPTYPE : int32_t { SPVST_SENTENCE = 1 };

struct SPVTEXTFRAG {
  SPVTEXTFRAG* pNext;
  SPVSTATE State;
  LPCWSTR pTextStart;
  ULONG ulTextLen;
  ULONG ulTextSrcOffset;
};

inline constexpr IID IID_ISpTTSEngine = {
    0xA74D7C8E, 0x4CC5, 0x4F2F, {0xA6, 0xEB, 0x80, 0x4D, 0xEE, 0x18, 0x50, 0x0E}};
inline constexpr IID IID_ISpTTSEngineSite = {
    0x9880499B, 0xCCE9, 0x11D2, {0xB5, 0x03, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};

struct ISpTTSEngineSite : ISpEventSink {
  virtual DWORD STDMETHODCALLTYPE GetActions() = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG bytes, ULONG* written) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRate(LONG* rateAdjust) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVolume(WORD* volume) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) = 0;

 protected:
  ~ISpTTSEngineSite() = default;
};

struct ISpTTSEngine : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Speak(DWORD speakFlags, REFGUID formatId,
                                          const WAVEFORMATEX* waveFormat,
                                          const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId,
                                                    const WAVEFORMATEX* targetWaveFormat,
                                                    GUID* outputFormatId,
                                                    WAVEFORMATEX** outputWaveFormat) = 0;

 protected:
  ~ISpTTSEngine() = default;
};
