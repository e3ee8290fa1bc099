// Coupling selection rules of a standard-model candidate and the vertex listing. See
// Couplings.h for the row layout. A vertex is a multiset of row labels; it is listed when
// the surviving gauge symmetries (SU(3) triality, SU(2), Y, the extra massless U(1)s and
// the block charges of split stacks c and d) allow it, with a mark when only the
// non-perturbative or discrete-symmetry analysis decides.
#include "search/Catalogue.h"
#include "search/Couplings.h"

#include <tuple>
#include <string>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/DiscreteSymmetries.h"
#include "search/SearchSM.h"

namespace {

struct CouplingsState {
  const OrderedSpectrum* (*source)(StandardModel*) = nullptr;
  bool notationShown = false;
};

CouplingsState& state() {
  static CouplingsState s;
  return s;
}

long long sumOf(int n, const SpectrumRow* const rows[], int k) {
  long long sum = 0;
  for (int i = 0; i < n; ++i) sum += (*rows[i])[static_cast<std::size_t>(k)];
  return sum;
}

bool even(long long v) { return v % 2 == 0; }

// The gauge test shared by the two- and three-point rules.
int perturbativelyInvariant(int n, const SpectrumRow* const rows[]) {
  const StandardModel& m = SM;
  if (sumOf(n, rows, 0) != 0) return 0;
  if (!even(sumOf(n, rows, 1)) || !even(sumOf(n, rows, 9)) || !even(sumOf(n, rows, 11))) return 0;
  for (int k = 2; k <= 8; ++k)
    if (sumOf(n, rows, k) != 0) return 0;
  const bool cFree = m.groupTypes[2] != 0 && (m.cMultiplicities[0] == 0 || m.cMultiplicities[1] == 0);
  if (!cFree && (sumOf(n, rows, 9) != 0 || sumOf(n, rows, 10) != 0)) return 0;
  const bool dFree = m.groupTypes[3] != 0 && (m.dMultiplicities[0] == 0 || m.dMultiplicities[1] == 0);
  if (dFree) return 1;
  return sumOf(n, rows, 11) == 0 && sumOf(n, rows, 12) == 0 ? 1 : 0;
}

// The non-unitary test of stack c (x = 2) or d (x = 3): -1 forbidden, 0 non-perturbative,
// 1 no objection.
int nonUnitaryBlock(int n, const SpectrumRow* const rows[], int x, int N, const int m[2], int entry,
                    const char* message, int position) {
  if (m[0] == N && m[1] == 0) return even(sumOf(n, rows, entry)) ? 1 : 0;
  if (!(2 * m[0] == N && m[0] == m[1])) {
    Alert("CheckCouplingExistence", position, 112201, "%s", message);
    return -1;
  }
  (void)x;
  return sumOf(n, rows, entry) == 0 ? 1 : -1;
}

}  // namespace

void resetCouplings() {
  CouplingsState& s = state();
  const OrderedSpectrum* (*source)(StandardModel*) = s.source;
  s = CouplingsState();
  s.source = source;
}

void setOrderedSpectrumSource(const OrderedSpectrum* (*source)(StandardModel* model)) { state().source = source; }

// The catalogue's ordered multiplets have the row layout of the coupling analysis.
static_assert(kOrderedMultipletSize == std::tuple_size<SpectrumRow>::value);

const OrderedSpectrum* orderedSpectrumOf(StandardModel* model) {
  if (state().source != nullptr) return state().source(model);
  // Computed afresh: the record may hold another candidate than at the last call.
  computeOrderedStandardModelSpectrum(model);
  const OrderedMultiplets* ordered = getOrderedSpectrum(model);
  return ordered != nullptr ? &ordered->rows : nullptr;
}

int twoPointCoupling(const SpectrumRow& r1, const SpectrumRow& r2) {
  const SpectrumRow* rows[2] = {&r1, &r2};
  return perturbativelyInvariant(2, rows);
}

int PerturbativeThreePointCoupling(const SpectrumRow& r1, const SpectrumRow& r2, const SpectrumRow& r3) {
  const SpectrumRow* rows[3] = {&r1, &r2, &r3};
  return perturbativelyInvariant(3, rows);
}

int SplitUnitaryBraneCoupling(int n, const SpectrumRow* const rows[], int stack, const int m[2]) {
  const int first = stack == 2 ? 9 : 11;
  const long long s0 = sumOf(n, rows, first), s1 = sumOf(n, rows, first + 1);
  if (m[0] != 0 && s0 % m[0] != 0) return 0;
  if (m[1] != 0 && s1 % m[1] != 0) return 0;
  return sumOf(n, rows, 15 + stack) == static_cast<long long>(SM.Y[stack]) * sumOf(n, rows, 5 + stack) ? 1 : 0;
}

int CheckCouplingExistence(ChanPatonData* cpd, const StandardModel& record, int n, const SpectrumRow* const rows[]) {
  if (sumOf(n, rows, 0) % 3 != 0 || !even(sumOf(n, rows, 1))) return 0;
  for (int k = 2; k <= 4; ++k)
    if (sumOf(n, rows, k) != 0) return 0;
  int P = 1;
  for (int k = 5; k <= 8; ++k)
    if (sumOf(n, rows, k) != 0) P = 0;
  const int mc[2] = {record.cMultiplicities[0], record.cMultiplicities[1]};
  const int md[2] = {record.dMultiplicities[0], record.dMultiplicities[1]};
  if (record.groupTypes[2] != 0) {
    const int verdict = nonUnitaryBlock(n, rows, 2, record.multiplicities[2], mc, 9, "Invalid c-brane splitting", 0);
    if (verdict < 0) return 0;
    if (verdict == 0) P = 0;
  } else if (SplitUnitaryBraneCoupling(n, rows, 2, mc) != 1) {
    return 0;
  }
  if (record.stackCount == 4 || record.groupTypes[3] != -2) {
    if (record.groupTypes[3] != 0) {
      const int verdict =
          nonUnitaryBlock(n, rows, 3, record.multiplicities[3], md, 11, "Invalid d-brane splitting", 1);
      if (verdict < 0) return 0;
      if (verdict == 0) P = 0;
    } else if (SplitUnitaryBraneCoupling(n, rows, 3, md) != 1) {
      return 0;
    }
  }
  if (P == 1) return 1;
  int charges[4];
  for (int k = 0; k < 4; ++k) charges[k] = static_cast<int>(sumOf(n, rows, 5 + k));
  const int answer = CheckDiscreteSymmetries(cpd, charges);
  if (answer == 0) return 3;
  if (answer == -1) return 4;
  return 2;
}

namespace {

void printVertex(int n, const int labels[], const SpectrumRow* const rows[], int B, int L, int verdict,
                 const int charges[4]) {
  std::string points = formatText("%d-pt ", n);
  std::string labelField = "(";
  std::string copies = "[";
  std::string names = "x (";
  for (int i = 0; i < n; ++i) {
    const char* close = i + 1 < n ? "," : "";
    labelField += formatText("%d%s", labels[i], close);
    copies += formatText("%d%s", (*rows[i])[20], close);
    names += formatText("%s%s", particleName((*rows[i])[19]).c_str(), close);
  }
  labelField += ")";
  copies += "]";
  names += ")";
  for (std::string* field : {&points, &labelField, &copies, &names})
    if (field->size() > 40) field->resize(40);
  if (B % 3 != 0) Alert("printVertex", 0, 112201, "Non-integer baryon number");
  Print("%5s %14s %16s %-20s %2d %2d %2d", points.c_str(), labelField.c_str(), copies.c_str(), names.c_str(), B / 3,
        L, B / 3 - L);
  switch (verdict) {
    case 1: Print("      (%d,%d,%d,%d)  \n", charges[0], charges[1], charges[2], charges[3]); break;
    case 2: Print("   NP (%d,%d,%d,%d)  \n", charges[0], charges[1], charges[2], charges[3]); break;
    case 3: Print("   XX (%d,%d,%d,%d)  \n", charges[0], charges[1], charges[2], charges[3]); break;
    case 4: Print("   UU (%d,%d,%d,%d)\n", charges[0], charges[1], charges[2], charges[3]); break;
    default: Print("  \n"); break;
  }
}

}  // namespace

int ComputeNPointCoupling(ChanPatonData* cpd, const StandardModel& record, const OrderedSpectrum& ordered, int n,
                          int hd, int hu, int* result) {
  if (n >= 7) {
    // One vertex order too many is a fault of this request only; the scan goes on.
    Alert("ComputeNPointCoupling", 0, 112201, "Too many fields in coupling");
    return 0;
  }
  const int R = static_cast<int>(ordered.size());
  int count = 0;
  if (n >= 1 && R >= 1) {
    std::vector<int> labels(static_cast<std::size_t>(n), 0);
    while (true) {
      const SpectrumRow* rows[7];
      bool skip = false;
      for (int i = 0; i < n; ++i) {
        const SpectrumRow& row = ordered[static_cast<std::size_t>(labels[static_cast<std::size_t>(i)])];
        rows[i] = &row;
        if (row[19] == -6 && hu != 0 && labels[static_cast<std::size_t>(i)] != hu) skip = true;
        if (row[19] == 6 && hd != 0 && labels[static_cast<std::size_t>(i)] != hd) skip = true;
      }
      if (!skip) {
        const int verdict = CheckCouplingExistence(cpd, record, n, rows);
        if (verdict != 0) {
          int B = 0, L = 0, charges[4];
          for (int i = 0; i < n; ++i) {
            B += BaryonNumber((*rows[i])[19]);
            L += LeptonNumber((*rows[i])[19]);
          }
          for (int k = 0; k < 4; ++k) charges[k] = static_cast<int>(sumOf(n, rows, 5 + k));
          printVertex(n, labels.data(), rows, B, L, verdict, charges);
          ++count;
        }
      }
      // Next non-decreasing tuple.
      int i = n - 1;
      while (i >= 0 && labels[static_cast<std::size_t>(i)] == R - 1) --i;
      if (i < 0) break;
      const int value = labels[static_cast<std::size_t>(i)] + 1;
      for (int j = i; j < n; ++j) labels[static_cast<std::size_t>(j)] = value;
    }
  }
  if (result != nullptr) *result = count;
  return 0;
}

void printCouplingNotation(int n) {
  CouplingsState& s = state();
  if (s.notationShown) {
    PrintStdout("\n >>>>>>>>  Explanation: see first occurrence of similar data  <<<<<<<<\n\n");
    return;
  }
  s.notationShown = true;
  Print("\n >>>>>>>>  The following explanation is shown only once per run. <<<<<<<<\n\n");
  PrintSeparatorWithText('.', "");
  Print("Couplings are examined for all vertices with 1...%d external lines.\n", n);
  Print("Couplings forbidden by local gauge symmetries realized entirely\n");
  Print("within the Standard Model branes are not considered. These gauge symmetries\n");
  Print("are SU(3) x SU(2) x x U(1)_Y and sometimes one or two additional U(1)'s)\n\n");
  Print("Notation\n");
  Print("Column 1: Number of lines in vertex.\n");
  Print("Column 2: External lines according the labelling given above.\n");
  Print("Column 3: [n,m,...] denotes the multiplicy of each field in the coupling.\n");
  Print("Column 4: Amount of violation of B, L, B-L\n");
  Print("Column 5: XX means forbidden by discrete symmetries.\n");
  Print("          UU means forbidden by an additional U(1) coupling to the hidden sector.\n");
  Print("          NP means non-perturbatively allowed.\n");
  Print("          If neither XX, UU nor NP is indicated, the coupling is perturbatively allowed.\n");
  Print("          NP couplings may be generated by instantons, but this has not been checked.\n");
  Print("Column 6: Amount of violation of the Standard Model brane charges\n");
  Print("          (fourth entry vanishes automatically in three-stack models).\n");
  PrintSeparatorWithText('.', "");
  Print("\n");
}
