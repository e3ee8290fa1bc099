// Open strings of brane configurations: the representations of the Chan-Paton group that
// the massless open strings carry, read off the integer annulus A(i, a, b) and Moebius
// M(i, a) coefficients of the current orientifold, and their printers.
//
// One stack on boundary a gives (A + M)/2 symmetric and (A - M)/2 antisymmetric tensors of
// A(i, a, a) and M(i, a); a complex boundary's strings to its conjugate give adjoints;
// strings between two stacks give bifundamentals. Every contribution is weighted by the
// space-time multiplicity w of the primary i in the class asked for.
#include "strings/OpenSpectrum.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "strings/OpenReports.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"

namespace {

const char* const kSymbols[8] = {"A*", "S*", "V*", "0 ", "V ", "S ", "A ", "Ad"};

int signOf(int x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

// Adds a contribution to row `row`: multiplicity to the count, signed to the chirality.
int addToRow(RepresentationStore* store, const std::vector<int>& row, int multiplicity, int sign) {
  const int r = store->find(row);
  store->count[static_cast<std::size_t>(r)] += multiplicity;
  if (sign > 0) store->chirality[static_cast<std::size_t>(r)] += multiplicity;
  if (sign < 0) store->chirality[static_cast<std::size_t>(r)] -= multiplicity;
  return r;
}

int addOneStack(RepresentationStore* store, int x, int code, int multiplicity, int sign) {
  std::vector<int> row(static_cast<std::size_t>(store->stacks), 0);
  if (code != 0 && x >= 0 && x < store->stacks) row[static_cast<std::size_t>(x)] = code;
  return addToRow(store, row, multiplicity, sign);
}

}  // namespace

void RepresentationStore::reset(int n) {
  stacks = n;
  codes.clear();
  chirality.clear();
  count.clear();
}

int RepresentationStore::find(const std::vector<int>& row) {
  for (std::size_t r = 0; r < codes.size(); ++r)
    if (codes[r] == row) return static_cast<int>(r);
  codes.push_back(row);
  chirality.push_back(0);
  count.push_back(0);
  return static_cast<int>(codes.size()) - 1;
}

void initializeOpenSpectrum() { resetOpenReports(); }

void resetOpenSpectrum() {
  resetOpenTachyons();
  resetOpenReports();
}

char charType(int type) {
  switch (type) {
    case -2: return ' ';
    case -1: return 'S';
    case 0: return 'U';
    case 1: return 'O';
    default:
      Alert("charType", 0, 212404, "Invalid group type %d", type);
      return 'X';
  }
}

std::string chanPatonGroupName(int type, int N) {
  // "S16" reads as SO(16) or as a symmetric group: the symplectic group gets its own name.
  if (type == -1) return formatText("Sp(%d)", N);
  return formatText("%c(%d)", charType(type), N);
}

int CollectRep1(RepresentationStore* store, int x, int A, int M, int weight, int sign, int adjoint) {
  if (A == 0 && M == 0) return -1;
  if (adjoint != 0) return addOneStack(store, x, 4, A * weight, sign);
  int last = -1;
  while (A >= 2 && std::abs(M) < A) {
    // The split needs A - M even; an odd pair was reported by the caller and ends here.
    if ((A - M) % 2 != 0) return last;
    const int symmetric = (A + M) / 2;
    const int antisymmetric = (A - M) / 2;
    if (symmetric >= 1) last = addOneStack(store, x, 2, symmetric * weight, sign);
    A = antisymmetric;
    M = -antisymmetric;
    if (A == 0) return last;
  }
  if (A >= 1 && M == A) return addOneStack(store, x, 2, A * weight, sign);
  if (A >= 1 && M == -A) return addOneStack(store, x, 3, A * weight, sign);
  Alert("CollectRep1", 0, 212404, "Unknown representation: Annulus=%d,Moebius=%d,adjoint=%d", A, M, adjoint);
  return addOneStack(store, -1, 0, A * weight, sign);
}

int CollectRep2(RepresentationStore* store, int x, int y, int A, int weight, int signX, int signY) {
  const int lo = std::min(x, y);
  const int hi = std::max(x, y);
  const int signLo = x < y ? signX : signY;
  const int signHi = x < y ? signY : signX;
  std::vector<int> row(static_cast<std::size_t>(store->stacks), 0);
  row[static_cast<std::size_t>(lo)] = 1;
  row[static_cast<std::size_t>(hi)] = signOf(signX) * signOf(signY) < 0 ? -1 : 1;
  const int chiral = signLo != 0 ? signOf(signLo) : signOf(signHi);
  return addToRow(store, row, A * weight, chiral);
}

int ComplexRepresentation(int n, const int* row, const int* groupTypes) {
  for (int k = 0; k < n; ++k)
    if (groupTypes[k] == 0 && row[k] != 0 && row[k] != 4) return 1;
  return 0;
}

int checkHypermultiplet(const RepresentationStore* store, const int* groupTypes, int* combine) {
  for (int r = 0; r < store->size(); ++r) {
    const int c = store->count[static_cast<std::size_t>(r)];
    const int chiral = store->chirality[static_cast<std::size_t>(r)];
    if (c % 2 != 0) {
      Alert("checkHypermultiplet", 0, 212404, "Odd multiplicity for hyper multiplet");
      *combine = 0;
      return 0;
    }
    if (ComplexRepresentation(store->stacks, store->codes[static_cast<std::size_t>(r)].data(), groupTypes) == 0)
      continue;
    if ((c + chiral) % 2 != 0) {
      Alert("checkHypermultiplet", 1, 212404, "Non-integer multiplicity for hyper multiplet");
      return 0;
    }
    if (((c + chiral) / 2) % 2 != 0) *combine = 0;
  }
  return 1;
}

std::int64_t OpenStringDim(int n, const int* row, const int*, const int* multiplicities) {
  std::int64_t dimension = 1;
  for (int k = 0; k < n; ++k) {
    const std::int64_t N = multiplicities[k];
    switch (std::abs(row[k])) {
      case 1: dimension *= N; break;
      case 2: dimension *= N * (N + 1) / 2; break;
      case 3: dimension *= N * (N - 1) / 2; break;
      case 4: dimension *= N * N; break;
      default: break;
    }
  }
  return dimension;
}

std::int64_t getRepresentationWeight(int n, const int* row, int chirality, int observable) {
  const std::int64_t L = n + 1;
  const std::int64_t c = std::abs(static_cast<std::int64_t>(chirality));
  std::int64_t u = 0;
  for (int k = 0; k < observable && k < n; ++k) {
    if (row[k] == 1 || row[k] == -1)
      u += 4000 - 1000 * static_cast<std::int64_t>(k);
    else if (row[k] != 0)
      u += 100 * (4 - static_cast<std::int64_t>(k)) + std::abs(row[k]);
  }
  if (u > 0) u += 10000 * c;
  u *= 10000;
  for (int k = observable; k < n; ++k) {
    if (row[k] == 1 || row[k] == -1)
      u += 1000 * (L - k);
    else if (row[k] != 0)
      u += 100 * (L - k) + std::abs(row[k]);
  }
  return u + 10000 * L * c;
}

std::vector<int> orderReps(const RepresentationStore* store, int observable) {
  const int n = store->stacks;
  std::vector<int> order(static_cast<std::size_t>(store->size()));
  std::vector<std::int64_t> weight(order.size());
  for (int r = 0; r < store->size(); ++r) {
    order[static_cast<std::size_t>(r)] = r;
    weight[static_cast<std::size_t>(r)] = getRepresentationWeight(
        n, store->codes[static_cast<std::size_t>(r)].data(), store->chirality[static_cast<std::size_t>(r)], observable);
  }
  auto entries = [&](int r) {
    std::vector<int> e = store->codes[static_cast<std::size_t>(r)];
    e.push_back(store->chirality[static_cast<std::size_t>(r)]);
    return e;
  };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    if (weight[static_cast<std::size_t>(a)] != weight[static_cast<std::size_t>(b)])
      return weight[static_cast<std::size_t>(a)] > weight[static_cast<std::size_t>(b)];
    return entries(a) > entries(b);
  });
  return order;
}

std::string printRepVeca(const RepresentationStore* store, int r, const int* groupTypes, const int* multiplicities,
                         int hyperOk, int combine, int indent, int chiralOnly) {
  const std::size_t index = static_cast<std::size_t>(r);
  const int n = store->stacks;
  const int* row = store->codes[index].data();
  const int chirality = store->chirality[index];
  if (chiralOnly == 1 && chirality == 0) return "";
  const int complex = ComplexRepresentation(n, row, groupTypes);
  int m = store->count[index];
  if (hyperOk == 1) {
    if (complex == 1 && combine == 1) {
      if (m % 4 != 0) Alert("printRepVeca", 0, 212404, "Invalid hyper multiplet count: %d not divisible by 4", m);
      m /= 4;
    } else if (complex == 1 || combine == 1) {
      if (m % 2 != 0) Alert("printRepVeca", 1, 212404, "Invalid hyper multiplet count: %d not divisible by 2", m);
      m /= 2;
    }
  }
  std::string text(static_cast<std::size_t>(indent), ' ');
  text += formatText(" %3d x ( ", m);
  for (int k = 0; k < n; ++k) {
    if (k > 0) text += ",";
    const int code = row[k];
    text += code >= -3 && code <= 4 ? kSymbols[code + 3] : "? ";
  }
  if (hyperOk == 1) return text + (complex == 1 ? ")  + c.c.\n" : ")\n");
  const std::int64_t dimension = OpenStringDim(n, row, groupTypes, multiplicities);
  text += formatText(") chirality %-5d    Dimension %-5lld", chirality, static_cast<long long>(dimension));
  return text + (dimension == 0 ? " [No massless states]\n" : "\n");
}

std::string groupHeader(const ChanPatonData* cpd) {
  std::string text = "Type:        ";
  for (int x = 0; x < cpd->stacks; ++x) text += formatText(" %c ", charType(cpd->stackType[static_cast<std::size_t>(x)]));
  text += "\nStack size: ";
  for (int x = 0; x < cpd->stacks; ++x) {
    const int N = cpd->stackMultiplicity[static_cast<std::size_t>(x)];
    text += N == 999 ? std::string(" --") : formatText("%3d", N);
  }
  return text + "\n";
}

void PrintGroups(const ChanPatonData* cpd) { Print("%s", groupHeader(cpd).c_str()); }

void CollectOpenSectorRepresentations(const ChanPatonData* cpd, int k, RepresentationStore* store) {
  const std::vector<int> labels = getMasslessLabels();
  std::vector<int> weights;
  for (int i : labels) weights.push_back(getRepInfo(i)[static_cast<std::size_t>(k)]);
  collectRepresentations(cpd, labels, weights, store);
}

void collectRepresentations(const ChanPatonData* cpd, const std::vector<int>& massless, const std::vector<int>& weights,
                            RepresentationStore* store) {
  const OpenAmplitudes& amp = openAmplitudes();
  const int n = cpd->stacks;
  store->reset(n);
  auto conjugateOf = [&](int a) {
    // No conjugate known: the boundary is taken as real.
    const int c = amp.conjugate(cpd->orientifold, a);
    return c < 0 ? a : c;
  };
  auto checked = [](int A, int M) {
    if ((A - M) % 2 != 0) Alert("CollectOpenSectorRepresentations", 0, 212404, "Annulus/Moebius parity violation");
    if (std::abs(M) > A) Alert("CollectOpenSectorRepresentations", 1, 212404, "Annulus/Moebius size violation");
  };
  for (std::size_t l = 1; l < massless.size(); ++l) {
    const int i = massless[l];
    const int w = l < weights.size() ? weights[l] : 0;
    if (w == 0) continue;
    for (int x = 0; x < n; ++x) {
      const int a = cpd->stackLabel[static_cast<std::size_t>(x)];
      const int ac = conjugateOf(a);
      const int sx = std::abs(a - ac);
      int M = amp.moebius(i, a);
      int A = amp.annulus(i, a, a);
      checked(A, M);
      if (A != 0) CollectRep1(store, x, A, M, w, sx, 0);
      if (a != ac) {
        M = amp.moebius(i, ac);
        A = amp.annulus(i, ac, ac);
        checked(A, M);
        if (A != 0) CollectRep1(store, x, A, M, w, -sx, 0);
        const int adjoint = amp.annulus(i, a, ac);
        if (adjoint != 0) CollectRep1(store, x, adjoint, 0, w, 0, 1);
      }
      for (int y = x + 1; y < n; ++y) {
        const int b = cpd->stackLabel[static_cast<std::size_t>(y)];
        const int bc = conjugateOf(b);
        const int sy = std::abs(b - bc);
        auto pair = [&](int p, int q, int signX, int signY) {
          const int coefficient = amp.annulus(i, p, q);
          if (coefficient != 0) CollectRep2(store, x, y, coefficient, w, signX, signY);
        };
        pair(a, b, sx, sy);
        if (b != bc) pair(a, bc, sx, -sy);
        if (a != ac) {
          pair(ac, b, -sx, sy);
          if (b != bc) pair(ac, bc, -sx, -sy);
        }
      }
    }
  }
}
