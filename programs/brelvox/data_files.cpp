#include "programs/brelvox/data_files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/core/sound/voice_inventory.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"

namespace {

// A regular file mapped read-only, whole; empty files do not map (nor does the engine map them).
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (view != MAP_FAILED) {
        view_ = view;
        size_ = static_cast<size_t>(st.st_size);
      }
    }
    close(fd);
  }
  ~MappedFile() {
    if (view_ != nullptr) munmap(view_, size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const void* View() const { return view_; }
  size_t Size() const { return size_; }
  ByteReader Reader() const { return MakeByteReader(view_, static_cast<int64_t>(size_)); }

 private:
  void* view_ = nullptr;
  size_t size_ = 0;
};

std::string Unreadable(const char* what, const std::string& path) {
  return std::string("the ") + what + " " + (path.empty() ? "(none named)" : path) +
         " cannot be read; check that it exists or install the voice again.";
}

std::string Damaged(const char* what, const std::string& path, const char* wayOut) {
  return std::string("the ") + what + " " + path + " is damaged (it does not load); " + wayOut +
         ".";
}

}  // namespace

std::string DamagedUserDictionary(const std::string& path) {
  const MappedFile file(path);
  if (file.View() == nullptr) return Unreadable("user dictionary", path);
  ByteReader reader = file.Reader();
  Transducer* dictionary = LoadTransducer(&reader);
  if (dictionary == nullptr) {
    return Damaged("user dictionary", path,
                   "speech goes on without it; rebuild it (brelvox lexicon add) or install the "
                   "voice again");
  }
  FreeTransducer(dictionary);
  return {};
}

std::vector<std::string> DamagedDataFiles(const VoiceToken& token) {
  std::vector<std::string> problems;
  const std::string voicePath = token.Value("VoiceData");
  if (const MappedFile voice(voicePath); voice.View() == nullptr) {
    problems.push_back(Unreadable("voice file", voicePath));
  } else {
    VoiceInventory inventory{};
    if (LoadVoice(&inventory, voice.View(), voice.Size()) == 0) {
      problems.push_back(Damaged("voice file", voicePath, "install the voice again"));
    }
    ReleaseVoiceBuffers(&inventory);
  }
  const std::string grammarPath = token.Value("GrammarData");
  if (const MappedFile grammar(grammarPath); grammar.View() == nullptr) {
    problems.push_back(Unreadable("grammar file", grammarPath));
  } else {
    ByteReader reader = grammar.Reader();
    Grammar* loaded = LoadGrammar(&reader);
    if (loaded == nullptr) {
      problems.push_back(Damaged("grammar file", grammarPath, "install the voice again"));
    }
    FreeGrammar(loaded);
  }
  if (std::string dictionary = DamagedUserDictionary(token.Value("UserDictData"));
      !dictionary.empty()) {
    problems.push_back(std::move(dictionary));
  }
  return problems;
}
