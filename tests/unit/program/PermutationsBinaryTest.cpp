// "compute permutations" on a Gepner model at a terminal (a pseudo-terminal), run by the
// real zoq binary: the exchange of two identical factors must answer Ctrl-C with the
// prompt (judged in processor time: SweepFindingsScripts.h) and the session must go on.
#include <gtest/gtest.h>

#include <string>

#include "BinaryTestSupport.h"
#include "SweepFindingsScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using sweep_findings::expectCtrlCAnswered;

// Model 110 of the Calabi-Yau table (2496 fields, 78 of them fixed points whose images
// the labels leave open), invariant 1: the loop over the fields tested each field's
// charges with every element of the chiral algebra and looked for no Ctrl-C. With field
// 1758 (a component of one of those fixed points) kept in place, the fusion completion
// after it sweeps the pairs of fields for the other components for a while.
TEST(PermutationsBinaryTest, CtrlCEndsTheExchangeOfTwoFactors) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("build cy 110\n");
  ASSERT_TRUE(zoq.waitFor("2496 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("select invariant 1\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, "compute permutations 1 2 1758:1758"));
  quitAndExpectSuccess(zoq);
}

}  // namespace
