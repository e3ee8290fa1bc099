// The quark and lepton counts of a candidate, the model record and the storage of found
// model types (the run's type collection and the ".pre_models" lines).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ModelAnalysisTestSupport.h"
#include "TestSupport.h"
#include "collections/Sorting.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "search/ModelAnalysis.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

using namespace model_test;

class ModelAnalysisCountTest : public ZoqTest {};

// norm 6: y_a = 1 (1/6), y_b = 0, y_c = -3 (-1/2), y_d = 3 (1/2).
void madridCharges() { setCharges(6, 1, 0, -3, 3); }

TEST_F(ModelAnalysisCountTest, ChargeTableIsTheStandardModel) {
  loadStacks(kMadrid);
  setCharges(6, 1, 0, -3, 3);
  // Q (1/6), the conjugates of u (2/3) and d (-1/3), L (-1/2), e* (1), in units of norm 6.
  EXPECT_EQ(countQuarkDoublets(1, 1), 1);
  EXPECT_EQ(countAntiQuarks(-1, 4), 1);
  EXPECT_EQ(countAntiQuarks(-1, -2), 1);
  EXPECT_EQ(countLeptonDoublets(1, -3), 1);
  EXPECT_EQ(countSinglets(1, 6), 1);
  EXPECT_EQ(SM.quarkDoublets[0], 1);
  EXPECT_EQ(SM.antiQuarks[0], 1);  // anti-u
  EXPECT_EQ(SM.antiQuarks[1], 1);  // anti-d
  EXPECT_EQ(SM.leptonDoublets[0], 1);
  EXPECT_EQ(SM.singlets[0], 1);  // charge +1
  // Mirrors: the opposite chirality of each.
  EXPECT_EQ(countQuarkDoublets(-2, 1), 1);
  EXPECT_EQ(countAntiQuarks(2, 4), 1);
  EXPECT_EQ(countAntiQuarks(2, -2), 1);
  EXPECT_EQ(countLeptonDoublets(-1, -3), 1);  // a state of charge +1/2
  EXPECT_EQ(SM.quarkDoublets[1], 2);
  EXPECT_EQ(SM.antiQuarks[2], 2);
  EXPECT_EQ(SM.antiQuarks[3], 2);
  EXPECT_EQ(SM.leptonDoublets[1], 1);
  // Nothing else is a standard-model charge; multiplicity 0 is always accepted.
  EXPECT_EQ(countQuarkDoublets(1, 2), 0);
  EXPECT_EQ(countAntiQuarks(1, 1), 0);
  EXPECT_EQ(countLeptonDoublets(1, 1), 0);
  EXPECT_EQ(countSinglets(1, 3), 0);
  EXPECT_EQ(countSinglets(0, 5), 1);
}

TEST_F(ModelAnalysisCountTest, SingletOfChargeTwoRejects) {
  loadStacks(kMadrid);
  madridCharges();
  EXPECT_EQ(countSinglets(1, 12), 0);
  EXPECT_EQ(countSinglets(-1, -12), 0);
  EXPECT_EQ(SM.singlets[0] + SM.singlets[1] + SM.singlets[2], 0);
  EXPECT_EQ(countSinglets(-2, -6), 1);  // two states of charge +1
  EXPECT_EQ(SM.singlets[0], 2);
}

TEST_F(ModelAnalysisCountTest, QuarkDoubletsFromDeltaOrGammaAlone) {
  loadStacks(kDeltaOnly);
  madridCharges();
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(SM.quarkDoublets[0], 3);
  EXPECT_EQ(SM.quarkDoublets[1], 0);
  // Gamma(a,b) = 3 needs y_a + y_b = norm/6: y_b = 1 gives 2/6.
  loadStacks(kGammaOnly);
  setCharges(6, 1, 1, -3, 3);
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 0);
  loadStacks(kGammaOnly);
  madridCharges();
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 1);
}

TEST_F(ModelAnalysisCountTest, FullStandardModelSpectrum) {
  loadStacks(kMadrid);
  madridCharges();
  ASSERT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(SM.quarkDoublets[0], 3);
  EXPECT_EQ(SM.antiQuarks[0], 3);
  EXPECT_EQ(SM.antiQuarks[1], 3);
  EXPECT_EQ(SM.leptonDoublets[0], 3);
  EXPECT_EQ(SM.singlets[0], 3);
  EXPECT_EQ(SM.singlets[1], 3);  // Gamma(c,d): y_c + y_d = 0
  // The charges of c and d are recomputed from their generators.
  EXPECT_EQ(SM.cCharges[0], -3);
  EXPECT_EQ(SM.dCharges[0], 3);
  // Another family count rejects the same spectrum.
  setFamiliesRequired(2);
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 0);
}

TEST_F(ModelAnalysisCountTest, MirrorLowersTheNetCount) {
  Stacks s = kMadrid;
  s.Gamma[0] = 4;
  s.Delta[0] = -1;
  loadStacks(s);
  madridCharges();
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(SM.quarkDoublets[0], 4);
  EXPECT_EQ(SM.quarkDoublets[1], 1);
}

TEST_F(ModelAnalysisCountTest, ThreeStacksCountNothingFromD) {
  loadStacks(kThreeStacks);
  setCharges(6, 1, 0, -3, 0);
  SM.dEigenvalues[0] = 5;  // no multiplicity: never counted
  SM.dEigenvalues[1] = 7;
  ASSERT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(SM.leptonDoublets[0], 3);
  EXPECT_EQ(SM.singlets[0], 3);
  EXPECT_EQ(SM.singlets[1], 0);
}

TEST_F(ModelAnalysisCountTest, IndistinguishableCAndDRejectWithWarning) {
  // c and d equivalent, each giving one anti-u and one anti-d: no count orders them.
  const Stacks s = {{3, 2, 1, 1}, {0, 0, 0, 0}, {2, -1, -1, 0, 0, 0}, {0, -1, -1, 0, 0, 0}, {}, {}};
  loadStacks(s);
  setCharges(6, 1, 0, 3, 3);
  setFamiliesRequired(2);
  SM.cdOrdering = 1;
  const long long before = modelAnalysisCounters().rejections;
  const long long runSkipsBefore = inconsistentSkipCount();
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 0);
  EXPECT_EQ(modelAnalysisCounters().rejections, before + 1);
  // The rejection also counts for the run: a background run ends with status 1.
  EXPECT_EQ(inconsistentSkipCount(), runSkipsBefore + 1);
  EXPECT_NE(capture.diagnostics.find("Cannot distinguish c and d brane"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Degenerate c, d brane"), std::string::npos);
  // The process goes on: the next candidate is counted normally.
  loadStacks(kMadrid);
  madridCharges();
  setFamiliesRequired(3);
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 1);
}

TEST_F(ModelAnalysisCountTest, DegenerateCAndDOrderedByAntiQuarks) {
  // d gives the anti-u, c nothing of it: c must be the one with more; rejected (2001).
  const Stacks s = {{3, 2, 1, 1}, {0, 0, 0, 0}, {2, 0, -1, 0, 0, 0}, {0, -1, 0, 0, 0, 0}, {}, {}};
  loadStacks(s);
  setCharges(6, 1, 0, 3, 3);
  setFamiliesRequired(1);
  SM.Gamma[0] = 1;
  SM.cdOrdering = 1;
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 0);
  EXPECT_NE(capture.diagnostics.find("Rejected (2001)"), std::string::npos);
}

TEST_F(ModelAnalysisCountTest, OverflowingProductRejectsWithWarning) {
  loadStacks(kMadrid);
  madridCharges();
  SM.cMultiplicities[0] = 1 << 30;  // times Gamma(a,c) = -3 leaves 32 bits
  const long long before = modelAnalysisCounters().rejections;
  EXPECT_EQ(countQuarksAndLeptons(0, 0), 0);
  EXPECT_EQ(modelAnalysisCounters().rejections, before + 1);
  EXPECT_NE(capture.diagnostics.find("Integer overflow"), std::string::npos);
}

TEST_F(ModelAnalysisCountTest, ReportOfAStandardModel) {
  loadStacks(kMadrid);
  ASSERT_EQ(computeY(0), 1);
  capture.clear();
  EXPECT_EQ(writeStandardModelInfo(), 0);
  const std::string& out = capture.printed;
  EXPECT_NE(out.find("Standard model spectrum nr 0\n"), std::string::npos);
  EXPECT_NE(out.find("Gamma                         (2,-3,0,0,-3,-3)\n"), std::string::npos);
  EXPECT_NE(out.find("Quark doublets and mirrors     (3,0)\n"), std::string::npos);
  EXPECT_NE(out.find("anti-quarks (u,d) and mirrors  (3,3,0,0)\n"), std::string::npos);
  EXPECT_NE(out.find("Singlets, charges 1,0,-1       (3,3,0)\n"), std::string::npos);
  // Four U(1)s with three independent anomaly conditions: Y is the only anomaly-free one.
  EXPECT_NE(out.find("Number of anomaly free massive U(1)'s: 0\n"), std::string::npos);
  EXPECT_NE(out.find("There are no massive anomaly free U(1)'s\n"), std::string::npos);
  EXPECT_EQ(SM.anomalyFreeU1, 0);
  // A spectrum that does not count is an error.
  SM.Gamma[0] = 0;
  EXPECT_EQ(writeStandardModelInfo(), -1);
  EXPECT_NE(capture.diagnostics.find("Unexpected spectrum counting error"), std::string::npos);
}

TEST_F(ModelAnalysisCountTest, DumpToTheErrorStream) {
  loadStacks(kMadrid);
  madridCharges();
  SM.pairIdentification[1] = -1;
  printCPD(stderr, 12, 1);
  const std::string& text = capture.diagnostics;
  EXPECT_NE(text.find("Spectrum Analysis"), std::string::npos);
  EXPECT_NE(text.find("Model nr 12\n"), std::string::npos);
  EXPECT_NE(text.find("WARNING: possibly not all the following data apply to this case!\n"), std::string::npos);
  EXPECT_NE(text.find("multiplicities  (3,2,1,1)\n"), std::string::npos);
  EXPECT_NE(text.find("branes a and cc are identical\n"), std::string::npos);
  EXPECT_NE(text.find("Y charge coefficients; Norm 6  (1,0,-3,3)\n"), std::string::npos);
  EXPECT_NE(text.find("End of spectrum analysis (after error)"), std::string::npos);
  EXPECT_EQ(text.find("End of spectrum analysis\n"), std::string::npos);
  // On standard output with "Tadpole info_level" 0 nothing is printed.
  capture.clear();
  setIntPar("Tadpole info_level", 0);
  printCPD(stdout, -1, 0);
  EXPECT_TRUE(capture.all.empty());
}

TEST_F(ModelAnalysisCountTest, FamilyCountOfReadModel) {
  int F = -1;
  // "SM_search Nfamily" 0: any of 1 to 3 families, the model's own count.
  EXPECT_EQ(familyCountOfReadModel(0, 2, 0, &F), 1);
  EXPECT_EQ(F, 2);
  EXPECT_EQ(familyCountOfReadModel(0, 2, 1, &F), 1);
  EXPECT_EQ(F, 3);
  EXPECT_EQ(familyCountOfReadModel(0, 0, 0, &F), 0);
  EXPECT_EQ(familyCountOfReadModel(0, 3, 1, &F), 0);
  EXPECT_EQ(familyCountOfReadModel(3, 2, 0, &F), 0);
  EXPECT_EQ(familyCountOfReadModel(3, 2, 1, &F), 1);
  EXPECT_EQ(F, 3);
}

TEST_F(ModelAnalysisCountTest, RecordLayoutAndInverse) {
  loadStacks(kMadrid);
  // norm 12 and every coefficient even: the record carries them halved.
  setCharges(12, 2, 0, -6, 6);
  SM.cEigenvalues[1] = -12;
  SM.orientifold = 5;
  SM.degenerateY = 1;
  SM.extraMasslessU1 = 2;
  const ModelRow r = copyStandardModelToModelsFormat(SM);
  EXPECT_EQ(r[4], 3);
  EXPECT_EQ(r[16], 2);   // Gamma(a,b)
  EXPECT_EQ(r[22], 1);   // Delta(a,b)
  EXPECT_EQ(r[28], 1);   // y_a / 2
  EXPECT_EQ(r[30], -3);  // y_c / 2
  EXPECT_EQ(r[32], 6);   // norm / 2
  EXPECT_EQ(r[34], -6);
  EXPECT_EQ(r[37], 0);  // d piece 0 multiplicity 1: eigenvalue 0 / 2
  EXPECT_EQ(r[38], 0);  // second d piece has no multiplicity
  EXPECT_EQ(r[47], 12);  // two extra U(1)s, degenerate Y
  EXPECT_EQ(r[56], 0);
  EXPECT_EQ(r[57], -1);
  EXPECT_EQ(r[58], -1);
  EXPECT_EQ(r[60], 0);
  EXPECT_EQ(r[67], 7);
  EXPECT_EQ(r[68], 5);
  StandardModel back;
  initializeStandardModelStruct(&back);
  copyModelsFormatToStandardModel(&back, r.data(), -999);
  EXPECT_EQ(back.tensorCode, -999);
  EXPECT_EQ(back.branes[3], -999);
  EXPECT_EQ(back.Ynorm, 6);
  EXPECT_EQ(back.Gamma[5], -3);
  EXPECT_EQ(back.cMultiplicities[2], 1 - r[35] - r[36]);
}

TEST_F(ModelAnalysisCountTest, Orientability) {
  const int unitary[4] = {0, 0, 0, 0}, zero[4] = {}, G[6] = {2, 0, 0, 0, 0, 0}, D[6] = {0, 3, 0, 0, 0, 0};
  EXPECT_EQ(CheckOrientability(unitary, zero, zero, G, D, 4), 1);
  const int D2[6] = {1, 0, 0, 0, 0, 0};  // Gamma x Delta of (a,b) non-zero
  EXPECT_EQ(CheckOrientability(unitary, zero, zero, G, D2, 4), 0);
  const int sym[4] = {0, 0, 1, 0};
  EXPECT_EQ(CheckOrientability(unitary, zero, sym, G, D, 4), 0);
  const int real[4] = {0, -1, 0, 0};
  EXPECT_EQ(CheckOrientability(real, zero, zero, G, D, 4), 0);
  const int realD[4] = {0, 0, 0, -2};
  EXPECT_EQ(CheckOrientability(realD, zero, zero, G, D, 3), 1);
}

// ---------------------------------------------------------------------------------------
// Storage

struct PreModelsFile {
  static std::string& path() {
    static std::string p;
    return p;
  }
  static std::string name() { return path(); }
  static long long tensor() { return 441010; }
  static int mipf() { return 17; }
  static double tadpole(int, int, const int*, const int*) { return 0.0; }
};

std::vector<std::vector<long long>> readLines(const std::string& path) {
  std::vector<std::vector<long long>> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<long long> fields;
    long long v = 0;
    while (words >> v) fields.push_back(v);
    lines.push_back(fields);
  }
  return lines;
}

class ModelAnalysisStorageTest : public ModelAnalysisCountTest {
 protected:
  void SetUp() override {
    ModelAnalysisCountTest::SetUp();
    char pattern[] = "/tmp/zoq-premodels-XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    PreModelsFile::path() = pattern;
    ModelCaseSource source;
    source.tensorIdentifier = PreModelsFile::tensor;
    source.mipfIdentifier = PreModelsFile::mipf;
    source.tadpole = PreModelsFile::tadpole;
    source.preModelsFile = PreModelsFile::name;
    setModelCaseSource(&source);
    initRunTypeCollection();
  }
  void TearDown() override {
    setModelCaseSource(nullptr);
    std::remove(PreModelsFile::path().c_str());
  }
};

TEST_F(ModelAnalysisStorageTest, KnownTypeWritesLineWithSameType) {
  loadStacks(kMadrid);
  madridCharges();
  SM.orientifold = 2;
  ASSERT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(storeSMdata(), 1);
  EXPECT_EQ(runTypeCount(), 1);
  // Another realisation of the same type (other labels): a known type.
  for (int k = 0; k < 8; ++k) SM.branes[k] = 10 + k;
  EXPECT_EQ(storeSMdata(), 0);
  EXPECT_EQ(runTypeCount(), 1);
  EXPECT_EQ(preModelsWriteFailed(), 0);
  const auto lines = readLines(PreModelsFile::path());
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& fields : lines) ASSERT_EQ(fields.size(), 14u);
  EXPECT_EQ(lines[0][0], 1);
  EXPECT_EQ(lines[1][0], 1);
  EXPECT_EQ(lines[0][1], 441010);
  EXPECT_EQ(lines[0][2], 17);
  EXPECT_EQ(lines[0][3], 2);
  EXPECT_EQ(lines[0][4], 0);   // a
  EXPECT_EQ(lines[1][4], 10);  // a of the second
  EXPECT_EQ(lines[1][7], 16);  // d
  EXPECT_EQ(lines[0][8], 3);   // N_a
  EXPECT_EQ(lines[0][11], 1);  // N_d
  EXPECT_EQ(lines[0][12], 1);  // tadpole zero
  EXPECT_EQ(lines[0][13], 0);
  const int* row = runTypeRow(1);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row[59], 1);
  EXPECT_EQ(runTypeRow(2), nullptr);
  EXPECT_EQ(modelAnalysisCounters().preModels, 2);
  EXPECT_NE(capture.all.find("New model type found (total types so far 1; models so far 1)"), std::string::npos);
}

TEST_F(ModelAnalysisStorageTest, ThreeStackLineHasNoD) {
  loadStacks(kThreeStacks);
  setCharges(6, 1, 0, -3, 0);
  ASSERT_EQ(countQuarksAndLeptons(0, 0), 1);
  EXPECT_EQ(storeSMdata(), 1);
  const auto lines = readLines(PreModelsFile::path());
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 14u);
  EXPECT_EQ(lines[0][7], -1);
  EXPECT_EQ(lines[0][11], 0);
}

TEST_F(ModelAnalysisStorageTest, TensorCodeMinusOneIsCountedNeverStored) {
  loadStacks(kMadrid);
  madridCharges();
  SM.tensorCode = -1;
  EXPECT_EQ(countQuarksAndLeptons(1, 0), 1);
  EXPECT_EQ(modelAnalysisCounters().tensorCodeless, 1);
  EXPECT_EQ(runTypeCount(), 0);
  EXPECT_TRUE(readLines(PreModelsFile::path()).empty());
  // With a tensor code the same call stores.
  SM.tensorCode = 0;
  EXPECT_EQ(countQuarksAndLeptons(1, 0), 1);
  EXPECT_EQ(runTypeCount(), 1);
}

TEST_F(ModelAnalysisStorageTest, FiftyFirstTypeRebalances) {
  loadStacks(kMadrid);
  madridCharges();
  // Types inserted in increasing order make the search tree a chain.
  for (int k = 1; k <= 50; ++k) {
    SM.Gamma[5] = k;
    ASSERT_EQ(storeSMdata(), 1);
  }
  const VectorSpace* types = runTypeCollection();
  int depth = 0;
  ASSERT_EQ(findVectorInCollection_depth(types, runTypeRow(50), &depth), 49);
  EXPECT_GE(depth, 49);  // the 50th type did not rebalance
  SM.Gamma[5] = 51;
  ASSERT_EQ(storeSMdata(), 1);
  ASSERT_EQ(findVectorInCollection_depth(types, runTypeRow(51), &depth), 50);
  EXPECT_LE(depth, 7);  // balanced: about log2(51)
  for (const auto& fields : readLines(PreModelsFile::path())) EXPECT_EQ(fields.size(), 14u);
}

TEST_F(ModelAnalysisStorageTest, UnwritableFileIsAlertedAndFlagged) {
  PreModelsFile::path() = "/nonexistent-folder-of-zoq/case.pre_models";
  loadStacks(kMadrid);
  madridCharges();
  EXPECT_EQ(storeSMdata(), 1);
  EXPECT_EQ(preModelsWriteFailed(), 1);
  EXPECT_NE(capture.diagnostics.find("Cannot append the candidate line"), std::string::npos);
  initRunTypeCollection();
  EXPECT_EQ(preModelsWriteFailed(), 0);
}

}  // namespace
