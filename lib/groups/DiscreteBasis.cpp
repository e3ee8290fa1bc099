// Abstract finite abelian groups, known only by element numbers 0 .. N-1 (0 the
// identity) and a product callback: element orders, powers, closures, cosets, and the
// identification of a group or subgroup with its canonical DGType. The basis is found
// prime by prime: for each prime p the cyclic p-factors are split off largest first, and
// slot t collects the t-th p-factor generator of every prime, so that the slot orders
// are the invariant factors, each dividing the one before.
#include <algorithm>
#include <unordered_set>

#include "collections/VectorUtility.h"
#include "groups/DiscreteInternal.h"
#include "runtime/Error.h"
#include "runtime/SystemUtility.h"

namespace {

int powerOf(int g, int m, void* ctx, DGProductCallback product, DGPowerCallback power) {
  return power != nullptr ? power(g, m, ctx, product) : DG_power(g, m, ctx, product);
}

// An element number from the callback that lies outside the group is reported.
bool inAbstractGroup(int x, int N) {
  if (x >= 0 && x < N) return true;
  Alert("DG_findBasisNEW", 3, 212404, "Product %d outside the group of %d elements", x, N);
  return false;
}

// The order from the caller's table, computed and stored when still unknown.
int knownOrder(int* orders, int e, void* ctx, DGProductCallback product) {
  if (orders[e] == 0) orders[e] = DG_findOrder(e, ctx, product);
  return orders[e];
}

}  // namespace

int DG_findOrder(int e, void* ctx, DGProductCallback product) {
  int count = 1;
  int x = product(e, 0, ctx);
  while (x != 0) {
    ++count;
    x = product(e, x, ctx);
  }
  return count;
}

void DG_findOrders(int* orders, int N, void* ctx, DGProductCallback product) {
  for (int e = 0; e < N; ++e) orders[e] = DG_findOrder(e, ctx, product);
}

int DG_power(int g, int m, void* ctx, DGProductCallback product) {
  int x = 0;
  for (int i = 0; i < m; ++i) x = product(g, x, ctx);
  return x;
}

std::vector<int> DG_findBasisNEW(const int* elements, int* orders, int N, int n, void* ctx,
                                 DGProductCallback product, DGPowerCallback power) {
  std::vector<int> mark(static_cast<std::size_t>(N), 0);
  if (N > 0) mark[0] = 1;
  std::vector<int> exponents = n >= 1 ? PrimeDecomposition(n) : std::vector<int>{};
  int R = 0;
  for (int x : exponents) {
    if (x > 0) R += x;
  }
  std::vector<int> slots(static_cast<std::size_t>(R + 1), 0);

  // The prime of every listed element (-1: identity or an order with several primes).
  std::vector<int> primeOf(static_cast<std::size_t>(n), -1);
  for (int i = 0; i < n; ++i) {
    if (!inAbstractGroup(elements[i], N)) continue;
    int order = knownOrder(orders, elements[i], ctx, product);
    int index = SinglePrimePower(order);
    primeOf[static_cast<std::size_t>(i)] = index >= 0 ? index : -1;
  }

  for (std::size_t pi = 0; pi < exponents.size(); ++pi) {
    if (exponents[pi] <= 0) continue;
    int p = prime(static_cast<int>(pi));
    std::vector<int> pElements{0};
    for (int i = 0; i < n; ++i) {
      if (primeOf[static_cast<std::size_t>(i)] == static_cast<int>(pi)) pElements.push_back(elements[i]);
    }
    int m = static_cast<int>(pElements.size());
    int e = 0;
    for (int x : pElements) {
      int exponent = 0;
      for (int order = orders[x]; order > 1; order /= p) ++exponent;
      e = std::max(e, exponent);
    }
    std::vector<int> distrib(static_cast<std::size_t>(e + 1), 0);
    for (int x : pElements) {
      int exponent = 0;
      for (int order = orders[x]; order > 1; order /= p) ++exponent;
      ++distrib[static_cast<std::size_t>(exponent)];
    }
    std::vector<int> subgroup{0};
    std::size_t t = 0;
    while (e >= 1 && m >= 2) {
      int mRest = 0;
      std::vector<int> rest(distrib.size(), 0);
      int eRest = removeCyclicFactor(p, e, m, &mRest, distrib.data(), rest.data());
      int pe = intpow(p, e);
      int generator = -1;
      for (int g : pElements) {
        if (orders[g] != pe || mark[static_cast<std::size_t>(g)] != 0) continue;
        bool free = true;
        for (int j = 1, step = p; j < e && free; ++j, step *= p) {
          int x = powerOf(g, step, ctx, product, power);
          free = inAbstractGroup(x, N) && mark[static_cast<std::size_t>(x)] == 0;
        }
        if (free) {
          generator = g;
          break;
        }
      }
      if (generator < 0) {
        Alert("DG_findBasisNEW", 1, 212404, "No discrete group generator found\n");
      } else {
        std::vector<int> powers(static_cast<std::size_t>(pe));
        powers[0] = 0;
        for (int i = 1; i < pe; ++i) powers[static_cast<std::size_t>(i)] = product(generator, powers[i - 1], ctx);
        std::size_t s = subgroup.size();
        for (int i = 1; i < pe; ++i) {
          for (std::size_t h = 0; h < s; ++h) {
            int x = product(subgroup[h], powers[static_cast<std::size_t>(i)], ctx);
            subgroup.push_back(x);
            if (inAbstractGroup(x, N)) mark[static_cast<std::size_t>(x)] = 1;
          }
        }
        if (t >= slots.size() - 1) {
          Alert("DG_findBasisNEW", 2, 212404, "Basis overflow");
          GracefulExit(1);
        }
        slots[t] = product(slots[t], generator, ctx);
        ++t;
      }
      distrib.assign(rest.begin(), rest.end());
      e = eRest;
      m = mRest;
    }
  }
  std::vector<int> basis;
  for (int slot : slots) {
    if (slot == 0) break;
    basis.push_back(slot);
  }
  return basis;
}

void DG_createMap(const DGType* dg, int* map, int nbasis, const int* basis, int* orders, void* ctx,
                  DGProductCallback product) {
  if (dg->order < 1) return;
  map[0] = 0;
  std::vector<int> comps(static_cast<std::size_t>(std::max(dg->nfactors, 1)), 0);
  for (int e = 1; e < dg->order; ++e) {
    int x = map[e - 1];
    x = product(basis[0], x, ctx);
    // Odometer: component j-1 rolled over to 0 exactly when it carries into component j.
    int rest = e;
    for (int j = 0; j < dg->nfactors; ++j) {
      comps[static_cast<std::size_t>(j)] = rest % dg->factors[j];
      rest /= dg->factors[j];
    }
    for (int j = 1; j < nbasis; ++j) {
      if (comps[static_cast<std::size_t>(j - 1)] != 0) break;
      x = product(basis[j], x, ctx);
    }
    map[e] = x;
    if (orders != nullptr) {
      int abstract = knownOrder(orders, x, ctx, product);
      if (dg->orders[e] != abstract) {
        Alert("DG_createMap", 1, 212404, "Order problem for element %d: %d <==> %d", e, dg->orders[e], abstract);
      }
    }
  }
}

DGType* DG_mapSubProductNEW(int* map, int* orders, int N, int n, const int* elements, void* ctx,
                            DGProductCallback product, DGPowerCallback power) {
  if (n == 1) {
    map[0] = 0;
    return DG_find(nullptr, 0);
  }
  std::vector<int> basis = DG_findBasisNEW(elements, orders, N, n, ctx, product, power);
  std::vector<int> factors;
  for (int g : basis) factors.push_back(knownOrder(orders, g, ctx, product));
  DGType* dg = DG_find(factors.data(), static_cast<int>(factors.size()));
  if (dg == nullptr) return nullptr;
  DG_createMap(dg, map, static_cast<int>(basis.size()), basis.data(), orders, ctx, product);
  return dg;
}

DGType* DG_mapProductNEW(int* map, int* orders, int N, void* ctx, DGProductCallback product,
                         DGPowerCallback power) {
  std::vector<int> all(static_cast<std::size_t>(N));
  for (int e = 0; e < N; ++e) all[static_cast<std::size_t>(e)] = e;
  return DG_mapSubProductNEW(map, orders, N, N, all.data(), ctx, product, power);
}

DGType* DG_mapSubGroupNEW(int* map, int n, const int* elements, DGType* G) {
  return DG_mapSubProductNEW(map, G->orders, G->order, n, elements, G, DG_productLaw, nullptr);
}

int DG_addIdentity(std::vector<int>& list) {
  if (list.empty() || list[0] != 0) list.insert(list.begin(), 0);
  return static_cast<int>(list.size());
}

int DG_closeSubgroup(std::vector<int>& list, void* ctx, DGProductCallback product) {
  DG_addIdentity(list);
  int kept = removeIdentical(list.data(), static_cast<int>(list.size()));
  list.resize(static_cast<std::size_t>(kept));
  // Words in the listed elements, built by multiplying on the right with one of them: an
  // element already reached adds nothing. When one is added, the elements reached before
  // need it alone; those it brings need all of them.
  const std::vector<int> listed = list;
  std::vector<int> generators;
  std::unordered_set<int> present;
  present.reserve(4 * listed.size());
  list.assign(1, 0);
  present.insert(0);
  const auto reach = [&](int x) {
    if (present.insert(x).second) list.push_back(x);
  };
  for (int g : listed) {
    if (present.count(g) != 0) continue;
    generators.push_back(g);
    const std::size_t old = list.size();
    for (std::size_t i = 0; i < old; ++i) reach(product(list[i], g, ctx));
    for (std::size_t i = old; i < list.size(); ++i) {
      for (int h : generators) reach(product(list[i], h, ctx));
    }
  }
  std::sort(list.begin(), list.end());
  return static_cast<int>(list.size());
}

int DG_closeSubgroup_IL(IntList* list, void* ctx, DGProductCallback product) {
  if (list->n == 0) {
    Alert("DG_closeSubgroup_IL", 0, 212404, "DG_closeSubgroup_IL called with empty list");
    return 0;
  }
  if (list->list[0] != 0) {
    Alert("DG_closeSubgroup_IL", 1, 212404, "First element in list should be the identity");
    return 0;
  }
  bool added = true;
  while (added) {
    added = false;
    for (int i = 0; i < list->n; ++i) {
      for (int j = i; j < list->n; ++j) {
        int x = product(list->list[i], list->list[j], ctx);
        if (findInList(list, x) < 0) {
          addToList(list, x);
          added = true;
        }
      }
    }
  }
  return list->n;
}

std::vector<int> DG_coset_elements(const int* G, const int* H, int nG, int nH, void* ctx,
                                   DGProductCallback product, bool* failed) {
  if (failed != nullptr) *failed = false;
  std::vector<int> out;
  std::vector<char> covered(static_cast<std::size_t>(nG), 0);
  for (int i = 0; i < nG; ++i) {
    if (covered[static_cast<std::size_t>(i)] != 0) continue;
    out.push_back(i);
    for (int h = 0; h < nH; ++h) {
      int x = product(G[i], H[h], ctx);
      int position = Present(G, nG, x);
      if (position < 0) {
        Alert("DG_coset_elements", 1, 212404, "G-element not found");
        if (failed != nullptr) *failed = true;
        return {};
      }
      covered[static_cast<std::size_t>(position)] = 1;
    }
  }
  if (nH == 0 || static_cast<int>(out.size()) != nG / nH) {
    Alert("DG_coset_elements", 2, 212404, "Count error");
  }
  return out;
}
