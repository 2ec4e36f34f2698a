#include "platform/registry/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

struct RegistryKey {
  std::string path;  // "HKEY_LOCAL_MACHINE\SOFTWARE\..."
  bool predefined;
};

namespace {

RegistryKey g_classesRoot{"HKEY_CLASSES_ROOT", true};
RegistryKey g_currentUser{"HKEY_CURRENT_USER", true};
RegistryKey g_localMachine{"HKEY_LOCAL_MACHINE", true};

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::string path;
  std::map<std::string, Value> values;  // by lower-case name
};

using Store = std::map<std::string, Key>;  // by lower-case path

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsRoot(const std::string& path) {
  return path.find('\\') == std::string::npos;
}

std::string Join(const std::string& base, const char* sub) {
  if (sub == nullptr || *sub == '\0') return base;
  std::string s = sub;
  while (!s.empty() && s.front() == '\\')
    s.erase(s.begin());
  while (!s.empty() && s.back() == '\\')
    s.pop_back();
  return s.empty() ? base : base + "\\" + s;
}

std::string Directory() {
  if (const char* dir = std::getenv("BRELVOX_REGISTRY"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return std::string(config) + "/brelvox";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.config/brelvox";
}

void MakeDirectories(const std::string& dir) {
  for (size_t at = 1; at <= dir.size(); ++at) {
    if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0755);
  }
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"')
      out += '\\', out += c;
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::string FormatValue(const Value& v) {
  std::ostringstream line;
  line << (v.name.empty() ? "@" : "\"" + Escape(v.name) + "\"") << '=';
  if (v.type == REG_SZ) {
    std::string text(v.data.begin(), v.data.end());
    while (!text.empty() && text.back() == '\0')
      text.pop_back();
    line << "sz:\"" << Escape(text) << '"';
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    DWORD d;
    std::memcpy(&d, v.data.data(), 4);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", d);
    line << "dword:" << hex;
  } else {
    line << "hex(" << v.type << "):";
    for (size_t i = 0; i < v.data.size(); ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", v.data[i]);
      line << (i > 0 ? "," : "") << hex;
    }
  }
  return line.str();
}

// Reads a quoted, escaped string starting at text[at] == '"'; at ends after the closing quote.
bool ReadQuoted(const std::string& text, size_t& at, std::string* out) {
  if (at >= text.size() || text[at] != '"') return false;
  std::string raw;
  for (++at; at < text.size(); ++at) {
    if (text[at] == '\\' && at + 1 < text.size()) {
      raw += text[at];
      raw += text[++at];
    } else if (text[at] == '"') {
      ++at;
      *out = Unescape(raw);
      return true;
    } else {
      raw += text[at];
    }
  }
  return false;
}

bool ParseValue(const std::string& line, Value* v) {
  size_t at = 0;
  if (line[0] == '@') {
    at = 1;
  } else if (!ReadQuoted(line, at, &v->name)) {
    return false;
  }
  if (at >= line.size() || line[at] != '=') return false;
  const std::string rest = line.substr(at + 1);
  if (rest.rfind("sz:", 0) == 0) {
    size_t q = 3;
    std::string text;
    if (!ReadQuoted(rest, q, &text)) return false;
    v->type = REG_SZ;
    v->data.assign(text.begin(), text.end());
    v->data.push_back(0);
    return true;
  }
  if (rest.rfind("dword:", 0) == 0) {
    const DWORD d = static_cast<DWORD>(std::strtoul(rest.c_str() + 6, nullptr, 16));
    v->type = REG_DWORD;
    v->data.resize(4);
    std::memcpy(v->data.data(), &d, 4);
    return true;
  }
  if (rest.rfind("hex(", 0) == 0) {
    char* end = nullptr;
    v->type = static_cast<DWORD>(std::strtoul(rest.c_str() + 4, &end, 10));
    if (end == nullptr || std::strncmp(end, "):", 2) != 0) return false;
    for (const char* p = end + 2; *p != '\0';) {
      v->data.push_back(static_cast<BYTE>(std::strtoul(p, const_cast<char**>(&p), 16)));
      if (*p == ',')
        ++p;
      else
        break;
    }
    return true;
  }
  return false;
}

Store Parse(std::istream& in) {
  Store store;
  Key* current = nullptr;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string::npos) continue;
      const std::string path = line.substr(1, close - 1);
      Key& key = store[Lower(path)];
      key.path = path;
      current = &key;
      continue;
    }
    Value value;
    if (current != nullptr && ParseValue(line, &value)) {
      current->values[Lower(value.name)] = std::move(value);
    }
  }
  return store;
}

// The registry file under a lock: shared for reading, exclusive for a change.
class Session {
 public:
  explicit Session(bool write) : write_(write) {
    const std::string dir = Directory();
    MakeDirectories(dir);
    path_ = dir + "/registry.txt";
    lock_ = open((dir + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ >= 0) flock(lock_, write ? LOCK_EX : LOCK_SH);
    std::ifstream in(path_);
    if (in) store_ = Parse(in);
  }
  ~Session() {
    if (lock_ >= 0) {
      flock(lock_, LOCK_UN);
      close(lock_);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Store& store() { return store_; }

  // Writes a new file beside the old one and renames it over it.
  LONG Save() {
    if (!write_) return ERROR_ACCESS_DENIED;
    const std::string temp = path_ + ".tmp." + std::to_string(getpid());
    FILE* out = std::fopen(temp.c_str(), "w");
    if (out == nullptr) return ERROR_ACCESS_DENIED;
    std::fputs("# brelvox registry\n", out);
    for (const auto& [lower, key] : store_) {
      std::fprintf(out, "[%s]\n", key.path.c_str());
      for (const auto& [name, value] : key.values)
        std::fprintf(out, "%s\n", FormatValue(value).c_str());
    }
    const bool ok = std::fflush(out) == 0 && fsync(fileno(out)) == 0;
    if (std::fclose(out) != 0 || !ok || std::rename(temp.c_str(), path_.c_str()) != 0) {
      std::remove(temp.c_str());
      return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
  }

 private:
  bool write_;
  std::string path_;
  int lock_ = -1;
  Store store_;
};

bool Exists(Store& store, const std::string& path) {
  return IsRoot(path) || store.count(Lower(path)) > 0;
}

void CreatePath(Store& store, const std::string& path) {
  for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string prefix = path.substr(0, at);
    if (!IsRoot(prefix) && store.count(Lower(prefix)) == 0) store[Lower(prefix)].path = prefix;
  }
  if (!IsRoot(path) && store.count(Lower(path)) == 0) store[Lower(path)].path = path;
}

bool HasSubkeys(const Store& store, const std::string& path) {
  const std::string prefix = Lower(path) + "\\";
  const auto it = store.lower_bound(prefix);
  return it != store.end() && it->first.rfind(prefix, 0) == 0;
}

HKEY NewHandle(const std::string& path) {
  return new RegistryKey{path, false};
}

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &g_classesRoot;
HKEY const HKEY_CURRENT_USER = &g_currentUser;
HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, char*, DWORD, REGSAM, void*, HKEY* result,
                     DWORD* disposition) {
  if (key == nullptr || result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const std::string path = Join(key->path, subKey);
  Session session(true);
  const bool existed = Exists(session.store(), path);
  if (!existed) {
    CreatePath(session.store(), path);
    if (const LONG saved = session.Save(); saved != ERROR_SUCCESS) return saved;
  }
  if (disposition != nullptr)
    *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = NewHandle(path);
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, HKEY* result) {
  if (key == nullptr || result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const std::string path = Join(key->path, subKey);
  Session session(false);
  if (!Exists(session.store(), path)) return ERROR_FILE_NOT_FOUND;
  *result = NewHandle(path);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (!key->predefined) delete key;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (key == nullptr || (data == nullptr && size > 0)) return ERROR_INVALID_PARAMETER;
  Session session(true);
  if (IsRoot(key->path)) return ERROR_ACCESS_DENIED;
  if (!Exists(session.store(), key->path)) return ERROR_FILE_NOT_FOUND;
  Value value;
  value.name = name != nullptr ? name : "";
  value.type = type;
  if (size > 0) value.data.assign(data, data + size);
  if (type == REG_SZ && (value.data.empty() || value.data.back() != 0)) value.data.push_back(0);
  session.store()[Lower(key->path)].values[Lower(value.name)] = std::move(value);
  return session.Save();
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  if (key == nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  Session session(false);
  const auto k = session.store().find(Lower(key->path));
  if (k == session.store().end()) return ERROR_FILE_NOT_FOUND;
  const auto v = k->second.values.find(Lower(name != nullptr ? name : ""));
  if (v == k->second.values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& value = v->second;
  if (type != nullptr) *type = value.type;
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed > 0) std::memcpy(data, value.data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  Session session(true);
  const auto k = session.store().find(Lower(key->path));
  if (k == session.store().end()) return ERROR_FILE_NOT_FOUND;
  if (k->second.values.erase(Lower(name != nullptr ? name : "")) == 0) return ERROR_FILE_NOT_FOUND;
  return session.Save();
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (key == nullptr || subKey == nullptr || *subKey == '\0') return ERROR_INVALID_PARAMETER;
  const std::string path = Join(key->path, subKey);
  Session session(true);
  if (IsRoot(path) || session.store().count(Lower(path)) == 0) return ERROR_FILE_NOT_FOUND;
  if (HasSubkeys(session.store(), path)) return ERROR_ACCESS_DENIED;
  session.store().erase(Lower(path));
  return session.Save();
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  const std::string path = Join(key->path, subKey);
  Session session(true);
  Store& store = session.store();
  const std::string lower = Lower(path);
  if (!IsRoot(path) && store.count(lower) == 0) return ERROR_FILE_NOT_FOUND;
  for (auto it = store.begin(); it != store.end();) {
    const bool below = it->first.rfind(lower + "\\", 0) == 0;
    it = (it->first == lower || below) ? store.erase(it) : std::next(it);
  }
  return session.Save();
}

LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
  if (key == nullptr || name == nullptr) return ERROR_INVALID_PARAMETER;
  const std::vector<std::string> names = RegSubkeys(key, "");
  if (index >= names.size()) return 259;  // ERROR_NO_MORE_ITEMS
  if (names[index].size() + 1 > nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, names[index].c_str(), names[index].size() + 1);
  return ERROR_SUCCESS;
}

bool RegGetString(HKEY root, const char* subKey, const char* name, std::string* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            type == REG_SZ;
  if (ok) {
    std::vector<BYTE> data(size + 1, 0);
    ok = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    if (ok) *value = std::string(reinterpret_cast<const char*>(data.data()));
  }
  RegCloseKey(key);
  return ok;
}

bool RegGetDword(HKEY root, const char* subKey, const char* name, DWORD* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 4;
  DWORD d = 0;
  const bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&d), &size) ==
                      ERROR_SUCCESS &&
                  type == REG_DWORD;
  if (ok) *value = d;
  RegCloseKey(key);
  return ok;
}

LONG RegSetString(HKEY root, const char* subKey, const char* name, const std::string& value) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return result;
}

LONG RegSetDword(HKEY root, const char* subKey, const char* name, DWORD value) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(key);
  return result;
}

std::vector<std::string> RegSubkeys(HKEY root, const char* subKey) {
  const std::string path = Join(root->path, subKey);
  const std::string prefix = Lower(path) + "\\";
  Session session(false);
  std::vector<std::string> names;
  for (auto it = session.store().lower_bound(prefix);
       it != session.store().end() && it->first.rfind(prefix, 0) == 0; ++it) {
    const std::string rest = it->second.path.substr(prefix.size());
    if (rest.find('\\') == std::string::npos) names.push_back(rest);
  }
  return names;
}

bool RegKeyExists(HKEY root, const char* subKey) {
  Session session(false);
  return Exists(session.store(), Join(root->path, subKey));
}

std::string RegistryFilePath() {
  return Directory() + "/registry.txt";
}

HKEY RegistryRootByName(const std::string& name) {
  const std::string upper = Lower(name);
  if (upper == "hkey_classes_root" || upper == "hkcr") return HKEY_CLASSES_ROOT;
  if (upper == "hkey_local_machine" || upper == "hklm") return HKEY_LOCAL_MACHINE;
  if (upper == "hkey_current_user" || upper == "hkcu") return HKEY_CURRENT_USER;
  return nullptr;
}
