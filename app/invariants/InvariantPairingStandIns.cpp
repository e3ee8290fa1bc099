// The pairing conditions of a simple-current invariant, the left orbits and the right
// partners of its rows, as the inspection code needs them. The builder of simple-current
// invariants (InvariantBuild.cpp) defines the same functions; when both are present this
// file goes and the builder's definitions serve both.
//
// Field i pairs with J_g i for every element g of G admitted by i: for every basis generator
// a, Q_{J_a}(i) + sum_b X_ab g_b / N_a is an integer (Q is 0 for the vacuum).
#include <algorithm>
#include <numeric>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"

namespace {

struct PairingState {
  std::vector<int> rightFields;  // partners, then the stabilising currents from slot |G| on
  std::vector<int> components;
};

PairingState& pairingState() {
  static PairingState s;
  return s;
}

int generatorCount(const SimpleCurrentData* md) {
  return md == nullptr || md->group == nullptr ? 0 : md->group->nfactors;
}

int groupOrder(const SimpleCurrentData* md) {
  return md == nullptr || md->group == nullptr ? 1 : md->group->order;
}

int xEntry(const SimpleCurrentData* md, int a, int b) {
  const int n = generatorCount(md);
  const size_t at = static_cast<size_t>(n * n + a * n + b);
  return at < md->monodromies.size() ? md->monodromies[at] : 0;
}

int currentOf(const SimpleCurrentData* md, int g) {
  return g >= 0 && static_cast<size_t>(g) < md->map.size() ? md->map[static_cast<size_t>(g)] : 0;
}

// Q_{J_a}(i) as a fraction p/q with q > 0; 0 for the vacuum.
void chargeOfGenerator(const SimpleCurrentData* md, int a, int i, long long* p, long long* q) {
  *p = 0;
  *q = 1;
  if (i == 0) return;
  const Rat* charge = simpleCurrentCharge(currentOf(md, DG_basis(md->group, a)), i);
  if (charge == nullptr || charge->den == 0) return;
  *p = charge->num;
  *q = charge->den;
  if (*q < 0) {
    *p = -*p;
    *q = -*q;
  }
}

bool isInteger(long long numerator, long long denominator) {
  return denominator != 0 && numerator % denominator == 0;
}

// h_a - h_b is an integer.
bool integerWeightDifference(int a, int b) {
  const Rat ha = *ratWeight(a);
  const Rat hb = *ratWeight(b);
  if (ha.den == 0 || hb.den == 0) return false;
  return isInteger(ha.num * hb.den - hb.num * ha.den, ha.den * hb.den);
}

const int* componentsOf(const SimpleCurrentData* md, int g) {
  std::vector<int>& c = pairingState().components;
  const int n = generatorCount(md);
  c.assign(static_cast<size_t>(std::max(n, 1)), 0);
  for (int a = 0; a < n; ++a) c[static_cast<size_t>(a)] = DG_decomp(md->group, g, a);
  return c.data();
}

}  // namespace

int checkDeltaArgument(const SimpleCurrentData* MD, int i, const int* beta) {
  const int n = generatorCount(MD);
  for (int a = 0; a < n; ++a) {
    long long p = 0, q = 1;
    chargeOfGenerator(MD, a, i, &p, &q);
    long long sum = 0;
    for (int b = 0; b < n; ++b) sum += static_cast<long long>(xEntry(MD, a, b)) * beta[b];
    const long long Na = MD->group->factors[a];
    if (!isInteger(p * Na + q * sum, q * Na)) return 0;
  }
  return 1;
}

int checkDeltaArgumentMirror(const SimpleCurrentData* MD, int i, const int* beta) {
  const int n = generatorCount(MD);
  for (int a = 0; a < n; ++a) {
    long long p = 0, q = 1;
    chargeOfGenerator(MD, a, i, &p, &q);
    // p/q + sum_b X_ba beta_b / N_b over the common denominator L.
    long long L = q;
    for (int b = 0; b < n; ++b) L = std::lcm(L, static_cast<long long>(MD->group->factors[b]));
    long long numerator = p * (L / q);
    for (int b = 0; b < n; ++b) {
      const long long Nb = MD->group->factors[b];
      const long long term = (static_cast<long long>(xEntry(MD, b, a)) * beta[b] % Nb + Nb) % Nb;
      numerator += term * (L / Nb);
      numerator %= L;
    }
    if (!isInteger(numerator, L)) return 0;
  }
  return 1;
}

int checkDeltaArgumentForCharges(const SimpleCurrentData* MD, const int* q, const int* beta) {
  const int n = generatorCount(MD);
  for (int a = 0; a < n; ++a) {
    long long sum = q[a];
    for (int b = 0; b < n; ++b) sum += static_cast<long long>(beta[b]) * xEntry(MD, a, b);
    if (!isInteger(sum, MD->group->factors[a])) return 0;
  }
  return 1;
}

int getLeftOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i) {
  out.clear();
  const int K = std::max(MD->kernel_size, 1);
  if (MD->kernels.empty()) {
    out.push_back(i);
    return 1;
  }
  for (int k = 0; k < K && static_cast<size_t>(k) < MD->kernels.size(); ++k) {
    const int image = simpleFusion(MD->kernels[static_cast<size_t>(k)], i);
    if (image < 0 || !integerWeightDifference(i, image)) {
      out.clear();
      return 0;
    }
    out.push_back(image);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  const int s = K / static_cast<int>(out.size());
  return out.front() == i ? s : -s;
}

const int* getRightFields(const SimpleCurrentData* MD, int i, int* count, int* stab) {
  const int order = groupOrder(MD);
  std::vector<int> partners;
  std::vector<int> stabilisers;
  for (int g = 0; g < order; ++g) {
    if (generatorCount(MD) > 0 && !checkDeltaArgument(MD, i, componentsOf(MD, g))) continue;
    const int J = currentOf(MD, g);
    const int partner = g == 0 ? i : simpleFusion(J, i);
    if (partner < 0) continue;
    partners.push_back(partner);
    if (partner == i) stabilisers.push_back(J);
  }
  std::sort(partners.begin(), partners.end());
  partners.erase(std::unique(partners.begin(), partners.end()), partners.end());
  std::vector<int>& buffer = pairingState().rightFields;
  buffer.assign(static_cast<size_t>(order) + stabilisers.size(), -1);
  std::copy(partners.begin(), partners.end(), buffer.begin());
  std::copy(stabilisers.begin(), stabilisers.end(), buffer.begin() + order);
  *count = static_cast<int>(partners.size());
  *stab = static_cast<int>(stabilisers.size());
  return buffer.data();
}
