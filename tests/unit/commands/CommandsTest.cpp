// The command set's registration: the argument types, the six modes with their messages
// and switches, the boundary mode's activation function, help texts and help functions,
// and the change action of "Graded".
#include <gtest/gtest.h>

#include <string>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "TestSupport.h"

namespace {

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    // What the program does before its first command.
    setCosetMode(0);
    disableCoset();
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

TEST_F(CommandsTest, TheModesCarryTheirMessagesAndStartUpLeavesOnlyDefaultAndSingleOn) {
  EXPECT_EQ(getSingleAlgebraMode()->message, "Command only works in single algebra mode");
  EXPECT_EQ(getTensorMode()->message, "Command only works in tensor mode");
  EXPECT_EQ(getHeteroticMode()->message, "Command only works in heterotic mode");
  EXPECT_EQ(getModularMode()->message, "No modular data; type \"compute spectrum\" first.");
  EXPECT_EQ(getBoundaryMode()->message, "No open string and bulk invariant data available");
  EXPECT_EQ(getSingleAlgebraMode()->active, 1);
  EXPECT_EQ(getTensorMode()->active, 0);
  EXPECT_EQ(getHeteroticMode()->active, 0);
  EXPECT_EQ(getModularMode()->active, 0);
  EXPECT_EQ(getBoundaryMode()->active, 0);
  EXPECT_EQ(getSpectrumComputed(), 0);
}

TEST_F(CommandsTest, ModularCommandsAreRefusedUntilASpectrumIsComputed) {
  OutputCapture capture;
  EXPECT_EQ(run("s"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics,
            "Invalid command: s\nNo modular data; type \"compute spectrum\" first.  \n");
  EXPECT_EQ(capture.printed, "");
  capture.clear();
  EXPECT_EQ(run("algebra a 2 1"), 0);
  EXPECT_EQ(capture.printed, "CFT A2 level 1; 3 primaries (3 simple currents)\n");
  EXPECT_EQ(getModularMode()->active, 1);
  EXPECT_EQ(getBoundaryMode()->active, 1);
  EXPECT_EQ(getSpectrumComputed(), 1);
  // The spectrum is known: computing it again prints nothing more.
  capture.clear();
  EXPECT_EQ(run("compute spectrum"), 0);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(CommandsTest, ARefusedTheoryLeavesTheModularModeOff) {
  OutputCapture capture;
  run("algebra a 2 1");
  ASSERT_EQ(getModularMode()->active, 1);
  EXPECT_EQ(run("algebra e 5 1"), 4);
  EXPECT_EQ(getModularMode()->active, 0);
  EXPECT_EQ(getBoundaryMode()->active, 0);
  EXPECT_EQ(getSpectrumComputed(), 0);
}

TEST_F(CommandsTest, TheModeSwitchesSetExactlyTheirModes) {
  enableCoset();
  EXPECT_EQ(getTensorMode()->active, 1);
  EXPECT_EQ(getSingleAlgebraMode()->active, 0);
  EXPECT_EQ(getModularMode()->active, 0);
  disableCoset();
  EXPECT_EQ(getTensorMode()->active, 0);
  EXPECT_EQ(getSingleAlgebraMode()->active, 1);
  OutputCapture capture;
  run("algebra a 1 1");
  disableModular();
  EXPECT_EQ(getModularMode()->active, 0);
  EXPECT_EQ(getBoundaryMode()->active, 0);
  EXPECT_EQ(getSingleAlgebraMode()->active, 1);
}

TEST_F(CommandsTest, ATheoryWithoutModularDataKeepsTheModesOff) {
  OutputCapture capture;
  // The twisted algebra A(2) has primaries but no modular data.
  EXPECT_EQ(run("algebra at 1 1"), 0);
  EXPECT_NE(capture.printed.find("No modular data are available for this algebra\n"),
            std::string::npos);
  EXPECT_EQ(getModularMode()->active, 0);
  EXPECT_EQ(getSpectrumComputed(), 0);
}

TEST_F(CommandsTest, ABoundaryCommandTriesTheActivationFunctionFirst) {
  setCurrentMode(getBoundaryMode());
  initCommand("tboundary", "", recordText, "A boundary command.");
  setCurrentMode(getDefaultMode());
  OutputCapture capture;
  // With the modular mode off the boundary mode stays off.
  EXPECT_EQ(run("tboundary"), kResultNotExecutable);
  EXPECT_TRUE(calls().empty());
  // Called directly, the activation function names the modular mode's refusal.
  capture.clear();
  InitializeOpenStrings();
  EXPECT_EQ(capture.diagnostics, "No modular data; type \"compute spectrum\" first. \n");
  run("algebra a 1 1");
  EXPECT_EQ(run("tboundary"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tboundary()"});
}

TEST_F(CommandsTest, TheActivationFunctionReportsAnUnexpectedCallWhenModularDataExist) {
  OutputCapture capture;
  run("algebra a 1 1");
  InitializeOpenStrings();
  EXPECT_NE(capture.diagnostics.find("Unexpected call of function InitializeOpenStrings"),
            std::string::npos);
}

TEST_F(CommandsTest, GroupHeadsOnlyCarryHelp) {
  OutputCapture capture;
  EXPECT_EQ(run("algebra"), kResultNotExecutable);
  capture.clear();
  run("help algebra");
  EXPECT_NE(capture.printed.find("    [Not executable without further keywords]\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("    The following algebra types are allowed:\n\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("       (e.g. `Algebra U 2' is SU(2) level 1)\n"),
            std::string::npos);
}

TEST_F(CommandsTest, HelpPrintsTheTextThenTheHelpFunctionBetweenEmptyLines) {
  OutputCapture capture;
  run("help s");
  EXPECT_EQ(capture.printed,
            "Command syntax: S (field lbl1)(field lbl2)\n"
            "    [Currently not enabled]\n"
            "    Displays elements of the modular matrix S.\n"
            "\n"
            "    No parameters:           display all\n"
            "    One parameter  (i):      display row i\n"
            "    Two parameters (i)(j):   display the element S(i,j)\n"
            "    A complex element is printed as re + im i (re - |im| i when im < 0) and\n"
            "    (phase: x), its argument as a fraction of a full turn: x = arg/2pi,\n"
            "    0 <= x < 1.\n"
            "\n");
}

TEST_F(CommandsTest, HelpTextsLoseTheirFormulaMarks) {
  OutputCapture capture;
  run("help pfusion");
  EXPECT_NE(capture.printed.find("Y_{ij}^k=sum_m S_{mi} P_{mj} P^*_{mk}/S_{m0}"),
            std::string::npos);
  EXPECT_EQ(capture.printed.find('@'), std::string::npos);
  EXPECT_NE(capture.printed.find("    Definition: Y_(i,j,k)=Sum_n S_in P_jn (P_kn)^*/ S_0n \n"),
            std::string::npos);
}

TEST_F(CommandsTest, SettingsCarryTheirHelpFunctions) {
  OutputCapture capture;
  run("help set maxrank");
  EXPECT_NE(capture.printed.find(
                "    The computation of S becomes unaccurate for ranks larger than 20.\n"),
            std::string::npos);
  capture.clear();
  run("help set use_orbits");
  EXPECT_NE(capture.printed.find("    2: Orbits used and matrix elements stored\n"),
            std::string::npos);
}

TEST_F(CommandsTest, ChangingGradedWithoutInvariantsIsSilentButLeavesModularMode) {
  OutputCapture capture;
  run("algebra a 1 1");
  ASSERT_EQ(getModularMode()->active, 1);
  capture.clear();
  run("set graded on");
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(getModularMode()->active, 0);
  EXPECT_EQ(getSpectrumComputed(), 0);
}

TEST_F(CommandsTest, CommandWordsMatchInAnyCase) {
  OutputCapture capture;
  run("ALGEBRA A 1 1");
  capture.clear();
  EXPECT_EQ(run("TOTAL PRIMARIES"), 0);
  EXPECT_EQ(capture.printed, "2\n");
  capture.clear();
  EXPECT_EQ(run("weyl order"), 0);
  EXPECT_EQ(capture.printed, "2\n");
}

TEST_F(CommandsTest, TensorModeCommandsAreRefusedOutsideTensorMode) {
  Mode* tensor = getTensorMode();
  setCurrentMode(tensor);
  initCommand("ttensor", "", recordText, "");
  setCurrentMode(getDefaultMode());
  OutputCapture capture;
  EXPECT_EQ(run("ttensor"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics, "Invalid command: ttensor\nCommand only works in tensor mode  \n");
  switchMode(tensor, 1);
  EXPECT_EQ(run("ttensor"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"ttensor()"});
}

TEST_F(CommandsTest, ARangeOfFieldsCallsTheHandlerOncePerField) {
  initCommand("tfield", "[field f]", recordInts, "");
  OutputCapture capture;
  run("algebra a 2 1");
  EXPECT_EQ(run("tfield 0:2"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tfield(0)", "tfield(1)", "tfield(2)"}));
  calls().clear();
  EXPECT_EQ(run("tfield *"), 0);
  EXPECT_EQ(calls().size(), 3u);
}

}  // namespace

namespace {

TEST_F(CommandsTest, TheTheoryAndModularCommandsSitInTheirModesWithTheirParameters) {
  struct Entry {
    const char* words;
    Mode* mode;
    int minParams;
    int maxParams;
  };
  const Entry entries[] = {
      {"algebra minimal", getDefaultMode(), 2, 2},
      {"algebra orbifold", getDefaultMode(), 1, 1},
      {"algebra fcft", getDefaultMode(), 2, 2},
      {"get fcft", getDefaultMode(), 1, 1},
      {"find basis", getDefaultMode(), 0, kUnboundedParameters},
      {"browse central_charge", getDefaultMode(), 0, 0},
      {"get fcft_shift", getSingleAlgebraMode(), 1, 1},
      {"get fp_fusion", getSingleAlgebraMode(), 4, 4},
      {"check fusion", getModularMode(), 0, 1},
      {"get schur", getModularMode(), 0, 1},
      {"get g_schur", getModularMode(), 2, 2},
      {"indices", getModularMode(), 0, 1},
      {"get S_fix", getModularMode(), 3, 3},
      {"get S_ola", getModularMode(), 3, 3},
      {"total extensions", getDefaultMode(), 0, 0},
      {"collect extensions", getDefaultMode(), 0, 1},
      {"set require extension", getDefaultMode(), 0, kUnboundedParameters},
      {"select extension", getTensorMode(), 1, 1},
      {"browse integral_spin", getModularMode(), 0, 0},
      {"check algebra", getModularMode(), 0, kUnboundedParameters},
      {"search MIPF extension", getModularMode(), 0, 0},
  };
  for (const Entry& entry : entries) {
    Command* command = matchComKey(entry.words);
    ASSERT_NE(command, nullptr) << entry.words;
    EXPECT_EQ(command->mode, entry.mode) << entry.words;
    EXPECT_EQ(command->minParams, entry.minParams) << entry.words;
    EXPECT_EQ(command->maxParams, entry.maxParams) << entry.words;
    EXPECT_NE(command->handler, nullptr) << entry.words;
  }
  // Commands of subsystems still to come are not registered yet.
  // The boundary counts sit in the boundary mode and take no parameters.
  for (const char* words : {"total boundaries", "total ishibashi"}) {
    Command* command = matchComKey(words);
    ASSERT_NE(command, nullptr) << words;
    EXPECT_EQ(command->mode, getBoundaryMode()) << words;
    EXPECT_EQ(command->maxParams, 0) << words;
    EXPECT_EQ(command->preCommand, initializeOrientedOpenString) << words;
  }
  EXPECT_EQ(matchComKey("get crosscap")->preCommand, initializeOpenString);
}

TEST_F(CommandsTest, IndicesAndIndicatorsNeedModularData) {
  OutputCapture capture;
  EXPECT_EQ(run("indices"), kResultNotExecutable);
  EXPECT_EQ(run("get schur"), kResultNotExecutable);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(CommandsTest, TheCentralChargeFollowsHighPrecision) {
  // SU(2) level 1: c = 3k/(k+2) = 1.
  {
    OutputCapture quiet;
    run("algebra a 1 1");
  }
  OutputCapture capture;
  EXPECT_EQ(run("browse central_charge"), 0);
  EXPECT_EQ(capture.printed, "Central charge              1.000000000000000\n");
  capture.clear();
  run("set high_precision on");
  EXPECT_EQ(run("browse central_charge"), 0);
  EXPECT_EQ(capture.printed, "Central charge      1.00000000\n");
}

TEST_F(CommandsTest, HelpOfTheMinimalModelsListsTheirLabels) {
  OutputCapture capture;
  run("help algebra minimal");
  EXPECT_NE(capture.printed.find("    Labels for minimal model representations\n"),
            std::string::npos)
      << capture.printed;
  EXPECT_NE(capture.printed.find("    N=2:           (l,q,s)  (standard notation)\n"),
            std::string::npos);
}

}  // namespace
