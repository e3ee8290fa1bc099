// Open-string tachyons on amplitudes the test sets up: the diagonal answer of a boundary,
// the Allow and Avoid lists, the symmetric pair cache, configurations of stacks, and the
// six-dimensional gauge groups with their anomaly coefficients and vector count.
#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "lie/Branching.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"
#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"

namespace {

// Amplitudes of a small made-up theory: `primaries` fields of which `tachyons` are
// tachyonic; boundaries with a conjugate table; annulus and Moebius entries (0 elsewhere).
struct FakeTheory {
  int primaries = 3;
  std::vector<int> tachyons;
  std::vector<int> conjugates;
  std::map<std::tuple<int, int, int>, int> annulus;
  std::map<std::pair<int, int>, int> moebius;
  int selections = 0;
};

FakeTheory& theory() {
  static FakeTheory t;
  return t;
}

int fakeAnnulus(int i, int a, int b) {
  auto it = theory().annulus.find({i, std::min(a, b), std::max(a, b)});
  return it == theory().annulus.end() ? 0 : it->second;
}
int fakeMoebius(int i, int a) {
  auto it = theory().moebius.find({i, a});
  return it == theory().moebius.end() ? 0 : it->second;
}
int fakeConjugate(const OrientifoldInfo*, int a) {
  return a >= 0 && a < static_cast<int>(theory().conjugates.size()) ? theory().conjugates[static_cast<std::size_t>(a)]
                                                                      : -1;
}
void fakeSelect(const OrientifoldInfo*) { ++theory().selections; }
int fakeBoundaries() { return static_cast<int>(theory().conjugates.size()); }
int fakePrimaries() { return theory().primaries; }
int fakeTachyonic(int i) {
  for (int t : theory().tachyons)
    if (t == i) return 1;
  return 0;
}

int fakeKlein(int) { return 0; }

const OpenAmplitudes kFake = {fakeAnnulus,    fakeMoebius,    fakeConjugate, fakeSelect,
                              fakeBoundaries, fakePrimaries, fakeTachyonic, fakeKlein};

class OpenTachyonsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    theory() = FakeTheory();
    setOpenAmplitudes(&kFake);
  }
  void TearDown() override { setOpenAmplitudes(nullptr); }
};

TEST_F(OpenTachyonsTest, DiagonalAnswers) {
  // Boundary 0 real, 1 and 2 a complex pair, 3 real. Field 1 tachyonic, field 2 not.
  theory().tachyons = {1};
  theory().conjugates = {0, 2, 1, 3};
  theory().annulus[{1, 0, 0}] = 1;
  theory().moebius[{1, 0}] = -1;  // A + M = 0: cancelled for a single brane
  theory().annulus[{1, 3, 3}] = 2;
  theory().moebius[{1, 3}] = 0;   // A + M = 2: a tachyon
  theory().annulus[{2, 1, 1}] = 5;  // not a tachyonic field
  EXPECT_EQ(DiagonalTachyonCheckForCharacter(nullptr, 1, 0), -1);
  EXPECT_EQ(DiagonalTachyonCheckForCharacter(nullptr, 1, 1), 0);
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 0), -1);
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 1), 0);
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 3), 1);
  // A non-zero annulus between the pair's members is a tachyon.
  theory().annulus[{1, 1, 2}] = 1;
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 1), 1);
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 2), 1);
  // Fewer than two primaries: nothing to check.
  theory().primaries = 1;
  EXPECT_EQ(DiagonalTachyonCheck(nullptr, 3), 0);
}

TEST_F(OpenTachyonsTest, AllowAndAvoidLists) {
  // Pairs (0,1) free, (2,3) cancelled only for N = 1, (4,5) tachyonic; 6 real free,
  // 7 real tachyonic.
  theory().tachyons = {1, 2};
  theory().conjugates = {1, 0, 3, 2, 5, 4, 6, 7};
  theory().annulus[{1, 2, 2}] = 1;
  theory().moebius[{1, 2}] = -1;
  theory().annulus[{2, 4, 4}] = 1;
  theory().annulus[{1, 7, 7}] = 1;
  std::vector<int> allow;
  std::vector<int> avoid;
  EXPECT_EQ(getTachyonFreeBoundaryLabels(nullptr, &allow, &avoid), 8);
  EXPECT_EQ(allow, std::vector<int>({0, 1}));
  EXPECT_EQ(avoid, std::vector<int>({4, 5, 7}));
  // The cancelled pair gains an annulus between its members: now avoided.
  theory().annulus[{1, 2, 3}] = 2;
  getTachyonFreeBoundaryLabels(nullptr, &allow, &avoid);
  EXPECT_EQ(avoid, std::vector<int>({2, 3, 4, 5, 7}));
}

TEST_F(OpenTachyonsTest, PairAnswersAreSymmetricAndSharedByConjugates) {
  theory().tachyons = {1};
  theory().conjugates = {1, 0, 2, 3};
  theory().annulus[{1, 0, 0}] = 1;  // A + M = 1: the pair (0, 1) is tachyonic on itself
  theory().annulus[{1, 1, 3}] = 1;  // strings from 1 (the conjugate of 0) to 3
  capture.clear();
  EXPECT_EQ(TachyonicIntersection(nullptr, 0, 2), 0);
  EXPECT_TRUE(alerted("Unexpected NULL pointer"));
  EXPECT_EQ(TachyonicIntersection(nullptr, -1, 0), 0);
  EXPECT_EQ(TachyonicIntersection(nullptr, 0, 0), 1);
  EXPECT_EQ(TachyonicIntersection(nullptr, 0, 1), TachyonicIntersection(nullptr, 0, 0));
  EXPECT_EQ(TachyonicIntersection(nullptr, 0, 3), 1);
  EXPECT_EQ(TachyonicIntersection(nullptr, 3, 0), 1);
  EXPECT_EQ(TachyonicIntersection(nullptr, 2, 3), 0);
  EXPECT_EQ(TachyonicIntersection(nullptr, 3, 2), 0);
  // Answers are cached until the next reset.
  theory().annulus[{1, 2, 3}] = 4;
  EXPECT_EQ(TachyonicIntersection(nullptr, 2, 3), 0);
  EXPECT_EQ(TachyonicIntersection(nullptr, -1, 0), 0);
  EXPECT_EQ(TachyonicIntersection(nullptr, 3, 2), 1);
}

TEST_F(OpenTachyonsTest, ConfigurationsCountAMinusOneAnswerAboveMultiplicityOne) {
  theory().tachyons = {1};
  theory().conjugates = {0, 1};
  theory().annulus[{1, 0, 0}] = 1;
  theory().moebius[{1, 0}] = -1;  // cancelled for one brane only
  ChanPatonData cpd;
  cpd.stacks = 1;
  cpd.stackLabel = {0};
  cpd.multiplicity = {1, 0};
  TachyonicIntersection(nullptr, -1, 0);
  EXPECT_EQ(checkCPDforTachyons(&cpd), 0);
  cpd.multiplicity = {2, 0};
  EXPECT_EQ(checkCPDforTachyons(&cpd), 1);
  // Off-diagonal strings with a tachyonic primary make it tachyonic for N = 1 too.
  cpd.multiplicity = {1, 1};
  cpd.stacks = 2;
  cpd.stackLabel = {0, 1};
  theory().annulus[{1, 0, 1}] = 1;
  TachyonicIntersection(nullptr, -1, 0);
  EXPECT_EQ(checkCPDforTachyons(&cpd), 1);
}

TEST_F(OpenTachyonsTest, RepresentationsOfAStackConfiguration) {
  // Boundary 0 real, 1 and 2 a complex pair; stacks on 0 and 1; one massless primary 7
  // of weight 2 besides the vacuum.
  theory().conjugates = {0, 2, 1};
  theory().annulus[{7, 0, 0}] = 3;
  theory().moebius[{7, 0}] = 1;
  theory().annulus[{7, 1, 2}] = 2;
  theory().annulus[{7, 0, 1}] = 1;
  theory().annulus[{7, 0, 2}] = 1;
  ChanPatonData cpd;
  cpd.stacks = 2;
  cpd.stackLabel = {0, 1};
  RepresentationStore store;
  collectRepresentations(&cpd, {0, 7}, {1, 2}, &store);
  auto row = [&](const std::vector<int>& codes) {
    for (int r = 0; r < store.size(); ++r)
      if (store.codes[static_cast<std::size_t>(r)] == codes)
        return std::make_pair(store.count[static_cast<std::size_t>(r)], store.chirality[static_cast<std::size_t>(r)]);
    return std::make_pair(-1, 0);
  };
  // Real stack: 2 symmetric and 1 antisymmetric (times w = 2), no chirality, no adjoint.
  EXPECT_EQ(row({2, 0}), std::make_pair(4, 0));
  EXPECT_EQ(row({3, 0}), std::make_pair(2, 0));
  EXPECT_EQ(row({4, 0}).first, -1);
  // The complex stack's strings to its conjugate: adjoints.
  EXPECT_EQ(row({0, 4}), std::make_pair(4, 0));
  // Real with complex: (V, V) with the complex side's sign, from b and from b*.
  EXPECT_EQ(row({1, 1}), std::make_pair(4, 0));
  EXPECT_EQ(store.size(), 4);
  // An odd pair is reported.
  theory().annulus[{7, 1, 1}] = 2;
  theory().moebius[{7, 1}] = 1;
  capture.clear();
  collectRepresentations(&cpd, {0, 7}, {1, 2}, &store);
  EXPECT_TRUE(alerted("Annulus/Moebius parity violation"));
}

TEST_F(OpenTachyonsTest, ClosedSectorSummaryInFourDimensions) {
  const std::vector<std::vector<int>> vectors = {{0, 1, 0, 1, 9}, {1, 0, 0, 1, 0}, {0, 0, 0, 1, 0}, {2, 0, 0, 0, 0}};
  const std::vector<int> counts = {3, 5, 7, 11};
  EXPECT_EQ(OrderRepCount(counts, vectors, 4), std::vector<int>({3, 0, 5, 0, 0, 7}));
  capture.clear();
  EXPECT_TRUE(OrderRepCount(counts, vectors, 6).empty());
  EXPECT_TRUE(alerted("This routine should only be called in four dimensions"));
}

TEST_F(OpenTachyonsTest, RepeatedClosedSectorRequestIsAnsweredFromMemory) {
  // The lattice D8 alone: not supersymmetric, its vector a closed-string tachyon.
  setCosetMode(0);
  disableCoset();
  setIntPar("Super", 1);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 8 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  StringBlock* spectrum = getStringSpectrum(0);
  ASSERT_NE(spectrum, nullptr);
  SpaceTimeSource source;
  source.left = spectrum->left->table;
  source.right = spectrum->right->table;
  source.common = spectrum->spaceTime;
  source.dimension = spectrum->spaceTimeDimension;
  SpaceTimeSymmetry st;
  getSpaceTimeSymmetry(&source, &st, 'X');
  capture.clear();
  EXPECT_TRUE(ClosedSectorAnalysis(&st, 10, 0).empty());
  EXPECT_NE(capture.printed.find("!!!!! Tachyons !!!!!\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Multiplicity: "), std::string::npos);
  capture.clear();
  ClosedSectorAnalysis(&st, 10, 0);
  EXPECT_EQ(capture.printed, "\nClosed sector as above\n\n");
  capture.clear();
  ClosedSectorAnalysis(&st, 10, 1);
  EXPECT_EQ(capture.printed.find("Closed sector as above"), std::string::npos);
  EXPECT_NE(capture.printed.find("!!!!! Tachyons !!!!!\n"), std::string::npos);
  // Another record is recomputed too.
  SpaceTimeSymmetry other = st;
  other.left.chirality = -other.left.chirality + 1;
  capture.clear();
  ClosedSectorAnalysis(&other, 10, 0);
  EXPECT_EQ(capture.printed.find("Closed sector as above"), std::string::npos);
}

TEST_F(OpenTachyonsTest, ClosedSectorMultiplicities) {
  EXPECT_EQ(closedMultiplicityText(3), "Multiplicity: 3/2\n");
  EXPECT_EQ(closedMultiplicityText(4), "Multiplicity: 2\n");
  EXPECT_EQ(closedMultiplicityText(1), "Multiplicity: 1/2\n");
}

TEST_F(OpenTachyonsTest, SixDimensionalOrthogonalStack) {
  // One real boundary with M(0, a) = 1 and N branes: SO(N), coefficient 4N - 32, and
  // (N - M0) N = N(N - 1) doubled vectors, i.e. N(N-1)/2 vector multiplets.
  theory().conjugates = {0};
  theory().moebius[{0, 0}] = 1;
  for (int N : {8, 32}) {
    ChanPatonData cpd;
    cpd.multiplicity = {N};
    const SixDimensionalGauge g = sixDimensionalGauge(&cpd, {}, {}, 4);
    ASSERT_EQ(g.letter.size(), 1u);
    EXPECT_EQ(g.letter[0], 'O');
    EXPECT_EQ(g.anomaly[0], 4 * N - 32);
    EXPECT_EQ(g.vectors2 / 2, N * (N - 1) / 2);
  }
  // SO(32): V = 496.
  ChanPatonData so32;
  so32.multiplicity = {32};
  EXPECT_EQ(sixDimensionalGauge(&so32, {}, {}, 4).vectors2 / 2, 496);
}

TEST_F(OpenTachyonsTest, SixDimensionalSymplecticUnitaryAndMatter) {
  // 0 real with M0 = -1 (Sp), 1 and 2 a complex pair (U), N = 4 and 3.
  theory().conjugates = {0, 2, 1};
  theory().moebius[{0, 0}] = -1;
  ChanPatonData cpd;
  cpd.multiplicity = {4, 3, 3};
  SixDimensionalGauge g = sixDimensionalGauge(&cpd, {}, {}, 4);
  ASSERT_EQ(g.letter, std::vector<char>({'S', 'U'}));
  EXPECT_EQ(g.anomaly, std::vector<int>({4 * 4 + 32, 8 * 3}));
  // Sp(4): (4 + 1) 4 = 20 doubled, 10 vectors; U(3) from both labels: 2 x 3 x 3 = 18, 9.
  EXPECT_EQ(g.vectors2, 20 + 18);
  EXPECT_EQ(g.groupOfLabel, std::vector<int>({0, 1, 1}));
  // One massless primary (class-1 weight 1) with a bifundamental between 0 and 1:
  // 2 x 1 x 4 x 3 = 24 to H; each group loses 2 A N of the other.
  theory().annulus[{5, 0, 1}] = 1;
  g = sixDimensionalGauge(&cpd, {0, 5}, {1, 1}, 4);
  EXPECT_EQ(g.hypers, 4 + 24);
  EXPECT_EQ(g.anomaly, std::vector<int>({48 - 2 * 3, 24 - 2 * 4}));
}

TEST_F(OpenTachyonsTest, GravitationalAnomalyBalance) {
  // V + C = 14 T2 + Hy - 252.
  EXPECT_EQ(gravitationalAnomalyMismatch(496, 20, 0, 768), 0);
  EXPECT_EQ(gravitationalAnomalyMismatch(496, 20, 0, 760), 8);
  EXPECT_EQ(gravitationalAnomalyMismatch(0, 1, 2, 225), 0);
}

}  // namespace
