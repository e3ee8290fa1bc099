// Simple currents and orbits of stored theories: the centre orders, orbit lengths times
// stabiliser orders, the action by group arithmetic against fusion read off S rows, the
// orbit ordering rebuilt from S alone for a scrambled theory, the selected-row cache,
// the current outer automorphisms, conjugates, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class StoremanagerCurrents : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

struct Expected {
  int type;
  int rank;
  int centre;  // order of the centre of the simply connected group
};

// Centres: Z(r+1) for A_r, Z2 for B_r and C_r, Z4 or Z2 x Z2 for D_r, Z3 for E6, Z2 for
// E7, trivial for G2, F4 and E8.
const Expected kCentres[] = {{1, 1, 2}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}, {1, 5, 6}, {2, 2, 2}, {2, 3, 2},
                             {2, 4, 2}, {3, 2, 2}, {3, 3, 2}, {3, 4, 2}, {4, 4, 4}, {4, 5, 4}, {4, 6, 4},
                             {5, 2, 1}, {5, 4, 1}, {5, 6, 3}, {5, 7, 2}, {5, 8, 1}};

// The field b with S_bc = S_Jc S_ac / S_0c for all c (fusion with a current from S rows).
int fusionFromS(SpectrumData* sd, int J, int a) { return GenericSimpleAction(sd, sd->n_primaries, J, a, SM_getS_accessor); }

int orbitLength(const SpectrumData* sd, int a) {
  int length = 0;
  for (int f = 0; f < sd->n_primaries; ++f) length += sd->orbit_base[f] == sd->orbit_base[a] ? 1 : 0;
  return length;
}

TEST_F(StoremanagerCurrents, CentreOrdersAtEveryLevel) {
  for (const Expected& e : kCentres) {
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(e.type, e.rank, level);
      ASSERT_NE(sd, nullptr);
      EXPECT_EQ(sd->scgroup->order, e.centre) << sd->name;
      // The currents are the first fields, each of quantum dimension 1.
      const IntList* found = DetermineSimpleCurrentMap(sd, 0, sd->n_primaries, SM_getS_accessor);
      for (int J = 0; J < e.centre; ++J) EXPECT_GE(findInList(found, J), 0) << sd->name << " current " << J;
    }
  }
}

TEST_F(StoremanagerCurrents, E8LevelTwoHasAnExceptionalCurrentThatIsNotBuiltIn) {
  SpectrumData* sd = SM_getData(5, 8, 2);
  EXPECT_EQ(sd->scgroup->order, 1);
  // The spin-3/2 field has quantum dimension 1 too.
  const IntList* found = DetermineSimpleCurrentMap(sd, 0, sd->n_primaries, SM_getS_accessor);
  EXPECT_EQ(found->n, 2);
}

TEST_F(StoremanagerCurrents, PrimaryCountsOfA1AndA2) {
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(SM_getData(1, 1, k)->n_primaries, k + 1);
    EXPECT_EQ(SM_getData(1, 2, k)->n_primaries, (k + 1) * (k + 2) / 2);
  }
}

TEST_F(StoremanagerCurrents, OrbitLengthTimesStabiliserOrderIsTheGroupOrder) {
  for (const Expected& e : kCentres) {
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(e.type, e.rank, level);
      const int order = sd->scgroup->order;
      for (int a = 0; a < sd->n_primaries; ++a) {
        int stabiliser = 0;
        for (int J = 0; J < order; ++J) stabiliser += SM_SimpleAction(sd, J, a) == a ? 1 : 0;
        EXPECT_EQ(orbitLength(sd, a) * stabiliser, order) << sd->name << " field " << a;
      }
      for (int J = 0; J < order; ++J) {
        EXPECT_EQ(sd->orbit_number[J], 0);
        EXPECT_EQ(sd->orbit_position[J], J);
        EXPECT_EQ(SM_SimpleAction(sd, J, 0), J);
      }
    }
  }
}

TEST_F(StoremanagerCurrents, GroupArithmeticAgreesWithFusionFromS) {
  const Expected cases[] = {{1, 2, 3}, {1, 3, 4}, {4, 4, 4}, {4, 6, 4}, {4, 5, 4}, {5, 6, 3}, {5, 7, 2}, {3, 3, 2}};
  for (const Expected& e : cases) {
    SpectrumData* sd = SM_getData(e.type, e.rank, 2);
    for (int J = 0; J < e.centre; ++J)
      for (int a = 0; a < sd->n_primaries; ++a)
        EXPECT_EQ(SM_SimpleAction(sd, J, a), fusionFromS(sd, J, a)) << sd->name << " " << J << " x " << a;
  }
}

TEST_F(StoremanagerCurrents, GeneratorActionFromSelectedRowsMatchesTheGroupAction) {
  SpectrumData* sd = SM_getData(1, 2, 3);
  std::vector<int> out(static_cast<std::size_t>(sd->n_primaries));
  ASSERT_EQ(GenericGeneratorAction(sd, sd->n_primaries, 1, out.data(), SM_getS_accessor), 0);
  for (int b = 0; b < sd->n_primaries; ++b) EXPECT_EQ(out[static_cast<std::size_t>(b)], SM_SimpleAction(sd, 1, b));
}

TEST_F(StoremanagerCurrents, FixedPointsOfD6AtLevelTwo) {
  SpectrumData* sd = SM_getData(4, 6, 2);
  ASSERT_EQ(sd->scgroup->order, 4);
  // Each stored stabilizer row generates exactly the elements that fix the field.
  const int g = sd->scgroup->nfactors;
  for (int a = 0; a < sd->n_primaries; ++a) {
    std::vector<int> generated{0};
    for (int i = 0; i < g; ++i) {
      const int s = sd->stabilizers[a * g + i];
      std::vector<int> grown = generated;
      for (int x : generated) grown.push_back(DG_product(x, s, sd->scgroup));
      std::sort(grown.begin(), grown.end());
      grown.erase(std::unique(grown.begin(), grown.end()), grown.end());
      generated = grown;
    }
    std::vector<int> fixing;
    for (int J = 0; J < 4; ++J)
      if (SM_SimpleAction(sd, J, a) == a) fixing.push_back(J);
    EXPECT_EQ(generated, fixing) << "field " << a;
  }
}

// A theory given in scrambled field order, with S from the Weyl-group sum: the store
// rebuilds group, orbits, stabilizers and charges from rows of S alone.
SpectrumData* scrambledCopy(SpectrumData* source, const char* name) {
  SpectrumData* sd = allocateSpectrumData(name);
  const int n = source->n_primaries;
  sd->type = source->type;
  sd->rank = source->rank;
  sd->level = source->level;
  sd->rep_size = source->rep_size;
  sd->n_primaries = n;
  sd->complex = source->complex;
  sd->validity = 3;
  sd->c = source->c;
  sd->weight_den = source->weight_den;
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Weights(sd);
  // Field a of the copy is field 7a mod n of the source (7 is prime to n here); the
  // vacuum stays field 0.
  for (int a = 0; a < n; ++a) {
    const int from = (7 * a) % n;
    std::copy(SM_getRep(source, from), SM_getRep(source, from) + sd->rep_size, sd->labels + a * sd->rep_size);
    sd->weight_num[a] = source->weight_num[from];
    sd->exact[a] = 1;
  }
  return sd;
}

TEST_F(StoremanagerCurrents, OrbitOrderIsRebuiltFromRowsOfS) {
  SpectrumData* source = SM_getData(1, 3, 2);  // A3 level 2: 10 fields, Z4
  ASSERT_EQ(source->n_primaries, 10);
  SpectrumData* sd = scrambledCopy(source, "scrambled A3 level 2");
  sd->use_orbits = 0;
  const int vacuum = 0;
  ASSERT_EQ(sd->weight_num[vacuum], 0);
  IntList currents;
  initList(&currents, 4);
  addToList(&currents, vacuum);
  // Currents have S_vac,c / S_vac,vac = 1.
  double s00, im;
  SM_computeSDirect(sd, vacuum, vacuum, &s00, &im);
  for (int c = 0; c < sd->n_primaries; ++c) {
    double s0c;
    SM_computeSDirect(sd, vacuum, c, &s0c, &im);
    if (c != vacuum && std::fabs(s0c / s00 - 1.0) < 1e-7) addToList(&currents, c);
  }
  ASSERT_EQ(currents.n, 4);
  SM_genericReorder(sd, &currents, nullptr, nullptr, nullptr);
  EXPECT_EQ(sd->use_orbits, 1);
  EXPECT_EQ(sd->scgroup->order, 4);
  EXPECT_EQ(sd->weight_num[0], 0);  // the vacuum is field 0 now
  // A3 level 2: J^2 fixes (1,0,1,0) and (0,1,0,1); that current is element 2 of Z4.
  ASSERT_EQ(sd->n_fp_currents, 1);
  EXPECT_EQ(sd->fp_currents[0], 2);
  for (int a = 0; a < sd->n_primaries; ++a) {
    int stabiliser = 0;
    for (int J = 0; J < 4; ++J) stabiliser += SM_SimpleAction(sd, J, a) == a ? 1 : 0;
    EXPECT_EQ(orbitLength(sd, a) * stabiliser, 4);
  }
  // S through orbits and charges equals the direct sum on the new order.
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int b = 0; b < sd->n_primaries; ++b) {
      double re, imS, dre, dim;
      SM_getS(sd, a, b, &re, &imS);
      SDirect(1, 3, 2, SM_getRep(sd, a), SM_getRep(sd, b), &dre, &dim);
      EXPECT_NEAR(re, dre, 1e-7);
      EXPECT_NEAR(imS, dim, 1e-7);
    }
  }
  EXPECT_EQ(SM_check_orbits(sd), 1);
}

int noProduct(int, int, void*) { return -1; }

TEST_F(StoremanagerCurrents, AProductOutsideTheCurrentListIsRefusedNotLoopedOn) {
  SpectrumData* sd = scrambledCopy(SM_getData(1, 1, 2), "broken product");
  IntList currents;
  initList(&currents, 2);
  addToList(&currents, 0);
  addToList(&currents, 2);
  OutputCapture capture;
  SM_genericReorder(sd, &currents, noProduct, nullptr, nullptr);
  EXPECT_NE(capture.diagnostics.find("Count discrepancy (0 != 2)"), std::string::npos);
  EXPECT_EQ(sd->scgroup->order, 1);
  EXPECT_EQ(sd->n_orbits, 3);  // every field its own orbit
  EXPECT_EQ(sd->use_orbits, 1);
}

int countingCalls = 0;
void countingS(void* sd, int a, int b, double* re, double* im) {
  ++countingCalls;
  SM_computeSDirect(static_cast<SpectrumData*>(sd), a, b, re, im);
}

TEST_F(StoremanagerCurrents, TheSelectedRowStoreKeepsTwentyRows) {
  SpectrumData* sd = SM_getData(1, 2, 6);  // 28 fields
  const int n = sd->n_primaries;
  double re, im;
  {
    OutputCapture capture;
    StoreSelectedSmatrixElements(sd, n, 0, 0, &re, &im, countingS);
    EXPECT_NE(capture.diagnostics.find("Unexpected NULL storage location"), std::string::npos);
  }
  StoreSelectedSmatrixElements(sd, n, -1, -1, nullptr, nullptr, countingS);
  for (int b = 0; b < 21; ++b) StoreSelectedSmatrixElements(sd, n, -1, b, nullptr, nullptr, countingS);
  countingCalls = 0;
  StoreSelectedSmatrixElements(sd, n, 19, 25, &re, &im, countingS);
  StoreSelectedSmatrixElements(sd, n, 19, 25, &re, &im, countingS);
  EXPECT_EQ(countingCalls, 1);  // row 19 is held
  StoreSelectedSmatrixElements(sd, n, 25, 19, &re, &im, countingS);
  EXPECT_EQ(countingCalls, 1);  // the transposed element comes from the same row
  countingCalls = 0;
  StoreSelectedSmatrixElements(sd, n, 20, 25, &re, &im, countingS);
  StoreSelectedSmatrixElements(sd, n, 20, 25, &re, &im, countingS);
  EXPECT_EQ(countingCalls, 2);  // the 21st selection was not kept
  double dre, dim;
  SM_computeSDirect(sd, 20, 25, &dre, &dim);
  EXPECT_EQ(re, dre);
  EXPECT_EQ(im, dim);
}

TEST_F(StoremanagerCurrents, CurrentOuterAutomorphisms) {
  // D4: the six permutations of s, v, c; D6: identity and s <-> c; D5: identity and
  // conjugation 1 <-> 3 of Z4; A2: conjugation 1 <-> 2; B3: identity only.
  EXPECT_EQ(SM_getData(4, 4, 1)->automorphisms->Nfill, 6);
  EXPECT_EQ(SM_getData(4, 6, 1)->automorphisms->Nfill, 2);
  SpectrumData* d5 = SM_getData(4, 5, 1);
  ASSERT_EQ(d5->automorphisms->Nfill, 2);
  const int conjugation[] = {0, 3, 2, 1};
  EXPECT_GE(findVectorInCollection(d5->automorphisms, conjugation), 0);
  SpectrumData* a2 = SM_getData(1, 2, 1);
  const int a2conjugation[] = {0, 2, 1};
  EXPECT_GE(findVectorInCollection(a2->automorphisms, a2conjugation), 0);
  EXPECT_EQ(SM_getData(2, 3, 2)->automorphisms->Nfill, 1);
}

TEST_F(StoremanagerCurrents, ConjugatesOfA2ReverseTheFiniteLabels) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  ASSERT_EQ(SM_initConjugates(sd), 1);
  for (int a = 0; a < sd->n_primaries; ++a) {
    const int* l = SM_getRep(sd, a);
    const int* c = SM_getRep(sd, sd->conjugates[a]);
    EXPECT_EQ(c[0], l[1]);
    EXPECT_EQ(c[1], l[0]);
  }
  SpectrumData* bare = allocateSpectrumData("no CFT");
  OutputCapture capture;
  EXPECT_EQ(SM_initConjugates(bare), 0);
  EXPECT_EQ(capture.printed, "Conjugates not available for this algebra (type -1)\n");
}

TEST_F(StoremanagerCurrents, BadFieldsAndNonCurrentsGiveMinusOne) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  OutputCapture capture;
  EXPECT_EQ(SM_SimpleAction(sd, 1, -1), -1);
  EXPECT_EQ(SM_SimpleAction(sd, 1, 3), -1);
  EXPECT_NE(capture.diagnostics.find("Primary out of range (3 > 3) Alg(1,2,1)"), std::string::npos);
  EXPECT_EQ(SM_SimpleAction(sd, 3, 0), -1);
  EXPECT_EQ(SM_SimpleAction(sd, -7, 0), -1);
  EXPECT_NE(capture.diagnostics.find("Field 3 is not a simple current"), std::string::npos);
  SpectrumData* g2 = SM_getData(5, 2, 1);
  EXPECT_EQ(SM_SimpleAction(g2, 1, 0), -1);
  EXPECT_EQ(SM_SimpleAction(g2, 0, 1), 1);
  EXPECT_EQ(GenericSimpleAction(sd, 3, 5, 0, SM_getS_accessor), -1);
  EXPECT_EQ(SM_GenericCurrentProduct(0, 9, sd), -1);
}

TEST_F(StoremanagerCurrents, TheTraceSwitchPrintsTheReductionSteps) {
  SpectrumData* sd = SM_getData(1, 3, 2);
  EXPECT_EQ(SM_SimpleAction(sd, -1, 0), 0);
  {
    OutputCapture capture;
    EXPECT_EQ(SM_SimpleAction(sd, 1, 0), 1);
    EXPECT_NE(capture.printed.find("Member 0 ,orbit position 0\n"), std::string::npos);
  }
  EXPECT_EQ(SM_SimpleAction(sd, -2, 0), 0);
  OutputCapture capture;
  SM_SimpleAction(sd, 1, 0);
  EXPECT_EQ(capture.all, "");
}

TEST_F(StoremanagerCurrents, CurrentProductsFromSRows) {
  SpectrumData* sd = SM_getData(1, 3, 1);  // Z4: J^a x J^b = J^(a+b mod 4)
  for (int J = 0; J < 4; ++J)
    for (int K = 0; K < 4; ++K) EXPECT_EQ(SM_GenericCurrentProduct(J, K, sd), (J + K) % 4);
  OutputCapture capture;
  SM_checkSimpleProduct(sd, nullptr, 2, nullptr);
  EXPECT_EQ(capture.printed, "0 x 0 = 0\n0 x 1 = 1\n1 x 0 = 1\n1 x 1 = 2\n");
}

}  // namespace
