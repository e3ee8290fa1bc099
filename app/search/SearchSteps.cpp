// The brane-stack steps of the standard-model search: the weak stack b, the anti-quark
// stack c and the last stack d with the multiplicities N_c and N_d.
//
// The steps keep no state of their own; they overwrite the fields of `SM` for the candidate
// being examined. Tension budgets are in units of the dilaton coupling: a stack of N branes
// costs N dil on a real boundary and 2 N dil on a complex one (brane and image).
//
// The anomaly equations of N_c and N_d are rows (coefficient of N_c, coefficient of N_d,
// constant) meaning c N_c + d N_d + k = 0. With two unknowns the reduced system is at most
// two independent rows, kept here in a small record instead of a general collection.
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

// A stack whose dilaton coupling is this small has no tension: it cannot carry the budget
// arithmetic (which divides by the coupling).
constexpr double kZeroTension = 1e-7;
constexpr int kMaximalMultiplicity = 200;

// Pair indices in the record: ab, ac, ad, bc, bd, cd.
enum Pair { AB, AC, AD, BC, BD, CD };

struct Row {
  long long c = 0, d = 0, k = 0;
};

// Up to two independent rows in N_c, N_d.
struct MultiplicitySystem {
  Row rows[2];
  int count = 0;

  // 1 new, 0 dependent, -1 inconsistent with the stored rows.
  int add(long long c, long long d, long long k) {
    if (c == 0 && d == 0) return k == 0 ? 0 : -1;
    long long g = std::gcd(std::gcd(std::llabs(c), std::llabs(d)), std::llabs(k));
    if (g > 1) c /= g, d /= g, k /= g;
    if (count == 0) {
      rows[count++] = {c, d, k};
      return 1;
    }
    if (count == 1) {
      const Row& r = rows[0];
      if (c * r.d - d * r.c != 0) {
        rows[count++] = {c, d, k};
        return 1;
      }
      // Parallel coefficients: dependent when the constants scale alike.
      const bool same = (c * r.k == k * r.c) && (d * r.k == k * r.d);
      return same ? 0 : -1;
    }
    // Two independent rows fix the point; a further row either holds there or contradicts.
    const Row& r1 = rows[0];
    const Row& r2 = rows[1];
    const long long D = r1.c * r2.d - r2.c * r1.d;
    const long long xD = -r1.k * r2.d + r2.k * r1.d;
    const long long yD = -r1.c * r2.k + r2.c * r1.k;
    return c * xD + d * yD + k * D == 0 ? 0 : -1;
  }
};

int stackStep(int groupType) { return groupType == -1 ? 2 : 1; }
int braneFactor(int groupType) { return groupType == 0 ? 2 : 1; }
bool unitary(int groupType) { return groupType == 0; }

bool inList(const std::vector<int>* list, int b) {
  if (list == nullptr) return false;
  for (int x : *list)
    if (x == b) return true;
  return false;
}

// E_a .. E_d of the record for the current a, b, c, d (F the family count).
Row equationA() {
  const StandardModel& m = SM;
  return {-(m.Gamma[AC] + m.Delta[AC]), -(m.Gamma[AD] + m.Delta[AD]),
          m.antisymmetricTensors[0] - 2LL * getFamiliesRequired()};
}
Row equationB() {
  const StandardModel& m = SM;
  return {m.Gamma[BC] + m.Delta[BC], m.Gamma[BD] + m.Delta[BD],
          6LL * m.symmetricTensors[1] - 2LL * m.antisymmetricTensors[1] + 3LL * m.Gamma[AB] - 3LL * m.Delta[AB]};
}
Row equationC() {
  const StandardModel& m = SM;
  return {m.antisymmetricTensors[2] + m.symmetricTensors[2], m.Gamma[CD] + m.Delta[CD],
          4LL * (m.symmetricTensors[2] - m.antisymmetricTensors[2]) + 3LL * (m.Gamma[AC] - m.Delta[AC]) +
              2LL * (m.Gamma[BC] - m.Delta[BC])};
}
Row equationD() {
  const StandardModel& m = SM;
  return {m.Gamma[CD] - m.Delta[CD], m.antisymmetricTensors[3] + m.symmetricTensors[3],
          4LL * (m.symmetricTensors[3] - m.antisymmetricTensors[3]) + 3LL * (m.Gamma[AD] - m.Delta[AD]) +
              2LL * (m.Gamma[BD] - m.Delta[BD])};
}
bool holds(const Row& r, long long Nc, long long Nd) { return r.c * Nc + r.d * Nd + r.k == 0; }

const std::vector<int>* stackList(int stack);

int candidateCount(int stack) {
  const std::vector<int>* list = stackList(stack);
  return list != nullptr ? static_cast<int>(list->size()) : searchServices().usableCount();
}
int candidate(int stack, int i) {
  const std::vector<int>* list = stackList(stack);
  return list != nullptr ? (*list)[static_cast<std::size_t>(i)] : searchServices().usableBoundary(i);
}

// Acceptance of a candidate with N_c and N_d fixed: the hypercharge step. 1 when the
// caller must answer 1 at once (prescan), else 0.
int acceptCandidate() {
  if (SM.tensorCode != -1) raiseSuccessLevel(4);
  if (searchServices().accept(1) != 1) return 0;
  ++SM.hyperchargeFlag;
  notePreModel();
  if (getPreScan() >= 1) {
    setPreScanModelFound(getPreScanModelFound() + 1);
    return 1;
  }
  return 0;
}

bool overModelLimit() { return getPreModelCount() > searchSetting("SM_search maxconf"); }

}  // namespace

// Declared in SearchDriver.cpp's module: the candidate lists of the stacks.
const std::vector<int>* stackCandidateList(int stack);
const std::vector<int>* tachyonAllowList();
const std::vector<int>* tachyonAvoidList();

namespace {
const std::vector<int>* stackList(int stack) { return stackCandidateList(stack); }
}  // namespace

void getChiralRankTwoTensors(int x, int xImage, int orientifold, int* A, int* S) {
  *A = 0;
  *S = 0;
  if (x == xImage) return;
  int px = 0, qx = 0, pi = 0, qi = 0;
  searchServices().diagonal(orientifold, x, &px, &qx);
  searchServices().diagonal(orientifold, xImage, &pi, &qi);
  *A = ((px - qx) - (pi - qi)) / 2;
  *S = ((px + qx) - (pi + qi)) / 2;
}

bool applyFamilyCondition(int GammaAB, int DeltaAB) {
  const int nfamily = searchSetting("SM_search Nfamily");
  if (nfamily >= 1 && nfamily <= 3) {
    setFamiliesRequired(nfamily);
    return GammaAB + DeltaAB == nfamily;
  }
  if (nfamily == 0) {
    setFamiliesRequired(GammaAB + DeltaAB);
    return GammaAB + DeltaAB >= 1;
  }
  return true;
}

int findWeakSMBrane() {
  const SearchServices& sv = searchServices();
  raiseSuccessLevel(1);
  const int o = SM.orientifold;
  const int a = SM.branes[0];
  const int n = candidateCount(1);
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    const int b = candidate(1, i);
    if (tachyonAllowList() != nullptr && !inList(tachyonAllowList(), b)) continue;
    const int type = sv.groupType(o, b);
    if (type == 1) continue;
    const int bImage = sv.conjugate(o, b);
    if (bImage == a) continue;
    const double dil = sv.dilaton(b);
    const double budget = SM.tensionBudgets[0] + (bImage == b ? 2.0 : 4.0) * dil;
    SM.tensionBudgets[1] = budget;
    if (budget > -1e-8) continue;
    int Gamma = 0, Delta = 0;
    sv.intersection(o, a, b, &Gamma, &Delta);
    SM.Gamma[AB] = Gamma;
    SM.Delta[AB] = Delta;
    if (!applyFamilyCondition(Gamma, Delta)) continue;
    if (b != a && Delta > Gamma) continue;
    SM.pairIdentification[AB] = b == a ? 1 : (b == SM.branes[1] ? -1 : 0);
    SM.branes[2] = b;
    SM.branes[3] = bImage;
    int A = 0, S = 0;
    getChiralRankTwoTensors(b, bImage, o, &A, &S);
    SM.antisymmetricTensors[1] = A;
    SM.symmetricTensors[1] = S;
    if (S != 0) continue;
    SM.multiplicities[1] = 2;
    SM.groupTypes[1] = type;
    // One model per (a, b) pair in mode 1: the found flag starts afresh for every b.
    if (getPreScan() >= 1) setPreScanModelFound(0);
    findAntiquarkSMBrane();
    if ((getPreScan() == 2 || getPreScan() == 3) && getPreScanModelFound() > 0) break;
  }
  return 1;
}

int findAntiquarkSMBrane() {
  const SearchServices& sv = searchServices();
  raiseSuccessLevel(2);
  countSearch(StrongWeakDoubletCounter);
  const int o = SM.orientifold;
  const int a = SM.branes[0], aImage = SM.branes[1];
  const int b = SM.branes[2], bImage = SM.branes[3];
  const int n = candidateCount(2);
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    const int c = candidate(2, i);
    if (inList(tachyonAvoidList(), c)) continue;
    const int cImage = sv.conjugate(o, c);
    const double dil = sv.dilaton(c);
    // A zero-tension stack can hold any number of branes; it is never c.
    if (std::fabs(dil) < kZeroTension) continue;
    const double budget = SM.tensionBudgets[1] + (cImage == c ? 1.0 : 2.0) * dil;
    if (budget > 1e-8) continue;
    int Gamma = 0, Delta = 0;
    sv.intersection(o, a, c, &Gamma, &Delta);
    SM.Gamma[AC] = Gamma;
    SM.Delta[AC] = Delta;
    if (Gamma == 0 && Delta == 0) continue;
    sv.intersection(o, b, c, &Gamma, &Delta);
    SM.Gamma[BC] = Gamma;
    SM.Delta[BC] = Delta;
    SM.pairIdentification[AC] = c == a ? 1 : (c == aImage ? -1 : 0);
    SM.pairIdentification[BC] = c == b ? 1 : (c == bImage ? -1 : 0);
    SM.branes[4] = c;
    SM.branes[5] = cImage;
    SM.groupTypes[2] = sv.groupType(o, c);
    int A = 0, S = 0;
    getChiralRankTwoTensors(c, cImage, o, &A, &S);
    SM.antisymmetricTensors[2] = A;
    SM.symmetricTensors[2] = S;
    findLastSMBrane(-10);
    if (getPreScan() >= 1 && getPreScanModelFound() > 0) break;
  }
  return 0;
}

int MaximalMultiplicities(int* maxNc, int* maxNd) {
  const SearchServices& sv = searchServices();
  const double B2 = SM.tensionBudgets[1];
  const int tc = SM.groupTypes[2], td = SM.groupTypes[3];
  const double dilC = sv.dilaton(SM.branes[4]);
  const double dilD = sv.dilaton(SM.branes[6]);
  *maxNc = 0;
  *maxNd = 0;
  if (std::fabs(dilC) < kZeroTension || std::fabs(dilD) < kZeroTension) return 0;
  *maxNd = static_cast<int>((-B2 - stackStep(tc) * braneFactor(tc) * dilC) / (braneFactor(td) * dilD) + 0.001);
  *maxNc = static_cast<int>((-B2 - stackStep(td) * braneFactor(td) * dilD) / (braneFactor(tc) * dilC) + 0.001);
  return *maxNc >= 1 && *maxNd >= 1 ? 1 : 0;
}

int FastMultiplicityCheck() {
  if (SM.tensorCode == -1) return 1;
  const SearchServices& sv = searchServices();
  const int tc = SM.groupTypes[2], td = SM.groupTypes[3];
  const int Nc = SM.multiplicities[2], Nd = SM.multiplicities[3];
  double budget = SM.tensionBudgets[1] + Nc * braneFactor(tc) * sv.dilaton(SM.branes[4]);
  if (SM.stackCount == 4) budget += Nd * braneFactor(td) * sv.dilaton(SM.branes[6]);
  if (budget > 1e-8) return 0;
  if (tc == -1 && Nc % 2 != 0) return 0;
  if (SM.stackCount == 4 && td == -1 && Nd % 2 != 0) return 0;
  return 1;
}

int solveForMultiplicities(const int rows[2][3]) {
  const long long c1 = rows[0][0], d1 = rows[0][1], k1 = rows[0][2];
  const long long c2 = rows[1][0], d2 = rows[1][1], k2 = rows[1][2];
  const long long D = c1 * d2 - c2 * d1;
  if (D == 0) return 0;
  const long long xD = -k1 * d2 + k2 * d1;
  const long long yD = -c1 * k2 + c2 * k1;
  if (xD % D != 0) return 0;
  const long long Nc = xD / D;
  if (Nc < 1 || (SM.groupTypes[2] == -1 && Nc % 2 != 0)) return 0;
  SM.multiplicities[2] = static_cast<int>(Nc);
  if (yD % D != 0) return 0;
  const long long Nd = yD / D;
  if (Nd < 1) return 0;
  SM.multiplicities[3] = static_cast<int>(Nd);
  return 1;
}

namespace {

int solveSystem(const MultiplicitySystem& system) {
  const int rows[2][3] = {
      {static_cast<int>(system.rows[0].c), static_cast<int>(system.rows[0].d), static_cast<int>(system.rows[0].k)},
      {static_cast<int>(system.rows[1].c), static_cast<int>(system.rows[1].d), static_cast<int>(system.rows[1].k)}};
  return solveForMultiplicities(rows);
}

// The three-stack model without d: 1 when it passed the tests (the caller tries it).
bool threeStackMultiplicity() {
  StandardModel& m = SM;
  const int F = getFamiliesRequired();
  const int sum = m.Gamma[AC] + m.Delta[AC];
  const bool symplectic = m.groupTypes[2] == -1;
  long long Nc = 0;
  if (sum != 0) {
    const long long num = m.antisymmetricTensors[0] - 2LL * F;
    if (num % sum != 0) return false;
    Nc = num / sum;
  } else {
    if (F == 0 || m.antisymmetricTensors[0] != 2 * F) return false;
    if (std::abs(m.Gamma[AC]) % F != 0) return false;
    Nc = std::abs(m.Gamma[AC]) / F;
  }
  if (Nc < 1 || (symplectic && Nc % 2 != 0)) return false;
  m.multiplicities[2] = static_cast<int>(Nc);
  if (unitary(m.groupTypes[1]) && !holds(equationB(), Nc, 0)) return false;
  if (unitary(m.groupTypes[2]) && !holds(equationC(), Nc, 0)) return false;
  return true;
}

void clearEvents(int from) {
  int* events = searchEvents();
  for (int k = from; k < 20; ++k) events[k] = 0;
}

}  // namespace

int findLastSMBrane(int mode) {
  const SearchServices& sv = searchServices();
  StandardModel& m = SM;
  raiseSuccessLevel(3);
  m.hyperchargeFlag = 0;
  clearEvents(0);
  const int o = m.orientifold;

  if (unitary(m.groupTypes[1]) || unitary(m.groupTypes[2])) {
    if (threeStackMultiplicity() && (mode < 0 || mode == 10)) {
      const int savedNd = m.multiplicities[3];
      m.multiplicities[3] = 0;
      sv.threeStack(0);
      m.stackCount = 3;
      if (FastMultiplicityCheck() == 1) {
        if (m.tensorCode != -1) raiseSuccessLevel(4);
        if (sv.accept(1) == 1) {
          ++m.hyperchargeFlag;
          notePreModel();
          searchEvents()[0] = 1;
        }
      }
      sv.threeStack(1);
      m.stackCount = 4;
      m.multiplicities[3] = savedNd;
    }
  }

  countSearch(ABCCounter);
  m.stackCount = 4;
  if (mode == -2) return 0;
  const bool allD = mode == -10;
  const int passes = allD ? candidateCount(3) : 1;
  const int c = m.branes[4], cImage = m.branes[5];
  const int a = m.branes[0], b = m.branes[2];

  for (int i = 0; i < passes; ++i) {
    obeyInterruptRequest();
    if (overModelLimit()) return m.hyperchargeFlag;
    countSearch(ABCDCounter);
    const int d = allD ? candidate(3, i) : mode;
    int maxNc = kMaximalMultiplicity, maxNd = kMaximalMultiplicity;
    if (m.tensorCode != -1 && mode != 10) {
      if (inList(tachyonAvoidList(), d)) continue;
      m.groupTypes[3] = sv.groupType(o, d);
      if (d == c || d == cImage) continue;
      m.branes[6] = d;
      m.branes[7] = sv.conjugate(o, d);
      if (MaximalMultiplicities(&maxNc, &maxNd) != 1) continue;
      int Gamma = 0, Delta = 0;
      sv.intersection(o, a, d, &Gamma, &Delta);
      m.Gamma[AD] = Gamma, m.Delta[AD] = Delta;
      sv.intersection(o, b, d, &Gamma, &Delta);
      m.Gamma[BD] = Gamma, m.Delta[BD] = Delta;
      sv.intersection(o, c, d, &Gamma, &Delta);
      m.Gamma[CD] = Gamma, m.Delta[CD] = Delta;
      int A = 0, S = 0;
      getChiralRankTwoTensors(d, m.branes[7], o, &A, &S);
      m.antisymmetricTensors[3] = A;
      m.symmetricTensors[3] = S;
    }
    const int tb = m.groupTypes[1], tc = m.groupTypes[2], td = m.groupTypes[3];
    if (!unitary(tb) && !unitary(tc) && !unitary(td)) continue;
    if (m.antisymmetricTensors[3] == 0 && m.symmetricTensors[3] == 0 && m.Gamma[AD] == 0 && m.Delta[AD] == 0 &&
        m.Gamma[BD] == 0 && m.Delta[BD] == 0 && m.Gamma[CD] == 0 && m.Delta[CD] == 0)
      continue;

    countSearch(AnomalyAnalysisCounter);
    MultiplicitySystem system;
    const Row Ea = equationA();
    if (system.add(Ea.c, Ea.d, Ea.k) < 0) continue;

    // Two independent rows: solve, check the remaining equations of unitary stacks, accept.
    auto solved = [&](bool checkC, bool checkD) -> int {
      countSearch(TwoConstraintCounter);
      if (solveSystem(system) != 1) return 0;
      const long long Nc = m.multiplicities[2], Nd = m.multiplicities[3];
      if (checkC && unitary(tc) && !holds(equationC(), Nc, Nd)) return 0;
      if (checkD && unitary(td) && !holds(equationD(), Nc, Nd)) return 0;
      if (FastMultiplicityCheck() != 1) return 0;
      if (m.tensorCode == -1) PrintStdout("Nc=%d, Nd=%d\n", m.multiplicities[2], m.multiplicities[3]);
      return acceptCandidate() ? 2 : 1;
    };

    bool inconsistent = false;
    bool done = false;
    if (unitary(tb)) {
      const Row Eb = equationB();
      if (system.add(Eb.c, Eb.d, Eb.k) < 0) continue;
      if (system.count == 2) {
        if (solved(true, true) == 2) return 1;
        done = true;
      }
    }
    if (!done) {
      countSearch(CD_brane_anomaly_required);
      if (unitary(tc)) {
        const Row Ec = equationC();
        if (system.add(Ec.c, Ec.d, Ec.k) < 0) inconsistent = true;
        else if (system.count == 2) {
          if (solved(false, true) == 2) return 1;
          done = true;
        }
      }
    }
    if (inconsistent) continue;
    if (!done && unitary(td)) {
      const Row Ed = equationD();
      if (system.add(Ed.c, Ed.d, Ed.k) < 0) continue;
      if (system.count == 2) {
        if (solved(false, false) == 2) return 1;
        done = true;
      }
    }
    if (done) continue;

    const int sc = stackStep(tc), sd = stackStep(td);
    if (system.count == 1) {
      countSearch(OneConstraintCounter);
      const Row r = system.rows[0];
      if (m.tensorCode == -1) PrintStdout("Nc and Nd not determined\n");
      if (r.c != 0) {
        clearEvents(2);
        searchEvents()[2] = 1;
        bool tooLarge = false;
        for (long long Nd = sd; Nd <= maxNd; Nd += sd) {
          const long long num = -(r.k + r.d * Nd);
          if (num % r.c != 0) continue;
          const long long Nc = num / r.c;
          if (Nc < 1 || (tc == -1 && Nc % 2 != 0)) continue;
          if (Nd > kMaximalMultiplicity || Nc > kMaximalMultiplicity) {
            PrintNoRepeat("Multiplicities too large; stopping loop\n", "");
            tooLarge = true;
            break;
          }
          m.multiplicities[2] = static_cast<int>(Nc);
          m.multiplicities[3] = static_cast<int>(Nd);
          if (FastMultiplicityCheck() != 1) continue;
          if (acceptCandidate()) return 1;
        }
        (void)tooLarge;
      } else {
        clearEvents(1);
        searchEvents()[1] = 1;
        for (long long Nc = sc; Nc <= maxNc; Nc += sc) {
          if (r.d == 0) break;
          const long long Nd = -r.k / r.d;
          if (Nd < 1 || r.d * Nd + r.k != 0 || (td == -1 && Nd % 2 != 0)) continue;
          m.multiplicities[2] = static_cast<int>(Nc);
          m.multiplicities[3] = static_cast<int>(Nd);
          if (FastMultiplicityCheck() != 1) continue;
          if (acceptCandidate()) return 1;
        }
      }
      continue;
    }
    if (system.count == 0) {
      countSearch(NoConstraintCounter);
      Print("No equations from anomalies\n");
      PrintVec(4, m.antisymmetricTensors, "A");
      PrintVec(4, m.symmetricTensors, "S");
      PrintVec(6, m.Gamma, "Gamma");
      PrintVec(6, m.Delta, "Delta");
      PrintVec(4, m.groupTypes, "types");
      clearEvents(3);
      searchEvents()[3] = 1;
      Print("Loops: %d < Nc < %d; %d < Nd < %d\n", sc, maxNc, sd, maxNd);
      Print("a=%d, b=%d, c=%d, d=%d\n", a, b, c, m.branes[6]);
      bool skip = false;
      for (int Nc = sc; Nc <= maxNc && !skip; Nc += sc) {
        for (int Nd = sd; Nd <= maxNd; Nd += sd) {
          m.multiplicities[2] = Nc;
          m.multiplicities[3] = Nd;
          if (FastMultiplicityCheck() != 1) {
            if (Nd == 1) skip = true;
            break;
          }
          if (m.tensorCode != -1) raiseSuccessLevel(4);
          if (sv.accept(1) == 1) {
            printErrorMessage("Success for Nc=%d; Nd=%d\n", Nc, Nd);
            Print("Success for Nc=%d; Nd=%d\n", Nc, Nd);
            ++m.hyperchargeFlag;
            notePreModel();
            if (getPreScan() >= 1) {
              setPreScanModelFound(getPreScanModelFound() + 1);
              return 1;
            }
          }
        }
      }
      continue;
    }
    // Two rows left unsolved cannot arise after the reduction above; more than two cannot
    // be independent in two unknowns. Either is a fault of this candidate only.
    countSearch(MoreConstraintCounter);
    Alert("findLastSMBrane", 1, 112201, "Unexpected unsolved multiplicity equation");
  }
  if (m.hyperchargeFlag > 0) {
    setPreScanModelFound(getPreScanModelFound() + 1);
    return 1;
  }
  return 0;
}
