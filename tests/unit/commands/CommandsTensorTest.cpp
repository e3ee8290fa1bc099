// Tensor-product commands: the codes "build cy" takes, and whether a field is a simple
// current ("check simple") beside the count of the currents the labels reach ("total
// simple_currents").
#include <gtest/gtest.h>

#include <string>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

namespace {

class CommandsTensorTest : public ZoqTest {
 protected:
  void TearDown() override {
    setCosetMode(0);
    disableCoset();
  }
  std::string printedBy(const char* line) {
    capture.clear();
    run(line);
    return capture.printed;
  }
};

TEST_F(CommandsTensorTest, AnInvalidCyCodeIsRefusedWithTheCodesThereAre) {
  // The table numbers its 168 products; any other code must be the level code of one.
  EXPECT_NE(run("build cy 169"), 0);
  EXPECT_EQ(capture.diagnostics,
            "invalid CY code 169; the codes are 1 to 168 and the level codes listed by \"browse cy\" \n");
  capture.clear();
  EXPECT_NE(run("build cy 2147483647"), 0);
  EXPECT_EQ(capture.diagnostics, "Integer too large: 2147483647 (integers lie between -2000000000 and 2000000000) \n");
  capture.clear();
  EXPECT_NE(run("build cy 0"), 0);
  EXPECT_EQ(capture.diagnostics, "Parameter \"code\" of \"build cy\" must be positive, not 0 \n");
}

TEST_F(CommandsTensorTest, ExceptionalSimpleCurrentsAreSimpleButNotCounted) {
  // SU(2)_4 extended by its current is SU(3)_1: the resolved fixed point j = 1 gives the
  // fields 1 and 2 of quantum dimension 2/2 = 1. The current labels reach the identity only.
  ASSERT_EQ(run("tensor"), 0);
  for (const char* line : {"g a 1 4", "current 1", "compute spectrum"}) ASSERT_EQ(run(line), 0) << line;
  capture.clear();
  EXPECT_EQ(printedBy("total simple_currents"), "1\n");
  EXPECT_EQ(capture.diagnostics,
            "Counted are the simple currents made of simple currents of the factors; not counted: fields 1 2, "
            "exceptional simple currents (quantum dimension 1) \n");
  for (const char* line : {"check simple 0", "check simple 1", "check simple 2"}) EXPECT_EQ(printedBy(line), "TRUE\n");
}

TEST_F(CommandsTensorTest, E8LevelTwoHasOneExceptionalCurrent) {
  // E8 level 2: the vacuum, the field of spin 3/2 (quantum dimension 1) and the field of
  // weight 15/16 (quantum dimension sqrt 2).
  ASSERT_EQ(run("algebra e 8 2"), 0);
  EXPECT_EQ(printedBy("total simple_currents"), "1\n");
  EXPECT_EQ(capture.diagnostics,
            "Counted are the simple currents of the simple-current group in use; not counted: field 1, exceptional "
            "simple current (quantum dimension 1) \n");
  EXPECT_EQ(printedBy("check simple 1"), "TRUE\n");
  EXPECT_EQ(printedBy("check simple 2"), "FALSE\n");
  // SU(3) level 1 has its three currents in its centre: nothing beside them.
  ASSERT_EQ(run("algebra a 2 1"), 0);
  EXPECT_EQ(printedBy("total simple_currents"), "3\n");
  EXPECT_EQ(capture.diagnostics, "");
}

}  // namespace
