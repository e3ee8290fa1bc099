// The application's settings: every one has its "set" and "show" commands, its default,
// its type, whether it is kept in the preferences file, its hooks; and the directory
// getters built on the directory settings.
#include "program/ApplicationParameters.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "strings/Tadpole.h"
#include "runtime/Defaults.h"
#include "runtime/Directories.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "search/SearchSM.h"
#include "TestSupport.h"

namespace {

class ApplicationParametersTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

std::string lowered(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = lower(c);
  return out;
}

std::string shown(const char* command) {
  OutputCapture capture;
  run(command);
  return capture.printed;
}

TEST_F(ApplicationParametersTest, EverySettingHasItsSetAndShowCommands) {
  int withCommands = 0;
  for (InternalParameter* p = FirstParameter(); p != nullptr; p = nextParameter(p)) {
    Command* set = matchComKey(("set " + lowered(p->name)).c_str());
    Command* show = matchComKey(("show " + lowered(p->name)).c_str());
    if (p->name == "Selection automorphism") {
      // Its set command is the pairing command of the selection criteria, not the setting's.
      ASSERT_NE(set, nullptr);
      EXPECT_NE(set->functionInfo, p);
      EXPECT_EQ(set->handler, COM_sel_auto);
      EXPECT_EQ(show, nullptr);
      continue;
    }
    ASSERT_NE(set, nullptr) << p->name;
    ASSERT_NE(show, nullptr) << p->name;
    EXPECT_EQ(set->functionInfo, p) << p->name;
    EXPECT_EQ(show->functionInfo, p) << p->name;
    ++withCommands;
  }
  // 90 settings of the application (23 general and modular, 23 tadpole, 14 standard-model,
  // 30 invariant to directory ones), one of them internal, and the 7 general settings.
  EXPECT_EQ(withCommands, 89 + 7);
}

TEST_F(ApplicationParametersTest, DefaultsAreShownAsDefined) {
  EXPECT_EQ(shown("show maxrank"), "20\n");
  EXPECT_EQ(shown("show modeldir"), ".\n");
  EXPECT_EQ(shown("show outputfilepostfix"), "\n");
  EXPECT_EQ(shown("show outputdir"), "HOME\n");
  EXPECT_EQ(shown("show tadpole write_details_to_file"), "ON\n");
  EXPECT_EQ(shown("show sm_search check_moebius"), "ON\n");
  EXPECT_EQ(shown("show max_primaries"), "2000000000\n");
  EXPECT_EQ(shown("show heterotic lift_symbol"), "widehat\n");
  EXPECT_EQ(shown("show tensorname"), "NONE\n");
  EXPECT_EQ(shown("show output frequency"), "1\n");
  EXPECT_EQ(shown("show graded"), "OFF\n");
}

TEST_F(ApplicationParametersTest, TypesGiveTheArgumentOfTheSetCommand) {
  EXPECT_EQ(matchComKey("set maxrank")->paramDescription, "[non_neg_int value]");
  EXPECT_EQ(matchComKey("set output frequency")->paramDescription, "[pos_int value]");
  EXPECT_EQ(matchComKey("set sm_search info_level")->paramDescription, "[int value]");
  EXPECT_EQ(matchComKey("set dimension")->paramDescription, "[dim value]");
  EXPECT_EQ(matchComKey("set super")->paramDescription, "(switch ON/OFF)");
  EXPECT_EQ(matchComKey("set workdir")->paramDescription, "[string]");
  OutputCapture capture;
  EXPECT_EQ(run("set sm_search info_level -2"), 0);
  EXPECT_EQ(run("set maxrank -1"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"value\" of \"set maxrank\" must be 0 or more, not -1 \n");
  EXPECT_EQ(run("set output frequency 0"), 1);
  EXPECT_EQ(shown("show sm_search info_level"), "-2\n");
}

TEST_F(ApplicationParametersTest, SettingsKeptInThePreferencesFile) {
  for (const char* name : {"Maxrank", "High_precision", "Tadpole maxconf", "SM_search header", "Autostore", "ModelDir",
                           "OutputFilePostfix", "Moebius security_level"}) {
    EXPECT_EQ(findInternalParameter(name)->inDefaultsFile, 1) << name;
  }
  for (const char* name : {"Graded", "Dimension", "Super", "Tadpole maxstack", "Orientifold", "Maxhours"}) {
    EXPECT_EQ(findInternalParameter(name)->inDefaultsFile, 0) << name;
  }
}

TEST_F(ApplicationParametersTest, HooksBelongToTheSetCommands) {
  EXPECT_EQ(matchComKey("set orientifold")->postCommand, bulkInvariantChanged);
  EXPECT_EQ(matchComKey("show orientifold")->postCommand, nullptr);
  EXPECT_EQ(matchComKey("set modeldir")->postCommand, ModelDirChanged);
  EXPECT_EQ(matchComKey("set reject permutations")->postCommand, permutationRejectionChanged);
  EXPECT_EQ(matchComKey("set tadpole completeness")->postCommand, tadpoleSearchParametersChanged);
  EXPECT_EQ(matchComKey("set output frequency")->postCommand, tadpoleSearchParametersChanged);
  EXPECT_EQ(matchComKey("set tadpole allow_tachyons")->postCommand, BoundarySelectionCriteriaChanged);
  EXPECT_EQ(matchComKey("set tadpole show_spectrum")->postCommand, nullptr);
  EXPECT_EQ(findInternalParameter("Graded")->onChange, disableModularVerbose);
  EXPECT_EQ(findInternalParameter("Use_orbits")->onChange, disableModularVerbose);
  EXPECT_EQ(findInternalParameter("Orientifold")->onChange, resetBoundaries);
}

TEST_F(ApplicationParametersTest, HelpTextsAreReflowed) {
  EXPECT_EQ(matchComKey("set maxrank")->helpText, "    Set maximal rank.");
  EXPECT_EQ(matchComKey("show maxrank")->helpText, "    Show maximal rank.");
  EXPECT_EQ(matchComKey("set mipf random")->helpText,
            "    Set number of random samples in MIPF construction.\n    To switch off set to 0");
  EXPECT_EQ(matchComKey("set graded")->helpText, "    Switch graded/ungraded tensor product evaluation.");
}

TEST_F(ApplicationParametersTest, DirectoriesEndInASlashAndHomeIsTheHomeFolder) {
  std::string home = std::getenv("HOME");
  EXPECT_EQ(getOutputDir(), home + "/");
  EXPECT_EQ(getWorkDir(), home + "/");
  EXPECT_EQ(getQUVR_Dir(), home + "/");
  EXPECT_EQ(getModelDir(), "./");
  TemporaryFolder folder;
  std::string nested = folder.path("one/two");
  OutputCapture capture;
  run(("set outputdir " + nested).c_str());
  EXPECT_EQ(checkDir(nested.c_str()), -1);
  EXPECT_EQ(getOutputDir(), nested + "/");
  EXPECT_EQ(checkDir(nested.c_str()), 0);
  EXPECT_EQ(getDoneDir(), nested + "/");
  // The folder of the full data base is never created.
  std::string absent = folder.path("quvr");
  run(("set quvr_dir " + absent + "/").c_str());
  EXPECT_EQ(getQUVR_Dir(), absent + "/");
  EXPECT_EQ(checkDir(absent.c_str()), -1);
}

TEST_F(ApplicationParametersTest, ATildeInAFolderSettingIsTheHomeFolder) {
  const std::string home = std::getenv("HOME");
  TemporaryFolder folder;
  const std::string relative = folder.path("out").substr(home.size());
  OutputCapture capture;
  run(("set outputdir ~" + relative).c_str());
  EXPECT_EQ(getOutputDir(), home + relative + "/");
  EXPECT_EQ(checkDir((home + relative).c_str()), 0);
  run(("set quvr_dir ~" + relative + "/quvr").c_str());
  EXPECT_EQ(getQUVR_Dir(), home + relative + "/quvr/");
}

TEST_F(ApplicationParametersTest, AChangedSettingIsSavedForTheNextStart) {
  OutputCapture capture;
  run("set maxrank 12");
  run("set tadpole write_details_to_file off");
  run("save preferences");
  std::string file = readFile(getDefaultFile());
  EXPECT_NE(file.find("\"Maxrank\" \"12\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"Tadpole write_details_to_file\" \"OFF\"\n"), std::string::npos);
  // What start-up does with the file: read it, then copy the texts into the values.
  resetAll();
  EXPECT_EQ(shown("show maxrank"), "20\n");
  readDefaultsFile(getDefaultFile());
  getIntParDefaults();
  EXPECT_EQ(*getIntParPointer("Maxrank"), 12);
  EXPECT_EQ(*getIntParPointer("Tadpole write_details_to_file"), 0);
  std::remove(getDefaultFile());
}

}  // namespace
