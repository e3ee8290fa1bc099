// System utilities. File work (folders, moves, copies, removals) uses the system calls
// directly: a path is never pasted into a shell command. Only the user's own commands go
// through the shell (System, ExecuteSilent).
#include "runtime/SystemUtility.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Memory.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

long long standardClock() {
  return static_cast<long long>(std::clock()) * (1000000LL / CLOCKS_PER_SEC);
}

struct SystemState {
  ExitRoutine exitRoutine = stdexit;
  int openedFiles = 0;
  int systemParameter = 0;
  int systemTrace = 0;
  int displayStartupMessage = 1;
  ClockSource clockSource = standardClock;
  bool clockStarted = false;
  double previousReading = 0.0;
  int wrapArounds = 0;
  int randomSeeded = 0;
  bool homeReported = false;
  // Folders whose temporaries of ended processes were removed in this run.
  std::set<std::string> sweptFolders;
};

SystemState& state() {
  static SystemState s;
  return s;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? std::string(home) : std::string();
}

// Copies source to an open descriptor; false on a read or write failure.
bool copyContents(int from, int to) {
  std::vector<char> buffer(65536);
  for (;;) {
    ssize_t got = read(from, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    const char* p = buffer.data();
    while (got > 0) {
      ssize_t put = write(to, p, static_cast<std::size_t>(got));
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      p += put;
      got -= put;
    }
  }
}

bool statPath(const char* path, struct stat& info) {
  if (path == nullptr) return false;
  return stat(convertFileName(path).c_str(), &info) == 0;
}

}  // namespace

// Exit.

void GracefulExit(int status) {
  state().exitRoutine(status);
  // An exit routine that returns still ends the program.
  terminateProgram(status);
}

void setExitRoutine(ExitRoutine routine) {
  state().exitRoutine = routine != nullptr ? routine : stdexit;
}
void resetExitRoutine() { state().exitRoutine = stdexit; }

void stdexit(int status) {
  PrintStdout("Program exiting with code %d\n", status);
  terminateProgram(status);
}

int mapExitStatus(int status) {
  if (status == 1111) return 87;
  if (status == 1112) return 88;
  return status >= 0 && status <= 255 ? status : 255;
}

void terminateProgram(int status) {
  // No allocation trace while the program's statics are taken down.
  setAllocTrace(0);
  sinkFlush();
  std::exit(mapExitStatus(status));
}

// Time.

double CPUTime() {
  SystemState& s = state();
  double now = static_cast<double>(s.clockSource()) / 1e6;
  if (s.clockStarted && now < s.previousReading - 0.1) ++s.wrapArounds;
  s.clockStarted = true;
  s.previousReading = now;
  return now + 4294.96 * s.wrapArounds;
}

void setClockSource(ClockSource source) {
  SystemState& s = state();
  s.clockSource = source != nullptr ? source : standardClock;
  s.clockStarted = false;
  s.previousReading = 0.0;
  s.wrapArounds = 0;
}

double TimeDifference(double* mark, int reset) {
  double now = CPUTime();
  double difference = now - *mark;
  if (reset == 1) *mark = now;
  return difference;
}

ProcessorTimeLimit::ProcessorTimeLimit(double seconds)
    : seconds_(seconds),
      start_(CPUTime()),
      wallStart_(std::chrono::steady_clock::now()),
      standard_(state().clockSource == standardClock) {}

bool ProcessorTimeLimit::passed() {
  if (standard_ && state().clockSource == standardClock) {
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart_;
    if (wall.count() < seconds_ - 1.0) return false;
  }
  return CPUTime() - start_ > seconds_;
}

long long CurrentSecs() { return state().clockSource(); }
double TimeDif() { return 0.0; }
void Clock() {}

// Files and names.

std::string convertFileName(const char* name) {
  if (name == nullptr) return std::string();
  if (name[0] == '~') return homeFolder() + (name + 1);
  return std::string(name);
}

std::string markerFolderFromEnvironment() {
  const char* folder = std::getenv(kMarkerFolderVariable);
  return folder != nullptr && folder[0] != '\0' ? std::string(folder) : std::string("/tmp");
}

std::string usableHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0' && checkDir(home) == 0) return std::string(home);
  SystemState& s = state();
  if (!s.homeReported) {
    s.homeReported = true;
    if (home == nullptr || home[0] == '\0') {
      Alert("usableHomeFolder", 0, 100201, "HOME is not set; running without preferences and log files");
    } else {
      Alert("usableHomeFolder", 1, 100201, "Home folder %s does not exist; running without preferences and log files",
            home);
    }
  }
  return std::string();
}

FILE* Fopen(const char* name, const char* mode) {
  FILE* file = std::fopen(convertFileName(name).c_str(), mode);
  if (file == nullptr) {
    Alert("Fopen", 0, 120206, "Could not open file \"%s\"", name);
    return nullptr;
  }
  if (++state().openedFiles > 20) {
    PrintStdout("Number of open files: %d (last %s)\n", state().openedFiles, name);
  }
  return file;
}

int Fclose(FILE* file) {
  if (file == nullptr) {
    Alert("Fclose", 0, 120406, "Could not close file ; null pointer");
    return -1;
  }
  --state().openedFiles;
  return std::fclose(file);
}

int getOpenedFiles() { return state().openedFiles; }

int checkDir(const char* path) {
  struct stat info;
  if (!statPath(path, info)) return -1;
  return S_ISDIR(info.st_mode) ? 0 : 1;
}

int createDir(const char* path) {
  int existing = checkDir(path);
  if (existing == 0) return 0;
  if (existing == 1) {
    Alert("createDir", 0, 112406, "Cannot create directory %s; There is a file with that name",
          path);
    return -1;
  }
  std::string expanded = convertFileName(path);
  int mode = state().systemParameter;
  if (mode == 1 || mode == 2) PrintStdout("mkdir \"%s\"\n", expanded.c_str());
  if (mode != 0 && mode != 1) return 0;
  if (mkdir(expanded.c_str(), 0777) != 0 && errno != EEXIST) {
    Alert("createDir", 1, 100201, "Cannot create directory %s: %s", path, std::strerror(errno));
    return -1;
  }
  return 0;
}

int CreateDir(const char* path) {
  std::string full = getFullPath(path, nullptr);
  if (checkDir(full.c_str()) == 0) return 0;
  if (state().systemTrace >= 2) PrintStdout("Creating directory %s\n", full.c_str());
  // Walk the components from the root; create the first missing one and all below it.
  int status = 0;
  bool creating = false;
  std::size_t position = 0;
  while (position < full.size()) {
    std::size_t slash = full.find('/', position + 1);
    std::string prefix = full.substr(0, slash == std::string::npos ? full.size() : slash);
    position = slash == std::string::npos ? full.size() : slash;
    if (prefix.empty()) continue;
    if (!creating && checkDir(prefix.c_str()) == 0) continue;
    creating = true;
    status = createDir(prefix.c_str());
    if (status != 0) break;
  }
  return status;
}

int CreateFile(const char* path) {
  if (checkDir(path) == 1) return 0;
  std::string folder = getFullPath(path, nullptr);
  stripToPath(folder);
  return CreateDir(folder.c_str());
}

std::string getFullPath(const char* path, const char* base) {
  std::string result = convertFileName(path);
  if (result.empty() || result[0] != '/') {
    std::string prefix = base != nullptr ? convertFileName(base) : getCurrentDirectory();
    result = prefix + "/" + result;
  }
  // Doubled and final separators.
  std::string cleaned;
  for (char c : result) {
    if (c == '/' && !cleaned.empty() && cleaned.back() == '/') continue;
    cleaned += c;
  }
  if (cleaned.size() > 1 && cleaned.back() == '/') cleaned.pop_back();
  // "./" components (never the "./" inside "../").
  std::string::size_type at;
  while ((at = cleaned.find("/./")) != std::string::npos) cleaned.erase(at, 2);
  while (cleaned.size() >= 2 && cleaned.compare(cleaned.size() - 2, 2, "/.") == 0) {
    cleaned.erase(cleaned.size() - 2);
  }
  if (cleaned.empty()) cleaned = "/";
  return cleaned;
}

void stripToPath(std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) {
    path = ".";
  } else if (slash == 0) {
    path = "/";
  } else {
    path.erase(slash);
  }
}

const char* getRelativeName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

std::string trunc_path(const char* path) {
  std::string split(path);
  for (char& c : split) {
    if (c == '/') c = '\0';
  }
  split += '\n';
  split += '\0';
  return split;
}

const char* getExtension(const char* name) {
  const char* dot = std::strrchr(name, '.');
  return dot != nullptr ? dot + 1 : nullptr;
}

int verifyExtension(const char* name, const char* extension) {
  const char* found = getExtension(name);
  return found != nullptr && std::strcmp(found, extension) == 0 ? 1 : 0;
}

std::string changeExtension(const char* name, const char* extension, const char* newExtension) {
  if (verifyExtension(name, extension) == 0) return std::string();
  const char* found = getExtension(name);
  return std::string(name, static_cast<std::size_t>(found - name)) + newExtension;
}

std::string getLink(const char* path) {
  std::string expanded = convertFileName(path);
  std::vector<char> target(1024);
  for (;;) {
    ssize_t length = readlink(expanded.c_str(), target.data(), target.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < target.size()) {
      std::string linkTarget(target.data(), static_cast<std::size_t>(length));
      std::string folder = expanded;
      stripToPath(folder);
      return getFullPath(linkTarget.c_str(), folder.c_str());
    }
    target.resize(target.size() * 2);
  }
}

std::string getCurrentDirectory() {
  std::vector<char> buffer(1024);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string(".");
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

int isFileInDirectory(const char* path, const char* directory) {
  return std::strncmp(path, directory, std::strlen(directory)) == 0 ? 1 : 0;
}

bool readFileText(const char* file, std::string& text) {
  text.clear();
  int kind = checkDir(file);
  if (kind == -1) {
    Alert("fileToString", 0, 120406, "File \"%s\" does not exist", file);
    return false;
  }
  if (kind == 0) {
    Alert("fileToString", 1, 120406, "file \"%s\" is a directory", file);
    return false;
  }
  int descriptor = open(convertFileName(file).c_str(), O_RDONLY);
  if (descriptor < 0) {
    Alert("fileToString", 3, 120406, "Cannot open file \"%s\"", file);
    return false;
  }
  std::vector<char> buffer(65536);
  long long lastZero = -1;
  for (;;) {
    ssize_t got = read(descriptor, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[static_cast<std::size_t>(i)] == '\0') {
        lastZero = static_cast<long long>(text.size());
      } else {
        text += buffer[static_cast<std::size_t>(i)];
      }
    }
  }
  close(descriptor);
  if (lastZero >= 0) {
    Alert("fileToString", 4, 120406, "Rubbish in file \"%s\" at position %lld", file, lastZero);
  }
  return true;
}

bool readRestOfStream(FILE* stream, std::string& text) {
  char buffer[65536];
  for (std::size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
    text.append(buffer, got);
  return std::ferror(stream) == 0;
}

char* fileToString(const char* file, const char* poolName) {
  std::string text;
  if (!readFileText(file, text)) return nullptr;
  char* space = getCharSpace(poolName, static_cast<std::int64_t>(text.size()) + 1000);
  if (space == nullptr) {
    Alert("fileToString", 2, 120505, "Cannot allocate filebuffer for \"%s\"", file);
    return nullptr;
  }
  std::memcpy(space, text.c_str(), text.size() + 1);
  return space;
}

int* HexfileToString(const char* file, const char* poolName) {
  int kind = checkDir(file);
  if (kind == -1) {
    Alert("HexfileToString", 0, 120206, "File %s does not exist", file);
    return nullptr;
  }
  if (kind == 0) {
    Alert("HexfileToString", 1, 120206, "%s is a directory", file);
    return nullptr;
  }
  FILE* stream = std::fopen(convertFileName(file).c_str(), "rb");
  if (stream == nullptr) {
    Alert("HexfileToString", 3, 120206, "Cannot open file %s", file);
    return nullptr;
  }
  std::vector<int> bytes;
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(c);
  std::fclose(stream);
  int* space = getIntSpace(poolName, static_cast<std::int64_t>(bytes.size()) + 1);
  if (space == nullptr) {
    Alert("HexfileToString", 2, 120505, "Cannot allocate filebuffer %s", file);
    return nullptr;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) space[i] = bytes[i];
  space[bytes.size()] = -1;
  return space;
}

int firstlinelen(const char* file) {
  FILE* stream = std::fopen(convertFileName(file).c_str(), "r");
  if (stream == nullptr) {
    Alert("firstlinelen", 0, 120206, "Cannot open %s", file);
    return -1;
  }
  int count = 0;
  for (int c; (c = std::fgetc(stream)) != EOF;) {
    ++count;
    if (c == '\n') break;
  }
  std::fclose(stream);
  return count;
}

int moveOldFile(const char* name) {
  int kind = checkDir(name);
  if (kind != 1) return kind;
  std::string target;
  for (int k = 0;; ++k) {
    target = std::string(name) + "_" + std::to_string(k);
    if (checkDir(target.c_str()) == -1) break;
  }
  PrintStdout("mv \"%s\" \"%s\"\n", name, target.c_str());
  if (state().systemParameter == 2) return 0;
  return moveFile(name, target.c_str());
}

int FullCopy(const char* source, const char* target) {
  if (checkDir(source) != 1) return -1;
  CreateFile(target);
  std::string from = convertFileName(source);
  std::string to = convertFileName(target);
  int input = open(from.c_str(), O_RDONLY);
  if (input < 0) return -1;
  struct stat info;
  fstat(input, &info);
  // Write beside the target and rename it into place, so no reader sees half a copy.
  std::string temporary = to + ".copyXXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  int output = mkstemp(name.data());
  if (output < 0) {
    close(input);
    return -1;
  }
  bool copied = copyContents(input, output);
  fchmod(output, info.st_mode & 07777);
  struct timespec times[2] = {info.st_atim, info.st_mtim};
  futimens(output, times);
  close(input);
  if (close(output) != 0) copied = false;
  if (!copied || rename(name.data(), to.c_str()) != 0) {
    unlink(name.data());
    return -1;
  }
  return 0;
}

int moveFile(const char* source, const char* target) {
  std::string from = convertFileName(source);
  std::string to = convertFileName(target);
  if (rename(from.c_str(), to.c_str()) == 0) return 0;
  if (errno != EXDEV) return -1;
  if (FullCopy(source, target) != 0) return -1;
  return unlink(from.c_str()) == 0 ? 0 : -1;
}

int removeFile(const char* path) {
  if (unlink(convertFileName(path).c_str()) == 0 || errno == ENOENT) return 0;
  return -1;
}

int getUid(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<int>(info.st_uid) : 0;
}
int getGid(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<int>(info.st_gid) : 0;
}
long long fsize(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<long long>(info.st_size) : -1;
}
int getReadPerm(const char* path) {
  struct stat info;
  if (!statPath(path, info)) return -1;
  return (info.st_mode & S_IRUSR) != 0 ? 1 : 0;
}
int getWritePerm(const char* path) {
  struct stat info;
  if (!statPath(path, info)) return -1;
  return (info.st_mode & S_IWUSR) != 0 ? 2 : 0;
}
int getExecPerm(const char* path) {
  struct stat info;
  if (!statPath(path, info)) return -1;
  return (info.st_mode & S_IXUSR) != 0 ? 1 : 0;
}
unsigned getMode(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<unsigned>(info.st_mode) : 0U;
}
long long modtime(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<long long>(info.st_mtime) : 0;
}
long long acctime(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<long long>(info.st_atime) : 0;
}
long long createtime(const char* path) {
  struct stat info;
  return statPath(path, info) ? static_cast<long long>(info.st_ctime) : 0;
}
int checkSocket(const char* path) {
  struct stat info;
  if (!statPath(path, info)) return -1;
  return S_ISSOCK(info.st_mode) ? 0 : 1;
}

void dirwalk(const char* directory, void (*visit)(const char* path)) {
  DIR* folder = opendir(convertFileName(directory).c_str());
  if (folder == nullptr) {
    printErrorMessage("dirwalk: cannot open %s\n", directory);
    return;
  }
  std::string prefix(directory);
  bool endsInSlash = !prefix.empty() && prefix.back() == '/';
  while (struct dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::string path = prefix + (endsInSlash ? "" : "/") + entry->d_name;
    if (path.size() >= 1023) {
      printErrorMessage("dirwalk: name %s/%s too long\n", directory, entry->d_name);
      continue;
    }
    visit(path.c_str());
  }
  closedir(folder);
}

// Shell commands.

int System(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string command = vformatText(format, args);
  va_end(args);
  int mode = state().systemParameter;
  if (mode == 1 || mode == 2) PrintStdout("%s\n", command.c_str());
  if (mode != 0 && mode != 1) return 0;
  sinkFlush();
  return std::system(command.c_str());
}

void setSystemParameter(int value) { state().systemParameter = value; }
int getSystemParameter() { return state().systemParameter; }
void setSystemTrace(int value) { state().systemTrace = value; }
int getSystemTrace() { return state().systemTrace; }

std::string processCommandString(const char* command, const char* file, int extensionPosition) {
  std::string fullPath = getFullPath(file, nullptr);
  std::string folder = fullPath;
  stripToPath(folder);
  if (folder.back() != '/') folder += '/';
  std::string name(file);
  std::string cut = extensionPosition >= 0 && static_cast<std::size_t>(extensionPosition) <= name.size()
                        ? name.substr(0, static_cast<std::size_t>(extensionPosition))
                        : name;
  std::string after = extensionPosition >= 0 && static_cast<std::size_t>(extensionPosition) < name.size()
                          ? name.substr(static_cast<std::size_t>(extensionPosition) + 1)
                          : std::string();
  std::string root = cut.substr(cut.rfind('/') == std::string::npos ? 0 : cut.rfind('/') + 1);
  std::string result;
  for (const char* p = command; *p != '\0'; ++p) {
    if (*p == '$' && p[1] != '\0') {
      char key = p[1];
      if (key == 'p') {
        result += fullPath;
      } else if (key == 'f') {
        result += name;
      } else if (key == 'd') {
        result += folder;
      } else if (extensionPosition >= 0 && key == 't') {
        result += cut;
      } else if (extensionPosition >= 0 && key == 'e') {
        result += after;
      } else if (extensionPosition >= 0 && key == 'r') {
        result += root;
      } else {
        result += *p;
        continue;
      }
      ++p;
      continue;
    }
    result += *p;
  }
  return result;
}

std::string ExecuteSilent(const char* command, int flag) {
  if (flag != 0) {
    System("%s", command);
    return std::string();
  }
  sinkFlush();
  FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return std::string();
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\n') break;
    if (line.size() < 1019) line += static_cast<char>(c);
  }
  pclose(pipe);
  return line;
}

void printenv(const char* name) {
  const char* value = std::getenv(name);
  if (value != nullptr) {
    PrintStdout("Variable: %s; Value: %s\n", name, value);
  } else {
    PrintStdout("Variable %s not defined\n", name);
  }
}

const char* getArch() { return ""; }

// Terminal input.

namespace {

// At a terminal, waits until a line can be read; false when a Ctrl-C came first. SIGINT is
// blocked while the request is checked and ppoll unblocks it atomically, so a Ctrl-C that
// lands just before the wait is not lost. A terminal in canonical mode hands over whole
// lines, so the stream's buffer is empty when a new line starts and the wait is exact.
bool waitForTerminalLine() {
  if (isatty(STDIN_FILENO) == 0) return true;
  sigset_t interrupt;
  sigset_t previous;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  if (sigprocmask(SIG_BLOCK, &interrupt, &previous) != 0) return interruptRequested() == 0;
  bool readable = interruptRequested() == 0;
  if (readable) {
    struct pollfd input {STDIN_FILENO, POLLIN, 0};
    while (ppoll(&input, 1, nullptr, &previous) < 0) {
      if (errno != EINTR || interruptRequested() != 0) {
        readable = errno != EINTR;
        break;
      }
    }
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return readable;
}

}  // namespace

int getstring(std::string& line, int limit) {
  line.clear();
  std::size_t maximum = limit > 2 ? static_cast<std::size_t>(limit - 2) : 0;
  bool any = false;
  bool tooLong = false;
  sinkFlush();
  {
    InterruptibleRead interruptible;
    if (!waitForTerminalLine()) {
      line.clear();
      return kReadInterrupted;
    }
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
      any = true;
      if (c == '\n') break;
      if (line.size() < maximum) {
        line += static_cast<char>(c);
      } else {
        tooLong = true;
      }
    }
  }
  if (std::ferror(stdin) && interruptRequested() != 0) {
    std::clearerr(stdin);
    line.clear();
    return kReadInterrupted;
  }
  if (!any) return 0;
  if (tooLong) {
    line.clear();
    Alert("getstring", 0, 100301, "Input line longer than %d characters refused",
          static_cast<int>(maximum));
    return -1;
  }
  return 1;
}

// Day and hour.

int getWeekDay() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_wday;
}

int getHour() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_hour;
}

int isWorkingPeriod(int weekDay, int hour) {
  return weekDay != 0 && weekDay != 6 && hour >= 9 && hour <= 18 ? 1 : 0;
}

int WeekDayCheck() { return isWorkingPeriod(getWeekDay(), getHour()); }

// Host and start.

std::string getCurrentHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0 || name[0] == '\0') return "unknown";
  std::string host(name);
  if (host.size() > 80) host.resize(80);
  return host;
}

void StartupMessage(int argc, char** argv) {
  if (state().displayStartupMessage == 0 || argc < 1) return;
  std::string text = std::string(getProgName()) + " started";
  if (argc == 1) {
    text += "\n";
  } else if (argc == 2) {
    text += formatText(" with parameter %s\n", argv[1]);
  } else {
    text += " with parameters: \n";
    for (int i = 2; i < argc; ++i) text += std::string(argv[i]) + "\n";
  }
  std::string path = homeFolder() + "/Startup.info";
  FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) return;
  std::fputs(text.c_str(), file);
  std::fclose(file);
}

bool writeAllToDescriptor(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

// The folder and the name of a path ("." for a name without '/').
std::pair<std::string, std::string> splitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string("."), path};
  return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

bool processEnded(long long process) {
  return process > 0 && process <= 0x7fffffffLL && kill(static_cast<pid_t>(process), 0) != 0 &&
         errno == ESRCH;
}

// Reads the digits at name[at...]; the number, or -1 without digits (or too many).
long long digitsAt(const std::string& name, std::size_t& at) {
  const std::size_t first = at;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9') ++at;
  if (at == first || at - first > 9) return -1;
  return std::atoll(name.substr(first, at - first).c_str());
}

// Whether a folder entry is a temporary of file base (any file of the folder when base is
// empty) left by an ended process of this host. Temporaries are named
// <base>.tmp-<process>-<host>-XXXXXX; the older form <base>.tmp.<process> (no host) is
// recognised for a named base only, since a name of that shape may be the user's own.
bool staleTemporary(const std::string& entry, const std::string& base,
                    const std::string& hostPart) {
  std::size_t at = 0;
  if (!base.empty()) {
    if (entry.compare(0, base.size(), base) != 0) return false;
    at = base.size();
    if (entry.compare(at, 5, ".tmp.") == 0) {
      at += 5;
      const long long process = digitsAt(entry, at);
      return at == entry.size() && processEnded(process);
    }
    if (entry.compare(at, 5, ".tmp-") != 0) return false;
    at += 5;
  } else {
    const std::size_t marker = entry.rfind(".tmp-");
    if (marker == std::string::npos || marker == 0) return false;
    at = marker + 5;
  }
  const long long process = digitsAt(entry, at);
  if (process < 0 || entry.compare(at, hostPart.size(), hostPart) != 0) return false;
  if (entry.size() != at + hostPart.size() + 6) return false;
  return processEnded(process);
}

void removeStaleEntries(const std::string& folder, const std::string& base) {
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) return;
  const std::string hostPart = "-" + getCurrentHostName() + "-";
  std::vector<std::string> stale;
  while (dirent* entry = readdir(directory)) {
    if (staleTemporary(entry->d_name, base, hostPart))
      stale.push_back(folder + "/" + entry->d_name);
  }
  closedir(directory);
  for (const std::string& file : stale) unlink(file.c_str());
}

bool lockWholeFile(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  while (fcntl(fd, F_SETLKW, &lock) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

void removeStaleTemporaries(const std::string& path) {
  const auto [folder, base] = splitPath(path);
  if (!base.empty()) removeStaleEntries(folder, base);
}

bool writeFileAtomically(const std::string& path, const std::string& text, bool sync) {
  const std::string folder = splitPath(path).first;
  if (state().sweptFolders.insert(folder).second) removeStaleEntries(folder, std::string());
  // The temporary's name holds the process and the host, so that a later run can tell one
  // left by an ended process from one a running process is still writing.
  std::string temporary = path + ".tmp-" + std::to_string(static_cast<long long>(getpid())) + "-" +
                          getCurrentHostName() + "-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0644) == 0 && writeAllToDescriptor(fd, text);
  if (ok && sync && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

LockedFile::LockedFile(const std::string& path, Access access) {
  int flags = O_RDONLY;
  if (access == Access::Write) flags = O_RDWR;
  if (access == Access::Create) flags = O_RDWR | O_CREAT;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  if (!lockWholeFile(fd, access == Access::Read ? F_RDLCK : F_WRLCK)) {
    error_ = errno;
    ::close(fd);
    return;
  }
  fd_ = fd;
}

LockedFile::~LockedFile() {
  if (fd_ < 0) return;
  lockWholeFile(fd_, F_UNLCK);
  ::close(fd_);
}

long long LockedFile::size() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

bool LockedFile::readFrom(std::size_t offset, std::string& text) const {
  text.clear();
  if (fd_ < 0) return false;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::pread(fd_, chunk, sizeof chunk, static_cast<off_t>(offset + text.size()));
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
}

bool LockedFile::writeAt(std::size_t offset, const std::string& text) const {
  if (fd_ < 0) return false;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::pwrite(fd_, text.data() + written, text.size() - written,
                               static_cast<off_t>(offset + written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

bool LockedFile::truncate(std::size_t length) const {
  return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

bool LockedFile::sync() const {
  return fd_ >= 0 && ::fsync(fd_) == 0;
}

bool appendToSharedFile(const std::string& path, const std::string& text) {
  LockedFile file(path, LockedFile::Access::Create);
  const long long end = file.size();
  return end >= 0 && file.writeAt(static_cast<std::size_t>(end), text);
}

// --- Random numbers ---

double dRandom() {
  SystemState& s = state();
  if (!s.randomSeeded) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    int first = std::rand();
    std::srand(static_cast<unsigned>(first % 2147483647));
    s.randomSeeded = 1;
  }
  return std::rand() / 2147483647.0;
}

void seedRandom(unsigned seed) {
  std::srand(seed);
  state().randomSeeded = 1;
}

int randomNumber(int n) {
  int value = static_cast<int>(std::trunc(dRandom() * n));
  if (value == n || value < 0) return 0;
  return value;
}

void resetSystemUtility() {
  SystemState& s = state();
  s.randomSeeded = 0;
  s.exitRoutine = stdexit;
  s.systemParameter = 0;
  s.systemTrace = 0;
  s.displayStartupMessage = 1;
  s.homeReported = false;
  s.sweptFolders.clear();
  if (s.clockSource != standardClock) setClockSource(nullptr);
}
