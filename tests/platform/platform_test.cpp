#include <gtest/gtest.h>
#include <sys/mman.h>

#include "platform/com/memory_checks.h"
#include "platform/com/structured_exception.h"
#include "platform/com/unicode.h"
#include "platform/speech/fragments.h"

namespace {

TEST(MemoryChecksTest, AnswerWithoutFaulting) {
  const long page = sysconf(_SC_PAGESIZE);
  auto* none = static_cast<char*>(
      mmap(nullptr, static_cast<size_t>(page), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  auto* readOnly = static_cast<char*>(
      mmap(nullptr, static_cast<size_t>(page), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  int local = 5;
  EXPECT_FALSE(IsBadReadPtr(&local, sizeof local));
  EXPECT_FALSE(IsBadWritePtr(&local, sizeof local));
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
  EXPECT_TRUE(IsBadReadPtr(none, 1));
  EXPECT_TRUE(IsBadWritePtr(none, 1));
  EXPECT_FALSE(IsBadReadPtr(readOnly, 16));
  EXPECT_TRUE(IsBadWritePtr(readOnly, 16));
  EXPECT_TRUE(IsBadReadPtr(readOnly + page - 8, 16)) << "runs into the next page";
  munmap(none, static_cast<size_t>(page));
  munmap(readOnly, static_cast<size_t>(page));
}

TEST(ExceptionGuardTest, ACrashInTheBodyBecomesEFail) {
  int calls = 0;
  EXPECT_EQ(RunWithExceptionGuard([](void* c) { ++*static_cast<int*>(c); }, &calls), S_OK);
  EXPECT_EQ(RunWithExceptionGuard(
                [](void* c) {
                  ++*static_cast<int*>(c);
                  static volatile uintptr_t neverMapped = 16;  // the first page is never mapped
                  *reinterpret_cast<volatile int*>(neverMapped) = 1;
                },
                &calls),
            E_FAIL);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(RunWithExceptionGuard([](void*) {}, nullptr), S_OK) << "and the guard still works";
}

TEST(UnicodeTest, RoundTrip) {
  const std::string text = "Здравей, свят! 𝄞 ok";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xff"), u"\xfffd");
}

struct Fragment {
  SPVACTIONS action;
  std::u16string text;
  ULONG offset;
  LONG rate;
  ULONG volume;
  LONG pitch;
  ULONG silence;
  bool operator==(const Fragment&) const = default;
};

std::vector<Fragment> Parse(const std::u16string& markup) {
  FragmentList list(markup);
  std::string error;
  EXPECT_TRUE(ParseMarkup(&list, &error)) << error;
  std::vector<Fragment> out;
  for (const SPVTEXTFRAG* f = list.First(); f != nullptr; f = f->pNext) {
    out.push_back({f->State.eAction, std::u16string(f->pTextStart, f->ulTextLen),
                   f->ulTextSrcOffset, f->State.RateAdj, f->State.Volume,
                   f->State.PitchAdj.MiddleAdj, f->State.SilenceMSecs});
  }
  return out;
}

TEST(MarkupTest, TagsBecomeFragmentsWithTheirState) {
  EXPECT_EQ(Parse(u"ab<bookmark mark=\"42x\"/>cd"),
            (std::vector<Fragment>{{SPVA_Speak, u"ab", 0, 0, 100, 0, 0},
                                   {SPVA_Bookmark, u"42x", 18, 0, 100, 0, 0},
                                   {SPVA_Speak, u"cd", 24, 0, 100, 0, 0}}));
  EXPECT_EQ(Parse(u"<silence msec='250'/><spell>ab</spell>"),
            (std::vector<Fragment>{{SPVA_Silence, u"", 0, 0, 100, 0, 250},
                                   {SPVA_SpellOut, u"ab", 28, 0, 100, 0, 0}}));
  EXPECT_EQ(Parse(u"<rate speed=\"3\">a<volume level=\"40\">b</volume></rate><pitch middle=\"-2\">c"
                  u"</pitch><rate absspeed=\"-5\"/>d"),
            (std::vector<Fragment>{{SPVA_Speak, u"a", 16, 3, 100, 0, 0},
                                   {SPVA_Speak, u"b", 36, 3, 40, 0, 0},
                                   {SPVA_Speak, u"c", 72, 0, 100, -2, 0},
                                   {SPVA_Speak, u"d", 102, -5, 100, 0, 0}}));
  EXPECT_EQ(Parse(u"a<foo/>b").at(1).action, SPVA_ParseUnknownTag);
  FragmentList broken(u"a<bookmark mark='x'");
  std::string error;
  EXPECT_FALSE(ParseMarkup(&broken, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
