#include "engine/sapi/site_adapter.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

#include "engine/core/sound/phoneme_set.h"

namespace {

constexpr ULONG kWriteChunkBytes = 10240;

SiteAdapter& Adapter(void* context) {
  return *static_cast<SiteAdapter*>(context);
}

bool Aborted(SiteAdapter& a) {
  return (AdapterGetActions(&a) & ActionAbort) != 0;
}

HRESULT Post(SiteAdapter& a, SPEVENTENUM id, SPEVENTLPARAMTYPE type, int32_t samplePosition,
             WPARAM wParam, LPARAM lParam) {
  SPEVENT event{};
  event.eEventId = id;
  event.elParamType = type;
  event.ulStreamNum = a.streamNumber;
  event.ullAudioStreamOffset = 2ull * static_cast<ULONGLONG>(static_cast<uint32_t>(samplePosition));
  event.wParam = wParam;
  event.lParam = lParam;
  return a.site->AddEvents(&event, 1);
}

int32_t WriteAudio(void* context, const int16_t* samples, int32_t count) {
  SiteAdapter& a = Adapter(context);
  const ULONG bytes = 2u * static_cast<ULONG>(count > 0 ? count : 0);
  if (Aborted(a)) return S_SPEAK_ABORTED;
  const auto* data = reinterpret_cast<const BYTE*>(samples);
  HRESULT result = S_OK;
  for (ULONG accepted = 0; accepted < bytes && result == S_OK;) {
    if (Aborted(a)) {
      result = S_SPEAK_ABORTED;
      break;
    }
    const ULONG chunk = std::min(kWriteChunkBytes, bytes - accepted);
    ULONG written = 0;
    result = a.site->Write(data + accepted, chunk, &written);
    // A successful write that takes nothing would never finish: it counts as a failed write.
    if (result == S_OK && written == 0) result = E_UNEXPECTED;
    accepted += std::min(written, chunk);
  }
  if (Aborted(a)) result = S_SPEAK_ABORTED;
  return result;
}

int32_t PostBoundary(void* context, int32_t kind, int32_t position, int32_t length,
                     int32_t samplePosition) {
  SiteAdapter& a = Adapter(context);
  if (Aborted(a)) return S_SPEAK_ABORTED;
  return Post(a, kind != 0 ? SPEI_SENTENCE_BOUNDARY : SPEI_WORD_BOUNDARY, SPET_LPARAM_IS_UNDEFINED,
              samplePosition, static_cast<WPARAM>(length), static_cast<LPARAM>(position));
}

int32_t PostPhoneme(void* context, int32_t phoneme, int32_t duration, int32_t next, int32_t feature,
                    int32_t start) {
  SiteAdapter& a = Adapter(context);
  const uint32_t flag = feature == 1 ? SPVFEATURE_STRESSED : feature == 2 ? SPVFEATURE_EMPHASIS : 0;
  const auto ms = static_cast<uint32_t>(static_cast<int64_t>(duration) * 1000 /
                                        static_cast<int64_t>(a.sampleRate == 0 ? 1 : a.sampleRate));
  const uint32_t high = (ms & 0xFFFFu) << 16;
  if (Aborted(a)) return S_SPEAK_ABORTED;
  const auto id = [](int32_t index) { return static_cast<uint32_t>(index + 1) & 0xFFFFu; };
  HRESULT result = Post(a, SPEI_PHONEME, SPET_LPARAM_IS_UNDEFINED, start, high | id(next),
                        static_cast<LPARAM>((flag << 16) | id(phoneme)));
  if (FAILED(result)) return result;
  if (Aborted(a)) return S_SPEAK_ABORTED;
  const auto viseme = [](int32_t index) {
    const bool known = index >= 0 && index < kVoicePhonemeCount;
    return static_cast<uint32_t>(known ? VisemeOf(kVoiceIndexOrder[static_cast<size_t>(index)])
                                       : 0);
  };
  result = Post(a, SPEI_VISEME, SPET_LPARAM_IS_UNDEFINED, start, high | viseme(next),
                static_cast<LPARAM>((flag << 16) | viseme(phoneme)));
  if (Aborted(a)) return S_SPEAK_ABORTED;
  return result;
}

int32_t PostBookmark(void* context, const void* bookmark, int32_t samplePosition) {
  SiteAdapter& a = Adapter(context);
  const auto* fragment = static_cast<const SPVTEXTFRAG*>(bookmark);
  if (fragment == nullptr || fragment->State.eAction != SPVA_Bookmark) return S_OK;
  if (Aborted(a)) return S_SPEAK_ABORTED;
  std::vector<WCHAR> text(fragment->ulTextLen + 1, 0);
  std::copy_n(fragment->pTextStart, fragment->ulTextLen, text.begin());
  return Post(a, SPEI_TTS_BOOKMARK, SPET_LPARAM_IS_STRING, samplePosition,
              static_cast<WPARAM>(LeadingInteger(text.data())),
              reinterpret_cast<LPARAM>(text.data()));
}

int32_t GetActions(void* context) {
  return static_cast<int32_t>(AdapterGetActions(&Adapter(context)));
}

int32_t ClearAction(void* context, int32_t mask) {
  SiteAdapter& a = Adapter(context);
  a.pendingActions &= ~(static_cast<DWORD>(mask) & ~static_cast<DWORD>(SPVES_ABORT));
  return 0;
}

int32_t GetSkip(void* context, int32_t* reserved, int32_t* count) {
  SiteAdapter& a = Adapter(context);
  (void)reserved;
  if (Aborted(a)) return S_SPEAK_ABORTED;
  *count = 0;
  SPVSKIPTYPE type = SPVST_SENTENCE;
  LONG items = 0;  // LONG is the core's 32-bit count, though not the same type on every system
  const HRESULT result = a.site->GetSkipInfo(&type, &items);
  *count = static_cast<int32_t>(items);
  return result;
}

int32_t CompleteSkip(void* context, int32_t skipped) {
  SiteAdapter& a = Adapter(context);
  if (Aborted(a)) return S_SPEAK_ABORTED;
  return a.site->CompleteSkip(skipped);
}

int32_t GetRate(void* context, int32_t* rate) {
  SiteAdapter& a = Adapter(context);
  if (Aborted(a)) {
    *rate = 0;
    return S_SPEAK_ABORTED;
  }
  LONG value = 0;
  const HRESULT result = a.site->GetRate(&value);
  if (SUCCEEDED(result)) *rate = std::clamp<LONG>(value, -10, 10);
  return result;
}

int32_t GetVolume(void* context, int32_t* volume) {
  SiteAdapter& a = Adapter(context);
  if (Aborted(a)) {
    *volume = 0;
    return S_SPEAK_ABORTED;
  }
  WORD value = 0;
  const HRESULT result = a.site->GetVolume(&value);
  if (SUCCEEDED(result)) *volume = std::min<int32_t>(value, 100);
  return result;
}

}  // namespace

EngineSite MakeEngineSite(SiteAdapter* adapter) {
  return EngineSite{adapter,     WriteAudio, PostBoundary, PostPhoneme, PostBookmark, GetActions,
                    ClearAction, GetSkip,    CompleteSkip, GetRate,     GetVolume};
}

DWORD AdapterGetActions(SiteAdapter* a) {
  if ((a->pendingActions & SPVES_ABORT) != 0) return a->pendingActions;
  const DWORD answer = a->site->GetActions();
  a->pendingActions |= answer & (SPVES_ABORT | SPVES_SKIP | SPVES_RATE | SPVES_VOLUME);
  return a->pendingActions;
}

int32_t VisemeOf(char phoneme) {
  static constexpr std::pair<int32_t, std::string_view> kVisemes[] = {
      {0, "_"},     {1, "Aa"},      {3, "Oo"},    {4, "Ee"},     {5, "Yy"},        {6, "Iij'"},
      {7, "Uu"},    {12, "hH"},     {13, "rR"},   {14, "lL"},    {15, "zsc%Z&SC"}, {16, "v46#"},
      {18, "wfWF"}, {19, "dntDNT"}, {20, "gkGK"}, {21, "bmpBMP"}};
  for (const auto& [viseme, characters] : kVisemes) {
    if (characters.find(phoneme) != std::string_view::npos) return viseme;
  }
  return 0;
}

LONG LeadingInteger(const WCHAR* text) {
  const auto space = [](WCHAR c) { return c == ' ' || (c >= 9 && c <= 13); };
  while (space(*text))
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = std::min<int64_t>(value * 10 + (*text - '0'), int64_t{1} << 32);
  }
  value = negative ? -value : value;
  return static_cast<LONG>(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                               std::numeric_limits<LONG>::max()));
}
