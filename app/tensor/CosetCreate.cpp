// Stored theories made from tensor products: createCFT turns a tensor product, coset or
// extension into a record of the store (type 9), and the minimal models with 0 and 1
// supersymmetries are built through it as cosets of A1 factors.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "collections/VectorSpace.h"
#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "tensor/CosetInternal.h"

namespace {

// A setting read live; the default when the program has not registered it (unit tests).
int setting(const char* name, int fallback) {
  const int* p = getIntParPointer(name);
  return p != nullptr ? *p : fallback;
}

void showInfo(const char* text) {
  if (setting("Create show_info", 0) != 0) Print(text, CPUTime());
}

void cosetSAccessor(void* ctx, int a, int b, double* re, double* im) {
  getCosetS(static_cast<TensorProduct*>(ctx), a, b, re, im);
}

// The current list handed to the reorder, with the tensor product it belongs to: the
// product's own currents act through their labels, currents found only from rows of S
// (exceptional ones) through S.
struct CurrentListContext {
  TensorProduct* TP = nullptr;
  IntList list;
};

// The current's place in the list, read from the product's map of every field to its place
// (makeSimpleCurrentMap): the group identification asks for it with every product, so a
// search of the list would make it quadratic in the number of currents.
int positionInList(const CurrentListContext* c, int field) {
  const std::vector<int>& map = c->TP->SimpleCurrentMap;
  const int fields = std::min(c->TP->NumberOfPrimaries, static_cast<int>(map.size()));
  return field < 0 || field >= fields ? -1 : map[static_cast<std::size_t>(field)];
}

int listAction(int Jfield, int a, void* ctx) {
  auto* c = static_cast<CurrentListContext*>(ctx);
  if (Jfield < c->TP->NumberOfSimpleCurrents) return CT_simpleCurrentAction(Jfield, a, c->TP);
  return GenericSimpleAction(c->TP, c->TP->NumberOfPrimaries, Jfield, a, cosetSAccessor);
}

int listProduct(int J, int K, void* ctx) {
  auto* c = static_cast<CurrentListContext*>(ctx);
  if (J < 0 || K < 0 || J >= c->list.n || K >= c->list.n) return -1;
  return positionInList(c, listAction(c->list.list[J], c->list.list[K], ctx));
}

// The simple currents of the record-to-be: the product's own, or with "Create fullcenter"
// every field that acts as a simple current by the rows of S.
void makeSimpleCurrentMap(CurrentListContext* c) {
  TensorProduct* TP = c->TP;
  const int count = std::max(1, TP->NumberOfSimpleCurrents);
  initList(&c->list, count);
  if (setting("Create fullcenter", 1) != 0) {
    const IntList* found =
        DetermineSimpleCurrentMap(TP, 2 * count + 2, TP->NumberOfPrimaries, cosetSAccessor);
    if (found != nullptr && found->n > 0) {
      initList(&c->list, found->n);
      for (int i = 0; i < found->n; ++i) addToList(&c->list, found->list[i]);
    }
  }
  if (c->list.n == 0) {
    for (int i = 0; i < count; ++i) addToList(&c->list, i);
  }
  const int fields = TP->NumberOfPrimaries;
  TP->SimpleCurrentMap.assign(static_cast<std::size_t>(fields), -1);
  for (int i = 0; i < c->list.n; ++i) {
    const int field = c->list.list[i];
    if (field >= 0 && field < fields && TP->SimpleCurrentMap[static_cast<std::size_t>(field)] < 0)
      TP->SimpleCurrentMap[static_cast<std::size_t>(field)] = i;
    TP->SimpleCurrentMap.push_back(field);
  }
}

// Exact weights of the fields in tensor order, on one common denominator.
void getConformalWeightInfo(SpectrumData* sd, TensorProduct* TP) {
  const int n = sd->n_primaries;
  std::vector<Rat> h(static_cast<std::size_t>(n));
  long long den = 1;
  sd->weights_exact = 1;
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    Rat q{0, 1};
    const int exact = TensorRatWeight(TP, TP->Spectrum.row(a), &q);
    if (q.den <= 0) q = Rat{0, 1};
    h[static_cast<std::size_t>(a)] = q;
    sd->exact[a] = exact;
    if (exact == 0) sd->weights_exact = 0;
    den = std::lcm(den, static_cast<long long>(q.den));
    if (den > 1000000000LL) {
      Alert("getConformalWeightInfo", 0, 112312, "Weight denominator too large");
      den = 1;
      sd->weights_exact = 0;
      break;
    }
  }
  sd->weight_den = static_cast<int>(den);
  for (int a = 0; a < n; ++a) {
    const Rat& q = h[static_cast<std::size_t>(a)];
    sd->weight_num[a] = q.den > 0 ? static_cast<int>(q.num * (den / q.den)) : 0;
  }
  if (TP->ExactWeightFlag == 0) sd->weights_exact = 0;
}

bool hasResolvedFields(TensorProduct* TP) {
  for (int a = 0; a < TP->NumberOfPrimaries; ++a) {
    obeyInterruptRequest();
    if (UntwistedStabilizerOrder(TP, a) > 1) return true;
  }
  return false;
}

void getDimensionsAndInfo(SpectrumData* sd, TensorProduct* TP) {
  if (TP->CosetFlag != 0 || DimComputable(TP) == 0) return;
  SM_allocFieldInfo_Dims(sd);
  if (sd->dims == nullptr) return;
  showInfo("Computing Dimensions; time: %7.2f\n");
  for (int a = 0; a < sd->n_primaries; ++a) {
    obeyInterruptRequest();
    sd->dims[a] = CT_getDimension(TP, sd->field_map[a]);
  }
}

void addGradingInfo(SpectrumData* sd, TensorProduct* TP) {
  if (setting("Graded", 0) == 0) return;
  const int n = TP->NumberOfFactors;
  for (int f = n - 1; f >= 0; --f) {
    const SpectrumData* factor = TP->TensorFactors[static_cast<std::size_t>(f)];
    if (factor == nullptr || factor->graded != 1) continue;
    std::vector<int> row(static_cast<std::size_t>(sd->rep_size), 0);
    row[static_cast<std::size_t>(f)] = factor->grade_current;
    const int field = SM_getLabelNoMessage(sd, row.data());
    if (field >= 0) {
      SM_grade(sd, field);
      return;
    }
  }
}

// One row per symmetry of the product: the record current each record current goes to.
void addCurrentAutomorphisms(SpectrumData* sd, TensorProduct* TP, bool exceptional) {
  sd->automorphisms = &sd->automorphismSpace;
  const int order = sd->scgroup != nullptr ? sd->scgroup->order : 1;
  const int n = sd->n_primaries;
  std::vector<int> row(static_cast<std::size_t>(order) + 2, -1);
  const VectorSpace& perms = TP->CurrentPermutations;
  std::vector<std::vector<int>> rows;
  if (!exceptional && perms.Space != nullptr && perms.Nfill >= 2) {
    for (int p = 0; p < perms.Nfill; ++p) {
      obeyInterruptRequest();
      const int* image = perms.Space + static_cast<std::size_t>(p) * static_cast<std::size_t>(perms.rowsize);
      std::vector<int> r(static_cast<std::size_t>(order), -1);
      bool whole = true;
      for (int c = 0; c < order && whole; ++c) {
        const int tensorField = sd->field_map[c];
        const int moved = tensorField >= 0 && tensorField < perms.rowsize ? image[tensorField] : -1;
        r[static_cast<std::size_t>(c)] = moved >= 0 && moved < n ? sd->field_map[n + moved] : -1;
        whole = r[static_cast<std::size_t>(c)] >= 0 && r[static_cast<std::size_t>(c)] < order;
      }
      if (whole) rows.push_back(r);
    }
  }
  if (rows.empty()) {
    rows.emplace_back(static_cast<std::size_t>(order));
    std::iota(rows.back().begin(), rows.back().end(), 0);
  }
  initVectorCollection(sd->automorphisms, order, static_cast<int>(rows.size()));
  for (const std::vector<int>& r : rows) {
    obeyInterruptRequest();
    std::copy(r.begin(), r.end(), row.begin());
    addVectorToCollection(sd->automorphisms, row.data());
  }
}

// The orbit S matrix as "Store_S" asks; true when every orbit pair was stored.
bool computeCFT_S(SpectrumData* sd) {
  showInfo("Computing S on orbits; time: %7.2f\n");
  const int storeS = setting("Store_S", 2);
  bool whole = false;
  double re = 0.0, im = 0.0;
  if (storeS >= 2) {
    sd->store_s = 1;
    // The first field of each orbit represents it.
    std::vector<int> first(static_cast<std::size_t>(std::max(sd->n_orbits, 0)), -1);
    for (int a = sd->n_primaries - 1; a >= 0; --a) {
      obeyInterruptRequest();
      const int orbit = sd->orbit_number[a];
      if (orbit >= 0 && orbit < sd->n_orbits) first[static_cast<std::size_t>(orbit)] = a;
    }
    whole = std::find(first.begin(), first.end(), -1) == first.end();
    for (int p = 0; p < sd->n_orbits && whole; ++p) {
      for (int q = p; q < sd->n_orbits && whole; ++q) {
        obeyInterruptRequest();
        whole = SM_getSBase(sd, p, q, first[static_cast<std::size_t>(p)], first[static_cast<std::size_t>(q)], &re,
                            &im) == 1;
      }
    }
    whole = whole && sd->sbase.held();
  } else if (storeS == 1) {
    sd->store_s = 1;
    SM_getSBase(sd, 0, 0, 0, 0, &re, &im);
  } else {
    sd->store_s = 0;
  }
  showInfo("S on orbits completed; time: %7.2f\n");
  return whole;
}

// Every fixed-point theory made, with every element of its S stored (an element counts as
// stored when its real part is not below -1.5, the mark of one not computed).
bool fixedPointTheoriesStored(SpectrumData* sd) {
  if (sd->n_fp_currents == 0) return true;
  if (SM_initFCFTData(sd) < 0 || sd->fcft == nullptr) return false;
  for (int i = 0; i < sd->n_fp_currents; ++i) {
    const SpectrumData* f = sd->fcft[i];
    if (f == nullptr || f->s_available == 0 || !f->sbase.held()) return false;
    const std::uint64_t m = static_cast<std::uint64_t>(f->n_orbits);
    for (std::uint64_t e = 0; e < m * m; ++e) {
      if ((e & 4095U) == 0) obeyInterruptRequest();
      if (f->sbase.at(e) < -1.5) return false;
    }
  }
  return true;
}

}  // namespace

// The record keeps its tensor product (mode 0) or lets go of it (mode 1).
void dropTensorPointer(SpectrumData* sd, int mode) {
  if (mode == 1) {
    // A trace of the record's bookkeeping, for debugging only ("set debug level 1").
    if (getDebugLevel() >= 1) Print("Tensor pointer dropped\n");
    sd->tensor = nullptr;
    return;
  }
  TensorProduct* TP = sd->tensor;
  if (TP == nullptr) return;
  if (TP == currentTensor) {
    currentTensor = initializeTensorProduct(nullptr);
  } else if (TP == cosetCreateState().createTensor) {
    cosetCreateState().createTensor = initializeTensorProduct(nullptr);
  } else {
    Alert("dropTensorPointer", 0, 112301, "Unknown tensor pointer encountered");
  }
}

CosetCreateState& cosetCreateState() {
  static CosetCreateState state;
  return state;
}

void getCosetSOfMappedFields(TensorProduct* TP, const int* a, const int* b, double* re, double* im) {
  getCosetS(TP, *a, *b, re, im);
}

TensorProduct* createTensorProduct() {
  CosetCreateState& s = cosetCreateState();
  if (s.createTensor == nullptr) s.createTensor = initializeTensorProduct(nullptr);
  return s.createTensor;
}

SpectrumData* createCFT(TensorProduct* TP, const char* name) {
  if (TP == nullptr || TP->NumberOfFactors == 0) {
    Alert("createCFT", 0, 100302, "Empty theory");
    return nullptr;
  }
  if (name == nullptr || name[0] == '\0') {
    Alert("createCFT", 2, 100302, "A CFT name is needed");
    return nullptr;
  }
  if (SM_findCFT(name) != nullptr) {
    Alert("createCFT", 1, 100302, "%s already exists", name);
    return nullptr;
  }
  // The spectrum comes first: a failure must leave no record that can be found by name.
  showInfo("Spectrum computation; time: %7.2f\n");
  if (computeTensorSpectrum(TP) != 0 || TP->NumberOfPrimaries < 1) {
    Alert("createCFT", 3, 100302, "No spectrum for %s; nothing created", name);
    return nullptr;
  }
  const int n = TP->NumberOfPrimaries;
  const int nf = TP->NumberOfFactors;

  SpectrumData* sd = allocateSpectrumData(name);
  // Left half way (a failure, or Ctrl-C, which abandons the command through StopRequest
  // from any of the loops below), the record and the fixed-point theories made for it are
  // released: no half-made theory is found by name, and the accounts are as before.
  RecordInTheMaking creation{sd};
  sd->type = kStoreTypeTensor;
  sd->rank = 0;
  sd->level = 0;
  sd->tensor = TP;
  sd->rep_size = nf + (hasResolvedFields(TP) ? 1 : 0);
  sd->n_primaries = n;
  sd->n_orbits = n;
  sd->complex = 1;
  sd->symmetric = 1;
  SM_allocFieldInfo_Map(sd);
  SM_allocFieldInfo_Weights(sd);
  SM_allocFieldInfo_Dynkin(sd);
  if (sd->field_map == nullptr || sd->weight_num == nullptr || sd->labels == nullptr) {
    Alert("createCFT", 5, 100302, "Field data of %s cannot be held; nothing created", name);
    return nullptr;
  }
  getConformalWeightInfo(sd, TP);
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    sd->field_map[a] = a;
    sd->field_map[n + a] = a;
    std::copy(TP->Spectrum.row(a), TP->Spectrum.row(a) + sd->rep_size,
              sd->labels + static_cast<std::size_t>(a) * sd->rep_size);
  }

  CurrentListContext currents;
  currents.TP = TP;
  makeSimpleCurrentMap(&currents);
  SM_genericReorder(sd, &currents.list, listProduct, listAction, &currents);
  const int order = sd->scgroup != nullptr ? sd->scgroup->order : 1;
  const bool exceptional = order > std::max(1, TP->NumberOfSimpleCurrents);

  showInfo("Computing Conjugates; time: %7.2f\n");
  SM_allocFieldInfo_Conjugates(sd);
  if (sd->conjugates != nullptr) {
    for (int a = 0; a < n; ++a) {
      obeyInterruptRequest();
      int conjugate = getTensorConjugate(TP, sd->field_map[a]);
      if (conjugate == -2) conjugate = getGenericTensorConjugate(TP, sd->field_map[a]);
      sd->conjugates[a] = conjugate >= 0 && conjugate < n ? sd->field_map[n + conjugate] : -2;
    }
  }

  sd->c = cosetCentralCharge(TP);
  sd->factors = SM_allocRecordPointers(sd, static_cast<std::size_t>(nf), "Coset factors");
  if (sd->factors != nullptr) std::copy(TP->TensorFactors.begin(), TP->TensorFactors.end(), sd->factors);
  sd->n_factors = nf;
  const int g = std::min(TP->NumberOfGenerators, std::max(0, TP->ChiralAlgebra.size() - 1));
  sd->n_ext_currents = g;
  int* gh = SM_allocInts(sd, static_cast<std::size_t>(nf) * static_cast<std::size_t>(g + 1), "GH");
  if (gh != nullptr) {
    sd->gh = gh;
    std::copy(TP->GH.begin(), TP->GH.begin() + std::min<std::size_t>(TP->GH.size(), nf), gh);
    sd->ext_currents = g > 0 ? gh + nf : nullptr;
    for (int i = 0; i < g; ++i) std::copy(TP->ChiralAlgebra.row(i + 1), TP->ChiralAlgebra.row(i + 1) + nf, gh + nf * (i + 1));
  }

  getDimensionsAndInfo(sd, TP);
  if (TP->CosetFlag == 0) sd->adjoint_dim = SpinOneCount(TP);
  sd->validity = 3;
  for (const SpectrumData* factor : TP->TensorFactors) sd->validity = std::min(sd->validity, factor->validity);
  addGradingInfo(sd, TP);

  const bool rejectPermutations = setting("Reject permutations", 1) != 0;
  if (rejectPermutations && exceptional) {
    Alert("createCFT", 4, 100201, "Permutation symmetries not (yet) built in for exceptional simple currents");
  } else if (rejectPermutations && TP->CurrentPermutations.Nfill == 0) {
    CT_SymmetrizeTensorProduct(TP);
  }
  addCurrentAutomorphisms(sd, TP, exceptional);

  const bool sStored = computeCFT_S(sd);
  showInfo("Initiating FCFT's; time: %7.2f\n");
  const bool storeFixedPoints = setting("Store_S_FCFT", 2) == 2;
  const bool fixedStored = storeFixedPoints && fixedPointTheoriesStored(sd);
  // The record may let go of the product only when nothing will be asked of it again.
  if (sStored && fixedStored) {
    dropTensorPointer(sd, 1);
  } else {
    dropTensorPointer(sd, 0);
  }
  creation.made = true;
  return sd;
}

// ---------------------------------------------------------------------------------------
// Minimal models with 0 and 1 supersymmetries

namespace {

struct SettingOverride {
  const char* name;
  int* pointer;
  int saved;
  SettingOverride(const char* n, int value) : name(n), pointer(getIntParPointer(n)), saved(0) {
    if (pointer != nullptr) {
      saved = *pointer;
      *pointer = value;
    }
  }
  ~SettingOverride() {
    if (pointer != nullptr) *pointer = saved;
  }
  SettingOverride(const SettingOverride&) = delete;
  SettingOverride& operator=(const SettingOverride&) = delete;
};

// The coset A x B / C with the current J, stored under name. n2Level marks the product of
// the N=2 builder (its level; -1 for the others), which the fixed-point set-up reads.
SpectrumData* minimalCoset(SpectrumData* A, SpectrumData* B, SpectrumData* C, const int* J,
                           int n2Level, const char* name) {
  // Only a minimal model made here answers to the name; another theory of that name is
  // left alone (createCFT refuses the name).
  SpectrumData* existing = SM_findCFT(name);
  if (existing != nullptr && existing->type == kStoreTypeSpecialN2) return existing;
  if (A == nullptr || B == nullptr || C == nullptr) return nullptr;
  TensorProduct* TP = createTensorProduct();
  resetCoset(TP);
  TP->MinimalN2Level = n2Level;
  addTensorFactor(TP, A, 0);
  addTensorFactor(TP, B, 0);
  addTensorFactor(TP, C, 1);
  if (addNewCurrent(TP, J) != 0) return nullptr;
  SettingOverride graded("Graded", 0);
  SettingOverride storeS("Store_S", 2);
  SettingOverride storeFixed("Store_S_FCFT", 2);
  return createCFT(TP, name);
}

// The coset A1_k x A1_l / A1_(k+l) with the current (1, 1, 1).
SpectrumData* minimalCoset(int k, int l, const char* name) {
  const int J[3] = {1, 1, 1};
  return minimalCoset(SM_getData(1, 1, k), SM_getData(1, 1, l), SM_getData(1, 1, k + l), J, -1,
                      name);
}

void finishMinimal(SpectrumData* sd, int N, int k, int D) {
  sd->type = kStoreTypeSpecialN2;
  sd->rank = N;
  sd->level = k;
  sd->store_s = 1;
  SM_allocFieldInfo_Dims(sd);
  if (sd->dims != nullptr) std::fill(sd->dims, sd->dims + sd->n_primaries, 1);
  sd->weight_den = D;
  sd->weights_exact = 1;
  if (sd->exact != nullptr) std::fill(sd->exact, sd->exact + sd->n_primaries, 1);
}

// The Dynkin label of field `field` of factor f of the record (factor labels are fields).
int dynkinLabel(SpectrumData* sd, int f, int field) {
  const int* rep = sd->factors != nullptr ? SM_getRep(sd->factors[f], field) : nullptr;
  return rep != nullptr ? rep[0] : field;
}

// True when num/D and the weight numerator old/oldDen agree modulo 1.
bool sameWeightModOne(long long num, long long D, long long old, long long oldDen) {
  if (oldDen <= 0) return true;
  const long long diff = num * oldDen - old * D;
  return diff % (D * oldDen) == 0;
}

}  // namespace

SpectrumData* createMinimal0(int k) {
  char name[64];
  std::snprintf(name, sizeof name, "minimal N=0 %d", k);
  SpectrumData* sd = minimalCoset(k, 1, name);
  if (sd == nullptr || sd->type == kStoreTypeSpecialN2) return sd;
  const int oldDen = sd->weight_den;
  const int D = 4 * (k + 2) * (k + 3);
  finishMinimal(sd, 0, k, D);
  for (int a = 0; a < sd->n_primaries; ++a) {
    int* labels = sd->labels + static_cast<std::size_t>(a) * sd->rep_size;
    const int lambda = dynkinLabel(sd, 0, labels[0]), epsilon = dynkinLabel(sd, 1, labels[1]),
              mu = dynkinLabel(sd, 2, labels[2]);
    int r = lambda + 1, s = mu + 1, e = epsilon;
    if (mu > lambda) {
      r = k - lambda + 1;
      s = k + 2 - mu;
      e = 1 - epsilon;
    }
    const long long t = static_cast<long long>(k + 3) * r - static_cast<long long>(k + 2) * s;
    const long long num = t * t - 1;
    if (!sameWeightModOne(num, D, sd->weight_num[a], oldDen))
      Alert("createMinimal0", 0, 212404, "Weight is not correct");
    sd->weight_num[a] = static_cast<int>(num);
    labels[0] = r;
    labels[1] = s;
    labels[2] = e;
  }
  return sd;
}

SpectrumData* createMinimal1(int k) {
  char name[64];
  std::snprintf(name, sizeof name, "minimal N=1 %d", k);
  SpectrumData* sd = minimalCoset(k, 2, name);
  if (sd == nullptr || sd->type == kStoreTypeSpecialN2) return sd;
  const long long K2 = k + 2, K4 = k + 4;
  const int D = static_cast<int>(16 * K2 * K4);
  finishMinimal(sd, 1, k, D);
  for (int a = 0; a < sd->n_primaries; ++a) {
    int* labels = sd->labels + static_cast<std::size_t>(a) * sd->rep_size;
    int lambda = dynkinLabel(sd, 0, labels[0]), epsilon = dynkinLabel(sd, 1, labels[1]),
        mu = dynkinLabel(sd, 2, labels[2]);
    const int x = sd->rep_size == 4 ? labels[3] : -1;
    if (!(mu < lambda + 1 || (mu == lambda + 1 && lambda >= (k + 1) / 2))) {
      mu = k + 2 - mu;
      epsilon = 2 - epsilon;
      lambda = k - lambda;
    }
    long long num = 4 * K4 * lambda * (lambda + 2) +
                    K2 * (2 * K4 * (lambda - mu) * (lambda - mu) - 4LL * mu * (mu + 2));
    if (epsilon == 1) num += K2 * K4;
    const int t = ((mu - epsilon - lambda) % 4 + 4) % 4;
    if (t == 2 && epsilon % 2 == 0) {
      if (num == 0) {
        num = 24 * K2 * K4;
      } else {
        num += 8 * K2 * K4;
      }
    }
    if (x == 1) num += 16 * K2 * K4;
    sd->weight_num[a] = static_cast<int>(num);
    labels[0] = lambda + 1;
    labels[1] = mu + 1;
    labels[2] = epsilon != 1 ? t : (x < 0 ? 1 : 1 + 2 * x);
  }
  return sd;
}

// ---------------------------------------------------------------------------------------
// The minimal model with 2 supersymmetries: A1_k x U(1)_4 / U(1)_(2(k+2))

void MapMinimal2(int k, int* l, int* m, int* s) { SM_mapMinimal2(k, l, m, s); }

SpectrumData* createMinimal2(int k) {
  if (k < 1) return nullptr;
  char name[64];
  std::snprintf(name, sizeof name, "minimal N=2 %d", k);
  const int K = k + 2;
  // The identification current (l, s, m) = (k, 2, k+2): A1 field 1 is l = k, U(1) fields
  // are their charges.
  const int J[3] = {1, 2, K};
  SpectrumData* sd = minimalCoset(SM_getData(1, 1, k), SM_getData(kStoreTypeU1, 4, 0),
                                  SM_getData(kStoreTypeU1, 2 * K, 0), J, k, name);
  if (sd == nullptr || sd->type == kStoreTypeSpecialN2) return sd;
  if (sd->n_fp_currents == 1 && sd->n_primaries >= 50001 && sd->fcft != nullptr &&
      sd->fcft[0] != nullptr) {
    sd->fcft[0]->level = k;
    sd->fcft[0]->symmetric = 1;
    sd->fcft[0]->store_s = 0;
  }
  const long long D = 8LL * K;
  finishMinimal(sd, 2, k, static_cast<int>(D));
  sd->adjoint_dim = 1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    int* labels = sd->labels + static_cast<std::size_t>(a) * sd->rep_size;
    int l = dynkinLabel(sd, 0, labels[0]), s = dynkinLabel(sd, 1, labels[1]),
        m = dynkinLabel(sd, 2, labels[2]);
    MapMinimal2(k, &l, &m, &s);
    // h = (l(l+2) - m^2)/4(k+2) + s^2/8, raised by 1 where the standard form of the label
    // is not the ground state.
    const long long L = l, M = m, S = s;
    long long num = S * S * K + 2 * (L * (L + 2) - M * M);
    if (S * M == -(L + 1) && S * S == 1) num += D;
    if (s == 2) {
      if (std::abs(m) != l && sd->dims != nullptr) sd->dims[a] = 2;
      if (m == 0 && l == 0) {
        num += D;
        if (sd->dims != nullptr) sd->dims[a] = 2;
      }
    }
    sd->weight_num[a] = static_cast<int>(num);
    labels[0] = l;
    labels[1] = m;
    labels[2] = s;
  }
  const int superCurrent[3] = {0, 0, 2};
  const int G = SM_getLabelNoMessage(sd, superCurrent);
  if (G >= 0) SM_grade(sd, G);
  SM_getCurrentOuterAutomorphisms(sd);
  return sd;
}
