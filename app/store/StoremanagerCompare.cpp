// Two stored theories side by side: the field-by-field comparison of two records, the
// search for an isomorphism between two theories, and the re-centred theory (the fields
// of a theory ordered into the orbits of another group of simple currents). Small
// look-ups of fields by their labels complete the file.
//
// The isomorphism search relies on the field order of the store: the currents are the
// fields 0 .. G-1 in the order of the group's elements (mixed radix, first factor least
// significant), and each orbit is one block of consecutive fields whose members follow
// the group elements in order. A map sends field a of the second theory B to field
// map[a] of the first theory A. It is built in two nested searches: images of B's group
// generators among A's currents of the same weight (modulo 1), then images of B's orbit
// representatives among A's fields of the same weight and charges; every choice is checked
// on weights and S before the whole map is verified once more.
//
// The comparison and the verification of a map read S for every pair of fields (N^2
// elements, each computed afresh where the record keeps no S); those loops, and the
// search's loops over currents, orbits and candidates, obey Ctrl-C once per element.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "interpreter/Loops.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

constexpr double kSTolerance = 1e-7;

int groupOrder(const SpectrumData* sd) {
  return sd->scgroup == nullptr ? 1 : sd->scgroup->order;
}
int factorCount(const SpectrumData* sd) {
  return sd->scgroup == nullptr ? 0 : sd->scgroup->nfactors;
}

bool sameWeightModOne(const SpectrumData* A, int a, const SpectrumData* B, int b) {
  const long long numA = A->weight_num[a], denA = A->weight_den;
  const long long numB = B->weight_num[b], denB = B->weight_den;
  if (denA == 0 || denB == 0) return false;
  return (numA * denB - numB * denA) % (denA * denB) == 0;
}

bool sameVectors(int n, const int* x, const int* y) {
  return n <= 0 || std::equal(x, x + n, y);
}

// State of one isomorphism search.
struct MapSearch {
  SpectrumData* A = nullptr;
  SpectrumData* B = nullptr;
  int* map = nullptr;
  int G = 1;
  int factors = 0;
  std::vector<int> generators;               // B's generator of each factor
  std::vector<std::vector<int>> candidates;  // A's currents per generator
  std::vector<int> images;                   // chosen image of each generator
  std::vector<int> elements;                 // image in A of each element of B
  std::vector<int> orbitStarts;              // first field of each orbit of B
  std::vector<std::vector<int>> orbitCandidates;
};

int evaluateOrbitGeneratorsBody(int n, int* x, void* ctx);

}  // namespace

// ---------------------------------------------------------------------------------------
// Element comparisons

int SM_compareS(SpectrumData* A, SpectrumData* B, int a1, int a2, int b1, int b2) {
  double reA = 0.0, imA = 0.0, reB = 0.0, imB = 0.0;
  SM_getS(A, a1, a2, &reA, &imA);
  SM_getS(B, b1, b2, &reB, &imB);
  return std::fabs(reA - reB) < kSTolerance && std::fabs(imA - imB) < kSTolerance ? 1 : 0;
}

int SM_compareT(const SpectrumData* A, const SpectrumData* B, int a, int b) {
  return sameWeightModOne(A, a, B, b) ? 1 : 0;
}

int SM_compareCharges(SpectrumData* A, SpectrumData* B, const int* JA, int a, const int* JB,
                      int b) {
  for (int i = 0; i < factorCount(A); ++i) {
    Rat qa, qb;
    SM_getRatCharge(A, JA[i], a, &qa);
    SM_getRatCharge(B, JB[i], b, &qb);
    if ((qa.num * qb.den - qb.num * qa.den) % (qa.den * qb.den) != 0) return 0;
  }
  return 1;
}

int SM_makeFullOrbit(SpectrumData* A, int a, const int* elements, int count, int* out) {
  int length = 0;
  for (int e = 0; e < count; ++e) {
    const int image = SM_SimpleAction(A, elements[e], a);
    if (image < 0) continue;
    if (std::find(out, out + length, image) == out + length) out[length++] = image;
  }
  return length;
}

// ---------------------------------------------------------------------------------------
// The isomorphism search

namespace {

// The body over generator images: builds the image of every element of B's group, checks
// weights and S on them, then searches images for the orbit representatives.
int evaluateGroupGeneratorsBody(int k, int* x, void* ctx) {
  MapSearch& s = *static_cast<MapSearch*>(ctx);
  SpectrumData* A = s.A;
  SpectrumData* B = s.B;
  for (int i = 0; i < k; ++i)
    s.images[static_cast<std::size_t>(i)] =
        s.candidates[static_cast<std::size_t>(i)][static_cast<std::size_t>(x[i])];
  std::vector<int>& list = s.elements;
  list.clear();
  if (k == 0) {
    list.push_back(0);
  } else {
    const int n0 = B->scgroup->factors[0];
    for (int e = 0; e < n0; ++e) list.push_back(SM_SimpleCurrentPower(A, s.images[0], e));
    for (int i = 1; i < k; ++i) {
      const int ni = B->scgroup->factors[i];
      const std::size_t before = list.size();
      for (int p = 1; p < ni; ++p) {
        const int power = SM_SimpleCurrentPower(A, s.images[static_cast<std::size_t>(i)], p);
        for (std::size_t q = 0; q < before; ++q) list.push_back(SM_SimpleAction(A, power, list[q]));
      }
    }
    for (std::size_t q = 0; q < list.size(); ++q) {
      obeyInterruptRequest();
      if (list[q] < 0 || std::find(list.begin(), list.begin() + static_cast<long>(q), list[q]) !=
                             list.begin() + static_cast<long>(q))
        return 0;
    }
  }
  if (static_cast<int>(list.size()) != s.G) return 0;
  for (int m = 0; m < s.G; ++m) {
    if (!sameWeightModOne(A, list[static_cast<std::size_t>(m)], B, m)) return 0;
    for (int m2 = 0; m2 < s.G; ++m2) {
      obeyInterruptRequest();
      if (!SM_compareS(A, B, list[static_cast<std::size_t>(m)], list[static_cast<std::size_t>(m2)],
                       m, m2))
        return 0;
    }
  }
  std::copy(list.begin(), list.end(), s.map);

  const int n = B->n_primaries;
  s.orbitStarts.assign(1, 0);
  for (int f = 1; f < n; ++f) {
    obeyInterruptRequest();
    if (SM_getOrbitNumber(B, f) != SM_getOrbitNumber(B, f - 1)) s.orbitStarts.push_back(f);
  }
  const int orbits = static_cast<int>(s.orbitStarts.size());
  s.orbitCandidates.assign(static_cast<std::size_t>(orbits), {});
  s.orbitCandidates[0].push_back(0);
  for (int o = 1; o < orbits; ++o) {
    const int start = s.orbitStarts[static_cast<std::size_t>(o)];
    auto& found = s.orbitCandidates[static_cast<std::size_t>(o)];
    for (int f = start; f < std::min(start + s.G, A->n_primaries); ++f) {
      obeyInterruptRequest();
      if (SM_getOrbitNumber(A, f) != o || !sameWeightModOne(A, f, B, start)) continue;
      if (!SM_compareCharges(A, B, s.images.data(), f, s.generators.data(), start)) continue;
      found.push_back(f);
    }
    if (found.empty()) {
      Print("No candidates found for orbit %d\n", o);
      return 0;
    }
  }
  int result = 0;
  if (orbits == 1) {
    std::vector<int> none;
    result = evaluateOrbitGeneratorsBody(0, none.data(), &s);
    result = result == -1 ? 1 : result;
  } else {
    std::vector<int> lo(static_cast<std::size_t>(orbits - 1), 0),
        hi(static_cast<std::size_t>(orbits - 1)), at(lo);
    for (int o = 1; o < orbits; ++o)
      hi[static_cast<std::size_t>(o - 1)] =
          static_cast<int>(s.orbitCandidates[static_cast<std::size_t>(o)].size()) - 1;
    result = NestedLoops(orbits - 1, lo.data(), hi.data(), at.data(), &s, nullptr,
                         evaluateOrbitGeneratorsBody);
  }
  if (result > 0) return -1;
  Print("evaluateGroupGenerators: return code %d\n", result);
  return 0;
}

// The body over orbit representatives (x[o - 1] chooses orbit o's): S between the
// representatives, then the orbits themselves into the map.
int evaluateOrbitGeneratorsBody(int n, int* x, void* ctx) {
  MapSearch& s = *static_cast<MapSearch*>(ctx);
  const int orbits = n + 1;
  std::vector<int> reps(static_cast<std::size_t>(orbits), 0);
  for (int o = 1; o < orbits; ++o)
    reps[static_cast<std::size_t>(o)] =
        s.orbitCandidates[static_cast<std::size_t>(o)][static_cast<std::size_t>(x[o - 1])];
  for (int o = 0; o < orbits; ++o)
    for (int p = 0; p < orbits; ++p) {
      obeyInterruptRequest();
      if (!SM_compareS(s.A, s.B, reps[static_cast<std::size_t>(o)],
                       reps[static_cast<std::size_t>(p)],
                       s.orbitStarts[static_cast<std::size_t>(o)],
                       s.orbitStarts[static_cast<std::size_t>(p)]))
        return 0;
    }
  std::vector<int> orbit(static_cast<std::size_t>(s.G));
  for (int o = 1; o < orbits; ++o) {
    obeyInterruptRequest();
    const int length = SM_makeFullOrbit(s.A, reps[static_cast<std::size_t>(o)], s.elements.data(),
                                        s.G, orbit.data());
    const int start = s.orbitStarts[static_cast<std::size_t>(o)];
    for (int k = 0; k < length && start + k < s.B->n_primaries; ++k)
      s.map[start + k] = orbit[static_cast<std::size_t>(k)];
  }
  return -1;
}

}  // namespace

int evaluateGroupGenerators(int k, int* x, void* ctx) {
  return evaluateGroupGeneratorsBody(k, x, ctx);
}
int evaluateOrbitGenerators(int n, int* x, void* ctx) {
  return evaluateOrbitGeneratorsBody(n, x, ctx);
}

int SM_determineCFTmap(int* map, SpectrumData* A, SpectrumData* B) {
  const char* routine = "SM_determineCFTmap";
  if (A->n_primaries != B->n_primaries) {
    Alert(routine, 0, 100201, "Different number of primaries %d <--> %d", A->n_primaries,
          B->n_primaries);
    return 0;
  }
  if (groupOrder(A) != groupOrder(B)) {
    Alert(routine, 1, 100201, "Different simple current orders %d <--> %d", groupOrder(A),
          groupOrder(B));
    return 0;
  }
  if (factorCount(A) != factorCount(B)) {
    Alert(routine, 2, 100201, "Different simple group multiplicities %d <--> %d", factorCount(A),
          factorCount(B));
    return 0;
  }
  if (A->n_orbits != B->n_orbits) {
    Alert(routine, 3, 100201, "Different number of orbits %d <--> %d", A->n_orbits, B->n_orbits);
    return 0;
  }
  if (A->weight_num == nullptr || B->weight_num == nullptr || !SM_hasOrbitNumbers(A) || !SM_hasOrbitNumbers(B))
    return 0;
  const int n = B->n_primaries;
  std::fill(map, map + n, 0);
  MapSearch s;
  s.A = A;
  s.B = B;
  s.map = map;
  s.G = groupOrder(B);
  s.factors = factorCount(B);
  s.generators.resize(static_cast<std::size_t>(s.factors));
  s.candidates.resize(static_cast<std::size_t>(s.factors));
  s.images.assign(static_cast<std::size_t>(s.factors), 0);
  for (int i = 0; i < s.factors; ++i) {
    const int g = DG_basis(B->scgroup, i);
    s.generators[static_cast<std::size_t>(i)] = g;
    for (int c = 0; c < groupOrder(A); ++c) {
      obeyInterruptRequest();
      if (sameWeightModOne(A, c, B, g)) s.candidates[static_cast<std::size_t>(i)].push_back(c);
    }
    if (s.candidates[static_cast<std::size_t>(i)].empty()) return 0;
  }
  int result = 0;
  if (s.factors == 0) {
    result = evaluateGroupGeneratorsBody(0, nullptr, &s) == -1 ? 1 : 0;
  } else {
    std::vector<int> lo(static_cast<std::size_t>(s.factors), 0),
        hi(static_cast<std::size_t>(s.factors)), at(lo);
    for (int i = 0; i < s.factors; ++i)
      hi[static_cast<std::size_t>(i)] =
          static_cast<int>(s.candidates[static_cast<std::size_t>(i)].size()) - 1;
    result = NestedLoops(s.factors, lo.data(), hi.data(), at.data(), &s, nullptr,
                         evaluateGroupGeneratorsBody);
  }
  if (result <= 0) return 0;
  Print("Checking solution\n");
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    if (!sameWeightModOne(A, map[a], B, a)) {
      Alert(routine, 4, 100201, "Weight %d (map %d) different mod integers", a, map[a]);
      return 0;
    }
  }
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      obeyInterruptRequest();
      if (!SM_compareS(A, B, map[a], map[b], a, b)) {
        Alert(routine, 5, 100201, "Matrix element S(%d,%d) does not match S(%d,%d)", a, b, map[a],
              map[b]);
        return 0;
      }
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// The comparison

namespace {

void compareTable(const char* what, const int* x, const int* y, int n, bool presentX,
                  bool presentY) {
  if (presentX && presentY) {
    for (int a = 0; a < n; ++a)
      if (x[a] != y[a]) Print("Different %s for field %d: %d <--> %d\n", what, a, x[a], y[a]);
  }
}

}  // namespace

int SM_compareAlgebras(SpectrumData* A, SpectrumData* B) {
  Print("Comparing %s and %s\n", A->name, B->name);
  if (A->n_primaries != B->n_primaries) {
    Print("Different number of primaries: %d <--> %d\n", A->n_primaries, B->n_primaries);
    return 0;
  }
  const int n = A->n_primaries;
  if (A->weight_num != nullptr && B->weight_num != nullptr) {
    for (int a = 0; a < n; ++a) {
      if (static_cast<long long>(A->weight_num[a]) * B->weight_den !=
          static_cast<long long>(B->weight_num[a]) * A->weight_den)
        Print("Different weight for field %d: %d/%d <--> %d/%d\n", a, A->weight_num[a],
              A->weight_den, B->weight_num[a], B->weight_den);
    }
  }
  if (std::fabs(A->c - B->c) > kSTolerance)
    Print("Different central charge %7.2f <--> %7.2f\n", A->c, B->c);
  if (A->n_orbits != B->n_orbits)
    Print("Different number of orbits: %d <--> %d\n", A->n_orbits, B->n_orbits);
  Print("Types: (%d,%d,%d) <-->  (%d,%d,%d)\n", A->type, A->rank, A->level, B->type, B->rank,
        B->level);
  if (A->rep_size != B->rep_size) {
    Print("Different representation sizes: %d <--> %d\n", A->rep_size, B->rep_size);
  } else if (A->labels != nullptr && B->labels != nullptr) {
    for (int a = 0; a < n; ++a) {
      if (sameVectors(A->rep_size, storeLabelOf(A, a), storeLabelOf(B, a))) continue;
      Print("Different reps (field %d)\n", a);
      PrintVec(A->rep_size, storeLabelOf(A, a), "For 1");
      PrintVec(B->rep_size, storeLabelOf(B, a), "For 2");
    }
  }
  if (A->scgroup != B->scgroup) {
    Print("Different simple current pointers\n");
    Print("Algebra %s:\n", A->name);
    if (A->scgroup != nullptr) DG_print(A->scgroup);
    Print("Algebra %s:\n", B->name);
    if (B->scgroup != nullptr) DG_print(B->scgroup);
  }
  if (A->adjoint_dim != B->adjoint_dim)
    Print("Different adjoint dimension: %d <--> %d\n", A->adjoint_dim, B->adjoint_dim);
  if (A->dual_coxeter != B->dual_coxeter)
    Print("Different dual coxeter number: %d <--> %d\n", A->dual_coxeter, B->dual_coxeter);
  if (A->complex != B->complex) Print("Different complexity: %d <--> %d\n", A->complex, B->complex);
  if (A->symmetric != B->symmetric)
    Print("Different S_Symmetry: %d <--> %d\n", A->symmetric, B->symmetric);
  if (A->graded != B->graded) {
    Print("Different grading: %d <--> %d\n", A->graded, B->graded);
  } else if (A->graded == 1 && A->grading != nullptr && B->grading != nullptr) {
    for (int a = 0; a < n; ++a) {
      if (A->grading[a] != B->grading[a])
        Print("Different grade for field %d: %c <--> %c\n", a, A->grading[a], B->grading[a]);
      if (A->n2_multiplets != nullptr && B->n2_multiplets != nullptr &&
          A->n2_multiplets[a] != B->n2_multiplets[a])
        Print("Different NSR multiplet for field %d: %d <--> %d\n", a, A->n2_multiplets[a],
              B->n2_multiplets[a]);
    }
  }
  if (A->grade_current != B->grade_current)
    Print("Different grade current: %d <--> %d\n", A->grade_current, B->grade_current);
  if (A->validity != B->validity)
    Print("Different CFT validity: %d <--> %d\n", A->validity, B->validity);
  if (A->store_s != B->store_s)
    Print("Different S Storage parameters: %d <--> %d\n", A->store_s, B->store_s);
  if (SM_hasOrbitNumbers(A) && SM_hasOrbitNumbers(B) && A->orbit_base != nullptr && B->orbit_base != nullptr &&
      A->orbit_position != nullptr && B->orbit_position != nullptr) {
    for (int a = 0; a < n; ++a) {
      const int orbitA = SM_getOrbitNumber(A, a);
      const int orbitB = SM_getOrbitNumber(B, a);
      if (orbitA != orbitB || A->orbit_base[a] != B->orbit_base[a] || A->orbit_position[a] != B->orbit_position[a])
        Print("Different orbit data for field %d: (%d,%d,%d) <--> (%d,%d,%d)\n", a, orbitA, A->orbit_base[a],
              A->orbit_position[a], orbitB, B->orbit_base[a], B->orbit_position[a]);
    }
  }
  const int g = factorCount(A);
  if (g == factorCount(B) && g > 0) {
    const std::size_t gg = static_cast<std::size_t>(g);
    if (SM_hasCharges(A) && SM_hasCharges(B)) {
      std::vector<int> scratchA(gg), scratchB(gg);
      for (int a = 0; a < n; ++a) {
        const int* x = SM_getChargeRow(A, a, scratchA.data());
        const int* y = SM_getChargeRow(B, a, scratchB.data());
        if (sameVectors(g, x, y)) continue;
        Print("Different charges for field %d\n", a);
        PrintVec(g, x, "For field 1:");
        PrintVec(g, y, "For field 2:");
      }
    }
    if (A->stabilizers != nullptr && B->stabilizers != nullptr) {
      for (int a = 0; a < n; ++a) {
        const int* x = A->stabilizers + static_cast<std::size_t>(a) * gg;
        const int* y = B->stabilizers + static_cast<std::size_t>(a) * gg;
        if (sameVectors(g, x, y)) continue;
        Print("Different stabilizer for field %d\n", a);
        PrintVec(g, x, "For field 1:");
        PrintVec(g, y, "For field 2:");
      }
    }
  }
  const int k = A->n_fp_currents;
  if (k == B->n_fp_currents) {
    if (A->fcft_labels != nullptr && B->fcft_labels != nullptr) {
      for (int i = 0; i < k; ++i) {
        for (int a = 0; a < n; ++a) {
          const int x = A->fcft_labels[static_cast<std::size_t>(i) * n + a];
          const int y = B->fcft_labels[static_cast<std::size_t>(i) * n + a];
          if (x != y) Print("Different FCFT labels: FCFT %d, field %d, %d <--> %d\n", i, a, x, y);
        }
      }
    }
    if (A->fcft_shift != nullptr) PrintVec(k, A->fcft_shift, "Shifts For 1");
    if (B->fcft_shift != nullptr) PrintVec(k, B->fcft_shift, "Shifts For 2");
    if (A->fcft_shift != nullptr && B->fcft_shift != nullptr &&
        !sameVectors(k, A->fcft_shift, B->fcft_shift)) {
      Print("Different FCFT shifts\n");
      PrintVec(k, A->fcft_shift, "For 1");
      PrintVec(k, B->fcft_shift, "For 2");
    }
    if (A->fp_currents != nullptr && B->fp_currents != nullptr &&
        !sameVectors(k, A->fp_currents, B->fp_currents)) {
      Print("Different fixed point currents\n");
      PrintVec(k, A->fp_currents, "For 1");
      PrintVec(k, B->fp_currents, "For 2");
    }
  } else {
    Print("Different FCFT number: %d <--> %d\n", k, B->n_fp_currents);
  }
  compareTable("dimensions", A->dims, B->dims, n, A->dims != nullptr, B->dims != nullptr);
  if (A->dims == nullptr) Print("No dimensions defined for algebra 1\n");
  if (B->dims == nullptr) Print("No dimensions defined for algebra 2\n");
  if (A->conjugates != nullptr && B->conjugates != nullptr) {
    for (int a = 0; a < n; ++a)
      if (A->conjugates[a] != B->conjugates[a])
        Print("Different Conjugates for field %d: %d <--> %d\n", a, A->conjugates[a],
              B->conjugates[a]);
  }
  if (A->conjugates == nullptr) Print("No Conjugates defined for algebra 1\n");
  if (B->conjugates == nullptr) Print("No Conjugates defined for algebra 2\n");
  if (SM_hasGravitinoAction(A) && SM_hasGravitinoAction(B)) {
    for (int a = 0; a < n; ++a) {
      const int x = SM_getGravitinoImage(A, a);
      const int y = SM_getGravitinoImage(B, a);
      if (x != y) Print("Different GravitinoAction for field %d: %d <--> %d\n", a, x, y);
    }
  }
  if (!SM_hasGravitinoAction(A)) Print("No GravitinoAction defined for algebra 1\n");
  if (!SM_hasGravitinoAction(B)) Print("No GravitinoAction defined for algebra 2\n");
  Print("Comparing S\n");
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      obeyInterruptRequest();
      double reA = 0.0, imA = 0.0, reB = 0.0, imB = 0.0;
      SM_getS(A, a, b, &reA, &imA);
      SM_getS(B, a, b, &reB, &imB);
      if (std::fabs(reA - reB) > kSTolerance || std::fabs(imA - imB) > kSTolerance)
        Print("Different S(%d,%d): (%15.7f,%15.7f) <--> (%15.7f,%15.7f)\n", a, b, reA, imA, reB,
              imB);
    }
  }
  Print("Comparing fixed point CFT's\n");
  if (A->fcft != nullptr && B->fcft != nullptr) {
    for (int i = 0; i < std::min(k, B->n_fp_currents); ++i) {
      if (A->fcft[i] != nullptr && B->fcft[i] != nullptr && A->fcft[i] != A && B->fcft[i] != B)
        SM_compareAlgebras(A->fcft[i], B->fcft[i]);
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// The re-centred theory

SpectrumData* SM_createCenter(SpectrumData* source, const IntList* group, const char* name) {
  if (SM_findCFT(name) != nullptr) {
    Alert("SM_createCenter", 0, 100202, "Name %s is already in use", name);
    return nullptr;
  }
  if (source->weight_num == nullptr || source->n_primaries < 1) {
    Alert("SM_createCenter", 1, 100202, "Algebra %s has no fields", source->name);
    return nullptr;
  }
  SpectrumData* sd = allocateSpectrumData(name);
  sd->base = source;
  sd->type = kStoreTypeRecentred;
  sd->rank = 0;
  sd->level = 0;
  sd->rep_size = source->rep_size;
  sd->n_primaries = source->n_primaries;
  sd->adjoint_dim = source->adjoint_dim;
  sd->dual_coxeter = source->dual_coxeter;
  sd->complex = source->complex;
  sd->c = source->c;
  sd->validity = source->validity;
  sd->weight_den = source->weight_den;
  sd->weights_exact = source->weights_exact;
  sd->scgroup = DG_trivial();
  SM_allocFieldInfo_Weights(sd);
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Map(sd);
  const int n = sd->n_primaries;
  if (sd->weight_num == nullptr || sd->field_map == nullptr) return sd;
  for (int a = 0; a < n; ++a) {
    if (sd->labels != nullptr && source->labels != nullptr)
      std::copy(storeLabelOf(source, a), storeLabelOf(source, a) + sd->rep_size,
                storeLabelOf(sd, a));
    sd->weight_num[a] = source->weight_num[a];
    sd->exact[a] = source->exact == nullptr ? 0 : source->exact[a];
    sd->field_map[a] = a;
    sd->field_map[n + a] = a;
  }
  sd->use_orbits = 0;
  SM_genericReorder(sd, group, nullptr, nullptr, sd);
  return sd;
}

// ---------------------------------------------------------------------------------------
// Look-ups by label

int SM_identifyDynkinLabels(int n, SpectrumData* sd, const int* labels, int unique) {
  if (sd->labels == nullptr || n > sd->rep_size) return -1;
  int found = -1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (!std::equal(labels, labels + n, storeLabelOf(sd, a))) continue;
    if (unique == 0) {
      Print("Field %d\n", a);
      continue;
    }
    if (found >= 0) {
      Alert("SM_identifyDynkinLabels", 0, 100201, "Label not unique");
      return -1;
    }
    found = a;
  }
  return unique == 0 ? -1 : found;
}

int SM_getNextMinimalWeight(const SpectrumData* sd, const int* used) {
  int best = -1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (used[a] != 0) continue;
    if (best < 0 || sd->weight_num[a] < sd->weight_num[best]) best = a;
  }
  return best;
}
