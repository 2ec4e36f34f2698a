// The platform's engine site: what an engine writes goes to an audio output, its events to an
// observer, and the platform's state (rate, volume, pending actions) is set up by the host, so that
// tests can put the platform into a precise state and read back exactly what the engine did.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/speech/sapi.h"

// An action the platform raises once the bytes accepted by Write reach `atBytes`.
struct ScheduledAction {
  uint64_t atBytes = 0;
  DWORD action = SPVES_ABORT;  // SPVES_ABORT, SPVES_SKIP, SPVES_RATE or SPVES_VOLUME
  LONG value = 0;              // skip count, rate or volume
};

struct SiteSettings {
  LONG rate = 0;                  // what GetRate answers
  WORD volume = 100;              // what GetVolume answers
  std::optional<ULONG> maxWrite;  // every Write takes at most this many bytes
  std::vector<ScheduledAction> actions;
  // Raised by another thread: GetActions answers SPVES_ABORT from then on.
  const std::atomic<bool>* abort = nullptr;
  // Events of these kinds (a bit per SPEVENTENUM) reach the observer exactly after the audio in
  // front of them: they are held until the audio up to their place has been written, and a Write
  // is handed to the observer in pieces split at their places. Other events go out at once.
  ULONGLONG heldEvents = 0;
};

// An event as the platform keeps it: string parameters copied.
struct SiteEvent {
  SPEVENT event;
  std::u16string text;  // the string of an SPET_LPARAM_IS_STRING event
};

struct SiteObserver {
  std::function<void(const SiteEvent&)> onEvent;
  std::function<void(const void* data, ULONG offered, ULONG accepted)> onWrite;
  std::function<void(LONG skipped)> onCompleteSkip;
};

class PlatformSite final : public ISpTTSEngineSite {
 public:
  PlatformSite(SiteSettings settings, AudioOutput* output, SiteObserver observer);

  uint64_t BytesAccepted() const { return accepted_; }
  // Hands the held events to the observer: the engine has finished, nothing more will be written.
  void ReleaseHeldEvents();
  bool OutputFailed() const { return outputFailed_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the host's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override;
  HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override;
  DWORD STDMETHODCALLTYPE GetActions() override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG bytes, ULONG* written) override;
  HRESULT STDMETHODCALLTYPE GetRate(LONG* rate) override;
  HRESULT STDMETHODCALLTYPE GetVolume(WORD* volume) override;
  HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) override;
  HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) override;

 private:
  void Trigger();
  void HandOverAudio(const BYTE* bytes, ULONG count);
  void ReleaseEventsUpTo(ULONGLONG offset);  // the held events at places up to `offset`

  SiteSettings settings_;
  std::vector<bool> fired_;
  AudioOutput* output_;
  SiteObserver observer_;
  uint64_t accepted_ = 0;
  bool outputFailed_ = false;
  DWORD pending_ = 0;
  LONG pendingSkip_ = 0;
  std::deque<SiteEvent> held_;  // in the order the engine posted them
};
