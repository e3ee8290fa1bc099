// Shared helpers of the tests that drive the real zoq binary: a scratch folder removed
// with its contents, zoq with its output captured, zoq at a pseudo-terminal, reading a whole
// file and counting a text's occurrences.
//
// Nothing here depends on the machine's speed or on other programs on it, so that the
// tests pass on a loaded machine as on an idle one:
//   - no wait has a limit in wall-clock time. A wait ends when what it waits for comes,
//     when the program ends, or when the program has stalled: no output and no processor
//     time used (by it and its child processes) for kStallSeconds, which is what a program
//     blocked on input it will never get does; a loaded machine slows a working program
//     down but never stops its clock of processor time;
//   - "let the loop run a while" is counted in the program's processor time (letWork),
//     not in wall-clock time, so the loop has done the same work whatever the load;
//   - every zoq started by these tests (by the helpers here or by a test's own fork and
//     exec) looks for its marker files (run control: "zoq_kill", "zoq_stop", "zoq_sleep",
//     "zoq_nice"; progress trace: "Zoq_trace", "Zoq_notrace") in a folder of this test
//     program (markerFolder), named to it through ZOQ_MARKER_FOLDER, never in the /tmp that
//     every program on the machine shares.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace binary_test {

// How long a program may stay without output and without using processor time before a
// wait gives up on it (a stall, not a slow machine: see the header).
inline constexpr int kStallSeconds = 60;

// The processor time, in milliseconds, used so far by a process and the processes below
// it: its own, its reaped children's, and that of the children still running (found in
// /proc, to any depth). -1 when the process has ended (gone, or a zombie not reaped yet).
inline long long processTreeMilliseconds(pid_t process) {
  static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  long long ticks = 0;
  bool found = false;
  std::vector<pid_t> todo{process};
  for (std::size_t next = 0; next < todo.size(); ++next) {
    std::ifstream stat("/proc/" + std::to_string(todo[next]) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (name) state ppid ... utime stime cutime cstime: the name may hold blanks.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    std::vector<std::string> values;
    while (fields >> field && values.size() < 15) values.push_back(field);
    if (values.size() < 15) continue;
    if (todo[next] == process) {
      if (values[0] == "Z" || values[0] == "X") return -1;
      found = true;
    }
    ticks += std::atoll(values[11].c_str()) + std::atoll(values[12].c_str()) + std::atoll(values[13].c_str()) +
             std::atoll(values[14].c_str());
    // Its children.
    DIR* proc = opendir("/proc");
    if (proc == nullptr) continue;
    while (const dirent* entry = readdir(proc)) {
      const long pid = std::atol(entry->d_name);
      if (pid <= 0) continue;
      std::ifstream childStat("/proc/" + std::string(entry->d_name) + "/stat");
      std::string childLine;
      std::getline(childStat, childLine);
      const std::size_t childClose = childLine.rfind(')');
      if (childClose == std::string::npos) continue;
      char state = 0;
      long parent = 0;
      if (std::sscanf(childLine.c_str() + childClose + 1, " %c %ld", &state, &parent) == 2 && parent == todo[next])
        todo.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
  }
  if (!found) return -1;
  return ticksPerSecond > 0 ? ticks * 1000 / ticksPerSecond : ticks * 10;
}

// Watches a running program for a stall: no output and no processor time for kStallSeconds.
class StallWatch {
 public:
  explicit StallWatch(pid_t process) : process_(process) { restart(); }
  // Something came from the program: it is alive.
  void restart() {
    last_ = std::chrono::steady_clock::now();
    milliseconds_ = processTreeMilliseconds(process_);
  }
  // True when the program has stalled (or is gone). Reads /proc at most once a second.
  bool stalled() {
    const auto now = std::chrono::steady_clock::now();
    if (now - checked_ < std::chrono::seconds(1)) return false;
    checked_ = now;
    const long long used = processTreeMilliseconds(process_);
    if (used < 0) return true;
    if (used != milliseconds_) {
      milliseconds_ = used;
      last_ = now;
      return false;
    }
    return now - last_ >= std::chrono::seconds(kStallSeconds);
  }

 private:
  pid_t process_;
  long long milliseconds_ = 0;
  std::chrono::steady_clock::time_point last_;
  std::chrono::steady_clock::time_point checked_{};
};

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

// The folder of the marker files of every zoq these tests start: made empty when the test
// program starts and named to its children through ZOQ_MARKER_FOLDER (an environment
// variable of this process, so that a test's own fork and exec passes it on too); removed
// at the end by the process that made it. A test that wants a marker makes it here.
class MarkerFolder {
 public:
  MarkerFolder() : owner_(getpid()) {
    char name[] = "/tmp/zoq-markers-XXXXXX";
    if (mkdtemp(name) != nullptr) {
      path_ = name;
      setenv("ZOQ_MARKER_FOLDER", path_.c_str(), 1);
    }
  }
  ~MarkerFolder() {
    if (!path_.empty() && getpid() == owner_) nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  }
  MarkerFolder(const MarkerFolder&) = delete;
  MarkerFolder& operator=(const MarkerFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  pid_t owner_;
  std::string path_;
};

// Made before main, so that it is in the environment before any test starts a program.
inline const MarkerFolder theMarkerFolder;
inline const std::string& markerFolder() { return theMarkerFolder.path(); }

// In a child about to become zoq: every signal's action the default and none blocked, as
// a shell with job control leaves them, whatever the test runner ignores or blocks (a
// background job of a shell without job control ignores SIGINT, for one).
inline void defaultSignalsInChild() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) std::signal(signal, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Starts zoq in the background on a command file (-b), in folder, with HOME home (unset
// when empty); standard output and standard error go to the file output, standard input is
// empty.
inline pid_t startZoq(const std::string& folder, const std::string& home, const std::string& commands,
                      const std::string& output) {
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (home.empty()) {
      unsetenv("HOME");
    } else {
      setenv("HOME", home.c_str(), 1);
    }
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    if (out < 0 || in < 0) _exit(126);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    dup2(in, STDIN_FILENO);
    defaultSignalsInChild();
    execl(ZOQ_BINARY, "zoq", "-b", commands.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

// The exit status of a started zoq (1000 when it did not exit).
inline int waitForExit(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}

// Waits until the file holds the text (true), or the program has ended or stalled first
// (false). For files the program writes at once (a log), not for its buffered output.
inline bool waitForFileText(pid_t child, const std::string& path, const std::string& text) {
  StallWatch watch(child);
  std::size_t size = 0;
  for (;;) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string seen = whole.str();
    if (seen.find(text) != std::string::npos) return true;
    if (seen.size() != size) {
      size = seen.size();
      watch.restart();
    }
    if (waitpid(child, nullptr, WNOHANG) != 0 || watch.stalled()) return false;
    usleep(20000);
  }
}

// Waits until the process has used the given processor time more than now (true), or
// has ended or stalled first (false).
inline bool waitForProcessorTime(pid_t child, long long milliseconds) {
  const long long start = processTreeMilliseconds(child);
  StallWatch watch(child);
  for (;;) {
    const long long used = processTreeMilliseconds(child);
    if (start < 0 || used < 0) return false;
    if (used - start >= milliseconds) return true;
    if (watch.stalled()) return false;
    usleep(2000);
  }
}

// A fresh folder /tmp/<prefix>-XXXXXX, removed with everything in it at the end of the test;
// its path is empty when it could not be made.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix = "zoq-binary") {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) path_ = name.data();
  }
  ~ScratchFolder() {
    if (!path_.empty()) nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // The names in the folder.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    if (DIR* directory = opendir(path_.c_str())) {
      while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(directory);
    }
    return names;
  }

 private:
  std::string path_;
};

// Replaces the (child) process by zoq with the arguments; status 127 when that fails.
[[noreturn]] inline void execZoq(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("zoq"));
  for (const std::string& word : arguments) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  defaultSignalsInChild();
  execv(ZOQ_BINARY, argv.data());
  _exit(127);
}

// What a run of zoq printed (standard output and standard error merged) and its exit
// status, -1 when it did not exit by itself.
struct CapturedRun {
  std::string output;
  int status = -1;
};

// Runs zoq with the arguments in the folder, which is also its HOME, standard input read
// from the file given (a path relative to the folder; /dev/null when empty). prepare runs
// in the child just before zoq starts (limits, environment).
inline CapturedRun runCaptured(const std::string& folder, const std::vector<std::string>& arguments,
                               const std::string& input = "", void (*prepare)() = nullptr) {
  CapturedRun result;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return result;
  pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    if (in < 0) _exit(126);
    dup2(in, 0);
    setenv("HOME", folder.c_str(), 1);
    if (prepare != nullptr) prepare();
    execZoq(arguments);
  }
  close(pipeEnds[1]);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(pipeEnds[0], buffer, sizeof(buffer))) > 0) result.output.append(buffer, static_cast<std::size_t>(got));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// zoq run at a pseudo-terminal of 120 columns, in the working folder given, with HOME and
// the arguments given.
class TerminalSession {
 public:
  TerminalSession(const std::string& folder, const std::string& home, const std::vector<std::string>& arguments) {
    struct winsize size {};
    size.ws_row = 50;
    size.ws_col = 120;
    child_ = forkpty(&terminal_, nullptr, nullptr, &size);
    if (child_ == 0) {
      if (chdir(folder.c_str()) != 0) _exit(126);
      setenv("HOME", home.c_str(), 1);
      execZoq(arguments);
    }
  }
  ~TerminalSession() {
    if (child_ > 0 && !ended_) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (terminal_ >= 0) close(terminal_);
  }
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  bool started() const { return child_ > 0; }
  pid_t pid() const { return child_; }

  void type(const std::string& text) { ASSERT_EQ(write(terminal_, text.data(), text.size()), ssize_t(text.size())); }
  // The terminal's interrupt character: the line discipline sends SIGINT, as for Ctrl-C.
  void pressControlC() { type("\x03"); }

  // Reads until the text appears after what waitFor matched last; false when the
  // program's output ends first, or the program stalls (StallWatch).
  bool waitFor(const std::string& text) { return waitForOne({text}) == 0; }
  // The same for several texts: the index of the one that appears first, or -1.
  int waitForOne(const std::vector<std::string>& texts) {
    StallWatch watch(child_);
    for (;;) {
      std::size_t first = std::string::npos;
      int found = -1;
      for (std::size_t i = 0; i < texts.size(); ++i) {
        std::size_t at = seen_.find(texts[i], mark_);
        if (at < first) {
          first = at;
          found = static_cast<int>(i);
        }
      }
      if (found >= 0) {
        mark_ = first + texts[static_cast<std::size_t>(found)].size();
        return found;
      }
      const int got = readSome(100);
      if (got < 0) return -1;
      if (got > 0) {
        watch.restart();
      } else if (watch.stalled()) {
        return -1;
      }
    }
  }
  // Reads what the program prints until the condition holds (true), or the program's
  // output ends or it stalls (false). The condition is tested at least every 100 ms.
  bool waitUntil(const std::function<bool()>& condition) {
    StallWatch watch(child_);
    for (;;) {
      if (condition()) return true;
      const int got = readSome(100);
      if (got < 0) return false;
      if (got > 0) {
        watch.restart();
      } else if (watch.stalled()) {
        return false;
      }
    }
  }
  // Reads what the program prints while it (with its child processes) uses the given
  // processor time: a running loop does that much work meanwhile, however loaded the
  // machine is. False when its output ends or it stalls first.
  bool letWork(int milliseconds) {
    const long long start = processTreeMilliseconds(child_);
    if (start < 0) return false;
    return waitUntil([this, start, milliseconds] {
      const long long used = processTreeMilliseconds(child_);
      return used < 0 || used - start >= milliseconds;
    });
  }
  // Reads what the program prints for about the given wall-clock time, so that a running
  // loop goes on meanwhile (it would stop at a full terminal). How far the loop gets in
  // that time depends on the machine and its load: letWork does not.
  void letRun(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      struct pollfd ready {terminal_, POLLIN, 0};
      if (poll(&ready, 1, 50) <= 0) continue;
      char buffer[4096];
      ssize_t got = read(terminal_, buffer, sizeof(buffer));
      if (got <= 0) return;
      seen_.append(buffer, static_cast<std::size_t>(got));
    }
  }
  // Everything read so far (for the report of a failed wait).
  const std::string& output() const { return seen_; }
  // Everything read after the last match, once the program has ended.
  std::string rest() {
    while (waitFor("\x01")) {
    }
    return seen_.substr(mark_);
  }
  // The wait status of the program, once its output has been read to the end (so that it
  // cannot block on a full terminal).
  int finish() {
    rest();
    int status = 0;
    waitpid(child_, &status, 0);
    ended_ = true;
    return status;
  }

 private:
  // Waits up to the given time for output and reads what came: the bytes read, 0 when
  // nothing came, -1 when the output has ended.
  int readSome(int milliseconds) {
    struct pollfd ready {terminal_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return 0;
    char buffer[4096];
    const ssize_t got = read(terminal_, buffer, sizeof(buffer));
    if (got <= 0) return -1;
    seen_.append(buffer, static_cast<std::size_t>(got));
    return static_cast<int>(got);
  }

  pid_t child_ = -1;
  int terminal_ = -1;
  bool ended_ = false;
  std::string seen_;
  std::size_t mark_ = 0;
};

// Types a long command, waits for its loop's progress line (`line`, shown at a terminal),
// presses Ctrl-C, and expects the line to say that the loop was stopped, the prompt to come
// back without `end` (a text the command prints only when it ends normally) and the next
// command to run.
inline void expectCtrlCStopsTheLoop(TerminalSession& zoq, const std::string& command,
                                    const std::string& line, const std::string& end) {
  const std::size_t from = zoq.output().size();
  zoq.type(command + "\n");
  ASSERT_TRUE(zoq.waitFor(line)) << zoq.output();
  // The loop does a second's work more: Ctrl-C comes in its middle, on any machine.
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor(line + " stopped; Total time")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_EQ(zoq.output().find(end, from), std::string::npos) << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
}

// Types "quit" and expects the session to end with status 0.
inline void quitAndExpectSuccess(TerminalSession& zoq) {
  zoq.type("quit\n");
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The whole contents of a file ("" when it cannot be read).
inline std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How often the needle occurs in the text (overlapping occurrences counted).
inline std::size_t occurrences(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

// Run in the child before zoq starts: about 1 GB of memory, so that work sized far beyond
// it shows whether it is refused up front. Under AddressSanitizer, whose shadow memory an
// address-space limit would cut, the sanitizer's own allocation and RSS limits serve.
inline void limitMemory() {
#if defined(__SANITIZE_ADDRESS__)
  std::string options = "max_allocation_size_mb=1024:allocator_may_return_null=0:hard_rss_limit_mb=1536";
  if (const char* inherited = std::getenv("ASAN_OPTIONS")) options = std::string(inherited) + ":" + options;
  setenv("ASAN_OPTIONS", options.c_str(), 1);
#else
  struct rlimit limit {};
  limit.rlim_cur = limit.rlim_max = (1ULL << 30) + (1ULL << 28);
  setrlimit(RLIMIT_AS, &limit);
#endif
}

// Runs the commands in a fresh folder (also HOME) under limitMemory, as "zoq -b run.zoq"
// (background) or piped into "zoq".
inline CapturedRun runUnderMemoryLimit(const std::string& commands, bool background) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/run.zoq") << commands;
  if (background) return runCaptured(folder.path(), {"-b", "run.zoq"}, "", limitMemory);
  return runCaptured(folder.path(), {}, "run.zoq", limitMemory);
}

// Nothing in a run's output marks a request too large for the limit of limitMemory or a
// crash.
inline void expectNoMemoryFault(const std::string& output) {
  for (const char* fault : {"Attempt to allocate", "Cannot allocate", "bad_alloc",
                            "AddressSanitizer", "terminate called", "Program exiting"})
    EXPECT_EQ(output.find(fault), std::string::npos) << fault << "\n" << output.substr(0, 20000);
}

// A session at a terminal on the first Gepner model ("build cy 1", 28,539 fields), its
// invariant 0 selected, at the prompt.
inline void startOnTheFirstGepnerModel(TerminalSession& zoq) {
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("build cy 1\n");
  ASSERT_TRUE(zoq.waitFor("28539 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("select invariant 0\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
}

}  // namespace binary_test
