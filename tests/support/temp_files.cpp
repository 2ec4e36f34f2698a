#include "tests/support/temp_files.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <random>

namespace brelvox::test {

namespace {

// The environment variable set, or removed when `value` is null.
void SetEnvironment(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

}  // namespace

TempDir::TempDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::filesystem::path candidate = base / ("brelvox-test-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) path_ = candidate.generic_string();
  }
  if (path_.empty()) path_ = "/tmp";
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
  SetEnvironment("BRELVOX_REGISTRY", dir_.Path().c_str());
}

ScopedRegistry::~ScopedRegistry() {
  SetEnvironment("BRELVOX_REGISTRY", hadPrevious_ ? previous_.c_str() : nullptr);
}

}  // namespace brelvox::test
