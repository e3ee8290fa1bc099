// "select invariant" with a MIPF number: numbers beyond the MIPFs there are refused with the
// number as typed and the count, whether the MIPFs were counted before or only by the
// search for the number; the current invariant stays. A typed invariant with a cycle left
// open is refused as one with a bracket left open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "TestSupport.h"

namespace {

class CommandsUserInvariantsTest : public ZoqTest {
 protected:
  // SU(2) level 4: two simple-current invariants, the diagonal one (MIPF 0) and the D-type
  // |chi_0 + chi_4|^2 + 2 |chi_2|^2 (MIPF 1).
  void su2Level4() {
    ASSERT_EQ(run("algebra a 1 4"), 0);
    capture.clear();
  }
};

TEST_F(CommandsUserInvariantsTest, ANumberBeyondTheMipfsIsRefusedBeforeTheyAreCounted) {
  su2Level4();
  ASSERT_EQ(run("select invariant 1"), 0);
  BulkInvariant* chosen = *getCurrentBulk();
  capture.clear();
  EXPECT_NE(run("select invariant 5"), 0);
  EXPECT_NE(capture.diagnostics.find("MIPF number 5 out of range (total MIPFs 2) \n"), std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(capture.printed.find("Resetting to trivial one"), std::string::npos) << capture.printed;
  EXPECT_EQ(*getCurrentBulk(), chosen);
  EXPECT_EQ(TotalInvariants(), 2);
}

TEST_F(CommandsUserInvariantsTest, NumbersThatNoMipfCanHaveAreRefusedWithoutASearch) {
  su2Level4();
  EXPECT_NE(run("select invariant -5"), 0);
  EXPECT_EQ(capture.diagnostics, "MIPF number -5 out of range (MIPF numbers start at 0) \n");
  capture.clear();
  EXPECT_NE(run("select invariant 99999999999"), 0);
  EXPECT_EQ(capture.diagnostics, "MIPF number 99999999999 out of range (MIPF numbers are at most 2147483647) \n");
  // Nothing was counted on the way.
  EXPECT_EQ(TotalInvariants(), -1);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(CommandsUserInvariantsTest, AfterTheCountTheNumberTypedIsNamed) {
  su2Level4();
  ASSERT_EQ(run("generate simple_current_invariants"), 0);
  ASSERT_EQ(TotalInvariants(), 2);
  for (const char* number : {"2", "-5", "2147483647", "000000000000000000000002"}) {
    capture.clear();
    EXPECT_NE(run((std::string("select invariant ") + number).c_str()), 0);
    EXPECT_EQ(capture.diagnostics, "MIPF number " + std::string(number) + " out of range (total MIPFs 2) \n");
  }
  capture.clear();
  EXPECT_EQ(run("select invariant 001"), 0);
  EXPECT_EQ(capture.diagnostics.find("out of range"), std::string::npos) << capture.diagnostics;
}

TEST_F(CommandsUserInvariantsTest, OtherLookUpsByNumberRefuseWhatNoIntHolds) {
  // 4294967297 = 2^32 + 1 would wrap round to MIPF 1 as an int.
  su2Level4();
  EXPECT_NE(run("browse bulk_invariant 4294967297"), 0);
  EXPECT_EQ(capture.diagnostics, "MIPF number 4294967297 out of range (MIPF numbers are at most 2147483647) \n");
  EXPECT_EQ(capture.printed.find("MIPF identifier"), std::string::npos) << capture.printed;
}

// The alerts of the commands run, with their codes.
struct RecordedAlert {
  std::string routine;
  int code = 0;
  std::string text;
};
std::vector<RecordedAlert> recordedAlerts;

int recordAlert(const char* routine, int, int code, const std::string& text) {
  recordedAlerts.push_back({routine, code, text});
  return 1;
}

TEST_F(CommandsUserInvariantsTest, AnUnclosedCycleIsRefusedAsAnUnclosedBracketIs) {
  su2Level4();
  BulkInvariant* current = *getCurrentBulk();
  recordedAlerts.clear();
  setAlertRecorder(recordAlert);
  const int bracket = run("check invariant (0");
  const std::vector<RecordedAlert> bracketAlerts = recordedAlerts;
  recordedAlerts.clear();
  const int cycle = run("check invariant <1,2");
  const std::vector<RecordedAlert> cycleAlerts = recordedAlerts;
  recordedAlerts.clear();
  const int selected = run("select invariant <1,2");
  const std::vector<RecordedAlert> selectAlerts = recordedAlerts;
  setAlertRecorder(nullptr);
  // Both refused, each with its alert first, of the same code (so the same severity).
  EXPECT_NE(bracket, 0);
  EXPECT_NE(cycle, 0);
  EXPECT_NE(selected, 0);
  ASSERT_FALSE(bracketAlerts.empty());
  ASSERT_EQ(cycleAlerts.size(), 1u);
  EXPECT_EQ(bracketAlerts[0].text, "Bracket mismatch");
  EXPECT_EQ(cycleAlerts[0].text, "Bracket mismatch: \"<\" without \">\"");
  EXPECT_EQ(cycleAlerts[0].code, bracketAlerts[0].code);
  ASSERT_EQ(selectAlerts.size(), 1u);
  EXPECT_EQ(selectAlerts[0].text, cycleAlerts[0].text);
  EXPECT_EQ(selectAlerts[0].code, cycleAlerts[0].code);
  // Nothing was tested against S, and the current invariant stays.
  EXPECT_EQ(capture.printed.find("invariant"), std::string::npos) << capture.printed;
  EXPECT_EQ(*getCurrentBulk(), current);
}

}  // namespace
