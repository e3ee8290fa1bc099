// Character files of the store and the two read-only displays of one field: its origin
// through the theories it was built from, and the start of its character expansion.
//
// A character file ("<name>.chars" in the data folder, blanks of the name turned into
// '_') is prepared outside the program. It holds, per primary, in any order: the weight
// as numerator and denominator, the label vector (two for an N=2 minimal model, either
// naming the field), then the coefficients c_0, c_1, ... of the character; the first K
// ("Character order" when the file is read) are kept and the rest of the line of the
// K-th is skipped. The coefficients live in the record's `characters` (K per field);
// `chars_loaded` is 1 after a complete read, and a read that stops on an error leaves it
// 0 so that the next request reads the file again. A record that fails a check leaves its
// field as it was; a field without a record keeps c_0 = 0.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

// Longest file name the system accepts (PATH_MAX less its terminating zero).
constexpr std::size_t kLongestPath = 4095;
constexpr const char* kAuxiliaryEnding = "_(aux)";

// The record's name with blanks outside single quotes turned into '_'.
std::string fileWord(const char* name) {
  std::string text = name != nullptr ? name : "";
  bool quoted = false;
  for (char& ch : text) {
    if (ch == '\'') quoted = !quoted;
    if (ch == ' ' && !quoted) ch = '_';
  }
  return text;
}

// A cursor over the file's text: integers separated by white space.
struct CharacterFileCursor {
  const std::string& text;
  std::size_t at = 0;

  void skipBlanks() {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  }
  // 1: a number; 0: end of file; -1: something that is not a number.
  int next(int* value) {
    skipBlanks();
    if (at >= text.size()) return 0;
    const char* start = text.c_str() + at;
    char* end = nullptr;
    const long long v = std::strtoll(start, &end, 10);
    if (end == start || v < INT_MIN || v > INT_MAX ||
        (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end))))
      return -1;
    at += static_cast<std::size_t>(end - start);
    *value = static_cast<int>(v);
    return 1;
  }
  // Skips the rest of the current line with its newline.
  void skipLine() {
    while (at < text.size() && text[at] != '\n') ++at;
    if (at < text.size()) ++at;
  }
};

bool dimensionDiffers(int handle, int c0) {
  if (handle == kStoreNotComputed) return false;
  if (handle >= 0) return handle != c0;
  lint scratch;
  const lint* value = makeOrRetrieveLint(handle, &scratch);
  lint first;
  lint_assign(&first, c0);
  return value == nullptr || lint_compare(value, &first) != 0;
}

// Whether the file's weight num/den is the field's: exactly for an exact weight,
// modulo integers otherwise.
bool weightMatches(const SpectrumData* sd, int a, long long fileNum, long long fileDen) {
  const long long num = sd->weight_num[a];
  const long long den = sd->weight_den;
  if (fileDen == 0 || den == 0) return false;
  const long long difference = fileDen * num - fileNum * den;
  if (sd->exact != nullptr && sd->exact[a] == 1) return difference == 0;
  return difference % (fileDen * den) == 0;
}

}  // namespace

std::string SM_setCharacterFileName(const SpectrumData* sd) {
  std::string word = fileWord(sd->name);
  const std::size_t aux = word.find(kAuxiliaryEnding);
  if (aux != std::string::npos) word.resize(aux);
  std::string file = zoq_pathname + "/" + word + ".chars";
  if (file.size() > kLongestPath) {
    Alert("SM_setCharacterFileName", 0, 100201,
          "Pathname of file for characters is too long\nPlease change using \"Preferences\"");
    return std::string();
  }
  return file;
}

int SM_CharactersAvailable(const SpectrumData* sd) {
  const std::string file = SM_setCharacterFileName(sd);
  return !file.empty() && checkDir(file.c_str()) == 1 ? 1 : 0;
}

std::string SM_setFileName(const SpectrumData* sd) {
  std::string file = zoq_pathname + formatText("/S%d.%d.%d", sd->type, sd->rank, sd->level);
  if (file.size() > kLongestPath) {
    Alert("SM_setFileName", 0, 100201,
          "Pathname of file for S-elements is too long\nPlease change using \"Preferences\"");
    return std::string();
  }
  return file;
}

int SM_findLabel(const SpectrumData* sd, const int* labels) {
  if (sd->labels == nullptr) return -1;
  const std::size_t width = static_cast<std::size_t>(sd->rep_size);
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (std::equal(labels, labels + width, storeLabelOf(sd, a))) return a;
  }
  return -1;
}

void SM_loadCharacters(SpectrumData* sd) {
  if (sd->chars_loaded == 1) return;
  const std::string file = SM_setCharacterFileName(sd);
  if (file.empty()) return;
  if (checkDir(file.c_str()) != 1) {
    Alert("SM_loadCharacters", 0, 100201, "File %s does not exist", file.c_str());
    return;
  }
  std::string text;
  if (!readFileText(file.c_str(), text)) return;
  if (sd->weight_num == nullptr || sd->labels == nullptr) {
    Alert("SM_loadCharacters", 1, 100201, "Representation not found");
    return;
  }
  const int K = std::max(characterOrderParameter(), 0);
  const int n = sd->n_primaries;
  sd->char_order = K;
  sd->char_depth = K;
  SM_allocFieldInfo_Chars(sd);
  if (sd->characters == nullptr && K > 0 && n > 0) return;
  SM_initDimensions(sd);
  const int vectors = sd->type == kStoreTypeMinimalN2 ? 2 : 1;
  const std::size_t width = static_cast<std::size_t>(sd->rep_size);
  std::vector<int> label(width);
  std::vector<int> coefficients(static_cast<std::size_t>(K));
  CharacterFileCursor cursor{text};
  int record = 0;
  // Each record: false when the reading must stop without marking the characters loaded.
  auto premature = [&]() {
    Alert("SM_loadCharacters", 6, 100201, "Premature end of file %s", file.c_str());
  };
  auto invalid = [&]() {
    Alert("SM_loadCharacters", 8, 100201, "Invalid number in %s (at primary nr. %d)", file.c_str(),
          record);
  };
  for (;;) {
    int fileNum = 0, fileDen = 0;
    int status = cursor.next(&fileNum);
    if (status == 0) break;
    if (status < 0) return invalid();
    status = cursor.next(&fileDen);
    if (status == 0) {
      premature();
      break;
    }
    if (status < 0) return invalid();
    int field = -1;
    bool ended = false;
    for (int v = 0; v < vectors && !ended; ++v) {
      for (std::size_t k = 0; k < width; ++k) {
        status = cursor.next(&label[k]);
        if (status == 0) {
          ended = true;
          break;
        }
        if (status < 0) return invalid();
      }
      if (ended) break;
      const int found = SM_findLabel(sd, label.data());
      if (found >= 0) field = found;
    }
    if (ended) {
      premature();
      break;
    }
    if (field < 0) {
      PrintVec(static_cast<int>(width), label.data(), "Not found:");
      Alert("SM_loadCharacters", 1, 100201, "Representation not found");
      return;
    }
    if (!weightMatches(sd, field, fileNum, fileDen)) {
      Print("lbl=%d, Num=%d,Den=%d,Stored=%d/%d\n", field, fileNum, fileDen, sd->weight_num[field],
            sd->weight_den);
      PrintVec(static_cast<int>(width), storeLabelOf(sd, field), "Incorrect weight:");
      Alert("SM_loadCharacters", 2, 100201, "Representation has incorrect weight");
      return;
    }
    // The coefficients go into the record only once they passed every check.
    bool insufficient = false;
    for (int t = 0; t < K; ++t) {
      status = cursor.next(&coefficients[static_cast<std::size_t>(t)]);
      if (status == 0) {
        insufficient = true;
        break;
      }
      if (status < 0) return invalid();
    }
    if (insufficient) {
      Alert("SM_loadCharacters", 3, 100201,
            "Insufficient character coefficients in input file.\n(Primary nr. %d)", field);
      premature();
      break;
    }
    // A coefficient counts the states of one level: it is never negative.
    for (int t = 0; t < K; ++t) {
      if (coefficients[static_cast<std::size_t>(t)] < 0) {
        Alert("SM_loadCharacters", 9, 100201,
              "Negative character coefficient %d of q^%d in %s (at primary nr. %d)",
              coefficients[static_cast<std::size_t>(t)], t, file.c_str(), field);
        return;
      }
    }
    if (K > 0 && sd->dims != nullptr && dimensionDiffers(sd->dims[field], coefficients[0])) {
      Alert("SM_loadCharacters", 4, 100201,
            "Dimension does not match first term in character expansion.\n(Primary nr. %d)", field);
      return;
    }
    std::copy(coefficients.begin(), coefficients.end(),
              sd->characters + static_cast<std::size_t>(field) * static_cast<std::size_t>(K));
    // Only the rest of the line of the last coefficient read is skipped; the last record
    // of a file may end without its newline.
    cursor.skipLine();
    ++record;
  }
  for (int a = 0; a < n; ++a) {
    if (K < 1 || sd->characters[static_cast<std::size_t>(a) * static_cast<std::size_t>(K)] == 0)
      Alert("SM_loadCharacters", 7, 100201, "Incorrect or missing character for label %d", a);
  }
  sd->chars_loaded = 1;
}

// ---------------------------------------------------------------------------------------
// Displays

void SM_browseOrigin(SpectrumData* sd, int a, int depth) {
  while (sd != nullptr) {
    if (!storeIsField(sd, a)) {
      Alert("SM_browseOrigin", 0, 100201, "Primary out of range (%d)", a);
      return;
    }
    const std::string indent(static_cast<std::size_t>(2 * std::max(depth, 0)), ' ');
    Print("%sField %5d: ", indent.c_str(), a);
    const int* label = sd->labels == nullptr ? nullptr : storeLabelOf(sd, a);
    const int width = label == nullptr ? 0 : sd->rep_size;
    auto labels = [&](const std::string& caption) {
      if (width > 0) {
        PrintVec(width, label, caption.c_str());
      } else {
        Print("%s\n", caption.c_str());
      }
    };
    switch (sd->type) {
      case kStoreTypeU1:
        labels(formatText("U(1)_%d,labels ", sd->rank));
        return;
      case 1:
      case 2:
      case 3:
      case 4:
      case 5:
        labels(formatText("Algebra %s, Dynkin labels ", sd->name));
        return;
      case kStoreTypeSpecialN2:
      case kStoreTypeOrbifold:
        labels(formatText("Algebra %s, labels ", sd->name));
        return;
      case kStoreTypeMinimalN2:
        labels(formatText("Minimal model N=2, k=%d, labels ", sd->level));
        return;
      case kStoreTypeTensor:
        labels("Cft labels ");
        for (int f = 0; f + 1 < width && f < sd->n_factors && sd->factors != nullptr; ++f)
          SM_browseOrigin(sd->factors[f], label[f], depth + 1);
        return;
      case kStoreTypeRecentred: {
        labels("Re-centered cft labels ");
        if (sd->field_map == nullptr || sd->base == nullptr) return;
        Print("%s  Label %d is mapped to label %d\n", indent.c_str(), a, sd->field_map[a]);
        a = sd->field_map[a];
        sd = sd->base;
        ++depth;
        continue;
      }
      case kStoreTypePermutation: {
        labels("Permutation orbifold ");
        if (width < 3 || sd->base == nullptr) return;
        const int f = label[0], g = label[1];
        if (label[2] == 0) {
          if (g == 0) {
            Print("%s  Symmetric permutation of field %d\n", indent.c_str(), f);
          } else if (g == 1) {
            Print("%s  Anti-symmetric permutation of field %d\n", indent.c_str(), f);
          } else {
            return;
          }
        } else if (label[2] == 1) {
          Print("%s  Off-diagonal combination of fields %d and %d\n", indent.c_str(), f, g);
          SM_browseOrigin(sd->base, f, depth + 1);
          SM_browseOrigin(sd->base, g, depth + 1);
          return;
        } else if (label[2] == 2) {
          if (g == 0) {
            Print("%s  Twist field of field %d\n", indent.c_str(), f);
          } else if (g == 1) {
            Print("%s  Excited twist field of field %d\n", indent.c_str(), f);
          } else {
            return;
          }
        } else {
          return;
        }
        a = f;
        sd = sd->base;
        ++depth;
        continue;
      }
      default:
        Print("\n");
        return;
    }
  }
}

void SM_browseCharacter(SpectrumData* sd, int a) {
  if (sd->characters == nullptr || sd->char_order < 1) {
    Alert("SM_browseCharacter", 0, 100201, "Characters for algebra %s are not available", sd->name);
    return;
  }
  if (!storeIsField(sd, a)) {
    Alert("SM_browseCharacter", 1, 100201, "Primary out of range (%d)", a);
    return;
  }
  // c_0 counts the ground states, at least one: 0 means no record of the field was read.
  if (sd->characters[static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->char_depth)] == 0) {
    Alert("SM_browseCharacter", 2, 100201, "Character of primary %d of algebra %s is not available",
          a, sd->name);
    return;
  }
  // h - c/24 exactly: c over 24 weight_den, then over 24.
  const long long den = 24LL * sd->weight_den;
  Rat c = DoubleToRat(static_cast<int>(std::min<long long>(den, INT_MAX)), sd->c);
  Rat perTwentyFour{1, 24};
  Rat shift;
  multiplyRat(&c, &perTwentyFour, &shift);
  Rat h{sd->weight_num[a], sd->weight_den};
  Rat exponent;
  subtractRat(&h, &shift, &exponent);
  simplifyRat(&exponent);
  std::string line = formatText("q^[%lld/%lld] * ( ", exponent.num, exponent.den);
  const int* row =
      sd->characters + static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->char_depth);
  for (int t = 0; t < sd->char_order; ++t) {
    const int value = row[t];
    if (value == 0) continue;
    if (t == 0) {
      line += formatText("%d ", value);
    } else if (t == 1) {
      line += value == 1 ? std::string("+ q ") : formatText("+ %d*q ", value);
    } else {
      line += value == 1 ? formatText("+ q^%d ", t) : formatText("+ %d*q^%d ", value, t);
    }
  }
  line += " + .... )\n";
  Print("%s", line.c_str());
}

int SM_shiftCharacter(int* coefficients, SpectrumData* sd, int n) {
  int shift = 0;
  while (shift < n && coefficients[shift] == 0) ++shift;
  if (shift >= n) return 0;
  std::copy(coefficients + shift, coefficients + n, coefficients);
  std::fill(coefficients + (n - shift), coefficients + n, 0);
  if (n - shift < sd->char_order) sd->char_order = n - shift;
  return shift;
}

int DimensionAddition(int d1, int d2) {
  if (d1 == 0 || d2 == 0) {
    Alert("DimensionAddition", 0, 212404, "Unexpected logic flow");
    return 0;
  }
  if (d1 > 0 && d2 > 0 && static_cast<long long>(d1) + d2 < 1000000000LL) return d1 + d2;
  lint s1, s2;
  lint x;
  lint_copy(&x, makeOrRetrieveLint(d1, &s1));
  lint_add(&x, makeOrRetrieveLint(d2, &s2));
  return ~storeLint(&x);
}
