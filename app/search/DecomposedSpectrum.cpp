// The decomposed spectrum print of a standard-model candidate: the particle list, the
// exact-or-mirrors verdict with the Higgs pair count, the Higgs candidates and, for every
// Higgs choice, the perturbative couplings and the resulting quark and lepton masses.
// The family count F of the search decides both the Higgs-pair count (L_tot - F)/2 and
// the mirror test (more than F copies of a kind).
#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/Output.h"
#include "search/Catalogue.h"
#include "search/Couplings.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

struct DecomposedSpectrumState {
  bool particleExplained = false;
  bool higgsExplained = false;
  bool choiceExplained = false;
};

DecomposedSpectrumState& state() {
  static DecomposedSpectrumState s;
  return s;
}

const char* su3Name(int v) { return v == 1 ? "3" : v == -1 ? "3*" : "1"; }
const char* su2Name(int v) { return v == 1 ? "2" : "1"; }
const char* hyperchargeName(int y6) {
  static const char* const kNames[13] = {"-1 ", "-5/6", "-2/3", "-1/2", "-1/3", "-1/6", "  0 ",
                                         "1/6", "1/3",  "1/2",  "2/3",  "5/6",  "  1 "};
  return y6 >= -6 && y6 <= 6 ? kNames[y6 + 6] : "?";
}

void explanation(bool* shown, const std::vector<const char*>& lines, int blankBeforeLast) {
  if (*shown) {
    PrintStdout("\n >>>>>>>>  Explanation: see first occurrence of similar data  <<<<<<<<\n\n");
    return;
  }
  *shown = true;
  Print("\n >>>>>>>>  The following explanation is shown only once per run. <<<<<<<<\n\n");
  PrintSeparatorWithText('.', "");
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (blankBeforeLast > 0 && k + static_cast<std::size_t>(blankBeforeLast) == lines.size()) Print("\n");
    Print("%s", lines[k]);
  }
  PrintSeparatorWithText('.', "");
  Print("\n");
}

void printParticleDecompositionExplanation() {
  explanation(&state().particleExplained,
              {"Column 1: Reference label (used for couplings).\n",
               "          These labels are not in the same order as the open string spectrum,\n",
               "          given above. To relate these open string representations to particle assigments,\n",
               "          use the brane charges in column 4.\n", "Column 2: Particle name.\n",
               "Column 3: SU(3) x SU(2) x U(1) representation\n",
               "          Between brackets <..> appear the extra U(1) charges, if any.\n",
               "Column 4: Brane charges, obtained after splitting stack c and d.\n",
               "          These stacks are split if Y contains nontrivial generators\n",
               "          T_c or T_d embedded in the nonabelian groups of these stacks.\n",
               "          Brane charges can be 1,-1,2,-2 or 0.\n",
               "          Here 1, -1 denote vectors and 2, -2 denote rank-2 tensors.\n",
               "          Note that because of c and d brane splitting there can be more than\n",
               "          one distinct particle per open string state\n",
               "Column 5: Decomposition of the contribution of Y from the four stacks.\n",
               "Each particle category includes particles and mirrors (if any are present)\n",
               "Standard model particles are Q, u*, d*, L and e*\n"},
              2);
}

void printHiggsExplanation() {
  explanation(&state().higgsExplained,
              {"The following list contains all Higgs bosons that might exist\n",
               "in the full spectrum, including vector-like states.\n",
               "The MSSM Higgs pair (Hd,Hu) can be realized in the full spectrum\n",
               "as a vector-like pair, but it may also be chiral with respect to the\n",
               "full Chan-Paton gauge group, becoming non-chiral only when that group\n",
               "is reduced to the Standard Model.\n", "\n",
               "Higgs representations that actually appear in the chiral spectrum have\n",
               "already been identified above under the heading \"lepton doublets\".\n",
               "They are indicated below as (= nr), but only if the chiral spectrum \n",
               "contains such a Higgs candidate pair in addition to the lepton doublets.  \n", "Notation as above.\n"},
              0);
}

void printHiggsChoiceExplanation() {
  explanation(&state().choiceExplained,
              {"These tables contain the mass spectrum for any possible choice of\n", "Higgs pairs Hd and Hu.\n",
               "The perturbative Yukawa couplings are analyzed and the \n",
               "resulting mass patterns for quarks and charged leptons are shown, \n",
               "both for the particles and their mirrors (if any).\n"},
              0);
}

// The reduced vector y_a..y_d over the norm, "(y_a,y_b,y_c,y_d)/n".
std::string yDecomposition(const SpectrumRow& row) {
  int v[4] = {row[15], row[16], row[17], row[18]};
  int g = row[14];
  for (int x : v) g = std::gcd(g, x);
  if (g < 0) g = -g;
  if (g == 0) g = 1;
  return formatText("(%d,%d,%d,%d)/%d", v[0] / g, v[1] / g, v[2] / g, v[3] / g, row[14] / g);
}

// Labels of rows of the other doublet kind with the same representation data.
int sameDataRow(const OrderedSpectrum& ordered, const SpectrumRow& row, int type) {
  for (std::size_t k = 0; k < ordered.size(); ++k) {
    const SpectrumRow& other = ordered[k];
    if (other[19] != type) continue;
    if (std::equal(other.begin(), other.begin() + 19, row.begin())) return static_cast<int>(k);
  }
  return -1;
}

}  // namespace

void resetDecomposedSpectrum() { state() = DecomposedSpectrumState(); }

void printParticleData(int label, const SpectrumRow& row, int index, const char* name) {
  if (index == -1) Print("%2d       ", label);
  else Print("%-9s", formatText("%2d (=%d)", label, index).c_str());
  const int type = row[19];
  Print("%2s ", name);
  Print("%s", type >= 0 || type == -6 ? "         " : "(mirror) ");
  const int y6 = row[2];
  if (y6 >= -6 && y6 <= 6) {
    if (type == 6 || type == -6) Print("    (%-2s,%s,%4s)", su3Name(row[0]), su2Name(row[1]), hyperchargeName(y6));
    else Print("%3d x (%-2s,%s,%4s)", row[20], su3Name(row[0]), su2Name(row[1]), hyperchargeName(y6));
  } else {
    Print("%3d x (%-2s,%s,%d/%d)", row[20], su3Name(row[0]), su2Name(row[1]), row[13], row[14]);
  }
  if (SM.extraMasslessU1 >= 1) {
    Print("<%2d", row[3]);
    if (SM.extraMasslessU1 >= 2) Print(",%2d", row[4]);
    Print(">");
  }
  const int qb = row[1] == 1 && row[6] == 0 ? 1 : row[6];
  Print("%-25s", formatText("   \t(%d,%d,%d,%d,%d,%d)", row[5], qb, row[9], row[10], row[11], row[12]).c_str());
  Print("\t%-25s\n", yDecomposition(row).c_str());
}

void printDecomposedSpectrumMultiplets(const OrderedSpectrum& ordered, int* exact) {
  const char* extra = SM.extraMasslessU1 >= 2 ? "        " : SM.extraMasslessU1 == 1 ? "    " : "";
  Print("Label    name          SM-representation  %s   Boundary condition      Y-decomposition\n", extra);
  const int F = getFamiliesRequired();
  for (int kind : {1, 2, 3, 4, 5, 0}) {
    int copies = 0;
    for (std::size_t k = 0; k < ordered.size(); ++k) {
      const SpectrumRow& row = ordered[k];
      const int type = row[19];
      if (kind == 0 ? type != 0 : (type != kind && type != -kind)) continue;
      printParticleData(static_cast<int>(k), row, -1, particleName(type).c_str());
      copies += row[20];
    }
    if ((kind == 1 || kind == 2 || kind == 3 || kind == 5) && copies > F) *exact = 0;
  }
}

void printDecomposedSpectrum(const OrderedSpectrum& ordered, int hd, int hu, int mode) {
  int exact = 1;
  std::vector<int> hdList, huList;
  int tally[13] = {};
  Print("\n");
  PrintBannerWithText('-', "    Standard model particle decomposition");
  printParticleDecompositionExplanation();
  Print("\n");
  printDecomposedSpectrumMultiplets(ordered, &exact);
  for (const SpectrumRow& row : ordered)
    if (row[19] >= -6 && row[19] <= 6) tally[row[19] + 6] += row[20];
  const int F = getFamiliesRequired();
  for (int kind : {1, 2, 3, 5})
    if (tally[kind + 6] + tally[-kind + 6] > F) exact = 0;
  const int leptonTotal = tally[4 + 6] + tally[-4 + 6];
  if (mode == 3) return;

  const int higgsPairs = (leptonTotal - F) / 2;
  const int neutrinos = tally[6];
  int B = -1;
  for (std::size_t k = 0; k < ordered.size(); ++k) {
    const int type = ordered[k][19];
    if (type == 5 || type == -5 || type == 0) B = std::max(B, static_cast<int>(k));
  }
  if (exact == 1)
    Print("\n\nExact chiral SM spectrum (%d susy Higgs pairs and %d singlet neutrinos)\n", higgsPairs, neutrinos);
  else
    Print("\n\nSM spectrum with mirrors (%d susy Higgs pairs and %d singlet neutrinos)\n", higgsPairs, neutrinos);
  Print("[This refers to Chan-Paton-chiral states only! There may be additional non-chiral states.]\n");
  PrintSeparatorWithText('-', "");
  Print("\n");

  Print("\n");
  PrintBannerWithText('-', "    Higgs bosons");
  printHiggsExplanation();
  for (std::size_t k = 0; k < ordered.size(); ++k) {
    const SpectrumRow& row = ordered[k];
    if (row[20] == 0 || (row[19] != 6 && row[19] != -6)) continue;
    const bool down = row[19] == 6;
    (down ? hdList : huList).push_back(static_cast<int>(k));
    const int twin = leptonTotal >= 5 ? sameDataRow(ordered, row, down ? 4 : -4) : -1;
    printParticleData(static_cast<int>(k), row, twin, down ? "Hd" : "Hu");
  }
  bool exoticTitle = false;
  for (std::size_t k = 0; k < ordered.size(); ++k) {
    if (ordered[k][19] != 7) continue;
    if (!exoticTitle) Print("Exotically charged particles\n");
    exoticTitle = true;
    printParticleData(static_cast<int>(k), ordered[k], -1, "Ex");
  }
  Print("\n");
  Print("\n");
  PrintBannerWithText('-', "    Higgs Choice Analysis (for perturbative couplings)");
  printHiggsChoiceExplanation();
  if (hdList.empty()) return;

  for (int h : hdList) {
    if (hd != 0 && h != hd) continue;
    for (int u : huList) {
      if (hu != 0 && u != hu) continue;
      PrintBannerWithText('=', "Hd=%d, Hu=%d", h, u);
      int massless[13];
      std::copy(std::begin(tally), std::end(tally), massless);
      const SpectrumRow& H = ordered[static_cast<std::size_t>(h)];
      const SpectrumRow& U = ordered[static_cast<std::size_t>(u)];
      for (int r = 0; r <= B; ++r) {
        const SpectrumRow& row = ordered[static_cast<std::size_t>(r)];
        const std::string nameText = particleName(row[19]);
        const char* name = nameText.c_str();
        if (twoPointCoupling(row, H)) Print("Two point coupling      (%s,Hd)\n", name);
        if (twoPointCoupling(row, U)) Print("Two point coupling      (%s,Hu)\n", name);
        if (PerturbativeThreePointCoupling(row, H, H)) Print("Three point coupling    (%s,Hd,Hd)\n", name);
        if (PerturbativeThreePointCoupling(row, H, U)) Print("Three point coupling    (%s,Hd,Hu)\n", name);
        if (PerturbativeThreePointCoupling(row, U, U)) Print("Three point coupling    (%s,Hu,Hu)\n", name);
      }
      for (int i = 0; i <= B; ++i)
        for (int j = i; j <= B; ++j) {
          const SpectrumRow& ri = ordered[static_cast<std::size_t>(i)];
          const SpectrumRow& rj = ordered[static_cast<std::size_t>(j)];
          const int ci = ri[20] - (i == h || i == u ? 1 : 0);
          const int lowered = std::min(ci, rj[20]);
          const int type = rj[19];
          if (PerturbativeThreePointCoupling(ri, rj, H)) {
            Print("Yukawa coupling         (%s,%s,Hd)\n", particleName(ri[19]).c_str(), particleName(type).c_str());
            if (type >= -6 && type <= 6) massless[type + 6] -= lowered;
          }
          if (PerturbativeThreePointCoupling(ri, rj, U)) {
            Print("Yukawa coupling         (%s,%s,Hu)\n", particleName(ri[19]).c_str(), particleName(type).c_str());
            if (type >= -6 && type <= 6) massless[type + 6] -= lowered;
          }
        }
      Print("\n                     massless  |  massive  |  massless mirror |  massive mirror\n");
      PrintSeparatorWithText('-', "");
      auto line = [&](int t, int* cells) {
        cells[0] = massless[t + 6];
        cells[1] = tally[t + 6] - massless[t + 6];
        cells[2] = massless[-t + 6];
        cells[3] = tally[-t + 6] - massless[-t + 6];
      };
      int c[4];
      line(2, c);
      Print("Up quarks:               %2d    |    %2d     |        %2d        |       %2d\n", c[0], c[1], c[2], c[3]);
      line(3, c);
      Print("Down quarks:             %2d    |    %2d     |        %2d        |       %2d\n", c[0], c[1], c[2], c[3]);
      line(5, c);
      Print("Charged leptons:         %2d    |    %2d     |        %2d        |       %2d\n", c[0], c[1], c[2], c[3]);
      Print("\n\n");
    }
  }
}
