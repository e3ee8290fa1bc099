// The tachyon projection search: light fields and tachyonic combinations, the spinor and
// scalar current lists, success at level 0, the supersymmetry-current test, and the
// commands that build the non-supersymmetric products of minimal-model codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetTachyonsTest : public TensorTest {
 protected:
  static TensorProduct* product(std::initializer_list<SpectrumData*> factors) {
    TensorProduct* TP = initializeTensorProduct(nullptr);
    for (SpectrumData* sd : factors) addTensorFactor(TP, sd, 0);
    return TP;
  }
  // Field index of a simple current given by its factor labels (resolution label 0).
  static int field(TensorProduct* TP, std::vector<int> labels) {
    labels.push_back(0);
    return TP->Spectrum.find(labels.data());
  }
  static int count(const std::string& text, const std::string& word) {
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
  }
};

// SU(3) level 6: the currents J and J^2 both have weight k/3 = 2, so field 2 (J^2) is
// heavy and no combination of two such factors lies below weight 1.
TEST_F(CosetTachyonsTest, WithoutTachyonsEverySpinorSucceedsAtLevelZero) {
  TensorProduct* TP = product({SM_getData(1, 2, 6), SM_getData(1, 2, 6)});
  capture.clear();
  ASSERT_EQ(computeTachyonSpectrum(TP), 0);
  EXPECT_EQ(getTachyonCount(), 0);
  // Nine currents (Z3 x Z3), all of integer weight. Spinors (first label 1): (1,0) and
  // (1,1); (1,2) is left out because 2 is above its conjugate's label 1.
  EXPECT_EQ(TP->NumberOfSimpleCurrents, 9);
  EXPECT_EQ(count(capture.printed, "Succeeded at level 0!"), 2) << capture.printed;
  const std::string spinors = "Spinors  (" + std::to_string(field(TP, {1, 0})) + "," +
                              std::to_string(field(TP, {1, 1})) + ")";
  const std::string reversed = "Spinors  (" + std::to_string(field(TP, {1, 1})) + "," +
                               std::to_string(field(TP, {1, 0})) + ")";
  EXPECT_TRUE(capture.printed.find(spinors) != std::string::npos ||
              capture.printed.find(reversed) != std::string::npos)
      << capture.printed;
  // Each spinor generates Z3: the identity, the spinor and its square.
  EXPECT_EQ(count(capture.printed, "Algebra  (0,"), 4) << capture.printed;
  EXPECT_EQ(capture.printed.find("Susy current"), std::string::npos);
  EXPECT_NE(capture.printed.find("Computation completed\n"), std::string::npos);
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - 22), "Computation completed\n");
}

TEST_F(CosetTachyonsTest, ScalarOfTheSameCyclicGroupIsDropped) {
  TensorProduct* TP = product({SM_getData(1, 2, 6), SM_getData(1, 2, 6)});
  ASSERT_EQ(computeSimpleCurrentTensorSpectrum(TP), 0);
  const int J = field(TP, {0, 1});
  const int J2 = field(TP, {0, 2});
  const int K = field(TP, {1, 1});
  ASSERT_GE(J, 0);
  ASSERT_GE(J2, 0);
  ASSERT_GE(K, 0);
  // (0,2) = (0,1)^2 generates the same Z3 as (0,1); (1,1) generates another one.
  std::vector<int> list{std::min(J, J2), std::max(J, J2), K};
  checkOrbitStructure(TP, list);
  EXPECT_EQ(list, (std::vector<int>{std::min(J, J2), K}));
  // The identity's powers never reach an earlier entry of an empty list.
  std::vector<int> single{J2};
  checkOrbitStructure(TP, single);
  EXPECT_EQ(single, (std::vector<int>{J2}));
}

// SU(6)_1 x SU(6)_1 has the currents Z6 x Z6: 1 of order 1, 3 of order 2, 8 of order 3
// and 24 of order 6, so 1 + 3/1 + 8/2 + 24/2 = 20 cyclic groups (phi(o) generators each).
// The whole list keeps one current of each, the first that generates it.
TEST_F(CosetTachyonsTest, OneCurrentOfEveryCyclicGroupIsKept) {
  TensorProduct* TP = product({SM_getData(1, 5, 1), SM_getData(1, 5, 1)});
  ASSERT_EQ(computeSimpleCurrentTensorSpectrum(TP), 0);
  ASSERT_EQ(TP->NumberOfSimpleCurrents, 36);
  std::vector<int> all(36);
  for (int c = 0; c < 36; ++c) all[static_cast<std::size_t>(c)] = c;
  std::vector<int> kept = all;
  checkOrbitStructure(TP, kept);
  ASSERT_EQ(kept.size(), 20u);
  // The cyclic group of a current, by its powers.
  const auto group = [TP](int c) {
    std::vector<int> members{0};
    for (int p = c; p != 0; p = CT_simpleCurrentProduct(p, c, TP)) members.push_back(p);
    std::sort(members.begin(), members.end());
    return members;
  };
  std::vector<std::vector<int>> groups;
  for (int c : kept) groups.push_back(group(c));
  for (int c : all) {
    const std::vector<int> own = group(c);
    const auto first = std::find(groups.begin(), groups.end(), own);
    ASSERT_NE(first, groups.end()) << c;
    // The kept generator is the first of the list that generates this group.
    const int generator = kept[static_cast<std::size_t>(first - groups.begin())];
    EXPECT_LE(generator, c);
    EXPECT_EQ(std::count(groups.begin(), groups.end(), own), 1);
  }
}

// A spinor of weight 3/4 (SU(4) level 2 current J, h = 2*1*3/8) cannot be part of an
// extension: it is never reported as a success, even where nothing is tachyonic.
TEST_F(CosetTachyonsTest, SpinorOfNonIntegerWeightNeverSucceeds) {
  // SU(4) level 2: J^2 has weight 2*2*2/8 = 1, so field 2 is heavy and nothing is
  // tachyonic; SU(2) level 5: its current has weight 5/4.
  TensorProduct* TP = product({SM_getData(1, 3, 2), SM_getData(1, 1, 5)});
  capture.clear();
  ASSERT_EQ(computeTachyonSpectrum(TP), 0);
  EXPECT_EQ(getTachyonCount(), 0);
  // Spinors: (1,0) of weight 3/4 and (1,1) of weight 3/4 + 5/4 = 2; only (1,1) extends.
  EXPECT_EQ(count(capture.printed, "Succeeded at level 0!"), 1) << capture.printed;
  const int K = field(TP, {1, 1});
  const int K2 = field(TP, {2, 0});
  const int K3 = field(TP, {3, 1});
  ASSERT_GE(K, 0);
  EXPECT_NE(capture.printed.find("Algebra  (0," + std::to_string(K) + "," + std::to_string(K2) + "," +
                                 std::to_string(K3) + ")"),
            std::string::npos)
      << capture.printed;
}

// Light states of the first factor: only field 2. D5 level 1: field 2 is the vector,
// h = 1/2; SU(2) level 1 has NS fields 0 (h = 0) and 1 (h = 1/4), both below 1/2, so
// both combinations 1/2 and 3/4 are tachyonic, with distinct charges under the current.
TEST_F(CosetTachyonsTest, LightCombinationsBelowWeightOneAreTachyons) {
  TensorProduct* TP = product({SM_getData(4, 5, 1), SM_getData(1, 1, 1)});
  capture.clear();
  EXPECT_EQ(findTachyons(TP), 2);
  EXPECT_NE(capture.printed.find("-->  (2)\n-->  (0,1)\n"), std::string::npos) << capture.printed;
  // SU(2) level 4: fields of weight below 1/2 are j = 0, 1/2, 1 (h = 0, 1/8, 1/3), all
  // three tachyonic with the vector; the current (j = 2) gives j = 0 and j = 1 the same
  // charge 0 (j mod 1), so two distinct charge rows remain.
  TensorProduct* other = product({SM_getData(4, 5, 1), SM_getData(1, 1, 4)});
  capture.clear();
  EXPECT_EQ(findTachyons(other), 2);
  EXPECT_EQ(count(capture.printed, "-->"), 2) << capture.printed;
  // The vector of D5 alone is tachyonic; its charge under the spinor current is 1/2.
  TensorProduct* alone = product({SM_getData(4, 5, 1)});
  ASSERT_EQ(findTachyons(alone), 1);
  ASSERT_EQ(computeSimpleCurrentTensorSpectrum(alone), 0);
  std::vector<int> flags;
  EXPECT_EQ(checkTachyonProjection(field(alone, {2}), flags, alone), 0);
  EXPECT_EQ(flags, (std::vector<int>{0}));
  EXPECT_EQ(checkTachyonProjection(field(alone, {1}), flags, alone), 1);
  EXPECT_EQ(flags, (std::vector<int>{1}));
}

// Ctrl-C before the search: it stops before the loop over light combinations has found a
// tachyon (the loop's body looks for none itself), where it used to run that loop to its
// end first. The same product then still has its two tachyons.
TEST_F(CosetTachyonsTest, CtrlCStopsTheSearchForLightCombinations) {
  TensorProduct* TP = product({SM_getData(4, 5, 1), SM_getData(1, 1, 1)});
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(findTachyons(TP), StopRequest);
  removeInterruptHandler();
  EXPECT_EQ(getTachyonCount(), 0);
  EXPECT_EQ(findTachyons(TP), 2);
}

// The N=2 minimal model at level 2 (c = 3/2): its NS fields below weight 1/2 are
// (l, m) = (0, 0), (1, +-1), (2, +-2), of weight (l(l+2) - m^2)/16 = 0, 1/8, 1/4, and each is
// tachyonic with the vector (1/2 + h < 1). Their U(1) charges m/4 differ, so they give five
// charge rows. The vacuum's charge comes as 0 over 4k + 8 = 16, a multiple of 1/8 as any 0 is.
TEST_F(CosetTachyonsTest, ChargeOverALargerDenominatorIsReducedFirst) {
  TensorProduct* TP = product({SM_getData(4, 5, 1), SM_getData(27, 2, 2)});
  capture.clear();
  EXPECT_EQ(findTachyons(TP), 5) << capture.printed;
  EXPECT_FALSE(alerted("is not a multiple"));
}

// "search tachyons 22266": D5 and the levels 2, 2, 2, 6, 6. Level 2 has the five light NS
// fields above; level 6 has sixteen, of weight (l(l+2) - m^2)/32 below 1/2: (0,0), the
// chiral and antichiral (l, +-l) for l = 1..6 (h = l/16), (2,0) (h = 1/4) and (3, +-1)
// (h = 7/16).
TEST_F(CosetTachyonsTest, SearchOfACodeWithLevelTwoFactorsCompletes) {
  capture.clear();
  ASSERT_EQ(run("search tachyons 22266"), 0) << capture.all;
  const std::string out = capture.printed;
  EXPECT_FALSE(alerted("is not a multiple"));
  std::vector<int> sizes;
  for (std::size_t at = out.find("-->  ("); at != std::string::npos; at = out.find("-->  (", at + 1)) {
    const std::size_t close = out.find(')', at);
    sizes.push_back(static_cast<int>(std::count(out.begin() + static_cast<long>(at), out.begin() + static_cast<long>(close), ',')) + 1);
  }
  EXPECT_EQ(sizes, (std::vector<int>{1, 5, 5, 5, 16, 16})) << out;
  EXPECT_EQ(out.substr(out.size() - 22), "Computation completed\n");
}

TEST_F(CosetTachyonsTest, FirstFactorWithoutFieldTwoIsRefused) {
  TensorProduct* TP = product({SM_getData(1, 1, 1), SM_getData(1, 1, 1)});
  capture.clear();
  EXPECT_EQ(computeTachyonSpectrum(TP), -1);
  EXPECT_EQ(capture.printed.find("Computation completed"), std::string::npos);
  EXPECT_TRUE(alerted("The first factor has no field 2"));
}

// The supersymmetry test asks for a chiral-algebra image of weight exactly 1 with an odd
// first label. SU(2)_1^4 extended by (1,1,1,1), of weight 4 x 1/4 = 1: the vacuum maps to
// that current.
TEST_F(CosetTachyonsTest, SupersymmetryCurrentIsFoundThroughTheChiralAlgebra) {
  build({"g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "current 1 1 1 1"});
  EXPECT_EQ(isTensorSuperCurrent(0, currentTensor), 1);
  // The modular data ask the same question in tensor mode with "Super" on.
  EXPECT_EQ(isSuperCurrent(0), 0);
  ASSERT_EQ(run("set super on"), 0);
  EXPECT_EQ(isSuperCurrent(0), 1);
  EXPECT_TRUE(silent());
  // SU(2)_1^2 without currents: the fields have weights 0, 1/4, 1/4 and 1/2, none 1.
  build({"g a 1 1", "g a 1 1"});
  for (int f = 0; f < currentTensor->Spectrum.size(); ++f) EXPECT_EQ(isTensorSuperCurrent(f, currentTensor), 0) << f;
  EXPECT_EQ(isTensorSuperCurrent(-1, currentTensor), 0);
}

TEST_F(CosetTachyonsTest, BuildNonSupersymmetricProductOfACode) {
  // A collected extension list belongs to the product it was made for.
  build({"g a 1 4"});
  ASSERT_EQ(run("collect extensions"), 0);
  ASSERT_GE(TotalExtensions(), 1);
  ASSERT_EQ(run("build non_susy_cy 441010"), 0);
  EXPECT_EQ(TotalExtensions(), -1);
  EXPECT_EQ(getCurrentCY(), "441010");
  EXPECT_EQ(KMCosetSwitch, 1);
  EXPECT_EQ(getSpectrumComputed(), 0);
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(TP->NumberOfFactors, 5);
  EXPECT_EQ(TP->TensorFactors[0], SM_getData(4, 5, 1));
  EXPECT_EQ(TP->TensorFactors[0]->graded, 1);
  const int levels[] = {4, 4, 10, 10};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(TP->TensorFactors[static_cast<std::size_t>(i + 1)], SM_getData(27, 2, levels[i]));
  EXPECT_TRUE(TP->CurrentList.empty());
  EXPECT_EQ(*getIntParPointer("Graded"), 1);
  EXPECT_EQ(*getIntParPointer("Super"), 1);
  // The quintic: five factors of level 3 (c = 5 x 9/5 = 9) after the space-time factor.
  ASSERT_EQ(run("build non_susy_cy 33333"), 0);
  EXPECT_EQ(getCurrentCY(), "33333");
  ASSERT_EQ(currentTensor->NumberOfFactors, 6);
  EXPECT_EQ(currentTensor->TensorFactors[5], SM_getData(27, 2, 3));
}

TEST_F(CosetTachyonsTest, InvalidCodeLeavesTheTheoryAlone) {
  build({"g a 1 4", "current 1"});
  capture.clear();
  EXPECT_NE(run("build non_susy_cy 0"), 0);
  EXPECT_TRUE(alerted("invalid CY code 0"));
  EXPECT_NE(run("search tachyons 12345"), 0);
  EXPECT_TRUE(alerted("invalid CY code 12345"));
  EXPECT_EQ(getCurrentCY(), "UNDEFINED");
  ASSERT_EQ(currentTensor->NumberOfFactors, 1);
  EXPECT_EQ(currentTensor->TensorFactors[0], SM_getData(1, 1, 4));
}

// D5_1 x SU(2)_1 x SU(2)_1 x D9_1. Tachyons: the vector (h = 1/2) with (0,0), (1,0) and
// (0,1) of the SU(2) factors (h + 1/4 < 1; D9 has no other field below 1/2). The only
// spinor of integer weight is S = (s, 0, 1, s) (5/8 + 1/4 + 9/8 = 2); its charge 1/2 of
// the vector projects out (0,0) and (1,0) but leaves (0,1) with 1/2 + 1/2. The scalar
// (0, 1, 1, v) of weight 1/4 + 1/4 + 1/2 = 1 is local to S (1/2 + 1/2) and gives (0,1)
// the charge 1/2: success at level 1, and the search ends there.
TEST_F(CosetTachyonsTest, ScalarCurrentCompletesTheProjectionAtLevelOne) {
  TensorProduct* TP = product({SM_getData(4, 5, 1), SM_getData(1, 1, 1), SM_getData(1, 1, 1), SM_getData(4, 9, 1)});
  capture.clear();
  ASSERT_EQ(computeTachyonSpectrum(TP), 0);
  EXPECT_EQ(getTachyonCount(), 3);
  const std::string& out = capture.printed;
  const int S = field(TP, {1, 0, 1, 1});
  const int S2 = field(TP, {2, 0, 0, 2});
  const int S3 = field(TP, {3, 0, 1, 3});
  ASSERT_GE(S, 0);
  const std::string algebra = "Algebra  (0," + std::to_string(S) + "," + std::to_string(S2) + "," + std::to_string(S3) + ")\n";
  const std::size_t at = out.find(algebra + "Succeeded at level 1! \nLoop variables  (");
  ASSERT_NE(at, std::string::npos) << out;
  // One loop variable, then the end of the search.
  const std::size_t close = out.find(")\n", at + algebra.size());
  ASSERT_NE(close, std::string::npos);
  EXPECT_EQ(out.substr(close + 2), "Computation completed\n") << out;
  EXPECT_EQ(count(out, "Succeeded"), 1) << out;
  EXPECT_EQ(out.find("Order"), std::string::npos) << out;
}

const char kColons[] = "::::::::::::::::::::::::::::::::::::::::::::\n";

// The report parts of the layers above, as a test installs them.
void markBulk() { Print("BULK\n"); }
void markTypeII() { Print("TYPE-II\n"); }
int orientifoldSeven() { return 7; }
void markOrientifold() { Print("ORIENTIFOLD\n"); }
void markClosed() { Print("CLOSED\n"); }

TEST_F(CosetTachyonsTest, TachyonFreeCaseReportIsAppendedToTheNotachFile) {
  runAll({"tensor", "g a 1 4", "current 1", "compute spectrum"});
  const std::string name = getCurrentOutputFileName(".notach");
  std::filesystem::remove(name);
  const std::string commands = "tensor\nG A 1 4\ncurrent 1 \n";
  // The bulk invariant is listed as the invariant printer lists it.
  capture.clear();
  printBulkInvariant(*getCurrentBulk(), 0);
  const std::string listing = capture.printed;
  ASSERT_FALSE(listing.empty());
  // The invariant listing as installed; the string and boundary parts marked.
  const TachyonFreeReport saved = tachyonFreeReport();
  setTachyonFreeReport({saved.bulkInvariant, markTypeII, orientifoldSeven, markOrientifold, markClosed});
  capture.clear();
  EXPECT_EQ(registerTachyonFreeCase(0), 1);
  // Nothing reaches the terminal.
  EXPECT_EQ(capture.printed, "");
  const std::string oriented = commands + listing + kColons + "\nOriented Tachyon-free theory\nTYPE-II\n" + kColons;
  EXPECT_EQ(readFile(name), oriented);
  // A second case appends; the unoriented report names the orientifold.
  EXPECT_EQ(registerTachyonFreeCase(1), 1);
  const std::string unoriented = commands + listing + "\n" + kColons +
                                 "\nUnoriented Tachyon-free theory\nOrientifold nr. 7\nORIENTIFOLD\nCLOSED\n" + kColons;
  EXPECT_EQ(readFile(name), oriented + unoriented);
  std::filesystem::remove(name);

  setTachyonFreeReport({markBulk, markTypeII, orientifoldSeven, markOrientifold, markClosed});
  const int list[] = {2, 5, -1};
  PrintTachyonFreeModelData(0, list);
  PrintTachyonFreeModelData(1, nullptr);
  EXPECT_EQ(readFile(name), commands + "BULK\n" + kColons + "\nOriented Tachyon-free theory\nTYPE-II\n" +
                                "Tachyon free for orientifolds 2 5\n" + kColons + commands + "BULK\n\n" + kColons +
                                "\nUnoriented Tachyon-free theory\nOrientifold nr. 7\nORIENTIFOLD\nCLOSED\n" + kColons);
  // The ".cases" line reads the orientifold number from the same place.
  const std::string cases = getCurrentOutputFileName(".cases");
  std::filesystem::remove(cases);
  EXPECT_EQ(registerTachyonFreeCase(1), 1);
  EXPECT_EQ(readFile(cases), "Extension -1,MIPF -1, orientifold 7\n");
  setTachyonFreeReport(saved);
  std::filesystem::remove(name);
  std::filesystem::remove(cases);
}

// D5_1 x SU(2)_2^10 x SU(2)_1 x D9_1. The tachyon v x (0, ..., 0, 1, 0), of weight
// 1/2 + 1/4, has charge 1/2 + 1/2 under every spinor of integer weight (each needs
// SU(2)_1's current to reach 5/8 + 1/4 + 9/8 = 2), and no scalar of integer weight holds
// that current (1/4 plus halves is never an integer): it is never projected out. Even
// numbers of SU(2)_2 currents give nine independent scalars local to the spinor, so the
// depth-first search goes down to the tenth level, where it stops.
TEST_F(CosetTachyonsTest, TheTenthLevelEndsTheSearchWithAnAlert) {
  TensorProduct* TP = initializeTensorProduct(nullptr);
  addTensorFactor(TP, SM_getData(4, 5, 1), 0);
  for (int i = 0; i < 10; ++i) addTensorFactor(TP, SM_getData(1, 1, 2), 0);
  addTensorFactor(TP, SM_getData(1, 1, 1), 0);
  addTensorFactor(TP, SM_getData(4, 9, 1), 0);
  capture.clear();
  EXPECT_EQ(computeTachyonSpectrum(TP), -1);
  const std::string out = capture.printed;
  EXPECT_EQ(out.find("Succeeded"), std::string::npos) << out;
  EXPECT_EQ(out.find("Computation completed"), std::string::npos) << out;
  // The last choice before the stop is nine loop variables deep.
  const std::size_t last = out.rfind("Loop variables  (");
  ASSERT_NE(last, std::string::npos);
  const std::size_t close = out.find(')', last);
  EXPECT_EQ(std::count(out.begin() + static_cast<long>(last), out.begin() + static_cast<long>(close), ','), 8) << out;
  EXPECT_TRUE(alerted("Level exceeded"));
}

}  // namespace
