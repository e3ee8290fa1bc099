// Prime decomposition of the simple-current group of the tensor product: every cyclic
// generator of every factor's group is split by the Chinese remainder theorem into
// components of prime-power order. A decomposed element is a row of one exponent per
// component, entry c taken modulo the component's order.
#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

int intPower(int a, int e) {
  int r = 1;
  for (int i = 0; i < e; ++i) r *= a;
  return r;
}

}  // namespace

void PrimeDecomposeSimpleCurrentGroup(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  s.components.clear();
  int largest = -1;
  const int n = factorCount(tensor);
  for (int f = 0; f < n; ++f) {
    const DGType* G = factorTheory(tensor, f)->scgroup;
    if (G == nullptr) continue;
    for (int j = 0; j < G->nfactors; ++j) {
      const int nj = G->factors[j];
      const std::vector<int> exponents = PrimeDecomposition(nj);
      for (int i = 0;
           i < static_cast<int>(exponents.size()) && exponents[static_cast<std::size_t>(i)] != -1;
           ++i) {
        const int e = exponents[static_cast<std::size_t>(i)];
        if (e <= 0) continue;
        const int p = prime(i);
        const int q = intPower(p, e);
        DecomposedComponent c{i, p, e, q, f, DG_basis(G, j) * (nj / q), 0};
        if (p == 2)
          c.effectiveCenter =
              SM_effectiveCenterCheck(factorTheory(tensor, f), c.current) != 0 ? 0 : 1;
        s.components.push_back(c);
        if (i > largest) largest = i;
      }
    }
  }
  s.maxprimIndex = largest + 1 < 1 ? 1 : largest + 1;
}

const int* PrimeDecomposeCurrent(TensorProduct* tensor, const int* labels) {
  HeteroticState& s = heteroticState();
  s.decomposeOut.assign(s.components.size(), 0);
  const int n = factorCount(tensor);
  std::size_t c = 0;
  for (int f = 0; f < n; ++f) {
    const DGType* G = factorTheory(tensor, f)->scgroup;
    int position = 0;
    for (; c < s.components.size() && s.components[c].factor == f; ++c) {
      const DecomposedComponent& comp = s.components[c];
      if (DG_decomp(G, comp.current, position) == 0) ++position;
      const int a = DG_decomp(G, comp.current, position);
      const int x = DG_decomp(G, labels[f], position);
      s.decomposeOut[c] = static_cast<int>(
          mod(static_cast<long long>(PrimeInverse(a, comp.order)) * x, comp.order));
    }
  }
  return s.decomposeOut.data();
}

const int* PrimeComposeCurrent(TensorProduct* tensor, const int* element) {
  HeteroticState& s = heteroticState();
  s.composeOut.assign(static_cast<std::size_t>(factorCount(tensor)), 0);
  for (std::size_t c = 0; c < s.components.size(); ++c) {
    const DecomposedComponent& comp = s.components[c];
    SpectrumData* sd = factorTheory(tensor, comp.factor);
    const int J = SM_SimpleCurrentPower(sd, comp.current, element[c]);
    int& label = s.composeOut[static_cast<std::size_t>(comp.factor)];
    label = SM_SimpleCurrentFusion(sd, J, label);
  }
  return s.composeOut.data();
}

int mapToPrimeGroup(int p, int* map, int* inverse) {
  const std::vector<DecomposedComponent>& comps = heteroticState().components;
  std::vector<char> marked(comps.size(), 0);
  int k = 0;
  for (;;) {
    int best = -1;
    for (std::size_t c = 0; c < comps.size(); ++c) {
      if (marked[c] != 0 || comps[c].base != p) continue;
      if (best < 0 || comps[c].power > comps[static_cast<std::size_t>(best)].power)
        best = static_cast<int>(c);
    }
    if (best < 0) return k;
    map[k] = best;
    inverse[best] = k;
    marked[static_cast<std::size_t>(best)] = 1;
    ++k;
  }
}

void decomposeGroupLabels(int n, const int* orders, int index, int* out) {
  for (int k = 0; k < n; ++k) {
    out[k] = index % orders[k];
    index = (index - out[k]) / orders[k];
  }
}

std::int64_t computePrimeCode(int order) {
  std::int64_t code = 0;
  const std::vector<int> exponents = PrimeDecomposition(order);
  for (int i = 0;
       i < static_cast<int>(exponents.size()) && exponents[static_cast<std::size_t>(i)] != -1;
       ++i) {
    if (exponents[static_cast<std::size_t>(i)] <= 0) continue;
    const int p = prime(i);
    if (p < 10) {
      code = code * 10 + p;
    } else if (p < 100) {
      code = code * 100 + p;
    } else {
      Alert("computePrimeCode", 0, 112201, "Prime %d too large for prime code computation", p);
    }
  }
  return code;
}

int getDecomposedGroupSize() {
  return static_cast<int>(heteroticState().components.size());
}
const std::vector<DecomposedComponent>& getDecomposedComponents() {
  return heteroticState().components;
}
int getMaxPrimeIndex() {
  return heteroticState().maxprimIndex;
}
