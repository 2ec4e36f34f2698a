#include "page/dictionary_tables.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "page/morphology.h"
#include "page/text.h"

namespace brelvox::page {
namespace {

bool IsAffix(const std::string& pos) {
  return pos == "prefix" || pos == "suffix" || pos == "infix";
}

struct Candidate {
  std::string shown;     // spelling shown, with stress marks where the source has them
  std::string headword;  // the English headword as the entries that list it write it (march, March)
  int senses = 0;        // senses of the headword it serves
  int first = 0;         // order of first appearance
  double score = 0;
  int verb = 0;        // the same count over the verb senses alone
  int noun = 0;        // and over the noun senses alone
  int supplement = 0;  // the same count over the supplement's senses
  // Parts of speech the dictionary's own entries give it: the verb, the noun, any other.
  bool general_verb = false;
  bool general_noun = false;
  bool general_other = false;
};

struct Headword {
  std::string main;        // main part of speech, or empty
  bool has_other = false;  // has senses of another part of speech than the verb
  int total_senses = 0;
  std::vector<std::string> order;  // folded keys of the candidates, in order of appearance
  std::unordered_map<std::string, Candidate> candidates;
};

struct Database {
  sqlite3* db = nullptr;
  ~Database() {
    if (db) sqlite3_close(db);
  }
};

bool Exec(sqlite3* db, const char* sql, std::string* error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    *error = std::string("Dictionary database error: ") + (message ? message : "unknown") + ".";
    sqlite3_free(message);
    return false;
  }
  return true;
}

// Of two spellings of one translation (they differ only in case and stress marks): the one that
// shows the stress, and in lower case when either is (a name's capital does not reach the common
// word: the book of Numbers is Чи́сла, the plural of number числа).
std::string PreferredSpelling(const std::string& shown, const std::string& other) {
  const std::string& stressed =
      StripStress(shown) == shown && StripStress(other) != other ? other : shown;
  return StartsLowerCase(shown) || StartsLowerCase(other) ? LowercaseFirst(stressed) : stressed;
}

}  // namespace

const std::vector<std::string>* DictionaryTables::Find(Direction direction,
                                                       const std::string& key) const {
  const auto& table =
      direction == Direction::kEnglishToBulgarian ? english_to_bulgarian : bulgarian_to_english;
  const auto it = table.find(key);
  return it == table.end() ? nullptr : &it->second;
}

const std::unordered_map<std::string, std::vector<std::string>>& DictionaryTables::Bases(
    Direction direction) const {
  return direction == Direction::kEnglishToBulgarian ? english_bases : bulgarian_bases;
}

const std::unordered_map<std::string, std::string>& DictionaryTables::BaseFirst(
    Direction direction) const {
  return direction == Direction::kEnglishToBulgarian ? english_base_first : bulgarian_base_first;
}

LemmaCounts CountLemmas(const std::vector<std::pair<std::string, double>>& counts,
                        const std::vector<WordForm>& forms, const WordStemmer* stemmer) {
  std::unordered_map<std::string, std::vector<std::string>> listed;
  for (const auto& f : forms)
    listed[FoldKey(f.form)].push_back(FoldKey(f.base));
  LemmaCounts lemmas;
  std::vector<std::string> bases;
  for (const auto& [word, count] : counts) {
    const std::string key = FoldKey(word);
    bases.assign(1, key);
    if (const auto it = listed.find(key); it != listed.end()) {
      bases.insert(bases.end(), it->second.begin(), it->second.end());
    }
    if (stemmer) {
      for (auto& b : stemmer->Stems(key))
        bases.push_back(std::move(b));
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    for (const auto& b : bases)
      lemmas[b] += count;
  }
  return lemmas;
}

namespace {

// The bases an English word form may have by the regular endings: -s, -es, -ies, -ed, -d, -ied,
// -ing (with a final e restored or a doubled consonant undone).
std::vector<std::string> RegularEnglishBases(const std::string& w) {
  static const std::pair<const char*, const char*> kRules[] = {
      {"s", ""}, {"es", ""},   {"ies", "y"}, {"ed", ""},
      {"d", ""}, {"ied", "y"}, {"ing", ""},  {"ing", "e"}};
  std::vector<std::string> out;
  for (const auto& [ending, back] : kRules) {
    const std::string_view e(ending);
    if (w.size() < e.size() + 2 || w.compare(w.size() - e.size(), e.size(), e) != 0) continue;
    std::string base = w.substr(0, w.size() - e.size());
    out.push_back(base + back);
    const std::size_t n = base.size();
    if (*back == '\0' && (e == "ed" || e == "ing") && n >= 3 && base[n - 1] == base[n - 2]) {
      out.push_back(base.substr(0, n - 1));  // stopped, running
    }
  }
  return out;
}

// c(w) of a word or phrase: its base form's count, a phrase its rarest word's.
double CountOf(const LemmaCounts& lemmas, const std::string& key) {
  double least = -1;
  std::size_t start = 0;
  while (start <= key.size()) {
    auto end = key.find(' ', start);
    if (end == std::string::npos) end = key.size();
    const auto it = lemmas.find(key.substr(start, end - start));
    const double c = it == lemmas.end() ? 0 : it->second;
    if (least < 0 || c < least) least = c;
    start = end + 1;
  }
  return least < 0 ? 0 : least;
}

double Weight(const LemmaCounts& lemmas, const std::string& key) {
  return 2.5 * std::log10(1 + CountOf(lemmas, key));
}

bool IsPhrase(const std::string& key) {
  return key.find(' ') != std::string::npos;
}

// The verb is the main part of speech of an English word when its -ing form is at least a quarter
// as frequent as the word itself.
bool VerbIsMain(const std::unordered_map<std::string, double>& forms, const std::string& word) {
  auto count = [&](const std::string& w) {
    const auto it = forms.find(w);
    return it == forms.end() ? 0.0 : it->second;
  };
  double ing = count(word + "ing");
  if (!word.empty() && word.back() == 'e')
    ing = std::max(ing, count(word.substr(0, word.size() - 1) + "ing"));
  if (!word.empty()) ing = std::max(ing, count(word + word.back() + "ing"));
  return count(word) > 0 && ing * 4 >= count(word);
}

}  // namespace

DictionaryTables BuildTables(const std::vector<SourceEntry>& entries,
                             const std::vector<WordForm>& english_forms,
                             const RankingData& ranking) {
  const LemmaCounts bulgarian_lemmas =
      CountLemmas(ranking.bulgarian_counts, ranking.bulgarian_forms, ranking.bulgarian);
  std::unordered_map<std::string, double> english_form_counts;
  for (const auto& [w, c] : ranking.english_counts)
    english_form_counts[FoldKey(w)] += c;
  // English base forms by the regular endings, where the base is a counted word itself: hunspell's
  // affixes are too loose here (it reads brother as broth + er).
  std::vector<WordForm> english_all_forms = english_forms;
  for (const auto& [form, count] : english_form_counts) {
    for (const auto& base : RegularEnglishBases(form)) {
      if (english_form_counts.contains(base)) english_all_forms.push_back({form, base, false});
    }
  }
  const LemmaCounts english_lemmas =
      CountLemmas(ranking.english_counts, english_all_forms, nullptr);

  // Parts of speech of each headword, to find its main one.
  // Parts of speech of each headword, to find its main one.
  std::unordered_map<std::string, std::vector<std::string>> parts;
  for (const auto& entry : entries) {
    if (entry.source == EntrySource::kGeneral)
      parts[FoldKey(entry.headword)].push_back(entry.part_of_speech);
  }
  auto main_part = [&](const std::string& key) -> std::string {
    const auto& p = parts[key];
    const bool noun = std::find(p.begin(), p.end(), "n") != p.end();
    const bool verb = std::find(p.begin(), p.end(), "v") != p.end();
    if (!noun || !verb) return {};
    return VerbIsMain(english_form_counts, key) ? "v" : "n";
  };

  std::map<std::string, Headword> heads;
  std::unordered_map<std::string, std::vector<std::string>> supplement_english;
  std::unordered_map<std::string, std::vector<std::string>> supplement_bulgarian;
  int counter = 0;
  for (const auto& entry : entries) {
    if (IsAffix(entry.part_of_speech)) continue;
    const std::string key = FoldKey(entry.headword);
    if (key.empty()) continue;
    if (entry.source == EntrySource::kSupplementBulgarian) {
      for (const auto& t : entry.senses.front())
        supplement_bulgarian[key].push_back(t);
      continue;
    }
    if (entry.source == EntrySource::kSupplement) {
      for (const auto& t : entry.senses.front())
        supplement_english[key].push_back(t);
    }
    Headword& h = heads[key];
    if (h.main.empty()) h.main = main_part(key);
    const bool terms = entry.source == EntrySource::kComputerTerms;
    const int part_weight = !h.main.empty() && entry.part_of_speech == h.main ? 2 : 1;
    for (const auto& sense : entry.senses) {
      ++h.total_senses;
      std::vector<std::string> seen;
      for (const auto& t : sense) {
        const std::string k = FoldKey(t);
        if (k.empty() || std::find(seen.begin(), seen.end(), k) != seen.end()) continue;
        auto [it, fresh] = h.candidates.try_emplace(k);
        Candidate& c = it->second;
        if (fresh) {
          c.shown = t;
          c.headword = entry.headword;
          c.first = counter++;
          h.order.push_back(k);
        } else {
          // A translation another entry writes in lower case takes that entry's headword for the
          // reverse direction (луна: moon, not the Moon of the entry that writes Луна́).
          if (!StartsLowerCase(c.shown) && StartsLowerCase(t)) c.headword = entry.headword;
          c.shown = PreferredSpelling(c.shown, t);
        }
        ++c.senses;
        // The computer terms are a narrow dictionary: a half for each sense, wherever it stands.
        c.score += terms ? 0.5 : (seen.empty() ? 2 : 1) * part_weight;
        const int weight = seen.empty() ? 2 : 1;
        if (entry.source == EntrySource::kSupplement) {
          c.supplement += weight;
        } else {
          c.verb += entry.part_of_speech == "v" ? weight : 0;
          c.noun += entry.part_of_speech == "n" ? weight : 0;
          c.general_verb |= entry.part_of_speech == "v";
          c.general_noun |= entry.part_of_speech == "n";
          c.general_other |= entry.part_of_speech != "v" && entry.part_of_speech != "n";
        }
        h.has_other |= entry.part_of_speech != "v";
        seen.push_back(k);
      }
    }
  }

  struct Reverse {
    std::string english;
    double score = 0;
    int first = 0;
  };
  std::unordered_map<std::string, std::vector<Reverse>> reverse;

  DictionaryTables tables;
  for (auto& head : heads) {
    const std::string& key = head.first;
    Headword& h = head.second;  // named, not bound: the sorts below capture it
    for (auto& [k, c] : h.candidates) {
      c.score += Weight(bulgarian_lemmas, k) - (IsPhrase(k) ? 3 : 0);
      // Supplement senses are main senses of any part of speech: they count for the verb and the
      // noun unless the dictionary gives the word only as another part of speech (tear: сълза is
      // no sense of tore).
      if (c.general_verb || (!c.general_noun && !c.general_other)) c.verb += c.supplement;
      if (c.general_noun || (!c.general_verb && !c.general_other)) c.noun += c.supplement;
    }
    std::vector<std::string> keys = h.order;
    std::stable_sort(keys.begin(), keys.end(), [&](const std::string& a, const std::string& b) {
      return h.candidates.at(a).score > h.candidates.at(b).score;
    });
    if (const auto it = supplement_english.find(key); it != supplement_english.end()) {
      std::vector<std::string> first;
      for (const auto& t : it->second)
        first.push_back(FoldKey(t));
      // The supplement's senses first, in the order written.
      std::stable_sort(keys.begin(), keys.end(), [&](const std::string& a, const std::string& b) {
        return std::find(first.begin(), first.end(), a) < std::find(first.begin(), first.end(), b);
      });
    }
    if (h.has_other) {
      // The verb's translations alone, in the same order, for the verb forms of the word (said,
      // wanted).
      std::vector<std::string> verbs;
      for (const auto& k : keys) {
        if (h.candidates.at(k).verb > 0) verbs.push_back(k);
      }
      auto& out = tables.english_verbs[key];
      for (std::size_t i = 0; i < verbs.size() && i < kStoredTranslations; ++i)
        out.push_back(h.candidates.at(verbs[i]).shown);
      if (out.empty()) tables.english_verbs.erase(key);
    }
    if (h.main == "n" && !keys.empty() && h.candidates.at(keys.front()).noun > 0) {
      // The noun's translations alone, for its plural (soldiers: войник, not служа), when the
      // word's own first translation is a noun (wants stays искам).
      auto& nouns = tables.english_nouns[key];
      for (const auto& k : keys) {
        if (h.candidates.at(k).noun > 0 && nouns.size() < kStoredTranslations)
          nouns.push_back(h.candidates.at(k).shown);
      }
      if (nouns.empty()) tables.english_nouns.erase(key);
    }
    auto& out = tables.english_to_bulgarian[key];
    const double english_weight = Weight(english_lemmas, key) - (IsPhrase(key) ? 3 : 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const Candidate& c = h.candidates.at(keys[i]);
      if (out.size() < kStoredTranslations) out.push_back(c.shown);
      const double share = static_cast<double>(c.senses) / std::max(1, h.total_senses);
      const double place = i == 0 ? 6 : i == 1 ? 3 : i == 2 ? 1 : 0;
      reverse[keys[i]].push_back({c.headword, place + 4 * share + english_weight, c.first});
    }
  }

  for (auto& [key, list] : reverse) {
    std::stable_sort(list.begin(), list.end(), [](const Reverse& a, const Reverse& b) {
      if (a.score != b.score) return a.score > b.score;
      return a.first < b.first;
    });
    auto& out = tables.bulgarian_to_english[key];
    for (const auto& r : list) {
      if (out.size() >= kStoredTranslations) break;
      if (std::find(out.begin(), out.end(), r.english) == out.end()) out.push_back(r.english);
    }
  }
  for (const auto& [key, list] : supplement_bulgarian) {
    auto& out = tables.bulgarian_to_english[key];
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      out.erase(std::remove(out.begin(), out.end(), *it), out.end());
      out.insert(out.begin(), *it);
    }
    if (out.size() > kStoredTranslations) out.resize(kStoredTranslations);
  }

  for (const auto& f : english_forms) {
    if (f.verb) tables.english_verb_forms.insert(FoldKey(f.form));
    auto& bases = tables.english_bases[FoldKey(f.form)];
    const std::string base = FoldKey(f.base);
    if (std::find(bases.begin(), bases.end(), base) == bases.end()) bases.push_back(base);
  }
  for (const auto& f : ranking.bulgarian_forms) {
    auto& bases = tables.bulgarian_bases[f.form];
    if (std::find(bases.begin(), bases.end(), f.base) == bases.end()) bases.push_back(f.base);
  }

  // A form that is a word of its own reads as its base form first when the base is at least twice
  // as frequent: English irregular verb forms and the Bulgarian forms of the hand list (hunspell's
  // analyses are too loose for this: it reads вие as a form of вия).
  auto base_first = [&](Direction direction, const std::string& form,
                        const std::vector<std::string>& bases, const LemmaCounts& lemmas,
                        double factor) {
    if (!tables.Find(direction, form)) return;
    // The supplement gives a form's main senses itself (evening is no form of even).
    if ((direction == Direction::kEnglishToBulgarian ? supplement_english : supplement_bulgarian)
            .contains(form)) {
      return;
    }
    const double own = CountOf(lemmas, form);
    for (const auto& b : bases) {
      if (b != form && tables.Find(direction, b) && CountOf(lemmas, b) >= factor * own && own > 0) {
        (direction == Direction::kEnglishToBulgarian ? tables.english_base_first
                                                     : tables.bulgarian_base_first)[form] = b;
        return;
      }
    }
  };
  for (const auto& f : english_forms) {
    if (f.verb)
      base_first(Direction::kEnglishToBulgarian, FoldKey(f.form), {FoldKey(f.base)}, english_lemmas,
                 2);
  }
  // Regular -ing and -ed forms with entries of their own (trying, saying) need a base three times
  // as frequent (interested stays interested).
  if (ranking.english) {
    for (const auto& [form, list] : tables.english_to_bulgarian) {
      const bool ing = form.size() > 5 && form.compare(form.size() - 3, 3, "ing") == 0;
      const bool ed = form.size() > 4 && form.compare(form.size() - 2, 2, "ed") == 0;
      if (!ing && !ed) continue;
      // The base by hunspell or by the regular endings (hunspell keeps doing and trying as words),
      // when it is a verb.
      std::vector<std::string> bases = ranking.english->Stems(form);
      for (auto& b : RegularEnglishBases(form))
        bases.push_back(std::move(b));
      std::erase_if(bases, [&](const std::string& b) {
        const auto it = parts.find(b);
        return it == parts.end() ||
               std::find(it->second.begin(), it->second.end(), "v") == it->second.end();
      });
      base_first(Direction::kEnglishToBulgarian, form, bases, english_lemmas, 3);
    }
  }
  std::unordered_set<std::string> listed_forms;
  for (const auto& f : ranking.bulgarian_forms) {
    if (!f.derived) listed_forms.insert(f.form);
  }
  for (const auto& [form, bases] : tables.bulgarian_bases) {
    if (listed_forms.contains(form))
      base_first(Direction::kBulgarianToEnglish, form, bases, bulgarian_lemmas, 2);
  }
  return tables;
}

bool WriteDatabase(const DictionaryTables& tables, const std::string& path, std::string* error) {
  std::remove(path.c_str());
  Database d;
  if (sqlite3_open(path.c_str(), &d.db) != SQLITE_OK) {
    *error = "Cannot create " + path + ": " + sqlite3_errmsg(d.db) + ".";
    return false;
  }
  if (!Exec(d.db,
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
            "CREATE TABLE translation(direction TEXT NOT NULL, key TEXT NOT NULL, rank INTEGER NOT "
            "NULL,"
            " text TEXT NOT NULL, PRIMARY KEY(direction, key, rank)) WITHOUT ROWID;"
            // Base forms of a form in order; rank -1 names the base read before the form's own
            // entry, rank -2 marks an irregular verb form.
            "CREATE TABLE word_form(direction TEXT NOT NULL, form TEXT NOT NULL, rank INTEGER NOT "
            "NULL, base TEXT NOT NULL, PRIMARY KEY(direction, form, rank)) WITHOUT ROWID;",
            error)) {
    return false;
  }
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(d.db, "INSERT INTO translation VALUES(?,?,?,?)", -1, &insert, nullptr);
  auto put = [&](const char* direction, const auto& table) {
    for (const auto& [key, list] : table) {
      for (std::size_t i = 0; i < list.size(); ++i) {
        sqlite3_bind_text(insert, 1, direction, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, static_cast<int>(i));
        sqlite3_bind_text(insert, 4, list[i].c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) return false;
        sqlite3_reset(insert);
      }
    }
    return true;
  };
  const bool ok =
      put("en-bg", tables.english_to_bulgarian) && put("bg-en", tables.bulgarian_to_english) &&
      put("en-bg-verb", tables.english_verbs) && put("en-bg-noun", tables.english_nouns);
  sqlite3_finalize(insert);
  sqlite3_prepare_v2(d.db, "INSERT INTO word_form VALUES(?,?,?,?)", -1, &insert, nullptr);
  bool ok_forms = true;
  auto put_form = [&](const char* direction, const std::string& form, int rank,
                      const std::string& base) {
    sqlite3_bind_text(insert, 1, direction, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, form.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert, 3, rank);
    sqlite3_bind_text(insert, 4, base.c_str(), -1, SQLITE_TRANSIENT);
    ok_forms = ok_forms && sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
  };
  for (const auto direction : {Direction::kEnglishToBulgarian, Direction::kBulgarianToEnglish}) {
    const char* name = direction == Direction::kEnglishToBulgarian ? "en-bg" : "bg-en";
    for (const auto& [form, bases] : tables.Bases(direction)) {
      for (std::size_t i = 0; i < bases.size(); ++i)
        put_form(name, form, static_cast<int>(i), bases[i]);
    }
    for (const auto& [form, base] : tables.BaseFirst(direction))
      put_form(name, form, -1, base);
  }
  for (const auto& form : tables.english_verb_forms)
    put_form("en-bg", form, -2, form);  // rank -2: an irregular verb form
  sqlite3_finalize(insert);
  if (!ok || !ok_forms) {
    *error = "Cannot write " + path + ": " + sqlite3_errmsg(d.db) + ".";
    return false;
  }
  return Exec(d.db, "COMMIT;", error);
}

bool ReadDatabase(const std::string& path, DictionaryTables* tables, std::string* error) {
  Database d;
  if (sqlite3_open_v2(path.c_str(), &d.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    *error = "Cannot open the dictionary " + path + ": " + sqlite3_errmsg(d.db) +
             ". Build it with the target page-data or pass its folder with --data.";
    return false;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(
          d.db, "SELECT direction, key, text FROM translation ORDER BY direction, key, rank", -1,
          &st, nullptr) != SQLITE_OK) {
    *error = "The dictionary " + path + " is not a dictionary database (" + sqlite3_errmsg(d.db) +
             "); build it again with the target page-data.";
    return false;
  }
  int rc = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const std::string direction = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    auto& table = direction == "en-bg"        ? tables->english_to_bulgarian
                  : direction == "en-bg-verb" ? tables->english_verbs
                  : direction == "en-bg-noun" ? tables->english_nouns
                                              : tables->bulgarian_to_english;
    table[reinterpret_cast<const char*>(sqlite3_column_text(st, 1))].emplace_back(
        reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) {
    *error = "Cannot read the dictionary " + path + ": " + sqlite3_errmsg(d.db) + ".";
    return false;
  }
  if (sqlite3_prepare_v2(d.db,
                         "SELECT direction, form, rank, base FROM word_form ORDER BY direction, "
                         "form, rank",
                         -1, &st, nullptr) != SQLITE_OK) {
    *error = "The dictionary " + path +
             " lacks its word forms; build it again with the target page-data.";
    return false;
  }
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const bool english =
        std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "en-bg";
    std::string form = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    std::string base = reinterpret_cast<const char*>(sqlite3_column_text(st, 3));
    if (sqlite3_column_int(st, 2) == -2) {
      tables->english_verb_forms.insert(std::move(form));
    } else if (sqlite3_column_int(st, 2) < 0) {
      (english ? tables->english_base_first : tables->bulgarian_base_first)[form] = std::move(base);
    } else {
      (english ? tables->english_bases : tables->bulgarian_bases)[form].push_back(std::move(base));
    }
  }
  sqlite3_finalize(st);
  if (tables->english_to_bulgarian.empty()) {
    *error = "The dictionary " + path + " is empty; build it again with the target page-data.";
    return false;
  }
  return true;
}

}  // namespace brelvox::page
