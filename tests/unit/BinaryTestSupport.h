// Shared helpers of the tests that drive the real zoq binary: a scratch folder removed
// with its contents, zoq with its output captured, zoq at a pseudo-terminal, reading a whole
// file and counting a text's occurrences.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace binary_test {

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

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

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
  // program's output ends first. The limit only guards against a hang.
  bool waitFor(const std::string& text) { return waitForOne({text}) == 0; }
  // The same for several texts: the index of the one that appears first, or -1.
  int waitForOne(const std::vector<std::string>& texts) {
    for (int rounds = 0; rounds < 1200; ++rounds) {
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
      struct pollfd ready {terminal_, POLLIN, 0};
      if (poll(&ready, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t got = read(terminal_, buffer, sizeof(buffer));
      if (got <= 0) return -1;
      seen_.append(buffer, static_cast<std::size_t>(got));
    }
    return -1;
  }
  // Reads what the program prints for about the given time, so that a running loop goes on
  // meanwhile (it would stop at a full terminal).
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
  zoq.letRun(1000);  // the loop runs on for a while: Ctrl-C comes in its middle
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

}  // namespace binary_test
