// Modular-data queries of the current theory: P-matrix elements, fusion and P-fusion
// coefficients (one coefficient, or whole products in the block scheme "no parameter:
// everything, one: a row, two: one element"), simple-current orbits, fixed points and the
// fusion of simple currents. Labels arrive converted and range-checked.
#include <string>

#include "collections/VectorUtility.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
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
      if (block.mirrored(r, c)) continue;
      text.clear();
      PrintText(compF(text, r, c, kVacuum));
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
      std::string text;
      PrintText(compFp(text, r, c, 0));
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
  for (int j = 0; j < total; ++j) Print("(%d) x (%d) = (%d)\n", J, j, simpleFusion(J, j));
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
  for (int f = 0; f < total; ++f) Print("%4d %4d \n", f, getSchurIndex(f));
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
