// Invariants of automorphism type and the closed-form invariants of the c=1 orbifolds.
//
// The automorphism search looks for permutations pi of the primaries with
// S(pi(i), pi(j)) = S(i, j) and h_pi(i) = h_i mod 1, fixing the vacuum. The primaries are
// split into classes: first by weight modulo integers, then refined by the S entries
// against every field that is alone in its class, until nothing changes. Only classes
// of two or more fields can be permuted; the search walks the permutations of each class
// (class 0 first fastest), each level tested at once against the classes above it, so a
// failing class permutation prunes every combination below it.
//
// The Z2 orbifold of U(1) at 2n (store type 7, rank n) has the fields 0 .. 3, the
// charged fields 4 .. n+2 and the twisted fields n+3 .. n+6; its extra invariants (the
// twist exchange for even n, the automorphisms of R^2 = p/q with pq = n, and the
// extensions of R^2 = n/m^2) are known in closed form.
//
// The search holds S between all primaries, the upper triangle when S is symmetric (every
// entry otherwise), sized before it starts: a search that would pass what one allocation
// may hold is refused. An invariant found is handed on by its N entries. The c=1 orbifold
// builders use the user builders' N x N work matrix, also sized first.
//
// State: the work matrix is the user builders' one; the hook that gives output names the
// MIPF number is installed with the invariant store.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <utility>
#include <vector>

#include "collections/VectorSpace.h"
#include "groups/Permutations.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"
#include "tensor/OutputNames.h"

namespace {

int primaryCount() {
  return knownPrimaryCount();
}

int autostoreValue() {
  const int* p = getIntParPointer("Autostore");
  return p == nullptr ? 0 : *p;
}

// Builds, prints and (with "Autostore") stores the permutation invariant of pi, unchecked.
// The matrix is given by its N entries, not as N x N.
void buildPermutationInvariant(const std::vector<int>& pi) {
  SparseMassMatrix M;
  M.n = static_cast<int>(pi.size());
  for (std::size_t i = 0; i < pi.size(); ++i) M.entries[{static_cast<int>(i), pi[i]}] = 1;
  PrintSeparatorWithText('-', "");
  makeExceptionalBulkInvariant(M, getDummyBulk(), autostoreValue() == 1 ? 1 : 0, 1);
}

// S between all primaries of the current theory, read once: complex entries (re, im) side
// by side, of the upper triangle row by row when S is symmetric, else of every pair.
class SearchS {
 public:
  // False (after the alert) when the table would pass what one allocation may hold.
  bool fits(int N) {
    n_ = static_cast<std::size_t>(N);
    packed_ = S_Symmetric() == 1;
    const long double count =
        packed_ ? static_cast<long double>(N) * (N + 1.0L) / 2.0L : static_cast<long double>(N) * N;
    return requireAllocationSize("searchAutomorphisms", "The S matrix of the automorphism search",
                                 2.0L * count, sizeof(double));
  }

  void fill() {
    const int N = static_cast<int>(n_);
    values_.assign(2 * (packed_ ? n_ * (n_ + 1) / 2 : n_ * n_), 0.0);
    initSMATRIX();
    for (int i = 0; i < N; ++i) {
      // N S elements a row, each perhaps from the theory itself: Ctrl-C is obeyed row by row.
      obeyInterruptRequest();
      for (int j = packed_ ? i : 0; j < N; ++j) {
        double* entry = values_.data() + 2 * index(i, j);
        compS(i, j, &entry[0], &entry[1]);
      }
    }
  }

  // |S(a, b) - S(c, d)| <= 1e-10, compared squared.
  bool same(int a, int b, int c, int d) const {
    const double* x = values_.data() + 2 * index(a, b);
    const double* y = values_.data() + 2 * index(c, d);
    const double dr = x[0] - y[0];
    const double di = x[1] - y[1];
    return dr * dr + di * di <= 1e-20;
  }

 private:
  std::size_t index(int a, int b) const {
    if (!packed_) return static_cast<std::size_t>(a) * n_ + static_cast<std::size_t>(b);
    const std::size_t i = static_cast<std::size_t>(std::min(a, b));
    const std::size_t j = static_cast<std::size_t>(std::max(a, b));
    return i * (2 * n_ - 1 - i) / 2 + j;
  }

  std::size_t n_ = 0;
  bool packed_ = true;
  AccountVector<double> values_{AccountAllocator<double>(&WorkSpaceSize, "Automorphism search S")};
};

// The positions of the class (row 0 of subperms) in row take the values of above at the
// images of permutation t; the other positions of row are left as they are.
void applyClassPermutation(const VectorSpace* subperms, int t, const std::vector<int>& above,
                           std::vector<int>& row) {
  const int size = subperms->rowsize - 2;
  const int* fields = subperms->Space;
  const int* images = subperms->Space + static_cast<std::ptrdiff_t>(t) * subperms->rowsize;
  for (int k = 0; k < size; ++k)
    row[static_cast<std::size_t>(fields[k])] = above[static_cast<std::size_t>(images[k])];
}

// The places of its class a field may still go to, one bit each (a class has at most 10).
using Domain = std::uint16_t;

// The search over the classes, from the last class (K-1) down to class 0; at level r the
// classes above r are permuted and pi holds their images (the identity elsewhere). A
// permutation of class r passes when S(pi(i), pi(j)) = S(i, j) for i in class r and j in
// classes r .. K-1; the permutations that pass are visited in the order of their rows t.
//
// Every field of a class below the level keeps the domain of images that S against the
// fields already permuted allows; it is narrowed as each level is set (and restored on the
// way back). A level whose choice leaves a lower class without a permutation inside its
// domains is not descended from: nothing below it could pass. So the search visits only
// choices that can still be completed, instead of many levels' worth of combinations above
// a class that no permutation fits; what it finds, and in what order, is unchanged.
struct AutomorphismSearch {
  SearchS S;
  std::vector<std::vector<int>> members;  // the fields of each class, increasing
  std::vector<Domain> domain;             // of each field in a class
  std::vector<std::pair<int, Domain>> trail;  // domains as they were before narrowing
  std::vector<int> pi;
  std::vector<int> counters;
  int found = 0;

  int K() const { return static_cast<int>(members.size()); }

  void start(int N) {
    const int levels = K();
    domain.assign(static_cast<std::size_t>(N), 0);
    for (const std::vector<int>& fields : members) {
      for (int field : fields)
        domain[static_cast<std::size_t>(field)] = static_cast<Domain>((1u << fields.size()) - 1);
    }
    pi.resize(static_cast<std::size_t>(N));
    std::iota(pi.begin(), pi.end(), 0);
    counters.assign(static_cast<std::size_t>(levels), 0);
  }

  void descend(int r) {
    obeyInterruptRequest();
    const std::vector<int>& fields = members[static_cast<std::size_t>(r)];
    const int size = static_cast<int>(fields.size());
    std::vector<int> passing;
    std::vector<int> images(static_cast<std::size_t>(size));
    std::vector<char> used(static_cast<std::size_t>(size), 0);
    collectPassing(fields, 0, images, used, passing);
    std::sort(passing.begin(), passing.end());
    for (int t : passing) {
      obeyInterruptRequest();
      counters[static_cast<std::size_t>(r)] = t;
      subPermutationArrangement(size, t, images.data());
      for (int k = 0; k < size; ++k) {
        pi[static_cast<std::size_t>(fields[static_cast<std::size_t>(k)])] =
            fields[static_cast<std::size_t>(images[static_cast<std::size_t>(k)])];
      }
      if (r == 0) {
        if (std::any_of(counters.begin(), counters.end(), [](int c) { return c != 0; })) {
          buildPermutationInvariant(pi);
          ++found;
        }
        continue;
      }
      const std::size_t mark = trail.size();
      if (narrowLowerDomains(r)) descend(r - 1);
      for (std::size_t e = trail.size(); e > mark; --e) domain[static_cast<std::size_t>(trail[e - 1].first)] = trail[e - 1].second;
      trail.resize(mark);
    }
    counters[static_cast<std::size_t>(r)] = 0;
    for (int field : fields) pi[static_cast<std::size_t>(field)] = field;
  }

  // Images (places in the class) of the fields 0 .. k-1 of the class are set; extends them
  // by every image of field k in its domain that keeps S between the fields assigned so far.
  // A complete assignment adds its row t.
  void collectPassing(const std::vector<int>& fields, int k, std::vector<int>& images,
                      std::vector<char>& used, std::vector<int>& passing) {
    const int size = static_cast<int>(fields.size());
    if (k == size) {
      passing.push_back(subPermutationRow(size, images.data()));
      return;
    }
    pollInterruptRequest();
    const int field = fields[static_cast<std::size_t>(k)];
    const Domain allowed = domain[static_cast<std::size_t>(field)];
    for (int m = 0; m < size; ++m) {
      if (used[static_cast<std::size_t>(m)] != 0 || ((allowed >> m) & 1u) == 0) continue;
      const int image = fields[static_cast<std::size_t>(m)];
      bool keeps = S.same(image, image, field, field);
      for (int l = 0; l < k && keeps; ++l)
        keeps = S.same(image, fields[static_cast<std::size_t>(images[static_cast<std::size_t>(l)])], field,
                       fields[static_cast<std::size_t>(l)]);
      if (!keeps) continue;
      images[static_cast<std::size_t>(k)] = m;
      used[static_cast<std::size_t>(m)] = 1;
      collectPassing(fields, k + 1, images, used, passing);
      used[static_cast<std::size_t>(m)] = 0;
    }
  }

  // Narrows the domains of the fields of classes 0 .. r-1 by S against the fields of class
  // r as pi now maps them. False when some lower class is left without a permutation.
  bool narrowLowerDomains(int r) {
    const std::vector<int>& fields = members[static_cast<std::size_t>(r)];
    for (int q = 0; q < r; ++q) {
      const std::vector<int>& lower = members[static_cast<std::size_t>(q)];
      const int size = static_cast<int>(lower.size());
      bool narrowed = false;
      for (int k : lower) {
        const Domain before = domain[static_cast<std::size_t>(k)];
        Domain kept = before;
        for (int m = 0; m < size; ++m) {
          if (((before >> m) & 1u) == 0) continue;
          for (int j : fields) {
            if (!S.same(lower[static_cast<std::size_t>(m)], pi[static_cast<std::size_t>(j)], k, j)) {
              kept = static_cast<Domain>(kept & ~(1u << m));
              break;
            }
          }
        }
        if (kept == before) continue;
        trail.emplace_back(k, before);
        domain[static_cast<std::size_t>(k)] = kept;
        if (kept == 0) return false;
        narrowed = true;
      }
      if (narrowed && !hasPermutation(lower)) return false;
    }
    return true;
  }

  // Whether each field of the class can get its own image inside its domain (a perfect
  // matching, found by augmenting paths).
  bool hasPermutation(const std::vector<int>& fields) const {
    const int size = static_cast<int>(fields.size());
    std::vector<int> owner(static_cast<std::size_t>(size), -1);  // field (place) at each image
    for (int k = 0; k < size; ++k) {
      std::vector<char> seen(static_cast<std::size_t>(size), 0);
      if (!augment(fields, k, owner, seen)) return false;
    }
    return true;
  }

  bool augment(const std::vector<int>& fields, int k, std::vector<int>& owner,
               std::vector<char>& seen) const {
    const Domain allowed = domain[static_cast<std::size_t>(fields[static_cast<std::size_t>(k)])];
    for (std::size_t m = 0; m < fields.size(); ++m) {
      if (((allowed >> m) & 1u) == 0 || seen[m] != 0) continue;
      seen[m] = 1;
      if (owner[m] == -1 || augment(fields, owner[m], owner, seen)) {
        owner[m] = k;
        return true;
      }
    }
    return false;
  }
};

}  // namespace

void applyLevelPermutation(const VectorSpace* subperms, int r, int t,
                           std::vector<std::vector<int>>& rows) {
  rows[static_cast<std::size_t>(r)] = rows[static_cast<std::size_t>(r) + 1];
  applyClassPermutation(subperms, t, rows[static_cast<std::size_t>(r) + 1],
                        rows[static_cast<std::size_t>(r)]);
}

int searchAutomorphisms() {
  const int N = primaryCount();
  if (N < 2) return 0;
  const std::size_t n = static_cast<std::size_t>(N);
  AutomorphismSearch search;
  // S of every pair is known in size now.
  if (!search.S.fits(N)) return 0;
  search.S.fill();
  std::vector<double> logT(n);
  compLogT(logT.data());

  // Classes by spin; field 0 keeps class 0 alone.
  std::vector<int> classOf(n, -1);
  std::vector<int> shared(n, 0);
  classOf[0] = 0;
  int next = 1;
  for (int i = 1; i < N; ++i) {
    if (classOf[i] != -1) continue;
    obeyInterruptRequest();
    classOf[i] = next++;
    for (int j = i + 1; j < N; ++j) {
      if (classOf[j] != -1) continue;
      const double d = logT[i] - logT[j];
      if (ZeroCheck(d - std::round(d)) == 0) continue;
      classOf[j] = classOf[i];
      shared[i] = shared[j] = 1;
    }
  }
  // The fields of each class number, increasing.
  std::vector<std::vector<int>> fieldsOf(static_cast<std::size_t>(next));
  for (int i = 0; i < N; ++i) fieldsOf[static_cast<std::size_t>(classOf[i])].push_back(i);
  // Refinement by the S entries against the fields that are alone in their class. The
  // vacuum counts among them: a permutation fixes it, so S(a, 0) = S(pi(a), 0), and the
  // level checks below never compare against a field outside the classes.
  std::vector<int> later;
  for (bool changed = true; changed;) {
    changed = false;
    for (int p = 0; p < N; ++p) {
      if (shared[p] != 0) continue;
      for (int a = 0; a < N; ++a) {
        if (shared[a] == 0) continue;
        obeyInterruptRequest();
        std::vector<int>& own = fieldsOf[static_cast<std::size_t>(classOf[a])];
        later.assign(std::upper_bound(own.begin(), own.end(), a), own.end());
        int moved = -1;
        for (int b : later) {
          if (search.S.same(a, p, b, p)) continue;
          if (moved == -1) {
            moved = next++;
            fieldsOf.emplace_back();
          }
          // b leaves a's class for the new one; both lists stay increasing.
          std::vector<int>& from = fieldsOf[static_cast<std::size_t>(classOf[b])];
          from.erase(std::lower_bound(from.begin(), from.end(), b));
          fieldsOf[static_cast<std::size_t>(moved)].push_back(b);
          classOf[b] = moved;
          changed = true;
        }
      }
    }
    for (int i = 0; i < N; ++i) {
      if (shared[i] != 0 && fieldsOf[static_cast<std::size_t>(classOf[i])].size() == 1) {
        shared[i] = 0;
        changed = true;
      }
    }
  }

  // The permutations of a class are walked by their row numbers in the class collections
  // (a class of ten has 10! of them); the collections themselves are not needed.
  search.members = subPermutationClasses(N, classOf.data());
  const int K = search.K();
  if (K == 0) return 0;
  search.start(N);
  search.descend(K - 1);
  return search.found;
}

// ---------------------------------------------------------------------------------------
// The c=1 orbifold

int getCFTtype() {
  if (KMCosetSwitch != 0 || currentSD == nullptr) return -1;
  return currentSD->type;
}

int getCFTrank() {
  if (KMCosetSwitch != 0 || currentSD == nullptr) return -1;
  return currentSD->rank;
}

int orbifoldCharge(int i) {
  const int n = getCFTrank();
  if (i == 0 || i == 2) return 0;
  if (i == 1 || i == 3) return n;
  if (i >= 4 && i <= n + 2 && currentSD != nullptr) return SM_getRep(currentSD, i)[1];
  return 0;
}

int getOrbifoldFieldWithCharge(int charge) {
  const int n = getCFTrank();
  if (n >= 2) {
    for (int j = 4; j <= n + 2; ++j) {
      if (orbifoldCharge(j) == charge) return j;
    }
  }
  Alert("getOrbifoldFieldWithCharge", 0, 212404, "Orbifold field not found or ambiguous");
  return 0;
}

int getOrbifoldExceptionalAutomorphism(int i, int p, int q) {
  const int n = getCFTrank();
  if (n < 2 || i < 4 || i > n + 2) return i;
  const long long k = orbifoldCharge(i);
  if (k % p == 0 || k % q == 0) return i;
  for (int j = 4; j <= n + 2; ++j) {
    const long long l = orbifoldCharge(j);
    if (((k + l) % (2 * p) == 0 && (k - l) % (2 * q) == 0) ||
        ((k + l) % (2 * q) == 0 && (k - l) % (2 * p) == 0)) {
      return j;
    }
  }
  return i;
}

void addOrbitToModularMatrix(int* M, const int* orbit) {
  const std::size_t n = static_cast<std::size_t>(primaryCount());
  for (const int* a = orbit; *a != -1; ++a) {
    for (const int* b = orbit; *b != -1; ++b)
      ++M[static_cast<std::size_t>(*a) * n + static_cast<std::size_t>(*b)];
  }
}

void getOrbifoldExceptionalExtension(int* M, int m) {
  const int n = getCFTrank();
  const int N = primaryCount();
  std::fill(M, M + static_cast<std::size_t>(N) * N, 0);
  const long long nn = n;
  auto F = [](long long charge) { return getOrbifoldFieldWithCharge(static_cast<int>(charge)); };
  std::vector<int> orbit;
  auto add = [&](int times) {
    orbit.push_back(-1);
    for (int t = 0; t < times; ++t) addOrbitToModularMatrix(M, orbit.data());
    orbit.clear();
  };
  if (m % 2 == 0) {
    const int h = m / 2;
    for (int first : {0, 2}) {
      orbit = {first, first + 1};
      for (int t = 1; t <= h - 1; ++t) orbit.push_back(F(nn * t / h));
      add(1);
    }
    if (n / m > m) {
      for (int s = m; s < n / m; s += m) {
        for (int t = 0; t <= h - 1; ++t) {
          orbit.push_back(F(nn * t / h + s));
          orbit.push_back(F(nn * (t + 1) / h - s));
        }
        add(1);
      }
    }
    orbit.push_back(F(n / m));
    if (m != 2) {
      for (int u = 1; u <= h - 1; ++u) orbit.push_back(F(nn * (2 * u + 1) / m));
    }
    add(2);
    orbit.push_back(n + 3);
    add(2);
    orbit.push_back(n + 4);
    add(2);
    return;
  }
  const long long K = n / m / m;
  for (int i = 0; i < N; ++i) {
    if (i <= 3) {
      orbit.push_back(i);
      for (int t = 0; t <= (m - 1) / 2 - 1; ++t)
        orbit.push_back(F((2LL * t + 2 - (i % 2)) * K * m));
      add(1);
    } else if (i > n + 2) {
      orbit.push_back(i);
      add(1);
    } else {
      const int c = orbifoldCharge(i);
      if (c % m != 0) continue;
      long long l = (c / m) % (2 * K);
      if (l > K) l = 2 * K - l;
      if (l < 0 || l > K) {
        Alert("getOrbifoldExceptionalExtension", 0, 212404, "l out of range: l=%lld; i=%d", l, i);
        continue;
      }
      if (l == 0 || l == K) continue;
      for (int t = 0; t < m; ++t) orbit.push_back(F(nn - std::llabs(nn - (l * m + 2 * K * m * t))));
      if (orbit[0] == i) {
        add(1);
      } else {
        orbit.clear();
      }
    }
  }
}

int searchInvariants() {
  if (getCFTtype() != kStoreTypeOrbifold) return 0;
  if (!userInvariantMatrixFits("searchInvariants")) return 0;
  const int n = getCFTrank();
  const int N = primaryCount();
  int result = 0;
  std::vector<int> pi(static_cast<std::size_t>(N));
  if (n % 2 == 0) {
    Print("Building twist automorphism\n");
    std::iota(pi.begin(), pi.end(), 0);
    std::swap(pi[1], pi[3]);
    std::swap(pi[static_cast<std::size_t>(n) + 3], pi[static_cast<std::size_t>(n) + 5]);
    std::swap(pi[static_cast<std::size_t>(n) + 4], pi[static_cast<std::size_t>(n) + 6]);
    buildPermutationInvariant(pi);
    result = 1;
  }
  const int top = std::max(n / 2, 3) - 1;
  if (n >= 6) {
    for (int p = 2; p <= top; ++p) {
      const int q = n / p;
      if (p * q != n || std::gcd(p, q) != 1 || p >= q) continue;
      Print("Building automorphism for R^2=alpha' %d/%d\n", p, q);
      for (int i = 0; i < N; ++i)
        pi[static_cast<std::size_t>(i)] = getOrbifoldExceptionalAutomorphism(i, p, q);
      buildPermutationInvariant(pi);
      result = 1;
    }
  }
  for (int m = 2; m <= top; ++m) {
    if (m * m * ((n / m) / m) != n) continue;
    PrintStdout("Building extension for R^2=alpha' %d/%d^2\n", n, m);
    std::vector<int>& M = userInvariantMatrix();
    getOrbifoldExceptionalExtension(M.data(), m);
    result = acceptCandidateInvariant(M.data(), 1, 1, 0, 1);
  }
  return result;
}

// ---------------------------------------------------------------------------------------
// MIPF numbers

int MIPFIdentifier(const BulkInvariant* bulk) {
  if (bulk == nullptr || !bulk->MD) return -1;
  return bulk->MD->mipf_number;
}

namespace {

int currentMIPFNumber() {
  return MIPFIdentifier(*getCurrentBulk());
}

}  // namespace

void installUserInvariantHooks() {
  setOutputNameHooks(currentMIPFNumber, storedInvariantCount);
  setGaloisInvariantAcceptor(acceptGaloisCandidate);
  setCandidateAcceptance(acceptCandidateInvariant);
}
