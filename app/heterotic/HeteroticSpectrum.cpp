// The heterotic string spectrum of one simple-current invariant of the tensor product: its
// left chiral algebra and root pattern, the class and catalogue number of the gauge
// algebra, the right algebra with the numbers of singlets, spinors and vectors, the
// massless spectrum as multiplicities of (right, left) representation pairs of the
// heterotic factors, and then charge quanta, exotics and anomalies. The tables of the last
// call stay until the next one, for the printers and analyses that read them.
#include <algorithm>
#include <string>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

HeteroticFilterInfo* filterOf(SimpleCurrentData* MD) {
  return static_cast<HeteroticFilterInfo*>(MD->context);
}

int drawRandom(int n) {
  HeteroticRandomSource source = heteroticState().randomSource;
  return source != nullptr ? source(n) : randomNumber(n);
}

// Adds the product of the left dimensions of a row to the pattern entry of its root.
void addToPattern(TensorProduct* tensor, const int* row) {
  HeteroticState& s = heteroticState();
  const int n = factorCount(tensor);
  const int root = s.patternRoots.find(row);
  if (root < 0) {
    PrintVec(n, row, "Unknown");
    return;
  }
  int product = 1;
  for (int f = 0; f < n; ++f)
    product *= s.dimsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(row[f])];
  s.pattern[static_cast<std::size_t>(root)] += product;
}

void storeSpectrum(SimpleCurrentData* MD, const HeteroticSpectrumSummary& summary) {
  HeteroticState& s = heteroticState();
  ++s.storedSpectra;
  (s.spectrumStore != nullptr ? s.spectrumStore : storeHeteroticSpectrum)(MD, summary);
}

// The end of an invariant through a fault: the warning was given; counted and skipped.
int skipInvariant() {
  countSkippedInvariant();
  return 0;
}

class ProgressDisplay {
 public:
  explicit ProgressDisplay(bool on) : on_(on) {}
  ~ProgressDisplay() { stop(); }
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;
  void start(const char* name, double total) {
    if (!on_) return;
    stop();
    name_ = name;
    startProgressInfo(name, 0, total);
    running_ = true;
  }
  // True when the user asked to stop (the line is then ended). A pending Ctrl-C is obeyed
  // also while no line is shown.
  bool step() {
    if (!running_) {
      obeyInterruptRequest();
      return false;
    }
    if (incrementProgressInfo() == 0) return false;
    running_ = false;
    return true;
  }
  void stop() {
    if (running_) stopProgressInfo(name_);
    running_ = false;
  }
  bool on() const { return on_; }

 private:
  bool on_;
  bool running_ = false;
  const char* name_ = "";
};

}  // namespace

int determineAlgebra(int* Q_alg, int* Q_cft, int* type, const int* pattern) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  const int D = s.commonDenominator;
  if (s.patternRoots.size() == 0) {
    Alert("determineAlgebra", 0, 212204, "Invalid root count %d\n", 0);
    return 0;
  }
  int count = 0;
  for (int r = 0; r < s.patternRoots.size(); ++r)
    if (pattern[r] != 0 && s.patternRoots.row(r)[h] % D == 0) ++count;
  struct Entry {
    int roots, alg, cft, type;
  };
  static constexpr Entry kTable[] = {{1, 1, 1, 0}, {2, 1, 2, 1},  {3, 1, 3, 2},  {5, 1, 1, 3},
                                     {6, 6, 6, 4}, {10, 1, 2, 5}, {15, 3, 3, 6}, {30, 6, 6, 7}};
  for (const Entry& e : kTable) {
    if (e.roots == count) {
      *Q_alg = e.alg;
      *Q_cft = e.cft;
      *type = e.type;
      return count;
    }
  }
  Alert("determineAlgebra", 1, 212204, "Invalid root count %d\n", count);
  return count;
}

const std::vector<int>& optimizedPattern(TensorProduct* tensor, const std::vector<int>& pattern) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  s.optimized = pattern;
  std::vector<int> candidate(pattern.size());
  std::vector<int> labels(static_cast<std::size_t>(h));
  for (int variant = 1; variant < 4; ++variant) {
    std::fill(candidate.begin(), candidate.end(), 0);
    for (int r = 0; r < s.patternRoots.size() && r < static_cast<int>(pattern.size()); ++r) {
      if (pattern[static_cast<std::size_t>(r)] == 0) continue;
      const int* root = s.patternRoots.row(r);
      std::copy(root, root + h, labels.begin());
      for (int f : {2, 3}) {
        const bool flip = (f == 2 && (variant & 1) != 0) || (f == 3 && (variant & 2) != 0);
        if (!flip || f >= h) continue;
        const int c = SM_getConjugate(factorTheory(tensor, f), labels[static_cast<std::size_t>(f)]);
        if (c >= 0) labels[static_cast<std::size_t>(f)] = c;
      }
      const int image = s.patternRoots.find(labels.data());
      if (image >= 0)
        candidate[static_cast<std::size_t>(image)] += pattern[static_cast<std::size_t>(r)];
    }
    if (std::lexicographical_compare(candidate.begin(), candidate.end(), s.optimized.begin(),
                                     s.optimized.end()))
      s.optimized = candidate;
  }
  return s.optimized;
}

int GSC_computeHeteroticStringSpectrum(SimpleCurrentData* MD) {
  HeteroticState& s = heteroticState();
  HeteroticFilterInfo* record = MD == nullptr ? nullptr : filterOf(MD);
  if (record == nullptr || record->tensor == nullptr || MD->group == nullptr ||
      static_cast<int>(s.weightsLeft.size()) != factorCount(record->tensor) ||
      s.chiralAlgebra.rowLength() != factorCount(record->tensor) ||
      record->group.rowLength() != factorCount(record->tensor) ||
      heteroticFactorCount() > factorCount(record->tensor) ||
      s.patternRoots.rowLength() != heteroticFactorCount() + 2) {
    Alert("GSC_computeHeteroticStringSpectrum", 7, 212204,
          "No heterotic set-up for this invariant");
    return skipInvariant();
  }
  TensorProduct* tensor = record->tensor;
  const DGType* G = MD->group;
  const int n = factorCount(tensor);
  const int h = heteroticFactorCount();
  const int D = s.commonDenominator;
  const int C = s.chargeCommonDenominator;
  const int order = G->order;
  s.fault.clear();

  // 1. Start.
  s.modelStartTime = CPUTime();
  s.moves.reset(n);
  s.pattern.assign(static_cast<std::size_t>(s.patternRoots.size()), 0);
  s.actions.assign(static_cast<std::size_t>(order), -2);
  if (s.modelCount++ == 0) s.startTime = s.modelStartTime;
  s.leftAlgebra.reset(n);
  if (settingOn(s.fullSpectrum) != 0) s.fullSpectrumRows.reset(n + 3, n + 1);
  if (MD->kernels.empty()) getXKernels(MD);
  makeChargeMap(MD);
  const int K = MD->kernel_size;
  const int* leftKernel = MD->kernels.data();
  const int* rightKernel = MD->kernels.data() + order;

  // 2. Progress, only where progress may be shown.
  bool display = false;
  if (ProgressInfoAllowed() != 0) {
    if (record->generators.size() >= 7) {
      display = true;
    } else if (drawRandom(10000) == 50) {
      display = true;
      Print("Progress info printed (by random selection)\n");
    }
  }
  ProgressDisplay progress(display);
  auto stopped = [&]() {
    if (!progress.step()) return false;
    setStopSignal(1);
    return true;
  };
  if (display) {
    Print("Total number of filter currents: %d\n", record->group.size());
    progress.start("Computing Left Algebra", s.chiralAlgebra.size());
  }

  // 3. Left algebra.
  std::vector<int> b(static_cast<std::size_t>(n)), w(static_cast<std::size_t>(n));
  for (int a = 0; a < s.chiralAlgebra.size(); ++a) {
    if (stopped()) return 0;
    const int* element = s.chiralAlgebra.row(a);
    const int code = GSC_computeChargeCodeForCombination(MD, element);
    const int g = MD->chargeMap[static_cast<std::size_t>(code)];
    if (g == -1) continue;
    FastTensorSimpleAction(tensor, record->group.row(g), element, b.data());
    for (int k = 0; k < K; ++k) {
      FastTensorSimpleAction(tensor, record->group.row(leftKernel[k]), b.data(), w.data());
      bool added = false;
      s.leftAlgebra.add(w.data(), 1, &added);
      if (!added) continue;
      if (LeftMassCheck(tensor, w.data()) != 0 && SOtenCheck(tensor, w.data()) != 0) continue;
      addToPattern(tensor, w.data());
    }
  }
  if (!s.fault.empty()) return skipInvariant();
  // 4.
  if (display) {
    progress.stop();
    Print("Left algebra computation finished %15.7f secs. after start\n",
          CPUTime() - s.modelStartTime);
  }

  // 5. Normalisation of the left algebra.
  const int norm = s.leftAlgebra.size() > 0 ? s.leftAlgebra.count(0) : 0;
  for (int r = 0; r < s.leftAlgebra.size(); ++r) {
    if (s.leftAlgebra.count(r) == norm) continue;
    Print("Normalization error in left algebra\n");
    computeLeftAlgebra_slow(MD);
    for (int g = 0; g < record->generators.size(); ++g)
      PrintVec(n, record->generators.row(g), "Generator");
    Alert("GSC_computeHeteroticStringSpectrum", 0, 212204, "Normalization error in left algebra");
    break;
  }

  // 6. Forbidden currents.
  if (s.forbidden.rowLength() == n) {
    for (int r = 0; r < s.forbidden.size(); ++r) {
      if (s.leftAlgebra.find(s.forbidden.row(r)) < 0) continue;
      if (s.forbiddenCurrentMessage == 0) {
        Print("User-forbidden current in algebra\n");
        PrintVec(n, s.forbidden.row(r), "current");
        Print("Further occurrences will not be reported\n");
        s.forbiddenCurrentMessage = 1;
      }
      return 0;
    }
  }
  // 7.
  if (display) Print("Left algebra size: %d; Norm: %d\n", s.leftAlgebra.size(), norm);

  // 8. Exceptional filter.
  int E = 1;
  if (s.useExceptionalFilter == 1) {
    buildExceptionalLeftAlgebra(MD);
    const int first = s.exceptionalLeftAlgebra.size() > 0 ? s.exceptionalLeftAlgebra.count(0) : 0;
    for (int r = 0; r < s.exceptionalLeftAlgebra.size(); ++r) {
      if (s.exceptionalLeftAlgebra.count(r) == first) continue;
      Print("BUG!\n");
      Alert("GSC_computeHeteroticStringSpectrum", 1, 212204, "Normalization error in algebra");
    }
    std::fill(s.pattern.begin(), s.pattern.end(), 0);
    for (int r = 0; r < s.exceptionalLeftAlgebra.size(); ++r)
      addToPattern(tensor, s.exceptionalLeftAlgebra.row(r));
    E = first > 0 ? first : 1;
  }
  if (!s.fault.empty()) return skipInvariant();

  // 9. Algebra class.
  int type = 0, Q_alg = 0, Q_cft = 0;
  const int rootCount = determineAlgebra(&Q_alg, &Q_cft, &type, s.pattern.data());
  s.repCount.reset(2 * h);

  // 10. Dimension of the gauge algebra.
  int dim = 12;
  for (int f = h; f < n; ++f) dim += factorTheory(tensor, f)->adjoint_dim;
  for (int r = 0; r < s.patternRoots.size(); ++r)
    if (s.patternRoots.row(r)[h] <= D) dim += s.pattern[static_cast<std::size_t>(r)];
  lastAlgebraInfo() = HeteroticAlgebraInfo{rootCount, type, Q_alg, Q_cft, dim};

  // 11. Algebra catalogue.
  std::vector<int> P = optimizedPattern(tensor, s.pattern);
  if (!P.empty()) P[0] = 0;
  if (s.patternAlgebra.rowLength() != static_cast<int>(P.size())) {
    if (s.patternAlgebra.size() != 0)
      Alert("GSC_computeHeteroticStringSpectrum", 2, 212204,
            "Pattern algebra rows do not match the pattern roots");
    s.patternAlgebra.reset(static_cast<int>(P.size()));
  }
  bool newAlgebra = false;
  const int algebraNumber = s.patternAlgebra.add(P.data(), 1, &newAlgebra);
  if (newAlgebra) {
    if (algebraNumber != s.algebraCounter)
      Alert("GSC_computeHeteroticStringSpectrum", 3, 212204, "Algebra number is wrong: %d != %d",
            algebraNumber, s.algebraCounter);
    Print("Adding new algebra (Nr. %d)\n", algebraNumber);
    (s.algebraStore != nullptr ? s.algebraStore : storeHeteroticAlgebra)(algebraNumber, P);
    ++s.algebraCounter;
  }

  // 12.
  const std::vector<int> zero(static_cast<std::size_t>(n), 0);
  s.moves.add(zero.data(), 1);
  s.actions[0] = 0;

  // 13. Right algebra.
  s.rightAlgebra.reset(n);
  for (int k = 0; k < K; ++k) {
    const int* J = record->group.row(rightKernel[k]);
    bool local = true;
    for (int a = 1; a < s.chiralAlgebra.size() && local; ++a)
      local = IntegerTensorRatCharge(tensor, s.chiralAlgebra.row(a), J, C) % C == 0;
    if (local) s.rightAlgebra.add(J, 1);
  }
  const int rightNorm = s.rightAlgebra.size() > 0 ? s.rightAlgebra.count(0) : 0;
  for (int r = 0; r < s.rightAlgebra.size(); ++r)
    if (s.rightAlgebra.count(r) != rightNorm)
      Alert("GSC_computeHeteroticStringSpectrum", 4, 212204,
            "Normalization error in right algebra");

  // 14. Singlets, spinors and vectors.
  long long S = 0, V = 0, I = 0;
  std::vector<int> sRow(static_cast<std::size_t>(n));
  const int* identity = s.chiralAlgebra.size() > 0 ? s.chiralAlgebra.row(0) : zero.data();
  for (int r = 0; r < s.rightAlgebra.size(); ++r) {
    for (int a = 0; a < s.chiralAlgebra.size(); ++a) {
      if (FastTensorSimpleAction_Massless(tensor, s.chiralAlgebra.row(a), s.rightAlgebra.row(r),
                                          sRow.data()) != 0)
        continue;
      long long m = 1;
      for (int f = h; f < n; ++f)
        m *= fieldDimension(factorTheory(tensor, f), sRow[static_cast<std::size_t>(f)]);
      if (!s.heteroticSpinor.empty() &&
          std::equal(s.heteroticSpinor.begin(), s.heteroticSpinor.end(), sRow.begin()))
        S += m;
      if (!s.heteroticVector.empty() &&
          std::equal(s.heteroticVector.begin(), s.heteroticVector.end(), sRow.begin()))
        V += m;
      if (std::equal(sRow.begin(), sRow.end(), identity)) I += m;
    }
  }
  if (!s.fault.empty()) return skipInvariant();
  if (I == 0) {
    Alert("GSC_computeHeteroticStringSpectrum", 5, 212204,
          "Unexpected vanishing number of singlets");
    return -1;
  }
  const int Ns = static_cast<int>(S / I);
  const int Nv = static_cast<int>(V / I);

  // 15. Gauge multiplets.
  std::vector<int> repRow(static_cast<std::size_t>(2 * h), 0);
  for (int r = 0; r < s.patternRoots.size(); ++r) {
    const int q = s.pattern[static_cast<std::size_t>(r)];
    const int* root = s.patternRoots.row(r);
    if (q == 0 || root[h] >= D) continue;
    for (int f = 0; f < h; ++f) {
      repRow[static_cast<std::size_t>(f)] =
          s.selectedReps.size() > 0 && s.selectedReps.rowLength() == h ? s.selectedReps.row(0)[f]
                                                                       : 0;
      repRow[static_cast<std::size_t>(h + f)] = root[f];
    }
    // The pattern entry counts states; a multiplet counts representations: a colour
    // triplet and a weak doublet in their roles, otherwise the factor's own dimension.
    int qq = q;
    if (h > 0 && root[0] >= 1)
      qq /= playsStandardModelRole(0) ? 3 : std::max(1, getLeftDimension(0, root[0]));
    if (h > 1 && root[1] >= 1)
      qq /= playsStandardModelRole(1) ? 2 : std::max(1, getLeftDimension(1, root[1]));
    s.repCount.add(repRow.data(), -(E * Ns * qq));
  }

  // 16.
  const std::vector<int> distinct = CollectChiralAlgebraElementsWithDistinctCharges(MD);
  if (display) {
    PrintStdout("Right algebra analysis finished %15.7f secs. after start\n",
                CPUTime() - s.modelStartTime);
    progress.start("Computing heterotic spectrum", s.masslessFields.size());
  }

  // 17. Massless spectrum.
  std::vector<int> wRow(static_cast<std::size_t>(n)), mu(static_cast<std::size_t>(n));
  for (int i = 0; i < s.masslessFields.size(); ++i) {
    if (stopped()) return 0;
    const int* R = s.masslessFields.row(i);
    record->field = R;
    record->fieldIndex = i;
    int multiplicity = 1;
    for (int f = h; f < n; ++f) multiplicity *= fieldDimension(factorTheory(tensor, f), R[f]);
    record->rightMultiplicity = multiplicity;
    const int c = GSC_computeChargeCodeForCombination(MD, R);
    const int A = s.actions[static_cast<std::size_t>(c)];
    if (A != -2 && i != 0) {
      if (A != -1) {
        const std::vector<int> move(s.moves.row(A), s.moves.row(A) + n);
        GSC_analyseLeftRepresentation(MD, R, move.data());
      }
      continue;
    }
    bool local = true;
    for (int r = 1; r < s.rightAlgebra.size() && local; ++r)
      local = IntegerTensorRatCharge(tensor, R, s.rightAlgebra.row(r), C) % C == 0;
    if (!local) {
      s.actions[static_cast<std::size_t>(c)] = -1;
      continue;
    }
    bool found = false;
    for (int a : distinct) {
      const int* element = s.chiralAlgebra.row(a);
      FastTensorSimpleAction(tensor, element, R, wRow.data());
      const int g = MD->chargeMap[static_cast<std::size_t>(
          GSC_computeChargeCodeForCombination(MD, wRow.data()))];
      if (g == -1) continue;
      FastTensorSimpleAction(tensor, record->group.row(g), element, mu.data());
      const int row = s.moves.add(mu.data(), 1);
      s.actions[static_cast<std::size_t>(c)] = row;
      CompleteCodes(MD, s.actions, s.moves, c, mu.data(), order);
      GSC_analyseLeftRepresentation(MD, R, mu.data());
      found = true;
      break;
    }
    if (!found && c != 0) s.actions[static_cast<std::size_t>(c)] = -1;
  }
  if (!s.fault.empty()) return skipInvariant();
  // 18.
  if (display) {
    progress.stop();
    Print("Total time for full spectrum analysis%15.7f\n", CPUTime() - s.modelStartTime);
  }

  // 19. Exceptional normalisation.
  if (s.useExceptionalFilter == 1) {
    for (int r = 0; r < s.repCount.size(); ++r) {
      if (s.repCount.count(r) % E != 0) {
        Alert("GSC_computeHeteroticStringSpectrum", 6, 212404, "Normalization error in spectrum");
        GracefulExit(1);
      }
    }
    for (int r = 0; r < s.repCount.size(); ++r) s.repCount.setCount(r, s.repCount.count(r) / E);
  }

  // 20. Charge quanta.
  ChargeQuanta quanta;
  const int color = computeChargeQuanta(&quanta);
  if (quanta.q1 > quanta.q0) {
    flipColor();
    std::swap(quanta.q0, quanta.q1);
  }
  if (quanta.q0 != Q_cft) {
    PrintStdout("Exotics reduced: CFT quantum %d massless spectrum %d (flipped %d)\n", Q_cft,
                quanta.q0, quanta.q1);
    type += 100 * quanta.q0;
  }

  // 21. Anomalies and exotics.
  const int N2 = n > 2 ? factorTheory(tensor, 2)->n_primaries : 0;
  const int N3 = n > 3 ? factorTheory(tensor, 3)->n_primaries : 0;
  const int passes = color == 1 ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    if (pass == 1) flipColor();
    const bool last = pass == passes - 1;
    const int anomaly = GSC_computeAnomalies(0, N2, N3);
    HeteroticSpectrumSummary summary{type, 0, 0, algebraNumber, dim, Ns, Nv, anomaly};
    if (anomaly == -3) {
      PrintStdout("Fatal anomalies!(quitting after printout)\n");
      GSC_computeAnomalies(1, N2, N3);
      printRepCount("Fatal anomalies");
      GracefulExit(1);
    }
    int total = 0;
    const int e = findExotics(tensor, &total);
    summary.chiralExotics = e;
    summary.totalExotics = total;
    if (e >= 1 && last) {
      const int quantum = color == 1 ? quanta.q1 : quanta.q0;
      if (quantum == 6) {
        PrintStdout("Exotics in correctly quantized theory!\n");
        printRepCount("Exotics");
        GracefulExit(1);
      }
      return 0;
    }
    storeSpectrum(MD, summary);
    if (e < 1 || last) return 0;
  }
  return 0;
}

const HeteroticRows& getRepCount() {
  return heteroticState().repCount;
}
HeteroticRows& getRepCountForUpdate() {
  return heteroticState().repCount;
}
const HeteroticRows& getLeftAlgebra() {
  return heteroticState().leftAlgebra;
}
const HeteroticRows& getRightAlgebra() {
  return heteroticState().rightAlgebra;
}
const HeteroticRows& getFullSpectrum() {
  return heteroticState().fullSpectrumRows;
}
int getModelCount() {
  return heteroticState().modelCount;
}
void setHeteroticSpectrumStore(HeteroticSpectrumStore store) {
  heteroticState().spectrumStore = store;
}
void setHeteroticAlgebraStore(HeteroticAlgebraStore store) {
  heteroticState().algebraStore = store;
}
int getStoredSpectrumCount() {
  return heteroticState().storedSpectra;
}
void setHeteroticRandomSource(HeteroticRandomSource source) {
  heteroticState().randomSource = source;
}
