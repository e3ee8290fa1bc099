// Fixed-point theories (FCFTs) of the stored theories and the S matrices S^J they
// provide for fixed-point resolution.
//
// For every current J with fixed points a record keeps the FCFT record (`fcft`), the
// FCFT field of each fixed point (`fcft_labels`, one row of n_primaries per current, -1
// for fields J does not fix) and the shift (`fcft_shift`; S^J carries exp(-i pi shift/4)).
// Affine Lie algebras take the orbit Lie algebra of the current, an ordinary record of
// the store shared by every theory that needs it; the c=1 orbifold takes B at level 1 or
// the complement of C at level 1; the N=2 minimal model builds its own at creation;
// re-centred theories map the data of their base or make a generic FCFT. The data are
// built at most once per record, on first use.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"
#include "store/TensorHooks.h"

namespace {

// Affine Lie algebras (types 1 to 5). U(1) (type 0) is not one here: its currents have no
// fixed points, and reducing them to a basic current would take every one for the identity.
bool lieType(const SpectrumData* sd) { return sd->type >= 1 && sd->type <= 5; }

// The tensor layer's FCFT data of a theory built from a tensor product: the number of
// fixed-point theories made, -1 when they could not be made.
int initTensorFCFT(SpectrumData* sd) {
  if (tensorHooks().initFCFT(sd->tensor, sd) < 0) return -1;
  return sd->n_fp_currents;
}

int* labelRow(SpectrumData* sd, int i) {
  return sd->fcft_labels + static_cast<std::size_t>(i) * static_cast<std::size_t>(sd->n_primaries);
}

// The FCFT data of an affine Lie algebra: the orbit Lie algebra of each current.
int initLieFCFT(SpectrumData* sd) {
  SM_allocFieldInfo_FCFT(sd);
  if (sd->fcft_labels == nullptr || sd->fcft == nullptr) return -1;
  const int n = sd->n_primaries;
  for (int i = 0; i < sd->n_fp_currents; ++i) {
    const int J = sd->fp_currents[i];
    FixedPointTheory orbit;
    SpectrumData* f = nullptr;
    if (FCFT(sd->type, sd->rank, sd->level, J, orbit) == 0) f = SM_getData(orbit.type, orbit.rank, orbit.level);
    if (f == nullptr) {
      Alert("SM_initFCFTData", 1, 212404, "Unmatched fixed points");
      return -1;
    }
    sd->fcft[i] = f;
    f->parent_current = J;
    sd->fcft_shift[i] = orbit.shift;
    std::vector<int> folded(static_cast<std::size_t>(std::max(sd->rep_size, f->rep_size)) + 1, 0);
    int* row = labelRow(sd, i);
    for (int a = 0; a < n; ++a) {
      std::fill(folded.begin(), folded.end(), 0);
      if (fold(storeLabelOf(sd, a), folded.data(), sd->type, sd->rank, sd->level, J) != 0) {
        row[a] = -1;
        continue;
      }
      row[a] = SM_getLabel(f, folded.data());
      if (row[a] < 0) {
        Alert("SM_initFCFTData", 2, 212404, "Fixed point label not found");
        return -1;
      }
    }
  }
  return sd->n_fp_currents;
}

// Records whose orbits the orbit ordering made (the stabiliser row of a field is that of
// its whole orbit): there a current fixes a field exactly when it fixes the orbit's first
// field, so one action per orbit answers for all its fields. Any other record is asked
// field by field.
bool orbitsByStabilizers(const SpectrumData* sd) {
  const bool reordered = sd->type == kStoreTypeTensor || sd->type == kStoreTypeRecentred ||
                         sd->type == kStoreTypePermutation || sd->type == kStoreTypeOrbifold;
  return reordered && sd->use_orbits == 1 && storeGroupOrder(sd) > 1 && sd->orbit_base != nullptr &&
         sd->orbit_position != nullptr && sd->stabilizers != nullptr;
}

// The first field of a's orbit, when it is a field (else a itself).
int orbitFirst(const SpectrumData* sd, int a) {
  const int first = sd->orbit_base[a];
  return storeIsField(sd, first) ? first : a;
}

}  // namespace

std::vector<char> SM_fixedPointCurrentFlags(SpectrumData* sd) {
  const int G = storeGroupOrder(sd);
  std::vector<char> flags(static_cast<std::size_t>(std::max(G, 1)), 0);
  if (G <= 1) return flags;
  if (!orbitsByStabilizers(sd)) {
    for (int J = 1; J < G; ++J) {
      obeyInterruptRequest();
      flags[static_cast<std::size_t>(J)] = SM_fixedPointCurrent(sd, J) != 0 ? 1 : 0;
    }
    return flags;
  }
  // The union of the orbits' stabilisers, each the subgroup its stabiliser row generates:
  // the work is the sum of the stabilisers' orders, never fields times currents.
  const int g = storeGroupFactors(sd);
  std::vector<char> inSubgroup(static_cast<std::size_t>(G), 0);
  std::vector<int> elements;
  int previous = -1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    obeyInterruptRequest();
    const int first = orbitFirst(sd, a);
    if (first == previous) continue;
    previous = first;
    const int* row = sd->stabilizers + static_cast<std::size_t>(first) * static_cast<std::size_t>(g);
    elements.assign(1, 0);
    inSubgroup[0] = 1;
    for (std::size_t i = 0; i < elements.size(); ++i) {
      for (int j = 0; j < g; ++j) {
        if (row[j] <= 0 || row[j] >= G) continue;
        const int product = DG_product(row[j], elements[i], sd->scgroup);
        if (inSubgroup[static_cast<std::size_t>(product)] != 0) continue;
        inSubgroup[static_cast<std::size_t>(product)] = 1;
        elements.push_back(product);
      }
    }
    for (int J : elements) {
      inSubgroup[static_cast<std::size_t>(J)] = 0;
      // Counted only when the action agrees: a current has fixed points when J a = a.
      if (J != 0 && flags[static_cast<std::size_t>(J)] == 0 && SM_SimpleAction(sd, J, first) == first)
        flags[static_cast<std::size_t>(J)] = 1;
    }
  }
  return flags;
}

int SM_fixedPointRow(SpectrumData* sd, int J, int* row) {
  const bool byOrbit = orbitsByStabilizers(sd);
  int count = 0;
  int previous = -1;
  bool fixed = false;
  for (int a = 0; a < sd->n_primaries; ++a) {
    obeyInterruptRequest();
    if (byOrbit) {
      const int first = orbitFirst(sd, a);
      if (first != previous) {
        previous = first;
        fixed = SM_SimpleAction(sd, J, first) == first;
      }
    } else {
      fixed = SM_SimpleAction(sd, J, a) == a;
    }
    row[a] = fixed ? count++ : -1;
  }
  return count;
}

int SM_initFCFTData(SpectrumData* sd) {
  if (sd->validity < 3)
    Alert("SM_initFCFTData", 0, 112201, "The algebra %s is not a true CFT; FCFT data may be inconsistent", sd->name);
  if (sd->fcft != nullptr) return sd->n_fp_currents;
  if (sd->n_fp_currents < 1 || sd->fp_currents == nullptr) return 0;
  switch (sd->type) {
    case kStoreTypeRecentred: return SM_initRecenteredFCFT(sd);
    case kStoreTypeTensor: return initTensorFCFT(sd);
    case kStoreTypeOrbifold: return SM_initOrbifoldFCFTdata(sd);
    default: break;
  }
  if (!lieType(sd) || sd->labels == nullptr) {
    Alert("SM_initFCFTData", 1, 212404, "Unmatched fixed points");
    return -1;
  }
  return initLieFCFT(sd);
}

void SM_initFCFT(SpectrumData* sd) { SM_initFCFTData(sd); }

const int* SM_getFCFTlabels(SpectrumData* sd) {
  if (sd->fcft_labels == nullptr) SM_initFCFTData(sd);
  return sd->fcft_labels;
}

SpectrumData* SM_createFCFT(const char* name, SpectrumData* parent, const int* row, int count) {
  int type = -1;
  if (parent != nullptr) {
    if (parent->type == kStoreTypeTensor || parent->type == kStoreTypeRecentred) type = kStoreTypeTensorFCFT;
    if (parent->type == kStoreTypePermutation) type = kStoreTypePermutationFCFT;
  }
  if (type < 0 || row == nullptr) {
    Alert("SM_createFCFT", 0, 212404, "Invalid call to SM_createFCFT");
    return nullptr;
  }
  int kept = 0;
  for (int a = 0; a < parent->n_primaries; ++a) kept += row[a] != -1 ? 1 : 0;
  if (kept != count) Alert("SM_createFCFT", 1, 110402, "Count discrepancy (%d != %d)", kept, count);
  SpectrumData* f = allocateSpectrumData(name);
  f->type = type;
  f->rank = 0;
  f->level = 0;
  f->rep_size = parent->rep_size;
  f->n_primaries = kept;
  f->symmetric = 0;
  f->validity = 1;
  f->store_s = 1;
  f->c = parent->c;
  f->base = parent;
  f->scgroup = DG_trivial();
  f->n_orbits = kept;
  f->weight_den = parent->weight_den;
  f->weights_exact = 0;
  SM_allocFieldInfo_Orbits(f);
  const std::size_t width = static_cast<std::size_t>(f->rep_size);
  int* block = SM_allocInts(f, SM_fieldArraySize(f, kept, f->rep_size + 2), "Labels (FCFT)");
  if (block == nullptr || f->orbit_number == nullptr) return f;
  f->labels = f->rep_size > 0 ? block : nullptr;
  f->weight_num = block + width * static_cast<std::size_t>(kept);
  f->exact = f->weight_num + kept;
  int b = 0;
  for (int a = 0; a < parent->n_primaries; ++a) {
    if (row[a] == -1) continue;
    if (f->labels != nullptr && parent->labels != nullptr)
      std::copy(storeLabelOf(parent, a), storeLabelOf(parent, a) + width, storeLabelOf(f, b));
    f->weight_num[b] = parent->weight_num == nullptr ? 0 : parent->weight_num[a];
    f->exact[b] = 0;
    f->orbit_number[b] = b;
    f->orbit_position[b] = 0;
    ++b;
  }
  return f;
}

int SM_getFCFTlbl(SpectrumData* sd, int J) {
  if (J == 0) return 0;
  if (lieType(sd)) {
    J = SM_ConvertToBasic(sd, J);
    if (J == 0) return 0;
  }
  if (sd->fcft == nullptr && SM_initFCFTData(sd) < 1) return -1;
  if (sd->fp_currents == nullptr) return -1;
  for (int i = 0; i < sd->n_fp_currents; ++i) {
    if (sd->fp_currents[i] == J) return i + 1;
  }
  return -1;
}

SpectrumData* SM_getFCFT(SpectrumData* sd, int J) {
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 0) return nullptr;
  if (lbl == 0) return sd;
  return sd->fcft[lbl - 1];
}

int SM_getFCFTshift(SpectrumData* sd, int J) {
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl == 0) return 0;
  if (lbl < 0 || sd->fcft_shift == nullptr) {
    Alert("SM_getFCFTshift", 0, 100202, "Current has no fixed points\n");
    return std::numeric_limits<int>::max();
  }
  return sd->fcft_shift[lbl - 1];
}

int SM_getFPlabel(SpectrumData* sd, int J, int b) {
  if (J == 0) return b;
  if (lieType(sd) && SM_ConvertToBasic(sd, J) == 0) {
    Alert("SM_getFPlabel", 0, 212404, "Unexpected label zero FCFT");
    return -2;
  }
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 1 || !storeFieldInRange(sd, b, "SM_getFPlabel", 1)) return -1;
  return labelRow(sd, lbl - 1)[b];
}

int SM_getOLA_Smatrix(SpectrumData* sd, int J, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (SM_get_S_CALL_TRACE()) PrintStdout("SM_getOLA_Smatrix for algebra %s,current %d\n", sd->name, J);
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 0) return 0;
  SpectrumData* f = lbl == 0 ? sd : sd->fcft[lbl - 1];
  if (f == nullptr) return 0;
  const int la = SM_getFPlabel(sd, J, a);
  const int lb = SM_getFPlabel(sd, J, b);
  if (la < 0 || lb < 0) return 0;
  SM_getS(f, la, lb, re, im);
  return 1;
}

int SM_getFCFT_Smatrix(SpectrumData* sd, int J, int a, int b, double* re, double* im) {
  if (SM_get_S_CALL_TRACE()) PrintStdout("SM_getFCFT_Smatrix for algebra %s\n", sd->name);
  if (SM_getOLA_Smatrix(sd, J, a, b, re, im) == 0) {
    *re = 0.0;
    *im = 0.0;
    return 0;
  }
  const int shift = SM_getFCFTshift(sd, J);
  const double angle = -M_PI * static_cast<double>(shift) / 4.0;
  const double r = *re, i = *im;
  complexProduct(re, im, r, i, std::cos(angle), std::sin(angle));
  return 1;
}

int SM_fixedPointCurrent(SpectrumData* sd, int J) {
  if (lieType(sd)) return FixedPointCheck(sd->type, sd->rank, sd->level, SM_ConvertToBasic(sd, J));
  if (sd->type == kStoreTypeMinimalN2) {
    const long long k = sd->level;
    if (k % 2 != 0) return 0;
    if (((k + 2) / 2) % 2 == 0) return J == 3 * k + 6 ? 1 : 0;
    return J == k + 2 ? 1 : 0;
  }
  if (sd->type == kStoreTypeSpecialN2 && sd->rank == 2) {
    if (!storeFieldInRange(sd, J, "SM_fixedPointCurrent", 0)) return 0;
    const int* label = storeLabelOf(sd, J);
    return ((label[0] == sd->level || label[0] == 0) && label[1] == 0 && label[2] == 0) ? 1 : 0;
  }
  const bool byOrbit = orbitsByStabilizers(sd);
  int previous = -1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    obeyInterruptRequest();
    const int b = byOrbit ? orbitFirst(sd, a) : a;
    if (b == previous) continue;
    previous = b;
    if (SM_SimpleAction(sd, J, b) == b) return 1;
  }
  return 0;
}

int SM_getLabel(SpectrumData* sd, const int* label) {
  if (lieType(sd)) {
    const int quick = findRep(label, sd->rep_size, sd->n_primaries, sd->type, sd->rank, sd->level);
    if (storeIsField(sd, quick) && std::equal(label, label + sd->rep_size, storeLabelOf(sd, quick))) return quick;
  }
  const int a = SM_getLabelNoMessage(sd, label);
  if (a < 0) Alert("SM_getLabel", 0, 212404, "Representation not found");
  return a;
}

// ---------------------------------------------------------------------------------------
// The c=1 orbifold

SpectrumData* SM_getOrbifoldFCFT(SpectrumData* sd, int i, int* shift) {
  const int N = sd->rank;
  const int J = sd->fp_currents != nullptr && i >= 0 && i < sd->n_fp_currents ? sd->fp_currents[i] : -1;
  if (J == 1 || J == 3) {
    *shift = N / 2;
    return SM_getData(2, N / 2 - 1, 1);
  }
  if (J == 2) {
    *shift = 4 * N - 6;
    SpectrumData* c = SM_getData(3, N - 2, 1);
    return c == nullptr ? nullptr : SM_getComplement(c, nullptr);
  }
  Alert("SM_getOrbifoldFCFT", 0, 212404, "Invalid argument in SM_getOrbifoldFCFT");
  return nullptr;
}

int SM_getOrbifoldFCFTlabel(SpectrumData* sd, SpectrumData* F, int J, int a) {
  const int N = sd->rank;
  const bool twoModFour = N % 4 == 2;
  if (J == 1 || J == 3) {
    if (J == 1 && a == N + 2) return 2;
    if (J == 3 && a == N + 2) return 2;
    const bool firstPair = (J == 1) != twoModFour;
    const int zero = firstPair ? N + 3 : N + 5;
    if (a == zero) return 0;
    if (a == zero + 1) return 1;
    return -1;
  }
  if (J == 2) {
    if (!storeIsField(sd, a)) return -1;
    const int* label = storeLabelOf(sd, a);
    if (label[0] != 1) return -1;
    const int x = label[1];
    if (N == 2) return 0;
    if (N == 3) return 2 - x;
    if (x == N - 1) return 0;
    if (F == nullptr) return -1;
    std::vector<int> rep(static_cast<std::size_t>(std::max(N, F->rep_size)), 0);
    const int position = N - x - 2;
    if (position >= 0 && position < static_cast<int>(rep.size())) rep[static_cast<std::size_t>(position)] = 1;
    return SM_getLabel(F, rep.data());
  }
  Alert("SM_getOrbifoldFCFTlabel", 0, 212404, "Invalid orbifold fixed point");
  return -1;
}

int SM_initOrbifoldFCFTdata(SpectrumData* sd) {
  SM_allocFieldInfo_FCFT(sd);
  if (sd->fcft_labels == nullptr || sd->fcft == nullptr) return -1;
  for (int i = 0; i < sd->n_fp_currents; ++i) {
    int shift = 0;
    SpectrumData* F = SM_getOrbifoldFCFT(sd, i, &shift);
    sd->fcft[i] = F;
    sd->fcft_shift[i] = shift;
    int* row = labelRow(sd, i);
    for (int a = 0; a < sd->n_primaries; ++a) row[a] = SM_getOrbifoldFCFTlabel(sd, F, sd->fp_currents[i], a);
    if (F != nullptr) F->parent_current = sd->fp_currents[i];
  }
  return sd->n_fp_currents;
}

// ---------------------------------------------------------------------------------------
// Re-centred theories

int SM_initRecenteredFCFT(SpectrumData* sd) {
  SpectrumData* base = sd->base;
  if (base == nullptr || sd->field_map == nullptr) {
    Alert("SM_initRecenteredFCFT", 0, 212404, "Unexpected NULL pointer");
    return -1;
  }
  if (SM_initFCFTData(base) == -1) return -1;
  SM_allocFieldInfo_FCFT(sd);
  if (sd->fcft_labels == nullptr || sd->fcft == nullptr) return -1;
  const int n = sd->n_primaries;
  PrintVec(n, sd->field_map, "Map");
  for (int i = 0; i < sd->n_fp_currents; ++i) {
    Print("FCFT number i=%d\n", i);
    const int J = sd->fp_currents[i];
    int* row = labelRow(sd, i);
    const int count = SM_fixedPointRow(sd, J, row);
    PrintVec(n, row, "FCFTlabels");
    if (!storeIsField(sd, J)) continue;
    const int mapped = sd->field_map[J];
    if (mapped >= 0 && mapped < storeGroupOrder(base)) {
      const int position = base->fp_currents == nullptr ? -1 : Present(base->fp_currents, base->n_fp_currents, mapped);
      if (position < 0) {
        Alert("SM_initRecenteredFCFT", 1, 212404, "Original fixed point current not found");
        return -1;
      }
      Print("Corresponding current %d, label %d\n", mapped, position);
      sd->fcft[i] = base->fcft == nullptr ? nullptr : base->fcft[position];
      const int* baseRow = labelRow(base, position);
      for (int a = 0; a < n; ++a) {
        if (row[a] >= 0 && storeIsField(base, sd->field_map[a])) row[a] = baseRow[sd->field_map[a]];
      }
      sd->fcft_shift[i] = base->fcft_shift[position];
      PrintVec(n, row, "new FCFTlabels");
      continue;
    }
    const std::string name = formatText("%s_%d", sd->name, i);
    SpectrumData* f = SM_createFCFT(name.c_str(), sd, row, count);
    if (f == nullptr) {
      Alert("SM_initRecenteredFCFT", 2, 212404, "Unexpected NULL pointer");
      return -1;
    }
    f->use_orbits = 0;
    f->s_available = 1;
    f->parent_current = J;
    f->parent_current_rep = SM_allocInts(f, static_cast<std::size_t>(std::max(sd->rep_size, 0)), "Parent current");
    if (f->parent_current_rep != nullptr && sd->labels != nullptr)
      std::copy(storeLabelOf(sd, J), storeLabelOf(sd, J) + sd->rep_size, f->parent_current_rep);
    sd->fcft[i] = f;
    sd->fcft_shift[i] = 0;
  }
  return sd->n_fp_currents;
}
