#include "programs/sd_brelvox/platform_speaker.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <map>

#include "engine/identity/engine_identity.h"
#include "platform/com/unicode.h"
#include "platform/registry/registry.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/speak.h"
#include "platform/speech/voice_token.h"

namespace brelvox::speechd {

namespace {

// Bookmarks the module puts into a message for itself start with this character, which no XML
// attribute can hold: a change of volume from here on, in percent.
constexpr char16_t kVolumeMark = u'\x1f';

// What the engine writes, handed to the sink: the samples at the message's volume (changed by the
// module's own volume marks), index marks exactly after the audio in front of them, and nothing
// once the module is told to stop.
class ModuleSink {
 public:
  ModuleSink(SpeechSink* sink, const std::atomic<bool>& abort, double gain)
      : sink_(sink), abort_(abort), baseGain_(gain), gain_(gain) {}

  void Event(const SiteEvent& e) {
    if (e.event.eEventId != SPEI_TTS_BOOKMARK || e.event.elParamType != SPET_LPARAM_IS_STRING)
      return;
    if (!e.text.empty() && e.text.front() == kVolumeMark) {
      gain_ = baseGain_ * std::stoi(Utf16ToUtf8(e.text.substr(1))) / 100.0;
    } else if (!abort_.load()) {
      sink_->Mark(Utf16ToUtf8(e.text));
    }
  }

  void Audio(const void* data, ULONG bytes) {
    if (abort_.load()) return;
    const auto* samples = static_cast<const int16_t*>(data);
    const size_t count = bytes / 2;
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

 private:
  SpeechSink* sink_;
  const std::atomic<bool>& abort_;
  double baseGain_;
  double gain_;
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
    ModuleSink moduleSink(sink, abort, request.settings.gain);
    ::SpeakRequest speak;
    speak.fragments = fragments;
    speak.engine = &engine_;
    speak.output = nowhere_.get();  // the sink has the audio
    speak.abort = &abort;
    speak.speakPunctuation = request.settings.punctuation;
    speak.site.rate = request.settings.rate;
    speak.site.volume = static_cast<WORD>(std::clamp(request.settings.volume, 0, 100));
    speak.site.heldEvents = 1ull << SPEI_TTS_BOOKMARK;
    speak.observer.onEvent = [&](const SiteEvent& e) { moduleSink.Event(e); };
    speak.observer.onWrite = [&](const void* data, ULONG, ULONG accepted) {
      moduleSink.Audio(data, accepted);
    };
    const SpeakResult spoken = SpeakText(speak);
    if (spoken.failure != SpeakFailure::kNone) {
      *error = spoken.error;
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
  std::unique_ptr<AudioOutput> nowhere_ = MakeNullOutput();
  std::string voice_;
  int rate_ = 0;
};

}  // namespace

std::unique_ptr<Speaker> MakePlatformSpeaker() {
  return std::make_unique<PlatformSpeaker>();
}

}  // namespace brelvox::speechd
