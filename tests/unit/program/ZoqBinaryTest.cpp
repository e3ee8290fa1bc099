// The real zoq binary as a user starts it: at a terminal (a pseudo-terminal), where
// progress lines show without "-p" and Ctrl-C stops a command but not the session; and
// without a usable home folder, where nothing may be created.
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/zoq-binary-XXXXXX";
    if (mkdtemp(name) != nullptr) path_ = name;
  }
  ~ScratchFolder() {
    if (!path_.empty()) nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  }
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

// zoq run in a pseudo-terminal in the working folder given, with the environment given.
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
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>("zoq"));
      for (const std::string& word : arguments) argv.push_back(const_cast<char*>(word.c_str()));
      argv.push_back(nullptr);
      execv(ZOQ_BINARY, argv.data());
      _exit(127);
    }
  }
  ~TerminalSession() {
    if (child_ > 0 && !ended_) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (terminal_ >= 0) close(terminal_);
  }
  bool started() const { return child_ > 0; }

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
  // Everything read so far (for the report of a failed wait).
  const std::string& output() const { return seen_; }
  // Everything read after the last match, once the program has ended.
  std::string rest() {
    while (waitFor("\x01")) {
    }
    return seen_.substr(mark_);
  }
  // The wait status of the program.
  int finish() {
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

TEST(ZoqAtATerminal, ALongCheckShowsProgressAndCtrlCBringsThePromptBack) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  // 1891 primaries: S alone has 1788886 independent entries, far past the 2000 steps from
  // which a loop shows its progress, and there are 1128787066 fusion coefficients, a
  // check of many seconds even on all threads.
  zoq.type("algebra a 2 60\n");
  ASSERT_TRUE(zoq.waitFor("1891 primaries")) << zoq.output();
  zoq.type("check fusion\n");
  // Where the first second of work predicts more than a minute, the question comes first
  // (a terminal run asks it without "-p" too).
  int first = zoq.waitForOne({"Progress: ", "Continue?"});
  ASSERT_GE(first, 0) << zoq.output();
  if (first == 1) {
    zoq.type("yes\n");
    ASSERT_TRUE(zoq.waitFor("Progress: ")) << zoq.output();
  }
  zoq.pressControlC();
  // The terminal echoes "^C" at its own time, so the prompt may follow it on its line.
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_EQ(zoq.output().find("Cases checked"), std::string::npos)  // the check was cut short
      << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("evaluate 6*7\r\n")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
  zoq.type("quit\n");
  zoq.rest();
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ZoqAtATerminal, AStoppedCheckSaysItWasStoppedAndReturnsThePrompt) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("algebra a 2 60\n");
  ASSERT_TRUE(zoq.waitFor("1891 primaries")) << zoq.output();
  zoq.type("check fusion\n");
  int first = zoq.waitForOne({"Progress: ", "Continue?"});
  ASSERT_GE(first, 0) << zoq.output();
  if (first == 1) {
    zoq.type("yes\n");
    ASSERT_TRUE(zoq.waitFor("Progress: ")) << zoq.output();
  }
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("Checking fusion coefficients stopped; Total elapsed time")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_EQ(zoq.output().find("Process mismatch"), std::string::npos) << zoq.output();
  EXPECT_EQ(zoq.output().find("Checking fusion coefficients completed"), std::string::npos);
  zoq.type("quit\n");
  zoq.rest();
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ZoqAtATerminal, CtrlCAtThePromptDropsTheLineAndEndsALoop) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  // An open brace continues the line; Ctrl-C drops it, braces and all.
  zoq.type("print {dropped\n");
  ASSERT_TRUE(zoq.waitFor("... ")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("print kept\n");
  ASSERT_TRUE(zoq.waitFor("print kept\r\nkept\r\n> ")) << zoq.output();
  // An endless loop of the language ends the same way.
  zoq.type("print looping; while {TRUE} {execute 1}\n");
  ASSERT_TRUE(zoq.waitFor("\r\nlooping\r\n")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("quit\n");
  EXPECT_EQ(zoq.rest().find("dropped"), std::string::npos);
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ZoqAtATerminal, CtrlCEndsABackgroundRun) {
  ScratchFolder folder;
  {
    std::FILE* file = std::fopen((folder.path() + "/long.zoq").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("print started\nwhile {TRUE} {execute 1}\n", file);
    std::fclose(file);
  }
  TerminalSession zoq(folder.path(), folder.path(), {"-b", "long.zoq"});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("started")) << zoq.output();
  zoq.pressControlC();
  zoq.rest();
  int status = zoq.finish();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
}

// Runs zoq -i in the folder with HOME unset or set as given; returns its exit status.
int runWithHome(const std::string& folder, const char* home) {
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, 0);
    dup2(quiet, 1);
    dup2(quiet, 2);
    if (home == nullptr) {
      unsetenv("HOME");
    } else {
      setenv("HOME", home, 1);
    }
    execl(ZOQ_BINARY, "zoq", "-i", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool exists(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0;
}

TEST(ZoqWithoutAHome, NothingIsCreatedOutsideAnExistingHome) {
  ScratchFolder folder;
  // With HOME unset the folders once went to the root.
  bool rootDefaults = exists("/.Defaults");
  bool rootLogs = exists("/Logs");
  std::string missing = folder.path() + "/missing/x";
  EXPECT_EQ(runWithHome(folder.path(), missing.c_str()), 0);
  EXPECT_EQ(folder.entries(), std::vector<std::string>());
  EXPECT_EQ(runWithHome(folder.path(), nullptr), 0);
  EXPECT_EQ(folder.entries(), std::vector<std::string>());
  EXPECT_EQ(exists("/.Defaults"), rootDefaults);
  EXPECT_EQ(exists("/Logs"), rootLogs);
}

TEST(ZoqWithoutAHome, AnExistingHomeGetsItsPreferencesAndLogFolders) {
  ScratchFolder folder;
  EXPECT_EQ(runWithHome(folder.path(), folder.path().c_str()), 0);
  std::vector<std::string> made = folder.entries();
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{".Defaults", "Logs"}));
}

}  // namespace
