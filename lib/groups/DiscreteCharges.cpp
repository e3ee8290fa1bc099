// Triangular bases of groups of charge vectors: rows of k ints, component j taken
// modulo orders[j], all orders powers of one prime p. Basis vector t owns a tag
// component on which every later basis vector and every remaining generator vanish,
// and on which every earlier basis vector is reduced below its value.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/DiscreteInternal.h"
#include "runtime/Error.h"

namespace {

// The prime of the component orders (1 when every order is 1).
int primeOfOrders(int k, const int* orders) {
  for (int j = 0; j < k; ++j) {
    if (orders[j] > 1) {
      int factor = primetest(orders[j]);
      return factor == 0 ? orders[j] : factor;
    }
  }
  return 1;
}

int componentOrder(int v, int order) { return order / GCD(v, order); }

}  // namespace

int DG_GeneratorOrder(int k, const int* orders, const int* v) {
  int largest = 1;
  for (int j = 0; j < k; ++j) largest = std::max(largest, componentOrder(v[j], orders[j]));
  return largest;
}

int DG_findTag(int k, const int* v, const int* orders, int target) {
  for (int j = 0; j < k; ++j) {
    if (componentOrder(v[j], orders[j]) == target) return j;
  }
  Alert("DG_findTag", 0, 212404, "No tag found");
  return -1;
}

void DG_MinimizeVectorOnTag(int k, int* v, const int* orders, int ord, int tag, int p) {
  if (v[tag] == 1) return;
  std::int64_t best = v[tag];
  int lambda = 1;
  for (int candidate = 2; candidate < ord; ++candidate) {
    if (p > 1 && candidate % p == 0) continue;
    std::int64_t value = static_cast<std::int64_t>(v[tag]) * candidate % orders[tag];
    if (value < best) {
      best = value;
      lambda = candidate;
    }
  }
  if (ord == 1) return;
  for (int j = 0; j < k; ++j) v[j] = static_cast<int>(static_cast<std::int64_t>(v[j]) * lambda % orders[j]);
}

void DG_SubtractGenerator(int k, int* g, const int* b, const int* orders, int tag) {
  if (g[tag] == 0) return;
  int d = GCD(b[tag], g[tag]);
  std::int64_t c = static_cast<std::int64_t>(g[tag] / d) * PrimeInverse(b[tag] / d, orders[tag]);
  for (int j = 0; j < k; ++j) g[j] = static_cast<int>(longmod(g[j] - c % orders[j] * b[j], orders[j]));
  if (g[tag] != 0) Alert("DG_SubtractGenerator", 0, 212404, "output vector non-zero on tag");
}

void DG_ReduceGenerator(int k, int* v, const int* b, const int* orders, int tag) {
  std::int64_t c = b[tag] == 0 ? 0 : v[tag] / b[tag];
  for (int j = 0; j < k; ++j) v[j] = static_cast<int>(longmod(v[j] - c % orders[j] * b[j], orders[j]));
}

int DG_OrthogonalBasis(int ngen, int k, const int* orders, int* gens, int* basis) {
  if (ngen < 1 || k < 1) return 0;
  std::size_t len = static_cast<std::size_t>(k);
  nullifyVec(ngen * k, basis);
  int p = primeOfOrders(k, orders);
  std::vector<int> genOrders(static_cast<std::size_t>(ngen));
  for (int t = 0;; ++t) {
    for (int i = 0; i < ngen; ++i) {
      genOrders[static_cast<std::size_t>(i)] = DG_GeneratorOrder(k, orders, gens + i * len);
    }
    int m = findMaximalElement(ngen, genOrders.data());
    int ord = genOrders[static_cast<std::size_t>(m)];
    if (ord == 1) return t;
    int* b = basis + t * len;
    copyVec(k, b, gens + m * len);
    int tag = DG_findTag(k, b, orders, ord);
    if (tag < 0) return t;
    DG_MinimizeVectorOnTag(k, b, orders, ord, tag, p);
    for (int i = 0; i < ngen; ++i) DG_SubtractGenerator(k, gens + i * len, b, orders, tag);
    for (int s = 0; s < t; ++s) DG_ReduceGenerator(k, basis + s * len, b, orders, tag);
    if (t + 1 == ngen) return ngen;
  }
}
