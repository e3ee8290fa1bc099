// Simple-current orbit tables of the current theory and the orbit S base.
//
// Built once per theory (stamp OrbitDataAvailable): for every primary its representative
// (the first primary of its orbit in label order), orbit number, the centre element that
// carries the representative to it, and its charge vector (entry c = n_G Q_c(field), an
// integer mod n_G; equal vectors are stored once in the collection AllCharges); for every
// representative the images c x rep; the multiplication table of the centre; the weights
// over their common denominator L; the phases exp(2 pi i k/n_G).
//
// On top of them the orbit S base S(r_a, r_b) between representatives: square tiles of
// the triangle in memory, each allocated with every entry "not computed" when it is first
// written (so a row of a large theory costs one row of tiles), or, from
// getModularDiskRowThreshold() orbits on, a bounded cache of whole rows (at most
// 200,000,000 bytes of slots, allocated as they are first used, slot 0 holding row 0 for
// good) backed by one file per row in the folder ".sdir" of the work directory. The files
// are a cache: used only where reading a row is cheaper than computing it (timed on row 0
// at set-up), and the files of one theory stay within "S_rows maxsize" megabytes (their
// total is said at set-up). A row file starts with a header line naming the theory (name,
// primaries, orbits, c); it is written once, to a temporary file renamed into place (no
// sync: a file torn by a crash fails its header or length check and is computed and
// written again). Without a folder the rows are computed in memory only.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "groups/Discrete.h"
#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

constexpr std::int64_t kRowCacheBytes = 200000000;

// The charge vector used for labels out of range and theories without orbit tables.
const int* zeroCharges() {
  ModularState& s = modularState();
  const std::size_t n = static_cast<std::size_t>(std::max(s.nG, 1));
  if (s.zeroCharges.size() < n) s.zeroCharges.assign(n, 0);
  return s.zeroCharges.data();
}

// The charge vectors of a stored theory from the store's own charges. Weights fix a
// charge h_J + h_i - h_Ji only modulo the precision of the weights themselves, which for
// U(1) at odd radius (weights defined mod 1/2) is not enough; the store holds the charges
// of the basis currents exactly. A charge is linear in the current, so entry c of a vector
// is sum_f e_f(c) Q_{J_f}(i), e(c) the components of c on the basis J_f. Tensor products
// and records without stored charges are left to the weights (fill returns false).
class StoreCharges {
 public:
  explicit StoreCharges(DGType* centre) : centre_(centre) {
    const SpectrumData* sd = currentSD;
    if (KMCosetSwitch != 0 || sd == nullptr || !SM_hasCharges(sd) || sd->scgroup != centre ||
        centre->order < 2 || centre->nfactors < 1)
      return;
    const int nG = centre->order;
    const int g = centre->nfactors;
    components_.assign(static_cast<std::size_t>(nG) * static_cast<std::size_t>(g), 0);
    for (int c = 0; c < nG; ++c) {
      const int* e = DG_DecodeChargeCode(centre, c);
      if (e == nullptr) return;
      std::copy(e, e + g, components_.begin() + static_cast<std::ptrdiff_t>(c) * g);
    }
    basis_.resize(static_cast<std::size_t>(g));
    for (int f = 0; f < g; ++f) basis_[static_cast<std::size_t>(f)] = DG_basis(centre, f);
    basisCharges_.resize(static_cast<std::size_t>(g));
    usable_ = true;
  }

  // Entry c of charges = n_G Q_c(i) mod n_G; false where the store cannot say.
  bool fill(int i, int* charges) {
    if (!usable_) return false;
    const int nG = centre_->order;
    const int g = centre_->nfactors;
    for (int f = 0; f < g; ++f) {
      Rat q;
      SM_getRatCharge(currentSD, basis_[static_cast<std::size_t>(f)], i, &q);
      if (q.den <= 0 || nG % q.den != 0) return false;
      basisCharges_[static_cast<std::size_t>(f)] = mod(q.num * (nG / q.den), nG);
    }
    for (int c = 0; c < nG; ++c) {
      const int* e = components_.data() + static_cast<std::ptrdiff_t>(c) * g;
      long long total = 0;
      for (int f = 0; f < g; ++f)
        total += static_cast<long long>(e[f]) * basisCharges_[static_cast<std::size_t>(f)] % nG;
      charges[c] = mod(total, nG);
    }
    return true;
  }

 private:
  DGType* centre_;
  bool usable_ = false;
  std::vector<int> components_;  // n_G x g components of every element
  std::vector<int> basis_;       // the basis currents J_f
  std::vector<long long> basisCharges_;
};

// Abandons the orbit tables of this theory: everything then goes the direct way.
void refuseOrbitData() {
  ModularState& s = modularState();
  s.OrbitDataRefused = s.CFTCounter;
  s.Primaries.clear();
  s.orbitPointers.clear();
  s.NOrbit = 0;
}

// S(rep, reps[k]) for k < count from the theory itself, past the caches of this module: a
// stored theory gives the row in one pass (SM_getSRow), a tensor product element by element,
// and so does the S trace, which names the routines of every element.
// Both ways obey Ctrl-C within a row (StopRequest, the row then incomplete: the callers
// keep nothing of it).
void representativeRow(int rep, int count, const int* reps, double* re, double* im) {
  if (KMCosetSwitch == 0 && currentSD != nullptr && modularState().S_CALL_TRACE == 0) {
    SM_getSRow(currentSD, rep, count, reps, re, im);
    return;
  }
  for (int k = 0; k < count; ++k) compSDirectSymmetrized(rep, reps[k], &re[k], &im[k]);
}

// One element S(i, j) the same way, the smaller label first.
void representativeElement(int i, int j, double* re, double* im) {
  const int row = std::min(i, j);
  const int column = std::max(i, j);
  representativeRow(row, 1, &column, re, im);
}

std::string rowFileText(const std::string& header, int count, const double* re, const double* im) {
  std::string text = header;
  text.reserve(header.size() + static_cast<std::size_t>(count) * 50);
  for (int k = 0; k < count; ++k) text += formatText("%a ", re[k]);
  for (int k = 0; k < count; ++k) text += formatText("%a ", im[k]);
  return text;
}

// Parses a row text (header, then count real and count imaginary numbers); false when it
// is foreign (another header) or of another length.
bool parseSRowText(const std::string& text, const std::string& header, int count, double* re,
                   double* im) {
  if (text.compare(0, header.size(), header) != 0) return false;
  const char* p = text.c_str() + header.size();
  for (int k = 0; k < 2 * count; ++k) {
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p) return false;
    (k < count ? re[k] : im[k - count]) = value;
    p = end;
  }
  while (*p == ' ' || *p == '\n') ++p;
  return *p == '\0' && static_cast<std::size_t>(p - text.c_str()) == text.size();
}

// Reads the row file at path into re/im; false when it is missing, foreign or torn.
bool readSRowFile(const std::string& path, const std::string& header, int count, double* re,
                  double* im) {
  if (!S_ISREG(getMode(path.c_str()))) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::string text;
  char chunk[65536];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  std::fclose(file);
  return parseSRowText(text, header, count, re, im);
}

// Bytes and number of the regular files in folder.
std::int64_t folderBytes(const std::string& folder, int* files) {
  *files = 0;
  std::int64_t total = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string path = folder + "/" + entry->d_name;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      total += static_cast<std::int64_t>(info.st_size);
      ++*files;
    }
  }
  ::closedir(dir);
  return total;
}

std::int64_t rowFileBound() {
  return static_cast<std::int64_t>(settingRowFileMegabytes()) * 1000000;
}

// Writes a computed row to its file, unless the files of the theory would pass their bound
// (the row then stays in memory only).
void writeSRowFile(const std::string& path, const std::string& header, int count,
                   const double* re, const double* im) {
  const std::string text = rowFileText(header, count, re, im);
  OrbitRowCache& cache = modularState().rowCache;
  if (cache.bytesOnDisk + static_cast<std::int64_t>(text.size()) > rowFileBound()) return;
  // A cache file is checked by its header when read back, so it needs no sync.
  if (writeFileAtomically(path, text, false)) {
    cache.bytesOnDisk += static_cast<std::int64_t>(text.size());
  } else {
    Alert("getSBaseRow", 0, 120206, "Could not write file %s", path.c_str());
  }
}

double* slotRow(OrbitRowCache& cache, int slot, int nOrbit) {
  return cache.SBaseData.data() +
         static_cast<std::size_t>(slot) * 2 * static_cast<std::size_t>(nOrbit);
}

void readSlot(OrbitRowCache& cache, int slot, int column, int nOrbit, double* re, double* im) {
  const double* row = slotRow(cache, slot, nOrbit);
  *re = row[column];
  *im = row[nOrbit + column];
}

// Sizes the tiled base for nOrbit orbits with no tile allocated.
void resetBaseTiles(OrbitBaseTiles& base, int nOrbit) {
  base.orbits = nOrbit;
  base.tilesPerSide = (nOrbit + kOrbitTile - 1) / kOrbitTile;
  const std::size_t side = static_cast<std::size_t>(base.tilesPerSide);
  base.tiles.clear();
  base.tiles.resize(side * (side + 1) / 2);
}

std::size_t tileIndex(int lo, int hi) {
  const std::size_t i = static_cast<std::size_t>(lo / kOrbitTile);
  const std::size_t j = static_cast<std::size_t>(hi / kOrbitTile);
  return i + j * (j + 1) / 2;
}

std::size_t entryInTile(int lo, int hi) {
  return static_cast<std::size_t>(lo % kOrbitTile) * kOrbitTile +
         static_cast<std::size_t>(hi % kOrbitTile);
}

constexpr std::size_t kTileEntries = static_cast<std::size_t>(kOrbitTile) * kOrbitTile;

// The real part of entry (a, b) of the base (the imaginary part kTileEntries further on);
// nullptr when its tile is not allocated and `create` is false.
double* baseEntry(OrbitBaseTiles& base, int a, int b, bool create) {
  const int lo = std::min(a, b);
  const int hi = std::max(a, b);
  std::unique_ptr<AccountVector<double>>& tile = base.tiles[tileIndex(lo, hi)];
  if (!tile) {
    if (!create) return nullptr;
    tile = std::make_unique<AccountVector<double>>(
        2 * kTileEntries, kModularNotComputed, AccountAllocator<double>(&SMatrix_alloc, "SBase"));
  }
  return tile->data() + entryInTile(lo, hi);
}

// Loads row into a reusable slot and answers column from it.
void loadRowAndAnswer(int row, int column, double* re, double* im) {
  ModularState& s = modularState();
  OrbitRowCache& cache = s.rowCache;
  const int slot = getReUsableRow(cache.LastCalls.data(), cache.CallSeq, cache.MaxRow);
  if (slot < 1 || slot >= cache.MaxRow) {
    double real = 0.0, imaginary = 0.0;
    representativeElement(s.OrbitMap[static_cast<std::size_t>(row)],
                          s.OrbitMap[static_cast<std::size_t>(column)], &real, &imaginary);
    *re = real;
    *im = imaginary;
    return;
  }
  cache.nextrow = slot;
  // The slot belongs to no row while it is filled: a stop on the way (StopRequest) leaves
  // it free, and the row it was to hold is computed again when next asked for.
  for (int o = 0; o < s.NOrbit; ++o) {
    if (cache.StoreInfo[static_cast<std::size_t>(o)] == slot)
      cache.StoreInfo[static_cast<std::size_t>(o)] = -1;
  }
  // Slots are handed out from the lowest free one, so the block grows slot by slot.
  const std::size_t needed =
      static_cast<std::size_t>(slot + 1) * 2 * static_cast<std::size_t>(s.NOrbit);
  if (cache.SBaseData.size() < needed) cache.SBaseData.resize(needed, -1.0);
  getSBaseRow(cache.SBaseData.data(), 0, slot, row, cache.Sdir.c_str());
  cache.StoreInfo[static_cast<std::size_t>(row)] = slot;
  cache.LastCalls[static_cast<std::size_t>(slot)] = cache.CallSeq;
  readSlot(cache, slot, column, s.NOrbit, re, im);
}

// Sets the row cache up for the current theory; false when it cannot hold two rows.
bool setUpRowCache() {
  ModularState& s = modularState();
  OrbitRowCache& cache = s.rowCache;
  const int nOrbit = s.NOrbit;
  cache.setUp = false;
  cache.last_row = -1;
  cache.CallSeq = -1;
  cache.StoreInfo.assign(static_cast<std::size_t>(nOrbit), -1);
  const std::int64_t slots = (kRowCacheBytes / nOrbit) / 16;
  cache.MaxRow = static_cast<int>(std::min<std::int64_t>(nOrbit, slots));
  if (cache.MaxRow < 2 && cache.MaxRow < nOrbit) {
    // Rows of this length do not fit twice: the orbit S base is not used.
    Alert("compSBaseFromDisk", 0, 112210, "Insufficient space for orbit S storage");
    cache.MaxRow = 0;
    return false;
  }
  // Slot 0 now; the others as they are first used.
  cache.SBaseData.assign(2 * static_cast<std::size_t>(nOrbit), -1.0);
  cache.LastCalls.assign(static_cast<std::size_t>(cache.MaxRow), -1);
  cache.Sdir.clear();
  cache.bytesOnDisk = 0;
  // Rows of a base this large always go to files: a choice from sizes alone, so that two
  // runs of one theory print and leave the same (a timing of computing against reading a
  // row could go either way on a busy machine).
  cache.Sdir = modularRowFolder(".sdir", "S");
  if (!cache.Sdir.empty()) {
    int files = 0;
    cache.bytesOnDisk = folderBytes(cache.Sdir, &files);
    Print("S-matrix row files: %d, %lld bytes (bound %d MB)\n", files,
          static_cast<long long>(cache.bytesOnDisk), settingRowFileMegabytes());
  }
  getSBaseRow(cache.SBaseData.data(), 0, 0, 0, cache.Sdir.c_str());
  cache.StoreInfo[0] = 0;
  cache.setUp = true;
  return true;
}

// The product table of the group (nG x nG, row a = a times every b). With the component
// table each b is a basis element P_j added to b - P_j (j its first non-zero component),
// and a b is a (b - P_j) with component j raised by one.
void fillProductTable(const DGType* centre, int nG, int* table) {
  const int k = centre->nfactors;
  const std::size_t un = static_cast<std::size_t>(nG);
  if (centre->decomp == nullptr || centre->order != nG || k < 1) {
    for (int a = 0; a < nG; ++a)
      for (int b = 0; b < nG; ++b) table[static_cast<std::size_t>(a) * un + static_cast<std::size_t>(b)] = DG_product(a, b, centre);
    return;
  }
  const std::size_t uk = static_cast<std::size_t>(k);
  std::vector<int> step(un, 0), place(uk, 1);
  for (int j = 1; j < k; ++j) place[static_cast<std::size_t>(j)] = place[static_cast<std::size_t>(j - 1)] * centre->factors[j - 1];
  for (int b = 1; b < nG; ++b) {
    const int* digits = centre->decomp + static_cast<std::size_t>(b) * uk;
    int j = 0;
    while (digits[j] == 0) ++j;
    step[static_cast<std::size_t>(b)] = j;
  }
  for (int a = 0; a < nG; ++a) {
    int* row = table + static_cast<std::size_t>(a) * un;
    row[0] = a;
    for (int b = 1; b < nG; ++b) {
      const int j = step[static_cast<std::size_t>(b)];
      const int P = place[static_cast<std::size_t>(j)];
      const int x = row[b - P];
      row[b] = centre->decomp[static_cast<std::size_t>(x) * uk + static_cast<std::size_t>(j)] + 1 < centre->factors[j]
                   ? x + P
                   : x - (centre->factors[j] - 1) * P;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Orbit tables

int* allocateModularOrbitData(int flag) {
  ModularState& s = modularState();
  if (flag == 0) {
    s.orbitPointers.clear();
    s.nG = getCenter()->order;
    return nullptr;
  }
  s.orbitPointers.emplace_back(static_cast<std::size_t>(s.nG), -1,
                               AccountAllocator<int>(&Modular_alloc, "Orbit pointer"));
  return s.orbitPointers.back().data();
}

void initOrbitData() {
  ModularState& s = modularState();
  if (s.OrbitDataAvailable == s.CFTCounter || s.OrbitDataRefused == s.CFTCounter) return;
  if (S_Symmetric() != 1 || settingUseOrbits() == 0) return;
  const int n = modularPrimaries();
  if (n < 1) return;
  const int nG = getCenter()->order;
  if (nG > n) {
    Alert("initOrbitData", 0, 212404, "Too many charges generated");
    refuseOrbitData();
    return;
  }
  // The multiplication table and the charge vectors take up to n_G^2 ints each.
  const std::uint64_t tableSize = static_cast<std::uint64_t>(nG) * static_cast<std::uint64_t>(nG);
  if (tableSize * sizeof(int) > static_cast<std::uint64_t>(kRowCacheBytes)) {
    Alert("initOrbitData", 4, 100218,
          "Simple-current group of order %d too large for orbit tables; S is computed directly",
          nG);
    refuseOrbitData();
    return;
  }
  DGType* centre = s.SimpleCurrentCenter;
  s.Primaries.assign(static_cast<std::size_t>(n), PrimaryOrbitEntry{});
  s.CurMultTable.assign(static_cast<std::size_t>(tableSize), 0);
  allocateModularOrbitData(0);
  s.OrbitMap.assign(static_cast<std::size_t>(n), -1);
  s.Weights.assign(static_cast<std::size_t>(n), 0);
  s.Weights_den.assign(static_cast<std::size_t>(n), 1);
  initVectorCollection(&s.AllCharges, nG, nG + 1);
  fillProductTable(centre, nG, s.CurMultTable.data());
  s.NOrbit = 0;
  std::int64_t L = 1;
  for (int i = 0; i < n; ++i) {
    Rat h = *ratWeight(i);
    simplifyRat(&h);
    if (h.den <= 0) h = Rat{0, 1};
    s.Weights[static_cast<std::size_t>(i)] = longmod(h.num, h.den);
    s.Weights_den[static_cast<std::size_t>(i)] = h.den;
    const std::int64_t g = GCD_LONG(L, h.den);
    std::int64_t lcm = 0;
    if (__builtin_mul_overflow(L / g, h.den, &lcm) || lcm > (static_cast<std::int64_t>(1) << 40)) {
      // Charges are formed from weight numerators over L; beyond this they cannot be.
      Alert("initOrbitData", 2, 112413, "Weight denominator too large for orbit tables: %lld",
            static_cast<long long>(h.den));
      refuseOrbitData();
      return;
    }
    L = lcm;
    if (s.Primaries[static_cast<std::size_t>(i)].rep != -1) continue;
    int* images = allocateModularOrbitData(1);
    s.OrbitMap[static_cast<std::size_t>(s.NOrbit)] = i;
    int length = 0;
    for (int c = 0; c < nG; ++c) {
      const int k = simpleFusion(c, i);
      if (k < 0 || k >= n) {
        Alert("initOrbitData", 1, 212404, "Field not found for (%d) x (%d)", c, i);
        refuseOrbitData();
        return;
      }
      images[c] = k;
      PrimaryOrbitEntry& target = s.Primaries[static_cast<std::size_t>(k)];
      if (target.rep == -1) {
        target.rep = i;
        target.orbit = s.NOrbit;
        target.current = c;
        ++length;
      }
    }
    PrimaryOrbitEntry& self = s.Primaries[static_cast<std::size_t>(i)];
    self.images = images;
    self.length = length;
    ++s.NOrbit;
  }
  s.L = L;
  for (int i = 0; i < n; ++i)
    s.Weights[static_cast<std::size_t>(i)] *= L / s.Weights_den[static_cast<std::size_t>(i)];

  std::vector<int> charge(static_cast<std::size_t>(nG));
  StoreCharges storeCharges(centre);
  // Weight numerators lie in [0, L) with L at most 2^40: below 2^20 currents, they and
  // their sums times nG stay inside 64 bits.
  const bool narrow = nG < (1 << 20);
  // W_x nG = wholes_x L + parts_x, parts_x in [0, L).
  std::vector<long long> wholes, parts;
  if (narrow) {
    wholes.resize(static_cast<std::size_t>(n));
    parts.resize(static_cast<std::size_t>(n));
    for (int x = 0; x < n; ++x) {
      const long long scaled = s.Weights[static_cast<std::size_t>(x)] * nG;
      wholes[static_cast<std::size_t>(x)] = scaled / L;
      parts[static_cast<std::size_t>(x)] = scaled % L;
    }
  }
  for (int i = 0; i < n; ++i) {
    PrimaryOrbitEntry& e = s.Primaries[static_cast<std::size_t>(i)];
    const int* images = s.Primaries[static_cast<std::size_t>(e.rep)].images;
    if (!storeCharges.fill(i, charge.data())) {
      // The law is commutative: c e.current is read along the row of e.current.
      const int* products = s.CurMultTable.data() + static_cast<std::size_t>(e.current) * static_cast<std::size_t>(nG);
      for (int c = 0; c < nG; ++c) {
        const int k = images[products[c]];
        long long quotient = 0;
        if (narrow) {
          // (W_i + W_c - W_k) nG = A L + B with B in (-L, 2L), brought into [0, L); the
          // quotient truncated toward zero is A, or A + 1 below zero with a remainder.
          long long A = wholes[static_cast<std::size_t>(i)] + wholes[static_cast<std::size_t>(c)] -
                        wholes[static_cast<std::size_t>(k)];
          long long B = parts[static_cast<std::size_t>(i)] + parts[static_cast<std::size_t>(c)] -
                        parts[static_cast<std::size_t>(k)];
          if (B >= L) {
            A += 1;
            B -= L;
          } else if (B < 0) {
            A -= 1;
            B += L;
          }
          quotient = A < 0 && B != 0 ? A + 1 : A;
        } else {
          const __int128 difference = static_cast<__int128>(s.Weights[static_cast<std::size_t>(i)]) +
                                      s.Weights[static_cast<std::size_t>(c)] -
                                      s.Weights[static_cast<std::size_t>(k)];
          quotient = static_cast<long long>(difference * nG / L % nG);
        }
        // Mostly |quotient| < 2 nG (weights in [0, L)): reduced by one step.
        if (quotient >= nG) quotient -= nG;
        if (quotient < 0) quotient += nG;
        charge[static_cast<std::size_t>(c)] =
            static_cast<int>(quotient >= 0 && quotient < nG ? quotient : longmod(quotient % nG, nG));
      }
    }
    const int before = s.AllCharges.Nfill;
    e.chargeIndex = LocateInCollection(&s.AllCharges, charge.data());
    if (s.AllCharges.Nfill > before && s.AllCharges.Nfill > nG) {
      Alert("initOrbitData", 3, 212404, "Too many charges generated");
    }
  }
  s.PhasesR.assign(static_cast<std::size_t>(nG), 1.0);
  s.PhasesI.assign(static_cast<std::size_t>(nG), 0.0);
  for (int k = 1; k < nG; ++k) {
    const double angle = 2.0 * M_PI * k / nG;
    s.PhasesR[static_cast<std::size_t>(k)] = std::cos(angle);
    s.PhasesI[static_cast<std::size_t>(k)] = std::sin(angle);
  }
  s.OrbitDataAvailable = s.CFTCounter;
  if (settingInitDebug()) ProgressPrint("##init: Simple current orbits available\n");

  if (settingUseOrbits() < 2) return;
  const std::uint64_t triangle =
      static_cast<std::uint64_t>(s.NOrbit) * static_cast<std::uint64_t>(s.NOrbit + 1);
  if (s.NOrbit >= s.diskRowThreshold || triangle >= kAllocationRefusedSize / sizeof(double)) {
    // The cache starts with row 0, computed here. Stopped on the way (StopRequest), the
    // tables count as not built, so that the next use sets the cache up again rather than
    // going without it for the rest of the theory.
    struct Unfinished {
      bool done = false;
      ~Unfinished() {
        if (!done) modularState().OrbitDataAvailable = -1;
      }
    } unfinished;
    const bool ready = setUpRowCache();
    unfinished.done = true;
    if (!ready) return;
    s.compute_s_base = compSBaseFromDisk;
  } else {
    s.compute_s_base = compSBase;
    resetBaseTiles(s.SBase, s.NOrbit);
  }
  s.OrbitSAvailable = s.CFTCounter;
  if (settingInitDebug()) ProgressPrint("##init: Orbit S matrix initialized\n");
}

int getNumberOfOrbits() {
  return orbitTablesValid() ? modularState().NOrbit : 0;
}

const PrimaryOrbitEntry* getPrimaryOrbitEntry(int i) {
  ModularState& s = modularState();
  if (!orbitTablesValid() || i < 0 || i >= static_cast<int>(s.Primaries.size())) return nullptr;
  return &s.Primaries[static_cast<std::size_t>(i)];
}

const int* getChargeVector(int i) {
  ModularState& s = modularState();
  if (i < 0 || i >= modularPrimaries()) {
    Alert("getChargeVector", 0, 212404, "Label out of range: %d\n", i);
    return zeroCharges();
  }
  if (!orbitTablesValid()) return zeroCharges();
  const int row = s.Primaries[static_cast<std::size_t>(i)].chargeIndex;
  return s.AllCharges.Space +
         static_cast<std::size_t>(row) * static_cast<std::size_t>(s.AllCharges.rowsize);
}

int orbitCharge(int i, int c) {
  const ModularState& s = modularState();
  if (c < 0 || c >= s.nG) return 0;
  return getChargeVector(i)[c];
}

int orbitImage(int J, int i) {
  return FastSimpleFusion_NO_CHECK(J, i);
}

int getOrbitStart(int i) {
  if (!orbitTablesValid() || i < 0 || i >= modularPrimaries()) return i;
  return modularState().Primaries[static_cast<std::size_t>(i)].rep;
}

int ModularOrbitsAvailable() {
  return modularState().OrbitDataAvailable;
}

const int* getChargePointer(int k) {
  ModularState& s = modularState();
  if (!orbitTablesValid() || k < 0 || k >= s.AllCharges.Nfill) {
    Alert("getChargePointer", 0, 212404, "Charge vector not found\n");
    return zeroCharges();
  }
  return s.AllCharges.Space +
         static_cast<std::size_t>(k) * static_cast<std::size_t>(s.AllCharges.rowsize);
}

int findChargeVector(const int* v) {
  ModularState& s = modularState();
  const int index = orbitTablesValid() ? findVectorInCollection(&s.AllCharges, v) : -1;
  if (index < 0) Alert("findChargeVector", 0, 212404, "Charge vector not found\n");
  return index;
}

int ChargeCorrectionFactor(int a, int b, int c, int d, double* re, double* im) {
  ModularState& s = modularState();
  const int q = mod(static_cast<long long>(orbitCharge(c, b)) + orbitCharge(a, d), s.nG);
  const bool valid = orbitTablesValid() && !s.PhasesR.empty();
  *re = valid ? s.PhasesR[static_cast<std::size_t>(q)] : 1.0;
  *im = valid ? s.PhasesI[static_cast<std::size_t>(q)] : 0.0;
  return q;
}

// ---------------------------------------------------------------------------------------
// S from the orbit base

void compSfromOrbits(int i, int j, double* re, double* im) {
  modularTrace("compSFromOrbits");
  ModularState& s = modularState();
  if (!modularLabelsInRange("compSfromOrbits", i, j) || !orbitSValid() ||
      s.compute_s_base == nullptr) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  pollInterruptRequest();
  const PrimaryOrbitEntry& a = s.Primaries[static_cast<std::size_t>(i)];
  const PrimaryOrbitEntry& b = s.Primaries[static_cast<std::size_t>(j)];
  double r = 0.0, m = 0.0;
  s.compute_s_base(a.orbit, b.orbit, &r, &m);
  const int k =
      mod(static_cast<long long>(orbitCharge(b.rep, a.current)) + orbitCharge(i, b.current), s.nG);
  if (k != 0) {
    const double x = r;
    complexProduct(&r, &m, x, m, s.PhasesR[static_cast<std::size_t>(k)],
                   s.PhasesI[static_cast<std::size_t>(k)]);
  }
  *re = r;
  *im = m;
}

void compSBase(int a, int b, double* re, double* im) {
  modularTrace("compSBase");
  ModularState& s = modularState();
  if (a < 0 || b < 0 || a >= s.NOrbit || b >= s.NOrbit || s.SBase.empty()) {
    Alert("compSBase", 0, 212404, "Label out of range: %d\n", std::max(a, b));
    *re = 0.0;
    *im = 0.0;
    return;
  }
  const double* held = baseEntry(s.SBase, a, b, false);
  if (held != nullptr && modularComputed(held[0])) {
    *re = held[0];
    *im = held[kTileEntries];
    return;
  }
  double real = 0.0, imaginary = 0.0;
  representativeElement(s.OrbitMap[static_cast<std::size_t>(a)],
                        s.OrbitMap[static_cast<std::size_t>(b)], &real, &imaginary);
  double* entry = baseEntry(s.SBase, a, b, true);
  entry[0] = real;
  entry[kTileEntries] = imaginary;
  *re = real;
  *im = imaginary;
}

void compSBaseFromDisk(int a, int b, double* re, double* im) {
  modularTrace("compSBaseFromDisk");
  ModularState& s = modularState();
  OrbitRowCache& cache = s.rowCache;
  if (a == -1) {
    setUpRowCache();
    return;
  }
  if (!cache.setUp) {
    Alert("compSBaseFromDisk", 1, 112415, "Unexpected NULL pointer");
    *re = 0.0;
    *im = 0.0;
    return;
  }
  if (a < 0 || b < 0 || a >= s.NOrbit || b >= s.NOrbit) {
    Alert("compSBaseFromDisk", 2, 212404, "Label out of range: %d\n", std::max(a, b));
    *re = 0.0;
    *im = 0.0;
    return;
  }
  // From here the out-values are written only with a complete element: a row computed on
  // the way may be stopped (StopRequest), and the caller may keep what it is given.
  const int old = cache.CallSeq;
  if (old >= 1999999999) {
    cache.CallSeq = old - 999999999;
    for (int& stamp : cache.LastCalls) {
      if (stamp > 1000000000) {
        stamp -= 1000000000;
      } else if (stamp != -1) {
        stamp = 0;
      }
    }
  } else {
    cache.CallSeq = old + 1;
  }
  const int slotA = cache.StoreInfo[static_cast<std::size_t>(a)];
  if (slotA >= 0) {
    cache.LastCalls[static_cast<std::size_t>(slotA)] = cache.CallSeq;
    readSlot(cache, slotA, b, s.NOrbit, re, im);
    return;
  }
  const int slotB = cache.StoreInfo[static_cast<std::size_t>(b)];
  if (slotB >= 0) {
    cache.LastCalls[static_cast<std::size_t>(slotB)] = cache.CallSeq;
    readSlot(cache, slotB, a, s.NOrbit, re, im);
    return;
  }
  if (a == cache.last_row) {
    loadRowAndAnswer(a, b, re, im);
    return;
  }
  if (b == cache.last_row) {
    loadRowAndAnswer(b, a, re, im);
    return;
  }
  cache.last_row = b;
  double real = 0.0, imaginary = 0.0;
  representativeElement(s.OrbitMap[static_cast<std::size_t>(a)],
                        s.OrbitMap[static_cast<std::size_t>(b)], &real, &imaginary);
  *re = real;
  *im = imaginary;
}

void orbitBaseColumn(int b, int count, const int* orbits, double* re, double* im) {
  ModularState& s = modularState();
  const int rep = s.OrbitMap[static_cast<std::size_t>(b)];
  std::vector<int> reps;
  auto representatives = [&](int length, const int* which) {
    reps.resize(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
      reps[static_cast<std::size_t>(i)] = s.OrbitMap[static_cast<std::size_t>(which[i])];
    return reps.data();
  };
  if (s.compute_s_base == compSBase && !s.SBase.empty()) {
    // The missing entries of the column in one pass, then kept.
    std::vector<int> missing;
    for (int i = 0; i < count; ++i) {
      const double* held = baseEntry(s.SBase, orbits[i], b, false);
      if (held == nullptr || !modularComputed(held[0])) missing.push_back(orbits[i]);
    }
    if (!missing.empty()) {
      const int length = static_cast<int>(missing.size());
      std::vector<double> rowRe(missing.size()), rowIm(missing.size());
      representativeRow(rep, length, representatives(length, missing.data()), rowRe.data(),
                        rowIm.data());
      for (std::size_t m = 0; m < missing.size(); ++m) {
        double* entry = baseEntry(s.SBase, missing[m], b, true);
        entry[0] = rowRe[m];
        entry[kTileEntries] = rowIm[m];
      }
    }
    for (int i = 0; i < count; ++i) {
      const double* entry = baseEntry(s.SBase, orbits[i], b, false);
      re[i] = entry[0];
      im[i] = entry[kTileEntries];
    }
    return;
  }
  OrbitRowCache& cache = s.rowCache;
  const int slot = cache.setUp ? cache.StoreInfo[static_cast<std::size_t>(b)] : -1;
  if (slot >= 0) {
    const double* row = slotRow(cache, slot, s.NOrbit);
    for (int i = 0; i < count; ++i) {
      re[i] = row[orbits[i]];
      im[i] = row[s.NOrbit + orbits[i]];
    }
    return;
  }
  // Needed once by the caller: computed, not cached.
  representativeRow(rep, count, representatives(count, orbits), re, im);
}

int getReUsableRow(const int* LastCalls, int CallSeq, int MaxRow) {
  for (int slot = 1; slot < MaxRow; ++slot) {
    if (LastCalls[slot] == -1) return slot;
  }
  for (int slot = 1; slot < MaxRow; ++slot) {
    if (static_cast<long long>(CallSeq) - LastCalls[slot] >= MaxRow - 1) return slot;
  }
  Alert("getReUsableRow", 0, 100216, "No suitable row found for S orbit data; returning 1");
  PrintVec(MaxRow - 1, LastCalls + 1, "Last calls[1,...]");
  Print("CallSeq: %d\n", CallSeq);
  return 1;
}

void getSBaseRow(double* data, int, int slot, int row, const char* folder) {
  modularTrace("getSBaseRow");
  ModularState& s = modularState();
  const int nOrbit = s.NOrbit;
  double* re = data + static_cast<std::size_t>(slot) * 2 * static_cast<std::size_t>(nOrbit);
  double* im = re + nOrbit;
  const bool useFiles = folder != nullptr && folder[0] != '\0';
  std::string path;
  std::string header;
  if (useFiles) {
    path = std::string(folder) + "/" + std::to_string(row);
    header = modularRowHeader("S", row);
    if (readSRowFile(path, header, nOrbit, re, im)) return;
  }
  representativeRow(s.OrbitMap[static_cast<std::size_t>(row)], nOrbit, s.OrbitMap.data(), re, im);
  if (useFiles) writeSRowFile(path, header, nOrbit, re, im);
}
