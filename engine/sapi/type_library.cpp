#include "engine/sapi/type_library.h"

#include "engine/sapi/server.h"
#include "platform/registry/registry.h"

// On Linux the script is kept in the library's data and the type library's entries are written as
// the platform's registry expects them.
namespace {

// {2F5DEEEA-2397-4DB5-812D-B9868DF3EB7C}, version 1.0
constexpr char kTypeLibraryId[] = "{2F5DEEEA-2397-4DB5-812D-B9868DF3EB7C}";
constexpr char kTypeLibraryHelp[] = "BRELVOX 1.0 Type Library";

std::string TypeLibraryKey() {
  return std::string("TypeLib\\") + kTypeLibraryId;
}

HRESULT FromRegistry(LONG error) {
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

}  // namespace

std::string RegistrationScript() {
  return kRegistrationScript;
}

HRESULT RegisterTypeLibrary(const std::string& modulePath) {
  const std::string version = TypeLibraryKey() + "\\1.0";
  const std::string folder = modulePath.substr(0, modulePath.find_last_of('/') + 1);
  LONG error = RegSetString(HKEY_CLASSES_ROOT, version.c_str(), "", kTypeLibraryHelp);
  if (error == ERROR_SUCCESS) {
    error = RegSetString(HKEY_CLASSES_ROOT, (version + "\\0\\win32").c_str(), "", modulePath);
  }
  if (error == ERROR_SUCCESS)
    error = RegSetString(HKEY_CLASSES_ROOT, (version + "\\FLAGS").c_str(), "", "0");
  if (error == ERROR_SUCCESS)
    error = RegSetString(HKEY_CLASSES_ROOT, (version + "\\HELPDIR").c_str(), "", folder);
  return FromRegistry(error);
}

HRESULT UnregisterTypeLibrary() {
  const LONG removed = RegDeleteTreeA(HKEY_CLASSES_ROOT, TypeLibraryKey().c_str());
  return removed == ERROR_FILE_NOT_FOUND || removed == ERROR_SUCCESS ? S_OK
                                                                     : HRESULT_FROM_WIN32(removed);
}
