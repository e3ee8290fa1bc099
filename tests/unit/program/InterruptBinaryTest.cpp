// Long searches of the real zoq binary at a terminal (a pseudo-terminal): each shows its
// progress line, Ctrl-C stops it at once and the session goes on.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "InterruptBinaryScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

TEST(ZoqLongSearches, CtrlCStopsTheRandomFilterSearchAndTheNimrepSearch) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(interrupt_scripts::stopARandomFilterSearch(zoq));
  ASSERT_NO_FATAL_FAILURE(interrupt_scripts::stopANimrepSearch(zoq));
  quitAndExpectSuccess(zoq);
}

// The processes whose parent is `parent`, from /proc.
std::vector<long> childrenOf(pid_t parent) {
  std::vector<long> children;
  DIR* folder = opendir("/proc");
  if (folder == nullptr) return children;
  while (const dirent* entry = readdir(folder)) {
    const long pid = std::atol(entry->d_name);
    if (pid <= 0) continue;
    std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
    std::string line;
    std::getline(stat, line);
    // pid (name) state ppid ...: the name may hold spaces, so read after its ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long ppid = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == parent) {
      children.push_back(pid);
    }
  }
  closedir(folder);
  return children;
}

// "count orientifolds" with three workers: Ctrl-C ends the command and every worker (none
// left running or unreaped), prints no total, and the session goes on.
TEST(ZoqLongSearches, CtrlCStopsCountOrientifoldsAndEveryWorker) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("set fusion threads 3\n");
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  const std::size_t from = zoq.output().size();
  zoq.type("count orientifolds\n");
  ASSERT_TRUE(zoq.waitUntil([&zoq] { return childrenOf(zoq.pid()).size() >= 3; })) << zoq.output();
  ASSERT_EQ(childrenOf(zoq.pid()).size(), 3u) << zoq.output();
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output();  // the first products take far longer
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_TRUE(childrenOf(zoq.pid()).empty());
  EXPECT_EQ(zoq.output().find("Total number of orientifolds", from), std::string::npos) << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
