// Fixed-point theories of stored theories: the orbit Lie algebras of affine currents and
// the labels of the fixed points in them, S^J with its shift phase, the answers for the
// identity and for currents without fixed points, the generic FCFT constructor and its
// refusal, the re-centred case, and the fixed-point tests of the special theories.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerFixedPoints : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

const int* labelOf(const SpectrumData* sd, int a) { return sd->labels + static_cast<std::size_t>(a) * sd->rep_size; }

TEST_F(StoremanagerFixedPoints, OrbitLieAlgebrasLabelExactlyTheFixedFields) {
  struct Case {
    int type, rank, level, currents;
  };
  for (const Case& c : std::vector<Case>{{4, 4, 2, 3}, {1, 3, 2, 1}, {1, 5, 3, 1}, {2, 3, 2, 1}, {3, 3, 2, 1},
                                         {5, 7, 2, 1}, {4, 5, 4, 2}}) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(c.type, c.rank, c.level);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(SM_initFCFTData(sd), c.currents) << sd->name;
    for (int i = 0; i < sd->n_fp_currents; ++i) {
      const int J = sd->fp_currents[i];
      FixedPointTheory orbit;
      ASSERT_EQ(FCFT(c.type, c.rank, c.level, J, orbit), 0);
      SpectrumData* f = sd->fcft[i];
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f, SM_getData(orbit.type, orbit.rank, orbit.level)) << sd->name;
      // A shared orbit Lie algebra names the last current that took it.
      int last = J;
      for (int j = i + 1; j < sd->n_fp_currents; ++j)
        if (sd->fcft[j] == f) last = sd->fp_currents[j];
      EXPECT_EQ(f->parent_current, last);
      EXPECT_EQ(sd->fcft_shift[i], orbit.shift);
      EXPECT_EQ(SM_getFCFTshift(sd, J), orbit.shift);
      EXPECT_EQ(SM_getFCFTlbl(sd, J), i + 1);
      EXPECT_EQ(SM_fixedPointCurrent(sd, J), 1);
      std::set<int> images;
      std::vector<int> folded(static_cast<std::size_t>(c.rank) + 2);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int label = SM_getFPlabel(sd, J, a);
        EXPECT_EQ(label >= 0, SM_SimpleAction(sd, J, a) == a) << sd->name << " J=" << J << " a=" << a;
        if (label < 0) continue;
        images.insert(label);
        // The FCFT field carries the folded labels of the fixed point.
        ASSERT_EQ(fold(labelOf(sd, a), folded.data(), c.type, c.rank, c.level, J), 0);
        EXPECT_TRUE(std::equal(labelOf(f, label), labelOf(f, label) + f->rep_size, folded.begin()));
      }
      EXPECT_EQ(static_cast<int>(images.size()), f->n_primaries) << sd->name << " J=" << J;
    }
    EXPECT_EQ(SM_getFCFTlabels(sd), sd->fcft_labels);
    EXPECT_EQ(capture.diagnostics, "") << sd->name;
  }
}

TEST_F(StoremanagerFixedPoints, SJOfA1AtLevelTwo) {
  // Current 1 fixes the spin-1/2 field 2; its fixed-point theory is the trivial one
  // (S = 1) with shift 3, so S^J = exp(-3 pi i / 4).
  SpectrumData* sd = SM_getData(1, 1, 2);
  EXPECT_EQ(SM_getFCFTlbl(sd, 1), 1);
  EXPECT_EQ(SM_getFPlabel(sd, 1, 2), 0);
  EXPECT_EQ(SM_getFPlabel(sd, 1, 0), -1);
  EXPECT_EQ(SM_getFCFTshift(sd, 1), 3);
  double re = 9.0, im = 9.0;
  EXPECT_EQ(SM_getOLA_Smatrix(sd, 1, 2, 2, &re, &im), 1);
  EXPECT_NEAR(re, 1.0, kTol);
  EXPECT_NEAR(im, 0.0, kTol);
  EXPECT_EQ(SM_getFCFT_Smatrix(sd, 1, 2, 2, &re, &im), 1);
  EXPECT_NEAR(re, std::cos(-3 * M_PI / 4), kTol);
  EXPECT_NEAR(im, std::sin(-3 * M_PI / 4), kTol);
  EXPECT_EQ(SM_getFCFT_Smatrix(sd, 1, 0, 2, &re, &im), 0);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  // The identity: every field is its own fixed point and S^0 is S itself.
  EXPECT_EQ(SM_getFCFTlbl(sd, 0), 0);
  EXPECT_EQ(SM_getFPlabel(sd, 0, 1), 1);
  EXPECT_EQ(SM_getFCFTshift(sd, 0), 0);
  EXPECT_EQ(SM_getFCFT(sd, 0), sd);
  double sre, sim;
  SM_getS(sd, 2, 0, &sre, &sim);
  EXPECT_EQ(SM_getOLA_Smatrix(sd, 0, 2, 0, &re, &im), 1);
  EXPECT_NEAR(re, sre, kTol);
  EXPECT_NEAR(re, 1 / std::sqrt(2.0), kTol);  // S_{1/2, 0} of A1 level 2
}

TEST_F(StoremanagerFixedPoints, CurrentWithoutFixedPoints) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  EXPECT_EQ(SM_initFCFTData(sd), 0);
  EXPECT_EQ(SM_getFCFTlbl(sd, 1), -1);
  EXPECT_EQ(SM_getFCFT(sd, 1), nullptr);
  EXPECT_EQ(SM_getFPlabel(sd, 1, 0), -1);
  EXPECT_EQ(SM_fixedPointCurrent(sd, 1), 0);
  double re = 9.0, im = 9.0;
  EXPECT_EQ(SM_getOLA_Smatrix(sd, 1, 0, 0, &re, &im), 0);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  EXPECT_EQ(SM_getFCFT_Smatrix(sd, 1, 0, 0, &re, &im), 0);
  OutputCapture capture;
  EXPECT_EQ(SM_getFCFTshift(sd, 1), std::numeric_limits<int>::max());
  EXPECT_TRUE(contains(capture.diagnostics, "Current has no fixed points"));
}

TEST_F(StoremanagerFixedPoints, U1CurrentsHaveNoFixedPoints) {
  // U(1) at N = 4: the current 2 moves every charge q to q + 2 mod 4, so it fixes nothing
  // and has no fixed-point theory; it is not taken for the identity.
  SpectrumData* sd = SM_getData(0, 4, 0);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, 4);
  OutputCapture capture;
  for (int J = 1; J < 4; ++J) {
    EXPECT_EQ(SM_getFCFTlbl(sd, J), -1) << J;
    EXPECT_EQ(SM_fixedPointCurrent(sd, J), 0) << J;
    EXPECT_EQ(SM_checkFP(sd, J, 0), 0) << J;
    EXPECT_EQ(SM_getFPlabel(sd, J, 0), -1) << J;
  }
  EXPECT_EQ(SM_getFCFTlbl(sd, 0), 0);
  EXPECT_TRUE(capture.diagnostics.empty()) << capture.diagnostics;
}

TEST_F(StoremanagerFixedPoints, LabelLookUpReportsMissingLabels) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  for (int a = 0; a < sd->n_primaries; ++a) EXPECT_EQ(SM_getLabel(sd, labelOf(sd, a)), a);
  OutputCapture capture;
  const int absent[3] = {7, 0, 0};
  EXPECT_EQ(SM_getLabel(sd, absent), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Representation not found"));
}

TEST_F(StoremanagerFixedPoints, SpecialTheoriesKnowTheirFixedPointCurrents) {
  // N=2 minimal model: k + 2 when (k+2)/2 is odd, 3(k+2) when even, none for odd k.
  SpectrumData* two = SM_getData(27, 2, 2);
  for (int J = 0; J < two->scgroup->order; ++J) EXPECT_EQ(SM_fixedPointCurrent(two, J), J == 12 ? 1 : 0) << J;
  SpectrumData* four = SM_getData(27, 2, 4);
  EXPECT_EQ(SM_fixedPointCurrent(four, 6), 1);
  EXPECT_EQ(SM_fixedPointCurrent(four, 18), 0);
  EXPECT_EQ(SM_fixedPointCurrent(SM_getData(27, 2, 3), 5), 0);
  EXPECT_EQ(SM_getFCFTlbl(two, 12), 1);
  EXPECT_EQ(SM_getFCFT(two, 12)->type, 26);
  // c=1 orbifold with odd N: the weight-1 current fixes the fields (1, x), the others
  // fix nothing.
  SpectrumData* orbifold = SM_getData(7, 5, 0);
  EXPECT_EQ(SM_fixedPointCurrent(orbifold, 2), 1);
  EXPECT_EQ(SM_fixedPointCurrent(orbifold, 1), 0);
  EXPECT_EQ(SM_fixedPointCurrent(SM_getData(1, 1, 2), 1), 1);
  EXPECT_EQ(SM_fixedPointCurrent(SM_getData(1, 1, 1), 1), 0);
}

// A record of type 9 (or 18) with four fields, as the tensor layer would make it.
SpectrumData* constructedTheory(const char* name, int type) {
  SpectrumData* sd = allocateSpectrumData(name);
  sd->type = type;
  sd->rank = 0;
  sd->level = 0;
  sd->n_primaries = 4;
  sd->rep_size = 2;
  sd->validity = 3;
  sd->c = 1.5;
  sd->weight_den = 16;
  sd->scgroup = DG_trivial();
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Weights(sd);
  for (int a = 0; a < 4; ++a) {
    sd->labels[2 * a] = a;
    sd->labels[2 * a + 1] = 10 + a;
    sd->weight_num[a] = 3 * a;
    sd->exact[a] = 1;
  }
  return sd;
}

TEST_F(StoremanagerFixedPoints, GenericFixedPointTheory) {
  SpectrumData* parent = constructedTheory("tensor theory", 9);
  const int row[4] = {-1, 0, -1, 1};
  SpectrumData* f = SM_createFCFT("tensor theory_0", parent, row, 2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(SM_getFirstAlgebra(), f);
  EXPECT_EQ(f->type, 10);
  EXPECT_EQ(f->n_primaries, 2);
  EXPECT_EQ(f->rep_size, 2);
  EXPECT_EQ(f->symmetric, 0);
  EXPECT_EQ(f->validity, 1);
  EXPECT_EQ(f->store_s, 1);
  EXPECT_EQ(f->c, 1.5);
  EXPECT_EQ(f->weight_den, 16);
  EXPECT_EQ(f->base, parent);
  EXPECT_EQ(f->scgroup->order, 1);
  EXPECT_EQ(f->n_orbits, 2);
  EXPECT_EQ(std::vector<int>(f->labels, f->labels + 4), (std::vector<int>{1, 11, 3, 13}));
  EXPECT_EQ(f->weight_num[0], 3);
  EXPECT_EQ(f->weight_num[1], 9);
  EXPECT_EQ(f->exact[0], 0);
  EXPECT_EQ(f->orbit_number[1], 1);
  EXPECT_EQ(SM_createFCFT("perm_0", constructedTheory("perm", 18), row, 2)->type, 19);
  // Any other parent is refused before a record is made.
  OutputCapture capture;
  SpectrumData* head = SM_getFirstAlgebra();
  EXPECT_EQ(SM_createFCFT("bad", SM_getData(1, 1, 2), row, 2), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid call to SM_createFCFT"));
  EXPECT_EQ(SM_findCFT("bad"), nullptr);
  EXPECT_EQ(SM_getFirstAlgebra(), SM_findCFT("A1 level 2"));
  EXPECT_NE(head, nullptr);
}

// A re-centred copy of A1 level 2 with the given map of its fields to the base fields.
SpectrumData* recentred(SpectrumData* base, const std::vector<int>& map) {
  SpectrumData* sd = allocateSpectrumData("recentred");
  sd->type = 17;
  sd->base = base;
  sd->validity = 3;
  sd->n_primaries = base->n_primaries;
  sd->rep_size = base->rep_size;
  sd->labels = base->labels;
  sd->weight_num = base->weight_num;
  sd->exact = base->exact;
  sd->weight_den = base->weight_den;
  sd->scgroup = base->scgroup;
  sd->orbit_number = base->orbit_number;
  sd->orbit_base = base->orbit_base;
  sd->orbit_position = base->orbit_position;
  sd->stabilizers = base->stabilizers;
  sd->charges = base->charges;
  sd->n_orbits = base->n_orbits;
  sd->n_fp_currents = base->n_fp_currents;
  sd->fp_currents = base->fp_currents;
  SM_allocFieldInfo_Map(sd);
  std::copy(map.begin(), map.end(), sd->field_map);
  return sd;
}

TEST_F(StoremanagerFixedPoints, RecentredTheories) {
  SpectrumData* base = SM_getData(1, 1, 2);
  {
    // The current maps to a current of the base: the base's data are taken over.
    SpectrumData* sd = recentred(base, {0, 1, 2});
    OutputCapture capture;
    ASSERT_EQ(SM_initFCFTData(sd), 1);
    EXPECT_EQ(sd->fcft[0], base->fcft[0]);
    EXPECT_EQ(sd->fcft_shift[0], 3);
    EXPECT_EQ(std::vector<int>(sd->fcft_labels, sd->fcft_labels + 3), (std::vector<int>{-1, -1, 0}));
    EXPECT_TRUE(contains(capture.all, "FCFT number i=0\n"));
    EXPECT_TRUE(contains(capture.all, "Corresponding current 1, label 0\n"));
  }
  {
    // The current maps to a field that is no current of the base: a generic FCFT.
    SpectrumData* sd = recentred(base, {0, 2, 1});
    OutputCapture capture;
    ASSERT_EQ(SM_initFCFTData(sd), 1);
    SpectrumData* f = sd->fcft[0];
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->name, "recentred_0");
    EXPECT_EQ(f->type, 10);
    EXPECT_EQ(f->n_primaries, 1);
    EXPECT_EQ(f->use_orbits, 0);
    EXPECT_EQ(f->parent_current, 1);
    EXPECT_EQ(sd->fcft_shift[0], 0);
  }
}

}  // namespace
