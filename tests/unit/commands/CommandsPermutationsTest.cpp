// The symmetry commands: exchanges of identical tensor factors on one field and on the
// whole spectrum (with assignments, the kept permutation and the stop of the fusion
// completion), the vacuum primary selection, the Gaussian sums of a single algebra, and
// the assignment words x:y.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TensorTestSupport.h"
#include "commands/Commands.h"
#include "invariants/Invariants.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"

namespace {

class CommandsPermutationsTest : public TensorTest {
 protected:
  // SO(6) level 1 = (A1_2 x A1_2) extended by (J, J): fields 0 (vacuum), 1 (vector) and the
  // two spinors 2 and 3, the resolved fixed point (1, 1).
  void so6() { runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"}); }
  std::string printedBy(const char* line) {
    capture.clear();
    run(line);
    return capture.printed;
  }
};

TEST_F(CommandsPermutationsTest, AssignmentsAreTwoWholeIntegersAroundTheFirstColon) {
  int x = 0, y = 0;
  EXPECT_TRUE(ConvertAssign("2:3", &x, &y));
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 3);
  EXPECT_TRUE(ConvertAssign("-12:+7", &x, &y));
  EXPECT_EQ(x, -12);
  EXPECT_EQ(y, 7);
  for (const char* bad : {"3-2", "2:", ":3", "2:3:4", "a:1", "1:1.5", "", "99999999999:1", " 2:3"})
    EXPECT_FALSE(ConvertAssign(bad, &x, &y)) << bad;
  EXPECT_FALSE(ConvertAssign(nullptr, &x, &y));
}

TEST_F(CommandsPermutationsTest, GetPermutationReportsAResolvedFixedPointOnly) {
  so6();
  EXPECT_EQ(printedBy("get permutation 0 1 2"),
            "Field 2 is resolved into 2 irreducible components\n");
  EXPECT_EQ(printedBy("get permutation 0 1 1"), "");
  EXPECT_TRUE(silent());
}

TEST_F(CommandsPermutationsTest, ExchangingDifferentLevelsIsNotAPermutation) {
  runAll({"tensor", "g a 1 2", "g a 1 4", "compute spectrum"});
  capture.clear();
  run("get permutation 0 1 0");
  EXPECT_TRUE(alerted("This is not a permutation"));
  run("compute permutations 0 1");
  EXPECT_TRUE(alerted("This is not a permutation"));
  EXPECT_EQ(CT_getLastFieldPermutation(currentTensor), nullptr);
}

TEST_F(CommandsPermutationsTest, TheExchangeNeedsTensorMode) {
  runAll({"algebra a 1 2"});
  capture.clear();
  EXPECT_NE(run("get permutation 0 1 0"), 0);
  EXPECT_TRUE(alerted("Command only available in tensor mode"));
  EXPECT_NE(run("compute permutations 0 1"), 0);
  EXPECT_TRUE(alerted("Command only available in tensor mode"));
}

TEST_F(CommandsPermutationsTest, AnAssignmentCompletesTheSpinorsAndThePermutationIsKept) {
  so6();
  // The exchange of the two SU(2) factors is the outer automorphism of so(6) that swaps
  // the spinors: the vacuum and the vector stay, 2 and 3 are exchanged.
  EXPECT_EQ(printedBy("compute permutations 0 1 2:3"),
            "Field 2 is resolved into 2 irreducible components\n"
            "Field 3 is resolved into 2 irreducible components\n"
            "0 <==> 0\n1 <==> 1\n2 <==> 3\n3 <==> 2\n");
  const std::vector<int>* kept = CT_getLastFieldPermutation(currentTensor);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(*kept, (std::vector<int>{0, 1, 3, 2}));
  // Without the assignment the spinors stay open, and that permutation is kept last.
  EXPECT_EQ(printedBy("compute permutations 0 1"),
            "Field 2 is resolved into 2 irreducible components\n"
            "Field 3 is resolved into 2 irreducible components\n"
            "0 <==> 0\n1 <==> 1\nPermutation 2 not resolved\nPermutation 3 not resolved\n");
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 2);
  EXPECT_EQ(*CT_getLastFieldPermutation(currentTensor), (std::vector<int>{0, 1, -2, -2}));
  // Made again, a permutation is kept once, as the last one.
  run("compute permutations 0 1 3:2");
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 2);
  EXPECT_EQ(*CT_getLastFieldPermutation(currentTensor), (std::vector<int>{0, 1, 3, 2}));
}

TEST_F(CommandsPermutationsTest, AContradictingOrInvalidAssignmentKeepsNothing) {
  so6();
  capture.clear();
  // The vacuum is its own image by its labels.
  run("compute permutations 0 1 0:2");
  EXPECT_TRUE(alerted("Incorrect degeneracy resolution"));
  run("compute permutations 0 1 3-2");
  // One line: the message ends where the alert ends it, no line of one blank follows.
  EXPECT_EQ(capture.diagnostics, "Invalid assignment: 3-2 \n");
  EXPECT_EQ(capture.printed.find("<==>"), std::string::npos);
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 0);
}

TEST_F(CommandsPermutationsTest, AChangeOfTheProductForgetsTheKeptPermutations) {
  so6();
  run("compute permutations 0 1 2:3");
  ASSERT_EQ(CT_fieldPermutationCount(currentTensor), 1);
  runAll({"g a 1 2"});
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 0);
  EXPECT_EQ(CT_getLastFieldPermutation(currentTensor), nullptr);
}

TEST_F(CommandsPermutationsTest, AStopEndsTheFusionCompletionWithoutAPermutation) {
  // (A1_4 x A1_4) extended by (J, J): 8 fields, 2 simple currents, the fixed point (2, 2)
  // resolved into fields 6 and 7. With 6 kept in place, the completion sweeps pairs of
  // the other fields for field 7 and asks the fusion rules, which answer the stop signal
  // instead of a coefficient (without the orbit tables nothing precomputed answers first).
  // (Without an assignment no fusion product can hold one component alone, and none is
  // asked.)
  runAll({"set use_orbits 0", "tensor", "g a 1 4", "g a 1 4", "current 1 1", "compute spectrum"});
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 8);
  capture.clear();
  setStopSignal(1);
  const int kept[] = {6};
  const std::vector<int> stopped = CloseTensorPermutations(currentTensor, 0, 1, 1, kept, kept);
  setStopSignal(0);
  EXPECT_TRUE(stopped.empty());
  EXPECT_EQ(capture.printed.find("Added"), std::string::npos);
  EXPECT_EQ(capture.printed.find("<==>"), std::string::npos);
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 0);
  // Not stopped, the sweep ends with the fixed point open (both components fuse alike).
  const std::vector<int> open = CloseTensorPermutations(currentTensor, 0, 1, 0, nullptr, nullptr);
  ASSERT_EQ(open.size(), 8u);
  EXPECT_EQ(open[6], -2);
  EXPECT_EQ(open[7], -2);
  EXPECT_EQ(CT_fieldPermutationCount(currentTensor), 1);
}

TEST_F(CommandsPermutationsTest, TheVacuumSelectionHoldsPrimaryZeroUntilTheStoreIsReset) {
  runAll({"algebra a 1 4"});
  EXPECT_EQ(getPrimarySelection(), nullptr);
  runAll({"set Primary_selection vacuum"});
  ASSERT_NE(getPrimarySelection(), nullptr);
  EXPECT_EQ(*getPrimarySelection(), std::vector<int>{0});
  runAll({"reset invariants"});
  EXPECT_EQ(getPrimarySelection(), nullptr);
  // A list given by a caller is copied.
  int list[] = {0, 3, -1};
  setPrimarySelection(list);
  list[1] = 2;
  EXPECT_EQ(*getPrimarySelection(), (std::vector<int>{0, 3}));
  runAll({"algebra a 1 3"});
  EXPECT_EQ(getPrimarySelection(), nullptr);
}

std::vector<int> acceptedMatrix;
int acceptedCalls = 0;
int recordCandidate(const int* M, int, int, int, int) {
  ++acceptedCalls;
  const int N = *TotalPrimaries;
  acceptedMatrix.assign(M, M + N * N);
  return 1;
}

TEST_F(CommandsPermutationsTest, AHomomorphismCompletesTheVacuumAndTheCurrentToTheDInvariant) {
  // A1 level 4: chi_0 + chi_4 (J has weight 1) completes to |chi_0 + chi_4|^2 + 2 |chi_2|^2.
  runAll({"algebra a 1 4"});
  const int f0 = modular_test::a1Field(currentSD, 0);
  const int f2 = modular_test::a1Field(currentSD, 2);
  const int f4 = modular_test::a1Field(currentSD, 4);
  acceptedCalls = 0;
  setCandidateAcceptance(recordCandidate);
  capture.clear();
  const int result =
      run(("check homomorphism " + std::to_string(f0) + " " + std::to_string(f4)).c_str());
  setCandidateAcceptance(nullptr);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(acceptedCalls, 1);
  std::vector<int> expected(25, 0);
  for (int a : {f0, f4})
    for (int b : {f0, f4}) expected[static_cast<std::size_t>(a * 5 + b)] = 1;
  expected[static_cast<std::size_t>(f2 * 5 + f2)] = 2;
  EXPECT_EQ(acceptedMatrix, expected);
  EXPECT_NE(capture.printed.find("Dividing by gcd 2\n"), std::string::npos);
  // Without fields there is nothing to complete.
  EXPECT_NE(run("check homomorphism"), 0);
  EXPECT_TRUE(alerted("No fields given"));
  EXPECT_EQ(acceptedCalls, 1);
}

TEST_F(CommandsPermutationsTest, TheVacuumSelectionBuildsTheVacuumRowOnly) {
  // A1 level 4 with Autostore: Invariant_1 is |chi_0 + chi_4|^2 + 2|chi_2|^2. Selected for
  // the vacuum, only the row of the vacuum's orbit {0, 4} is built, and the record is marked
  // truncated; rebuilding fills the row of chi_2 with multiplicity 2.
  runAll({"algebra a 1 4", "set autostore on", "set Primary_selection vacuum",
          "generate simple_current_invariants"});
  BulkInvariant* bi = findNamedBulkInvariant("Invariant_1");
  ASSERT_NE(bi, nullptr);
  const int f0 = modular_test::a1Field(currentSD, 0);
  const int f2 = modular_test::a1Field(currentSD, 2);
  const int f4 = modular_test::a1Field(currentSD, 4);
  EXPECT_EQ(bi->MD->truncated, 1);
  EXPECT_EQ(bulkEntry(bi, f0, f4), 1);
  EXPECT_EQ(bulkEntry(bi, f2, f2), 0);
  capture.clear();
  RecomputeBulkInvariant(bi);
  EXPECT_EQ(capture.printed, "Re-computing MIPF (because of previous truncation)\n");
  EXPECT_EQ(bi->MD->truncated, 0);
  EXPECT_EQ(bulkEntry(bi, f2, f2), 2);
  EXPECT_EQ(bulkEntry(bi, f0, f4), 1);
}

TEST_F(CommandsPermutationsTest, GaussSumsOfASingleAlgebra) {
  // A2 level 1, x = 0: fields 0, w1, w2, each with stabiliser order 6 (two zero extended
  // labels); 1 + 2 exp(2 pi i (8/3)/4) = -i sqrt(3), over N = sqrt(3)/2, times
  // exp(-i pi/2): -2.
  runAll({"algebra a 2 1"});
  EXPECT_EQ(printedBy("Compute Gauss_sum 0"), "     -2.0000000\n");
  const std::string table = printedBy("Compute Gauss_sum");
  EXPECT_EQ(
      table.rfind("Class     Gauss sum      Class generator\n0         -2.000          (0,0)\n", 0),
      0u)
      << table;
  // A1 at even level and x = 0: 2 (the quadratic Gauss sum over 2k residues).
  runAll({"algebra a 1 4"});
  EXPECT_EQ(printedBy("Compute Gauss_sum 0"), "      2.0000000\n");
  EXPECT_TRUE(silent());
}

TEST_F(CommandsPermutationsTest, GaussSumsAreForAffineLieAlgebrasOnly) {
  runAll({"algebra minimal 0 1"});
  capture.clear();
  EXPECT_NE(run("Compute Gauss_sum"), 0);
  EXPECT_TRUE(alerted("This command is only defined for affine Lie algebras"));
  runAll({"tensor"});
  capture.clear();
  EXPECT_NE(run("Compute Gauss_sum"), 0);
  EXPECT_TRUE(alerted("Command only works in single algebra mode"));
}

}  // namespace
