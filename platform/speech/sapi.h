// The speech platform's application-side declarations (events, object tokens and their data keys,
// the fragment state), with its published layouts, values and function-table order; on Windows the
// system's sapi.h gives them. The engine-side declarations are in sapi_ddk.h, for both systems.
#pragma once

#if defined(_WIN32)
#include "platform/com/com.h"
// After windows.h, which the system's sapi.h needs first.
#include <sapi.h>
#else

#include <cstddef>

#include "platform/com/com.h"

enum SPVACTIONS : int32_t {
  SPVA_Speak = 0,
  SPVA_Silence = 1,
  SPVA_Pronounce = 2,
  SPVA_Bookmark = 3,
  SPVA_SpellOut = 4,
  SPVA_Section = 5,
  SPVA_ParseUnknownTag = 6,
};

enum SPEVENTENUM : uint16_t {
  SPEI_TTS_BOOKMARK = 4,
  SPEI_WORD_BOUNDARY = 5,
  SPEI_PHONEME = 6,
  SPEI_SENTENCE_BOUNDARY = 7,
  SPEI_VISEME = 8,
};

enum SPEVENTLPARAMTYPE : uint16_t {
  SPET_LPARAM_IS_UNDEFINED = 0,
  SPET_LPARAM_IS_TOKEN = 1,
  SPET_LPARAM_IS_OBJECT = 2,
  SPET_LPARAM_IS_POINTER = 3,
  SPET_LPARAM_IS_STRING = 4,
};

enum SPVFEATURE : int32_t { SPVFEATURE_STRESSED = 1, SPVFEATURE_EMPHASIS = 2 };

inline constexpr DWORD SPF_ASYNC = 1;
inline constexpr DWORD SPF_PURGEBEFORESPEAK = 2;
inline constexpr DWORD SPF_IS_XML = 8;
inline constexpr DWORD SPF_NLP_SPEAK_PUNC = 0x40;

using SPPHONEID = WCHAR;

struct SPVPITCH {
  LONG MiddleAdj;
  LONG RangeAdj;
};

struct SPVCONTEXT {
  LPCWSTR pCategory;
  LPCWSTR pBefore;
  LPCWSTR pAfter;
};

struct SPVSTATE {
  SPVACTIONS eAction;
  LANGID LangID;
  WORD wReserved;
  LONG EmphAdj;
  LONG RateAdj;
  ULONG Volume;
  SPVPITCH PitchAdj;
  ULONG SilenceMSecs;
  SPPHONEID* pPhoneIds;
  int32_t ePartOfSpeech;
  SPVCONTEXT Context;
};

struct SPEVENT {
  SPEVENTENUM eEventId : 16;
  SPEVENTLPARAMTYPE elParamType : 16;
  ULONG ulStreamNum;
  ULONGLONG ullAudioStreamOffset;
  WPARAM wParam;
  LPARAM lParam;
};

inline constexpr GUID SPDFID_WaveFormatEx = {
    0xC31ADBAE, 0x527F, 0x4FF5, {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};
inline constexpr IID IID_ISpObjectWithToken = {
    0x5B559F40, 0xE952, 0x11D2, {0xBB, 0x91, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpEventSink = {
    0xBE7A9CC9, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
inline constexpr IID IID_ISpDataKey = {
    0x14056581, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpObjectToken = {
    0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};

struct ISpEventSink : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) = 0;

 protected:
  ~ISpEventSink() = default;
};

// Only the calls the engine makes are given types of their own; the others keep their place in the
// function table.
struct ISpDataKey : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetData(LPCWSTR name, ULONG size, const BYTE* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetData(LPCWSTR name, ULONG* size, BYTE* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR name, LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR name, LPWSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR name, DWORD value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR name, DWORD* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR name, ISpDataKey** key) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR name, ISpDataKey** key) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumKeys(ULONG index, LPWSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumValues(ULONG index, LPWSTR* name) = 0;

 protected:
  ~ISpDataKey() = default;
};

struct ISpObjectTokenCategory;  // not used by the engine
using HWND = void*;

struct ISpObjectToken : ISpDataKey {
  virtual HRESULT STDMETHODCALLTYPE SetId(LPCWSTR category, LPCWSTR id, BOOL create) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory** category) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, DWORD context, REFIID riid,
                                                   void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID caller, LPCWSTR valueName,
                                                       LPCWSTR fileSpec, ULONG folder,
                                                       LPWSTR* path) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID caller, LPCWSTR key,
                                                          BOOL deleteFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE Remove(const CLSID* caller) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR type, void* data, ULONG size,
                                                  IUnknown* object, BOOL* supported) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisplayUI(HWND parent, LPCWSTR title, LPCWSTR type, void* data,
                                              ULONG size, IUnknown* object) = 0;
  virtual HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR attributes, BOOL* matches) = 0;

 protected:
  ~ISpObjectToken() = default;
};

struct ISpObjectWithToken : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetObjectToken(ISpObjectToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetObjectToken(ISpObjectToken** token) = 0;

 protected:
  ~ISpObjectWithToken() = default;
};
#endif

#include "platform/speech/sapi_ddk.h"
