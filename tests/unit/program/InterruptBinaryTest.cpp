// Long searches of the real zoq binary at a terminal (a pseudo-terminal): each shows its
// progress line, Ctrl-C stops it at once and the session goes on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

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

}  // namespace
