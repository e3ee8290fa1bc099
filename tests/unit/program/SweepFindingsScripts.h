// Shared by the binary tests of the sweep's findings (SweepFindingsBinaryTest.cpp and
// SweepFindingsSlowTest.cpp): a command at a terminal that must answer Ctrl-C, and the
// state of processes read from /proc.
//
// "Answer Ctrl-C" is judged in processor time, never in wall-clock time: after Ctrl-C the
// prompt must come before the program (with its child processes) has used
// kAnswerMilliseconds more. A loop that does not look for Ctrl-C runs on for hours on the
// theories of these tests, so the bound only tells a loop that stops from one that does not.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace sweep_findings {

using binary_test::processTreeMilliseconds;
using binary_test::TerminalSession;

inline constexpr long long kAnswerMilliseconds = 5000;

// Fields of /proc/<pid>/stat after the name (state first); empty when the process is gone.
inline std::vector<std::string> statFields(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return {};
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream in(line.substr(close + 1));
  std::vector<std::string> fields;
  std::string field;
  while (in >> field) fields.push_back(field);
  return fields;
}

inline char processState(long pid) {
  const std::vector<std::string> fields = statFields(pid);
  return fields.empty() ? 'X' : fields[0][0];
}

// The processes whose parent is `parent` and that have not ended, from /proc.
inline std::vector<long> runningChildrenOf(pid_t parent) {
  std::vector<long> children;
  DIR* folder = opendir("/proc");
  if (folder == nullptr) return children;
  while (const dirent* entry = readdir(folder)) {
    const long pid = std::atol(entry->d_name);
    if (pid <= 0) continue;
    const std::vector<std::string> fields = statFields(pid);
    if (fields.size() > 1 && std::atol(fields[1].c_str()) == parent && fields[0] != "Z")
      children.push_back(pid);
  }
  closedir(folder);
  return children;
}

// Types the command (answering the question of an alert on the way in with `answer`, when
// given), lets it work a second of processor time (it is then deep in its loop), presses
// Ctrl-C and expects the prompt within the bound, then the next command.
inline void expectCtrlCAnswered(TerminalSession& zoq, const std::string& command,
                                const std::string& answer = "") {
  zoq.type(command + "\n");
  if (!answer.empty()) {
    // The question of an alert on the way in.
    ASSERT_TRUE(zoq.waitFor("(OK/")) << command << "\n" << zoq.output();
    ASSERT_TRUE(zoq.waitFor("):")) << command << "\n" << zoq.output();
    zoq.type(answer + "\n");
  }
  ASSERT_TRUE(zoq.letWork(1000)) << command << "\n" << zoq.output();
  const std::size_t from = zoq.output().size();
  const long long start = processTreeMilliseconds(zoq.pid());
  ASSERT_GE(start, 0);
  zoq.pressControlC();
  long long used = 0;
  ASSERT_TRUE(zoq.waitUntil([&] {
    used = processTreeMilliseconds(zoq.pid()) - start;
    return zoq.output().find("\n> ", from) != std::string::npos || used > kAnswerMilliseconds;
  })) << command << "\n" << zoq.output();
  ASSERT_NE(zoq.output().find("\n> ", from), std::string::npos)
      << command << ": no prompt after " << used << " ms of processor time since Ctrl-C\n"
      << zoq.output().substr(from);
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << command << "\n" << zoq.output();
}

}  // namespace sweep_findings
