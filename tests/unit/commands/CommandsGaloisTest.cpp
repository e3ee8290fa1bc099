// "compute galois_orbits" and "compute scale_orbits": the orbit text of the current
// theory through the command line, and the refusals in tensor mode.
#include <gtest/gtest.h>

#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"

namespace {

class CommandsGaloisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  void TearDown() override { setCosetMode(0); }
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
};

TEST_F(CommandsGaloisTest, GaloisOrbitsOfSuTwoLevelOne) {
  load("algebra a 1 1");
  OutputCapture capture;
  EXPECT_EQ(run("compute galois_orbits"), 0);
  // M = 6: the units 1 and 5; 5 (lambda + rho) = -(lambda + rho) mod 6 fixes both fields.
  EXPECT_EQ(capture.printed,
            "\nGalois dilation 1\n(0)*** \n(1)*** \n\nGalois dilation 5\n(0)*** \n(1)*** \n\n");
}

TEST_F(CommandsGaloisTest, NoScaleOrbitForAPrimeConductor) {
  load("algebra e 8 1");
  OutputCapture capture;
  EXPECT_EQ(run("compute scale_orbits"), 0);
  EXPECT_EQ(capture.printed, "\n");
}

TEST_F(CommandsGaloisTest, CosetsAreRefused) {
  load("algebra a 1 1");
  setCosetMode(1);
  OutputCapture capture;
  EXPECT_EQ(COM_compute_galois(nullptr, 0), 1);
  EXPECT_EQ(COM_compute_scale(nullptr, 0), 1);
  EXPECT_NE(capture.all.find("Galois orbits for Cosets not built in"), std::string::npos)
      << capture.all;
  EXPECT_NE(capture.all.find("Scale orbits not well-defined for Cosets"), std::string::npos)
      << capture.all;
  EXPECT_EQ(capture.all.find("Galois dilation"), std::string::npos);
  setCosetMode(0);
  OutputCapture after;
  EXPECT_EQ(run("compute galois_orbits"), 0);
  EXPECT_NE(after.printed.find("Galois dilation 5"), std::string::npos);
}

TEST_F(CommandsGaloisTest, RegisteredInTheModularModeOnly) {
  OutputCapture capture;
  run("compute galois_orbits");
  EXPECT_NE(capture.all.find("No modular data"), std::string::npos) << capture.all;
  EXPECT_EQ(capture.all.find("Galois dilation"), std::string::npos);
}

}  // namespace
