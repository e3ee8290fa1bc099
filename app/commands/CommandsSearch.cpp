// Handlers of the standard-model tools that work on one configuration: the axion basis of
// the current orientifold ("get axionbasis"), the spectrum and discrete symmetries of a
// brane configuration typed in ("browse brane-spectrum"), and the check of the null-vector
// algorithm on a charge file ("test discrete").
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "runtime/Allocation.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "search/Axions.h"
#include "search/ChanPaton.h"
#include "search/DiscreteSymmetries.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"

namespace {

// The charge file of "test discrete" in the home folder.
constexpr const char* kChargeFile = "AC";

int refuseChargeFile(const std::string& path, const char* reason) {
  Alert("COM_test_discrete_symmetry_algorithm", 1, 100302, "Invalid charge file %s: %s", path.c_str(), reason);
  return 1;
}

}  // namespace

int COM_getAxionBasis(char**, int) {
  initializeOpenString();
  if (initSearchMemory() != 0) return 1;
  getIndependentAxionBoundaries(0);
  const std::string path = getOutputDir() + getCurrentCY() + ".axion";
  FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) Alert("COM_getAxionBasis", 0, 100202, "Could not open file \"%s\"", path.c_str());
  printAxionInformation(file);
  if (file != nullptr) std::fclose(file);
  return 0;
}

int COM_browse_config(char** params, int n) {
  std::vector<int> labels(static_cast<std::size_t>(n)), multiplicities(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    if (!ConvertAssign(params[k], &labels[static_cast<std::size_t>(k)], &multiplicities[static_cast<std::size_t>(k)])) {
      Alert("COM_browse_config", 0, 100302, "Invalid assignment: %s", params[k]);
      return 1;
    }
  }
  initializeOpenString();
  if (initSearchMemory() != 0) return 1;
  ChanPatonData* cpd = generateChanPatonData(getCommandChanPatonData(), n, getCurrentOrientifold(), labels.data(),
                                             multiplicities.data());
  if (cpd == nullptr) {
    Alert("COM_browse_config", 1, 100302, "Invalid labels\n");
    return 1;
  }
  GeneralOpenSectorAnalysis(cpd);
  CheckDiscreteSymmetriesForBraneConfiguration(cpd);
  return -n;
}

int COM_test_discrete_symmetry_algorithm(char**, int) {
  const std::string home = usableHomeFolder();
  const std::string path = home + "/" + kChargeFile;
  FILE* file = Fopen(path.c_str(), "r");
  if (file == nullptr) return 1;
  int rows = 0, charges = 0;
  if (std::fscanf(file, "%d %d", &rows, &charges) != 2 || rows < 1 || charges < 1) {
    Fclose(file);
    return refuseChargeFile(path, "the counts must be at least 1");
  }
  // The charges and the matrix built from them (rows of charges + rows + 1 entries) are
  // checked before the file is read: its header alone decides their size.
  const long double height = rows;
  if (!requireAllocationSize("COM_test_discrete_symmetry_algorithm", "The charges of the file", height * charges,
                             sizeof(long long)) ||
      !requireAllocationSize("COM_test_discrete_symmetry_algorithm", "The charge matrix of the file",
                             height * (height + charges + 1), sizeof(long long))) {
    Fclose(file);
    return 1;
  }
  std::vector<long long> values(static_cast<std::size_t>(rows) * static_cast<std::size_t>(charges));
  for (long long& x : values) {
    if (std::fscanf(file, " %lld", &x) != 1) {
      Fclose(file);
      return refuseChargeFile(path, "a row is short");
    }
  }
  Fclose(file);
  const IntegerRows AxionCharges = makeChargeMatrix(values, charges, rows);
  int status = 0;
  const IntegerRows nullVectors = getDiscreteSymmetryNullvectorsForCharges(AxionCharges, charges, rows, &status);
  if (status == 0) printDiscreteSymmetryNullvectors(nullVectors, rows);
  Print("\n");
  return 0;
}

namespace {

struct SearchCommand {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const SearchCommand kSearchBoundaryCommands[] = {
    {"get axionbasis", "", COM_getAxionBasis,
     "Computes the axions of the current orientifold, a basis of boundaries for their couplings and the integer "
     "axion charges of every boundary, and appends the summary to the file \".axion\" in the output folder."},
    {"browse brane-spectrum", "(entry_1)...(entry_n)", COM_browse_config,
     "Analyses the brane configuration given as boundary:multiplicity entries on the current orientifold: its "
     "open-string spectrum and the U(1)s and discrete symmetries left by axion mixing."},
};

const SearchCommand kSearchDefaultCommands[] = {
    {"test discrete", "", COM_test_discrete_symmetry_algorithm, "INTERNAL"},
};

template <std::size_t N>
void registerSearch(const SearchCommand (&table)[N]) {
  for (const SearchCommand& entry : table) initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

}  // namespace

void registerSearchBoundaryCommands() { registerSearch(kSearchBoundaryCommands); }

void registerSearchDefaultCommands() { registerSearch(kSearchDefaultCommands); }
