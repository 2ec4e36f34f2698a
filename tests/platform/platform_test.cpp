#include <gtest/gtest.h>
#include <sys/mman.h>

#include <fstream>
#include <iterator>

#include "platform/audio/audio_output.h"
#include "platform/com/memory_checks.h"
#include "platform/com/structured_exception.h"
#include "platform/com/unicode.h"
#include "platform/speech/fragments.h"
#include "tests/support/temp_files.h"

using namespace brelvox::test;

namespace {

TEST(MemoryChecksTest, AnswerWithoutFaulting) {
  const long page = sysconf(_SC_PAGESIZE);
  auto* none = static_cast<char*>(
      mmap(nullptr, static_cast<size_t>(page), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  // Two pages, the second made inaccessible: what follows the readable page is known, not
  // whatever mapping the kernel happened to place there.
  auto* readOnly = static_cast<char*>(
      mmap(nullptr, 2 * static_cast<size_t>(page), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_EQ(mprotect(readOnly + page, static_cast<size_t>(page), PROT_NONE), 0);
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
  munmap(readOnly, 2 * static_cast<size_t>(page));
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

// Every byte that does not start a well-formed character is one U+FFFD, as the page decodes.
TEST(UnicodeTest, IllFormedBytesBecomeReplacementCharacters) {
  const struct {
    const char* what;
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"overlong '<'",
       "\xC0\xBC"
       "b>",
       u"\xFFFD\xFFFD"
       u"b>"},
      {"overlong three bytes", "\xE0\x80\xBC", u"\xFFFD\xFFFD\xFFFD"},
      {"overlong four bytes", "\xF0\x80\x80\xBC", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
      {"surrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
      {"cut sequence", "a\xD0", u"a\xFFFD"},
      {"stray continuation",
       "\x80"
       "a",
       u"\xFFFD"
       u"a"},
      {"lead byte then ASCII",
       "\xD0"
       "a",
       u"\xFFFD"
       u"a"},
      {"largest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
      {"smallest two bytes", "\xC2\x80", u"\x0080"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.what;
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
  // Sums of absolute and relative values, and numbers past 32 bits, saturate.
  const struct {
    const char16_t* markup;
    LONG rate, pitch;
    ULONG volume, silence;
  } saturated[] = {
      {u"<rate absspeed='2147483647' speed='1'>a", INT32_MAX, 0, 100, 0},
      {u"<rate speed='-2147483648'><rate speed='-5'>a", INT32_MIN, 0, 100, 0},
      {u"<rate speed='99999999999999999999999'>a", INT32_MAX, 0, 100, 0},
      {u"<pitch absmiddle='2000000000' middle='2000000000'>a", 0, INT32_MAX, 100, 0},
      {u"<pitch middle='-99999999999'>a", 0, INT32_MIN, 100, 0},
      {u"<volume level='99999999999'>a", 0, 0, 100, 0},
      {u"<volume level='-99999999999'>a", 0, 0, 0, 0},
      {u"<silence msec='99999999999'/>", 0, 0, 100, 0x7FFFFFFFu},
  };
  for (const auto& c : saturated) {
    const Fragment f = Parse(c.markup).back();
    EXPECT_EQ(f.rate, c.rate);
    EXPECT_EQ(f.pitch, c.pitch);
    EXPECT_EQ(f.volume, c.volume);
    EXPECT_EQ(f.silence, c.silence);
  }
  FragmentList broken(u"a<bookmark mark='x'");
  std::string error;
  EXPECT_FALSE(ParseMarkup(&broken, &error));
  EXPECT_FALSE(error.empty());
}

uint32_t Little32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return v;
}

// A WAV file's sizes are 32 bits: audio past them is refused with a sentence, and the header
// stays true for what was written. The limit is lowered so that no test writes 4 GiB.
TEST(WavFileOutputTest, StopsAtTheLargestSizeItsHeaderCanHold) {
  EXPECT_EQ(kWavDataLimit + 36, 0xFFFFFFFFull);
  const TempDir dir;
  const WAVEFORMATEX format{1, 1, 16000, 32000, 2, 16, 0};
  const std::string block(40, 'x');
  for (const size_t blocks : {2, 3}) {  // 80 bytes fit in 100, 120 do not
    const std::string path = dir.File("out.wav");
    auto out = MakeWavFileOutput(path, 100);
    std::string error;
    ASSERT_TRUE(out->Start(format, &error)) << error;
    bool written = true;
    for (size_t i = 0; i < blocks; ++i)
      written = out->Write(block.data(), block.size()) && written;
    const bool finished = out->Finish(&error);
    EXPECT_EQ(written, blocks == 2);
    EXPECT_EQ(finished, blocks == 2);
    if (!finished) {
      EXPECT_NE(error.find("longer than a WAV file can hold"), std::string::npos);
    }
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 44u + 80u);
    EXPECT_EQ(Little32(file, 4), 36u + 80u);
    EXPECT_EQ(Little32(file, 40), 80u);
  }
}

}  // namespace
