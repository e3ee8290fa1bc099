// Orbit queries read by the intersection routines of the string layer: Ishibashi-orbit
// representatives, boundary-current orbits seen from any member, the inverse current
// action and the group charges of the trivial orientifold; and the counter report hook.
#include "boundaries/CrossBoundInternal.h"

namespace {

struct CounterReportState {
  void (*report)() = nullptr;
};

// Installed once at start-up by the layer above; a reset of this module keeps it.
CounterReportState& counterReport() {
  static CounterReportState s;
  return s;
}

bool orbitsReady() { return CrossBoundOrbitsAvailable() == 1; }

bool validLabel(int a, int count) { return a >= 0 && a < count; }

const BoundaryLabel& representative(const std::vector<BoundaryLabel>& labels, int a) {
  const int rep = labels[static_cast<size_t>(a)].orbitRep;
  return labels[static_cast<size_t>(rep >= 0 ? rep : a)];
}

}  // namespace

int getIshibashiFieldForOrbit(int k) {
  const CrossBoundState& s = crossBoundState();
  if (!orbitsReady()) return getIshibashiField(k);
  if (!validLabel(k, static_cast<int>(s.IshiOrbitMap.size()))) return -1;
  return getIshibashiField(s.IshiOrbitMap[static_cast<size_t>(k)]);
}

int getIshibashiOrbitSize_orb(int k) {
  const CrossBoundState& s = crossBoundState();
  if (!orbitsReady()) return validLabel(k, s.IshibashiLabelCount) ? 1 : 0;
  if (!validLabel(k, static_cast<int>(s.IshiOrbitMap.size()))) return 0;
  return getIshibashiOrbitSize(s.IshiOrbitMap[static_cast<size_t>(k)]);
}

void getCurrentReflectionCoefficient_orb(int k, int a, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  int m = k;
  if (orbitsReady()) m = validLabel(k, static_cast<int>(s.IshiOrbitMap.size())) ? s.IshiOrbitMap[static_cast<size_t>(k)] : -1;
  if (m < 0) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  getCurrentReflectionCoefficient(m, a, re, im);
}

const std::vector<int>& getBoundaryOrbit(int a, std::vector<int>* out) {
  const CrossBoundState& s = crossBoundState();
  out->clear();
  if (!validLabel(a, s.BoundaryLabelCount)) return *out;
  if (!orbitsReady()) {
    out->push_back(a);
    return *out;
  }
  // a = J_c r for its representative r, so J_k a = J_(k c) r.
  const BoundaryLabel& label = s.BoundaryLabels[static_cast<size_t>(a)];
  const BoundaryLabel& rep = representative(s.BoundaryLabels, a);
  const int order = s.BoundaryOrder;
  for (int k = 0; k < order; ++k) {
    const int product = s.BoundaryCurMultTable[static_cast<size_t>(k * order + label.currentIndex)];
    const bool known = product >= 0 && product < static_cast<int>(rep.orbit.size());
    out->push_back(known ? rep.orbit[static_cast<size_t>(product)] : -1);
  }
  return *out;
}

int FastBoundaryCurrentInverseFusion(int k, int a) {
  const CrossBoundState& s = crossBoundState();
  if (!validLabel(a, s.BoundaryLabelCount)) return -1;
  if (!orbitsReady()) return k == 0 ? a : -1;
  if (!validLabel(k, s.BoundaryOrder)) return -1;
  const int inverse = s.BoundaryCurrentInverse[static_cast<size_t>(k)];
  const BoundaryLabel& label = s.BoundaryLabels[static_cast<size_t>(a)];
  const BoundaryLabel& rep = representative(s.BoundaryLabels, a);
  const int product =
      s.BoundaryCurMultTable[static_cast<size_t>(inverse * s.BoundaryOrder + label.currentIndex)];
  if (product < 0 || product >= static_cast<int>(rep.orbit.size())) return -1;
  return rep.orbit[static_cast<size_t>(product)];
}

const std::vector<int>& getTrivialModInvGroupCharges() {
  CrossBoundState& s = crossBoundState();
  static const std::vector<int> none;
  if (s.Trivial == nullptr || !orbitsReady()) return none;
  loadModInvGroupCharges(s.Trivial.get());
  return s.Trivial->groupCharges;
}

void printCounters() {
  if (counterReport().report != nullptr) counterReport().report();
}

void setCounterReport(void (*report)()) { counterReport().report = report; }
