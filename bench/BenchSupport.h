// What the benchmark programs share: a fresh HOME, so that the store's work folders and
// row files of a run start empty and are removed at its end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

struct FreshHome {
  std::string path;
  FreshHome() {
    char folder[] = "/tmp/zoq-bench-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
      path = folder;
      setenv("HOME", folder, 1);
    }
  }
  ~FreshHome() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  FreshHome(const FreshHome&) = delete;
  FreshHome& operator=(const FreshHome&) = delete;
};
