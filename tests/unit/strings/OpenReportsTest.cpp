// Printed open-sector reports on amplitudes and primaries the test sets up: the detail
// lines of one and two stacks with their star conventions, the non-supersymmetric
// statistics, the detailed open-sector totals, the open-string tachyon walk, and the
// refusals of the whole-spectrum report and of the spectrum-kind tests.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "lie/Branching.h"
#include "runtime/Parameters.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"

namespace {

struct FakeOpenTheory {
  std::vector<int> conjugates;
  std::map<std::tuple<int, int, int>, int> annulus;
  std::map<std::pair<int, int>, int> moebius;
  std::vector<int> massless = {0};
  std::vector<int> tachyonic;
  std::map<int, std::array<int, 4>> weights;
};

FakeOpenTheory& theory() {
  static FakeOpenTheory t;
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
  return a >= 0 && a < static_cast<int>(theory().conjugates.size())
             ? theory().conjugates[static_cast<std::size_t>(a)]
             : -1;
}
void fakeSelect(const OrientifoldInfo*) {}
int fakeBoundaries() {
  return static_cast<int>(theory().conjugates.size());
}
int fakePrimaries() {
  return 4;
}
int fakeTachyonicField(int i) {
  for (int t : theory().tachyonic)
    if (t == i) return 1;
  return 0;
}
int fakeKlein(int) {
  return 0;
}

const OpenAmplitudes kFakeAmplitudes = {fakeAnnulus,        fakeMoebius,    fakeConjugate,
                                        fakeSelect,         fakeBoundaries, fakePrimaries,
                                        fakeTachyonicField, fakeKlein};

std::vector<int> fakeMassless() {
  return theory().massless;
}
std::vector<int> fakeTachyonic() {
  return theory().tachyonic;
}
std::array<int, 4> fakeRepInfo(int i) {
  auto it = theory().weights.find(i);
  return it == theory().weights.end() ? std::array<int, 4>{0, 0, 0, 0} : it->second;
}
const OpenReportSource kFakeSource = {fakeMassless, fakeTachyonic, fakeRepInfo};

// One stack per entry: (label, group type, N); labels 0 .. L-1 with the given conjugates.
ChanPatonData configuration(int labels, const std::vector<std::tuple<int, int, int>>& stacks) {
  ChanPatonData cpd;
  cpd.boundaries = labels;
  cpd.multiplicity.assign(static_cast<std::size_t>(labels), 0);
  cpd.distinctBrane.assign(static_cast<std::size_t>(labels), -1);
  for (const auto& [label, type, N] : stacks) {
    const int position = cpd.stacks++;
    cpd.stackLabel.push_back(label);
    cpd.stackType.push_back(type);
    cpd.stackMultiplicity.push_back(N);
    cpd.multiplicity[static_cast<std::size_t>(label)] = N;
    cpd.distinctBrane[static_cast<std::size_t>(label)] = position;
    const int conjugate = theory().conjugates[static_cast<std::size_t>(label)];
    if (conjugate != label) {
      cpd.multiplicity[static_cast<std::size_t>(conjugate)] = N;
      cpd.distinctBrane[static_cast<std::size_t>(conjugate)] = position;
    }
  }
  return cpd;
}

// Six-dimensional (1,0) supersymmetry on the first half (E7 lattice), bosonic second half:
// two representation classes.
SpaceTimeSymmetry sixDimensionalRecord(int supersymmetric) {
  SpaceTimeSymmetry st;
  st.left.type = 5;
  st.left.rank = 7;
  st.dimension = 6;
  st.supersymmetric = supersymmetric;
  return st;
}

class OpenReportsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    theory() = FakeOpenTheory();
    setOpenAmplitudes(&kFakeAmplitudes);
    setOpenReportSource(&kFakeSource);
  }
  void TearDown() override {
    setOpenAmplitudes(nullptr);
    setOpenReportSource(nullptr);
  }
};

TEST_F(OpenReportsTest, OneStackLinesSplitIntoSymmetricAndAntisymmetricTensors) {
  // (A, M) = (3, 1): (3 + 1)/2 = 2 symmetric and (3 - 1)/2 = 1 antisymmetric tensor.
  EXPECT_EQ(oneStackLines(7, 1, 3, 3, 1, 1, 0, 0, -1),
            "From character lbl    7:  2 x   (0 ,S ,0 )\n"
            "From character lbl    7:        (0 ,A ,0 )\n");
  // The weight multiplies the multiplicity.
  EXPECT_EQ(oneStackLines(12, 0, 1, 1, -1, 3, 0, 0, -1), "From character lbl   12:  3 x   (A )\n");
  // Six-dimensional lines star a negative sign, the detailed listing a positive one.
  EXPECT_EQ(oneStackLines(1, 0, 1, 1, 1, 1, -2, 0, -1), "From character lbl    1:        (S*)\n");
  EXPECT_EQ(PrintRep1string(0, 1, 1, 1, 1, 1, -2, 0), "From character lbl    1:        (S )\n");
  EXPECT_EQ(PrintRep1string(0, 1, 1, -1, 1, 1, 2, 0), "From character lbl    1:        (A*)\n");
  // The adjoint of the detailed listing counts A x w; in six dimensions (1, 0) is "Ad".
  EXPECT_EQ(PrintRep1string(1, 2, 2, 0, 3, 5, 0, 1), "From character lbl    5:  6 x   (0 ,Ad)\n");
  EXPECT_EQ(oneStackLines(5, 0, 2, 1, 0, 1, 0, 0, -1), "From character lbl    5:        (Ad,0 )\n");
  EXPECT_TRUE(silent());
}

TEST_F(OpenReportsTest, OddAndUnknownPairsEnd) {
  // A - M odd cannot be split: nothing more is printed and the call returns.
  EXPECT_EQ(oneStackLines(1, 0, 1, 3, 0, 1, 0, 0, -1), "");
  EXPECT_EQ(PrintRep1string(0, 1, 5, 2, 1, 1, 0, 0), "");
  // Nothing at all for (0, 0).
  EXPECT_EQ(oneStackLines(1, 0, 1, 0, 0, 1, 0, 0, -1), "");
  // (1, 0) without the adjoint flag is no representation of the detailed listing.
  EXPECT_EQ(PrintRep1string(0, 2, 1, 0, 1, 4, 0, 0), "From character lbl    4:        (,0 )\n");
  EXPECT_TRUE(alerted("Unknown representation: Annulus=1,Moebius=0,adjoint=0"));
  // |M| > A in six dimensions.
  EXPECT_EQ(oneStackLines(4, 0, 1, 1, 3, 1, 0, 0, -1), "From character lbl    4:        ()\n");
  EXPECT_TRUE(alerted("Unknown representation: Annulus=1,Moebius=3"));
}

TEST_F(OpenReportsTest, BifundamentalLines) {
  EXPECT_EQ(PrintRep2string(3, 0, 2, 1, 2, 4, 1, -1),
            "From character lbl    4:  2 x   (V*,0 ,V )\n");
  EXPECT_EQ(twoStackLine(4, 0, 2, 3, 1, 2, 1, -1, -1),
            "From character lbl    4:  2 x   (V ,0 ,V*)\n");
  EXPECT_EQ(PrintRep2string(2, 0, 1, 0, 2, 4, 1, 1), "");
}

TEST_F(OpenReportsTest, NonSupersymmetricStatistics) {
  theory().conjugates = {1, 0};
  ChanPatonData cpd = configuration(2, {{0, 0, 3}});
  RepresentationStore class1;
  RepresentationStore class2;
  class1.reset(1);
  class2.reset(1);
  // Class 1: one adjoint (the gauge fields, taken off) and two symmetric tensors.
  class1.count[static_cast<std::size_t>(class1.find({4}))] = 1;
  class1.count[static_cast<std::size_t>(class1.find({2}))] = 2;
  // Class 2: two adjoints and four symmetric tensors.
  class2.count[static_cast<std::size_t>(class2.find({4}))] = 2;
  class2.count[static_cast<std::size_t>(class2.find({2}))] = 4;
  const std::array<long long, 6> s = analyseNonSusySpectrum(&class1, &class2, &cpd);
  // Net counts: adjoint 2 - 2*0 = 2 (dimension 3^2 = 9), symmetric 4 - 2*2 = 0 (dimension 6).
  EXPECT_EQ(s, (std::array<long long, 6>{2, 18, 1, 1, 4, 36}));
  EXPECT_NE(capture.printed.find(
                "Net representation sum: 2\nNet dimension sum: 18\nNumber of susy multiplets: 1\n"
                "Number of non-susy multiplets:  1\nSum of squared net multiplicities: 4\n"
                "Dimension weighted sum of squared net multiplicities: 36\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("\n\nNon-susy statistics summary: 2 18 1 1 4 36\n\n"),
            std::string::npos);
}

TEST_F(OpenReportsTest, DetailedOpenSectorTotals) {
  // A U(3) stack on the complex pair (0, 1); primary 1 massless with class-1 weight 1.
  theory().conjugates = {1, 0};
  theory().massless = {0, 1};
  theory().weights[1] = {0, 1, 0, 0};
  theory().annulus[{1, 0, 0}] = 1;
  theory().moebius[{1, 0}] = 1;
  theory().annulus[{1, 0, 1}] = 1;
  ChanPatonData cpd = configuration(2, {{0, 0, 3}});
  SpaceTimeSymmetry st = sixDimensionalRecord(1);
  // N (M + N A) = 3 (1 + 3) = 12 from the symmetric tensor, 2 A' N N = 18 from the adjoint.
  EXPECT_EQ(DetailedOpenSectorAnalysis(&cpd, &st), 30);
  const std::string& out = capture.printed;
  EXPECT_NE(out.find("Total gauge dimension 15:\n"), std::string::npos);
  EXPECT_NE(
      out.find("From character lbl    1:        (S )\nFrom character lbl    1:        (Ad)\n"),
      std::string::npos);
  // A supersymmetric record walks the massless primaries only.
  EXPECT_EQ(out.find("No tachyons in open sector"), std::string::npos);
  EXPECT_EQ(out.find("Tachyons !"), std::string::npos);
  // Not supersymmetric, no matter and no tachyons.
  capture.clear();
  theory().annulus.clear();
  theory().moebius.clear();
  st = sixDimensionalRecord(0);
  EXPECT_EQ(DetailedOpenSectorAnalysis(&cpd, &st), 0);
  EXPECT_NE(capture.printed.find("No massless matter\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("No tachyons in open sector\n"), std::string::npos);
}

TEST_F(OpenReportsTest, ParityFaultsAreReportedWithTheirLabels) {
  theory().conjugates = {0};
  theory().massless = {0, 2};
  theory().weights[2] = {0, 1, 0, 0};
  theory().annulus[{2, 0, 0}] = 2;
  theory().moebius[{2, 0}] = 1;
  ChanPatonData cpd = configuration(1, {{0, 1, 4}});
  SpaceTimeSymmetry st = sixDimensionalRecord(1);
  DetailedOpenSectorAnalysis(&cpd, &st);
  EXPECT_TRUE(alerted("Annulus/Moebius parity violation (i=2,a=0)"));
}

TEST_F(OpenReportsTest, OpenStringTachyons) {
  // A real boundary whose tachyon has A + M = 0: an antisymmetric tensor, empty for N = 1.
  theory().conjugates = {0, 1};
  theory().tachyonic = {2};
  theory().weights[2] = {0, 1, 0, 0};
  theory().annulus[{2, 0, 0}] = 1;
  theory().moebius[{2, 0}] = -1;
  SpaceTimeSymmetry st = sixDimensionalRecord(0);
  ChanPatonData single = configuration(2, {{0, 1, 1}});
  EXPECT_EQ(OpenSectorTachyonAnalysis(&single, &st), 0);
  // N = 2: N (A N + M) = 2 (2 - 1) = 2 states.
  ChanPatonData pair = configuration(2, {{0, 1, 2}});
  EXPECT_EQ(OpenSectorTachyonAnalysis(&pair, &st), 1);
  // Strings between two single branes carry the tachyon.
  theory().annulus[{2, 0, 1}] = 1;
  ChanPatonData two = configuration(2, {{0, 1, 1}, {1, 1, 1}});
  EXPECT_EQ(OpenSectorTachyonAnalysis(&two, &st), 1);
  // Without a second class nothing but the diagonal states can count.
  SpaceTimeSymmetry bosonic;
  EXPECT_EQ(OpenSectorTachyonAnalysis(&two, &bosonic), 0);
}

TEST_F(OpenReportsTest, RepresentationHeaderOncePerClassText) {
  theory().conjugates = {0};
  ChanPatonData cpd = configuration(1, {{0, 1, 2}});
  SpaceTimeSymmetry st = sixDimensionalRecord(1);
  RepresentationStore store;
  store.reset(1);
  PrintOpenSpectrum(&store, &st, &cpd, 1);
  PrintOpenSpectrum(&store, &st, &cpd, 1);
  const std::string& out = capture.printed;
  const std::size_t first = out.find("\n --- Representation\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(out.find("\n --- Representation\n", first + 1), std::string::npos);
  EXPECT_NE(out.find("Type:         O \nStack size:   2\nNo matter representations\n"),
            std::string::npos);
}

TEST_F(OpenReportsTest, SixDimensionalOpenSectorOfOrthogonalAndUnitaryGroups) {
  // SO(32) on the real boundary 0 (M(0,0) = 1), open sector only: 32 x 31 / 2 = 496 vectors
  // and the anomaly coefficient 4 x 32 - 32 = 96 without matter.
  theory().conjugates = {0, 2, 1};
  theory().moebius[{0, 0}] = 1;
  ChanPatonData so32 = configuration(3, {{0, 1, 32}});
  EXPECT_EQ(SixDimensionalAnalysis(&so32, 1), 1);
  const std::string out = capture.printed;
  EXPECT_NE(out.find("In total: Super:   1\n          Hyper:   0  (1+-1+0)\n          Tensor:  0\n"
                     "          Vector: 496\n"),
            std::string::npos);
  EXPECT_EQ(out.find("Gauge anomaly cancellation OK"), std::string::npos);
  EXPECT_EQ(out.find(">>>>>>>>>>>>>>  Closed sector"), std::string::npos);
  const std::string errors = capture.diagnostics;
  EXPECT_NE(errors.find("Gauge anomaly not cancelled for group factor 0"), std::string::npos);
  // V + C - (14 T2 + Hy - 252) = 496 + 0 - (0 + 0 - 252) = 748.
  EXPECT_NE(errors.find("need 748 additional Hyper multiplets"), std::string::npos);
  capture.clear();
  // SO(8) (4 x 8 - 32 = 0) with U(2) on the complex pair (1, 2), detailed: each label of
  // the pair is named, the group counted once; vectors 8 x 7 / 2 + 2 x 2 = 32.
  ChanPatonData mixed = configuration(3, {{0, 1, 8}, {1, 0, 2}});
  EXPECT_EQ(SixDimensionalAnalysis(&mixed, 3), 1);
  const std::string detailed = capture.printed;
  EXPECT_NE(detailed.find("Factor 0 contributes gauge group SO(8)\n"
                          "Factor 1 contributes to gauge group U(2) (first label)\n"
                          "Factor 2 contributes to gauge group U(2) (second label)\n"),
            std::string::npos);
  EXPECT_NE(detailed.find("\nIdentity component: 32 Vector multiplets\n"), std::string::npos);
  EXPECT_NE(detailed.find("          Vector: 32\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Gauge anomaly not cancelled for group factor 1"), std::string::npos);
  EXPECT_EQ(capture.diagnostics.find("group factor 0"), std::string::npos);
}

TEST_F(OpenReportsTest, OpenSectorByClassListsFixedStacksFirstChiralFirst) {
  // U(2) on the complex pair (0, 1), the fixed stack; O(3) on the real boundary 2.
  theory().conjugates = {1, 0, 2};
  theory().massless = {0, 1};
  theory().weights[1] = {0, 1, 0, 0};
  theory().annulus[{1, 0, 2}] = 1;  // a bifundamental, chiral through the complex stack
  theory().annulus[{1, 0, 1}] = 1;  // the adjoint of U(2)
  theory().annulus[{1, 2, 2}] = 1;  // with M = -1 the antisymmetric tensor of O(3)
  theory().moebius[{1, 2}] = -1;
  ChanPatonData cpd = configuration(3, {{0, 0, 2}, {2, 1, 3}});
  cpd.observableStacks = 1;
  // A four-dimensional record: its class text has no half hypermultiplets to combine.
  SpaceTimeSymmetry st;
  st.left.type = 4;
  st.left.rank = 5;
  st.dimension = 4;
  openSectorByClass(&cpd, &st, 2);
  // Dimensions 2 x 3, 2^2 and 3 x 2 / 2.
  EXPECT_NE(capture.printed.find("Type:         U  O \nStack size:   2  3\n"
                                 "        1 x ( V ,V ) chirality 1        Dimension 6    \n"
                                 "        1 x ( Ad,0 ) chirality 0        Dimension 4    \n"
                                 "        1 x ( 0 ,A ) chirality 0        Dimension 3    \n"
                                 "\n"),
            std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.printed.find("No matter representations"), std::string::npos);
  // No primary with weight in the class: nothing to list.
  capture.clear();
  theory().weights[1] = {0, 0, 0, 0};
  openSectorByClass(&cpd, &st, 2);
  EXPECT_EQ(capture.printed, "No matter representations\n\n");
}

TEST_F(OpenReportsTest, WholeReportRefusals) {
  ChanPatonData cpd;
  EXPECT_EQ(GenericSpectrumAnalysis(nullptr, 0), 0);
  EXPECT_TRUE(alerted("Invalid mode"));
  setIntPar("Super", 0);
  EXPECT_EQ(GenericSpectrumAnalysis(&cpd, 1), 0);
  EXPECT_EQ(capture.printed, "Bosonic open string spectrum analysis not yet built in\n");
  capture.clear();
  EXPECT_EQ(GenericSpectrumAnalysis(nullptr, 2), 1);
  EXPECT_EQ(capture.printed, "");
  // The spectrum-kind tests need superstring mode.
  EXPECT_EQ(CY_Check('I', 1), 0);
  EXPECT_EQ(capture.printed, "Please use superstring mode (set super)\n");
  capture.clear();
  EXPECT_EQ(CY_Check('B', 0), 0);
  EXPECT_EQ(capture.printed, "");
  EXPECT_EQ(SixDimSusy(), 0);
}

}  // namespace
