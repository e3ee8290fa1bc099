// Open-string tachyons of boundaries, pairs and configurations, and the six-dimensional
// gauge sector. The pair cache has one cell per pair of conjugation classes of boundaries
// (a boundary and its conjugate share a class), -2 until asked; it is rebuilt by
// TachyonicIntersection(record, -1, .) whenever the boundaries change.
#include "strings/OpenTachyons.h"

#include <algorithm>
#include <cstdlib>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"

namespace {

void selectRecord(const OrientifoldInfo* record) {
  if (record != nullptr && record->listPosition >= 0) setStoredOrientifold(record->listPosition);
}
int currentPrimaries() { return TotalPrimaries != nullptr ? *TotalPrimaries : 0; }
int tachyonicField(int i) { return masslessCharacter(i, 1); }

const OpenAmplitudes kBoundaryLayer = {getAnnulus,      getMoebius,        orientifoldConjugate, selectRecord,
                                       TotalBoundaries, currentPrimaries, tachyonicField};

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

int conjugateOf(const OrientifoldInfo* record, int a) {
  const int c = amplitudes().conjugate(record, a);
  return c < 0 ? a : c;
}

}  // namespace

void setOpenAmplitudes(const OpenAmplitudes* access) {
  state().access = access != nullptr ? access : &kBoundaryLayer;
  state().ready = false;
}

void resetOpenTachyons() { state() = OpenTachyonsState(); }

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
