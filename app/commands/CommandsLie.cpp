// Lie-algebra and Weyl-group commands of a single affine Lie algebra: Weyl reflections and
// orbits of the finite Dynkin labels of a field, parity orbits of labels modulo 2, the
// Weyl group as words in the simple reflections, its order and multiplication, and the
// agreement of conjugacy classes with simple-current charges. Every handler but "expand"
// first requires an untwisted affine algebra (types 1 to 5).
#include <cmath>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "interpreter/RunControl.h"
#include "lie/LieAlgebra.h"
#include "lie/WeylGroup.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

namespace {

// The current record when it is an untwisted affine Lie algebra, else NULL after the
// store's refusal.
SpectrumData* lieRecord() {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || LieCheck(sd) == 0) return nullptr;
  return sd;
}

int weylGroupTooLarge() {
  Print("Weyl group too large\n");
  return 1;
}

// The current record when it is an affine Lie algebra with a Weyl group; a theory of rank
// 0 (the trivial theory a fixed-point resolution can give) has none and is refused.
SpectrumData* weylRecord(const char* routine) {
  SpectrumData* sd = lieRecord();
  if (sd == nullptr) return nullptr;
  if (sd->rank < 1) {
    Alert(routine, 1, 100202, "%s has rank 0 and no Weyl group", sd->name);
    return nullptr;
  }
  return sd;
}

// Listings print their lines in blocks of about this many characters.
constexpr std::size_t kListingBlock = 1 << 16;

// "Weyl Parity Orbits" lists all 2^rank parity vectors; past this many it asks first.
constexpr int kParityListLimit = 1 << 16;
constexpr int kParityMostRank = 62;

}  // namespace

int COM_weyl(char** params, int n) {
  SpectrumData* sd = weylRecord("COM_weyl");
  if (sd == nullptr) return 1;
  const int* labels = SM_getRep(sd, intParameter(params, 0));
  if (labels == nullptr) return 1;
  const int rank = sd->rank;
  if (n >= 2) {
    int* out = commandsState().weylImage.get(static_cast<std::size_t>(rank));
    WeylReflection(sd->type, rank, labels, out, intParameter(params, 1) - 1);
    PrintVec(rank, out, " ");
    return -n;
  }
  const WeylOrbitList* images = WeylReflections(sd->type, rank, labels);
  if (images == nullptr) return weylGroupTooLarge();
  if (printDiscarded()) return -n;
  std::string block;
  std::string label;
  for (int k = 0; k < images->count; ++k) {
    label.clear();
    appendInt(label, k, -4);  // "%-4d "
    label += ' ';
    appendVecLine(block, rank, images->row(k), label.c_str());
    if (block.size() >= kListingBlock) {
      PrintText(block);
      block.clear();
    }
  }
  if (!block.empty()) PrintText(block);
  return -n;
}

int COM_weylorbit(char** params, int n) {
  SpectrumData* sd = weylRecord("COM_weylorbit");
  if (sd == nullptr) return 1;
  const int* labels = SM_getRep(sd, intParameter(params, 0));
  if (labels == nullptr) return 1;
  const int rank = sd->rank;
  const WeylOrbitList* images = WeylOrbit(sd->type, rank, labels);
  if (images == nullptr) return weylGroupTooLarge();
  for (int k = 0; k < images->count; ++k) PrintVec(rank, images->row(k), " ");
  return -n;
}

int COM_dynkinweylsignorbit(char**, int) {
  SpectrumData* sd = weylRecord("COM_dynkinweylsignorbit");
  if (sd == nullptr) return 1;
  const int rank = sd->rank;
  if (rank > kParityMostRank) {
    Alert("COM_dynkinweylsignorbit", 1, 100202, "Rank %d too large for the parity orbits (at most %d)", rank,
          kParityMostRank);
    return 1;
  }
  const double vectors = std::ldexp(1.0, rank);
  if (vectors > kParityListLimit &&
      Alert("COM_dynkinweylsignorbit", 2, 650209,
            "The parity orbits list all %.0f vectors (2^%d), more than %d; continue?", vectors, rank,
            kParityListLimit) != 0)
    return 1;
  int count = 0;
  const int* classes = DynkinSignClasses(sd->type, rank, &count);
  // The orbit routine reuses the module's buffers: keep the class vectors apart.
  std::vector<int> generators;
  if (classes != nullptr)
    generators.assign(classes, classes + static_cast<std::size_t>(count) * rank);
  startProgressInfo("Weyl Parity Orbits", 0, count);
  for (int c = 0; c < count; ++c) {
    if (getStopSignal() == 1 || checkInterrupt() != 0 || incrementProgressInfo() != 0) break;
    int size = 0;
    const int* orbit = DynkinWeylParityOrbit(
        sd->type, rank, generators.data() + static_cast<std::size_t>(c) * rank, &size);
    PrintSeparatorWithText('-', formatText("Class %d (size %d)", c, size).c_str());
    for (int k = 0; k < size; ++k) PrintVec(rank, orbit + static_cast<std::size_t>(k) * rank, " ");
  }
  stopProgressInfo("Weyl Parity Orbits");
  return 0;
}

int COM_weylGroup(char**, int) {
  SpectrumData* sd = weylRecord("COM_weylGroup");
  if (sd == nullptr) return 1;
  const WeylGroupCollection* group = initWeylGroup(sd->type, sd->rank);
  if (group == nullptr) return weylGroupTooLarge();
  for (int k = 1; k < group->count(); ++k) {
    std::string line = formatText("%-4d  ", k);
    for (int e = k; e > 0; e = group->parent(e))
      line += formatText("%d.", group->reflection(e) + 1);
    Print("%s\n", line.c_str());
  }
  return 0;
}

int COM_weylOrder(char**, int) {
  SpectrumData* sd = weylRecord("COM_weylOrder");
  if (sd == nullptr) return 1;
  long long order = WeylGroupOrder(sd->type, sd->rank);
  if (order < 0) return 1;
  Print("%lld\n", order);
  return 0;
}

int COM_weylmult(char** params, int n) {
  SpectrumData* sd = weylRecord("COM_weylmult");
  if (sd == nullptr) return 1;
  if (initWeylGroup(sd->type, sd->rank) == nullptr) return weylGroupTooLarge();
  int product = WeylMultiply(sd->type, sd->rank, intParameter(params, 0), intParameter(params, 1));
  if (product < 0) return 1;
  Print("%d\n", product);
  return -n;
}

int COM_check_class(char**, int) {
  SpectrumData* sd = lieRecord();
  if (sd == nullptr) return 1;
  const int type = sd->type;
  const int rank = sd->rank;
  const int N = Center(type, rank);
  int* reflected = commandsState().reflected.get(static_cast<std::size_t>(rank > 0 ? rank : 1));
  for (int k = 0; k < N; ++k) {
    Print("Current %d:\n", k);
    const int* classVector = conjugacyClassVector(type, rank, k);
    std::vector<int> c(classVector, classVector + rank);
    printVec(rank, c.data(), "Class vector ");
    for (int j = 0; j < rank; ++j) {
      WeylReflectionInRootBasis(type, rank, c.data(), reflected, j);
      bool differs = false;
      for (int r = 0; r < rank; ++r) {
        reflected[r] = static_cast<int>(longmod(reflected[r], N));
        if (reflected[r] != c[static_cast<std::size_t>(r)]) differs = true;
      }
      if (differs) printVec(rank, reflected, formatText("Weyl refl. %d ", j).c_str());
    }
    for (int m = 0; m < sd->n_primaries; ++m) {
      const int* lambda = SM_getRep(sd, m);
      long long s = 0;
      for (int r = 0; r < rank; ++r)
        s += static_cast<long long>(c[static_cast<std::size_t>(r)]) * lambda[r];
      s = longmod(s, N);
      Rat q = *simpleCurrentCharge(k, m);
      long long scaled = q.den == 0 ? 0 : q.num * N / q.den;
      if (longmod(scaled + s, N) != 0)
        Print("lbl %d: Charge %lld/%lld; Conj %lld/%d\n", m, q.num, q.den, s, N);
    }
  }
  return 0;
}

int COM_expand(char** params, int n) {
  const int label = intParameter(params, 0);
  if (tensorModeOn()) {
    // One line of Dynkin labels per factor, of the field's component in that factor.
    TensorProduct* TP = currentTensor;
    const int* row = TP != nullptr ? TensorField(TP, label) : nullptr;
    if (row == nullptr) return 1;
    for (int k = 0; k < TP->NumberOfFactors; ++k) {
      SpectrumData* factor = getTensorFactor(TP, k);
      const int* labels = factor != nullptr ? SM_getRep(factor, row[k]) : nullptr;
      if (labels == nullptr) return 1;
      printVec(factor->rep_size, labels, "");
    }
    return -n;
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  const int* labels = SM_getRep(sd, label);
  if (labels == nullptr) return 1;
  printVec(sd->rep_size, labels, "");
  return -n;
}
