// The application side of the speech platform: a voice object with an integer rate and a speak
// operation that, with SPF_ASYNC, returns at once and queues the text behind speech still playing.
// It speaks with the default voice token; audio goes to the default device (see audio_output.h for
// BRELVOX_AUDIO), and speaking completes even where there is no device.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/speech/sapi.h"

class SpVoice {
 public:
  SpVoice();
  ~SpVoice();  // finishes what is queued, then stops
  SpVoice(const SpVoice&) = delete;
  SpVoice& operator=(const SpVoice&) = delete;

  // -10 (slowest) to 10; other values are clamped.
  void SetRate(LONG rate);
  LONG Rate() const;

  // Speaks UTF-8 text. With SPF_ASYNC (1) it queues the text and returns S_OK at once; without, it
  // returns when the text has been spoken, with the engine's result. SPF_IS_XML reads markup.
  HRESULT Speak(const std::string& text, DWORD flags);

  // Waits until everything queued has been spoken, at most `milliseconds` (negative: no limit).
  // True when the queue is empty.
  bool WaitUntilDone(int milliseconds);

  // The result of the last utterance spoken and, when it failed, one sentence saying why.
  HRESULT LastResult() const;
  std::string LastError() const;

 private:
  struct Request {
    std::string text;
    DWORD flags;
    LONG rate;
  };
  void Run();
  HRESULT SpeakNow(const Request& request);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Request> queue_;
  bool speaking_ = false;
  bool stopping_ = false;
  LONG rate_ = 0;
  HRESULT lastResult_ = S_OK;
  std::string lastError_;
  std::thread worker_;
};
