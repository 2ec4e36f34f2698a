#include "tools/voicefile/collecting_host.h"

namespace brelvox::voicefile {

namespace {

CollectingHost& Host(void* context) {
  return *static_cast<CollectingHost*>(context);
}

int32_t WriteAudio(void* context, const int16_t* samples, int32_t count) {
  CollectingHost& host = Host(context);
  host.samples += count;
  if (host.keepAudio) host.audio.insert(host.audio.end(), samples, samples + count);
  return 0;
}
int32_t PostBoundary(void*, int32_t, int32_t, int32_t, int32_t) {
  return 0;
}
int32_t PostPhoneme(void* context, int32_t phoneme, int32_t duration, int32_t, int32_t,
                    int32_t start) {
  Host(context).phonemes.push_back({phoneme, start, duration});
  return 0;
}
int32_t PostBookmark(void*, const void*, int32_t) {
  return 0;
}
int32_t GetActions(void*) {
  return 0;
}
int32_t ClearAction(void*, int32_t) {
  return 0;
}
int32_t GetSkip(void*, int32_t*, int32_t* count) {
  *count = 0;
  return 0;
}
int32_t CompleteSkip(void*, int32_t) {
  return 0;
}
int32_t GetRate(void* context, int32_t* rate) {
  *rate = Host(context).rate;
  return 0;
}
int32_t GetVolume(void* context, int32_t* volume) {
  *volume = Host(context).volume;
  return 0;
}

}  // namespace

EngineSite CollectingHost::Table() {
  return EngineSite{this,        WriteAudio, PostBoundary, PostPhoneme, PostBookmark, GetActions,
                    ClearAction, GetSkip,    CompleteSkip, GetRate,     GetVolume};
}

}  // namespace brelvox::voicefile
