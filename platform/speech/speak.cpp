#include "platform/speech/speak.h"

#include <memory>

#include "platform/com/unicode.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/voice_token.h"

namespace {

SpeakResult Failed(SpeakFailure failure, HRESULT result, std::string error) {
  SpeakResult r;
  r.failure = failure;
  r.result = result;
  r.error = std::move(error);
  return r;
}

// The token the request names, or null with the failure.
VoiceToken* OpenToken(const SpeakRequest& request, SpeakResult* failed) {
  if (request.adHoc.has_value()) {
    return VoiceToken::Create("ad-hoc", *request.adHoc);
  }
  std::string error;
  const std::string name = ChooseVoice(request.voice, &error);
  if (name.empty()) {
    *failed = Failed(SpeakFailure::kVoice, SPERR_NOT_FOUND, error);
    return nullptr;
  }
  VoiceToken* token = VoiceToken::FromRegistry(name);
  if (token == nullptr) {
    *failed = Failed(SpeakFailure::kVoice, SPERR_NOT_FOUND,
                     "the voice " + name + " cannot be read from the registry");
  }
  return token;
}

}  // namespace

SpeakResult SpeakText(const SpeakRequest& request) {
  std::string error;
  std::unique_ptr<FragmentList> ownFragments;
  FragmentList* fragments = request.fragments;
  if (fragments == nullptr) {
    ownFragments = std::make_unique<FragmentList>(Utf8ToUtf16(request.text));
    fragments = ownFragments.get();
    if (!request.markup) {
      AddPlainText(fragments);
    } else if (!ParseMarkup(fragments, &error)) {
      if (!request.plainWhenMarkupBreaks) {
        return Failed(SpeakFailure::kMarkup, E_INVALIDARG, "the markup is broken: " + error);
      }
      AddPlainText(fragments);
    }
  }

  SpeakResult r;
  EngineHandle opened;
  EngineHandle& engine = request.engine != nullptr ? *request.engine : opened;
  // Closes the engine unless it is the caller's.
  const auto close = [&] {
    if (request.engine == nullptr) CloseEngine(&opened);
  };
  if (request.engine == nullptr) {
    VoiceToken* token = OpenToken(request, &r);
    if (token == nullptr) return r;
    const HRESULT result = OpenEngine(token, &opened, &error);
    token->Release();
    if (FAILED(result)) {
      return Failed(SpeakFailure::kVoice, result, error + " (" + HresultText(result) + ")");
    }
  }
  r.format = engine.format;
  if (request.onOpened) request.onOpened(engine.format, engine.formatResult);
  if (FAILED(engine.formatResult) && !request.speakWithoutFormat) {
    close();
    return Failed(SpeakFailure::kFormat, engine.formatResult,
                  "the voice has no usable audio format");
  }

  std::unique_ptr<AudioOutput> ownOutput;
  AudioOutput* output = request.output;
  if (output == nullptr) {
    ownOutput = MakeDefaultOutput(&r.note);
    if (!ownOutput->Start(engine.format, &error)) {
      if (r.note.empty()) r.note = error + "; the audio goes nowhere";
      ownOutput = MakeNullOutput();
    }
    output = ownOutput.get();
  } else if (!output->Start(engine.format, &error)) {
    close();
    return Failed(SpeakFailure::kOutput, E_FAIL, error);
  }

  SiteSettings settings = request.site;
  if (request.abort != nullptr) settings.abort = request.abort;
  PlatformSite site(settings, output, request.observer);
  const DWORD flags = request.speakFlags | (request.speakPunctuation ? SPF_NLP_SPEAK_PUNC : 0);
  r.result =
      engine.engine->Speak(flags, SPDFID_WaveFormatEx, &engine.format, fragments->First(), &site);
  site.ReleaseHeldEvents();
  close();
  r.bytes = site.BytesAccepted();
  std::string finishError;
  r.finished = output->Finish(&finishError);
  if (FAILED(r.result)) {
    r.failure = SpeakFailure::kEngine;
    r.error = "the engine failed to speak (" + HresultText(r.result) + ")";
  } else if (!r.finished) {
    r.error = finishError;
  }
  if (!r.finished) r.finishError = finishError;
  return r;
}
