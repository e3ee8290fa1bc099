// Boundary classes and the class-member look-up of intersections. A class is a boundary
// together with its images under every orientifold of the search record; intersection
// numbers of members follow from the leader's row by orientation, so a pair is computed
// once per class.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"

namespace {

struct BoundaryClassesState {
  // Per boundary b: its leader r, the boundary current j and the orientifold o (-1 none)
  // with b = J_j r, or b = (J_j r)* under o.
  std::vector<int> leader, viaCurrent, viaOrientifold;
  std::vector<int> BoundaryClasses, BoundaryClassReality, BoundaryClassInverse;
  std::vector<int> ClassMap;
  std::vector<std::vector<std::int8_t>> rows;
  int NClass = -1;
  int usable = 0;
  int bulk = -1;
};

BoundaryClassesState& state() {
  static BoundaryClassesState s;
  return s;
}

std::size_t at(int i) { return static_cast<std::size_t>(i); }

SearchData* record() { return getSearchData(); }

int imageUnder(OrientifoldInfo* ori, int b) {
  if (ori == nullptr) return -1;
  loadOrientifoldConjugates(ori, 0);
  return orientifoldConjugate(ori, b);
}

std::int8_t fitByte(int v) { return v >= 127 || v < -127 ? kClassByteUnknown : static_cast<std::int8_t>(v); }

// The row of a's class (assigning the spare one first); nullptr after alert 120505.
std::vector<std::int8_t>* rowOfClass(int k) {
  BoundaryClassesState& s = state();
  if (k < 0 || k >= static_cast<int>(s.ClassMap.size())) return nullptr;
  if (s.ClassMap[at(k)] == -1) {
    if (s.NClass < 0) incrementBoundaryClassIntersectionPointer();
    std::fill(s.rows[at(s.NClass)].begin(), s.rows[at(s.NClass)].end(), kClassByteUnknown);
    s.ClassMap[at(k)] = s.NClass;
    incrementBoundaryClassIntersectionPointer();
  }
  return &s.rows[at(s.ClassMap[at(k)])];
}

}  // namespace

int getBoundaryClasses() {
  BoundaryClassesState& s = state();
  SearchData* sd = record();
  const int n = sd != nullptr ? sd->boundaries : TotalBoundaries();
  s.leader.assign(at(n), -1);
  s.viaCurrent.assign(at(n), -1);
  s.viaOrientifold.assign(at(n), -1);
  const int orientifolds = sd != nullptr && sd->orientifoldList != nullptr ? sd->orientifolds : 0;
  std::vector<int> orbit;
  auto claim = [&](int c, int r, int j, int o) {
    if (c < 0 || c >= n || s.leader[at(c)] != -1) return;
    s.leader[at(c)] = r;
    s.viaCurrent[at(c)] = j;
    s.viaOrientifold[at(c)] = o;
  };
  for (int b = 0; b < n; ++b) {
    if (s.leader[at(b)] != -1) continue;
    claim(b, b, 0, -1);
    // The boundary-current orbit first, then the images of its members under every
    // orientifold (a conjugate of -1 means none: nothing joins).
    getBoundaryOrbit(b, &orbit);
    const int size = static_cast<int>(orbit.size());
    for (int j = 0; j < size; ++j) claim(orbit[at(j)], b, j, -1);
    for (int j = 0; j < size; ++j) {
      const int member = orbit[at(j)];
      if (member < 0 || member >= n) continue;
      for (int o = 0; o < orientifolds; ++o) claim(imageUnder(sd->orientifoldList[o], member), b, j, o);
    }
  }
  s.BoundaryClasses.clear();
  s.BoundaryClassInverse.assign(at(n), -1);
  std::vector<int> classOfLeader(at(n), -1);
  for (int b = 0; b < n; ++b)
    if (s.leader[at(b)] == b && s.viaCurrent[at(b)] == 0 && s.viaOrientifold[at(b)] == -1) {
      classOfLeader[at(b)] = static_cast<int>(s.BoundaryClasses.size());
      s.BoundaryClasses.push_back(b);
    }
  s.BoundaryClassReality.assign(s.BoundaryClasses.size(), 1);
  for (int b = 0; b < n; ++b) {
    const int r = s.leader[at(b)];
    const int k = r >= 0 ? classOfLeader[at(r)] : -1;
    if (k < 0) {
      Alert("getBoundaryClasses", 0, 212404, "Incorrect class inverse");
      continue;
    }
    s.BoundaryClassInverse[at(b)] = k;
  }
  const int tension = sd != nullptr && sd->orientifoldList != nullptr ? sd->tensionOrientifolds : 0;
  for (int b = 0; b < n; ++b) {
    const int k = s.BoundaryClassInverse[at(b)];
    if (k < 0) continue;
    for (int o = 0; o < tension && s.BoundaryClassReality[at(k)] == 1; ++o) {
      const int c = imageUnder(sd->orientifoldList[o], b);
      if (c >= 0 && c != b) s.BoundaryClassReality[at(k)] = 0;
    }
  }
  return static_cast<int>(s.BoundaryClasses.size());
}

void initBoundaryClassStorage() {
  BoundaryClassesState& s = state();
  const int K = getBoundaryClasses();
  SearchData* sd = record();
  s.usable = sd != nullptr ? sd->usableBoundaries : 0;
  s.ClassMap.assign(at(K), -1);
  s.rows.clear();
  s.NClass = -1;
  s.bulk = QueryBulkInvariant();
}

int initBoundaryClasses() {
  if (state().bulk != QueryBulkInvariant()) initBoundaryClassStorage();
  if (state().NClass < 0) incrementBoundaryClassIntersectionPointer();
  return 0;
}

int incrementBoundaryClassIntersectionPointer() {
  BoundaryClassesState& s = state();
  ++s.NClass;
  if (static_cast<int>(s.rows.size()) <= s.NClass) s.rows.resize(at(s.NClass + 1));
  s.rows[at(s.NClass)].assign(at(2 * s.usable), kClassByteUnknown);
  return s.NClass;
}

void freeBoundaryClassIntersectionPointers() {
  BoundaryClassesState& s = state();
  s.rows.clear();
  std::fill(s.ClassMap.begin(), s.ClassMap.end(), -1);
  s.NClass = -1;
}

int getBoundaryClass(int b) {
  const BoundaryClassesState& s = state();
  return b >= 0 && b < static_cast<int>(s.BoundaryClassInverse.size()) ? s.BoundaryClassInverse[at(b)] : -1;
}

int getBoundaryClassSize() { return static_cast<int>(state().BoundaryClasses.size()); }

int getLeadingClassBoundary(int k) {
  const BoundaryClassesState& s = state();
  return k >= 0 && k < getBoundaryClassSize() ? s.BoundaryClasses[at(k)] : -1;
}

int getBoundaryClassReality(int k) {
  const BoundaryClassesState& s = state();
  return k >= 0 && k < getBoundaryClassSize() ? s.BoundaryClassReality[at(k)] : 0;
}

int storeIntersectionData(int row, int u, int x, int c) {
  BoundaryClassesState& s = state();
  if (row < 0 || row >= static_cast<int>(s.rows.size()) || u < 0 || u >= s.usable) {
    Alert("storeIntersectionData", 0, 120505, "BoundaryClassIntersectionPointers not allocated");
    return 1;
  }
  std::vector<std::int8_t>& r = s.rows[at(row)];
  r[at(u)] = fitByte(c);
  r[at(s.usable + u)] = fitByte(2 * x - c);
  return 0;
}

int FullIntersectionForClassMember(int a, int b, int* chirality) {
  BoundaryClassesState& s = state();
  *chirality = 0;
  if (getBoundaryClass(a) < 0 || b < 0 || b >= static_cast<int>(s.leader.size())) {
    Alert("FullIntersectionForClassMember", 0, 100302, "Boundary %d or %d has no class", a, b);
    return kIntersectionFailed;
  }
  const int r = s.leader[at(a)];
  const int j = s.viaCurrent[at(a)];
  const int o = s.viaOrientifold[at(a)];
  SearchData* sd = record();
  // X(J r, b) = X(r, J^-1 b) and X((J r)*, b) = X(b*, J r) = X(J^-1 b*, r).
  int image = b;
  if (o >= 0 && sd != nullptr && sd->orientifoldList != nullptr) {
    image = imageUnder(sd->orientifoldList[o], b);
    if (image < 0) image = b;  // no conjugate: the boundary is taken as its own image
  }
  const int u = j > 0 ? FastBoundaryCurrentInverseFusion(j, image) : image;
  if (u < 0) {
    Alert("FullIntersectionForClassMember", 3, 212404, "No boundary for the inverse of current %d on %d", j, image);
    return kIntersectionFailed;
  }
  const int sign = o >= 0 ? -1 : 1;
  int idx = sd != nullptr && u < static_cast<int>(sd->BoundaryMap.size()) ? sd->BoundaryMap[at(u)] : -1;
  if (idx >= s.usable) idx = -1;  // the rows were sized for another record
  int c = kClassByteUnknown, t = kClassByteUnknown;
  std::vector<std::int8_t>* row = nullptr;
  if (idx < 0) {
    Alert("FullIntersectionForClassMember", 1, 100218, "Intersection(*,%d) not in storage; recomputed each time", u);
  } else {
    row = rowOfClass(getBoundaryClass(a));
    if (row == nullptr) {
      Alert("FullIntersectionForClassMember", 2, 120505, "BoundaryClassIntersectionPointers not allocated");
      return kIntersectionFailed;
    }
    c = (*row)[at(idx)];
    t = (*row)[at(s.usable + idx)];
  }
  if (c == kClassByteUnknown || t == kClassByteUnknown) {
    const int x = ComputeIntersectionEntry(r, u, &c);
    if (x == kIntersectionFailed) return kIntersectionFailed;
    t = 2 * x - c;
    if (row != nullptr) {
      (*row)[at(idx)] = fitByte(c);
      (*row)[at(s.usable + idx)] = fitByte(t);
    }
  }
  *chirality = sign * c;
  return (*chirality + t) / 2;
}

int ComputeOverlapForClassMember(int a, int b) {
  int c = 0;
  return FullIntersectionForClassMember(a, b, &c);
}

int ComputeIntersectionForClassMember(int a, int b) {
  int c = 0;
  FullIntersectionForClassMember(a, b, &c);
  return c;
}

int GenericSMHiddenIntersection(int h, int hs, int mode, int n2, const int* pairs) {
  if (n2 < 2 || pairs == nullptr) return 0;
  if (mode < 0 || mode > 3) {
    Alert("GenericSMHiddenIntersection", 0, 212404, "Invalid argument in GenericSMHiddenIntersection");
    return 0;
  }
  if (mode == 3) return 0;
  auto count = [&](int p) {
    return ComputeOverlapForClassMember(p, h) + (hs >= 0 ? ComputeOverlapForClassMember(p, hs) : 0);
  };
  for (int i = 0; i + 1 < n2; i += 2) {
    const int p = pairs[i], q = pairs[i + 1];
    const bool distinct = q >= 0 && p != q;
    if (mode == 0 && (count(p) != 0 || (distinct && count(q) != 0))) return 1;
    if (mode == 1 && (ComputeIntersectionForClassMember(p, h) != 0 ||
                      (distinct && ComputeIntersectionForClassMember(q, h) != 0)))
      return 1;
    if (mode == 2 && distinct &&
        (ComputeIntersectionForClassMember(p, h) != 0 || ComputeIntersectionForClassMember(q, h) != 0))
      return 1;
  }
  return 0;
}

void resetBoundaryClasses() { state() = BoundaryClassesState(); }
