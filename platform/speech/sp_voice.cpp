#include "platform/speech/sp_voice.h"

#include <algorithm>
#include <chrono>

#include "platform/audio/audio_output.h"
#include "platform/com/unicode.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/platform_site.h"
#include "platform/speech/voice_token.h"

SpVoice::SpVoice() : worker_([this] { Run(); }) {}

SpVoice::~SpVoice() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void SpVoice::SetRate(LONG rate) {
  std::lock_guard<std::mutex> lock(mutex_);
  rate_ = std::clamp<LONG>(rate, -10, 10);
}

LONG SpVoice::Rate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rate_;
}

HRESULT SpVoice::Speak(const std::string& text, DWORD flags) {
  Request request{text, flags, Rate()};
  if ((flags & SPF_ASYNC) == 0) {
    WaitUntilDone(-1);
    return SpeakNow(request);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(request));
  }
  changed_.notify_all();
  return S_OK;
}

bool SpVoice::WaitUntilDone(int milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto done = [this] { return queue_.empty() && !speaking_; };
  if (milliseconds < 0) {
    changed_.wait(lock, done);
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), done);
}

HRESULT SpVoice::LastResult() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastResult_;
}

std::string SpVoice::LastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

void SpVoice::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping with nothing left to say
    const Request request = queue_.front();
    queue_.pop_front();
    speaking_ = true;
    lock.unlock();
    SpeakNow(request);
    lock.lock();
    speaking_ = false;
    changed_.notify_all();
  }
}

HRESULT SpVoice::SpeakNow(const Request& request) {
  std::string error;
  HRESULT hr = S_OK;
  const std::string name = DefaultVoiceToken();
  VoiceToken* token = VoiceToken::FromRegistry(name);
  EngineHandle engine;
  if (token == nullptr) {
    hr = SPERR_NOT_FOUND;
    error = "no voice is installed; install one with brelvox install-voice";
  } else {
    hr = OpenEngine(token, &engine, &error);
    token->Release();
  }
  if (SUCCEEDED(hr) && FAILED(engine.formatResult)) {
    hr = engine.formatResult;
    error = "the voice has no usable audio format (" + HresultText(hr) + ")";
  }
  if (SUCCEEDED(hr)) {
    FragmentList fragments(Utf8ToUtf16(request.text));
    if ((request.flags & SPF_IS_XML) == 0 || !ParseMarkup(&fragments, &error)) {
      AddPlainText(&fragments);
      error.clear();
    }
    std::string note;
    std::unique_ptr<AudioOutput> output = MakeDefaultOutput(&note);
    if (!output->Start(engine.format, &error)) output = MakeNullOutput();
    SiteSettings settings;
    settings.rate = request.rate;
    PlatformSite site(settings, output.get(), SiteObserver{});
    hr = engine.engine->Speak(request.flags & SPF_NLP_SPEAK_PUNC, SPDFID_WaveFormatEx,
                              &engine.format, fragments.First(), &site);
    output->Finish(&error);
    if (FAILED(hr)) error = "the engine failed to speak (" + HresultText(hr) + ")";
  }
  CloseEngine(&engine);
  std::lock_guard<std::mutex> lock(mutex_);
  lastResult_ = hr;
  lastError_ = FAILED(hr) ? error : std::string();
  return hr;
}
