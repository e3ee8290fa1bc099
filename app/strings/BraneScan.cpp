// The brane scan ("scan branes"): for every orientifold of non-zero tension, one line of
// diagonal brane data per brane and its image (".branes") and a summary of the case
// (".mipf"), both in the folder "E<file identifier>" of the output folder. Each file is
// written whole to a temporary name and renamed, so a reader never sees half a file.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "interpreter/RunControl.h"
#include "invariants/Invariants.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "strings/Intersections.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

// The set-up comes from the standard-model search, a higher layer; its command installs it.
struct BraneScanHook {
  SearchData* (*setup)() = nullptr;
};

BraneScanHook& hook() {
  static BraneScanHook h;
  return h;
}

// What printOrientationInfo writes to a file, as text.
std::string orientationText(OrientifoldInfo* record) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  if (stream == nullptr) return {};
  printOrientationInfo(record, stream);
  std::fclose(stream);
  const std::unique_ptr<char, void (*)(void*)> owner(buffer, std::free);
  return buffer != nullptr ? std::string(buffer, size) : std::string();
}

// The listing of the current bulk invariant, as text.
std::string bulkListing(const BulkInvariant* bi) {
  const std::size_t start = returnBufferOn();
  printBulkInvariant(bi, 0);
  std::string text = takeReturnBuffer(start);
  returnBufferOff();
  return text;
}

struct ScanFiles {
  std::string branes;
  std::string mipf;
  int lines = 0;
  int skipped = 0;
};

// The two texts of orientifold o; false when the user stopped the scan.
bool scanOrientifold(SearchData* sd, int o, const std::string& header, ScanFiles* out) {
  OrientifoldInfo* record = sd->orientifoldList[o];
  loadOrientifoldConjugates(record, 0);
  int counts[3] = {0, 0, 0};  // unitary, orthogonal, symplectic
  const int n = sd->boundaries;
  ProgressScope progress(formatText("Brane scan of orientifold %d", o).c_str(), n);
  for (int b = 0; b < n; ++b) {
    progress.step();
    if (b % 100 == 99 && checkInterrupt() != 0) return false;
    const int image = orientifoldConjugate(record, b);
    if (image < 0) {  // no conjugate: nothing to pair it with
      ++out->skipped;
      continue;
    }
    if (b > image) continue;
    int xb = 0, yb = 0, zb = 0, xc = 0, yc = 0;
    if (getDiagonalInfo(o, b, &xb, &yb, &zb) != 0 || getDiagonalInfo(o, image, &xc, &yc, nullptr) != 0) {
      ++out->skipped;
      continue;
    }
    const int type = orientifoldGroupType(record, b);
    if (type == 0) ++counts[0];
    if (type == 1) ++counts[1];
    if (type == -1) ++counts[2];
    out->branes += formatText("%5d %5d %5d %5d %5d %5d %5d %5d %5d %5d %5d\n", b, image, getBoundaryOrbitStart(b),
                              type, (xb + yb) / 2 - (xc + yc) / 2, (xb - yb) / 2 - (xc - yc) / 2, zb, xb, xc, yb,
                              yc);
    ++out->lines;
  }
  out->mipf = header;
  out->mipf += orientationText(record);
  out->mipf += formatText("\nU-O-S multiplicities:\n%7d %7d %7d\n", counts[0], counts[1], counts[2]);
  return true;
}

}  // namespace

void setBraneScanSetup(SearchData* (*setup)()) { hook().setup = setup; }

int BraneScan() {
  if (hook().setup == nullptr) {
    Alert("BraneScan", 0, 100302, "Brane scan needs the standard-model search set-up");
    return 1;
  }
  SearchData* sd = hook().setup();
  if (sd == nullptr || sd->orientifoldList == nullptr) {
    Alert("BraneScan", 1, 100302, "No search set-up for the current invariant; nothing written");
    return 1;
  }
  const std::vector<int> info = getHeteroticSpectrumInfo();
  if (info.size() < 3) {
    Alert("BraneScan", 2, 100302, "No string spectrum summary; nothing written");
    return 1;
  }
  PrintStdout("N_ori=%d; Boundaries: %d\n", sd->orientifolds, sd->boundaries);
  if (sd->tensionOrientifolds <= 0) return 0;
  BulkInvariant** current = getCurrentBulk();
  const BulkInvariant* bi = current != nullptr ? *current : nullptr;
  if (bi == nullptr) {
    Alert("BraneScan", 3, 100302, "No current bulk invariant; nothing written");
    return 1;
  }
  const long long id = static_cast<long long>(fileIdentifier());
  const int mipf = MIPFIdentifier(bi);
  std::string folder = getOutputDir();
  if (folder.empty() || folder.back() != '/') folder += '/';
  folder += formatText("E%lld", id);
  CreateDir(folder.c_str());
  // The invariant's name from its eleventh character on; a shorter name prints as empty.
  const std::string tail = bi->name.size() > 10 ? bi->name.substr(10) : std::string();
  const std::string listing = bulkListing(bi);
  for (int o = 0; o < sd->tensionOrientifolds; ++o) {
    const std::string branesPath = folder + formatText("/MIPF_%d_%d.branes", mipf, o);
    const std::string mipfPath = folder + formatText("/MIPF_%d_%d.mipf", mipf, o);
    PrintStdout("Writing %s\n", branesPath.c_str());
    std::string header = formatText("CY %lld, MIPF %d, Orientifold %d, Tension %15.7f\n\n", id, mipf, o,
                                    sd->orientifoldList[o]->tension);
    header += formatText(
        "MIPF Nr. %4s; Boundaries: %5d \nIshibashi Orbits: %5d;   Boundary Orbits: %5d\nOrientifolds: "
        "%3d\nHodge numbers (%3d,%3d); Heterotic singlets %3d\n\n",
        tail.c_str(), bi->ishibashi_count, getNumberOfIshiOrbits(), getNumberOfBoundaryOrbits(), sd->orientifolds,
        info[1], info[2], info[0]);
    header += listing;
    header += "\n";
    ScanFiles files;
    if (!scanOrientifold(sd, o, header, &files)) {
      Alert("BraneScan", 4, 100302, "Brane scan stopped; no files for orientifold %d", o);
      return 1;
    }
    if (files.skipped > 0)
      Alert("BraneScan", 5, 100218, "Orientifold %d: %d boundaries without data were left out", o, files.skipped);
    if (!writeFileAtomically(branesPath, files.branes, false)) {
      Alert("BraneScan", 6, 100302, "Cannot write %s", branesPath.c_str());
      return 1;
    }
    if (!writeFileAtomically(mipfPath, files.mipf, false)) {
      // Both files or neither.
      removeFile(branesPath.c_str());
      Alert("BraneScan", 7, 100302, "Cannot write %s", mipfPath.c_str());
      return 1;
    }
  }
  return 0;
}
