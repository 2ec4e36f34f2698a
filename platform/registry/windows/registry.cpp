#include "platform/registry/registry.h"

#include <cctype>

#include "platform/com/unicode.h"

namespace {

// Names are UTF-8 in the program; the system's ANSI calls take the code page, so the wide calls
// are used with converted text (wchar_t is UTF-16 on Windows).
std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* text, size_t length) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

LONG Set(HKEY root, const char* subKey, const char* name, DWORD type, const BYTE* data,
         DWORD size) {
  HKEY key = nullptr;
  LONG error =
      RegCreateKeyExW(root, Wide(subKey).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (error != ERROR_SUCCESS) return error;
  const std::wstring valueName = Wide(name != nullptr ? name : "");
  error = RegSetValueExW(key, valueName.c_str(), 0, type, data, size);
  RegCloseKey(key);
  return error;
}

}  // namespace

bool RegGetString(HKEY root, const char* subKey, const char* name, std::string* value) {
  const std::wstring key = Wide(subKey);
  const std::wstring valueName = Wide(name != nullptr ? name : "");
  DWORD bytes = 0;
  if (RegGetValueW(root, key.c_str(), valueName.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), valueName.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                   &bytes) != ERROR_SUCCESS) {
    return false;
  }
  *value = Narrow(text.c_str(), wcslen(text.c_str()));
  return true;
}

bool RegGetDword(HKEY root, const char* subKey, const char* name, DWORD* value) {
  DWORD bytes = sizeof *value;
  return RegGetValueW(root, Wide(subKey).c_str(), Wide(name != nullptr ? name : "").c_str(),
                      RRF_RT_REG_DWORD, nullptr, value, &bytes) == ERROR_SUCCESS;
}

LONG RegSetString(HKEY root, const char* subKey, const char* name, const std::string& value) {
  const std::wstring text = Wide(value);
  return Set(root, subKey, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG RegSetDword(HKEY root, const char* subKey, const char* name, DWORD value) {
  return Set(root, subKey, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::vector<std::string> RegSubkeys(HKEY root, const char* subKey) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, Wide(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(Narrow(name, length));
  }
  RegCloseKey(key);
  return names;
}

bool RegKeyExists(HKEY root, const char* subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, Wide(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string RegistryFilePath() {
  return "the Windows registry";
}

// The system keeps one registry (with its own views and virtual store), so every store is it.
std::string MachineRegistryFilePath() {
  return RegistryFilePath();
}

std::string RegistryWriteFilePath(HKEY) {
  return RegistryFilePath();
}

std::string RegValueStore(HKEY root, const char* subKey, const char* name) {
  const bool found =
      RegGetValueW(root, Wide(subKey).c_str(), Wide(name != nullptr ? name : "").c_str(),
                   RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  return found ? RegistryFilePath() : std::string();
}

std::string RegistryProblem() {
  return {};
}

HKEY RegistryRootByName(const std::string& name) {
  std::string upper;
  for (char c : name)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "HKEY_CLASSES_ROOT" || upper == "HKCR") return HKEY_CLASSES_ROOT;
  if (upper == "HKEY_LOCAL_MACHINE" || upper == "HKLM") return HKEY_LOCAL_MACHINE;
  if (upper == "HKEY_CURRENT_USER" || upper == "HKCU") return HKEY_CURRENT_USER;
  return nullptr;
}
