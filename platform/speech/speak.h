// Speaking one utterance as every caller of the platform does (the brelvox command's say and speak,
// the voice object, an output module): the voice is opened (a token by name, the default token, or
// an ad hoc token over data files, or an engine the caller keeps open), the text becomes fragments,
// an audio output starts in the voice's format, and the engine speaks through a site that hands
// each audio block and each event to the caller as it is written, in order. The call returns when
// the engine has finished.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/audio/audio_output.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/platform_site.h"
#include "platform/speech/sapi.h"

struct SpeakRequest {
  // What to say: UTF-8 text, plain or in the platform's markup (bookmark, silence, spell, rate,
  // volume, pitch); or, when `fragments` is set, that exact fragment list and nothing else.
  std::string text;
  bool markup = false;
  bool plainWhenMarkupBreaks = false;  // speak broken markup as plain text instead of failing
  FragmentList* fragments = nullptr;

  // The voice: the token of that name (any case), or the default voice when empty. With `adHoc`,
  // a token holding exactly those values instead (token_values.h names them; CLSID included).
  std::string voice;
  std::optional<std::map<std::string, std::string>> adHoc;
  // Or an engine the caller has opened (OpenEngine) and keeps for further requests: it speaks this
  // request and stays open; the voice fields above are not used.
  EngineHandle* engine = nullptr;

  // What the site answers (rate -10 to 10, volume 0 to 100; pitch comes from the markup), its
  // scheduled actions, and the speak flags handed to the engine. `speakPunctuation` asks the engine
  // to read punctuation out for this request (SPF_NLP_SPEAK_PUNC).
  SiteSettings site;
  DWORD speakFlags = 0;
  bool speakPunctuation = false;
  // Raised by any thread, the engine stops at its next check, within one audio block.
  const std::atomic<bool>* abort = nullptr;

  // Where the audio goes: the caller's output (not owned), or when null the default output that
  // BRELVOX_AUDIO chooses, falling back to none when it cannot start.
  AudioOutput* output = nullptr;
  // The audio sink and the event sink: every Write with its bytes, every event, in order.
  SiteObserver observer;
  // Speak even when the engine announces no usable format (the precise test host does).
  bool speakWithoutFormat = false;
  // Called once the voice is open, with its format and the result of asking for it.
  std::function<void(const WAVEFORMATEX& format, HRESULT formatResult)> onOpened;
};

enum class SpeakFailure {
  kNone,
  kMarkup,  // the markup is broken
  kVoice,   // no such voice, or its engine or data cannot be loaded
  kFormat,  // the voice has no usable audio format
  kOutput,  // the caller's output cannot start
  kEngine,  // the engine's Speak failed
};

struct SpeakResult {
  HRESULT result = S_OK;  // the engine's answer to Speak, or why nothing was spoken
  SpeakFailure failure = SpeakFailure::kNone;
  std::string error;     // one sentence when something failed (also when the output did not finish)
  std::string note;      // e.g. that there is no sound device and the audio went nowhere
  bool finished = true;  // false when the output failed to finish
  std::string finishError;  // why it did not
  WAVEFORMATEX format{};
  uint64_t bytes = 0;  // accepted by the site
};

SpeakResult SpeakText(const SpeakRequest& request);
