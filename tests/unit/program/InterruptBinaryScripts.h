// Long searches of the upper half run at a terminal and stopped with Ctrl-C, shared by the
// program tests of the default run and of the long cases.
#pragma once

#include <gtest/gtest.h>

#include "BinaryTestSupport.h"

namespace interrupt_scripts {

using binary_test::expectCtrlCStopsTheLoop;
using binary_test::TerminalSession;

// "solve tadpole" on the quintic (3,3,3,3,3): after the one- and two-stack solutions the
// three-stack search predicts far more than a minute.
inline void stopTheTadpoleSearchOnTheQuintic(TerminalSession& zoq) {
  zoq.type("build cy 33333\n");
  ASSERT_TRUE(zoq.waitFor("4000 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("select invariant 0\n");
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("set tadpole show_solution on\n");
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  expectCtrlCStopsTheLoop(zoq, "solve tadpole", "Checking 3-brane solutions",
                          "tadpole solutions found");
}

// "search NIMrep" on the diagonal invariant of SU(3) at level 5 (21 primaries, taken as
// exceptional), with loop maxima up to 9: the diagonal candidates alone take minutes.
inline void stopANimrepSearch(TerminalSession& zoq) {
  zoq.type("algebra a 2 5\n");
  ASSERT_TRUE(zoq.waitFor("21 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  expectCtrlCStopsTheLoop(zoq, "search NIMrep 9", "Diagonal NIMrep candidates", "FINAL ANALYSIS");
}

// "filter random" of depth 2 with a million samples on E8 x SU(2) x SU(2) x SU(3) at
// level 1.
inline void stopARandomFilterSearch(TerminalSession& zoq) {
  for (const char* line : {"tensor", "g e 8 1", "g a 1 1", "g a 1 1", "g a 2 1",
                           "set Heterotic factors 1", "set Particle factors 1", "name rep Q 0",
                           "compute heterotic"}) {
    zoq.type(std::string(line) + "\n");
    ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  }
  expectCtrlCStopsTheLoop(zoq, "filter random 2 1000000", "Random filter search",
                          "Current search status (mode=3)");
}

}  // namespace interrupt_scripts
