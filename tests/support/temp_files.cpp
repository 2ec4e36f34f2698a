#include "tests/support/temp_files.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "brelvox-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (path_ != "/tmp") std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const void* data, size_t bytes) const {
  const std::string path = File(name);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    if (bytes > 0) std::fwrite(data, 1, bytes, f);
    std::fclose(f);
  }
  return path;
}

ScopedRegistry::ScopedRegistry() {
  const char* previous = std::getenv("BRELVOX_REGISTRY");
  hadPrevious_ = previous != nullptr;
  if (hadPrevious_) previous_ = previous;
  setenv("BRELVOX_REGISTRY", dir_.Path().c_str(), 1);
}

ScopedRegistry::~ScopedRegistry() {
  if (hadPrevious_) {
    setenv("BRELVOX_REGISTRY", previous_.c_str(), 1);
  } else {
    unsetenv("BRELVOX_REGISTRY");
  }
}
