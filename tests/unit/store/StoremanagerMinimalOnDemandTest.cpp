// The per-field data that an N=2 minimal model computes instead of holding (orbit
// numbers, monodromy charges, the gravitino action, the U(1) charges), checked against
// the model's labels: weights h = (l(l+2) - m^2)/(4(k+2)) + s^2/8 modulo 1, the current
// action (l, m, s) -> (l, m + 1, s + 1) of (0, 1, 1), conjugation (l, m, s) -> (l, -m, -s)
// and the monodromy charge Q_J(a) = h_J + h_a - h_Ja modulo 1; at small levels on every
// field and current, at a level of a million fields on a sample, with the record dump.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "groups/Discrete.h"
#include "program/Boot.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "TestSupport.h"

namespace {

class StoremanagerMinimalOnDemand : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

using Label = std::tuple<int, int, int>;

long long floorModulo(long long x, long long m) { return ((x % m) + m) % m; }

Label standardLabel(int k, int l, int m, int s) {
  SM_mapMinimal2(k, &l, &m, &s);
  return {l, m, s};
}

const int* labelOf(const SpectrumData* sd, int a) { return sd->labels + 3 * static_cast<std::size_t>(a); }

// 8(k+2) h modulo 8(k+2): 2 l(l+2) - 2 m^2 + s^2 (k+2).
long long weightModOne(int k, const int* x) {
  const long long K = k + 2;
  return floorModulo(2LL * x[0] * (x[0] + 2) - 2LL * x[1] * x[1] + static_cast<long long>(x[2]) * x[2] * K, 8 * K);
}

std::map<Label, int> fieldsByLabel(const SpectrumData* sd) {
  std::map<Label, int> field;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const int* x = labelOf(sd, a);
    field.emplace(Label{x[0], x[1], x[2]}, a);
  }
  return field;
}

// 8(k+2) Q_J(a) modulo 8(k+2) from the weights of J, a and J x a.
long long monodromy(const SpectrumData* sd, int J, int a, int Ja) {
  const int k = sd->level;
  const long long D = 8LL * (k + 2);
  return floorModulo(weightModOne(k, labelOf(sd, J)) + weightModOne(k, labelOf(sd, a)) -
                         weightModOne(k, labelOf(sd, Ja)),
                     D);
}

// The stored-charge route of SM_getRatCharge times 8(k+2), modulo 8(k+2).
long long ratCharge(SpectrumData* sd, int J, int a) {
  Rat q;
  SM_getRatCharge(sd, J, a, &q);
  const long long D = 8LL * (sd->level + 2);
  EXPECT_EQ(D % q.den, 0) << J << " " << a;
  return floorModulo(q.num * (D / q.den), D);
}

// Row entry i of field a: N_i Q_{J_i}(a) modulo N_i for the basis current J_i of order N_i.
void expectChargeRow(SpectrumData* sd, int a) {
  const DGType* dg = sd->scgroup;
  const long long D = 8LL * (sd->level + 2);
  int scratch[4] = {-1, -1, -1, -1};
  const int* row = SM_getChargeRow(sd, a, scratch);
  ASSERT_NE(row, nullptr);
  for (int i = 0; i < dg->nfactors; ++i) {
    const int J = DG_basis(dg, i);
    const long long N = dg->factors[i];
    const long long Q = monodromy(sd, J, a, SM_SimpleAction(sd, J, a));
    ASSERT_EQ((Q * N) % D, 0) << a << " " << i;
    EXPECT_EQ(row[i], (Q * N / D) % N) << sd->level << " field " << a << " generator " << i;
  }
}

// Every field and current of small levels: charges, orbit numbers (orbits are runs of
// fields with one orbit base, numbered from 0), the gravitino action and U(1) charges.
TEST_F(StoremanagerMinimalOnDemand, ComputedDataFollowTheLabelsAtSmallLevels) {
  for (int k : {1, 2, 3, 4, 5, 6, 8, 10}) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr) << k;
    const long long K = k + 2;
    const long long D = 8 * K;
    const std::map<Label, int> field = fieldsByLabel(sd);
    ASSERT_TRUE(SM_hasOrbitNumbers(sd) && SM_hasCharges(sd) && SM_hasGravitinoAction(sd) && SM_hasMinimalCharges(sd));
    int orbit = 0;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = labelOf(sd, a);
      if (a > 0 && sd->orbit_base[a] != sd->orbit_base[a - 1]) ++orbit;
      EXPECT_EQ(SM_getOrbitNumber(sd, a), orbit) << k << " " << a;
      EXPECT_EQ(SM_getGravitinoImage(sd, a), field.at(standardLabel(k, x[0], x[1] + 1, x[2] + 1))) << k << " " << a;
      // q = m/(k+2) - s/2 modulo 2 over D; a field of dimension 2 holds q +- 1.
      EXPECT_EQ(floorModulo(SM_getMinimalCharge(sd, a) - (8LL * x[1] - 4LL * x[2] * K), 2 * D),
                sd->dims[a] == 2 ? D : 0)
          << k << " " << a;
      expectChargeRow(sd, a);
      for (int J = 0; J < sd->scgroup->order; ++J)
        ASSERT_EQ(ratCharge(sd, J, a), monodromy(sd, J, a, SM_SimpleAction(sd, J, a))) << k << " " << J << " " << a;
    }
    EXPECT_EQ(orbit + 1, sd->n_orbits) << k;
    EXPECT_EQ(capture.diagnostics, "") << k;
  }
}

// Level 708 (k = 0 mod 4, so its fixed orbit skips half the currents): 1,006,780 fields,
// read on a sample through the same accessors; every field's weight, dimension and
// exactness is written (the blocks are not cleared before).
TEST_F(StoremanagerMinimalOnDemand, ALevelOfAMillionFieldsAnswersThroughTheComputedPath) {
  const int k = 708;
  const long long K = k + 2;
  const long long D = 8 * K;
  OutputCapture capture;
  SpectrumData* sd = SM_getData(27, 2, k);
  ASSERT_NE(sd, nullptr);
  const int n = sd->n_primaries;
  ASSERT_EQ(n, 2 * (k + 1) * (k + 2));
  // None of the four tables is held: the record takes under 60 bytes a field (73 with them).
  EXPECT_EQ(sd->orbit_number, nullptr);
  EXPECT_EQ(sd->charges, nullptr);
  EXPECT_EQ(sd->gravitino_action, nullptr);
  EXPECT_EQ(sd->minimal_charges, nullptr);
  EXPECT_LT(sd->alloc.bytesHeld(), 60ULL * static_cast<unsigned long long>(n));
  for (int a = 0; a < n; ++a) {
    const int* x = labelOf(sd, a);
    const int l = x[0], m = x[1], s = x[2];
    ASSERT_EQ(sd->exact[a], 1) << a;
    // h = (l(l+2) - m^2)/(4(k+2)) + s^2/8, plus 1 for the Ramond fields with s m = -(l+1)
    // and for (0, 0, 2).
    long long w = 2LL * l * (l + 2) - 2LL * m * m + static_cast<long long>(s) * s * K;
    if ((s == 1 || s == -1) && static_cast<long long>(s) * m == -(l + 1)) w += D;
    if (l == 0 && m == 0 && s == 2) w += D;
    ASSERT_EQ(sd->weight_num[a], w) << a;
    const bool two = (s == 2 && std::abs(m) != l) || (l == 0 && m == 0 && s == 2) || (s == -1 && l != 0 && l != k && m == l + 1);
    ASSERT_EQ(sd->dims[a], two ? 2 : 1) << a;
  }
  std::vector<int> sample;
  for (int a = 0; a < n; a += 997) sample.push_back(a);
  for (int a = n - 2 * static_cast<int>(K); a < n; a += 7) sample.push_back(a);  // the fixed orbit
  sample.push_back(n - 1);
  for (int a : sample) {
    const int* x = labelOf(sd, a);
    EXPECT_EQ(SM_getOrbitNumber(sd, a), sd->orbit_base[a] == 0 ? 0 : SM_getOrbitNumber(sd, sd->orbit_base[a]));
    const int up = SM_getGravitinoImage(sd, a);
    ASSERT_GE(up, 0) << a;
    const int* y = labelOf(sd, up);
    EXPECT_EQ((Label{y[0], y[1], y[2]}), standardLabel(k, x[0], x[1] + 1, x[2] + 1)) << a;
    const int c = sd->conjugates[a];
    ASSERT_GE(c, 0) << a;
    const int* z = labelOf(sd, c);
    EXPECT_EQ((Label{z[0], z[1], z[2]}), standardLabel(k, x[0], -x[1], -x[2])) << a;
    EXPECT_EQ(floorModulo(SM_getMinimalCharge(sd, a) - (8LL * x[1] - 4LL * x[2] * K), 2 * D),
              sd->dims[a] == 2 ? D : 0)
        << a;
    expectChargeRow(sd, a);
    // The grade current (0, 0, 2) has charge s/2 modulo 1 and takes s to s + 2.
    EXPECT_EQ(sd->grading[a], x[2] % 2 == 0 ? 'N' : 'R') << a;
    const int* partner = labelOf(sd, sd->n2_multiplets[a]);
    EXPECT_EQ((Label{partner[0], partner[1], partner[2]}), standardLabel(k, x[0], x[1], x[2] + 2)) << a;
    const int J = 1 + a % (4 * static_cast<int>(K) - 1);
    EXPECT_EQ(ratCharge(sd, J, a), monodromy(sd, J, a, SM_SimpleAction(sd, J, a))) << J << " " << a;
  }
  // Orbits 0 .. k/2 (the last one fixed), each starting where its number says.
  EXPECT_EQ(SM_getOrbitNumber(sd, n - 1), k / 2);
  EXPECT_EQ(sd->n_orbits, k / 2 + 1);
  EXPECT_EQ(capture.diagnostics, "");
}

// The record dump prints the computed tables as it printed held ones. Level 1: one orbit
// of the 12 currents J^a of J = (0, 1, 1), so J x J^a = J^(a+1); Q_J(J) = 2 h_J - h_J^2 =
// 2/24 - 4/24 = -1/12 (h of (0, 1, 1) is 1/24, of (0, 2, 2) 1/6 modulo 1), so field a
// has charge 11a modulo 12.
TEST_F(StoremanagerMinimalOnDemand, TheRecordDumpShowsTheComputedTables) {
  SpectrumData* sd = SM_getData(27, 2, 1);
  ASSERT_NE(sd, nullptr);
  OutputCapture capture;
  SM_printSpectrumData(sd);
  const std::string& text = capture.printed;
  EXPECT_NE(text.find("Orbit labels: 0 0 0 0 0 0 0 0 0 0 0 0 \n"), std::string::npos) << text;
  EXPECT_NE(text.find("Gravitino action: 1 2 3 4 5 6 7 8 9 10 11 0 \n"), std::string::npos) << text;
  EXPECT_NE(text.find("Charges:\n         0 0 \n         1 11 \n         2 10 \n"), std::string::npos) << text;
  EXPECT_NE(text.find("        10 2 \n        11 1 \n"), std::string::npos) << text;
  EXPECT_NE(text.find("Minimal model charges: "), std::string::npos) << text;
  EXPECT_EQ(text.find("No charges defined"), std::string::npos) << text;
  EXPECT_EQ(text.find("No gravitino action defined"), std::string::npos) << text;
}

}  // namespace
