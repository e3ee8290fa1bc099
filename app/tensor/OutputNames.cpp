// Output file names and spectrum printing (see the header). The name is built from the
// output directory, the prefix setting, the theory's file name or the tensor code, the
// extension or the kind of invariant search, and the suffix.
#include "tensor/OutputNames.h"

#include <cstdlib>
#include <cstring>

#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "interpreter/Tables.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "tensor/HeteroticNameHooks.h"

namespace {

struct OutputNamesState {
  std::string boundaryLimit;
};

OutputNamesState& outputNamesState() {
  static OutputNamesState s;
  return s;
}

// Installed by the invariant layer; kept across resets of this module, like every hook.
struct OutputNameHooks {
  int (*mipfIdentifier)() = nullptr;
  int (*storedInvariants)() = nullptr;
};

OutputNameHooks& outputNameHooks() {
  static OutputNameHooks hooks;
  return hooks;
}

// The susy switch of the standard-model search, installed by that search; without it the
// case counts as not supersymmetric.
int (*&susySearchSource())() {
  static int (*source)() = nullptr;
  return source;
}
int getSusySearch() { return susySearchSource() == nullptr ? 0 : susySearchSource()(); }
int currentMIPFIdentifier() {
  const OutputNameHooks& hooks = outputNameHooks();
  return hooks.mipfIdentifier == nullptr ? -1 : hooks.mipfIdentifier();
}
int storedInvariantTotal() {
  const OutputNameHooks& hooks = outputNameHooks();
  return hooks.storedInvariants == nullptr ? 0 : hooks.storedInvariants();
}
int getLiftIdentifier() { return heteroticLiftIdentifier(); }

std::string liftMark(const std::string& symbol) {
  if (symbol == "widehat") return "^";
  if (symbol == "tilde") return "~";
  if (symbol == "overline") return "_";
  return "?";
}

std::string textSetting(const char* name, const char* fallback) {
  const std::string* value = getStringParPointer(name);
  return value != nullptr ? *value : std::string(fallback);
}

std::string lastComponent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void setOutputNameHooks(int (*mipfIdentifier)(), int (*storedInvariants)()) {
  outputNameHooks().mipfIdentifier = mipfIdentifier;
  outputNameHooks().storedInvariants = storedInvariants;
}

std::string MIPFNameComponent(int mipf, int storedInvariants) {
  if (mipf == -1) return std::string();
  char number[32];
  const char* format = storedInvariants >= 1000 && mipf <= 999 ? "_%04d" : "_%03d";
  std::snprintf(number, sizeof(number), format, mipf);
  return number;
}

void resetOutputNames() { outputNamesState().boundaryLimit.clear(); }

void setBoundaryLimitString(int a, int b) {
  outputNamesState().boundaryLimit = a == -1 ? std::string() : "[" + std::to_string(a) + ":" + std::to_string(b) + "]";
}

std::string getCurrentOutputFileName(const char* suffix) {
  std::string name = getOutputDir();
  if (name.empty() || name.back() != '/') name += "/";
  const std::string prefix = textSetting("OutputFilePrefix", "N");
  const bool prefixIsPath = prefix.find('/') != std::string::npos;
  name += prefix;
  if (!prefixIsPath) {
    if (prefix.size() == 1) {
      name += "_";
    } else {
      name += "/";
    }
    const bool tensor = KMCosetSwitch != 0 && currentTensor != nullptr;
    if (tensor) {
      name += "Tensor" + getCurrentTensorFileName("", "", "");
    } else if (currentSD != nullptr) {
      name += "Algebra" + SM_getCurrentAlgebraFileName(currentSD, "", "", "");
    }
    if (tensor && currentTensor->ExtensionNumber != -1) {
      name += "/Ext" + std::to_string(currentTensor->ExtensionNumber);
    } else {
      if (heteroticScanRunning()) {
        name += "/";
      } else {
        name += getSusySearch() == 1 ? "/SusyMIPF" : "/NonSusyMIPF";
      }
      if (tensor) name += getTensorCode(currentTensor);
    }
  }
  if (heteroticScanRunning() && currentTensor != nullptr) name += getTensorMIPFcode(currentTensor);
  const int lifted = getLiftIdentifier();
  if (lifted != -1) name += liftMark(textSetting("Heterotic lift_symbol", "widehat")) + std::to_string(lifted);
  const int mipf = currentMIPFIdentifier();
  if (mipf != -1 && !heteroticScanRunning()) {
    name += MIPFNameComponent(mipf, storedInvariantTotal());
    name += outputNamesState().boundaryLimit;
  }
  name += suffix;

  const std::size_t slash = name.rfind('/');
  std::string folder = slash == std::string::npos || slash == 0 ? std::string("./") : name.substr(0, slash);
  CreateDir(folder.c_str());
  if (checkDir(folder.c_str()) == 0) return name;
  Alert("getCurrentOutputFileName", 0, 120406, "Failed to create directory %s (for file %s)", folder.c_str(),
        name.c_str());
  Alert("getCurrentOutputFileName", 1, 520218, "Trying to use directory \"/tmp\" instead");
  // A private folder, so that two cases never write over each other's files.
  char pattern[] = "/tmp/zoqXXXXXX";
  if (mkdtemp(pattern) == nullptr) Alert("getCurrentOutputFileName", 2, 120406, "Failed to create directory %s", pattern);
  return std::string(pattern) + "/" + lastComponent(name);
}

void printSpectrum(int from, int to, int mode) {
  const int header = mode == 0 ? 1 : 0;
  if (KMCosetSwitch != 0 && currentTensor != nullptr) {
    printTable("TensorSpectrum", from, to, header, mode, currentTensor, nullptr);
  } else if (currentSD != nullptr) {
    printTable("Spectrum", from, to, header, mode, currentSD, nullptr);
  }
}

void printDiscreteGroup(const DGType* G, const int* map) {
  Print("Multiplicity: %d\n", G->nfactors);
  Print("Order: %d\n", G->order);
  PrintVec(G->nfactors, G->factors, "Factors:   ");
  std::vector<int> comps(static_cast<std::size_t>(G->nfactors > 0 ? G->nfactors : 1));
  for (int e = 0; e < G->order; ++e) {
    for (int j = 0; j < G->nfactors; ++j) comps[static_cast<std::size_t>(j)] = DG_decomp(G, e, j);
    char label[64];
    if (map != nullptr) {
      std::snprintf(label, sizeof(label), "elt. %3d, mapped to %3d, decomp --> ", e, map[e]);
    } else {
      std::snprintf(label, sizeof(label), "elt. %3d, decomp --> ", e);
    }
    PrintVec(G->nfactors, comps.data(), label);
  }
}

std::string PrintEntry(int a, int b) {
  char text[64];
  std::snprintf(text, sizeof(text), "From Z(%d,%d): ", a, b);
  std::string entry(text);
  if (entry.size() < 23) entry.append(23 - entry.size(), ' ');
  return entry;
}

void PrintShifted(const std::string& text) {
  if (text.find('\n') == std::string::npos) {
    Alert("PrintShifted", 0, 212404, "Unexpected empty field");
    Print("%s\n", text.c_str());
    return;
  }
  std::size_t start = 0;
  bool first = true;
  while (true) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;
    const std::string line = text.substr(start, end - start);
    if (first) {
      Print("%s\n", line.c_str());
    } else {
      Print("%23s%s\n", "", line.c_str());
    }
    first = false;
    start = end + 1;
  }
}

void MOD_printSpectrum(int from, int to, std::FILE* stream) {
  if (KMCosetSwitch != 0 && currentTensor != nullptr) {
    printTable("TensorSpectrum", from, to, 0, 0, currentTensor, stream);
  } else if (currentSD != nullptr) {
    printTable("Spectrum", from, to, 0, 0, currentSD, stream);
  }
}

std::string getHeteroticSpectrumIdentifier(int start) {
  const std::string name = textSetting("TensorName", "NONE");
  if (name != "NONE") return name;
  std::string text = "$(";
  if (currentTensor == nullptr) return text + ")$";
  const std::string symbol = textSetting("Heterotic lift_symbol", "widehat");
  const int lifted = getLiftIdentifier();
  const int n = currentTensor->NumberOfFactors;
  for (int i = start; i < n; ++i) {
    const SpectrumData* sd = currentTensor->TensorFactors[static_cast<std::size_t>(i)];
    if (sd->type != kStoreTypeMinimalN2) continue;
    if (i == lifted - 1) {
      text += "\\" + symbol + "{" + std::to_string(sd->level) + "},";
    } else {
      text += std::to_string(sd->level) + ",";
    }
  }
  for (int i = start; i < n; ++i) {
    const SpectrumData* sd = currentTensor->TensorFactors[static_cast<std::size_t>(i)];
    if (sd->type == kStoreTypeMinimalN2) continue;
    text += algebraTypeString(sd->type, sd->rank) + std::to_string(sd->level) + ",";
  }
  if (text.back() == ',') {
    text.back() = ')';
  } else {
    text += ")";
  }
  if (lifted == 4) text += "_{\\rm bl}";
  return text + "$";
}

void setSusySearchSource(int (*source)()) { susySearchSource() = source; }
