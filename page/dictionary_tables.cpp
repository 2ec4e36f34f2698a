#include "page/dictionary_tables.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "page/text.h"

namespace brelvox::page {
namespace {

bool IsAffix(const std::string& pos) {
  return pos == "prefix" || pos == "suffix" || pos == "infix";
}

struct Candidate {
  std::string shown;  // spelling shown, with stress marks where the source has them
  int senses = 0;     // senses of the headword it serves
  int first = 0;      // order of first appearance
};

struct Headword {
  std::string shown;
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

}  // namespace

const std::vector<std::string>* DictionaryTables::Find(Direction direction,
                                                       const std::string& key) const {
  const auto& table =
      direction == Direction::kEnglishToBulgarian ? english_to_bulgarian : bulgarian_to_english;
  const auto it = table.find(key);
  return it == table.end() ? nullptr : &it->second;
}

DictionaryTables BuildTables(const std::vector<SourceEntry>& entries,
                             const std::vector<EnglishForm>& forms) {
  // Headwords in order of first appearance; the general dictionary comes first in the input.
  std::map<std::string, Headword> heads;
  int counter = 0;
  for (const auto& entry : entries) {
    if (IsAffix(entry.part_of_speech)) continue;
    const std::string key = FoldKey(entry.headword);
    if (key.empty()) continue;
    Headword& h = heads[key];
    if (h.shown.empty()) h.shown = entry.headword;
    for (const auto& sense : entry.senses) {
      ++h.total_senses;
      std::vector<std::string> seen;
      for (const auto& t : sense) {
        const std::string k = FoldKey(t);
        if (k.empty() || std::find(seen.begin(), seen.end(), k) != seen.end()) continue;
        seen.push_back(k);
        auto [it, fresh] = h.candidates.try_emplace(k);
        Candidate& c = it->second;
        if (fresh) {
          c.shown = t;
          c.first = counter++;
          h.order.push_back(k);
        } else if (StripStress(c.shown) == c.shown && StripStress(t) != t) {
          c.shown = t;  // prefer the spelling that shows the stress
        }
        ++c.senses;
      }
    }
  }

  std::unordered_map<std::string, int> bulgarian_spread;
  for (const auto& [key, h] : heads) {
    for (const auto& k : h.order)
      ++bulgarian_spread[k];
  }

  struct Reverse {
    std::string english;
    int score = 0;
    int total_senses = 0;
  };
  std::unordered_map<std::string, std::vector<Reverse>> reverse;

  DictionaryTables tables;
  for (auto& [key, h] : heads) {
    std::vector<const Candidate*> ranked;
    std::vector<std::string> keys = h.order;
    std::stable_sort(keys.begin(), keys.end(), [&](const std::string& a, const std::string& b) {
      const Candidate& ca = h.candidates.at(a);
      const Candidate& cb = h.candidates.at(b);
      if (ca.senses != cb.senses) return ca.senses > cb.senses;
      const bool pa = a.find(' ') != std::string::npos;
      const bool pb = b.find(' ') != std::string::npos;
      if (pa != pb) return pb;
      const int sa = bulgarian_spread[a];
      const int sb = bulgarian_spread[b];
      if (sa != sb) return sa > sb;
      return ca.first < cb.first;
    });
    auto& out = tables.english_to_bulgarian[key];
    const bool phrase = key.find(' ') != std::string::npos;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const Candidate& c = h.candidates.at(keys[i]);
      if (out.size() < kStoredTranslations) out.push_back(c.shown);
      const int place_bonus = i == 0 ? 6 : i == 1 ? 3 : i == 2 ? 1 : 0;
      reverse[keys[i]].push_back(
          {h.shown, c.senses * 4 + place_bonus - (phrase ? 3 : 0), h.total_senses});
    }
  }

  for (auto& [key, list] : reverse) {
    std::stable_sort(list.begin(), list.end(), [](const Reverse& a, const Reverse& b) {
      if (a.score != b.score) return a.score > b.score;
      if (a.total_senses != b.total_senses) return a.total_senses > b.total_senses;
      if (a.english.size() != b.english.size()) return a.english.size() < b.english.size();
      return a.english < b.english;
    });
    auto& out = tables.bulgarian_to_english[key];
    for (const auto& r : list) {
      if (out.size() >= kStoredTranslations) break;
      if (std::find(out.begin(), out.end(), r.english) == out.end()) out.push_back(r.english);
    }
  }

  for (const auto& f : forms) {
    auto& bases = tables.english_bases[FoldKey(f.form)];
    const std::string base = FoldKey(f.base);
    if (std::find(bases.begin(), bases.end(), base) == bases.end()) bases.push_back(base);
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
  if (!Exec(
          d.db,
          "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
          "CREATE TABLE translation(direction TEXT NOT NULL, key TEXT NOT NULL, rank INTEGER NOT "
          "NULL,"
          " text TEXT NOT NULL, PRIMARY KEY(direction, key, rank)) WITHOUT ROWID;"
          "CREATE TABLE english_form(form TEXT NOT NULL, rank INTEGER NOT NULL, base TEXT NOT NULL,"
          " PRIMARY KEY(form, rank)) WITHOUT ROWID;",
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
      put("en-bg", tables.english_to_bulgarian) && put("bg-en", tables.bulgarian_to_english);
  sqlite3_finalize(insert);
  sqlite3_prepare_v2(d.db, "INSERT INTO english_form VALUES(?,?,?)", -1, &insert, nullptr);
  bool ok_forms = true;
  for (const auto& [form, bases] : tables.english_bases) {
    for (std::size_t i = 0; i < bases.size() && ok_forms; ++i) {
      sqlite3_bind_text(insert, 1, form.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(insert, 2, static_cast<int>(i));
      sqlite3_bind_text(insert, 3, bases[i].c_str(), -1, SQLITE_TRANSIENT);
      ok_forms = sqlite3_step(insert) == SQLITE_DONE;
      sqlite3_reset(insert);
    }
  }
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
    auto& table =
        direction == "en-bg" ? tables->english_to_bulgarian : tables->bulgarian_to_english;
    table[reinterpret_cast<const char*>(sqlite3_column_text(st, 1))].emplace_back(
        reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) {
    *error = "Cannot read the dictionary " + path + ": " + sqlite3_errmsg(d.db) + ".";
    return false;
  }
  if (sqlite3_prepare_v2(d.db, "SELECT form, base FROM english_form ORDER BY form, rank", -1, &st,
                         nullptr) != SQLITE_OK) {
    *error = "The dictionary " + path +
             " lacks its word forms; build it again with the target page-data.";
    return false;
  }
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    tables->english_bases[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))].emplace_back(
        reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
  }
  sqlite3_finalize(st);
  if (tables->english_to_bulgarian.empty()) {
    *error = "The dictionary " + path + " is empty; build it again with the target page-data.";
    return false;
  }
  return true;
}

}  // namespace brelvox::page
