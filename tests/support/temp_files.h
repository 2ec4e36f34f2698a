// Temporary folders for tests, and a platform registry of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvox::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file and returns its path.
  std::string Write(const std::string& name, const void* data, size_t bytes) const;
  std::string Write(const std::string& name, const std::vector<int32_t>& words) const {
    return Write(name, words.data(), words.size() * 4);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    return Write(name, bytes.data(), bytes.size());
  }

 private:
  std::string path_;
};

// Points the platform's registry at a folder of its own for as long as it lives.
class ScopedRegistry {
 public:
  ScopedRegistry();
  ~ScopedRegistry();
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;
  std::string Folder() const { return dir_.Path(); }

 private:
  TempDir dir_;
  std::string previous_;
  bool hadPrevious_;
};

}  // namespace brelvox::test
