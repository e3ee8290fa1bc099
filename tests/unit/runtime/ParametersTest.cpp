// Internal parameters: types, live pointers, the link to the preferences entries, change
// routines, the display cells and the parameters that start-up creates.
#include "runtime/Parameters.h"

#include <gtest/gtest.h>

#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "TestSupport.h"

namespace {

class ParametersTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

int changes = 0;
void countChange() { ++changes; }

TEST_F(ParametersTest, IntegersAndSwitchesTakeTheirDefaultTexts) {
  InternalParameter* number = addInternalParameter("Test number", "42", 'i', 0);
  InternalParameter* on = addInternalParameter("Test on", "ON", 't', 0);
  InternalParameter* off = addInternalParameter("Test off", "OFF", 't', 0);
  EXPECT_EQ(number->value, 42);
  EXPECT_EQ(on->value, 1);
  EXPECT_EQ(off->value, 0);
  EXPECT_EQ(number->pref, nullptr);
  int* live = getIntParPointer("Test number");
  ASSERT_NE(live, nullptr);
  setIntPar("Test number", 7);
  EXPECT_EQ(*live, 7);
  EXPECT_EQ(getValue(live), 7);
  EXPECT_EQ(getValue(nullptr), 0);
}

TEST_F(ParametersTest, UnknownNamesAreReported) {
  OutputCapture capture;
  EXPECT_EQ(getIntParPointer("No such parameter"), nullptr);
  EXPECT_EQ(capture.diagnostics, "Parameter No such parameter not found\n");
  capture.clear();
  setIntPar("No such parameter", 1);
  addDefaultAction("No such parameter", countChange);
  EXPECT_EQ(capture.diagnostics, "Parameter No such parameter not found\nParameter No such parameter not found\n");
  capture.clear();
  addInternalParameter("Test odd", "1", 'x', 0);
  EXPECT_EQ(capture.diagnostics, "Invalid parametertype\n");
  capture.clear();
  addInternalParameter("Test text", "abc", 's', 0);
  setIntPar("Test text", 1);
  EXPECT_EQ(capture.diagnostics, "Invalid parameter type for parameter Test text\n");
}

TEST_F(ParametersTest, SavedParametersWriteTheirValuesIntoTheirEntries) {
  InternalParameter* sw = addInternalParameter("Test saved switch", "OFF", 't', 1);
  InternalParameter* number = addInternalParameter("Test saved number", "5", 'i', 1);
  ASSERT_NE(sw->pref, nullptr);
  EXPECT_EQ(sw->inDefaultsFile, 1);
  EXPECT_EQ(sw->pref->value, "OFF");
  set_switch(sw, 1);
  EXPECT_EQ(sw->pref->value, "ON");
  set_switch(sw, 2);  // neither ON nor OFF: the entry keeps its text
  EXPECT_EQ(sw->pref->value, "ON");
  set_value(number, -12);
  EXPECT_EQ(number->pref->value, "-12");
  EXPECT_EQ(getDefaultValue("Test saved number"), std::string("-12"));
}

TEST_F(ParametersTest, ChangeRoutinesRunAfterEveryChange) {
  changes = 0;
  addInternalParameter("Test watched", "OFF", 't', 0);
  addInternalParameter("Test counted", "0", 'i', 0);
  addDefaultAction("Test watched", countChange);
  addDefaultAction("Test counted", countChange);
  setIntPar("Test watched", 1);
  setIntPar("Test counted", 3);
  EXPECT_EQ(changes, 2);
}

TEST_F(ParametersTest, ATextReadFromTheFileWinsOverTheDefault) {
  setDefault("Test from file", "77");
  setDefault("Test switch from file", "ON");
  InternalParameter* number = addInternalParameter("Test from file", "3", 'i', 1);
  InternalParameter* sw = addInternalParameter("Test switch from file", "OFF", 't', 1);
  EXPECT_EQ(number->pref->value, "77");
  EXPECT_EQ(number->value, 3);  // the default until the saved values are applied
  EXPECT_EQ(sw->value, 0);
  getIntParDefaults();
  EXPECT_EQ(number->value, 77);
  EXPECT_EQ(sw->value, 1);
  setDefault("Test switch from file", "maybe");
  getIntParDefaults();
  EXPECT_EQ(sw->value, 1);  // an unknown switch text changes nothing
}

TEST_F(ParametersTest, StringParametersShowTheirCurrentTextThroughAFixedPointer) {
  addInternalParameter("Test directory", "HOME", 's', 0);
  const std::string* text = getStringParPointer("Test directory");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(*text, "HOME");
  changeDefault(findInternalParameter("Test directory")->pref, std::string(500, 'd').c_str());
  EXPECT_EQ(*getStringParPointer("Test directory"), std::string(500, 'd'));
  EXPECT_EQ(getStringParPointer("Test directory"), text);
  EXPECT_EQ(*text, std::string(500, 'd'));
}

TEST_F(ParametersTest, AStringParameterWithoutTextIsEmptyAndReported) {
  OutputCapture capture;
  InternalParameter* parameter = addInternalParameter("Test no text", nullptr, 's', 0);
  EXPECT_EQ(capture.diagnostics, "String parameter must be in defaults data base\n");
  ASSERT_NE(parameter->pref, nullptr);
  EXPECT_EQ(parameter->pref->value, "");
}

TEST_F(ParametersTest, DisplayCells) {
  InternalParameter* sw = addInternalParameter("Test cell switch", "ON", 't', 0);
  InternalParameter* number = addInternalParameter("Test cell number", "-4", 'i', 0);
  InternalParameter* saved = addInternalParameter("Test cell saved", "9", 'i', 1);
  EXPECT_EQ(getParameterNameString(sw), "Test cell switch ");
  EXPECT_EQ(getParameterValueString(sw), "ON");
  sw->value = 0;
  EXPECT_EQ(getParameterValueString(sw), "OFF");
  sw->value = 5;
  EXPECT_EQ(getParameterValueString(sw), "Undefined");
  EXPECT_EQ(getParameterValueString(number), "-4");
  EXPECT_EQ(getParameterValueString(saved), "9");
  EXPECT_EQ(getParameterDefaultString(saved), "(*)");
  EXPECT_EQ(getParameterDefaultString(number), "");
  EXPECT_EQ(FirstParameter(), saved);
  EXPECT_EQ(nextParameter(saved), number);
}

TEST_F(ParametersTest, StartUpCreatesTheGeneralParameters) {
  for (const char* name : {"echo", "math", "error_trace", "interactive"}) {
    InternalParameter* parameter = findInternalParameter(name);
    ASSERT_NE(parameter, nullptr) << name;
    EXPECT_EQ(parameter->type, 't') << name;
    EXPECT_EQ(parameter->value, 0) << name;
    EXPECT_EQ(parameter->inDefaultsFile, 0) << name;
  }
  // "log" and "error_log" are kept in the preferences file.
  for (const char* name : {"log", "error_log"}) {
    InternalParameter* parameter = findInternalParameter(name);
    ASSERT_NE(parameter, nullptr) << name;
    EXPECT_EQ(parameter->inDefaultsFile, 1) << name;
    EXPECT_EQ(parameter->pref->value, "OFF") << name;
  }
  InternalParameter* lineSize = findInternalParameter("line_size");
  ASSERT_NE(lineSize, nullptr);
  EXPECT_EQ(lineSize->value, 100);
  EXPECT_EQ(lineSize->inDefaultsFile, 1);
  EXPECT_EQ(getValue(getIntParPointer("Maxrank")), 20);
  EXPECT_EQ(*getStringParPointer("OutputDir"), "HOME");
  EXPECT_EQ(*getStringParPointer("WorkDir"), "HOME");
}

TEST_F(ParametersTest, ValuesOutsideTheRangeAreRefusedAndNeverSaved) {
  InternalParameter* lineSize = findInternalParameter("line_size");
  ASSERT_NE(lineSize, nullptr);
  OutputCapture capture;
  for (int refused : {0, 1, 22, 60, 1000}) {
    EXPECT_EQ(set_value(lineSize, refused), 1) << refused;
    EXPECT_EQ(lineSize->value, 100);
    EXPECT_EQ(lineSize->pref->value, "100");
  }
  EXPECT_NE(capture.diagnostics.find("Value 0 of line_size refused: it must lie between 61 and 999"),
            std::string::npos);
  EXPECT_EQ(set_value(lineSize, 61), 0);
  EXPECT_EQ(lineSize->pref->value, "61");
  // A file saved before the bound existed: its value is not taken, and not kept.
  changeDefault(lineSize->pref, "0");
  getIntParDefaults();
  EXPECT_EQ(lineSize->value, 61);
  EXPECT_EQ(lineSize->pref->value, "61");
}

TEST_F(ParametersTest, ASavedValueNotAcceptedIsReportedOnceAndReplacedByTheBuiltInOne) {
  InternalParameter* ranged = addInternalParameter("Test ranged", "5", 'i', 1);
  setParameterRange("Test ranged", 1, 9);
  InternalParameter* open = addInternalParameter("Test open", "7", 'i', 1);
  setParameterRange("Test open", 0, 2147483647);
  InternalParameter* sw = addInternalParameter("Test saved switch", "ON", 't', 1);
  changeDefault(ranged->pref, "12");
  changeDefault(open->pref, "abc");
  changeDefault(sw->pref, "maybe");
  OutputCapture capture;
  getIntParDefaults();
  EXPECT_EQ(ranged->value, 5);
  EXPECT_EQ(ranged->pref->value, "5");
  EXPECT_EQ(open->value, 7);
  EXPECT_EQ(open->pref->value, "7");
  EXPECT_EQ(sw->value, 1);
  EXPECT_EQ(sw->pref->value, "ON");
  EXPECT_NE(capture.diagnostics.find("Saved value 12 of Test ranged refused: it must lie between 1 and 9; 5 used instead"),
            std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Saved value abc of Test open refused: it must be 0 or more; 7 used instead"),
            std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Saved value maybe of Test saved switch refused: it must be ON or OFF; ON used instead"),
            std::string::npos);
  // Said once: the entries now hold accepted values.
  capture.clear();
  getIntParDefaults();
  EXPECT_EQ(capture.all, "");
  // Values at the bounds are taken without a word.
  changeDefault(ranged->pref, "9");
  changeDefault(open->pref, "0");
  getIntParDefaults();
  EXPECT_EQ(ranged->value, 9);
  EXPECT_EQ(open->value, 0);
  EXPECT_EQ(capture.all, "");
}

TEST_F(ParametersTest, ResetRestoresValuesAndDropsNewParameters) {
  setIntPar("echo", 1);
  addInternalParameter("Test transient", "1", 'i', 0);
  addDefaultAction("math", countChange);
  resetAll();
  EXPECT_EQ(getValue(getIntParPointer("echo")), 0);
  EXPECT_EQ(findInternalParameter("Test transient"), nullptr);
  EXPECT_EQ(findInternalParameter("math")->onChange, nullptr);
}

}  // namespace
