// Names of a tensor product: the code used in file and folder names, the TeX name, the
// letter code of the invariant filters, the number of a product of N=2 minimal models, and
// the built-in table of the 168 products of N=2 minimal models with central charge 9.
// Codes that are numbers are 64-bit; one that would not fit is refused, never wrapped.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "lie/LieAlgebra.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "store/Storemanager.h"
#include "tensor/CosetInternal.h"
#include "tensor/HeteroticNameHooks.h"
#include "tensor/OutputNames.h"

namespace {

constexpr std::size_t kMaxFilterFactors = 48;

// The heterotic search answers which factor is lifted and which carry exceptional filters.
int getLiftIdentifier() { return heteroticLiftIdentifier(); }
int getExceptionalFilter(int factor) { return heteroticExceptionalFilter(factor); }

bool isN2Minimal(const SpectrumData* sd) {
  return (sd->type == kStoreTypeMinimalN2 || sd->type == kStoreTypeSpecialN2) && sd->rank == 2;
}

std::string typeRankLevel(const SpectrumData* sd) {
  return algebraTypeString(sd->type, sd->rank) + std::to_string(sd->rank) + ":" + std::to_string(sd->level);
}

std::string settingText(const std::string* value, const char* fallback) {
  return value != nullptr ? *value : std::string(fallback);
}

// The levels in decimal, one after the other (no separator).
std::string levelDigits(int n, const int* levels) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(levels[i]);
  return text;
}

// The decimal text as a 64-bit integer; -1 after an alert when it does not fit.
std::int64_t digitsToInteger(const std::string& text, const char* routine) {
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    if (__builtin_mul_overflow(value, static_cast<std::int64_t>(10), &value) ||
        __builtin_add_overflow(value, static_cast<std::int64_t>(c - '0'), &value)) {
      Alert(routine, 0, 100302, "Code %s too large", text.c_str());
      return -1;
    }
  }
  return value;
}

// 9 - sum 3k/(k+2) in lowest terms, denominator positive.
Rat rationalRemainder(const std::vector<int>& levels) {
  Rat c{9, 1};
  for (int k : levels) {
    Rat term{3LL * k, k + 2LL};
    Rat next;
    subtractRat(&c, &term, &next);
    c = next;
    simplifyRat(&c);
  }
  if (c.den < 0) {
    c.den = -c.den;
    c.num = -c.num;
  }
  return c;
}

void buildMinimalTable() {
  CosetState& s = cosetState();
  if (s.minimalTableBuilt) return;
  s.minimalLevels.clear();
  s.minimalCodes.clear();
  const int bounds[] = {80, 22, 10, 4, 2, 1};
  for (int n = 4; n <= 9; ++n) {
    const int b = bounds[n - 4];
    for (int k1 = 1; k1 <= 6; ++k1) {
      std::vector<int> d(static_cast<std::size_t>(n - 2), 0);
      while (true) {
        std::vector<int> levels{k1};
        for (int x : d) levels.push_back(levels.back() + x);
        // c' = 9 - sum 3k/(k+2) over the first n-1 levels, exact: over the product of the
        // k+2 (the tests below need no lowest terms), in rationals should it leave 64 bits.
        Rat c{9, 1};
        bool wide = false;
        for (int k : levels) {
          std::int64_t top = 0;
          std::int64_t minus = 0;
          wide = wide || __builtin_mul_overflow(c.num, static_cast<std::int64_t>(k) + 2, &top) ||
                 __builtin_mul_overflow(c.den, 3LL * k, &minus) || __builtin_sub_overflow(top, minus, &top) ||
                 __builtin_mul_overflow(c.den, static_cast<std::int64_t>(k) + 2, &c.den);
          c.num = top;
        }
        if (wide) c = rationalRemainder(levels);
        if (c.num > 0 && c.num < 3 * c.den) {
          // k_n = 2c' / (3 - c').
          const long long num = 2 * c.num;
          const long long den = 3 * c.den - c.num;
          if (num % den == 0 && levels.back() <= num / den) {
            levels.push_back(static_cast<int>(num / den));
            s.minimalCodes.push_back(convertFactorList(n, levels.data()));
            s.minimalLevels.push_back(levels);
          }
        }
        int j = static_cast<int>(d.size()) - 1;
        while (j >= 0 && ++d[static_cast<std::size_t>(j)] == b) {
          d[static_cast<std::size_t>(j)] = 0;
          --j;
        }
        if (j < 0) break;
      }
    }
  }
  s.minimalTableBuilt = true;
}

}  // namespace

void resetMinimalTable() {
  CosetState& s = cosetState();
  s.minimalTableBuilt = false;
  s.minimalLevels.clear();
  s.minimalCodes.clear();
}

std::string getTensorCode(TensorProduct* TP) {
  CosetState& s = cosetState();
  const std::string name = settingText(s.tensorName, "NONE");
  if (name != "NONE") return name;
  std::string code = "{";
  const int n = TP->NumberOfFactors;
  if (settingOn(s.super) != 0) {
    for (int i = heteroticFactorsSetting(); i < n; ++i) {
      const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
      if (sd->type == kStoreTypeU1 && sd->rank == 4) {
        code += "D";
      } else if ((sd->type == kStoreTypeSpecialN2 || sd->type == kStoreTypeMinimalN2) && sd->rank == 2) {
        code += std::to_string(sd->level);
      } else if (sd->type == kStoreTypeSpecialN2 && sd->rank == 0 && sd->level == 1) {
        code += "I";
      } else if (sd->type == kStoreTypeTensor) {
        if (code.size() >= 2) code += "_";
        code += sd->name;
        const bool last = i + 1 == n;
        if (!last && TP->TensorFactors[static_cast<std::size_t>(i) + 1]->type != kStoreTypeTensor) code += "_";
      } else {
        if (code.size() >= 2) code += "_";
        code += typeRankLevel(sd);
      }
    }
  } else {
    for (const SpectrumData* sd : TP->TensorFactors) {
      if (code.size() >= 2) code += "_";
      code += sd->type < 6 ? typeRankLevel(sd) : std::string(sd->name);
    }
  }
  return code + "}";
}

std::string getTensorTeXString(TensorProduct* TP) {
  const std::string symbol = settingText(cosetState().liftSymbol, "widehat");
  const int lifted = getLiftIdentifier();
  std::string text = "$(";
  const int n = TP->NumberOfFactors;
  for (int i = 0; i < n; ++i) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    bool emptyTeX = false;
    if (sd->tex != nullptr) {
      text += sd->tex;
      emptyTeX = sd->tex[0] == '\0';
    } else if (sd->type == kStoreTypeU1) {
      text += sd->rank == 4 && sd->level == 0 ? std::string("D") : std::string(sd->name);
    } else if (sd->type == kStoreTypeSpecialN2) {
      text += sd->rank == 0 && sd->level == 1 ? std::string("I") : std::string(sd->name);
    } else if (sd->type == kStoreTypeMinimalN2 && sd->rank == 2) {
      if (lifted == i + 1) {
        text += "\\" + symbol + "{" + std::to_string(sd->level) + "}";
      } else {
        text += std::to_string(sd->level);
        if (getExceptionalFilter(i) != 0) text += "^*";
      }
    } else {
      text += sd->name;
    }
    if (i + 1 < n && !emptyTeX) text += ",";
  }
  if (lifted == 4) {
    if (symbol == "widehat") return text + ")_{\\rm bl(A)}$";
    if (symbol == "tilde") return text + ")_{\\rm bl(B)}$";
    if (symbol == "overline") return text + ")_{\\rm bl(C)}$";
    return text + ")_{\\rm bl(?)}$";
  }
  return text + ")$";
}

std::string getTensorMIPFcode(TensorProduct* TP) {
  if (static_cast<std::size_t>(TP->NumberOfFactors) > kMaxFilterFactors) {
    Alert("getTensorMIPFcode", 0, 100302, "Too many tensor factors");
    return std::string();
  }
  std::string code;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    if (sd->type == kStoreTypeMinimalN2 || sd->type == kStoreTypeTensor)
      code += getExceptionalFilter(i) != 0 ? "E" : "A";
  }
  return code;
}

std::int64_t getNumericalTensorCode(TensorProduct* TP) {
  if (settingOn(cosetState().super) == 0) {
    Alert("getNumericalTensorCode", 0, 520218,
          "Numerical tensor code for this case not yet defined; returning 777777");
    return 777777;
  }
  for (int i = heteroticFactorsSetting(); i < TP->NumberOfFactors; ++i) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    if (!isN2Minimal(sd)) {
      Alert("getNumericalTensorCode", 1, 212404,
            "Numerical tensor code for this case not yet defined; returning 888888");
      return 888888;
    }
  }
  std::string code = getTensorCode(TP);
  if (!code.empty() && code.front() == '{') {
    code = code.substr(1);
    if (!code.empty() && code.back() == '}') code.pop_back();
  }
  return digitsToInteger(code, "getNumericalTensorCode");
}

void DisplayTensorName(TensorProduct* TP) {
  Print("Tensor name used in file names: %s\n", getTensorCode(TP).c_str());
  Print("Full name of output files: %s\n", getCurrentOutputFileName(".extension").c_str());
  Print("Name used in TeX files: %s\n", getTensorTeXString(TP).c_str());
}

std::string getCurrentTensorFileName(const char* prefix, const char* middle, const char* suffix) {
  return std::string(prefix) + middle + getTensorCode(currentTensor) + suffix;
}

std::vector<int> getCurrentLevels() {
  std::vector<int> levels;
  if (currentTensor == nullptr) return levels;
  for (const SpectrumData* sd : currentTensor->TensorFactors) levels.push_back(sd->level);
  return levels;
}

std::int64_t convertFactorList(int n, const int* levels) {
  return digitsToInteger(levelDigits(n, levels), "convertFactorList");
}

const std::vector<std::int64_t>& getMinimalTensorCodes() {
  buildMinimalTable();
  return cosetState().minimalCodes;
}

int interpretMinimalTensor(std::int64_t k, std::vector<int>* levels) {
  buildMinimalTable();
  const CosetState& s = cosetState();
  const std::int64_t count = static_cast<std::int64_t>(s.minimalCodes.size());
  if (k == -1) {
    for (std::int64_t i = 0; i < count; ++i)
      Print("%4d %9lld\n", static_cast<int>(i + 1), static_cast<long long>(s.minimalCodes[static_cast<std::size_t>(i)]));
    return 0;
  }
  std::int64_t position = -1;
  if (k >= 1 && k <= count) {
    position = k - 1;
  } else if (k > count) {
    for (std::int64_t i = 0; i < count; ++i) {
      if (s.minimalCodes[static_cast<std::size_t>(i)] == k) position = i;
    }
  }
  if (position < 0) {
    Alert("interpretMinimalTensor", 0, 100302, "invalid CY code %lld", static_cast<long long>(k));
    return -1;
  }
  const std::vector<int>& found = s.minimalLevels[static_cast<std::size_t>(position)];
  if (levels != nullptr) *levels = found;
  return static_cast<int>(found.size());
}
