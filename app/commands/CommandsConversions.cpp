// The twelve application argument types. Each conversion reads one parameter word as the
// interpreter hands it over (with its position) and answers status 0 with a value, -1
// with a closed range value..value2, or a positive code after its alert: 1 for a word
// that is not a number, 2 or 3 for a bad value. Labels of fields and currents accept "*"
// (all), "min:max" and -k (the conjugate of k); the bounded numbers know the physical
// limits of what they count. "rank" and "radius" may raise "Maxrank" (never past
// kMaxrankCap) before the command runs.
#include <string>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "lie/LieAlgebra.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"

namespace {

ConversionResult result(int status, int value = 0, int value2 = 0) {
  return ConversionResult{status, value, value2};
}

// "Maxrank" raised to want, or refused when value lies beyond the cap; what names the
// value in the refusal ("rank", "radius").
bool raiseMaxrank(const char* routine, const char* what, int value, int want) {
  if (value > kMaxrankCap) {
    Alert(routine, 3, kRefusedValue, "Value %d exceeds the largest allowed %s %d", value, what,
          kMaxrankCap);
    return false;
  }
  int* maxrank = commandsState().maxrank;
  if (maxrank != nullptr && value >= *maxrank) *maxrank = want < kMaxrankCap ? want : kMaxrankCap;
  return true;
}

// Shared part of "fprim" and "fcur": the factor numbered by the position.
ConversionResult componentLabel(const char* routine, const char* token, int position,
                                bool current) {
  if (position >= TensorSeam::numberOfTensorFactors()) {
    Alert(routine, 0, kRefusedValue,
          current ? "Too many current components" : "Too many components");
    return result(1);
  }
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(2);
  int limit =
      current ? TensorSeam::factorCurrents(position) : TensorSeam::factorPrimaries(position);
  if (value < 0 || value >= limit) {
    Alert(routine, 1, kRefusedValue, current ? "Invalid current: %d" : "Invalid field: %d", value);
    return result(3);
  }
  return result(0, value);
}

// A label of the current theory; an accepted -k becomes the conjugate of k.
ConversionResult conjugatingLabel(const char* token, int position, int total, const char* word) {
  ConversionResult r = convertToRange(token, total, position, word, 1, 1);
  if (r.status == 0 && r.value < 0) {
    int conjugate = getConjugate(-r.value);
    if (conjugate < 0) {
      Alert("convertToRange", 4, kRefusedValue, "No conjugate known for %d (parameter %d)",
            -r.value, position);
      return result(2);
    }
    r.value = conjugate;
  }
  return r;
}

}  // namespace

ConversionResult convertToRange(const char* token, int total, int position, const char* word,
                                int rangesAllowed, int negativesAllowed) {
  std::string text(token);
  if (text == "*") return result(-1, 0, total - 1);
  std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    int low = 0;
    int high = 0;
    if (convertToInteger(text.substr(0, colon).c_str(), &low) != 0 ||
        convertToInteger(text.substr(colon + 1).c_str(), &high) != 0) {
      return result(1);
    }
    if (low > high) {
      Alert("convertToRange", 0, kRefusedValue, "Minimum (%d) > Maximum (%d) (parameter %d)", low,
            high, position);
      return result(2);
    }
    if (rangesAllowed == 0) return result(0, low);
    if (low < 0 || low >= total) {
      Alert("convertToRange", 1, kRefusedValue, "Minimum (%d) out of range (parameter %d)", low,
            position);
      return result(2);
    }
    if (high < 0 || high >= total) {
      Alert("convertToRange", 2, kRefusedValue, "Maximum (%d) out of range (parameter %d)", high,
            position);
      return result(2);
    }
    return result(-1, low, high);
  }
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  bool accepted =
      negativesAllowed != 0 ? (value > -total && value < total) : (value >= 0 && value < total);
  if (!accepted) {
    Alert("convertToRange", 3, kRefusedValue, "Value %d is not a %s (parameter %d)", value, word,
          position);
    return result(2);
  }
  return result(0, value);
}

ConversionResult CONV_getLabel(const char* token, int position) {
  return conjugatingLabel(token, position, totalPrimaries(), "valid label");
}

ConversionResult CONV_getCurrent(const char* token, int position) {
  return conjugatingLabel(token, position, totalCurrents(), "simple current label");
}

ConversionResult CONV_getBound(const char* token, int position) {
  return convertToRange(token, TotalBoundaries(), position, "boundary label", 1, 0);
}

ConversionResult CONV_getIshibashi(const char* token, int position) {
  return convertToRange(token, TotalIshibashi(), position, "Ishibashi label", 1, 0);
}

ConversionResult CONV_getffield(const char* token, int position) {
  return componentLabel("CONV_getffield", token, position, false);
}

ConversionResult CONV_getfcur(const char* token, int position) {
  return componentLabel("CONV_getfcur", token, position, true);
}

ConversionResult CONV_getRoot(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (tensorModeOn()) {
    Alert("CONV_getRoot", 0, kRefusedValue, "No simple roots defined for tensor products");
    return result(2);
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || sd->type < 1 || sd->type > 5) {
    Alert("CONV_getRoot", 1, kRefusedValue, "No simple roots defined for this algebra");
    return result(2);
  }
  if (value < 1 || value > sd->rank) {
    Alert("CONV_getRoot", 2, kRefusedValue, "The label %d does not correspond to a simple root",
          value);
    return result(2);
  }
  return result(0, value);
}

ConversionResult CONV_getN_susy(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (value >= 3) {
    Alert("CONV_getN_susy", 0, kRefusedValue, "Invalid number of supersymmetries");
    return result(2);
  }
  return result(0, value);
}

ConversionResult CONV_getlevel(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (value < 1) {
    Alert("CONV_getlevel", 0, kRefusedValue, "Level should be at least 1");
    return result(2);
  }
  return result(0, value);
}

ConversionResult CONV_getradius(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (value == 0) {
    Alert("CONV_getradius", 0, kRefusedValue, "Radius cannot be 0");
    return result(2);
  }
  if (value < 0) {
    Alert("CONV_getradius", 2, kRefusedValue, "Radius cannot be negative");
    return result(2);
  }
  // The radius is the rank of the circle theory: below the least one, "algebra u" has
  // nothing to load.
  if (value < minRank(0)) {
    Alert("CONV_getradius", 3, kRefusedValue, "Radius should be at least %d", minRank(0));
    return result(2);
  }
  if (!raiseMaxrank("CONV_getradius", "radius", value, value + 2)) return result(2);
  // A warning, not a refusal: the value is accepted and the run goes on.
  if (value % 2 != 0)
    Alert("CONV_getradius", 1, kValueWarning, "Radius should be even (continue at your own risk)");
  return result(0, value);
}

ConversionResult CONV_getrank(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (value < 1) {
    Alert("CONV_getrank", 0, kRefusedValue, "Rank should be at least 1");
    return result(2);
  }
  if (!raiseMaxrank("CONV_getrank", "rank", value, value + 5)) return result(2);
  if (value >= 21)
    Alert("CONV_getrank", 1, 100201, "Large ranks may lead to inaccurate results for S");
  return result(0, value);
}

ConversionResult CONV_getdim(const char* token, int) {
  int value = 0;
  if (convertToInteger(token, &value) != 0) return result(1);
  if (value < 2) {
    Alert("CONV_getdim", 0, kRefusedValue, "Dimension should be at least 2");
    return result(2);
  }
  if (value >= 11 && parameterValue(commandsState().super, 0) == 1) {
    Alert("CONV_getdim", 1, 112201, "Warning: In superstring mode dimension should be at most 10");
  }
  return result(0, value);
}
