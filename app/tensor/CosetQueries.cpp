// Small queries of the tensor product that other layers and the command set use: the S
// call trace switch, graded forms of fields, restricted charges, stabiliser look-ups,
// the tachyon-free case record and its report, the exceptional invariant of a product and the number of
// spin-one currents.
#include <cstdio>
#include <string>

#include "groups/Discrete.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"
#include "tensor/OutputNames.h"

namespace {

// Numbers of the current bulk invariant and orientifold: none are stored yet.
int currentInvariantNumber() { return -1; }

// The defaults of the report parts that the layers above provide.
void notAvailable(const char* part) {
  Alert("PrintTachyonFreeModelData", 0, 100201, "%s: not available yet", part);
}
void noBulkListing() { notAvailable("The bulk invariant listing"); }
void noTypeIIReport() { notAvailable("The type-II massless spectrum"); }
int noOrientifold() { return -1; }
void noOrientifoldReport() { notAvailable("The orientifold report"); }
void noClosedSector() { notAvailable("The closed-sector analysis"); }

TachyonFreeReport& report() {
  static TachyonFreeReport installed{noBulkListing, noTypeIIReport, noOrientifold, noOrientifoldReport,
                                     noClosedSector};
  return installed;
}

const char kColonLine[] = "::::::::::::::::::::::::::::::::::::::::::::\n";

}  // namespace

const TachyonFreeReport& tachyonFreeReport() { return report(); }
void setTachyonFreeReport(const TachyonFreeReport& installed) { report() = installed; }

void PrintTachyonFreeModelData(int unoriented, const int* orientifolds) {
  const std::string name = getCurrentOutputFileName(".notach");
  // The report is collected from the printing channel, so nothing reaches the terminal,
  // and then appended to the case's file in one piece.
  const std::size_t start = returnBufferOn();
  const TachyonFreeReport& parts = report();
  printTensorData(currentTensor);
  parts.bulkInvariant();
  if (unoriented != 1) {
    Print("%s", kColonLine);
    Print("\nOriented Tachyon-free theory\n");
    parts.typeIIMassless();
    if (orientifolds != nullptr) {
      Print("Tachyon free for orientifolds");
      for (const int* o = orientifolds; *o >= 0; ++o) Print(" %d", *o);
      Print("\n");
    }
  } else {
    Print("\n");
    Print("%s", kColonLine);
    Print("\nUnoriented Tachyon-free theory\n");
    Print("Orientifold nr. %d\n", parts.orientifoldNumber());
    parts.orientifold();
    parts.closedSector();
  }
  Print("%s", kColonLine);
  const std::string text = takeReturnBuffer(start);
  returnBufferOff();
  std::FILE* file = Fopen(name.c_str(), "a");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  Fclose(file);
}

void CT_set_S_CALL_TRACE(int flag) { cosetState().sCallTrace = flag; }
int CT_get_S_CALL_TRACE() { return cosetState().sCallTrace; }

std::vector<int> GradedMinimalFormForLabel(TensorProduct* TP, int f) {
  if (f < 0 || f >= TP->Spectrum.size()) return {};
  const int* row = TP->Spectrum.row(f);
  std::vector<int> labels(row, row + TP->NumberOfFactors);
  GradedMinimalForm(TP, labels.data());
  return labels;
}

void RestrictedTensorRatCharge(TensorProduct* TP, int n, const int* a, const int* b, Rat* out) {
  Rat sum{0, 1};
  for (int i = 0; i < n && i < TP->NumberOfFactors; ++i) {
    Rat q;
    SM_getRatCharge(TP->TensorFactors[static_cast<std::size_t>(i)], b[i], a[i], &q);
    if (TP->GH[static_cast<std::size_t>(i)] != 0) q.num = -q.num;
    Rat next;
    addRat(&sum, &q, &next);
    sum = next;
    simplifyRat(&sum);
  }
  if (sum.den < 0) {
    sum.den = -sum.den;
    sum.num = -sum.num;
  }
  sum.num %= sum.den;
  if (sum.num < 0) sum.num += sum.den;
  simplifyRat(&sum);
  if (sum.num == 0) sum.den = 1;
  *out = sum;
}

int findStabilizerElement(TensorProduct* TP, int i, int x) {
  if (i < 0 || i >= static_cast<int>(TP->Stabilizers.size())) return -1;
  const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(i)];
  for (int k = 0; k < fp->group->order; ++k)
    if (fp->U[k] == x) return k;
  return -1;
}

int findSimpleCurrents(TensorProduct* TP) {
  int count = 0;
  for (int f = 0; f < TP->Spectrum.size(); ++f) {
    const int* row = TP->Spectrum.row(f);
    for (int i = 0; i < TP->NumberOfFactors; ++i)
      if (row[i] >= factorGroupOrder(TP->TensorFactors[static_cast<std::size_t>(i)])) return count;
    ++count;
  }
  return count;
}

int modTest(TensorProduct* TP) {
  for (const SpectrumData* sd : TP->TensorFactors)
    if (sd->type >= 6 && sd->type != 13) return 1;
  return 0;
}

int registerTachyonFreeCase(int mode) {
  if (mode == -1 || mode == 2) return 0;
  const std::string name = getCurrentOutputFileName(".cases");
  std::FILE* file = Fopen(name.c_str(), "a");
  if (file == nullptr) return 0;
  if (mode == 0) {
    std::fprintf(file, "Extension %d, MIPF %d (oriented)\n", currentTensor->ExtensionNumber,
                 currentInvariantNumber());
  } else {
    std::fprintf(file, "Extension %d,MIPF %d, orientifold %d\n", currentTensor->ExtensionNumber,
                 currentInvariantNumber(), report().orientifoldNumber());
  }
  Fclose(file);
  PrintTachyonFreeModelData(mode, nullptr);
  return 1;
}

void getExceptionalTensorModularMatrix(std::vector<int>& M, const int* choice) {
  TensorProduct* TP = currentTensor;
  const int N = TP->Spectrum.size();
  M.assign(static_cast<std::size_t>(N) * static_cast<std::size_t>(N), 0);
  for (int j = 0; j < N; ++j) {
    // N entries a column, each a product over the factors: Ctrl-C is obeyed column by column
    // (the matrix is the caller's work matrix, filled afresh on every call).
    obeyInterruptRequest();
    for (int i = 0; i < N; ++i) {
      int entry = 1;
      const int* a = TP->Spectrum.row(i);
      const int* b = TP->Spectrum.row(j);
      for (int f = 0; f < TP->NumberOfFactors && entry != 0; ++f) entry *= ExceptionalModularMatrix(a[f], b[f], choice[f]);
      M[static_cast<std::size_t>(i) + static_cast<std::size_t>(N) * static_cast<std::size_t>(j)] = entry;
    }
  }
}

void CT_browseOrigin(TensorProduct* TP, int f, int depth) {
  if (f < 0 || f >= TP->Spectrum.size()) return;
  Print("%*sField %5d: ", 2 * depth, "", f);
  const int* row = TP->Spectrum.row(f);
  PrintVec(TP->NumberOfFactors, row, "Tensor decomposition: ");
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    SpectrumData* factor = TP->TensorFactors[static_cast<std::size_t>(i)];
    if (factor != nullptr) SM_browseOrigin(factor, row[i], depth + 1);
  }
}

namespace {

// Ground-state dimension of a label row of the product: the product of the factors'
// dimensions; false when a factor has none.
bool rowDimension(TensorProduct* TP, const int* labels, lint* out) {
  lint_assign(out, 1);
  lint term;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    if (SM_initDimensions(sd) == 0 || sd->dims == nullptr) return false;
    const int handle = sd->dims[labels[i]];
    if (handle == kStoreNotComputed || handle == 0) return false;
    const lint* value = makeOrRetrieveLint(handle, &term);
    if (value == nullptr) return false;
    lint_multiply(out, value);
  }
  return true;
}

}  // namespace

int SpinOneCount(TensorProduct* TP) {
  if (TP->CosetFlag != 0) {
    Alert("SpinOneCount", 0, 112311, "Spin one multiplicity not available for coset CFT's");
    return 0;
  }
  if (TP->ExactWeightFlag == 0) {
    Alert("SpinOneCount", 1, 112311, "Exact weights not available for this CFT");
    return 0;
  }
  lint total;
  lint_assign(&total, 0);
  for (const SpectrumData* sd : TP->TensorFactors) lint_intadd(&total, sd->adjoint_dim);
  // The currents of the extension: chiral-algebra elements of weight exactly 1.
  lint dimension;
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    const int* row = TP->ChiralAlgebra.row(J);
    Rat h;
    if (TensorRatWeight(TP, row, &h) == 0 || h.num != h.den) continue;
    if (!rowDimension(TP, row, &dimension)) {
      Alert("SpinOneCount", 2, 100201, "Exact dimensions unavailable");
      return 0;
    }
    lint_add(&total, &dimension);
  }
  return lint_to_int(&total);
}
