#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "platform/registry/registry.h"
#include "tests/support/temp_files.h"

namespace {

TEST(RegistryTest, KeysAndValuesPersistAndIgnoreCase) {
  const ScopedRegistry registry;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const DWORD seven = 7;
  ASSERT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4),
            0);
  ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>("x \"y\"\n"), 7),
            0);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\a\\b", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  DWORD value = 0, size = 2, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "COUNT", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegQueryValueExA(key, "COUNT", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(value, 7u);
  std::string text;
  EXPECT_TRUE(RegGetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B", "text", &text));
  EXPECT_EQ(text, "x \"y\"\n");
  EXPECT_EQ(RegDeleteValueA(key, "Count"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Count"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nope", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A"), ERROR_ACCESS_DENIED) << "has subkeys";
  EXPECT_EQ(RegSubkeys(HKEY_LOCAL_MACHINE, "SOFTWARE"), std::vector<std::string>{"A"});
  EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A"), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B"));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
}

TEST(RegistryTest, ConcurrentWritersLoseNothing) {
  const ScopedRegistry registry;
  constexpr int kWriters = 4;
  constexpr int kValues = 40;
  for (int w = 0; w < kWriters; ++w) {
    if (fork() == 0) {
      for (int i = 0; i < kValues; ++i) {
        const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
        if (RegSetDword(HKEY_CURRENT_USER, "Shared", name.c_str(), static_cast<DWORD>(i)) != 0) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  for (int w = 0; w < kWriters; ++w) {
    int status = 0;
    wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValues; ++i) {
      DWORD value = 999;
      const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
      EXPECT_TRUE(RegGetDword(HKEY_CURRENT_USER, "Shared", name.c_str(), &value)) << name;
      EXPECT_EQ(value, static_cast<DWORD>(i));
    }
  }
}

TEST(RegistryTest, AWriterKilledMidWayLeavesAReadableRegistry) {
  const ScopedRegistry registry;
  ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Keep", "", "kept"), 0);
  for (int round = 0; round < 5; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      for (DWORD i = 0;; ++i)
        RegSetDword(HKEY_CURRENT_USER, "Busy", "n", i);
    }
    usleep(20000 + 7000 * round);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string kept;
    EXPECT_TRUE(RegGetString(HKEY_CURRENT_USER, "Keep", "", &kept));
    EXPECT_EQ(kept, "kept");
    EXPECT_EQ(RegSetDword(HKEY_CURRENT_USER, "After", "round", static_cast<DWORD>(round)), 0);
  }
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Sets an environment variable (or removes it) for as long as it lives.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    had_ = std::getenv(name) != nullptr;
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { had_ ? setenv(name_, previous_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::string previous_;
  bool had_ = false;
};

TEST(RegistryTest, FilesArePrivateWhateverTheUmask) {
  const ScopedRegistry registry;
  const std::string folder = registry.Folder() + "/new/brelvox";
  const ScopedVariable place("BRELVOX_REGISTRY", folder.c_str());
  const mode_t old = umask(0);
  const LONG written = RegSetDword(HKEY_CURRENT_USER, "Software\\X", "v", 1);
  umask(old);
  ASSERT_EQ(written, ERROR_SUCCESS);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(folder + "/registry.txt"), 0600u);
  EXPECT_EQ(ModeOf(folder + "/registry.lock"), 0600u);
}

TEST(RegistryTest, WithoutHomeTheHomeFolderComesFromThePasswordDatabase) {
  const ScopedVariable noRegistry("BRELVOX_REGISTRY", nullptr);
  const ScopedVariable noConfig("XDG_CONFIG_HOME", nullptr);
  const ScopedVariable noHome("HOME", nullptr);
  const passwd* me = getpwuid(geteuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(RegistryFilePath(), std::string(me->pw_dir) + "/.config/brelvox/registry.txt");
}

// A registry decides which library `say` loads: one that other users can change is not used.
TEST(RegistryTest, ARegistryOthersCanChangeIsRefused) {
  const struct {
    const char* what;
    std::function<void(const std::string& folder)> spoil;
  } cases[] = {
      {"folder writable by all", [](const std::string& f) { chmod(f.c_str(), 0777); }},
      {"folder writable by the group", [](const std::string& f) { chmod(f.c_str(), 0770); }},
      {"file writable by all",
       [](const std::string& f) { chmod((f + "/registry.txt").c_str(), 0666); }},
      {"file is a link",
       [](const std::string& f) {
         rename((f + "/registry.txt").c_str(), (f + "/real.txt").c_str());
         symlink((f + "/real.txt").c_str(), (f + "/registry.txt").c_str());
       }},
  };
  for (const auto& c : cases) {
    const ScopedRegistry registry;
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", "/lib/x.so"), 0);
    EXPECT_EQ(RegistryProblem(), "");
    c.spoil(registry.Folder());
    std::string library;
    EXPECT_FALSE(RegGetString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", &library))
        << c.what;
    EXPECT_NE(RegSetDword(HKEY_CURRENT_USER, "Y", "v", 1), ERROR_SUCCESS) << c.what;
    const std::string problem = RegistryProblem();
    EXPECT_NE(problem.find(registry.Folder()), std::string::npos) << c.what << ": " << problem;
    chmod(registry.Folder().c_str(), 0700);
  }
}

TEST(RegistryTest, WritersRemoveTheLeftoversOfKilledWriters) {
  const ScopedRegistry registry;
  const std::string stale = registry.Folder() + "/registry.txt.tmp.999999";
  std::ofstream(stale) << "half a registry";
  ASSERT_EQ(RegSetDword(HKEY_CURRENT_USER, "X", "v", 1), ERROR_SUCCESS);
  EXPECT_NE(access(stale.c_str(), F_OK), 0);
}

TEST(RegistryTest, NamesAndDataCannotAddLinesToTheFile) {
  const ScopedRegistry registry;
  const std::string planted = "\n[HKEY_LOCAL_MACHINE\\Planted]\n\"x\"=sz:\"y\"";
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("A" + planted).c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "A", planted.c_str(), planted), ERROR_SUCCESS);
  ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "A", "", "\r" + planted), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Planted"));
  std::string value;
  EXPECT_TRUE(RegGetString(HKEY_LOCAL_MACHINE, "A", planted.c_str(), &value));
  EXPECT_EQ(value, planted);
  EXPECT_TRUE(RegGetString(HKEY_LOCAL_MACHINE, "A", "", &value));
  EXPECT_EQ(value, "\r" + planted);
}

// Each process reads the file once and again only after it changed, by itself or by another.
TEST(RegistryTest, ReadersSeeEveryChange) {
  const ScopedRegistry registry;
  ASSERT_EQ(RegSetDword(HKEY_CURRENT_USER, "X", "v", 1), ERROR_SUCCESS);
  DWORD value = 0;
  for (DWORD round = 2; round < 6; ++round) {
    const pid_t child = fork();
    if (child == 0) _exit(RegSetDword(HKEY_CURRENT_USER, "X", "v", round) == 0 ? 0 : 1);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(RegGetDword(HKEY_CURRENT_USER, "X", "v", &value));
    EXPECT_EQ(value, round);
  }
  const ScopedRegistry other;  // another registry folder: nothing carried over
  EXPECT_FALSE(RegGetDword(HKEY_CURRENT_USER, "X", "v", &value));
}

}  // namespace
