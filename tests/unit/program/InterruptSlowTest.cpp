// The tadpole search on the quintic, which Ctrl-C could not stop, and two more long searches
// of the upper half, in one terminal session of the real zoq binary: each stops at Ctrl-C,
// the next command runs, and the session ends with status 0. (Building the quintic's
// crosscaps takes most of a minute in a sanitizer build: a long case.)
#include <gtest/gtest.h>

#include "BinaryTestSupport.h"
#include "InterruptBinaryScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

TEST(InterruptSlowTest, CtrlCStopsTheQuinticTadpoleSearchAndTwoOtherSearches) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(interrupt_scripts::stopTheTadpoleSearchOnTheQuintic(zoq));
  ASSERT_NO_FATAL_FAILURE(interrupt_scripts::stopARandomFilterSearch(zoq));
  ASSERT_NO_FATAL_FAILURE(interrupt_scripts::stopANimrepSearch(zoq));
  quitAndExpectSuccess(zoq);
}

}  // namespace
