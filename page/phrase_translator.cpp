#include "page/phrase_translator.h"

#include <algorithm>

#include "page/text.h"

namespace brelvox::page {
namespace {

// The longest run of words tried as one entry in a word-by-word translation.
constexpr std::size_t kLongestRun = 4;

void AddUnique(std::vector<std::string>* list, const std::string& item) {
  if (std::find(list->begin(), list->end(), item) == list->end()) list->push_back(item);
}

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Whether an English word in -ly is the adverb of an adjective: quietly, happily, possibly,
// basically.
bool IsAdverbOf(const std::string& word, const std::string& adjective) {
  if (!EndsWith(word, "ly")) return false;
  const std::string stem = word.substr(0, word.size() - 2);
  if (adjective == stem) return true;
  if (EndsWith(word, "ily") && adjective == stem.substr(0, stem.size() - 1) + "y") return true;
  if (EndsWith(word, "bly") && adjective == stem + "e") return true;
  return EndsWith(word, "ically") && adjective == stem.substr(0, stem.size() - 2);
}

// The participles a Bulgarian verb's dictionary form may have by its ending (a phrase's first word
// inflected): present active (чакам: чакащ, пиша: пишещ, лежа: лежащ) or past passive (чакам:
// чакан, стрелям: стрелян, успокоя: успокоен, прегърна: прегърнат). Several may fit; only one
// that a dictionary lists is ever shown.
std::vector<std::string> ParticipleCandidates(const std::string& verb, bool past) {
  const auto space = verb.find(' ');
  const std::u32string w = DecodeUtf8(FoldKey(verb.substr(0, space)));
  const std::string rest = space == std::string::npos ? "" : FoldKey(verb.substr(space));
  if (w.size() < 3) return {};
  const std::u32string stem = w.substr(0, w.size() - 1);
  const char32_t last = w.back();
  const char32_t before = stem.back();
  std::vector<std::u32string> forms;
  if (last == U'м' && (before == U'а' || before == U'я')) {
    forms.push_back(stem + (past ? U"н" : U"щ"));
  } else if (last == U'я' || last == U'а') {
    if (past) {
      forms.push_back(stem + U"ен");
      if (before == U'н') forms.push_back(w + U"т");
    } else {
      // A stress mark on the ending keeps its vowel (горя́: горящ; пиша: пишещ).
      const std::u32string written = DecodeUtf8(verb.substr(0, space));
      const bool end_stressed =
          written.size() > w.size() && (written.back() == U'\u0301' || written.back() == U'\u0300');
      forms.push_back(end_stressed ? w + U"щ" : stem + U"ещ");
      forms.push_back(end_stressed ? stem + U"ещ" : w + U"щ");
    }
  }
  std::vector<std::string> out;
  for (const auto& f : forms)
    out.push_back(EncodeUtf8(f) + (rest.empty() ? "" : " " + rest));
  return out;
}

bool OnlySpaces(const std::string& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

}  // namespace

bool LoadPageDictionary(const std::string& dir, PageDictionary* dictionary, std::string* error) {
  if (!ReadDatabase(dir + "/dictionary.sqlite", &dictionary->tables, error)) return false;
  dictionary->bulgarian = WordStemmer::Load(dir + "/bg_BG.aff", dir + "/bg_BG.dic", error);
  if (!dictionary->bulgarian) return false;
  dictionary->english = WordStemmer::Load(dir + "/en_US.aff", dir + "/en_US.dic", error);
  return dictionary->english != nullptr;
}

std::string_view MethodName(Method method) {
  switch (method) {
    case Method::kExact:
      return "exact";
    case Method::kBaseForm:
      return "base form";
    case Method::kPhrase:
      return "phrase";
    case Method::kWordByWord:
      return "word by word";
    case Method::kNotFound:
      break;
  }
  return "not found";
}

std::string TranslationResult::Shown() const {
  if (translations.empty()) return source;
  std::string out;
  for (const auto& t : translations) {
    if (!out.empty()) out += " <> ";
    out += t.text;
  }
  return out;
}

std::vector<std::string> PhraseTranslator::BaseForms(Direction direction,
                                                     const std::string& key) const {
  std::vector<std::string> bases;
  if (direction == Direction::kEnglishToBulgarian) {
    if (const auto it = tables_.english_bases.find(key); it != tables_.english_bases.end()) {
      for (const auto& b : it->second)
        AddUnique(&bases, b);
    }
    if (english_) {
      for (const auto& b : english_->Stems(key))
        AddUnique(&bases, b);
    }
    // hunspell-en-us lists some forms as words of their own (things, women) and reads others too
    // freely (brothers as broth): the regular detachment rules of English inflection too.
    if (const std::string base = EnglishBaseByEnding(key); !base.empty()) AddUnique(&bases, base);
    // A contraction cut at its apostrophe or written without it, as word lists and careless
    // typing leave it (didn, dont, thats): the whole contraction (won stays win, not won't).
    static const std::pair<std::string_view, std::string_view> kContractions[] = {
        {"n", "n't"}, {"nt", "n't"}, {"s", "'s"}};
    static const std::string_view kWithIs[] = {"that", "what", "there", "here", "who",
                                               "he",   "she",  "it",    "where"};
    const bool known = std::any_of(bases.begin(), bases.end(), [&](const std::string& b) {
      return tables_.Find(direction, b) != nullptr;
    });
    for (const auto& [tail, whole] : kContractions) {
      if (!EndsWith(key, tail)) continue;
      const std::string_view stem = std::string_view(key).substr(0, key.size() - tail.size());
      // 's only after the words it is "is" after (thats, not ones); a cut n't only where the
      // word has no base of its own.
      if (tail == "s" ? std::find(std::begin(kWithIs), std::end(kWithIs), stem) == std::end(kWithIs)
                      : known) {
        continue;
      }
      const std::string contraction = key.substr(0, key.size() - tail.size()) + std::string(whole);
      if (tables_.Find(direction, contraction)) AddUnique(&bases, contraction);
    }
    // The base closest to the form first: savings -> saving before save.
    std::stable_sort(bases.begin(), bases.end(), [](const std::string& a, const std::string& b) {
      return a.size() > b.size();
    });
  } else {
    if (const auto it = tables_.bulgarian_bases.find(key); it != tables_.bulgarian_bases.end()) {
      for (const auto& b : it->second)
        AddUnique(&bases, b);
    }
    if (bulgarian_) {
      for (const auto& b : bulgarian_->Stems(key))
        AddUnique(&bases, b);
    }
    // hunspell-bg lists many article and plural forms as words of their own, without a base form
    // (времето, нашето, пъти): when it gives no base the dictionary knows, take off the ending.
    const bool known = std::any_of(bases.begin(), bases.end(), [&](const std::string& b) {
      return tables_.Find(direction, b) != nullptr;
    });
    if (!known) {
      for (const std::string& base : {BulgarianBaseByEnding(key), BulgarianVerbBase(key)}) {
        if (!base.empty()) AddUnique(&bases, base);
      }
    }
    // Last, a perfective verb made with a prefix that adds little but the aspect, which the
    // dictionary lacks, reads its simple verb (сгреших: греша; навреди: вредя).
    if (std::none_of(bases.begin(), bases.end(),
                     [&](const std::string& b) { return tables_.Find(direction, b) != nullptr; })) {
      for (const char* prefix : {"по", "на", "из", "за", "с"}) {
        const std::string_view p(prefix);
        if (!key.starts_with(p) || key.size() < p.size() + 6) continue;
        // Only a base with a verb's first-person ending counts (изабел is no form of аба).
        const std::string base = BulgarianVerbBase(key.substr(p.size()));
        const bool verb_like = EndsWith(base, "м") || EndsWith(base, "я") || EndsWith(base, "жа") ||
                               EndsWith(base, "ча") || EndsWith(base, "ша") ||
                               EndsWith(base, "ка") || EndsWith(base, "га");
        if (verb_like) {
          bases.push_back(base);
          break;
        }
      }
    }
  }
  return bases;
}

std::string PhraseTranslator::EnglishBaseByEnding(const std::string& key) const {
  static const std::pair<const char*, const char*> kRules[] = {
      {"men", "man"}, {"ies", "y"}, {"ches", "ch"}, {"shes", "sh"}, {"ses", "s"},
      {"xes", "x"},   {"zes", "z"}, {"es", "e"},    {"es", ""},     {"s", ""},
      {"ied", "y"},   {"ed", "e"},  {"ed", ""},     {"ing", "e"},   {"ing", ""},
      {"est", ""},    {"est", "e"}, {"er", ""},     {"er", "e"}};
  for (const auto& [ending, replacement] : kRules) {
    const std::string_view e(ending);
    if (key.size() < e.size() + 2 || key.compare(key.size() - e.size(), e.size(), e) != 0) continue;
    const std::string base = key.substr(0, key.size() - e.size()) + replacement;
    if (base != key && tables_.Find(Direction::kEnglishToBulgarian, base)) return base;
  }
  return {};
}

std::string PhraseTranslator::BulgarianVerbBase(const std::string& key) const {
  // Endings after the stem's vowel, longest first: aorist and imperfect persons, participles,
  // present persons, imperatives.
  static const char* const kEndings[] = {"хме", "хте", "ше", "ха", "ла", "ло", "ли", "ме",
                                         "те",  "х",   "л",  "ш",  "т",  "й",  "м",  ""};
  // The stem's last vowel and the first-person endings it may stand for.
  static const std::pair<char32_t, const char*> kVowels[] = {
      {U'а', "ам"}, {U'а', "а"},  {U'а', "я"},  {U'я', "я"}, {U'я', "ям"},
      {U'я', "ея"}, {U'и', "я"},  {U'и', "а"},  {U'о', "а"}, {U'е', "а"},
      {U'е', "я"},  {U'е', "ея"}, {U'у', "уя"}, {U'ъ', "а"}, {U'ъ', "я"}};
  const std::u32string word = DecodeUtf8(key);
  for (const char* ending : kEndings) {
    const std::u32string e = DecodeUtf8(ending);
    if (word.size() < e.size() + 3 || word.compare(word.size() - e.size(), e.size(), e) != 0)
      continue;
    const std::u32string stem = word.substr(0, word.size() - e.size());
    for (const auto& [vowel, first] : kVowels) {
      if (stem.back() != vowel) continue;
      // An и stands for a first person in -а only after ж, ч, ш, щ (греших: греша; заплатих is
      // no form of заплата).
      if (vowel == U'и' && std::string_view(first) == "а" &&
          std::u32string_view(U"жчшщ").find(stem[stem.size() - 2]) == std::u32string_view::npos) {
        continue;
      }
      const std::string base = EncodeUtf8(stem.substr(0, stem.size() - 1)) + first;
      if (base != key && tables_.Find(Direction::kBulgarianToEnglish, base)) return base;
      // An imperfective in -явам whose perfective in -ея is filed (закъснява: закъснея).
      if (EndsWith(base, "явам")) {
        const std::string partner =
            base.substr(0, base.size() - std::string_view("явам").size()) + "ея";
        if (tables_.Find(Direction::kBulgarianToEnglish, partner)) return partner;
      }
    }
    // A perfective verb the dictionary files only under its imperfective partner: in -вам and
    // -авам (извърших: извършвам; разреши: разрешавам), -явам and -ям after и (осигури:
    // осигурявам; постави: поставям), with т and д softened (усетих: усещам; навреди:
    // навреждам), the о of the root turned а (затворете: затварям), or -на left out (постигна:
    // постигам).
    const std::u32string root = stem.substr(0, stem.size() - 1);
    const std::string r = EncodeUtf8(root);
    std::vector<std::string> partners = {r + "вам", r + "авам"};
    if (stem.back() == U'и') {
      partners.push_back(r + "явам");
      partners.push_back(r + "ям");
    }
    if (!root.empty()) {
      const std::string head = EncodeUtf8(root.substr(0, root.size() - 1));
      if (root.back() == U'т') partners.push_back(head + "щам");
      if (root.back() == U'д') {
        partners.push_back(head + "ждам");
        partners.push_back(head + "ждавам");
      }
      if (root.back() == U'н' && stem.back() == U'а') partners.push_back(head + "ам");
      if (const auto o = root.rfind(U'о'); o != std::u32string::npos && o + 3 >= root.size()) {
        std::u32string a = root;
        a[o] = U'а';
        partners.push_back(EncodeUtf8(a) + "ям");
      }
    }
    for (const auto& partner : partners) {
      if (partner != key && tables_.Find(Direction::kBulgarianToEnglish, partner)) return partner;
    }
  }
  // And the other way: an imperfective in -явам whose perfective in -ея is filed (закъснявам).
  if (word.size() > 6 && word.compare(word.size() - 4, 4, U"явам") == 0) {
    const std::string partner = EncodeUtf8(word.substr(0, word.size() - 4)) + "ея";
    if (tables_.Find(Direction::kBulgarianToEnglish, partner)) return partner;
  }
  return {};
}

std::string PhraseTranslator::BulgarianBaseByEnding(const std::string& key) const {
  // Definite articles and plural endings, longest first; the base may need its own final vowel
  // back.
  static const char* const kEndings[] = {
      "ищата", "овете", "евете", "ията", "ището", "ите", "ата", "ята", "ото", "ето", "ове", "еве",
      "ища",   "ът",    "ят",    "та",   "то",    "те",  "я",   "а",   "и",   "е",   "о"};
  static const char* const kRestored[] = {"", "а", "я", "о", "е", "й"};
  const std::u32string word = DecodeUtf8(key);
  for (const char* ending : kEndings) {
    const std::u32string e = DecodeUtf8(ending);
    if (word.size() < e.size() + 2 || word.compare(word.size() - e.size(), e.size(), e) != 0)
      continue;
    const std::u32string stem32 = word.substr(0, word.size() - e.size());
    // The stem as written, then with its last е back to the я of the base (гнева: гняв, бели:
    // бял).
    std::vector<std::string> stems = {EncodeUtf8(stem32)};
    if (const auto last_e = stem32.rfind(U'е');
        stem32.size() >= 3 && last_e != std::u32string::npos && last_e + 3 >= stem32.size()) {
      std::u32string ya = stem32;
      ya[last_e] = U'я';
      stems.push_back(EncodeUtf8(ya));
    }
    for (const auto& stem : stems) {
      for (const char* back : kRestored) {
        const std::string base = stem + back;
        if (base != key && tables_.Find(Direction::kBulgarianToEnglish, base)) return base;
      }
    }
  }
  return {};
}

std::vector<Translation> PhraseTranslator::LookupWord(Direction direction,
                                                      const std::string& word) const {
  const std::string key = FoldKey(word);
  std::vector<Translation> out;
  auto add = [&](const std::vector<std::string>& list, Method method, const std::string& base,
                 std::size_t most) {
    for (std::size_t i = 0; i < list.size() && i < most; ++i) {
      const bool seen = std::any_of(out.begin(), out.end(),
                                    [&](const Translation& t) { return t.text == list[i]; });
      if (!seen) out.push_back({list[i], method, base});
    }
  };
  if (const auto* found = tables_.Find(direction, key)) {
    const auto& first = tables_.BaseFirst(direction);
    if (const auto it = first.find(key); it != first.end()) {
      // English forms that go first are verb forms: their base's verb senses.
      const auto verbs = tables_.english_verbs.find(it->second);
      const auto* base =
          direction == Direction::kEnglishToBulgarian && verbs != tables_.english_verbs.end()
              ? &verbs->second
              : tables_.Find(direction, it->second);
      if (base) add(*base, Method::kBaseForm, it->second, kShownTranslations - 1);
    }
    add(*found, Method::kExact, {}, found->size());
    if (direction == Direction::kEnglishToBulgarian) AddParticiple(key, &out);
    return out;
  }
  // An -ing form written without its g (sayin, tryin) reads as the -ing form, where that is the
  // form of a verb (not calvin, colin).
  if (direction == Direction::kEnglishToBulgarian && EndsWith(key, "in") &&
      tables_.english_verbs.contains(EnglishBaseByEnding(key + "g"))) {
    auto with_g = LookupWord(direction, key + "g");
    for (auto& t : with_g) {
      t.method = Method::kBaseForm;
      if (t.base.empty()) t.base = key + "g";
    }
    if (!with_g.empty()) return with_g;
  }
  // A verb form reads its base's verb senses (said: казвам, not дума).
  const bool verb_form =
      direction == Direction::kEnglishToBulgarian &&
      (EndsWith(key, "ed") || EndsWith(key, "ing") || tables_.english_verb_forms.contains(key));
  // A plural reads its base's noun senses when the noun is the word's main part of speech.
  const bool plural =
      direction == Direction::kEnglishToBulgarian && !verb_form && EndsWith(key, "s");
  // A comparative or superlative reads its base's senses that are no verb's, the first adjective
  // in its degree (meanest: най-подъл, подъл, not означавам); an agent noun without an entry of
  // its own the same, with no degree (cheater: измамник).
  const bool graded = direction == Direction::kEnglishToBulgarian && !verb_form &&
                      (EndsWith(key, "er") || EndsWith(key, "est"));
  const char* const degree = graded ? Degree(key) : nullptr;
  for (const auto& base : BaseForms(direction, key)) {
    const auto verbs = tables_.english_verbs.find(base);
    const auto nouns = tables_.english_nouns.find(base);
    if (direction == Direction::kEnglishToBulgarian && IsAdverbOf(key, base)) {
      // An adverb in -ly is the neuter of the adjective's translations (quiet: тих, quietly: тихо);
      // translations that are no adjectives are left out unless none is one.
      const auto* found = tables_.Find(direction, base);
      if (!found) continue;
      std::vector<std::string> adverbs;
      for (const auto& t : *found) {
        // Adjectives in -ски are their own adverbs (приятелски).
        if (EndsWith(FoldKey(t), "ски")) {
          adverbs.push_back(t);
        } else if (std::string neuter = AdjectiveForm(t, false); !neuter.empty()) {
          adverbs.push_back(neuter);
        }
      }
      add(adverbs.empty() ? *found : adverbs, Method::kBaseForm, base, found->size());
    } else if (verb_form && verbs != tables_.english_verbs.end()) {
      add(verbs->second, Method::kBaseForm, base, verbs->second.size());
    } else if (plural && nouns != tables_.english_nouns.end()) {
      add(nouns->second, Method::kBaseForm, base, nouns->second.size());
    } else if (const auto* found = tables_.Find(direction, base)) {
      std::vector<std::string> others;
      if (graded && verbs != tables_.english_verbs.end()) {
        for (const auto& t : *found) {
          if (std::find(verbs->second.begin(), verbs->second.end(), t) == verbs->second.end())
            others.push_back(t);
        }
      }
      const auto& senses = others.empty() ? *found : others;
      if (degree) {
        // The first adjective among them in that degree first (bigger: по-голям, largest:
        // най-голям); later ones may not grade (oldest: стар, бивш).
        const auto adjective = std::find_if(senses.begin(), senses.end(), [&](const auto& t) {
          return t.find(' ') == std::string::npos && !AdjectiveForm(t, true).empty() &&
                 !AdjectiveForm(t, false).empty();
        });
        if (adjective != senses.end()) add({degree + *adjective}, Method::kBaseForm, base, 1);
      }
      add(senses, Method::kBaseForm, base, found->size());
    }
  }
  if (direction == Direction::kEnglishToBulgarian) AddParticiple(key, &out);
  return out;
}

const char* PhraseTranslator::Degree(const std::string& key) const {
  if (EndsWith(key, "est")) return "най-";
  // A comparative, not an agent noun, when its superlative is a word (bigger: biggest; no
  // cheatest).
  if (english_ && EndsWith(key, "er") && english_->Knows(key.substr(0, key.size() - 2) + "est"))
    return "по-";
  return nullptr;
}

void PhraseTranslator::AddParticiple(const std::string& key, std::vector<Translation>* out) const {
  const bool ing = EndsWith(key, "ing");
  if ((!ing && !EndsWith(key, "ed")) || out->empty() || out->front().method != Method::kBaseForm)
    return;
  // Only one the form's own entry lists: the rules by ending also make words that do not exist
  // (посетя has no present participle).
  for (const auto& participle : ParticipleCandidates(out->front().text, !ing)) {
    const auto listed = std::find_if(out->begin() + 1, out->end(), [&](const Translation& t) {
      return FoldKey(t.text) == participle;
    });
    if (listed != out->end()) {
      std::rotate(out->begin() + 1, listed, listed + 1);
      return;
    }
  }
}

std::string PhraseTranslator::AdjectiveForm(const std::string& adjective, bool feminine) const {
  // The form for the gender, checked against hunspell: червен -> червена, добър -> добра, малък ->
  // малка, български -> българска, син -> синя; the neuter the same with о (-ьо after a soft stem).
  if (!bulgarian_ || adjective.find(' ') != std::string::npos) return {};
  const std::u32string a = DecodeUtf8(StripStress(adjective));
  if (a.size() < 3) return {};
  const std::string base = FoldKey(adjective);
  const std::u32string_view ending = feminine ? U"а" : U"о";
  std::vector<std::u32string> forms = {a + std::u32string(ending)};
  if (a.back() == U'и') forms.push_back(a.substr(0, a.size() - 1) + std::u32string(ending));
  const char32_t before = a[a.size() - 2];
  if (before == U'ъ' || before == U'е') {
    forms.push_back(a.substr(0, a.size() - 2) + a.back() + std::u32string(ending));
  }
  forms.push_back(a + (feminine ? U"я" : U"ьо"));
  for (const auto& form : forms) {
    const std::string candidate = EncodeUtf8(form);
    const auto found = bulgarian_->Stems(candidate);
    if (std::find(found.begin(), found.end(), base) != found.end()) return candidate;
  }
  return {};
}

std::string PhraseTranslator::AgreeWithNoun(const std::string& adjective,
                                            const std::string& noun) const {
  if (noun.find(' ') != std::string::npos) return adjective;
  // The noun's gender by its ending: -а, -я feminine; -о, -е neuter; others masculine (the form
  // the dictionary gives adjectives in).
  const std::u32string n = DecodeUtf8(StripStress(noun));
  if (n.empty()) return adjective;
  const char32_t last = ToLower(n.back());
  const bool feminine = last == U'а' || last == U'я';
  const bool neuter = last == U'о' || last == U'е';
  if (!feminine && !neuter) return adjective;
  const std::string form = AdjectiveForm(adjective, feminine);
  return form.empty() ? adjective : form;
}

TranslationResult PhraseTranslator::Translate(Direction direction, std::string_view text) const {
  TranslationResult result;
  result.source = CutRequest(text, &result.cut);
  const std::vector<Token> tokens = Tokenize(result.source);
  std::vector<std::size_t> word_at;  // token index of each word
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].is_word) word_at.push_back(i);
  }
  if (word_at.empty()) return result;
  const bool capital = IsCapitalized(tokens[word_at.front()].text);
  auto shape = [&](const std::string& t, bool cap) { return cap ? CapitalizeFirst(t) : t; };
  auto take = [&](const std::vector<std::string>& list, Method method) {
    for (std::size_t i = 0; i < list.size() && i < kShownTranslations; ++i) {
      result.translations.push_back({shape(list[i], capital), method, {}});
    }
    result.method = method;
  };

  if (word_at.size() == 1) {
    auto found = LookupWord(direction, tokens[word_at.front()].text);
    if (found.size() > kShownTranslations) found.resize(kShownTranslations);
    for (auto& t : found)
      t.text = shape(t.text, capital);
    if (!found.empty()) result.method = found.front().method;
    result.translations = std::move(found);
    return result;
  }

  // The whole phrase as an entry: as written, then with each word in its first base form.
  std::string words_key;
  std::string bases_key;
  for (std::size_t w : word_at) {
    const std::string k = FoldKey(tokens[w].text);
    const auto bases = BaseForms(direction, k);
    words_key += (words_key.empty() ? "" : " ") + k;
    bases_key += (bases_key.empty() ? "" : " ") +
                 (tables_.Find(direction, k) || bases.empty() ? k : bases.front());
  }
  for (const std::string& key : {FoldKey(result.source), words_key, bases_key}) {
    if (const auto* found = tables_.Find(direction, key)) {
      take(*found, Method::kPhrase);
      return result;
    }
  }

  // Word by word: at each word the longest run of words (joined by spaces only) that has an entry.
  // The text between words is kept; pieces[i] is a word when piece_word[i] >= 0.
  std::vector<std::string> pieces;
  std::vector<int> piece_word;
  bool any_found = false;
  std::size_t t = 0;
  while (t < tokens.size()) {
    if (!tokens[t].is_word) {
      pieces.push_back(tokens[t].text);
      piece_word.push_back(-1);
      ++t;
      continue;
    }
    // Bulgarian has no word for "the" (it is an ending): leave it out, with its space.
    if (direction == Direction::kEnglishToBulgarian && FoldKey(tokens[t].text) == "the" &&
        t + 2 < tokens.size() && OnlySpaces(tokens[t + 1].text) && tokens[t + 2].is_word) {
      t += 2;
      continue;
    }
    std::size_t best_end = t;  // last token of the run
    const std::vector<std::string>* best = nullptr;
    std::string run_key = FoldKey(tokens[t].text);
    std::string run_source = tokens[t].text;
    std::size_t end = t;
    std::string candidate_key = run_key;
    std::string candidate_source = run_source;
    for (std::size_t n = 2; n <= kLongestRun; ++n) {
      if (end + 2 >= tokens.size() || !OnlySpaces(tokens[end + 1].text) || !tokens[end + 2].is_word)
        break;
      candidate_key += " " + FoldKey(tokens[end + 2].text);
      candidate_source += tokens[end + 1].text + tokens[end + 2].text;
      end += 2;
      if (const auto* found = tables_.Find(direction, candidate_key)) {
        best = found;
        best_end = end;
        run_source = candidate_source;
      }
    }
    WordTranslation word{run_source, run_source, Method::kNotFound};
    if (best) {
      word.text = best->front();
      word.method = Method::kPhrase;
    } else {
      const auto found = LookupWord(direction, tokens[t].text);
      if (!found.empty()) {
        word.text = found.front().text;
        word.method = found.front().method;
      }
    }
    if (word.method != Method::kNotFound) {
      any_found = true;
      word.text = shape(word.text, IsCapitalized(tokens[t].text));
    }
    pieces.push_back(word.text);
    piece_word.push_back(static_cast<int>(result.words.size()));
    result.words.push_back(std::move(word));
    t = best_end + 1;
  }
  // An adjective before a noun takes the noun's gender: red car, червена кола.
  if (direction == Direction::kEnglishToBulgarian) {
    for (std::size_t i = 0; i + 2 < pieces.size(); ++i) {
      if (piece_word[i] < 0 || piece_word[i + 2] < 0 || !OnlySpaces(pieces[i + 1])) continue;
      auto& adjective = result.words[static_cast<std::size_t>(piece_word[i])];
      const auto& noun = result.words[static_cast<std::size_t>(piece_word[i + 2])];
      if (adjective.method == Method::kNotFound || noun.method == Method::kNotFound) continue;
      adjective.text = AgreeWithNoun(adjective.text, noun.text);
      pieces[i] = adjective.text;
    }
  }
  std::string shown;
  for (const auto& piece : pieces)
    shown += piece;
  if (!any_found) {
    result.words.clear();
    return result;
  }
  result.translations.push_back({shown, Method::kWordByWord, {}});
  result.method = Method::kWordByWord;
  return result;
}

}  // namespace brelvox::page
