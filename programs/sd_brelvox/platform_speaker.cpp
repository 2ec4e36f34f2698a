#include "programs/sd_brelvox/platform_speaker.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <map>

#include "platform/com/unicode.h"
#include "platform/registry/registry.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/voice_token.h"

namespace {

// The class of the BRELVOX engine, as its voice tokens name it.
constexpr char kEngineClassId[] = "{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}";

// Bookmarks the module puts into a message for itself start with this character, which no XML
// attribute can hold: a change of volume from here on, in percent.
constexpr char16_t kVolumeMark = u'\x1f';

// An engine site that hands audio and index marks to a sink in order, applies the message's volume
// to the samples and raises the abort when the module is told to stop.
class ModuleSite final : public ISpTTSEngineSite {
 public:
  ModuleSite(SpeechSink* sink, const std::atomic<bool>& abort, const EngineSettings& settings)
      : sink_(sink), abort_(abort), settings_(settings), gain_(settings.gain) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_ISpEventSink) &&
        !IsEqualGUID(riid, IID_ISpTTSEngineSite)) {
      return E_NOINTERFACE;
    }
    *object = static_cast<ISpTTSEngineSite*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the speaker's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override {
    if (events == nullptr && count > 0) return E_POINTER;
    for (ULONG i = 0; i < count; ++i) {
      const SPEVENT& e = events[i];
      if (e.eEventId != SPEI_TTS_BOOKMARK || e.elParamType != SPET_LPARAM_IS_STRING ||
          e.lParam == 0) {
        continue;
      }
      const std::u16string text = reinterpret_cast<const char16_t*>(e.lParam);
      pending_.push_back({e.ullAudioStreamOffset / 2, text});
    }
    HandOver(nullptr, 0);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override {
    if (interest == nullptr) return E_POINTER;
    *interest = 1ull << SPEI_TTS_BOOKMARK;
    return S_OK;
  }

  DWORD STDMETHODCALLTYPE GetActions() override {
    return abort_.load() ? DWORD{SPVES_ABORT} : DWORD{0};
  }

  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG bytes, ULONG* written) override {
    if (buffer == nullptr && bytes > 0) return E_POINTER;
    HandOver(static_cast<const int16_t*>(buffer), bytes / 2);
    if (written != nullptr) *written = bytes;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetRate(LONG* rate) override {
    if (rate == nullptr) return E_POINTER;
    *rate = settings_.rate;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetVolume(WORD* volume) override {
    if (volume == nullptr) return E_POINTER;
    *volume = static_cast<WORD>(std::clamp(settings_.volume, 0, 100));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) override {
    if (type == nullptr || items == nullptr) return E_POINTER;
    *type = SPVST_SENTENCE;
    *items = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override { return S_OK; }

  // Hands over what is still held back for marks.
  void Finish() {
    for (Pending& p : pending_)
      p.sample = 0;
    HandOver(nullptr, 0);
  }

 private:
  struct Pending {
    uint64_t sample;  // the mark stands before this sample of the message
    std::u16string text;
  };

  // Audio up to each pending mark, the mark, and so on; marks whose place has been handed over
  // already go out at once (never before the audio in front of them).
  void HandOver(const int16_t* samples, size_t count) {
    for (;;) {
      while (!pending_.empty() && pending_.front().sample <= handed_) {
        const std::u16string text = std::move(pending_.front().text);
        pending_.pop_front();
        if (!text.empty() && text.front() == kVolumeMark) {
          gain_ = settings_.gain * std::stoi(Utf16ToUtf8(text.substr(1))) / 100.0;
        } else if (!abort_.load()) {
          sink_->Mark(Utf16ToUtf8(text));
        }
      }
      if (count == 0) return;
      size_t take = count;
      if (!pending_.empty()) take = std::min<uint64_t>(count, pending_.front().sample - handed_);
      Audio(samples, take);
      samples += take;
      count -= take;
    }
  }

  void Audio(const int16_t* samples, size_t count) {
    handed_ += count;
    if (abort_.load()) return;
    if (gain_ == 1.0) {
      sink_->Audio(samples, count);
      return;
    }
    scaled_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const double v = std::lround(samples[i] * gain_);
      scaled_[i] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    sink_->Audio(scaled_.data(), count);
  }

  SpeechSink* sink_;
  const std::atomic<bool>& abort_;
  EngineSettings settings_;
  double gain_;
  uint64_t handed_ = 0;
  std::deque<Pending> pending_;
  std::vector<int16_t> scaled_;
};

// The message's pieces as the platform's fragment list: text pieces are laid end to end in one
// source text, a space between them.
void BuildFragments(const SpeakRequest& request, FragmentList** list,
                    std::unique_ptr<FragmentList>* owner) {
  std::u16string source;
  struct Place {
    size_t offset, length;
  };
  std::vector<Place> places;
  for (const SpeechPiece& piece : request.pieces) {
    const bool text =
        piece.kind == SpeechPiece::Kind::kText || piece.kind == SpeechPiece::Kind::kSpelled;
    if (!text) {
      places.push_back({0, 0});
      continue;
    }
    if (!source.empty()) source.push_back(u' ');
    const std::u16string wide = Utf8ToUtf16(piece.text);
    places.push_back({source.size(), wide.size()});
    source += wide;
  }
  *owner = std::make_unique<FragmentList>(std::move(source));
  FragmentList& fragments = **owner;
  int volume = 100;
  for (size_t i = 0; i < request.pieces.size(); ++i) {
    const SpeechPiece& piece = request.pieces[i];
    SPVSTATE state = DefaultFragmentState();
    state.RateAdj = piece.rate;
    state.PitchAdj.MiddleAdj = std::clamp(piece.pitch + request.settings.pitch, -10, 10);
    if (piece.volume != volume && piece.kind != SpeechPiece::Kind::kMark) {
      volume = piece.volume;
      SPVSTATE mark = state;
      mark.eAction = SPVA_Bookmark;
      fragments.AddOwnFragment(mark, kVolumeMark + Utf8ToUtf16(std::to_string(volume)), 0);
    }
    switch (piece.kind) {
      case SpeechPiece::Kind::kText:
      case SpeechPiece::Kind::kSpelled:
        if (places[i].length == 0) break;
        state.eAction = piece.kind == SpeechPiece::Kind::kSpelled ? SPVA_SpellOut : SPVA_Speak;
        fragments.AddSourceFragment(state, places[i].offset, places[i].length);
        break;
      case SpeechPiece::Kind::kMark:
        state.eAction = SPVA_Bookmark;
        fragments.AddOwnFragment(state, Utf8ToUtf16(piece.text), 0);
        break;
      case SpeechPiece::Kind::kBreak:
        state.eAction = SPVA_Silence;
        state.SilenceMSecs = static_cast<ULONG>(std::max(piece.breakMs, 0));
        fragments.AddOwnFragment(state, u"", 0);
        break;
    }
  }
  *list = &fragments;
}

class PlatformSpeaker final : public Speaker {
 public:
  ~PlatformSpeaker() override { CloseEngine(&engine_); }

  std::vector<InstalledVoice> Voices() override {
    std::vector<InstalledVoice> voices;
    for (const std::string& name : ListVoiceTokens()) {
      const std::string key = std::string(kVoiceTokensKey) + "\\" + name;
      std::string clsid, language;
      if (!RegGetString(HKEY_LOCAL_MACHINE, key.c_str(), "CLSID", &clsid)) continue;
      if (!EqualsIgnoringCase(clsid, kEngineClassId)) continue;
      RegGetString(HKEY_LOCAL_MACHINE, (key + "\\Attributes").c_str(), "Language", &language);
      voices.push_back({name, LanguageTag(language), "none"});
    }
    return voices;
  }

  std::string DefaultVoice() override { return DefaultVoiceToken(); }

  int Prepare(const std::string& voice, std::string* error) override {
    if (engine_.engine != nullptr && voice == voice_) return rate_;
    CloseEngine(&engine_);
    voice_.clear();
    VoiceToken* token = VoiceToken::FromRegistry(voice);
    if (token == nullptr) {
      *error = "there is no voice " + voice + "; brelvox voices lists the installed ones";
      return 0;
    }
    const HRESULT hr = OpenEngine(token, &engine_, error);
    token->Release();
    if (FAILED(hr)) return 0;
    if (FAILED(engine_.formatResult) || engine_.format.wBitsPerSample != 16 ||
        engine_.format.nChannels != 1) {
      *error = "the voice " + voice + " has no 16-bit mono audio format";
      CloseEngine(&engine_);
      return 0;
    }
    voice_ = voice;
    rate_ = static_cast<int>(engine_.format.nSamplesPerSec);
    return rate_;
  }

  bool Speak(const SpeakRequest& request, SpeechSink* sink, const std::atomic<bool>& abort,
             std::string* error) override {
    if (Prepare(request.voice, error) == 0) return false;
    FragmentList* fragments = nullptr;
    std::unique_ptr<FragmentList> owner;
    BuildFragments(request, &fragments, &owner);
    if (fragments->Size() == 0) return true;
    ModuleSite site(sink, abort, request.settings);
    const DWORD flags = request.settings.punctuation ? SPF_NLP_SPEAK_PUNC : 0;
    const HRESULT hr = engine_.engine->Speak(flags, SPDFID_WaveFormatEx, &engine_.format,
                                             fragments->First(), &site);
    site.Finish();
    if (FAILED(hr)) {
      *error = "the engine failed to speak (" + HresultText(hr) + ")";
      CloseEngine(&engine_);  // opened afresh for the next message
      return false;
    }
    return true;
  }

 private:
  static bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) ==
             std::tolower(static_cast<unsigned char>(y));
    });
  }
  // The token's language (a hexadecimal language id) as a tag.
  static std::string LanguageTag(const std::string& id) {
    if (id.empty() || EqualsIgnoringCase(id, "402")) return "bg";
    if (EqualsIgnoringCase(id, "409")) return "en";
    return id;
  }

  EngineHandle engine_;
  std::string voice_;
  int rate_ = 0;
};

}  // namespace

std::unique_ptr<Speaker> MakePlatformSpeaker() {
  return std::make_unique<PlatformSpeaker>();
}
