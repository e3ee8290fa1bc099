// Orbits, graded products and the tensor-mode commands: representatives, the current
// action on resolved fields, grade maps and graded spectra of N=2 minimal models, the
// texts of status, stabilisers and the chiral algebra, and the case records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Directories.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerGrading.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetOrbitsTest : public TensorTest {
 protected:
  void so6() { runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"}); }
};

TEST_F(CosetOrbitsTest, CurrentsActOnTheResolvedSpinorsOfSO6AsZ4) {
  // SO(6)_1 = SU(4)_1: the vector maps each spinor to the other, and squares to 1.
  so6();
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 4);
  EXPECT_EQ(CT_simpleCurrentProduct(1, 1, currentTensor), 0);
  EXPECT_EQ(CT_simpleCurrentAction(1, 1, currentTensor), 0);
  EXPECT_EQ(CT_simpleCurrentAction(1, 2, currentTensor), 3);
  EXPECT_EQ(CT_simpleCurrentAction(1, 3, currentTensor), 2);
  EXPECT_EQ(CT_simpleCurrentAction(0, 2, currentTensor), 2);
  EXPECT_EQ(findStabilizerElement(currentTensor, 2, 0), 0);
  EXPECT_EQ(findStabilizerElement(currentTensor, 0, 1), -1);
}

TEST_F(CosetOrbitsTest, RepresentativesPreferLowerWeightThenLabels) {
  runAll({"tensor", "g a 1 4", "current 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  // Field 1 of A1 level 4 is the current (weight 1), field 2 the doublet (weight 1/8).
  const int current[] = {1};
  const int doublet[] = {2};
  EXPECT_EQ(compareOrbitGenerators(TP, doublet, current), -1);
  EXPECT_EQ(compareOrbitGenerators(TP, current, doublet), 1);
  // The vacuum orbit {0, J}: its representative is the vacuum.
  EXPECT_EQ(getRepresentative(TP, current), std::vector<int>{0});
  EXPECT_EQ(IdentifyOrbit(TP, current), 0);
  // The doublet has charge 1/2: not a field of the extension.
  EXPECT_EQ(IdentifyOrbit(TP, doublet), -1);
  EXPECT_EQ(tensorPower(TP, current, 0), std::vector<int>{0});
  EXPECT_EQ(tensorPower(TP, current, 2), std::vector<int>{0});
  // With "Graded" off the graded form changes nothing.
  int row[] = {3};
  GradedMinimalForm(TP, row);
  EXPECT_EQ(row[0], 3);
}

TEST_F(CosetOrbitsTest, CosetRepresentativesAreDecidedByLabelsAlone) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->ExactWeightFlag, 0);
  // (1,1,0) has weight 1/2 mod 1, (0,0,1) ... the labels decide: (0,0,x) first.
  const int a[] = {1, 1, 0};
  const int b[] = {0, 0, 1};
  EXPECT_EQ(compareOrbitGenerators(currentTensor, b, a), -1);
  EXPECT_EQ(getRepresentative(currentTensor, a), (std::vector<int>{0, 0, 1}));
}

TEST_F(CosetOrbitsTest, GradeMapsOfAnN2MinimalModel) {
  // Level 1: 12 fields, all simple currents, half of them NS.
  SpectrumData* sd = SM_getData(27, 2, 1);
  ASSERT_NE(sd->graded, 0);
  const int n = sd->n_primaries;
  ASSERT_EQ(n, 12);
  std::vector<int> map(static_cast<std::size_t>(2 * n), -1);
  int nsStart = 0, rStart = 0, nNS = 0, nR = 0, pass = 0;
  SM_makeGradeMap(sd, map.data(), &nsStart, &rStart, &nNS, &nR, &pass);
  EXPECT_EQ(pass, 1);
  EXPECT_EQ(nNS, 6);
  EXPECT_EQ(nR, 6);
  for (int k = 0; k < nNS; ++k) EXPECT_EQ(sd->grading[map[static_cast<std::size_t>(k)]], 'N');
  for (int k = 0; k < nR; ++k) EXPECT_EQ(sd->grading[map[static_cast<std::size_t>(n + k)]], 'R');
  // No field but currents: the boundaries are the block ends.
  EXPECT_EQ(nsStart, nNS);
  EXPECT_EQ(rStart, nR);
  // Second pass: one member of each grade multiplet, the smaller index.
  SM_makeGradeMap(sd, map.data(), &nsStart, &rStart, &nNS, &nR, &pass);
  EXPECT_EQ(pass, 2);
  EXPECT_EQ(nNS + nR, 6);
  for (int k = 0; k < nNS; ++k) {
    const int a = map[static_cast<std::size_t>(k)];
    EXPECT_LT(a, sd->n2_multiplets[a]);
  }
  EXPECT_EQ(SM_makeNSCurrents(sd, 1), 6);
  const int* ns = SM_getNSCurrents(sd);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(sd->grading[ns[k]], 'N');
  EXPECT_EQ(SM_makeNSCurrents(sd, 0), 12);
}

TEST_F(CosetOrbitsTest, GradedProductsKeepPureSectorsUpToEvenFlips) {
  // Two N=2 models at level 1: (NS x NS + R x R) / 2 = (36 + 36) / 2 fields, all currents.
  runAll({"set graded on", "tensor", "g minimal 2 1", "g minimal 2 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 36);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 36);
  EXPECT_EQ(currentTensor->ChiralAlgebraOrder, 1);
  EXPECT_EQ(currentTensor->ChiralAlgebra.size(), 2);
  // Three at level 3 (40 fields, 20 currents each): (20^3 + 20^3) / 4 fields and
  // (10^3 + 10^3) / 4 currents.
  runAll({"reset tensor", "g minimal 2 3", "g minimal 2 3", "g minimal 2 3", "compute spectrum"});
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 4000);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 500);
  EXPECT_EQ(currentTensor->ChiralAlgebra.size(), 4);
  // One graded factor: no flips join the algebra.
  runAll({"reset tensor", "g minimal 2 1", "g a 1 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->ChiralAlgebra.size(), 1);
}

TEST_F(CosetOrbitsTest, StatusStabilizerAndChiralAlgebraTexts) {
  so6();
  {
    OutputCapture out;
    runAll({"status"});
    EXPECT_EQ(out.printed, "Mode: tensor\nG A 1 2\nG A 1 2\ncurrent 1 1 \n");
  }
  {
    OutputCapture out;
    runAll({"browse chiral_algebra"});
    EXPECT_EQ(out.printed.rfind("Chiral algebra size: 2\nGraded Chiral algebra size: 2\n", 0), 0u)
        << out.printed;
    EXPECT_NE(out.printed.find("Current 1 (weight  1/1) :"), std::string::npos) << out.printed;
  }
  {
    OutputCapture out;
    printStabilizer(currentTensor, 0);
    EXPECT_EQ(out.printed, "Stabilizer is trivial\n");
  }
  {
    OutputCapture out;
    printStabilizer(currentTensor, 2);
    EXPECT_EQ(out.printed.rfind("Stabilizer (fully untwisted):  ", 0), 0u) << out.printed;
    EXPECT_NE(out.printed.find("Basis decomposition:\n"), std::string::npos);
  }
  OutputCapture out;
  printCosetHeader(currentTensor, nullptr);
  EXPECT_EQ(out.printed,
            "Spectrum of the tensor product of \n         A1 level 2   \n         A1 level 2   \n"
            "\nWith simple currents \n      (1,1)\n");
}

TEST_F(CosetOrbitsTest, FactorCommandsSwitchToTensorModeAndQueriesAnswer) {
  EXPECT_EQ(run("g a 1 4"), 0);
  EXPECT_TRUE(alerted("Switching to tensor mode"));
  EXPECT_EQ(KMCosetSwitch, 1);
  runAll({"current 1", "compute spectrum"});
  OutputCapture out;
  runAll({"get weight 1", "get weight 0", "check simple 0", "get charge 0 1", "total primaries"});
  EXPECT_EQ(out.printed, "1/3\n0\nTRUE\n0\n3\n");
  out.clear();
  runAll({"display weight 1 3"});
  EXPECT_EQ(std::count(out.printed.begin(), out.printed.end(), '\n'), 4) << out.printed;
  // The conjugate of a resolved fixed point comes from the coset S matrix: the 3 and the
  // 3bar of SU(3)_1 are the two resolved fields 1 and 2.
  EXPECT_EQ(CT_getConjugate(currentTensor, 0), 0);
  EXPECT_EQ(CT_getConjugate(currentTensor, 1), 2);
}

TEST_F(CosetOrbitsTest, RestrictedSpectraAndCosetRefusals) {
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1"});
  OutputCapture out;
  runAll({"compute simple_current_spectrum"});
  EXPECT_EQ(out.printed, "Number of primaries: 2 (Simple currents: 2)\n");
  EXPECT_EQ(getSpectrumComputed(), 3);
  runAll({"reset tensor", "g a 1 2", "g a 1 1", "compute massless_spectrum"});
  // Weights 0, 3/16, 1/2, 1/4, 7/16, 3/4: all at most 1.
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 6);
  EXPECT_EQ(getSpectrumComputed(), 2);
  runAll({"reset tensor", "g a 1 2", "h a 1 2"});
  EXPECT_NE(run("compute massless_spectrum"), 0);
  EXPECT_NE(out.diagnostics.find("This command is not available for coset CFT's"), std::string::npos);
}

TEST_F(CosetOrbitsTest, RemovingACurrentKeepsTheOthers) {
  runAll({"tensor", "g a 1 2", "g a 1 2", "g a 1 2", "g a 1 2", "current 1 1 0 0", "current 0 0 1 1"});
  EXPECT_EQ(removeCurrent(currentTensor, 0), 0);
  ASSERT_EQ(currentTensor->CurrentList.size(), 1u);
  EXPECT_EQ(currentTensor->CurrentList[0], (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(currentTensor->SpectrumChanged, 1);
  EXPECT_EQ(checkForExtension(currentTensor), 1);
}

TEST_F(CosetOrbitsTest, FreeFactorsAreThoseOutsideTheWeightOneFields) {
  // A1_2 x A1_2 x A1_1 extended by (J, J, 0): (0, J, 0) x (J, J, 0) = (J, 0, 0) has weight
  // 1/2; the vacuum orbit's weight-one member (J, J, 0) uses the first two factors.
  runAll({"tensor", "g a 1 2", "g a 1 2", "g a 1 1", "current 1 1 0", "compute spectrum"});
  const int fields[] = {0, -1};
  EXPECT_EQ(findFreeFactors(currentTensor, fields), (std::vector<int>{1, 1, 0}));
}

TEST_F(CosetOrbitsTest, TachyonFreeCasesAppendToOneFile) {
  runAll({"tensor", "g a 1 4", "current 1"});
  EXPECT_EQ(registerTachyonFreeCase(-1), 0);
  EXPECT_EQ(registerTachyonFreeCase(2), 0);
  EXPECT_EQ(registerTachyonFreeCase(0), 1);
  EXPECT_EQ(registerTachyonFreeCase(1), 1);
  const std::string name = getCurrentOutputFileName(".cases");
  EXPECT_EQ(readFile(name),
            "Extension -1, MIPF -1 (oriented)\nExtension -1,MIPF -1, orientifold -1\n");
  std::filesystem::remove(name);
}

TEST_F(CosetOrbitsTest, ShiftedTextAndHeteroticIdentifier) {
  {
    OutputCapture out;
    PrintShifted("first\nsecond\nthird");
    EXPECT_EQ(out.printed, "first\n" + std::string(23, ' ') + "second\n");
  }
  {
    OutputCapture out;
    PrintShifted("alone");
    EXPECT_EQ(out.printed, "alone\n");
    EXPECT_NE(out.diagnostics.find("Unexpected empty field"), std::string::npos);
  }
  runAll({"tensor", "g a 1 1", "g minimal 2 3", "g minimal 2 1"});
  EXPECT_EQ(getHeteroticSpectrumIdentifier(1), "$(3,1)$");
  EXPECT_EQ(getHeteroticSpectrumIdentifier(0), "$(3,1,A1)$");
  EXPECT_EQ(modTest(currentTensor), 1);
}

TEST_F(CosetOrbitsTest, ExceptionalProductMatrixOfDiagonalChoices) {
  // Choice 0 is the identity invariant in every factor: the product is the identity.
  runAll({"tensor", "g a 1 1", "g a 1 2", "compute spectrum"});
  std::vector<int> M;
  const int choice[] = {0, 0};
  getExceptionalTensorModularMatrix(M, choice);
  const int N = currentTensor->NumberOfPrimaries;
  ASSERT_EQ(M.size(), static_cast<std::size_t>(N * N));
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) EXPECT_EQ(M[static_cast<std::size_t>(i + N * j)], i == j ? 1 : 0);
}

}  // namespace

namespace {

TEST_F(CosetOrbitsTest, GepnerQuinticAsTheCalabiYauBuilderMakesIt) {
  // D5 level 1 (graded by its vector) x five N=2 models at level 3, "Graded" on, extended
  // by the supersymmetry current J = (1, ..., 1). Pure NS or pure R label rows: 2 x 2 x
  // 20^5; even grade flips of the six factors identify 32 of them; J^10 is the flip of all
  // six, so J acts with order 10 on the classes and its charge, a multiple of 1/10 there,
  // keeps a tenth: 12,800,000 / 32 / 10 / 10 = 4000 fields. The simple currents count the
  // same way from 2 x 2 x 10^5 current rows: 400,000 / 32 / 10 / 10 = 125.
  gepnerProduct(147, 5);
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 4000);
  EXPECT_EQ(getNumericalTensorCode(currentTensor), 33333);
  // J itself has weight 5/8 + 5 x 3/40 = 1 (a spinor of D5 and five Ramond ground states
  // of weight c/24 = 3/40) and D5 label 1: the extension is supersymmetric.
  OutputCapture out;
  runAll({"compute spectrum", "supersymmetric"});
  EXPECT_EQ(out.printed, "CFT {33333}; 4000 primaries (125 simple currents)\n1\n");
}

}  // namespace

namespace {

TEST_F(CosetOrbitsTest, ChargesRestrictedAndIntegerAgreeWithTheFactors) {
  // A1_2 x A1_2: the current J = (J, J) gives field (2, 0) (the doublet of the first
  // factor, j = 1/2) the charge 1/2; restricted to the second factor it is 0.
  runAll({"tensor", "g a 1 2", "g a 1 2", "compute spectrum"});
  const int J[] = {1, 1};
  const int doublet[] = {2, 0};
  Rat q;
  TensorRatCharge(currentTensor, J, doublet, &q);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 2);
  EXPECT_EQ(IntegerTensorRatCharge(currentTensor, doublet, J, 2), 1);
  EXPECT_EQ(IntegerTensorRatCharge(currentTensor, doublet, J, 4), 2);
  const int swapped[] = {0, 2};
  RestrictedTensorRatCharge(currentTensor, 1, swapped, J, &q);
  EXPECT_EQ(q.num, 0);
  RestrictedTensorRatCharge(currentTensor, 2, swapped, J, &q);
  EXPECT_EQ(q.num * 2, q.den);
  // Without currents every product of the factors' currents is a simple current.
  EXPECT_EQ(findSimpleCurrents(currentTensor), 4);
  // The doublet j = 1/2 of SU(2)_2 is the fixed point of J: (J, 0) has fixed-point
  // theories in both factors (the identity has the trivial one).
  int labels[2] = {-5, -5};
  const int J0[] = {1, 0};
  EXPECT_EQ(TensorFixedPointLabels(currentTensor, J0, labels), 0);
  EXPECT_GE(labels[0], 1);
  EXPECT_EQ(labels[1], 0);
}

TEST_F(CosetOrbitsTest, CurrentLinesAndLogWriteTheInput) {
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1"});
  TemporaryFolder folder;
  const std::string path = folder.path("currents.txt");
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  writeCurrents(file);
  writeCosetCommands(currentTensor, file);
  std::fclose(file);
  EXPECT_EQ(readFile(path), "current 1 1 \ntensor\nG A 1 2\nG A 1 2\ncurrent 1 1 \n");
}

TEST_F(CosetOrbitsTest, OriginAndSpectrumToAStream) {
  runAll({"tensor", "g a 1 4", "current 1", "compute spectrum"});
  {
    OutputCapture out;
    CT_browseOrigin(currentTensor, 1, 1);
    EXPECT_EQ(out.printed.rfind("  Field     1: ", 0), 0u) << out.printed;
    EXPECT_NE(out.printed.find("Tensor decomposition: "), std::string::npos);
  }
  TemporaryFolder folder;
  const std::string path = folder.path("spectrum.txt");
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  MOD_printSpectrum(0, 3, file);
  std::fclose(file);
  const std::string text = readFile(path);
  // Three rows, no header: the weights 0, 1/3, 1/3.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  EXPECT_EQ(text.find("Lbl"), std::string::npos);
  EXPECT_NE(text.find("1/3"), std::string::npos);
}

TEST_F(CosetOrbitsTest, DiscreteGroupPrintShowsEveryElement) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "compute spectrum"});
  OutputCapture out;
  printDiscreteGroup(currentTensor->CurrentGroup, nullptr);
  // Z2 x Z2: two factors, four elements.
  EXPECT_EQ(out.printed.rfind("Multiplicity: 2\nOrder: 4\n", 0), 0u) << out.printed;
  EXPECT_NE(out.printed.find("elt.   3, decomp --> "), std::string::npos) << out.printed;
}

}  // namespace

namespace {

TEST_F(CosetOrbitsTest, CurrentQueriesWorkInBothModes) {
  // SU(2)_4: J has order 2; the doublet (field 2, j = 1/2) has weight 3/24 and charge
  // 1/2; J fixes only j = 1, never the vacuum.
  runAll({"algebra a 1 4"});
  OutputCapture out;
  runAll({"get order 1 0", "get weight 2", "get charge 1 2"});
  EXPECT_EQ(out.printed, "Order 2\n1/8\n1/2\n");
  out.clear();
  EXPECT_NE(run("get twist 0 1 1"), 0);
  EXPECT_EQ(out.printed, "Current 1 does not fix field 0\n");
  // In the extension SU(3)_1 the identity is the only current the passes find; field 1
  // (a resolved fixed point, the 3 of SU(3)_1) still has quantum dimension 1.
  runAll({"tensor", "g a 1 4", "current 1", "compute spectrum"});
  out.clear();
  runAll({"get order 0 0", "check simple 1", "total simple_currents"});
  EXPECT_EQ(out.printed, "Order 1\nTRUE\n1\n");
}

}  // namespace

namespace {

TEST_F(CosetOrbitsTest, GradedSwitchLeavesUngradedProductsAlone) {
  // Two SU(2)_2 factors without grading: 3 x 3 fields, 2 x 2 currents, with the switch
  // on or off; every field has its own stabiliser record.
  runAll({"set graded on", "tensor", "g a 1 2", "g a 1 2", "compute spectrum"});
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 9);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 4);
  EXPECT_EQ(currentTensor->Stabilizers.size(), 9u);
  runAll({"current 1 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 4);
  EXPECT_EQ(currentTensor->Stabilizers.size(), 4u);
}

}  // namespace

namespace {

TEST_F(CosetOrbitsTest, MasslessDisplayShowsTheVacuumAndWeightOneFields) {
  // SU(2)_2 x SU(2)_2: weights h1 + h2 with h in {0, 1/2, 3/16}; only (J, J) has weight 1.
  runAll({"tensor", "g a 1 2", "g a 1 2", "compute spectrum"});
  OutputCapture out;
  runAll({"display massless"});
  EXPECT_EQ(std::count(out.printed.begin(), out.printed.end(), '\n'), 4) << out.printed;
  EXPECT_NE(out.printed.find("{1,1}"), std::string::npos) << out.printed;
  EXPECT_EQ(out.printed.find("{2,2}"), std::string::npos) << out.printed;
}

}  // namespace
