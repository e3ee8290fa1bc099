// The folders of the directory settings (see the header).
#include "runtime/Directories.h"

#include <utility>

#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"

namespace {

// The value of a directory setting as a folder name ending in "/".
std::string directoryOf(const char* parameter, bool create) {
  const std::string* value = getStringParPointer(parameter);
  std::string folder = value != nullptr ? *value : std::string();
  if (folder == "HOME") {
    // Without a usable home the working folder stands in; no folder is made outside it.
    std::string home = usableHomeFolder();
    folder = home.empty() ? std::string(1, '.') : std::move(home);
  } else {
    // "~" stands for the home folder here as in every file argument.
    folder = convertFileName(folder.c_str());
  }
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (create && checkDir(folder.c_str()) != 0) CreateDir(folder.c_str());
  return folder;
}

}  // namespace

std::string getOutputDir() { return directoryOf("OutputDir", true); }
std::string getWorkDir() { return directoryOf("WorkDir", true); }
std::string getModelDir() { return directoryOf("ModelDir", true); }
std::string getQUVR_Dir() { return directoryOf("QUVR_Dir", false); }
std::string getDoneDir() { return directoryOf("OutputDir", true); }
