// The part of the command set that start-up needs now: the twelve application argument
// types, the tensor mode and its switch, and the range notation of the types.
#include "Commands.h"

#include <gtest/gtest.h>

#include <string>

#include "Boot.h"
#include "Interpreter.h"
#include "InterpreterTestSupport.h"
#include "Output.h"
#include "TestSupport.h"

namespace {

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
  }
};

TEST_F(CommandsTest, TheApplicationTypesAreRegisteredWithTheirDescriptions) {
  const std::pair<const char*, const char*> types[] = {
      {"current", "Simple current"},
      {"fcur", "Simple current in tensor factor"},
      {"fprim", "CFT primary in tensor factor"},
      {"field", "Primary field label"},
      {"simple_root", "Simple root"},
      {"N_susy", "Number of supersymmetries"},
      {"level", "Level (central charge)"},
      {"radius", "Circle radius (defined as number of primaries)"},
      {"rank", "Rank of horizontal algebra"},
      {"dim", "Space-time dimension in superstring mode"},
      {"bound", "Boundary label"},
      {"Ishibashi", "Ishibashi label"},
  };
  for (const auto& [name, description] : types) {
    Conversion* conversion = findConversion(name);
    ASSERT_NE(conversion, nullptr) << name;
    EXPECT_EQ(conversion->method->description, description);
    EXPECT_EQ(conversion->method->resultType, 'i');
    EXPECT_NE(conversion->method->convert, nullptr);
  }
}

TEST_F(CommandsTest, ARangeOfFieldsCallsTheHandlerOncePerField) {
  initCommand("tfield", "[field f]", recordInts, "");
  OutputCapture capture;
  EXPECT_EQ(run("tfield 1:3"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tfield(1)", "tfield(2)", "tfield(3)"}));
  calls().clear();
  EXPECT_EQ(run("tfield 4"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tfield(4)"});
  EXPECT_EQ(run("tfield 3:1"), 1);
  EXPECT_EQ(capture.diagnostics, "Empty range 3:1 (parameter 0) \n");
}

TEST_F(CommandsTest, TensorModeCommandsAreRefusedOutsideTensorMode) {
  Mode* tensor = getTensorMode();
  ASSERT_NE(tensor, nullptr);
  EXPECT_EQ(tensor->message, "Command only works in tensor mode");
  setCurrentMode(tensor);
  initCommand("ttensor", "", recordText, "");
  setCurrentMode(getDefaultMode());
  disableCoset();
  EXPECT_EQ(tensor->active, 0);
  OutputCapture capture;
  EXPECT_EQ(run("ttensor"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics, "Invalid command: ttensor\nCommand only works in tensor mode  \n");
  switchMode(tensor, 1);
  EXPECT_EQ(run("ttensor"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"ttensor()"});
}

}  // namespace
