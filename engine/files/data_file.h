// The engine's data files as the engine reads them: mapped read-only, whole, and loaded with the
// core's loaders over the view. The engine object, the brelvox command, the data tools and the
// benchmarks all read grammars and user dictionaries through here.
#pragma once

#include <string>

#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"
#include "platform/com/windows_types.h"

// A read-only mapped data file.
struct MappedFile {
  HANDLE mapping;
  const void* view;
  DWORD size;
};

// Maps a whole file read-only; the system's error as an HRESULT when it cannot be opened or mapped
// (an empty file cannot be mapped).
HRESULT mapDataFile(LPCWSTR path, HANDLE* mapping, const void** view, DWORD* size);
void CloseMappedFile(MappedFile* file);

// A grammar file or a user dictionary file, mapped and loaded; the machine lives as long as the
// object. `what` names the file in errors ("grammar file", "user dictionary").
template <typename Machine>
class LoadedDataFile {
 public:
  LoadedDataFile() = default;
  ~LoadedDataFile();
  LoadedDataFile(const LoadedDataFile&) = delete;
  LoadedDataFile& operator=(const LoadedDataFile&) = delete;

  // False with one sentence in `error` when the file cannot be mapped or does not load.
  bool Load(const std::string& path, std::string* error);
  const Machine* get() const { return machine_; }
  // Whether the last Load could read the file at all (a false Load of a readable file: it is not
  // a file of this kind, or it is damaged).
  bool Readable() const { return readable_; }

 private:
  MappedFile file_{};
  ByteReader reader_{};
  Machine* machine_ = nullptr;
  bool readable_ = false;
};

using MappedGrammar = LoadedDataFile<Grammar>;
using MappedUserDictionary = LoadedDataFile<Transducer>;

extern template class LoadedDataFile<Grammar>;
extern template class LoadedDataFile<Transducer>;
