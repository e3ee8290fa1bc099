// Modular-data queries of the current theory: P-matrix elements, fusion and P-fusion
// coefficients (one coefficient, or whole products in the block scheme "no parameter:
// everything, one: a row, two: one element"), simple-current orbits, fixed points and the
// fusion of simple currents. Labels arrive converted and range-checked. Every loop over
// fields (a whole product table is N^2 pairs) obeys Ctrl-C once per pair or field: the
// element routines may stop quietly on the stop signal, and the loop around them must not
// go on without them.
#include <complex>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

constexpr int kVacuum = 0;

// Rows and columns of a block chosen by zero, one or two parameters.
struct Block {
  int rowFirst = 0;
  int rowLast = 0;
  int columnFirst = 0;
  int columnLast = 0;

  Block(char** params, int n, int total) : rowLast(total), columnLast(total) {
    if (n >= 1) {
      rowFirst = intParameter(params, 0);
      rowLast = rowFirst + 1;
    }
    if (n >= 2) {
      columnFirst = intParameter(params, 1);
      columnLast = columnFirst + 1;
    }
  }
  bool contains(int r, int c) const {
    return r >= rowFirst && r < rowLast && c >= columnFirst && c < columnLast;
  }
  // (r, c) below the diagonal whose mirror (c, r) is printed as well.
  bool mirrored(int r, int c) const { return c < r && contains(c, r); }
};

// Prints a product the element routine made, unless it stopped on Ctrl-C (StopRequest
// here, so that no partial product is printed) or on a declined question: then false, and
// the table ends, since every later product would stop at once as well.
bool printProduct(const std::string& text) {
  obeyInterruptRequest();
  if (stopSignalSet() != 0) return false;
  PrintText(text);
  return true;
}

}  // namespace

int COM_pmatrix(char** params, int n) {
  int total = totalPrimaries();
  for (int i = 0; i < n; ++i) {
    if (intParameter(params, i) < 0) return 1;
  }
  Print("\n");
  if (total > 0) {
    Block block(params, n, total);
    // Under "verify" the elements are computed (and so checked) but not formatted.
    const bool discarded = printDiscarded();
    std::string text;
    for (int r = block.rowFirst; r < block.rowLast; ++r) {
      for (int c = block.columnFirst; c < block.columnLast; ++c) {
        obeyInterruptRequest();
        if (block.mirrored(r, c)) continue;
        if (discarded) {
          double re = 0.0, im = 0.0;
          compP(r, c, &re, &im);
          continue;
        }
        text.clear();
        PrintText(displayP(text, r, c));
      }
    }
  }
  Print("\n");
  writePOrbits();
  return -n;
}

int COM_fusion(char** params, int n) {
  if (n == 3) {
    int i = intParameter(params, 0);
    int j = intParameter(params, 1);
    int k = intParameter(params, 2);
    FusionCoefficient coefficient = fusion(i, j, k, kVacuum);
    if (fusionInterrupted(coefficient) || fusionUndecided(coefficient)) return -3;
    Print("\nN_%d_%d^%d=%lld\n\n", i, j, k, static_cast<long long>(coefficient));
    return -3;
  }
  Block block(params, n, totalPrimaries());
  Print("\n");
  std::string text;
  for (int r = block.rowFirst; r < block.rowLast; ++r) {
    for (int c = block.columnFirst; c < block.columnLast; ++c) {
      obeyInterruptRequest();
      if (block.mirrored(r, c)) continue;
      text.clear();
      compF(text, r, c, kVacuum);
      if (!printProduct(text)) return -n;
    }
  }
  return -n;
}

int COM_pfusion(char** params, int n) {
  if (n == 3) {
    int i = intParameter(params, 0);
    int j = intParameter(params, 1);
    int k = intParameter(params, 2);
    FusionCoefficient coefficient = Pfusion(i, j, k);
    if (fusionInterrupted(coefficient) || fusionUndecided(coefficient)) return -3;
    Print("\nY_%d_%d^%d=%lld\n\n", i, j, k, static_cast<long long>(coefficient));
    return -3;
  }
  Block block(params, n, totalPrimaries());
  Print("\n");
  for (int r = block.rowFirst; r < block.rowLast; ++r) {
    for (int c = block.columnFirst; c < block.columnLast; ++c) {
      obeyInterruptRequest();
      std::string text;
      compFp(text, r, c, 0);
      if (!printProduct(text)) return -n;
    }
  }
  return -n;
}

int COM_check_pmat(char**, int) {
  // Every element at once by dense products where they fit; otherwise one by one.
  if (MOD_computeWholePmatrix(nullptr) != 1) return 0;
  int total = totalPrimaries();
  for (int i = 0; i < total; ++i) {
    for (int j = 0; j < total; ++j) {
      obeyInterruptRequest();
      double re, im;
      compP(i, j, &re, &im);
    }
  }
  return 0;
}

int COM_orbit(char** params, int n) {
  int J = intParameter(params, 0);
  int i = intParameter(params, 1);
  std::string text = formatText("(%d", i);
  int total = totalPrimaries();
  int k = simpleFusion(J, i);
  // An orbit is at most as long as the theory has fields.
  for (int steps = 0; k != i && k >= 0 && steps < total; ++steps) {
    obeyInterruptRequest();
    text += formatText(",%d", k);
    k = simpleFusion(J, k);
  }
  Print("%s)\n", text.c_str());
  return -n;
}

int COM_orbit_primaries(char** params, int n) {
  int J = intParameter(params, 0);
  int i = intParameter(params, 1);
  int total = totalPrimaries();
  if (tensorModeOn()) {
    // A tensor field is shown by its row of factor labels and its coset weight.
    TensorProduct* TP = currentTensor;
    if (TP == nullptr) return 1;
    int field = i;
    for (int step = 0; step < total; ++step) {
      obeyInterruptRequest();
      const int* labels = TensorField(TP, field);
      if (labels == nullptr) return 1;
      std::string title = formatText("%5d %5d %15.7f", step, field, cosetWeight(TP, labels));
      PrintVec(TP->NumberOfFactors, labels, title.c_str());
      field = simpleFusion(J, field);
      if (field == i || field < 0) break;
    }
    return -n;
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  int field = i;
  for (int step = 0; step < total; ++step) {
    obeyInterruptRequest();
    std::string title = formatText("%5d %5d %7.3f", step, field,
                                   static_cast<double>(sd->weight_num[field]) / sd->weight_den);
    PrintVec(sd->rep_size, SM_getRep(sd, field), title.c_str());
    field = simpleFusion(J, field);
    if (field == i || field < 0) break;
  }
  return -n;
}

int COM_browse_fixed(char** params, int n) {
  int J = intParameter(params, 0);
  int total = totalPrimaries();
  bool any = false;
  for (int f = 0; f < total; ++f) {
    obeyInterruptRequest();
    if (simpleFusion(J, f) != f) continue;
    if (!any) Print("Fixed points of current %d\n", J);
    any = true;
    const Rat* h = ratWeight(f);
    Print("%5d  Weight %3lld/%lld\n", f, h->num, h->den);
  }
  if (!any) Print("Current %d has no fixed points\n", J);
  return -n;
}

int COM_simple_fusion(char** params, int n) {
  int J = intParameter(params, 0);
  if (n >= 2) {
    int j = intParameter(params, 1);
    Print("(%d) x (%d) = (%d)\n", J, j, simpleFusion(J, j));
    return -n;
  }
  Print("\n");
  int total = totalPrimaries();
  for (int j = 0; j < total; ++j) {
    obeyInterruptRequest();
    Print("(%d) x (%d) = (%d)\n", J, j, simpleFusion(J, j));
  }
  Print("\n");
  return -n;
}

int COM_check_fusion(char** params, int n) {
  CheckFusion(n >= 1 ? intParameter(params, 0) : 0);
  return -n;
}

int COM_get_Schur(char** params, int n) {
  if (n >= 1) {
    Print("%4d\n", getSchurIndex(intParameter(params, 0)));
    return -n;
  }
  initSMATRIX();
  Print("Field  Indicator\n");
  int total = totalPrimaries();
  for (int f = 0; f < total; ++f) {
    obeyInterruptRequest();
    Print("%4d %4d \n", f, getSchurIndex(f));
  }
  return 0;
}

int COM_get_GenSchur(char** params, int n) {
  computeGeneralizedSchurIndex(intParameter(params, 0), intParameter(params, 1));
  return -n;
}

namespace {

// Shared part of "get S_fix" and "get S_ola": J must have fixed points (else a failure)
// and fix both fields (else an alert and nothing printed).
int fixedPointElement(const char* routine, const char* format, char** params, int n,
                      int (*element)(int, int, int, double*, double*)) {
  int J = intParameter(params, 0);
  int i = intParameter(params, 1);
  int j = intParameter(params, 2);
  if (MOD_fixedPointCurrent(J) == 0) {
    Alert(routine, 0, kRefusedLookup, "current %d has no fixed points", J);
    return 1;
  }
  if (simpleFusion(J, i) != i) {
    Alert(routine, 1, 100201, "current %d does not fix %d", J, i);
    return -n;
  }
  if (simpleFusion(J, j) != j) {
    Alert(routine, 2, 100201, "current %d does not fix %d", J, j);
    return -n;
  }
  double re = 0.0;
  double im = 0.0;
  element(J, i, j, &re, &im);
  Print(format, J, i, j, re, im);
  return -n;
}

}  // namespace

int COM_S_fix(char** params, int n) {
  return fixedPointElement("COM_S_fix", "S^%d_%d_%d = (%15.7f,%15.7f)\n", params, n,
                           MOD_getFCFT_Smatrix);
}

int COM_S_ola(char** params, int n) {
  return fixedPointElement("COM_S_ola", "O^%d_%d_%d = (%15.7f,%15.7f)\n", params, n,
                           MOD_getOLA_Smatrix);
}

int COM_fp_fusion(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  int J = intParameter(params, 0);
  int i = intParameter(params, 1);
  int g = intParameter(params, 2);
  int h = intParameter(params, 3);
  int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 0) {
    Alert("COM_fp_fusion", 0, kRefusedLookup, "Current %d has no fixed points", J);
    return 1;
  }
  if (lbl == 0) {
    FusionCoefficient coefficient = fusion(i, g, h, kVacuum);
    if (!fusionInterrupted(coefficient) && !fusionUndecided(coefficient))
      Print("   N(%d,%d,%d)=%lld\n", i, g, h, static_cast<long long>(coefficient));
    return -n;
  }
  int gFixed = SM_getFPlabel(sd, J, g);
  if (gFixed < 0) {
    Alert("COM_fp_fusion", 1, kRefusedLookup, "Current %d does not fix field %d\n", J, g);
    return 2;
  }
  int hFixed = SM_getFPlabel(sd, J, h);
  if (hFixed < 0) {
    Alert("COM_fp_fusion", 2, kRefusedLookup, "Current %d does not fix field %d\n", J, h);
    return 3;
  }
  FusionCoefficient coefficient = getFpFusion(lbl, i, gFixed, hFixed);
  if (!fusionInterrupted(coefficient) && !fusionUndecided(coefficient))
    Print("Nf_%d(%d,%d,%d)=%lld\n", J, i, g, h, static_cast<long long>(coefficient));
  return -n;
}

// ---------------------------------------------------------------------------------------
// Consistency checks of S, of the simple-current orbits and of fixed-point conjugates

int COM_check_orb(char**, int) {
  const int order = CenterOrder();
  const int N = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  if (order > 1) {
    bool stopped = false;
    for (int J = 1; J < order && !stopped; ++J) {
      for (int a = 0; a < N && !stopped; ++a) {
        obeyInterruptRequest();
        const int Ja = simpleFusion(J, a);
        const FusionCoefficient N_JaJa = fusion(J, a, Ja, 0);
        stopped = fusionInterrupted(N_JaJa);
        if (!stopped && N_JaJa != 1) Print("Fusion problem: (%d) x (%d) != (%d)\n", J, a, Ja);
      }
    }
    Print("Fusion check finished\n");
  }
  if (tensorModeOn() || currentSD == nullptr) return 0;
  // The orbit relations compare directly computed elements; a theory stored from a tensor
  // product that let go of its product can no longer compute them.
  const SpectrumData* owner = currentSD->type == kStoreTypeTensorFCFT ? currentSD->base : currentSD;
  if ((currentSD->type == kStoreTypeTensor || currentSD->type == kStoreTypeTensorFCFT) &&
      (owner == nullptr || owner->tensor == nullptr)) {
    Alert("COM_check_orb", 0, 100201, "Orbit relations of S not checked: %s no longer holds its tensor product",
          currentSD->name);
    return 0;
  }
  return SM_check_orbits(currentSD) == 0 ? 1 : 0;
}

int COM_check_sym(char**, int) {
  const int N = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  bool symmetric = true;
  for (int i = 0; i < N; ++i) {
    for (int j = i + 1; j < N; ++j) {
      obeyInterruptRequest();
      double re1 = 0.0, im1 = 0.0, re2 = 0.0, im2 = 0.0;
      compS(i, j, &re1, &im1);
      compS(j, i, &re2, &im2);
      if (ZeroCheck(re1 - re2) && ZeroCheck(im1 - im2)) continue;
      Print("S not symmetric; \nS(%d,%d)=(%9.4f,%9.4f)\nS(%d,%d)=(%9.4f,%9.4f)\n", i, j, re1, im1, j, i, re2, im2);
      symmetric = false;
    }
  }
  if (symmetric) Print("S is symmetric\n");
  return 0;
}

namespace {

// The conjugates of the fixed points of every fixed-point theory of a stored theory: the
// parent field of the theory's conjugate of each fixed point.
int storedFixedPointConjugates(SpectrumData* sd) {
  const int count = SM_initFCFTData(sd);
  int differences = 0;
  for (int k = 0; k < count; ++k) {
    SpectrumData* fcft = sd->fcft != nullptr ? sd->fcft[k] : nullptr;
    if (fcft == nullptr) continue;
    SM_initConjugates(fcft);
    const int* row = sd->fcft_labels + static_cast<std::size_t>(k) * static_cast<std::size_t>(sd->n_primaries);
    for (int a = 0; a < sd->n_primaries; ++a) {
      obeyInterruptRequest();
      if (row[a] < 0) continue;
      const int fc = SM_getConjugate(fcft, row[a]);
      const int parent = fc < 0 ? -1 : SM_getFixedPoint(sd, k + 1, fc);
      const int conjugate = getConjugate(a);
      if (parent == conjugate) continue;
      Alert("COM_check_fpconj", 0, 212302, "Conjugates differ for field %d (%d != %d), for FCFT Nr %d", a, conjugate,
            parent, k);
      ++differences;
    }
  }
  return differences;
}

bool sameWeight(int a, int b) {
  const Rat ha = *ratWeight(a);
  const Rat hb = *ratWeight(b);
  return ha.num == hb.num && ha.den == hb.den;
}

// In tensor mode the conjugate of fixed point a of current J is the first fixed point c
// of a's weight with (S^J S^J)(a, c) != 0. -1 when the S matrix of a current's fixed
// points (m x m complex numbers) is refused for its size.
int tensorFixedPointConjugates(TensorProduct* TP) {
  initializeCosetFCFTData(TP);
  int differences = 0;
  const int N = TP->NumberOfPrimaries;
  for (int k = 0; k < static_cast<int>(TP->FixedPointCurrents.size()); ++k) {
    const int J = TP->FixedPointCurrents[static_cast<std::size_t>(k)];
    std::vector<int> fixed;
    for (int a = 0; a < N; ++a) {
      obeyInterruptRequest();
      if (simpleFusion(J, a) == a) fixed.push_back(a);
    }
    const std::size_t m = fixed.size();
    const long double points = static_cast<long double>(m);
    if (!requireAllocationSize("COM_check_fpconj", "The fixed-point S matrix of the check", points * points,
                               sizeof(std::complex<double>)))
      return -1;
    std::vector<std::complex<double>> S(m * m);
    for (std::size_t x = 0; x < m; ++x) {
      for (std::size_t y = 0; y < m; ++y) {
        obeyInterruptRequest();
        double re = 0.0, im = 0.0;
        CT_getFCFT_Smatrix(TP, J, fixed[x], fixed[y], &re, &im);
        S[x * m + y] = {re, im};
      }
    }
    for (std::size_t x = 0; x < m; ++x) {
      int found = -1;
      for (std::size_t z = 0; z < m && found < 0; ++z) {
        obeyInterruptRequest();
        if (!sameWeight(fixed[x], fixed[z])) continue;
        std::complex<double> sum = 0.0;
        for (std::size_t y = 0; y < m; ++y) sum += S[x * m + y] * S[y * m + z];
        if (!CZeroCheck(sum.real(), sum.imag())) found = fixed[z];
      }
      const int conjugate = getConjugate(fixed[x]);
      if (found == conjugate) continue;
      Alert("COM_check_fpconj", 0, 212302, "Conjugates differ for field %d (%d != %d), for FCFT Nr %d", fixed[x],
            conjugate, found, k);
      ++differences;
    }
  }
  return differences;
}

}  // namespace

int COM_check_fpconj(char**, int) {
  if (tensorModeOn()) {
    if (currentTensor == nullptr) return 1;
    return tensorFixedPointConjugates(currentTensor) < 0 ? 1 : 0;
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  storedFixedPointConjugates(sd);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Unitarity and (ST)^3 = S^2

namespace {

// Text set aside for each report of "check modular".
constexpr std::size_t kModularReportSize = 10000;

}  // namespace

int COM_check_mod(char**, int n) {
  std::string report;
  UnitarityCheck(report, kModularReportSize);
  Print("%s\n", report.c_str());
  report.clear();
  STcheck(report, kModularReportSize);
  Print("%s\n", report.c_str());
  return -n;
}

int COM_check_unit(char** params, int n) {
  const int total = totalPrimaries();
  int rowFirst = 0, rowLast = total, columnFirst = 0, columnLast = total;
  if (n >= 1) {
    rowFirst = intParameter(params, 0);
    rowLast = rowFirst + 1;
  }
  if (n >= 2) {
    columnFirst = intParameter(params, 1);
    columnLast = columnFirst + 1;
  }
  if (rowFirst < 0 || columnFirst < 0) return 1;
  initSMATRIX();
  Print("\n");
  bool failed = false;
  for (int i = rowFirst; i < rowLast; ++i) {
    for (int j = columnFirst; j < columnLast; ++j) {
      obeyInterruptRequest();
      double re = 0.0, im = 0.0;
      const int verdict = Unitarity_check(0, i, j, &re, &im);
      if (verdict == kUnitarityStopped) {
        Print("Unitarity test interrupted\n");
        return -n;
      }
      if (verdict == 1) continue;
      failed = true;
      if (i == j) {
        Print("Unitarity test failed: S(%d,k)S(%d,k)^*-1=(%15.7f,%15.7f)\n", i, j, re, im);
      } else {
        Print("Unitarity test failed: S(%d,k)S(%d,k)^*  =(%15.7f,%15.7f)\n", i, j, re, im);
      }
    }
  }
  if (!failed) Print("Unitarity test OK\n");
  return -n;
}
