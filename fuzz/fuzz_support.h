// What the fuzz targets share: a folder of the process's own for the files a target writes, and
// the abort that reports a broken rule.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace vevadar::fuzzing {

inline void require(bool condition) {
  if (!condition) std::abort();
}

// Made under the system's temporary folder at the first call, removed with its files at exit.
inline const std::filesystem::path& own_folder() {
  struct Folder {
    std::filesystem::path path;
    Folder() {
      const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
      path = std::filesystem::temp_directory_path() / ("vevadar-fuzz-" + std::to_string(stamp));
      std::filesystem::create_directories(path);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() {
      std::error_code ignored;
      std::filesystem::current_path(path.parent_path(), ignored);
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Folder folder;
  return folder.path;
}

}  // namespace vevadar::fuzzing
