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

using namespace brelvox::test;

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

// A registry decides which library `say` loads: a store that other users can change is not used.
TEST(RegistryTest, ARegistryOthersCanChangeIsRefused) {
  const struct {
    const char* what;
    const char* store;  // the folder spoiled, below the private one
    std::function<void(const std::string& folder)> spoil;
  } cases[] = {
      {"folder writable by all", "", [](const std::string& f) { chmod(f.c_str(), 0777); }},
      {"folder writable by the group", "", [](const std::string& f) { chmod(f.c_str(), 0770); }},
      {"file writable by all", "",
       [](const std::string& f) { chmod((f + "/registry.txt").c_str(), 0666); }},
      {"file is a link", "",
       [](const std::string& f) {
         rename((f + "/registry.txt").c_str(), (f + "/real.txt").c_str());
         symlink((f + "/real.txt").c_str(), (f + "/registry.txt").c_str());
       }},
      {"machine folder writable by all", "/machine",
       [](const std::string& f) { chmod(f.c_str(), 0777); }},
      {"machine file writable by the group", "/machine",
       [](const std::string& f) { chmod((f + "/registry.txt").c_str(), 0664); }},
  };
  for (const auto& c : cases) {
    const ScopedRegistry registry;
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", "/lib/x.so"), 0);
    ASSERT_EQ(RegSetDword(HKEY_CURRENT_USER, "Y", "v", 1), 0);
    EXPECT_EQ(RegistryProblem(), "");
    const std::string spoilt = registry.Folder() + c.store;
    c.spoil(spoilt);
    const bool machine = *c.store != '\0';
    std::string library;
    DWORD v = 0;
    const bool read =
        machine ? RegGetString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", &library)
                : RegGetDword(HKEY_CURRENT_USER, "Y", "v", &v);
    EXPECT_FALSE(read) << c.what;
    EXPECT_NE(machine ? RegSetDword(HKEY_LOCAL_MACHINE, "Z", "v", 1)
                      : RegSetDword(HKEY_CURRENT_USER, "Y", "v", 2),
              ERROR_SUCCESS)
        << c.what;
    const std::string problem = RegistryProblem();
    EXPECT_NE(problem.find(registry.Folder()), std::string::npos) << c.what << ": " << problem;
    chmod(registry.Folder().c_str(), 0700);
    chmod((registry.Folder() + "/machine").c_str(), 0755);
  }
}

// The machine's store and the user's: who writes where, and whose keys a user's programs see.
class TwoStoresTest : public ::testing::Test {
 protected:
  // As the machine's administrator (the owner of the machine's store) and as an ordinary user.
  static void AsAdministrator(const std::function<void()>& work) {
    const ScopedVariable as("BRELVOX_REGISTRY_UNPRIVILEGED", nullptr);
    work();
  }
  static void AsUser(const std::function<void()>& work) {
    const ScopedVariable as("BRELVOX_REGISTRY_UNPRIVILEGED", "1");
    work();
  }
  std::string File(bool machine) const {
    std::ifstream in(registry_.Folder() + (machine ? "/machine" : "") + "/registry.txt");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Another user of the same machine: a user store of their own, empty.
  void OtherUser(const std::function<void()>& work) const {
    const std::string mine = registry_.Folder() + "/registry.txt";
    rename(mine.c_str(), (mine + ".aside").c_str());
    AsUser(work);
    rename((mine + ".aside").c_str(), mine.c_str());
  }
  static std::string Get(HKEY root, const char* key, const char* name) {
    std::string text;
    return RegGetString(root, key, name, &text) ? text : "(none)";
  }

  ScopedRegistry registry_;
};

TEST_F(TwoStoresTest, TheAdministratorWritesTheMachinesStoreReadableByAll) {
  const mode_t old = umask(077);
  AsAdministrator([] {
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voice", "", "machine"), 0);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{C}", "", "machine class"), 0);
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Mine", "", "admin's own"), 0);
  });
  umask(old);
  EXPECT_NE(File(true).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Voice]"), std::string::npos);
  EXPECT_NE(File(true).find("[HKEY_CLASSES_ROOT\\CLSID\\{C}]"), std::string::npos);
  EXPECT_EQ(File(true).find("admin's own"), std::string::npos);
  EXPECT_EQ(File(false).find("machine"), std::string::npos);
  EXPECT_EQ(ModeOf(registry_.Folder() + "/machine"), 0755u);
  EXPECT_EQ(ModeOf(registry_.Folder() + "/machine/registry.txt"), 0644u);
  EXPECT_EQ(ModeOf(registry_.Folder() + "/registry.txt"), 0600u);
  OtherUser([] {
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voice", ""), "machine");
    EXPECT_EQ(Get(HKEY_CLASSES_ROOT, "CLSID\\{C}", ""), "machine class");
    EXPECT_EQ(Get(HKEY_CURRENT_USER, "Mine", ""), "(none)");
    EXPECT_NE(RegValueStore(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voice", "").find("machine's registry"),
              std::string::npos);
  });
}

// A user's changes of the machine's part and of the classes go to the user's own store, hide the
// machine's for that user alone, and never delete the machine's.
TEST_F(TwoStoresTest, AUsersChangesReachThatUserAlone) {
  AsAdministrator([] {
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\A", "Data", "machine"), 0);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{C}\\Inproc", "", "/usr/lib/x.so"), 0);
  });
  const std::string machineBefore = File(true);
  AsUser([] {
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\A", "Data", "mine"), 0);
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\B", "Data", "mine too"), 0);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{C}\\Inproc", "", "/home/me/x.so"), 0);
  });
  EXPECT_EQ(File(true), machineBefore);
  const struct {
    HKEY root;
    const char* key;
    const char* name;
    const char* user;   // what the user reads
    const char* other;  // what another user reads
    const char* store;  // where the user's value comes from
  } cases[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\A", "Data", "mine", "machine", "virtual store"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\B", "Data", "mine too", "(none)", "virtual store"},
      {HKEY_CLASSES_ROOT, "CLSID\\{C}\\Inproc", "", "/home/me/x.so", "/usr/lib/x.so",
       "your own classes"},
      {HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{C}\\Inproc", "", "/home/me/x.so", "(none)",
       "your own classes"},
  };
  for (const auto& c : cases) {
    AsUser([&] {
      EXPECT_EQ(Get(c.root, c.key, c.name), c.user) << c.key;
      EXPECT_NE(RegValueStore(c.root, c.key, c.name).find(c.store), std::string::npos) << c.key;
    });
    OtherUser([&] { EXPECT_EQ(Get(c.root, c.key, c.name), c.other) << c.key; });
  }
  AsUser([] {
    EXPECT_EQ(RegSubkeys(HKEY_LOCAL_MACHINE, "software\\voices"),
              (std::vector<std::string>{"A", "B"}));
    // Deleting removes the user's own keys; the machine's show through again.
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices"), ERROR_SUCCESS);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices\\A", "Data"), "machine");
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voices"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{C}"), ERROR_SUCCESS);
    EXPECT_EQ(Get(HKEY_CLASSES_ROOT, "CLSID\\{C}\\Inproc", ""), "/usr/lib/x.so");
  });
  EXPECT_EQ(File(true), machineBefore);
}

// The machine's store is the administrator's: a user can neither use one that others could
// change nor write it.
TEST_F(TwoStoresTest, AMissingMachineStoreIsEmptyNotAProblem) {
  AsUser([this] {
    EXPECT_EQ(RegistryProblem(), "");
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    EXPECT_EQ(RegSetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "v", 1), ERROR_SUCCESS);
    EXPECT_NE(access((registry_.Folder() + "/machine").c_str(), F_OK), 0);
  });
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
