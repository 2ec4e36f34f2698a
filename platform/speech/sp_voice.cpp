#include "platform/speech/sp_voice.h"

#include <algorithm>
#include <chrono>

#include "platform/speech/engine_host.h"
#include "platform/speech/speak.h"

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
  SpeakRequest speak;
  speak.text = request.text;
  speak.markup = (request.flags & SPF_IS_XML) != 0;
  speak.plainWhenMarkupBreaks = true;
  speak.site.rate = request.rate;
  speak.speakPunctuation = (request.flags & SPF_NLP_SPEAK_PUNC) != 0;
  SpeakResult spoken = SpeakText(speak);
  if (spoken.failure == SpeakFailure::kFormat)
    spoken.error += " (" + HresultText(spoken.result) + ")";
  std::lock_guard<std::mutex> lock(mutex_);
  lastResult_ = spoken.result;
  lastError_ = FAILED(spoken.result) ? spoken.error : std::string();
  return spoken.result;
}
