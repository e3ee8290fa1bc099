// The simple-current action on a record laid out in orbits, and the fixed points read from
// it once per orbit: J x a found in a's orbit by bisection, the currents that have fixed
// points (one flag per current), and the row that numbers the fields a current fixes. The
// values are the c=1 orbifold's (its fixed points are named field by field), those of the
// affine algebras, and, on the Z2 permutation orbifold, the action checked against S itself
// (S_(Ja, b) = exp(2 pi i Q_J(b)) S_ab) and the fixed points against a field-by-field search.
// A Ctrl-C in the making of the permutation orbifold leaves no record behind.
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <vector>

#include "TestSupport.h"
#include "groups/Discrete.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class StoremanagerOrbitAction : public ZoqTest {
 protected:
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
    ZoqTest::TearDown();
  }
  // A Ctrl-C comes before the next poll (the handler only notes it, as at a terminal).
  static void pressControlC() {
    installInterruptHandler();
    std::raise(SIGINT);
  }
};

int groupOrder(const SpectrumData* sd) {
  return sd->scgroup == nullptr ? 1 : sd->scgroup->order;
}

// The fields J leaves fixed, asked field by field.
std::set<int> fixedFieldsOneByOne(SpectrumData* sd, int J) {
  std::set<int> fixed;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (SM_SimpleAction(sd, J, a) == a) fixed.insert(a);
  }
  return fixed;
}

// The fields the row marks, after checking that it numbers them 0, 1, ... in field order.
std::set<int> fixedFieldsOfRow(SpectrumData* sd, int J, int* count) {
  std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), -7);
  *count = SM_fixedPointRow(sd, J, row.data());
  std::set<int> fixed;
  int next = 0;
  for (int a = 0; a < sd->n_primaries; ++a) {
    EXPECT_GE(row[static_cast<std::size_t>(a)], -1) << sd->name << " J=" << J << " a=" << a;
    if (row[static_cast<std::size_t>(a)] < 0) continue;
    EXPECT_EQ(row[static_cast<std::size_t>(a)], next++) << sd->name << " J=" << J << " a=" << a;
    fixed.insert(a);
  }
  return fixed;
}

// The action is a group action that keeps every field in its orbit, and a field's
// stabiliser times its orbit is the whole group.
void expectGroupAction(SpectrumData* sd) {
  const int G = groupOrder(sd);
  for (int a = 0; a < sd->n_primaries; ++a) {
    EXPECT_EQ(SM_SimpleAction(sd, 0, a), a);
    std::set<int> orbit;
    int stabiliser = 0;
    for (int J = 0; J < G; ++J) {
      const int Ja = SM_SimpleAction(sd, J, a);
      ASSERT_GE(Ja, 0) << sd->name << " J=" << J << " a=" << a;
      EXPECT_EQ(sd->orbit_base[Ja], sd->orbit_base[a]) << sd->name << " J=" << J << " a=" << a;
      orbit.insert(Ja);
      if (Ja == a) ++stabiliser;
      for (int K = 0; K < G; ++K)
        EXPECT_EQ(SM_SimpleAction(sd, K, Ja), SM_SimpleAction(sd, DG_product(J, K, sd->scgroup), a))
            << sd->name << " J=" << J << " K=" << K << " a=" << a;
    }
    EXPECT_EQ(static_cast<int>(orbit.size()) * stabiliser, G) << sd->name << " a=" << a;
  }
}

TEST_F(StoremanagerOrbitAction, TheOrbifoldCurrentsFixTheFieldsNamedForThem) {
  // The c=1 orbifold of parameter N: current 2 fixes the N - 1 fields (1, x). For even N
  // (a current group Z2 x Z2, as D_N at level 2) currents 1 and 3 fix field N + 2 and a pair
  // of twisted fields each, N + 3, N + 4 for current 1 and N + 5, N + 6 for current 3 when
  // N mod 4 is not 2, the other way round when it is; for odd N (Z4) they fix nothing.
  for (int N : {3, 4, 5, 6, 8, 10}) {
    SCOPED_TRACE(N);
    SpectrumData* sd = SM_getData(7, N, 0);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(groupOrder(sd), 4);
    ASSERT_NO_FATAL_FAILURE(expectGroupAction(sd));
    const bool twoModFour = N % 4 == 2;
    const bool even = N % 2 == 0;
    std::set<int> kindOne;
    for (int a = 0; a < sd->n_primaries; ++a) {
      if (sd->labels[static_cast<std::size_t>(a) * sd->rep_size] == 1) kindOne.insert(a);
    }
    ASSERT_EQ(static_cast<int>(kindOne.size()), N - 1);
    const std::set<int> none;
    const std::set<int> expected[4] = {
        none,
        even ? std::set<int>{N + 2, twoModFour ? N + 5 : N + 3, twoModFour ? N + 6 : N + 4} : none,
        kindOne,
        even ? std::set<int>{N + 2, twoModFour ? N + 3 : N + 5, twoModFour ? N + 4 : N + 6} : none};
    const std::vector<char> flags = SM_fixedPointCurrentFlags(sd);
    ASSERT_EQ(flags.size(), 4u);
    EXPECT_EQ(flags[0], 0);
    for (int J = 1; J < 4; ++J) {
      int count = 0;
      EXPECT_EQ(fixedFieldsOfRow(sd, J, &count), expected[J]) << "J=" << J;
      EXPECT_EQ(count, static_cast<int>(expected[J].size())) << "J=" << J;
      EXPECT_EQ(fixedFieldsOneByOne(sd, J), expected[J]) << "J=" << J;
      const int fixes = expected[J].empty() ? 0 : 1;
      EXPECT_EQ(flags[static_cast<std::size_t>(J)], fixes) << "J=" << J;
      EXPECT_EQ(SM_fixedPointCurrent(sd, J), fixes) << "J=" << J;
    }
  }
}

TEST_F(StoremanagerOrbitAction, AffineCurrentsHaveFixedPointsAsTheirLevelAllows) {
  // SU(2) at level k: the current fixes the field j = k/2 exactly when k is even.
  for (int k = 1; k <= 9; ++k) {
    SCOPED_TRACE(k);
    SpectrumData* sd = SM_getData(1, 1, k);
    ASSERT_NE(sd, nullptr);
    const std::vector<char> flags = SM_fixedPointCurrentFlags(sd);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[1], k % 2 == 0 ? 1 : 0);
    int count = 0;
    const std::set<int> fixed = fixedFieldsOfRow(sd, 1, &count);
    EXPECT_EQ(count, k % 2 == 0 ? 1 : 0);
    for (int a : fixed) EXPECT_EQ(sd->labels[static_cast<std::size_t>(a) * sd->rep_size], k / 2);
  }
  // SO(8) at level 2: each of the three currents of Z2 x Z2 has fixed points.
  SpectrumData* d4 = SM_getData(4, 4, 2);
  ASSERT_NE(d4, nullptr);
  ASSERT_EQ(groupOrder(d4), 4);
  EXPECT_EQ(SM_fixedPointCurrentFlags(d4), (std::vector<char>{0, 1, 1, 1}));
}

TEST_F(StoremanagerOrbitAction, ThePermutationOrbifoldActsAsItsSMatrixSays) {
  // The Z2 permutation orbifold of SU(2) at level k: its orbits come from rows of S, so
  // the action read from them must be the one S has: S_(Ja, b) = exp(2 pi i Q_J(b)) S_ab.
  for (int k : {1, 2, 3, 4}) {
    SCOPED_TRACE(k);
    SpectrumData* mother = SM_getData(1, 1, k);
    ASSERT_NE(mother, nullptr);
    SpectrumData* p = SM_getPermutationOrbifold(mother, 2, nullptr);
    ASSERT_NE(p, nullptr);
    ASSERT_GT(groupOrder(p), 1);
    ASSERT_NO_FATAL_FAILURE(expectGroupAction(p));
    capture.clear();
    EXPECT_EQ(SM_check_orbits(p), 1) << capture.all;
    const std::vector<char> flags = SM_fixedPointCurrentFlags(p);
    ASSERT_EQ(static_cast<int>(flags.size()), groupOrder(p));
    for (int J = 1; J < groupOrder(p); ++J) {
      const std::set<int> oneByOne = fixedFieldsOneByOne(p, J);
      int count = 0;
      EXPECT_EQ(fixedFieldsOfRow(p, J, &count), oneByOne) << "J=" << J;
      EXPECT_EQ(flags[static_cast<std::size_t>(J)], oneByOne.empty() ? 0 : 1) << "J=" << J;
      EXPECT_EQ(SM_fixedPointCurrent(p, J), oneByOne.empty() ? 0 : 1) << "J=" << J;
    }
  }
}

TEST_F(StoremanagerOrbitAction, AStoppedPermutationOrbifoldLeavesNoRecord) {
  // Ctrl-C while the orbifold of SU(2) at level 3 is made: the command ends, no record of
  // it stays on the chain, and asking again makes it whole.
  SpectrumData* mother = SM_getData(1, 1, 3);
  ASSERT_NE(mother, nullptr);
  SpectrumData* first = SM_getFirstAlgebra();
  pressControlC();
  EXPECT_THROW(SM_getPermutationOrbifold(mother, 2, nullptr), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  EXPECT_EQ(SM_getFirstAlgebra(), first);
  for (SpectrumData* r = SM_getFirstAlgebra(); r != nullptr; r = r->next)
    EXPECT_NE(r->base, mother) << r->name;
  SpectrumData* p = SM_getPermutationOrbifold(mother, 2, nullptr);
  ASSERT_NE(p, nullptr);
  // SU(2) level 3 has 4 fields: 4 x 3 / 2 + 4 x 4 = 22 fields of the orbifold.
  EXPECT_EQ(p->n_primaries, 22);
  EXPECT_EQ(p->use_orbits, 1);
  capture.clear();
  EXPECT_EQ(SM_check_orbits(p), 1) << capture.all;
}

}  // namespace
