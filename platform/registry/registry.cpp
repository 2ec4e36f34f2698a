#include "platform/registry/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
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
#include <memory>
#include <mutex>
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

// The user's home folder: $HOME, else the password database (never a folder every user shares).
std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && *found->pw_dir != '\0') {
    return found->pw_dir;
  }
  return {};
}

// The user's own store: HKEY_CURRENT_USER, the user's classes and the user's virtual store of the
// machine's part.
std::string UserDirectory() {
  if (const char* dir = std::getenv("BRELVOX_REGISTRY"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return std::string(config) + "/brelvox";
  }
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.config/brelvox";
}

// The machine's store: HKEY_LOCAL_MACHINE and the machine's classes, written by root alone (by the
// owner of the private folder under BRELVOX_REGISTRY).
std::string MachineDirectory() {
  if (const char* dir = std::getenv("BRELVOX_REGISTRY"); dir != nullptr && *dir != '\0') {
    return std::string(dir) + "/machine";
  }
  return BRELVOX_MACHINE_REGISTRY_DIR;
}

std::string DirectoryOf(bool machine) {
  return machine ? MachineDirectory() : UserDirectory();
}

// Whether this process changes the machine's store itself: it owns the store's folder (root, for
// the machine's own), or may create it. Every other process writes the machine's part into its
// user's virtual store. BRELVOX_REGISTRY_UNPRIVILEGED=1 makes a process act as an ordinary user.
bool WritesMachine() {
  if (const char* as = std::getenv("BRELVOX_REGISTRY_UNPRIVILEGED");
      as != nullptr && *as != '\0' && std::strcmp(as, "0") != 0) {
    return false;
  }
  struct stat st {};
  if (lstat(MachineDirectory().c_str(), &st) == 0) return st.st_uid == geteuid();
  const char* privateDir = std::getenv("BRELVOX_REGISTRY");
  return geteuid() == 0 || (privateDir != nullptr && *privateDir != '\0');
}

// Folders this user creates for its registry are private; the machine's is readable by all.
void MakeDirectories(const std::string& dir, mode_t mode) {
  for (size_t at = 1; at <= dir.size(); ++at) {
    if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), mode);
  }
}

// Why the registry in `dir` cannot be trusted (it decides which libraries are loaded), or empty:
// the folder and the file must belong to this user (or root) and be writable by nobody else. The
// machine's folder may be missing (nothing is installed), and the folder holding it must be as
// safe.
std::string TrustProblem(const std::string& dir, bool machine) {
  if (dir.empty()) {
    return "the registry has no home: set HOME or BRELVOX_REGISTRY to a private folder.";
  }
  const uid_t self = geteuid();
  const auto problem = [&](const std::string& path, bool folder) -> std::string {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return {};  // nothing there yet: nothing to read
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
      return "the registry " + std::string(folder ? "folder " : "file ") + path + " is not a " +
             (folder ? "folder" : "regular file") + "; remove it or set BRELVOX_REGISTRY.";
    }
    if ((st.st_uid != self && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
      return "the registry " + std::string(folder ? "folder " : "file ") + path +
             " can be changed by other users; make it " +
             (machine ? "root's alone (chown root; chmod go-w " : "yours alone (chmod go-w ") +
             path + ").";
    }
    return {};
  };
  std::string found;
  if (machine) found = problem(dir.substr(0, dir.find_last_of('/')), true);
  if (found.empty()) found = problem(dir, true);
  if (found.empty()) found = problem(dir + "/registry.txt", false);
  return found;
}

// Says once per process (for each store) why the registry is not used.
void Report(const std::string& problem, bool machine) {
  static std::once_flag once[2];
  std::call_once(once[machine ? 1 : 0],
                 [&] { std::fprintf(stderr, "brelvox: %s\n", problem.c_str()); });
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

// The keys and values as the file holds them (after its header line).
std::string Format(const Store& store) {
  std::string text;
  for (const auto& [lower, key] : store) {
    text += "[" + key.path + "]\n";
    for (const auto& [name, value] : key.values)
      text += FormatValue(value) + "\n";
  }
  return text;
}

// The file's identity and the generation its writer gave it: a reader whose file still matches
// reuses what it parsed before instead of reading the whole registry again.
struct FileStamp {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{}, changed{};
  std::string header;
  bool operator==(const FileStamp& o) const {
    return path == o.path && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec &&
           header == o.header;
  }
};

constexpr char kHeader[] = "# brelvox registry, generation ";

bool StampOf(const std::string& path, FileStamp* stamp) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st {};
  char head[64] = {};
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && pread(fd, head, 63, 0) >= 0;
  close(fd);
  if (!ok) return false;
  stamp->path = path;
  stamp->device = st.st_dev;
  stamp->inode = st.st_ino;
  stamp->size = st.st_size;
  stamp->modified = st.st_mtim;
  stamp->changed = st.st_ctim;
  stamp->header.assign(head, std::strcspn(head, "\n"));
  return true;
}

long long GenerationOf(const std::string& header) {
  if (header.rfind(kHeader, 0) != 0) return 0;
  return std::strtoll(header.c_str() + sizeof kHeader - 1, nullptr, 10);
}

struct Cache {
  std::mutex mutex;
  FileStamp stamp;
  std::shared_ptr<const Store> store;
};

Cache& TheCache(bool machine) {
  static Cache caches[2];
  return caches[machine ? 1 : 0];
}

// Removes the temporary files of writers that were killed before they renamed them; called with
// the exclusive lock held, when no other writer can have one open.
void RemoveStaleTemporaries(const std::string& dir) {
  DIR* folder = opendir(dir.c_str());
  if (folder == nullptr) return;
  while (const dirent* entry = readdir(folder)) {
    if (std::strncmp(entry->d_name, "registry.txt.tmp.", 17) == 0) {
      unlinkat(dirfd(folder), entry->d_name, 0);
    }
  }
  closedir(folder);
}

// One store's file under a lock: shared for reading, exclusive for a change. A store that other
// users could change is not used at all: reads find nothing and changes fail. The machine's store
// is readable by all; its readers lock it only where its lock file lets them.
class Session {
 public:
  Session(bool machine, bool write) : machine_(machine), write_(write) {
    dir_ = DirectoryOf(machine);
    path_ = dir_ + "/registry.txt";
    problem_ = TrustProblem(dir_, machine);
    // Readers create nothing; a writer makes the store's folder.
    struct stat st {};
    if (write && problem_.empty() && lstat(dir_.c_str(), &st) != 0) {
      MakeDirectories(dir_, machine ? 0755 : 0700);
      // Whatever the umask, every user reads the machine's registry.
      if (machine) chmod(dir_.c_str(), 0755);
      if (lstat(dir_.c_str(), &st) != 0) {
        problem_ = "the registry folder " + dir_ +
                   " cannot be created; set BRELVOX_REGISTRY to a private folder.";
      }
    }
    if (!problem_.empty()) {
      Report(problem_, machine);
      mutableStore_ = std::make_shared<Store>();
      store_ = mutableStore_;
      return;
    }
    const std::string lock = dir_ + "/registry.lock";
    if (machine && !write) {
      lock_ = open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    } else {
      lock_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, machine ? 0644 : 0600);
    }
    if (lock_ >= 0) flock(lock_, write ? LOCK_EX : LOCK_SH);
    Load();
  }
  ~Session() {
    if (lock_ >= 0) {
      flock(lock_, LOCK_UN);
      close(lock_);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // What a reader sees; a writer edits its own copy.
  const Store& view() const { return *store_; }
  Store& store() { return *mutableStore_; }

  // Writes a new file beside the old one and renames it over it.
  LONG Save() {
    if (!write_ || !problem_.empty()) return ERROR_ACCESS_DENIED;
    RemoveStaleTemporaries(dir_);
    const std::string temp = path_ + ".tmp." + std::to_string(getpid());
    const mode_t mode = machine_ ? 0644 : 0600;
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return ERROR_ACCESS_DENIED;
    FILE* out = fdopen(fd, "w");
    if (out == nullptr) {
      close(fd);
      std::remove(temp.c_str());
      return ERROR_ACCESS_DENIED;
    }
    // The umask cannot change it: the registry decides which libraries are loaded.
    bool ok = fchmod(fd, mode) == 0;
    std::fprintf(out, "%s%lld\n", kHeader, generation_ + 1);
    const std::string text = Format(*mutableStore_);
    ok = std::fwrite(text.data(), 1, text.size(), out) == text.size() && ok;
    ok = std::fflush(out) == 0 && fsync(fd) == 0 && ok;
    if (std::fclose(out) != 0 || !ok || std::rename(temp.c_str(), path_.c_str()) != 0) {
      std::remove(temp.c_str());
      return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
  }

 private:
  void Load() {
    Cache& cache = TheCache(machine_);
    FileStamp stamp;
    const bool exists = StampOf(path_, &stamp);
    std::shared_ptr<const Store> parsed;
    {
      std::lock_guard<std::mutex> hold(cache.mutex);
      if (exists && cache.store != nullptr && cache.stamp == stamp) parsed = cache.store;
    }
    if (parsed == nullptr) {
      auto fresh = std::make_shared<Store>();
      std::ifstream in(path_);
      if (exists && in) *fresh = Parse(in);
      parsed = fresh;
      if (exists) {
        std::lock_guard<std::mutex> hold(cache.mutex);
        cache.stamp = stamp;
        cache.store = parsed;
      }
    }
    generation_ = exists ? GenerationOf(stamp.header) : 0;
    store_ = parsed;
    if (write_) {
      mutableStore_ = std::make_shared<Store>(*parsed);
      store_ = mutableStore_;
    }
  }

  bool machine_;
  bool write_;
  std::string dir_, path_, problem_;
  int lock_ = -1;
  long long generation_ = 0;
  std::shared_ptr<const Store> store_;
  std::shared_ptr<Store> mutableStore_;
};

bool Exists(const Store& store, const std::string& path) {
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

// A key as one store holds it.
struct Place {
  bool machine;
  std::string path;
};

constexpr char kUserClasses[] = "HKEY_CURRENT_USER\\Software\\Classes";
constexpr char kVirtualStore[] = "HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\MACHINE";

// Where a key is looked for (the first place that has it wins) and where a change of it goes. The
// user's classes come before the machine's; the user's virtual store comes before the machine's
// part, and takes that part's changes, for a process that does not write the machine's store.
struct Route {
  std::vector<Place> reads;
  Place write;
};

Route RouteOf(const std::string& path) {
  const size_t slash = path.find('\\');
  const std::string root = path.substr(0, slash);
  const std::string rest = slash == std::string::npos ? std::string() : path.substr(slash);
  if (root == g_currentUser.path) return {{{false, path}}, {false, path}};
  const bool machine = WritesMachine();
  if (root == g_localMachine.path) {
    if (machine) return {{{true, path}}, {true, path}};
    const Place virtualStore{false, kVirtualStore + rest};
    return {{virtualStore, {true, path}}, virtualStore};
  }
  const Place userClasses{false, kUserClasses + rest};
  return {{userClasses, {true, path}}, machine ? Place{true, path} : userClasses};
}

// Whether any of the route's stores has the key.
bool ExistsAnywhere(const Route& route) {
  for (const Place& place : route.reads) {
    Session session(place.machine, false);
    if (Exists(session.view(), place.path)) return true;
  }
  return false;
}

bool StartsWith(const std::string& path, const char* prefix) {
  return Lower(path).rfind(Lower(prefix), 0) == 0;
}

// The value as the first store along the key's route that has it holds it, and that store's name.
bool FindValue(const std::string& path, const char* name, Value* value, std::string* store) {
  for (const Place& place : RouteOf(path).reads) {
    Session session(place.machine, false);
    const auto k = session.view().find(Lower(place.path));
    if (k == session.view().end()) continue;
    const auto v = k->second.values.find(Lower(name != nullptr ? name : ""));
    if (v == k->second.values.end()) continue;
    *value = v->second;
    if (store != nullptr) {
      *store = place.machine ? "the machine's registry " + MachineRegistryFilePath()
               : StartsWith(place.path, kVirtualStore)
                   ? "your virtual store of the machine's registry in " + RegistryFilePath()
               : StartsWith(place.path, kUserClasses) ? "your own classes in " + RegistryFilePath()
                                                      : "your registry " + RegistryFilePath();
    }
    return true;
  }
  return false;
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
  // Each key is a line of the file: no control character may start another one.
  for (const char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return ERROR_INVALID_PARAMETER;
  }
  const Route route = RouteOf(path);
  const bool existed = ExistsAnywhere(route);
  Session session(route.write.machine, true);
  if (!Exists(session.store(), route.write.path)) {
    CreatePath(session.store(), route.write.path);
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
  if (!ExistsAnywhere(RouteOf(path))) return ERROR_FILE_NOT_FOUND;
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
  if (IsRoot(key->path)) return ERROR_ACCESS_DENIED;
  const Route route = RouteOf(key->path);
  if (!ExistsAnywhere(route)) return ERROR_FILE_NOT_FOUND;
  Session session(route.write.machine, true);
  Value value;
  value.name = name != nullptr ? name : "";
  value.type = type;
  if (size > 0) value.data.assign(data, data + size);
  if (type == REG_SZ && (value.data.empty() || value.data.back() != 0)) value.data.push_back(0);
  CreatePath(session.store(), route.write.path);
  session.store()[Lower(route.write.path)].values[Lower(value.name)] = std::move(value);
  return session.Save();
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  if (key == nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  Value value;
  if (!FindValue(key->path, name, &value, nullptr)) return ERROR_FILE_NOT_FOUND;
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

// Changes and deletions reach only the store a change of the key goes to: a user cannot delete
// the machine's keys, only their own that hide them.
LONG RegDeleteValueA(HKEY key, LPCSTR name) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  const Place place = RouteOf(key->path).write;
  Session session(place.machine, true);
  const auto k = session.store().find(Lower(place.path));
  if (k == session.store().end()) return ERROR_FILE_NOT_FOUND;
  if (k->second.values.erase(Lower(name != nullptr ? name : "")) == 0) return ERROR_FILE_NOT_FOUND;
  return session.Save();
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (key == nullptr || subKey == nullptr || *subKey == '\0') return ERROR_INVALID_PARAMETER;
  const std::string path = Join(key->path, subKey);
  if (IsRoot(path)) return ERROR_FILE_NOT_FOUND;
  const Place place = RouteOf(path).write;
  Session session(place.machine, true);
  if (session.store().count(Lower(place.path)) == 0) return ERROR_FILE_NOT_FOUND;
  if (HasSubkeys(session.store(), place.path)) return ERROR_ACCESS_DENIED;
  session.store().erase(Lower(place.path));
  return session.Save();
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  const Place place = RouteOf(Join(key->path, subKey)).write;
  Session session(place.machine, true);
  Store& store = session.store();
  const std::string lower = Lower(place.path);
  if (!IsRoot(place.path) && store.count(lower) == 0) return ERROR_FILE_NOT_FOUND;
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
  std::map<std::string, std::string> names;  // by lower-case name, the first store's spelling
  for (const Place& place : RouteOf(Join(root->path, subKey)).reads) {
    const std::string prefix = Lower(place.path) + "\\";
    Session session(place.machine, false);
    for (auto it = session.view().lower_bound(prefix);
         it != session.view().end() && it->first.rfind(prefix, 0) == 0; ++it) {
      const std::string rest = it->second.path.substr(prefix.size());
      if (rest.find('\\') == std::string::npos) names.emplace(Lower(rest), rest);
    }
  }
  std::vector<std::string> result;
  for (const auto& [lower, name] : names)
    result.push_back(name);
  return result;
}

bool RegKeyExists(HKEY root, const char* subKey) {
  return ExistsAnywhere(RouteOf(Join(root->path, subKey)));
}

std::string ReformatRegistryText(const std::string& text) {
  std::istringstream in(text);
  return Format(Parse(in));
}

std::string RegistryProblem() {
  const std::string user = TrustProblem(UserDirectory(), false);
  return user.empty() ? TrustProblem(MachineDirectory(), true) : user;
}

std::string RegistryFilePath() {
  return UserDirectory() + "/registry.txt";
}

std::string MachineRegistryFilePath() {
  return MachineDirectory() + "/registry.txt";
}

std::string RegistryWriteFilePath(HKEY root) {
  return root != nullptr && RouteOf(root->path).write.machine ? MachineRegistryFilePath()
                                                              : RegistryFilePath();
}

std::string RegValueStore(HKEY root, const char* subKey, const char* name) {
  Value value;
  std::string store;
  return root != nullptr && FindValue(Join(root->path, subKey), name, &value, &store)
             ? store
             : std::string();
}

HKEY RegistryRootByName(const std::string& name) {
  const std::string upper = Lower(name);
  if (upper == "hkey_classes_root" || upper == "hkcr") return HKEY_CLASSES_ROOT;
  if (upper == "hkey_local_machine" || upper == "hklm") return HKEY_LOCAL_MACHINE;
  if (upper == "hkey_current_user" || upper == "hkcu") return HKEY_CURRENT_USER;
  return nullptr;
}
