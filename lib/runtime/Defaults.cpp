// The preferences data base. Entries are kept in creation order in a deque (the list
// "newest first" is the deque read backwards, linked through DefaultEntry::next), so
// entry and value addresses stay valid for the run.
#include "runtime/Defaults.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

AllocationAccount Default_alloc("Defaults");

namespace {

struct DefaultSnapshot {
  std::string value;
  bool hasValue;
};

struct DefaultsState {
  std::deque<DefaultEntry, AccountAllocator<DefaultEntry>> entries{
      AccountAllocator<DefaultEntry>(&Default_alloc, "Default pointer")};
  std::string filePath;
  void (*convert)() = nullptr;
  void (*saveLayouts)() = nullptr;
  void (*applyLayout)(const char* name, const char* value) = nullptr;
  std::vector<DefaultSnapshot> start;
  std::string startFilePath;
  void (*startConvert)() = nullptr;
  void (*startSaveLayouts)() = nullptr;
  void (*startApplyLayout)(const char* name, const char* value) = nullptr;
};

DefaultsState& state() {
  static DefaultsState s;
  return s;
}

// One field of a preferences line: a quoted text or a bare word. Returns false when the
// field is incomplete (an unterminated quote, or a bare name without a following blank).
bool readField(const std::string& line, std::size_t& at, std::string& field, bool isName) {
  field.clear();
  if (at < line.size() && line[at] == '"') {
    std::size_t close = line.find('"', at + 1);
    if (close == std::string::npos) return false;
    field = line.substr(at + 1, close - at - 1);
    at = close + 1;
    return true;
  }
  std::size_t blank = line.find(' ', at);
  if (blank == std::string::npos) {
    if (isName) return false;
    blank = line.size();
  }
  field = line.substr(at, blank - at);
  at = blank;
  return !isName || field.find('"') == std::string::npos;
}

void skipBlanks(const std::string& line, std::size_t& at) {
  while (at < line.size() && line[at] == ' ') ++at;
}

// Reads one whole line of any length; false at the end of the file.
bool readWholeLine(FILE* file, std::string& line) {
  line.clear();
  int c = EOF;
  bool any = false;
  while ((c = std::fgetc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
  }
  return any;
}

std::string entryLine(const DefaultEntry& entry) {
  return formatText("\"%s\" \"%s\"\n", entry.name.c_str(), entry.value.c_str());
}

// The common beginning of the temporary files of a preferences file:
// <file>.tmp-<process>-<host>-XXXXXX.
std::string temporaryPrefix(const std::string& path) { return path + ".tmp-"; }

}  // namespace

DefaultEntry* findDefaultPointer(const char* name) {
  DefaultsState& s = state();
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

DefaultEntry* getDefaultPointer(const char* name) {
  if (DefaultEntry* found = findDefaultPointer(name)) return found;
  DefaultsState& s = state();
  DefaultEntry* next = s.entries.empty() ? nullptr : &s.entries.back();
  s.entries.push_back(DefaultEntry{});
  DefaultEntry* entry = &s.entries.back();
  entry->next = next;
  entry->name = name;
  return entry;
}

const char* changeDefault(DefaultEntry* entry, const char* value) {
  const char* text = value != nullptr ? value : "";
  if (std::strchr(text, '"') != nullptr) {
    Alert("changeDefault", 0, 100201, "Preference %s: value %s holds a double quote; not accepted",
          entry->name.c_str(), text);
    return entry->hasValue ? entry->value.c_str() : nullptr;
  }
  entry->value = text;
  entry->hasValue = true;
  return entry->value.c_str();
}

DefaultEntry* setDefault(const char* name, const char* value) {
  DefaultEntry* entry = getDefaultPointer(name);
  changeDefault(entry, value);
  return entry;
}

void setDefaults(const DefaultPair* pairs) {
  for (const DefaultPair* pair = pairs; pair != nullptr && pair->name != nullptr; ++pair) {
    setDefault(pair->name, pair->value);
  }
}

const char* getDefaultValue(const char* name) {
  DefaultEntry* entry = getDefaultPointer(name);
  return entry->hasValue ? entry->value.c_str() : nullptr;
}

const char* getDefault(const char* name) {
  const char* value = getDefaultValue(name);
  return value != nullptr ? value : "";
}

void registerDefaults(const char* fileName, const DefaultPair* pairs, void (*convert)()) {
  setDefaults(pairs);
  setDefaultFile(fileName);
  state().convert = convert;
  if (!state().filePath.empty()) readDefaultsFile(state().filePath.c_str());
}

void setDefaultFile(const char* fileName) {
  std::string home = usableHomeFolder();
  if (home.empty()) {
    state().filePath.clear();
    return;
  }
  std::string folder = home + "/.Defaults";
  createDir(folder.c_str());
  state().filePath = folder + "/" + fileName;
}

const char* getDefaultFile() { return state().filePath.c_str(); }

int readDefaultsFile(const char* path) {
  // No file yet is the normal first start: the built-in values hold and nothing is said.
  // A file that exists and cannot be opened is reported by Fopen, one that cannot be read
  // below.
  struct stat info;
  if (lstat(path, &info) != 0 && errno == ENOENT) return -1;
  FILE* file = Fopen(path, "r");
  if (file == nullptr) return -1;
  int count = 0;
  int lineNumber = 0;
  std::string line;
  int readError = 0;
  for (;;) {
    errno = 0;
    if (!readWholeLine(file, line)) {
      readError = errno;
      break;
    }
    ++lineNumber;
    std::size_t at = 0;
    skipBlanks(line, at);
    if (at == line.size()) continue;
    std::string name;
    std::string value;
    bool complete = readField(line, at, name, true);
    if (complete) {
      skipBlanks(line, at);
      complete = readField(line, at, value, false);
    }
    if (!complete) {
      Alert("readDefaultsFile", 0, 100201, "Line %d of preferences file %s not understood; skipped",
            lineNumber, path);
      continue;
    }
    setDefault(name.c_str(), value.c_str());
    ++count;
  }
  // A file that opens but cannot be read (a folder of that name, say) is not a first start.
  if (std::ferror(file) != 0) {
    Alert("readDefaultsFile", 1, 120206, "Could not read file \"%s\": %s", path, std::strerror(readError));
  }
  Fclose(file);
  return count;
}

void savePreferences() {
  DefaultsState& s = state();
  if (s.convert != nullptr) s.convert();
  if (s.saveLayouts != nullptr) s.saveLayouts();
  writeDefaults();
}

int writeDefaults() {
  DefaultsState& s = state();
  if (s.filePath.empty()) {
    Alert("writeDefaults", 2, 100201, "No home folder; preferences not saved");
    return -1;
  }
  std::string text;
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->hasValue) text += entryLine(*it);
  }
  removeStaleTemporaries(s.filePath);
  // A crash while writing must never leave half a file: write beside it, then rename.
  // The temporary's name holds the host and process, so a later save can tell one left
  // behind by a dead process from one a running process is still writing.
  std::string temporary = temporaryPrefix(s.filePath) + std::to_string(getpid()) + "-" + getCurrentHostName() +
                          "-XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    Alert("writeDefaults", 0, 120206, "Could not open file \"%s\"", s.filePath.c_str());
    return -1;
  }
  bool written = writeAllToDescriptor(descriptor, text);
  fchmod(descriptor, 0644);
  if (fsync(descriptor) != 0) written = false;
  if (close(descriptor) != 0) written = false;
  if (!written || rename(name.data(), s.filePath.c_str()) != 0) {
    unlink(name.data());
    Alert("writeDefaults", 1, 120206, "Could not write file \"%s\"", s.filePath.c_str());
    return -1;
  }
  return 0;
}

void printDefaults() {
  DefaultsState& s = state();
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->hasValue) PrintStdout("%s", entryLine(*it).c_str());
  }
}

void setTableDefaultRoutines(void (*saveLayouts)(), void (*applyLayout)(const char*, const char*)) {
  state().saveLayouts = saveLayouts;
  state().applyLayout = applyLayout;
}

void getTableDefaults() {
  DefaultsState& s = state();
  if (s.applyLayout == nullptr) return;
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->hasValue && it->name.compare(0, 6, "Table:") == 0) s.applyLayout(it->name.c_str(), it->value.c_str());
  }
}

DefaultEntry* getFirstDefault() {
  DefaultsState& s = state();
  return s.entries.empty() ? nullptr : &s.entries.back();
}

DefaultEntry* nextDefault(const DefaultEntry* entry) { return entry != nullptr ? entry->next : nullptr; }

std::string getDefaultNameString(const DefaultEntry* entry) { return entry->name + " "; }
std::string getDefaultValueString(const DefaultEntry* entry) { return entry->value; }

void markDefaultsStartState() {
  DefaultsState& s = state();
  s.start.clear();
  for (const DefaultEntry& entry : s.entries) s.start.push_back({entry.value, entry.hasValue});
  s.startFilePath = s.filePath;
  s.startConvert = s.convert;
  s.startSaveLayouts = s.saveLayouts;
  s.startApplyLayout = s.applyLayout;
}

void resetDefaults() {
  DefaultsState& s = state();
  while (s.entries.size() > s.start.size()) s.entries.pop_back();
  for (std::size_t i = 0; i < s.entries.size(); ++i) {
    s.entries[i].value = s.start[i].value;
    s.entries[i].hasValue = s.start[i].hasValue;
  }
  s.filePath = s.startFilePath;
  s.convert = s.startConvert;
  s.saveLayouts = s.startSaveLayouts;
  s.applyLayout = s.startApplyLayout;
}
