#include "platform/speech/platform_site.h"

#include <algorithm>

PlatformSite::PlatformSite(SiteSettings settings, AudioOutput* output, SiteObserver observer)
    : settings_(std::move(settings)),
      fired_(settings_.actions.size(), false),
      output_(output),
      observer_(std::move(observer)) {}

HRESULT PlatformSite::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_ISpEventSink) &&
      !IsEqualGUID(riid, IID_ISpTTSEngineSite)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<ISpTTSEngineSite*>(this);
  return S_OK;
}

HRESULT PlatformSite::AddEvents(const SPEVENT* events, ULONG count) {
  if (events == nullptr && count > 0) return E_POINTER;
  for (ULONG i = 0; i < count; ++i) {
    SiteEvent copy{events[i], {}};
    if (events[i].elParamType == SPET_LPARAM_IS_STRING && events[i].lParam != 0) {
      copy.text = reinterpret_cast<const char16_t*>(events[i].lParam);
      copy.event.lParam = 0;  // the engine's buffer is gone after this call
    }
    if ((settings_.heldEvents & (1ull << events[i].eEventId)) != 0) {
      held_.push_back(std::move(copy));
    } else if (observer_.onEvent) {
      observer_.onEvent(copy);
    }
  }
  ReleaseEventsUpTo(accepted_);  // events at places already written go out at once
  return S_OK;
}

void PlatformSite::ReleaseEventsUpTo(ULONGLONG offset) {
  while (!held_.empty() && held_.front().event.ullAudioStreamOffset <= offset) {
    const SiteEvent event = std::move(held_.front());
    held_.pop_front();
    if (observer_.onEvent) observer_.onEvent(event);
  }
}

void PlatformSite::ReleaseHeldEvents() {
  ReleaseEventsUpTo(~ULONGLONG{0});
}

// The accepted bytes to the observer, in pieces that end at the held events' places, each piece
// followed by the events it brings due.
void PlatformSite::HandOverAudio(const BYTE* bytes, ULONG count) {
  for (;;) {
    ReleaseEventsUpTo(accepted_);
    if (count == 0) return;
    ULONG take = count;
    if (!held_.empty()) {
      take = static_cast<ULONG>(
          std::min<uint64_t>(count, held_.front().event.ullAudioStreamOffset - accepted_));
    }
    accepted_ += take;
    if (observer_.onWrite) observer_.onWrite(bytes, take, take);
    bytes += take;
    count -= take;
  }
}

HRESULT PlatformSite::GetEventInterest(ULONGLONG* interest) {
  if (interest == nullptr) return E_POINTER;
  *interest = ~0ull;
  return S_OK;
}

void PlatformSite::Trigger() {
  for (size_t i = 0; i < settings_.actions.size(); ++i) {
    const ScheduledAction& a = settings_.actions[i];
    if (fired_[i] || accepted_ < a.atBytes) continue;
    fired_[i] = true;
    pending_ |= a.action;
    if (a.action == SPVES_SKIP) pendingSkip_ = a.value;
    if (a.action == SPVES_RATE) settings_.rate = a.value;
    if (a.action == SPVES_VOLUME) settings_.volume = static_cast<WORD>(a.value);
  }
}

DWORD PlatformSite::GetActions() {
  Trigger();
  if (settings_.abort != nullptr && settings_.abort->load(std::memory_order_relaxed)) {
    pending_ |= SPVES_ABORT;
  }
  return pending_;
}

HRESULT PlatformSite::Write(const void* buffer, ULONG bytes, ULONG* written) {
  if (buffer == nullptr && bytes > 0) return E_POINTER;
  ULONG take = bytes;
  if (settings_.maxWrite.has_value()) take = std::min(take, *settings_.maxWrite);
  if (take > 0 && output_ != nullptr && !output_->Write(buffer, take)) outputFailed_ = true;
  if (written != nullptr) *written = take;
  if (settings_.heldEvents != 0) {
    HandOverAudio(static_cast<const BYTE*>(buffer), take);
    return S_OK;
  }
  accepted_ += take;
  if (observer_.onWrite) observer_.onWrite(buffer, bytes, take);
  return S_OK;
}

HRESULT PlatformSite::GetRate(LONG* rate) {
  if (rate == nullptr) return E_POINTER;
  Trigger();
  *rate = settings_.rate;
  pending_ &= ~static_cast<DWORD>(SPVES_RATE);
  return S_OK;
}

HRESULT PlatformSite::GetVolume(WORD* volume) {
  if (volume == nullptr) return E_POINTER;
  Trigger();
  *volume = settings_.volume;
  pending_ &= ~static_cast<DWORD>(SPVES_VOLUME);
  return S_OK;
}

HRESULT PlatformSite::GetSkipInfo(SPVSKIPTYPE* type, LONG* items) {
  if (type == nullptr || items == nullptr) return E_POINTER;
  *type = SPVST_SENTENCE;
  *items = (pending_ & SPVES_SKIP) != 0 ? pendingSkip_ : 0;
  pending_ &= ~static_cast<DWORD>(SPVES_SKIP);
  return S_OK;
}

HRESULT PlatformSite::CompleteSkip(LONG skipped) {
  if (observer_.onCompleteSkip) observer_.onCompleteSkip(skipped);
  return S_OK;
}
