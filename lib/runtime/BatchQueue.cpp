// The batch-job queue (see BatchQueue.h for the protocol).
//
// Paths: the launch folder is the input path up to its last '/' (the current folder when
// it has none); a job started by the queue finds its file already in
// launch/Running/<host> and takes the launch folder from there. The extension is taken
// from the file name, never from a folder name.
#include "runtime/BatchQueue.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/Allocation.h"
#include "runtime/FileLock.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

constexpr int kMaxLockAttempts = 100;
constexpr int kStaleLockWaits = 100;
constexpr int kMaxLaunchAttempts = 100;
constexpr std::size_t kHostNameLength = 23;
constexpr std::size_t kProgramNameLimit = 24;

void realSleep(int seconds) { ::sleep(static_cast<unsigned>(seconds)); }
int forkAndExec(const char* command, const char* launchFile, const char* stdoutPath, const char* stderrPath);

struct BatchQueueState {
  std::string inputFilename;
  bool firstCallDone = false;
  int autoLaunchInit = 0;
  int autoLaunch = 0;
  bool startedByQueue = false;  // the file was already in Running/<host>
  std::string host;             // cut to 23 characters and at the first '.'
  std::string directory;
  std::string inputFile;
  std::string extension;
  std::string running;
  std::string finished;
  std::string failed;
  std::string lock;
  int repeatJob = 0;
  int errorCode = 0;
  void (*sleepFunction)(int) = realSleep;
  JobStarter starter = forkAndExec;
};

BatchQueueState& state() {
  static BatchQueueState s;
  return s;
}

bool contains(const std::string& text, const char* piece) { return text.find(piece) != std::string::npos; }

std::string baseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The text after the last '.' of the file name; false when the name has none.
bool fileExtension(const std::string& path, std::string& extension) {
  std::string name = baseName(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  extension = name.substr(dot + 1);
  return true;
}

bool isLaunchFile(const std::string& path) {
  std::string extension;
  return checkDir(path.c_str()) == 1 && fileExtension(path, extension) && extension == state().extension &&
         !contains(path, "launch_start");
}

std::vector<std::string>& collected() {
  static std::vector<std::string> files;
  return files;
}

void collectLaunchFile(const char* path) {
  if (isLaunchFile(path)) collected().push_back(path);
}

// The launch files in the order the folder lists them.
std::vector<std::string> launchFiles() {
  collected().clear();
  dirwalk(state().directory.c_str(), collectLaunchFile);
  std::vector<std::string> files;
  files.swap(collected());
  return files;
}

int countLaunchFiles() { return static_cast<int>(launchFiles().size()); }

// --- The lock --------------------------------------------------------------------------------

enum class LockOwner { None, Self, LocalAlive, LocalDead, Other };

LockOwner lockOwner() {
  LockFileContent content = readLockFile(state().lock);
  if (content.kind == LockFileContent::Kind::Missing) return LockOwner::None;
  if (content.kind != LockFileContent::Kind::Token || content.host != getCurrentHostName()) return LockOwner::Other;
  if (content.pid == static_cast<long>(getpid())) return LockOwner::Self;
  return localOwnerAlive(content) == 1 ? LockOwner::LocalAlive : LockOwner::LocalDead;
}

// The shared exclusive-create routine: the token goes in whole, or the lock is not taken.
bool createLock() { return createExclusiveFile(state().lock, makeLockToken()) == LockClaim::Taken; }

void releaseLock() {
  if (!state().lock.empty() && lockOwner() == LockOwner::Self) unlink(state().lock.c_str());
}

void removeStaleLock() {
  printErrorMessage("Stale lock suspected; removing\n");
  unlink(state().lock.c_str());
}

// --- Starting a job --------------------------------------------------------------------------

// The child: lowered priority, its own session, no terminal input, output appended to the
// two files; exec failures are reported through the pipe. Only async-signal-safe calls.
[[noreturn]] void runChild(int reportFd, char* const* argv, const char* stdoutPath, const char* stderrPath) {
  setsid();
  (void)nice(19);
  int in = open("/dev/null", O_RDONLY);
  int out = open(stdoutPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
  int err = open(stderrPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in >= 0 && out >= 0 && err >= 0 && dup2(in, 0) >= 0 && dup2(out, 1) >= 0 && dup2(err, 2) >= 0) {
    execv(argv[0], argv);
  }
  int failure = errno;
  (void)!write(reportFd, &failure, sizeof(failure));
  _exit(127);
}

int forkAndExec(const char* command, const char* launchFile, const char* stdoutPath, const char* stderrPath) {
  std::string commandCopy(command);
  std::string fileCopy(launchFile);
  char* argv[] = {commandCopy.data(), fileCopy.data(), nullptr};
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  sinkFlush();
  pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return -1;
  }
  if (child == 0) runChild(report[1], argv, stdoutPath, stderrPath);
  close(report[1]);
  int failure = 0;
  ssize_t got = 0;
  do {
    got = read(report[0], &failure, sizeof(failure));
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof(failure))) {
    waitpid(child, nullptr, 0);
    errno = failure;
    return -1;
  }
  return 0;
}

// The program named by the first line of a launch file; "" when there is none.
std::string getLaunchCommand(const std::string& path) {
  if (checkDir(path.c_str()) == -1) {
    printErrorMessage("File %s has vanished\n", path.c_str());
    return "";
  }
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    printErrorMessage("Unable to read launch file %s\n", path.c_str());
    return "";
  }
  std::string line;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line += static_cast<char>(c);
  std::fclose(file);
  if (line.compare(0, 3, "#! ") != 0) {
    printErrorMessage("First line of file %s does not start with \"#! \", as required\n", path.c_str());
    QuitAndMoveInput("Invalid launch file encountered", 1);
  }
  std::string target;
  for (std::size_t i = 3; i < line.size(); ++i) {
    if (line[i] != ' ' && line[i] != '\r' && line[i] != '\t') target += line[i];
  }
  int kind = checkDir(target.c_str());
  if (kind == 1) {
    PrintStdout("Assuming %s is an executable file\n", target.c_str());
    return target;
  }
  if (kind == -1) {
    printErrorMessage("File or directory %s does not exist\n", target.c_str());
    return "";
  }
  PrintStdout("Scanning directory %s\n", target.c_str());
  DIR* folder = opendir(target.c_str());
  if (folder == nullptr) {
    printErrorMessage("Couldn't open the directory %s\n", target.c_str());
    return "";
  }
  std::string choice = "Null";
  std::string best;
  long long bestNumber = -1;
  while (struct dirent* entry = readdir(folder)) {
    std::string name(entry->d_name);
    if (name.size() >= kProgramNameLimit) continue;
    if (!contains(name, getProgName()) && !contains(name, getLowerCaseProgName())) continue;
    choice = name;
    std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos || underscore + 1 >= name.size()) continue;
    std::string digits = name.substr(underscore + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 15) continue;
    long long number = std::stoll(digits);
    if (number > bestNumber) {
      bestNumber = number;
      best = name;
    }
  }
  closedir(folder);
  if (bestNumber >= 0) choice = best;
  std::string command = target + "/" + choice;
  PrintStdout("Executing command %s\n", command.c_str());
  return command;
}

// Moves the launch file into this host's Running folder and starts it; never returns when it
// was started. Returns when the file vanished before it could be taken.
void LaunchNextJob(const std::string& path) {
  BatchQueueState& s = state();
  std::string fullHost = getCurrentHostName();
  if (checkDir(path.c_str()) != 1) {
    printErrorMessage("File %s has vanished\n", path.c_str());
    return;
  }
  std::string extension;
  if (!fileExtension(path, extension) || extension != s.extension || contains(path, "launch_start")) {
    QuitAndMoveInput(formatText("Invalid launch file, %s", path.c_str()).c_str(), s.errorCode);
  }
  PrintStdout("Launching %s\n", path.c_str());
  std::string command = getLaunchCommand(path);
  if (command.empty() || contains(command, "Null")) QuitAndMoveInput("No valid job string found", s.errorCode);

  std::string name = baseName(path);
  std::string project = name.substr(0, name.find('.'));
  std::string taken = s.running + "/" + name;
  if (moveFile(path.c_str(), taken.c_str()) != 0) {
    printErrorMessage("File %s has vanished\n", path.c_str());
    return;
  }
  std::string stdoutPath = s.directory + "/Output/" + project + "_" + fullHost + ".stdout";
  std::string stderrPath = s.directory + "/Errors/" + project + "_" + fullHost + ".stderr";
  if (s.starter(command.c_str(), taken.c_str(), stdoutPath.c_str(), stderrPath.c_str()) != 0) {
    printErrorMessage("Could not start %s: %s\n", command.c_str(), std::strerror(errno));
    moveFile(taken.c_str(), path.c_str());
    QuitAndMoveInput("No valid job string found", s.errorCode);
  }
  QuitAndMoveInput(formatText("Succesful launch of %s", path.c_str()).c_str(), s.errorCode);
}

void getRandomLaunchFilename(int code) {
  std::vector<std::string> files = launchFiles();
  if (!files.empty()) {
    int number = randomNumber(static_cast<int>(files.size()));
    if (number < 0 || number >= static_cast<int>(files.size())) number = 0;
    LaunchNextJob(files[static_cast<std::size_t>(number)]);
    printErrorMessage("failure in routine getLaunchFileByNumber; LaunchFileNumber=%d\n", -1);
  }
  if (countLaunchFiles() == 0) QuitAndMoveInput("No more launch files available after launch attempt", code);
}

}  // namespace

// --- Joining the queue -----------------------------------------------------------------------

void registerInputFilename(const char* path) { state().inputFilename = path != nullptr ? path : ""; }
const char* getInputFilename() { return state().inputFilename.c_str(); }

void setAutoLaunch() {
  BatchQueueState& s = state();
  if (s.firstCallDone) {
    printErrorMessage("Multiple calls to autolaunch not allowed\n");
    return;
  }
  s.firstCallDone = true;
  if (s.inputFilename.empty()) return;
  std::string input = s.inputFilename;
  PrintStdout("Auto launch directory %s\n", input.c_str());
  std::size_t slash = input.rfind('/');
  if (slash == std::string::npos) {
    s.directory = getCurrentDirectory();
    s.inputFile = s.directory + "/" + input;
  } else {
    s.directory = input.substr(0, slash);
    s.inputFile = input;
  }
  // A job started by the queue runs its file from launch/Running/<host> already.
  std::string runningSuffix = "Running/" + s.host;
  if (s.directory == runningSuffix) {
    s.directory = ".";
    s.startedByQueue = true;
  } else if (s.directory.size() > runningSuffix.size() &&
             s.directory.compare(s.directory.size() - runningSuffix.size(), runningSuffix.size(), runningSuffix) == 0 &&
             s.directory[s.directory.size() - runningSuffix.size() - 1] == '/') {
    s.directory.resize(s.directory.size() - runningSuffix.size() - 1);
    if (s.directory.empty()) s.directory = "/";
    s.startedByQueue = true;
  }
  if (!fileExtension(s.inputFile, s.extension)) {
    printErrorMessage("Autolaunch requires a filename extension\n");
    return;
  }
  s.autoLaunchInit = 1;
}

int COM_autolaunch(char**, int n) {
  BatchQueueState& s = state();
  std::string host = getCurrentHostName();
  if (host.size() > kHostNameLength) host.resize(kHostNameLength);
  host = host.substr(0, host.find('.'));
  if (!s.firstCallDone) s.host = host;
  setAutoLaunch();
  if (s.autoLaunchInit == 0) {
    printErrorMessage("Auto launch only works from an inputfile\n");
    return 1;
  }
  if (s.autoLaunch == 1) return -n;
  s.autoLaunch = 1;
  std::string base = s.directory == "/" ? "" : s.directory;
  s.running = base + "/Running/" + s.host;
  s.failed = base + "/Failed";
  s.finished = base + "/Finished";
  s.lock = base + "/LOCK";
  CreateDir(s.running.c_str());
  CreateDir(s.failed.c_str());
  if (!contains(s.inputFile, "launch_start")) {
    if (!s.startedByQueue) {
      std::string target = s.running + "/" + baseName(s.inputFile);
      if (moveFile(s.inputFile.c_str(), target.c_str()) == 0) {
        s.inputFile = target;
      } else {
        printErrorMessage("Could not move %s to %s: %s\n", s.inputFile.c_str(), s.running.c_str(), std::strerror(errno));
      }
    }
    PrintStdout("New input: %s\n", s.inputFile.c_str());
  }
  createDir(s.finished.c_str());
  createDir((base + "/Output").c_str());
  createDir((base + "/Errors").c_str());
  return -n;
}

int getAutoLaunch() { return state().autoLaunch; }
void resetAutoLaunch() { state().autoLaunch = 0; }
void setRepeatJob(int flag) { state().repeatJob = flag; }

int getLaunchFileCount() { return state().autoLaunchInit != 0 ? countLaunchFiles() : 0; }

// --- Starting the next job -------------------------------------------------------------------

void startAutoLaunch(int code) {
  BatchQueueState& s = state();
  if (s.autoLaunch != 1) return;
  s.errorCode = code;
  if (countLaunchFiles() == 0) QuitAndMoveInput("No more launch files available", code);
  int waits = 0;
  for (int attempt = 1;; ++attempt) {
    bool obtained = false;
    for (;;) {
      LockOwner owner = lockOwner();
      if (owner == LockOwner::None) break;
      if (owner == LockOwner::Self) {
        obtained = true;
        break;
      }
      if (owner == LockOwner::LocalDead) {
        removeStaleLock();
        break;
      }
      s.sleepFunction(1);
      if (++waits == kStaleLockWaits) removeStaleLock();
    }
    if (!obtained) obtained = createLock();
    if (obtained) {
      if (countLaunchFiles() == 0) QuitAndMoveInput("No more launch files available at launch time", code);
      for (int tries = 0; tries < kMaxLaunchAttempts && countLaunchFiles() > 0; ++tries) getRandomLaunchFilename(code);
      if (countLaunchFiles() > 0) QuitAndMoveInput("Too many autolaunch attempts", code);
      QuitAndMoveInput("No more launch files available (after unsuccessful launch)", code);
    }
    if (attempt >= kMaxLockAttempts) QuitAndMoveInput("Too many attempts at getting a launch folder lock", code);
    printErrorMessage("Could not get a lock on launch folder; retrying (count = %d)\n", attempt);
    if (countLaunchFiles() == 0) QuitAndMoveInput("No more launch files available", code);
  }
}

// --- Ending a job ----------------------------------------------------------------------------

void QuitAndMoveInput(const char* message, int status) {
  BatchQueueState& s = state();
  if (s.autoLaunch == 1) {
    releaseLock();
    if (!contains(s.inputFile, "launch_start")) {
      std::string destination = s.finished;
      if (status >= 1) {
        destination = s.failed;
      } else if (s.repeatJob != 0) {
        Print("This job is re-scheduled\n");
        destination = s.directory;
      }
      std::string target = destination + "/" + baseName(s.inputFile);
      if (moveFile(s.inputFile.c_str(), target.c_str()) != 0) {
        printErrorMessage("Could not move %s to %s: %s\n", s.inputFile.c_str(), destination.c_str(), std::strerror(errno));
      }
    }
    Print("End of job %s; error code %d\n", s.inputFile.c_str(), status);
  }
  Print("%s\n", message);
  printStatisticBeforeQuit();
  terminateProgram(mapExitStatus(status));
}

void ExitAndMoveInput(const char* message, int status) {
  BatchQueueState& s = state();
  bool background = getBackground() != 0;
  if (s.autoLaunch == 1) {
    releaseLock();
    if (!contains(s.inputFile, "launch_start")) {
      std::string target = s.failed + "/" + baseName(s.inputFile);
      if (moveFile(s.inputFile.c_str(), target.c_str()) != 0) {
        printErrorMessage("Could not move %s to %s: %s\n", s.inputFile.c_str(), s.failed.c_str(), std::strerror(errno));
      }
      printErrorMessage("Job moved to directory %s\n", s.failed.c_str());
      PrintStdout("Job moved to directory %s\n", s.failed.c_str());
    }
    PrintStdout("End of job %s\n", s.inputFile.c_str());
    if (background) printErrorMessage("End of job %s\n", s.inputFile.c_str());
  }
  if (background) {
    printErrorMessage("%s\n", message);
  } else {
    PrintStdout("%s\n", message);
  }
  sinkFlush();
  printStatisticBeforeQuit();
  terminateProgram(mapExitStatus(status));
}

void QuitWithErrorMessage(const char* message) {
  PrintStdout("%s\n", message);
  if (getBackground() != 0) printErrorMessage("%s\n", message);
  sinkFlush();
  if (state().autoLaunch == 1) {
    PrintStdout("attempting autolaunch\n");
    startAutoLaunch(1);
  }
  printStatisticBeforeQuit();
  terminateProgram(1);
}

void setBatchQueueSleep(void (*sleepFunction)(int)) { state().sleepFunction = sleepFunction != nullptr ? sleepFunction : realSleep; }
void setJobStarter(JobStarter starter) { state().starter = starter != nullptr ? starter : forkAndExec; }

void resetBatchQueue() { state() = BatchQueueState(); }
