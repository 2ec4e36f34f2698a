#include "engine/files/data_file.h"

#include "platform/com/files.h"
#include "platform/com/unicode.h"

HRESULT mapDataFile(LPCWSTR path, HANDLE* mapping, const void** view, DWORD* size) {
  *mapping = nullptr;
  *view = nullptr;
  char name[4096] = {};
  const bool named = path != nullptr && WideCharToMultiByte(CP_ACP, 0, path, -1, name, sizeof name,
                                                            nullptr, nullptr) > 0;
  HANDLE file = CreateFileA(named ? name : nullptr, GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    *size = GetFileSize(file, nullptr);
    if (*size != INVALID_FILE_SIZE) {
      *mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
      if (*mapping != nullptr) *view = MapViewOfFile(*mapping, FILE_MAP_READ, 0, 0, 0);
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
  }
  if (*view != nullptr) return S_OK;
  const DWORD code = GetLastError();
  if (*mapping != nullptr) {
    CloseHandle(*mapping);
    *mapping = nullptr;
  }
  return static_cast<LONG>(code) > 0 ? HRESULT_FROM_WIN32(code) : static_cast<HRESULT>(code);
}

void CloseMappedFile(MappedFile* file) {
  if (file->view != nullptr) UnmapViewOfFile(file->view);
  if (file->mapping != nullptr) CloseHandle(file->mapping);
  *file = MappedFile{};
}

namespace {

Grammar* LoadMachine(ByteReader* reader, Grammar*) {
  return LoadGrammar(reader);
}
Transducer* LoadMachine(ByteReader* reader, Transducer*) {
  return LoadTransducer(reader);
}
void FreeMachine(Grammar* grammar) {
  FreeGrammar(grammar);
}
void FreeMachine(Transducer* transducer) {
  FreeTransducer(transducer);
}
const char* KindOf(Grammar*) {
  return "grammar file";
}
const char* KindOf(Transducer*) {
  return "user dictionary";
}

}  // namespace

template <typename Machine>
LoadedDataFile<Machine>::~LoadedDataFile() {
  // The machine points into the view: free it before unmapping.
  if (machine_ != nullptr) FreeMachine(machine_);
  CloseMappedFile(&file_);
}

template <typename Machine>
bool LoadedDataFile<Machine>::Load(const std::string& path, std::string* error) {
  const std::string kind = KindOf(static_cast<Machine*>(nullptr));
  if (machine_ != nullptr) FreeMachine(machine_);
  machine_ = nullptr;
  CloseMappedFile(&file_);
  readable_ = false;
  const std::u16string name = Utf8ToUtf16(path);
  if (path.empty() || FAILED(mapDataFile(reinterpret_cast<LPCWSTR>(name.c_str()), &file_.mapping,
                                         &file_.view, &file_.size))) {
    *error = "cannot read the " + kind + " " + path + "; check that it exists and is not empty";
    return false;
  }
  readable_ = true;
  reader_ = MakeByteReader(file_.view, file_.size);
  machine_ = LoadMachine(&reader_, static_cast<Machine*>(nullptr));
  if (machine_ == nullptr) {
    *error = "the " + kind + " " + path + " does not load; build it again";
    CloseMappedFile(&file_);
    return false;
  }
  return true;
}

template class LoadedDataFile<Grammar>;
template class LoadedDataFile<Transducer>;
