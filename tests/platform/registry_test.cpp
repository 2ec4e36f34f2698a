#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
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

}  // namespace
