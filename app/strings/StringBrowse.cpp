// The heterotic and type-II readings of the current string spectrum: supersymmetry
// multiplets, gauge group, massless matter (with its decomposition by bulk pair) and the
// note on non-supersymmetric tachyon-free spectra.
#include "strings/StringBrowse.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "strings/OpenReports.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

const char* const kInconsistent = "This string theory is inconsistent. Continue anyway?";

BulkInvariant* currentBulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

// The fields of an extension, sorted, so that a pair of the walk below is tested in
// log time however many fields the extension has.
std::vector<int> sortedFields(const ChiralExtension* e) {
  std::vector<int> fields;
  if (e != nullptr) fields = e->fields;
  std::sort(fields.begin(), fields.end());
  return fields;
}

bool contains(const std::vector<int>& sorted, int i) {
  return std::binary_search(sorted.begin(), sorted.end(), i);
}

bool reducedWeight(int i, Rat* h) {
  const Rat* w = ratWeight(i);
  if (w == nullptr || w->den == 0) return false;
  *h = *w;
  simplifyRat(h);
  return true;
}
bool weightBelowOne(int i, Rat* h) { return reducedWeight(i, h) && h->num < h->den; }
bool weightIsOne(int i) {
  Rat h;
  return reducedWeight(i, &h) && h.num == h.den;
}

// T rewritten in the classes of the two extended algebras.
void inverseBranchPair(const StringBlock* spectrum, int T[4][4]) {
  const BranchingTable* Lt = spectrum->left != nullptr ? spectrum->left->table : nullptr;
  const BranchingTable* Rt = spectrum->right != nullptr ? spectrum->right->table : nullptr;
  if (Lt == nullptr || Rt == nullptr) return;
  if (BranchingIsTrivial(Rt) == 0)
    for (int a = 0; a < 4; ++a) {
      int sub[4] = {T[a][0], T[a][1], T[a][2], T[a][3]};
      int out[4] = {0, 0, 0, 0};
      InverseBranch(Rt, sub, out);
      for (int b = 0; b < 4; ++b) T[a][b] = b < Rt->nReps ? out[b] : 0;
    }
  if (BranchingIsTrivial(Lt) == 0)
    for (int b = 0; b < 4; ++b) {
      int sub[4] = {T[0][b], T[1][b], T[2][b], T[3][b]};
      int out[4] = {0, 0, 0, 0};
      InverseBranch(Lt, sub, out);
      for (int a = 0; a < 4; ++a) T[a][b] = a < Lt->nReps ? out[a] : 0;
    }
}

// Walks the bulk pairs of the selected weights; returns 1 when a pair printed a multiplet.
int walkPairs(const StringBlock* spectrum, const SpaceTimeSymmetry* st, bool tachyonic) {
  BulkInvariant* bulk = currentBulk();
  if (bulk == nullptr) return 0;
  const int n = knownPrimaryCount();
  auto selected = [&](int i) {
    Rat h;
    return tachyonic ? weightBelowOne(i, &h) : weightIsOne(i);
  };
  const std::vector<int> leftFields = sortedFields(spectrum->left);
  const std::vector<int> rightFields = sortedFields(spectrum->right);
  int found = 0;
  for (int i = 1; i < n && i < bulk->n_rows; ++i) {
    obeyInterruptRequest();
    if (!selected(i) || bulk->orbits[static_cast<std::size_t>(i)] == nullptr) continue;
    if (!tachyonic && contains(leftFields, i)) continue;
    const std::array<int, 4> ri = getRepInfo(i);
    const int mult = bulk->mult[i];
    for (int k = 0; k < bulk->count[i]; ++k) {
      const int j = bulk->orbits[static_cast<std::size_t>(i)][k];
      if (j < 1 || !selected(j)) continue;
      if (!tachyonic && contains(rightFields, j)) continue;
      const std::array<int, 4> rj = getRepInfo(j);
      int T[4][4] = {};
      for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
          T[a][b] = ri[static_cast<std::size_t>(a)] * mult * rj[static_cast<std::size_t>(b)];
          if (!tachyonic && T[a][b] != 0)
            Print("    Contribution from Z(%d,%d) to sector (%d,%d): %d (%d x %d x %d)\n", i, j, a,
                  b, T[a][b], mult, ri[static_cast<std::size_t>(a)],
                  rj[static_cast<std::size_t>(b)]);
        }
      inverseBranchPair(spectrum, T);
      std::string lines;
      if (printHeteroticMultiplet(&lines, st, T) < 1) continue;
      if (tachyonic) {
        Rat h;
        weightBelowOne(i, &h);
        Print("Tachyon with mass %lld/%lld\n  ", h.num - h.den, h.den);
      }
      PrintShifted(PrintEntry(i, j) + lines);
      found = 1;
    }
  }
  return found;
}

std::vector<FreeGaugeFactor> freeFactors(const ChiralExtension* gauge) {
  std::vector<FreeGaugeFactor> list;
  if (KMCosetSwitch == 0 || currentTensor == nullptr || gauge == nullptr) return list;
  // In a coset the denominator takes currents away from the factors, so no factor's own
  // algebra can be read off as a gauge factor.
  if (currentTensor->CosetFlag != 0) return list;
  std::vector<int> fields = gauge->fields;
  fields.push_back(-1);
  const std::vector<int> flags = findFreeFactors(currentTensor, fields.data());
  // A flag marks a factor that some weight-one field of the sector touches; the others are free.
  for (std::size_t f = 1; f < flags.size() && f < currentTensor->TensorFactors.size(); ++f) {
    if (flags[f] != 0) continue;
    const SpectrumData* sd = currentTensor->TensorFactors[f];
    FreeGaugeFactor factor;
    factor.type = sd->type;
    factor.rank = sd->rank;
    factor.spinOne = sd->adjoint_dim;
    list.push_back(factor);
  }
  return list;
}

// The spin-1 currents of the gauge half: the vacuum module's (the factors' own currents and
// the weight-one elements of the product's chiral algebra, as "browse Lie" counts them)
// and the ground states of the half's weight-one extension fields. No count for a coset or
// where weights or dimensions are not exact; a stored theory always has the currents of its
// lattice, so a stored count of 0 is one that was never made.
std::optional<int> sectorSpinOneCount(const ChiralExtension* gauge) {
  if (gauge == nullptr) return std::nullopt;
  int vacuum = 0;
  if (KMCosetSwitch != 0 && currentTensor != nullptr) {
    TensorProduct* TP = currentTensor;
    if (TP->CosetFlag != 0 || TP->ExactWeightFlag == 0 || DimComputable(TP) == 0) return std::nullopt;
    vacuum = SpinOneCount(TP);
  } else {
    if (currentSD == nullptr || currentSD->adjoint_dim <= 0) return std::nullopt;
    vacuum = currentSD->adjoint_dim;
  }
  return vacuum + gauge->currents;
}

int askInconsistent(const char* routine) {
  return Alert(routine, 0, 652209, "%s", kInconsistent);
}

// The common part of both readings after the header.
void printMatter(const StringBlock* spectrum, SpaceTimeSymmetry* st, const char* title,
                 int decomposition) {
  std::string text;
  const int lines = printHeteroticMultiplet(&text, st, spectrum->M);
  Print("%s", title);
  if (lines > 0) {
    Print("%s\n", text.c_str());
    if (decomposition != 0) {
      Print("Decomposition: \n");
      analyseMasslessSpectrum(spectrum, st);
    }
  } else {
    Print("No massless matter\n");
  }
}

}  // namespace

int printHeteroticMultiplet(std::string* text, const SpaceTimeSymmetry* st, const int T[4][4]) {
  if (T == nullptr) return -1;
  const int d = st->dimension;
  int lines = 0;
  if (st->leftSource == nullptr && st->rightSource == nullptr) {
    const int nL = RepCnt(st->left.type, st->left.rank);
    const int nR = RepCnt(st->right.type, st->right.rank);
    if (nL < 2) return 0;
    for (int a = 1; a < nL && a < 4; ++a)
      for (int b = 1; b < nR && b < 4; ++b) {
        if (T[a][b] == 0) continue;
        *text += formatText("%d x (%s,%s)\n", T[a][b], susyrepname(&st->left, d, a).c_str(),
                            susyrepname(&st->right, d, b).c_str());
        ++lines;
      }
    return lines;
  }
  // One half carries the gauge algebra, the other the supersymmetry.
  const bool gaugeLeft = st->left.type == 0;
  const SusyType& susy = gaugeLeft ? st->right : st->left;
  const BranchingTable* table = gaugeLeft ? st->leftSource : st->rightSource;
  if (table == nullptr) return 0;
  const int nT = std::min(table->nReps, 4);
  const int nS = RepCnt(susy.type, susy.rank);
  if (nS < 2) return 0;
  for (int c = 1; c < nS && c < 4; ++c) {
    int V[4] = {0, 0, 0, 0};
    bool any = false;
    for (int e = 0; e < nT; ++e) {
      V[e] = gaugeLeft ? T[e][c] : T[c][e];
      any = any || V[e] != 0;
    }
    if (!any) continue;
    *text += formatText("Multiplet (0,%s):  ", susyrepname(&susy, d, c).c_str());
    printCovLatRep(nullptr, table->type, table->rank, table->sign, V);
    printCovLatRep(text, table->type, table->rank, table->sign, V);
    *text += "\n";
    ++lines;
  }
  return lines;
}

void analyseMasslessSpectrum(const StringBlock* spectrum, const SpaceTimeSymmetry* st) {
  if (spectrum != nullptr) walkPairs(spectrum, st, false);
}

int analyseTachyonSpectrum(const StringBlock* spectrum, const SpaceTimeSymmetry* st) {
  return spectrum != nullptr ? walkPairs(spectrum, st, true) : 0;
}

std::string PrintGaugeGroup(const StringBlock* spectrum, const ChiralExtension* gauge, int type,
                            int rank) {
  int resolved = 1;
  if (isChiral(type, rank) != 0 && spectrum->spaceTime != nullptr)
    resolved =
        ChiralityResolved(type, rank, spectrum->spaceTime->subType, spectrum->spaceTime->subRank);
  // The implicit E8 lies outside the theory, so its currents are not in the count.
  std::optional<int> count = sectorSpinOneCount(gauge);
  if (count.has_value()) *count -= namedGaugeFactorDimension(type, rank);
  std::string text = gaugeGroupText(type, rank, spectrum->implicitE8, freeFactors(gauge), count);
  if (resolved == 0) text += "(Gauge group chirality not resolved)\n";
  return text;
}

void printSusyMultiplets(const SpaceTimeSymmetry* st) {
  displaySusy(st->dimension, &st->left, &st->right, 0, 0, 0, -1);
  displaySusy4(st->dimension, &st->left, &st->right, 3);
}

int BrowseHeterotic(int flipped, int decomposition) {
  if (superOn() == 0) {
    Alert("BrowseHeterotic", 0, 100302, "Superstring mode is off");
    return 1;
  }
  StringBlock* spectrum = getStringSpectrum(1);
  if (spectrum == nullptr) return 1;
  SpaceTimeSymmetry st;
  if (flipped == 0) {
    Print("\nHeterotic string with gauge group from left sector.\n");
  } else {
    if (spectrum->bulkFlag != 0) Print("Symmetric invariant; left-right flip has no effect\n");
    Print("\nHeterotic string with gauge group from right sector.\n");
  }
  if (stringSpaceTimeSymmetry(spectrum, &st, flipped == 0 ? 'R' : 'L') < 0 &&
      askInconsistent("BrowseHeterotic") == 1)
    return 1;
  printSusyMultiplets(&st);
  const ChiralExtension* gauge = flipped == 0 ? spectrum->left : spectrum->right;
  const BranchingTable* table = gauge != nullptr ? gauge->table : nullptr;
  PrintText(PrintGaugeGroup(spectrum, gauge, table != nullptr ? table->type : 0,
                            table != nullptr ? table->rank : 0));
  printMatter(spectrum, &st, "\nMatter multiplets (representations of first factor)\n",
              decomposition);
  if (st.supersymmetric == 0 && analyseTachyonSpectrum(spectrum, &st) == 0)
    Print("Non-supersymmetric but tachyon-free heterotic spectrum\n");
  return 0;
}

int BrowseTypeII(int sign, int decomposition) {
  if (superOn() == 0) {
    Alert("BrowseTypeII", 0, 100302, "Superstring mode is off");
    return 1;
  }
  StringBlock* spectrum = getStringSpectrum(1);
  if (spectrum == nullptr) return 1;
  SpaceTimeSymmetry st;
  if (stringSpaceTimeSymmetry(spectrum, &st, 'B') < 0 && askInconsistent("BrowseTypeII") == 1)
    return 1;
  const int c = st.right.chirality * st.left.chirality;
  if (c == 0 || std::abs(c) != 1)
    Print(sign < 0 ? "Chirality flip has no effect or chirality is not resolved\n"
                   : "Chirality is not resolved or trivial\n");
  const int saved = st.right.chirality;
  if (std::abs(saved) == 1) st.right.chirality *= sign;
  if (c * sign == 1)
    Print("\nType-IIB spectrum\n");
  else if (c * sign == -1)
    Print("\nType-IIA spectrum\n");
  else
    Print("\nType-II spectrum\n");
  printSusyMultiplets(&st);
  printMatter(spectrum, &st, "\nMatter multiplets:\n", decomposition);
  if (st.supersymmetric == 0 && analyseTachyonSpectrum(spectrum, &st) == 0)
    Print("Non-supersymmetric but tachyon-free type-II spectrum\n");
  st.right.chirality = saved;
  return 0;
}
