// Handlers of the symmetry commands: the exchange of two identical tensor factors on one
// field ("get permutation") and on the whole spectrum ("compute permutations"), the
// vacuum primary selection, and the Gaussian sums of a single affine Lie algebra
// ("Compute Gauss_sum"). Their registrations are made here too, called by the mode
// registrars of Commands.cpp.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "lie/WeylGroup.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

// One whole integer: optional sign and digits, nothing else, within int range.
bool wholeInteger(const std::string& text, int* value) {
  if (text.empty()) return false;
  std::size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (start == text.size()) return false;
  for (std::size_t i = start; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || parsed < INT_MIN || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

bool ConvertAssign(const char* word, int* x, int* y) {
  if (word == nullptr) return false;
  const char* colon = std::strchr(word, ':');
  if (colon == nullptr) return false;
  return wholeInteger(std::string(word, colon), x) && wholeInteger(std::string(colon + 1), y);
}

// "get permutation [int a][int b][field i]"
int COM_permutate(char** params, int n) {
  if (!tensorModeOn()) {
    Alert("COM_permutate", 0, 100302, "Command only available in tensor mode");
    return 1;
  }
  ComputePermutation(currentTensor, intParameter(params, 0), intParameter(params, 1),
                     intParameter(params, 2));
  return -n;
}

// "compute permutations [int a][int b](entry_1)...(entry_n)", entries x:y.
int COM_permutations(char** params, int n) {
  if (!tensorModeOn()) {
    Alert("COM_permutations", 0, 100302, "Command only available in tensor mode");
    return 1;
  }
  std::vector<int> xs;
  std::vector<int> ys;
  for (int k = 2; k < n; ++k) {
    int x = 0;
    int y = 0;
    if (!ConvertAssign(params[k], &x, &y)) {
      Alert("COM_permutations", 1, 100302, "Invalid assignment: %s\n", params[k]);
      return 1;
    }
    xs.push_back(x);
    ys.push_back(y);
  }
  const std::vector<int> permutation =
      CloseTensorPermutations(currentTensor, intParameter(params, 0), intParameter(params, 1),
                              static_cast<int>(xs.size()), xs.data(), ys.data());
  return permutation.empty() ? 1 : -n;
}

int COM_set_prim_vacuum(char**, int) {
  const int vacuum[] = {0, -1};
  setPrimarySelection(vacuum);
  return 0;
}

// "Compute Gauss_sum (field x)": the sum for the Dynkin labels of x, or for every class
// generator of the sign classes.
int COM_Gauss(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || LieCheck(sd) == 0) return 1;
  const int type = sd->type;
  const int rank = sd->rank;
  if (rank < 1) {
    Alert("COM_Gauss", 0, 100202, "%s has rank 0 and no Weyl group", sd->name);
    return 1;
  }
  if (initWeylGroup(type, rank) == nullptr) {
    Print("Weyl group too large\n");
    return 1;
  }
  if (n >= 1) {
    const int* labels = SM_getRep(sd, intParameter(params, 0));
    if (labels == nullptr) return 1;
    const std::vector<int> x(labels, labels + rank);
    Print("%15.7f\n", GaussianSum(sd, x.data()));
    return -n;
  }
  int count = 0;
  const int* classes = SignClasses(type, rank, &count, 0);
  // The sum walks the Weyl group, whose routines reuse the class buffer: keep a copy.
  std::vector<int> generators;
  if (classes != nullptr) generators.assign(classes, classes + static_cast<std::size_t>(count) * rank);
  Print("Class     Gauss sum      Class generator\n");
  for (int c = 0; c < count; ++c) {
    const int* generator = generators.data() + static_cast<std::size_t>(c) * rank;
    const double sum = GaussianSum(sd, generator);
    PrintVec(rank, generator, formatText("%d     %10.3f        ", c, sum).c_str());
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// Registration

void registerGaussCommand() {
  initCommand("Compute Gauss_sum", "(field x)", COM_Gauss,
              "Prints the Gaussian sum of the current affine Lie algebra for the Dynkin labels of "
              "field x: $e^{-i @pi r/4} N^{-1} @sum_@lambda m_@lambda^{-1} @sum_{w} "
              "@exp(2 @pi i (v,v)/4k)$ with $v = 2 w(@lambda) - x$. Without x it lists the sum "
              "for the generator of every class of parity vectors.");
}

void registerPermutationCommands() {
  initCommand("get permutation", "[int a][int b][field i]", COM_permutate,
              "Shows the effect on field i of exchanging the identical tensor factors a and b "
              "(counted from 0): a message when the exchange is not a symmetry, or when field i "
              "is a resolved fixed point whose image the labels do not determine.");
  initCommand("compute permutations", "[int a][int b](entry_1)...(entry_n)", COM_permutations,
              "Works out the permutation of all fields that exchanges the identical tensor "
              "factors a and b, and keeps it for \"compute boundary permutations\".\nParameter "
              "\"entry_i\" is of the form i:j and says that the fields \"$i$\" and \"j\" are "
              "exchanged, to resolve degenerate fixed points; the rest is completed from the "
              "fusion rules.");
  initCommand("set Primary_selection vacuum", "", COM_set_prim_vacuum,
              "Restricts the simple-current invariants built from now on to the vacuum row.");
}
