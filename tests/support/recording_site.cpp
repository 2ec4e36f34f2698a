#include "tests/support/recording_site.h"

namespace brelvox::test {

namespace {

RecordingSite& Host(void* context) {
  return *static_cast<RecordingSite*>(context);
}

int32_t WriteAudio(void* context, const int16_t* samples, int32_t count) {
  RecordingSite& host = Host(context);
  host.calls.push_back("writeAudio");
  host.writes.push_back(count);
  if (count > 0) host.audio.insert(host.audio.end(), samples, samples + count);
  if (host.afterWrite) host.afterWrite(host);
  return host.writeStatus;
}

int32_t PostBoundary(void* context, int32_t kind, int32_t position, int32_t length,
                     int32_t sample) {
  RecordingSite& host = Host(context);
  host.calls.push_back("postBoundary");
  host.boundaries.push_back({kind, position, length, sample});
  if (host.afterBoundary) host.afterBoundary(host);
  return host.boundaryStatus;
}

int32_t PostPhoneme(void* context, int32_t phoneme, int32_t duration, int32_t next, int32_t feature,
                    int32_t start) {
  RecordingSite& host = Host(context);
  host.calls.push_back("postPhoneme");
  host.phonemes.push_back({phoneme, duration, next, feature, start});
  return host.phonemeStatus;
}

int32_t PostBookmark(void* context, const void* bookmark, int32_t sample) {
  RecordingSite& host = Host(context);
  host.calls.push_back("postBookmark");
  host.bookmarks.push_back({bookmark, sample});
  return 0;
}

int32_t GetActions(void* context) {
  RecordingSite& host = Host(context);
  host.actionQueries += 1;
  return host.actions;
}

int32_t ClearAction(void* context, int32_t action) {
  RecordingSite& host = Host(context);
  host.calls.push_back("clearAction");
  host.clearedActions.push_back(action);
  host.actions &= ~action;
  return 0;
}

int32_t GetSkip(void* context, int32_t* reserved, int32_t* count) {
  RecordingSite& host = Host(context);
  host.calls.push_back("getSkip");
  (void)reserved;
  *count = host.skipCount;
  return host.skipStatus;
}

int32_t CompleteSkip(void* context, int32_t skipped) {
  RecordingSite& host = Host(context);
  host.calls.push_back("completeSkip");
  host.completedSkips.push_back(skipped);
  return host.completeSkipStatus;
}

int32_t GetRate(void* context, int32_t* rate) {
  RecordingSite& host = Host(context);
  host.calls.push_back("getRate");
  *rate = host.rate;
  return host.rateStatus;
}

int32_t GetVolume(void* context, int32_t* volume) {
  RecordingSite& host = Host(context);
  host.calls.push_back("getVolume");
  if (host.writesVolume) *volume = host.volume;
  return host.volumeStatus;
}

}  // namespace

EngineSite RecordingSite::Table() {
  return EngineSite{this,        WriteAudio, PostBoundary, PostPhoneme, PostBookmark, GetActions,
                    ClearAction, GetSkip,    CompleteSkip, GetRate,     GetVolume};
}

}  // namespace brelvox::test
