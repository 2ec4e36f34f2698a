#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>

#include "engine/sapi/bg_voice_engine.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/engine/sapi/engine_fixture.h"
#include "tests/support/library.h"

using namespace brelvox::test;

namespace {

struct Exports {
  Exports() {
    handle = LoadTestLibrary(kEngineLibrary);
    getClassObject = LibraryExport<DllGetClassObjectFunction>(handle, "DllGetClassObject");
    canUnloadNow = LibraryExport<DllCanUnloadNowFunction>(handle, "DllCanUnloadNow");
    registerServer = LibraryExport<DllRegisterServerFunction>(handle, "DllRegisterServer");
    unregisterServer = LibraryExport<DllRegisterServerFunction>(handle, "DllUnregisterServer");
  }
  void* handle;
  DllGetClassObjectFunction getClassObject;
  DllCanUnloadNowFunction canUnloadNow;
  DllRegisterServerFunction registerServer;
  DllRegisterServerFunction unregisterServer;
};

IClassFactory* Factory(const Exports& e) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(
      e.getClassObject(CLSID_BGVoiceEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  return factory;
}

// A minimal outer object that counts the references its inner object hands to it.
struct Outer final : IUnknown {
  LONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
};

TEST(ServerTest, ExportsAndTheClassFactory) {
  const Exports e;
  ASSERT_NE(e.handle, nullptr);
  void* object = reinterpret_cast<void*>(0x1);
  const CLSID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(e.getClassObject(other, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(e.getClassObject(CLSID_BGVoiceEngine, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(e.getClassObject(CLSID_BGVoiceEngine, IID_ISpTTSEngine, &object), E_NOINTERFACE);

  EXPECT_EQ(e.canUnloadNow(), S_OK);
  IClassFactory* factory = Factory(e);
  EXPECT_EQ(e.canUnloadNow(), S_FALSE) << "a reference to the factory holds the server";
  ISpTTSEngine* engine = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISpTTSEngine, reinterpret_cast<void**>(&engine)),
            S_OK);
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(e.canUnloadNow(), S_FALSE) << "a live object and a lock";
  engine->Release();
  EXPECT_EQ(e.canUnloadNow(), S_FALSE) << "the lock";
  factory = Factory(e);
  factory->LockServer(FALSE);
  factory->Release();
  EXPECT_EQ(e.canUnloadNow(), S_OK);
}

TEST(ServerTest, Aggregation) {
  const Exports e;
  IClassFactory* factory = Factory(e);
  Outer outer;
  void* object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_ISpTTSEngine, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  IUnknown* inner = nullptr;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  ISpTTSEngine* engine = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_ISpTTSEngine, reinterpret_cast<void**>(&engine)), S_OK);
  EXPECT_EQ(outer.references, 2) << "interfaces of the inner object count on the outer one";
  engine->Release();
  EXPECT_EQ(outer.references, 1);
  void* none = nullptr;
  EXPECT_EQ(engine->QueryInterface(IID_ISpObjectWithToken, &none), E_NOINTERFACE)
      << "every other interface is the outer object's answer";
  inner->Release();
  factory->Release();
  EXPECT_EQ(e.canUnloadNow(), S_OK);
}

// Windows' 32-bit view of the classes, which names the same keys a second time.
bool IsWow64Node(const std::string& name) {
  const std::string node = "wow6432node";
  return std::equal(name.begin(), name.end(), node.begin(), node.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

// Every key under HKCR but the 32-bit view's second names.
std::set<std::string> ClassesRoot(const std::string& key = "") {
  std::set<std::string> keys;
  for (const std::string& child : RegSubkeys(HKEY_CLASSES_ROOT, key.c_str())) {
    if (key.empty() && IsWow64Node(child)) continue;
    const std::string path = key.empty() ? child : key + "\\" + child;
    keys.insert(path);
    for (const std::string& below : ClassesRoot(path))
      keys.insert(below);
  }
  return keys;
}

// The file name of a library path, whichever separator it uses.
std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::set<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

// On Linux the registry is the test's own; on Windows it is the system's, where other classes live
// beside ours, so the test compares with what was there before and removes what it added.
TEST(ServerTest, RegistrationWritesTheScriptsEntriesAndUnregistrationRemovesThem) {
  const ScopedRegistry registry;
  const Exports e;
  const std::string classKey = "CLSID\\{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}";
  const std::string otherClass = "CLSID\\{00000000-0000-0000-0000-000000000001}";
  e.unregisterServer();  // on Windows a program may have registered it before
  ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, (classKey + "\\Stale").c_str(), "", "left over"), 0);
  ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, otherClass.c_str(), "", "another class"), 0);
  std::set<std::string> before = ClassesRoot();
  ASSERT_EQ(e.registerServer(), S_OK);
  const std::set<std::string> once = ClassesRoot();
  ASSERT_EQ(e.registerServer(), S_OK);
  EXPECT_EQ(ClassesRoot(), once) << "registering twice rewrites, it does not merge";
  EXPECT_EQ(once.count(classKey + "\\Stale"), 0u) << "the class key is rewritten";
  const struct {
    std::string key, name, data;
  } entries[] = {
      {"BRELVOX.BGVoiceEngine.1", "", "BGVoiceEngine Class"},
      {"BRELVOX.BGVoiceEngine.1\\CLSID", "", "{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}"},
      {"BRELVOX.BGVoiceEngine", "", "BGVoiceEngine Class"},
      {"BRELVOX.BGVoiceEngine\\CurVer", "", "BRELVOX.BGVoiceEngine.1"},
      {classKey, "", "BGVoiceEngine Class"},
      {classKey + "\\ProgID", "", "BRELVOX.BGVoiceEngine.1"},
      {classKey + "\\VersionIndependentProgID", "", "BRELVOX.BGVoiceEngine"},
      {classKey + "\\InprocServer32", "ThreadingModel", "Both"},
      {classKey + "\\TypeLib", "", "{2F5DEEEA-2397-4DB5-812D-B9868DF3EB7C}"},
      {"TypeLib\\{2F5DEEEA-2397-4DB5-812D-B9868DF3EB7C}\\1.0", "", "BRELVOX 1.0 Type Library"},
  };
  for (const auto& entry : entries) {
    std::string data;
    EXPECT_TRUE(RegGetString(HKEY_CLASSES_ROOT, entry.key.c_str(), entry.name.c_str(), &data))
        << entry.key;
    EXPECT_EQ(data, entry.data) << entry.key;
  }
  std::string path;
  ASSERT_TRUE(RegGetString(HKEY_CLASSES_ROOT, (classKey + "\\InprocServer32").c_str(), "", &path));
  EXPECT_EQ(FileName(path), FileName(kEngineLibrary)) << path;

  ASSERT_EQ(e.unregisterServer(), S_OK);
  EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "TypeLib"))
      << "shared with other libraries, it stays";
  std::set<std::string> after = ClassesRoot();
  after.erase("TypeLib");  // made by the registration when the registry had none
  before.erase(classKey);
  before.erase(classKey + "\\Stale");
  EXPECT_EQ(Minus(after, before), std::set<std::string>{}) << "everything of ours goes";
  EXPECT_EQ(Minus(before, after), std::set<std::string>{})
      << "nothing else goes: the CLSID key and the other class stay";
  RegDeleteTreeA(HKEY_CLASSES_ROOT, otherClass.c_str());
}

}  // namespace
