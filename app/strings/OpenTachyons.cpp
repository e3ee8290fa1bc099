// Open-string tachyons of boundaries, pairs and configurations, and the six-dimensional
// gauge sector. The pair cache has one cell per pair of conjugation classes of boundaries
// (a boundary and its conjugate share a class), -2 until asked; it is rebuilt by
// TachyonicIntersection(record, -1, .) whenever the boundaries change.
#include "strings/OpenTachyons.h"

#include <algorithm>
#include <cstdlib>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "lie/Branching.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "runtime/Parameters.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringBrowse.h"
#include "strings/StringTheory.h"

namespace {

void selectRecord(const OrientifoldInfo* record) {
  if (record != nullptr && record->listPosition >= 0) setStoredOrientifold(record->listPosition);
}
int currentPrimaries() { return knownPrimaryCount(); }
int tachyonicField(int i) { return masslessCharacter(i, 1); }

const OpenAmplitudes kBoundaryLayer = {getAnnulus,      getMoebius,        orientifoldConjugate, selectRecord,
                                       TotalBoundaries, currentPrimaries, tachyonicField, getKleinBottle};

struct OpenTachyonsState {
  const OpenAmplitudes* access = &kBoundaryLayer;
  std::vector<int> classOf;  // per boundary label its class
  std::vector<int> cells;    // K x K
  int classes = 0;
  bool ready = false;
};

OpenTachyonsState& state() {
  static OpenTachyonsState s;
  return s;
}

const OpenAmplitudes& amplitudes() { return *state().access; }

void resetClosedSectorMemo();

int conjugateOf(const OrientifoldInfo* record, int a) {
  const int c = amplitudes().conjugate(record, a);
  return c < 0 ? a : c;
}

}  // namespace

void setOpenAmplitudes(const OpenAmplitudes* access) {
  state().access = access != nullptr ? access : &kBoundaryLayer;
  state().ready = false;
}

void resetOpenTachyons() {
  state() = OpenTachyonsState();
  resetClosedSectorMemo();
}

const OpenAmplitudes& openAmplitudes() { return amplitudes(); }

int DiagonalTachyonCheckForCharacter(const OrientifoldInfo* record, int i, int a) {
  amplitudes().select(record);
  const int A = amplitudes().annulus(i, a, a);
  if (A == 0) return 0;
  return A + amplitudes().moebius(i, a) != 0 ? 1 : -1;
}

int DiagonalTachyonCheck(const OrientifoldInfo* record, int a) {
  const int n = amplitudes().primaries();
  if (n < 2) return 0;
  const int ac = conjugateOf(record, a);
  bool clear = true;
  for (int i = 1; i < n; ++i) {
    if (amplitudes().tachyonic(i) == 0) continue;
    int r = DiagonalTachyonCheckForCharacter(record, i, a);
    if (r == 1) return 1;
    if (r == -1) clear = false;
    if (ac != a) {
      r = DiagonalTachyonCheckForCharacter(record, i, ac);
      if (r == 1) return 1;
      if (amplitudes().annulus(i, a, ac) != 0) return 1;
      if (r == -1) clear = false;
    }
  }
  return clear ? 0 : -1;
}

int getTachyonFreeBoundaryLabels(const OrientifoldInfo* record, std::vector<int>* allow, std::vector<int>* avoid) {
  allow->clear();
  avoid->clear();
  const int L = amplitudes().boundaries();
  for (int b = 0; b < L; ++b) {
    const int bc = conjugateOf(record, b);
    if (b > bc) continue;
    const int answer = DiagonalTachyonCheck(record, b);
    if (b < bc) {
      if (answer == 0) {
        allow->push_back(b);
        allow->push_back(bc);
      } else if (answer == 1) {
        avoid->push_back(b);
        avoid->push_back(bc);
      }
    } else if (answer == 1) {
      // A real boundary is never allowed: its strings to itself decide alone.
      avoid->push_back(b);
    }
  }
  return L;
}

int TachyonicIntersection(const OrientifoldInfo* record, int a, int b) {
  OpenTachyonsState& s = state();
  if (a == -1) {
    const int L = amplitudes().boundaries();
    s.classOf.assign(static_cast<std::size_t>(std::max(L, 0)), -1);
    s.classes = 0;
    for (int x = 0; x < L; ++x) {
      if (s.classOf[static_cast<std::size_t>(x)] >= 0) continue;
      s.classOf[static_cast<std::size_t>(x)] = s.classes;
      const int xc = conjugateOf(record, x);
      if (xc >= 0 && xc < L) s.classOf[static_cast<std::size_t>(xc)] = s.classes;
      ++s.classes;
    }
    s.cells.assign(static_cast<std::size_t>(s.classes) * static_cast<std::size_t>(s.classes), -2);
    s.ready = true;
    return 0;
  }
  if (!s.ready) {
    Alert("TachyonicIntersection", 0, 112415, "Unexpected NULL pointer");
    return 0;
  }
  const int x = std::min(a, b);
  const int y = std::max(a, b);
  if (x < 0 || y >= static_cast<int>(s.classOf.size())) return 0;
  const std::size_t cell = static_cast<std::size_t>(s.classOf[static_cast<std::size_t>(x)]) +
                           static_cast<std::size_t>(s.classes) * s.classOf[static_cast<std::size_t>(y)];
  if (s.cells[cell] != -2) return s.cells[cell];
  const int xc = conjugateOf(record, x);
  const int yc = conjugateOf(record, y);
  int answer = 0;
  if (x == y || xc == y) {
    answer = DiagonalTachyonCheck(record, x);
  } else {
    const int n = amplitudes().primaries();
    for (int i = 1; i < n && answer == 0; ++i) {
      if (amplitudes().tachyonic(i) == 0) continue;
      if (amplitudes().annulus(i, x, y) != 0 || (xc != x && amplitudes().annulus(i, xc, y) != 0) ||
          (yc != y && amplitudes().annulus(i, x, yc) != 0) ||
          (xc != x && yc != y && amplitudes().annulus(i, xc, yc) != 0))
        answer = 1;
    }
  }
  // The cell is shared by the classes, so (a, b) and (b, a), (a, a*) and (a, a) agree.
  s.cells[cell] = answer;
  return answer;
}

int checkCPDforTachyons(const ChanPatonData* cpd) {
  for (int s = 0; s < cpd->stacks; ++s) {
    const int a = cpd->stackLabel[static_cast<std::size_t>(s)];
    for (int t = 0; t < cpd->stacks; ++t) {
      const int answer = TachyonicIntersection(cpd->orientifold, a, cpd->stackLabel[static_cast<std::size_t>(t)]);
      if (answer == 1) return 1;
      const int N = a >= 0 && a < static_cast<int>(cpd->multiplicity.size()) ? cpd->multiplicity[static_cast<std::size_t>(a)]
                                                                              : 0;
      if (answer == -1 && N != 1) return 1;
    }
  }
  return 0;
}

std::string closedMultiplicityText(int doubledCount) {
  if (doubledCount % 2 != 0) return formatText("Multiplicity: %d/2\n", doubledCount);
  return formatText("Multiplicity: %d\n", doubledCount / 2);
}

SixDimensionalGauge sixDimensionalGauge(const ChanPatonData* cpd, const std::vector<int>& massless,
                                        const std::vector<int>& weights, int hypers4) {
  SixDimensionalGauge g;
  const int L = static_cast<int>(cpd->multiplicity.size());
  g.groupOfLabel.assign(static_cast<std::size_t>(L), -1);
  auto N = [&](int a) { return a >= 0 && a < L ? cpd->multiplicity[static_cast<std::size_t>(a)] : 0; };
  for (int a = 0; a < L; ++a) {
    const int Na = N(a);
    if (Na == 0) continue;
    const int M0 = amplitudes().moebius(0, a);
    const int ac = conjugateOf(cpd->orientifold, a);
    auto newGroup = [&](char letter, int anomaly) {
      g.letter.push_back(letter);
      g.size.push_back(Na);
      g.anomaly.push_back(anomaly);
      return static_cast<int>(g.letter.size()) - 1;
    };
    if (M0 == 1 && a == ac) {
      g.groupOfLabel[static_cast<std::size_t>(a)] = newGroup('O', 4 * Na - 32);
    } else if (M0 == -1 && a == ac) {
      g.groupOfLabel[static_cast<std::size_t>(a)] = newGroup('S', 4 * Na + 32);
    } else if (M0 == 0 && a < ac) {
      const int group = newGroup('U', 8 * Na);
      g.groupOfLabel[static_cast<std::size_t>(a)] = group;
      if (ac < L) g.groupOfLabel[static_cast<std::size_t>(ac)] = group;
    } else if (!(M0 == 0 && a > ac)) {
      Alert("SixDimensionalAnalysis", 0, 212404,
            "Unexpected CP gauge group at boundary lbl %d (conjugate %d);\nMoebius contribution %d", a, ac, M0);
    }
    g.vectors2 += (N(ac) - M0) * Na;
  }
  g.hypers = hypers4;
  for (std::size_t l = 1; l < massless.size(); ++l) {
    const int i = massless[l];
    const int w = l < weights.size() ? weights[l] : 0;
    for (int a = 0; a < L; ++a) {
      const int Na = N(a);
      const int ga = g.groupOfLabel[static_cast<std::size_t>(a)];
      if (Na == 0 || ga < 0) continue;
      const int M = amplitudes().moebius(i, a);
      const int A = amplitudes().annulus(i, a, a);
      g.anomaly[static_cast<std::size_t>(ga)] -= 16 * M * w + 2 * A * w * Na;
      g.hypers += Na * w * (M + Na * A);
      const int ac = conjugateOf(cpd->orientifold, a);
      if (a < ac) {
        const int adjoint = amplitudes().annulus(i, a, ac);
        g.hypers += 2 * w * adjoint * Na * N(ac);
        g.anomaly[static_cast<std::size_t>(ga)] -= 4 * w * adjoint * Na;
      }
      for (int b = a + 1; b < L; ++b) {
        const int gb = g.groupOfLabel[static_cast<std::size_t>(b)];
        if (N(b) == 0 || b == ac || gb < 0) continue;
        const int bif = amplitudes().annulus(i, a, b);
        g.hypers += 2 * w * bif * Na * N(b);
        g.anomaly[static_cast<std::size_t>(ga)] -= 2 * w * bif * N(b);
        g.anomaly[static_cast<std::size_t>(gb)] -= 2 * w * bif * Na;
      }
    }
  }
  return g;
}

int gravitationalAnomalyMismatch(int vectors, int closedHypers, int tensors2, int hypers) {
  return vectors + closedHypers - (14 * tensors2 + hypers - 252);
}

// ---------------------------------------------------------------------------------------
// Closed sector

namespace {

struct ClosedSectorMemo {
  bool valid = false;
  int bulk = -1;
  int orientifold = -1;
  int d = 0;
  SusyType left;
  SusyType right;
  int supersymmetric = 0;
  std::vector<int> summary;
};

ClosedSectorMemo& memo() {
  static ClosedSectorMemo m;
  return m;
}

bool sameType(const SusyType& a, const SusyType& b) {
  return a.type == b.type && a.rank == b.rank && a.chirality == b.chirality;
}

// Adds count to the stored vector equal to v, or stores v; nothing for a zero vector or
// count. The store grows as needed.
void addVector(std::vector<std::vector<int>>* vectors, std::vector<int>* counts, const std::vector<int>& v, int count) {
  if (count == 0 || std::all_of(v.begin(), v.end(), [](int x) { return x == 0; })) return;
  for (std::size_t k = 0; k < vectors->size(); ++k)
    if ((*vectors)[k] == v) {
      (*counts)[k] += count;
      return;
    }
  vectors->push_back(v);
  counts->push_back(count);
}

// The classes of field i with their weights: the vacuum has the adjoint class alone. A
// half whose algebra has fewer classes than the space-time algebra (an extension, such as
// E8 from D8) takes only those it has.
void classesOf(int i, int type, int rank, const SusyType& half, std::vector<int>* classes, std::vector<int>* weights) {
  classes->clear();
  weights->clear();
  if (i == 0) {
    classes->push_back(kAdjointClass);
    weights->push_back(1);
    return;
  }
  const std::array<int, 4> rep = getRepInfo(i);
  const int halfClasses = half.type == 0 ? 4 : RepCnt(half.type, half.rank);
  for (int k = 1; k < RepCnt(type, rank) && k < halfClasses && k < 4; ++k) {
    classes->push_back(k);
    weights->push_back(rep[static_cast<std::size_t>(k)]);
  }
}

void resetClosedSectorMemo() { memo() = ClosedSectorMemo(); }

}  // namespace

std::vector<int> OrderRepCount(const std::vector<int>& counts, const std::vector<std::vector<int>>& vectors, int d) {
  if (d != 4) {
    Alert("OrderRepCount", 0, 212404, "This routine should only be called in four dimensions");
    return {};
  }
  static const int kPatterns[6][4] = {{0, 1, 0, 1}, {1, 1, 0, 0}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 0}, {0, 0, 0, 1}};
  std::vector<int> summary(6, 0);
  for (std::size_t v = 0; v < vectors.size(); ++v)
    for (int p = 0; p < 6; ++p)
      if (vectors[v].size() >= 4 && std::equal(kPatterns[p], kPatterns[p] + 4, vectors[v].begin()))
        summary[static_cast<std::size_t>(p)] = counts[v];
  return summary;
}

std::vector<int> ClosedSectorAnalysis(SpaceTimeSymmetry* st, int d, int out) {
  ClosedSectorMemo& m = memo();
  const OrientifoldInfo* orientifold = getCurrentOrientifold();
  const int orientifoldSequence = orientifold != nullptr ? orientifold->sequence : -1;
  if (out == 0 && m.valid && m.bulk == QueryBulkInvariant() && m.orientifold == orientifoldSequence && m.d == d &&
      sameType(m.left, st->left) && sameType(m.right, st->right) && m.supersymmetric == st->supersymmetric) {
    Print("\nClosed sector as above\n\n");
    return m.summary;
  }
  BulkInvariant** slot = getCurrentBulk();
  BulkInvariant* bulk = slot != nullptr ? *slot : nullptr;
  const int* infoLevel = getIntParPointer("String_spectra info_level");
  if (infoLevel != nullptr && *infoLevel >= 1) printSusyMultiplets(st);
  const StringBlock* spectrum = getStringSpectrum(0);
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(spectrum, &type, &rank);
  const int length = d + 10;
  std::vector<std::vector<int>> vectors;
  std::vector<int> counts;
  const int passes = st->supersymmetric != 0 ? 1 : 2;
  const int n = knownPrimaryCount();
  std::vector<int> leftClasses, leftWeights, rightClasses, rightWeights;
  for (int pass = 1; pass <= passes; ++pass) {
    vectors.clear();
    counts.clear();
    for (int i = 0; bulk != nullptr && i < n && i < bulk->n_rows; ++i) {
      if (masslessCharacter(i, pass - 1) != 1) continue;
      if (bulk->orbits[static_cast<std::size_t>(i)] == nullptr || bulk->count[i] == 0) continue;
      const int K = amplitudes().klein(i);
      const int z = bulk->mult[i];
      classesOf(i, type, rank, st->left, &leftClasses, &leftWeights);
      for (int k = 0; k < bulk->count[i]; ++k) {
        const int j = bulk->orbits[static_cast<std::size_t>(i)][k];
        if (masslessCharacter(j, pass - 1) != 1) continue;
        const int jc = getConjugate(j);
        classesOf(jc, type, rank, st->right, &rightClasses, &rightWeights);
        for (std::size_t r = 0; r < leftClasses.size(); ++r) {
          const int wr = leftWeights[r];
          for (std::size_t s = 0; s < rightClasses.size(); ++s) {
            const int ws = rightWeights[s];
            auto part = [&](int sym) {
              std::vector<int> v = getSusyRepresentation(leftClasses[r], rightClasses[s], sym, st);
              v.resize(static_cast<std::size_t>(length), 0);
              return v;
            };
            if (leftClasses[r] == rightClasses[s] && i == jc) {
              addVector(&vectors, &counts, part(-1), z * wr * wr - K * wr);
              addVector(&vectors, &counts, part(1), z * wr * wr + K * wr);
            } else if (leftClasses[r] == rightClasses[s]) {
              addVector(&vectors, &counts, part(-1), z * wr * ws);
              addVector(&vectors, &counts, part(1), z * wr * ws);
            } else {
              addVector(&vectors, &counts, part(0), z * wr * ws);
            }
          }
        }
      }
    }
    if (pass == 2) Print(vectors.empty() ? "No tachyons in closed sector\n" : "!!!!! Tachyons !!!!!\n");
    for (std::size_t v = 0; v < vectors.size(); ++v) {
      Print("%s", closedMultiplicityText(counts[v]).c_str());
      Print("%s\n", printSpaceTimeRep(length, d, vectors[v].data(), st->supersymmetric).c_str());
    }
  }
  m.valid = true;
  m.bulk = QueryBulkInvariant();
  m.orientifold = orientifoldSequence;
  m.d = d;
  m.left = st->left;
  m.right = st->right;
  m.supersymmetric = st->supersymmetric;
  m.summary = d == 4 ? OrderRepCount(counts, vectors, d) : std::vector<int>();
  return m.summary;
}
