#include "page/dictionary_sources.h"

#include <iconv.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include "page/text.h"

namespace brelvox::page {
namespace {

std::string Trim(std::string_view s) {
  const auto* ws = " \t\r\n";
  const auto b = s.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(ws);
  return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = text.find('\n', start);
    if (end == std::string_view::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "12." alone on a line (a sense that has a gloss but no translation).
bool IsBareSenseNumber(std::string_view line) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.back() != '.') return false;
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (!IsDigit(t[i])) return false;
  }
  return true;
}

// Length of a leading "12. " sense number, or 0.
std::size_t SenseNumberPrefix(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsDigit(line[i]))
    ++i;
  if (i == 0 || i + 1 >= line.size() || line[i] != '.' || line[i + 1] != ' ') return 0;
  return i + 2;
}

// Drops a trailing " 2." that announces the next sense on the same line.
std::string_view DropTrailingSenseNumber(std::string_view line) {
  std::size_t end = line.size();
  while (end > 0 && line[end - 1] == ' ')
    --end;
  if (end == 0 || line[end - 1] != '.') return line;
  std::size_t i = end - 1;
  while (i > 0 && IsDigit(line[i - 1]))
    --i;
  if (i == end - 1 || i == 0 || line[i - 1] != ' ') return line;
  return line.substr(0, i - 1);
}

std::string RemoveParentheses(std::string_view s) {
  std::string out;
  int depth = 0;
  for (char c : s) {
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0) {
      out.push_back(c);
    }
  }
  return out;
}

int Base64Value(std::string_view s) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  long long v = 0;
  for (char c : s) {
    const auto p = kAlphabet.find(c);
    if (p == std::string_view::npos) return -1;
    v = v * 64 + static_cast<long long>(p);
    if (v > 0x7FFFFFFF) return -1;
  }
  return static_cast<int>(v);
}

bool ReadWholeFile(const std::string& path, std::string* out, std::string* error) {
  gzFile f = gzopen(path.c_str(), "rb");  // reads plain files unchanged
  if (!f) {
    *error = "Cannot open " + path + ": " + std::strerror(errno) + ".";
    return false;
  }
  char buf[1 << 16];
  int n = 0;
  while ((n = gzread(f, buf, sizeof buf)) > 0)
    out->append(buf, static_cast<std::size_t>(n));
  const bool ok = n == 0;
  gzclose(f);
  if (!ok) *error = "Cannot read " + path + ": the file is damaged.";
  return ok;
}

bool StartsWithLatin(std::string_view s) {
  for (char32_t c : DecodeUtf8(s)) {
    if (IsLetter(c)) return !IsCyrillic(c);
  }
  return false;
}

// Drops leading subject labels such as "ез.", "мат.", "ИИ, мр.".
std::string DropLabels(std::string s) {
  for (;;) {
    s = Trim(s);
    const auto sp = s.find(' ');
    if (sp == std::string::npos) return s;
    const std::string word = s.substr(0, sp);
    const std::u32string w = DecodeUtf8(word);
    bool cyr = !w.empty();
    for (std::size_t i = 0; i + 1 < w.size(); ++i)
      cyr = cyr && IsCyrillic(w[i]);
    const bool label =
        cyr && w.size() <= 6 && (w.back() == '.' || (w.back() == ',' && w.size() <= 3));
    if (!label) return s;
    s = s.substr(sp + 1);
  }
}

// "[[та́блица]] за [[умноже́ние]]" and "[[надморски|надмо́рска]]": the text a link shows.
std::string UnwrapLinks(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto open = s.find("[[", i);
    const auto close = open == std::string_view::npos ? open : s.find("]]", open + 2);
    if (close == std::string_view::npos) {
      out.append(s.substr(i));
      break;
    }
    out.append(s.substr(i, open - i));
    std::string_view link = s.substr(open + 2, close - open - 2);
    if (const auto bar = link.rfind('|'); bar != std::string_view::npos)
      link.remove_prefix(bar + 1);
    out.append(link);
    i = close + 2;
  }
  return out;
}

// Latin letters that look like Cyrillic ones, typed by mistake inside Cyrillic words ("eолова",
// "Xpиста"), as the Cyrillic letters; words without a Cyrillic letter stay as they are.
std::string CyrillicLookAlikes(const std::string& s) {
  static constexpr std::u32string_view kLatin = U"aceopxyABCEHKMOPTX";
  static constexpr std::u32string_view kCyrillic = U"асеорхуАВСЕНКМОРТХ";
  std::u32string text = DecodeUtf8(s);
  bool changed = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && IsLetter(text[end]))
      ++end;
    const auto word = std::u32string_view(text).substr(start, end - start);
    if (std::any_of(word.begin(), word.end(), IsCyrillic)) {
      for (std::size_t i = start; i < end; ++i) {
        if (const auto p = kLatin.find(text[i]); p != std::u32string_view::npos) {
          text[i] = kCyrillic[p];
          changed = true;
        }
      }
    }
    start = end + 1;
  }
  return changed ? EncodeUtf8(text) : s;
}

}  // namespace

std::vector<std::string> SplitTranslations(std::string_view text) {
  std::string s = CyrillicLookAlikes(UnwrapLinks(RemoveParentheses(text)));
  // "регистрация / профил" lists alternatives; "контрол / управление на достъпа" shares its tail,
  // so a slash splits only between single words.
  bool single_words = true;
  for (std::size_t start = 0; start <= s.size();) {
    auto end = s.find_first_of(",/", start);
    if (end == std::string::npos) end = s.size();
    if (Trim(std::string_view(s).substr(start, end - start)).find(' ') != std::string::npos &&
        s.find('/') != std::string::npos) {
      single_words = false;
    }
    start = end + 1;
  }
  if (single_words) {
    for (auto& c : s) {
      if (c == '/') c = ',';
    }
  }
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= s.size()) {
    auto end = s.find(',', start);
    if (end == std::string::npos) end = s.size();
    std::string item = Trim(std::string_view(s).substr(start, end - start));
    // A question mark inside an item stands for a letter the source could not encode; a question
    // ends with one.
    const auto question = item.find('?');
    if (!item.empty() && (question == std::string::npos || question + 1 == item.size()) &&
        HasCyrillic(item)) {
      out.push_back(std::move(item));
    }
    start = end + 1;
  }
  return out;
}

SourceEntry ParseGeneralEntry(std::string_view text) {
  SourceEntry entry;
  const auto lines = SplitLines(text);
  if (lines.empty()) return entry;
  const std::string_view head = lines[0];
  auto cut = head.size();
  for (std::string_view sep : {" /", " <"}) {
    const auto p = head.find(sep);
    if (p != std::string_view::npos && p < cut) cut = p;
  }
  entry.headword = Trim(head.substr(0, cut));
  const auto lt = head.rfind('<');
  const auto gt = head.rfind('>');
  if (lt != std::string_view::npos && gt != std::string_view::npos && gt > lt) {
    entry.part_of_speech = std::string(head.substr(lt + 1, gt - lt - 1));
  }
  bool shared = false;  // the last translation line announced senses that share it
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (Trim(line).empty()) continue;
    if (IsBareSenseNumber(line)) {
      if (shared && !entry.senses.empty()) entry.senses.push_back(entry.senses.back());
      continue;
    }
    const std::size_t number = SenseNumberPrefix(line);
    if (number == 0 && i != 1) continue;  // a gloss
    const std::string_view listed = DropTrailingSenseNumber(line.substr(number));
    auto items = SplitTranslations(listed);
    shared = !items.empty() && listed.size() != line.size() - number;
    if (items.empty()) {
      entry.unread.emplace_back(line);
    } else {
      entry.senses.push_back(std::move(items));
    }
  }
  return entry;
}

bool ReadGeneralDictionary(const std::string& index_path, const std::string& data_path,
                           std::vector<SourceEntry>* entries, std::string* error,
                           std::vector<std::string>* unread) {
  std::ifstream index(index_path);
  if (!index) {
    *error = "Cannot open " + index_path + ": " + std::strerror(errno) + ".";
    return false;
  }
  std::string data;
  if (!ReadWholeFile(data_path, &data, error)) return false;
  std::string line;
  while (std::getline(index, line)) {
    const auto t1 = line.find('\t');
    const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    if (line.rfind("00database", 0) == 0) continue;
    const int offset = Base64Value(std::string_view(line).substr(t1 + 1, t2 - t1 - 1));
    const int length = Base64Value(std::string_view(line).substr(t2 + 1));
    if (offset < 0 || length <= 0 ||
        static_cast<std::size_t>(offset) + static_cast<std::size_t>(length) > data.size()) {
      continue;
    }
    SourceEntry e = ParseGeneralEntry(std::string_view(data).substr(offset, length));
    if (unread) {
      for (const auto& u : e.unread)
        unread->push_back(e.headword + "\t" + u);
    }
    if (!e.headword.empty() && !e.senses.empty()) entries->push_back(std::move(e));
  }
  return true;
}

std::vector<SourceEntry> ParseComputerTerms(std::string_view utf8_data) {
  std::vector<SourceEntry> out;
  std::size_t start = 0;
  while (start < utf8_data.size()) {
    auto end = utf8_data.find('\0', start);
    if (end == std::string_view::npos) end = utf8_data.size();
    const auto record = utf8_data.substr(start, end - start);
    start = end + 1;
    const auto lines = SplitLines(record);
    if (lines.empty()) continue;
    SourceEntry main;
    main.headword = Trim(lines[0]);
    main.source = EntrySource::kComputerTerms;
    if (main.headword.empty()) continue;
    std::vector<SourceEntry> phrases;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      std::string line = Trim(lines[i]);
      // A part-of-speech marker, alone or before the text: "(v)", "(adj) ...".
      if (line.size() >= 3 && line[0] == '(') {
        const auto close = line.find(')');
        if (close != std::string::npos && close <= 6 && !HasCyrillic(line.substr(0, close))) {
          if (main.part_of_speech.empty()) main.part_of_speech = line.substr(1, close - 1);
          line = Trim(line.substr(close + 1));
        }
      }
      line = line.substr(SenseNumberPrefix(line));
      std::size_t item_start = 0;
      while (item_start <= line.size()) {
        auto item_end = line.find(';', item_start);
        if (item_end == std::string::npos) item_end = line.size();
        std::string item =
            DropLabels(Trim(RemoveParentheses(line.substr(item_start, item_end - item_start))));
        item_start = item_end + 1;
        if (item.empty()) continue;
        if (!StartsWithLatin(item)) {
          auto senses = SplitTranslations(item);
          if (!senses.empty()) main.senses.push_back(std::move(senses));
          continue;
        }
        // "english phrase българска фраза": the English words run up to the first Cyrillic word.
        std::istringstream words(item);
        std::string word;
        std::string english;
        std::string bulgarian;
        while (words >> word) {
          if (bulgarian.empty() && !HasCyrillic(word)) {
            if (word == "Win") continue;
            english += (english.empty() ? "" : " ") + word;
          } else {
            bulgarian += (bulgarian.empty() ? "" : " ") + word;
          }
        }
        auto senses = SplitTranslations(bulgarian);
        if (!english.empty() && !senses.empty()) {
          SourceEntry phrase;
          phrase.headword = english;
          phrase.source = EntrySource::kComputerTerms;
          phrase.senses.push_back(std::move(senses));
          phrases.push_back(std::move(phrase));
        }
      }
    }
    if (!main.senses.empty()) out.push_back(std::move(main));
    for (auto& p : phrases)
      out.push_back(std::move(p));
  }
  return out;
}

bool ReadComputerTerms(const std::string& path, std::vector<SourceEntry>* entries,
                       std::string* error) {
  std::string raw;
  if (!ReadWholeFile(path, &raw, error)) return false;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    *error = "The system cannot convert from CP1251; install the C library's locale data.";
    return false;
  }
  std::string utf8(raw.size() * 2 + 16, '\0');
  char* in = raw.data();
  std::size_t in_left = raw.size();
  char* out = utf8.data();
  std::size_t out_left = utf8.size();
  const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) {
    *error = "Cannot convert " + path + " from CP1251: " + std::strerror(errno) + ".";
    return false;
  }
  utf8.resize(utf8.size() - out_left);
  auto parsed = ParseComputerTerms(utf8);
  for (auto& e : parsed)
    entries->push_back(std::move(e));
  return true;
}

std::vector<WordForm> ParseEnglishExceptions(std::string_view text, bool verb) {
  std::vector<WordForm> out;
  for (std::string_view line : SplitLines(text)) {
    std::istringstream words{std::string(line)};
    std::string form;
    std::string base;
    if (!(words >> form)) continue;
    while (words >> base) {
      for (auto& c : form) {
        if (c == '_') c = ' ';
      }
      for (auto& c : base) {
        if (c == '_') c = ' ';
      }
      if (base != form) out.push_back({form, base, verb});
    }
  }
  return out;
}

std::vector<WordForm> ParseBulgarianForms(std::string_view text) {
  std::vector<WordForm> out;
  for (std::string_view line : SplitLines(text)) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    std::istringstream words{std::string(line)};
    std::string form;
    std::string base;
    if (words >> form >> base && form != base) out.push_back({FoldKey(form), FoldKey(base), false});
  }
  // A listed past participle in -л brings its other genders and the plural (спал: спала, спало,
  // спали; дошъл: дошла; видял: видели), unless the list gives such a form itself.
  std::unordered_set<std::string> listed;
  for (const auto& f : out)
    listed.insert(f.form);
  const std::size_t given = out.size();
  for (std::size_t i = 0; i < given; ++i) {
    const std::u32string form = DecodeUtf8(out[i].form);
    if (form.size() < 2 || form.back() != U'л') continue;
    std::u32string stem = form.substr(0, form.size() - 1);
    if (stem.back() == U'ъ') stem.pop_back();
    // The я of a longer stem turns е in the plural (видял: видели), the root ял keeps it (яли).
    const bool ya = stem.back() == U'я' && stem.size() >= 3;
    const std::u32string plural = ya ? stem.substr(0, stem.size() - 1) + U"ели" : stem + U"ли";
    for (const auto& m : {stem + U"ла", stem + U"ло", plural}) {
      std::string extra = EncodeUtf8(m);
      if (listed.insert(extra).second) out.push_back({std::move(extra), out[i].base, false, true});
    }
  }
  return out;
}

bool ParseSupplement(std::string_view text, std::vector<SourceEntry>* entries, std::string* error) {
  const auto lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i]);
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find(" = ");
    const bool english = line.rfind("en ", 0) == 0;
    const bool bulgarian = line.rfind("bg ", 0) == 0;
    SourceEntry e;
    if ((english || bulgarian) && eq != std::string::npos) {
      e.headword = Trim(std::string_view(line).substr(3, eq - 3));
      e.source = english ? EntrySource::kSupplement : EntrySource::kSupplementBulgarian;
      std::vector<std::string> items;
      std::string rest = line.substr(eq + 3);
      for (std::size_t start = 0; start <= rest.size();) {
        auto end = rest.find(',', start);
        if (end == std::string::npos) end = rest.size();
        std::string item = Trim(std::string_view(rest).substr(start, end - start));
        if (!item.empty()) items.push_back(std::move(item));
        start = end + 1;
      }
      if (!e.headword.empty() && !items.empty()) e.senses.push_back(std::move(items));
    }
    if (e.senses.empty()) {
      *error = "Line " + std::to_string(i + 1) +
               " of the supplement is not \"en WORD = превод, ...\" or \"bg ДУМА = word, ...\": " +
               line + ".";
      return false;
    }
    entries->push_back(std::move(e));
  }
  return true;
}

}  // namespace brelvox::page
