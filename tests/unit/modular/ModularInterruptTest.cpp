// Ctrl-C inside the element routines of S and P: a pending interrupt (SIGINT with the
// program's handler, as at a terminal) ends the computation of one element or one row of
// the orbit S base by StopRequest; the out-values, the P tables, the row cache and its
// files keep nothing of the stopped work, and the next request gives the right value. A
// fusion coefficient ends the same way instead of passing for a stopped sum.
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "InterruptTestSupport.h"
#include "ModularTestSupport.h"
#include "TensorTestSupport.h"
#include "runtime/Terminal.h"

using namespace modular_test;
using interrupt_test::pressControlC;
namespace fs = std::filesystem;

namespace {

class ModularInterruptTest : public ModularTestBase {
 protected:
  void TearDown() override { interrupt_test::release(); }
};

// SU(2) at even level k: P_ab = 2/sqrt(k+2) sin(pi (a+1)(b+1) / (2(k+2))) for labels of
// even sum.
double su2P(int k, int la, int lb) {
  return 2 / std::sqrt(k + 2.0) * std::sin(kPi * (la + 1) * (lb + 1) / (2.0 * (k + 2)));
}

}  // namespace

TEST_F(ModularInterruptTest, CtrlCInAPSumLeavesTheElementToBeComputedAgain) {
  // No packed S or P: P(a, b) sums about 200 orbit terms of two S elements each, and is
  // kept in the orbit P row of a's orbit.
  setIntPar("S_matrix maxsize", 1);
  const int k = 400;
  SpectrumData* sd = useTheory(1, 1, k);
  elementP(0, 0);  // the orbit tables and the P rows are set up
  const int a = a1Field(sd, 2);
  const int b = a1Field(sd, 4);
  double re = 7.0, im = 7.0;
  pressControlC();
  EXPECT_THROW(compP(a, b, &re, &im), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  EXPECT_EQ(re, 7.0);  // nothing written for a stopped element
  EXPECT_EQ(im, 7.0);
  // The orbit row holds no partial sum: the element is computed afresh, and right.
  EXPECT_TRUE(near(elementP(a, b), Complex(su2P(k, 2, 4), 0.0)));
  EXPECT_TRUE(near(elementP(b, a), Complex(su2P(k, 4, 2), 0.0)));
}

TEST_F(ModularInterruptTest, CtrlCInAPSumOfThePackedTableLeavesTheEntryUncomputed) {
  // SU(2) at level 398: 399 fields, below "S_matrix maxsize" 400, so S and P are packed;
  // a P element sums about 200 terms read from the packed S.
  const int k = 398;
  SpectrumData* sd = useTheory(1, 1, k);
  initPMATRIX();  // as the amplitudes do: P is kept as it is computed
  elementP(0, 0);
  ASSERT_EQ(modularState().PMATRIXavailable, QueryCFT());
  const int a = a1Field(sd, 6);
  const int b = a1Field(sd, 10);
  pressControlC();
  // Several elements in turn, so that the poll (one in every few hundred terms) comes.
  EXPECT_THROW(
      {
        for (int x = 0; x < 8; ++x) elementP(a1Field(sd, 2 * x), b);
      },
      StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  for (int x = 0; x < 8; ++x)
    EXPECT_TRUE(near(elementP(a1Field(sd, 2 * x), b), Complex(su2P(k, 2 * x, 10), 0.0))) << x;
  EXPECT_TRUE(near(elementP(a, b), Complex(su2P(k, 6, 10), 0.0)));
}

TEST_F(ModularInterruptTest, CtrlCInAFusionSumEndsTheCommandWhileADeclinedQuestionStopsTheSum) {
  useTheory(1, 1, 4);
  initSMATRIX();
  pressControlC();
  // A stopped sum would read as a coefficient 0 to every caller.
  EXPECT_THROW(Pfusion(0, 0, 0), StopRequest);
  pressControlC();
  EXPECT_THROW(fusion(1, 1, 0, 1), StopRequest);
  removeInterruptHandler();
  // The stop signal alone (the answer to "Continue?") still gives the stopped value.
  setStopSignal(1);
  EXPECT_TRUE(fusionInterrupted(Pfusion(0, 0, 0)));
  setStopSignal(0);
  // N_00^0 = 1 for the vacuum: P-fusion Y_00^0 = 1 as well.
  EXPECT_EQ(Pfusion(0, 0, 0), 1);
}

namespace {

// A tensor product of one factor, SU(2) at level 1000 (1001 fields, about 500 orbits of its
// current), with S from the orbit S base in rows on disk: every row is 500 elements of
// the tensor product's S, each a sum of its own.
class ModularRowInterruptTest : public TensorTest {
 protected:
  static constexpr int kLevel = 1000;
  void SetUp() override {
    TensorTest::SetUp();
    setModularDiskRowThreshold(6);
    setIntPar("S_matrix maxsize", 2);
    build({"g a 1 1000"});
    // No row files of an earlier run: every row is computed here.
    initSMATRIX();
    folder_ = modularState().rowCache.Sdir;
    ASSERT_FALSE(folder_.empty());
    removeFolder();
    CFTChanged();
  }
  void TearDown() override {
    interrupt_test::release();
    setModularDiskRowThreshold(0);
    removeFolder();
    TensorTest::TearDown();
  }
  void removeFolder() const {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  // The SU(2) label of a field of the product.
  static int label(int field) {
    return a1Label(SM_getData(1, 1, kLevel), currentTensor->Spectrum.row(field)[0]);
  }
  static Complex expected(int i, int j) { return {a1S(kLevel, label(i), label(j)), 0.0}; }
  std::string rowFile(int orbit) const { return folder_ + "/" + std::to_string(orbit); }

 private:
  std::string folder_;
};

}  // namespace

TEST_F(ModularRowInterruptTest, CtrlCInARowOfTheDiskCacheKeepsNothingOfIt) {
  initSMATRIX();
  const ModularState& s = modularState();
  ASSERT_EQ(s.compute_s_base, &compSBaseFromDisk);
  ASSERT_TRUE(fs::exists(rowFile(0)));
  const int n = modularPrimaries();
  // A column whose row is not held: asked twice in a row, it is loaded (computed) whole.
  int b = n - 1;
  const int orbit = s.Primaries[static_cast<std::size_t>(b)].orbit;
  ASSERT_NE(orbit, 0);
  ASSERT_FALSE(fs::exists(rowFile(orbit)));
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(
      {
        for (int j = 0; j < n; ++j) elementS(j, b);
      },
      StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  // The stopped row was neither written nor kept in a slot: asked again, every element is
  // right, and the row file appears with the row complete.
  EXPECT_FALSE(fs::exists(rowFile(orbit)));
  for (int j = 0; j < n; ++j) ASSERT_TRUE(near(elementS(j, b), expected(j, b))) << j;
  EXPECT_TRUE(fs::exists(rowFile(orbit)));
}

TEST_F(ModularRowInterruptTest, CtrlCWhileTheRowCacheIsSetUpLeavesItToBeSetUpAgain) {
  // The set-up computes row 0; stopped there, the next use sets the cache up again instead
  // of doing without it for the rest of the theory.
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(initSMATRIX(), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  EXPECT_FALSE(fs::exists(rowFile(0)));
  initSMATRIX();
  EXPECT_TRUE(orbitSValid());
  EXPECT_EQ(modularState().compute_s_base, &compSBaseFromDisk);
  EXPECT_TRUE(fs::exists(rowFile(0)));
  const int n = modularPrimaries();
  for (int j = 0; j < n; j += 97) ASSERT_TRUE(near(elementS(j, n - 1), expected(j, n - 1))) << j;
}
