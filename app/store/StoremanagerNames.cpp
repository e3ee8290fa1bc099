// Names of a stored theory outside the program: the short type word of an algebra type,
// the command text that recreates a record, and the file name built from its name.
// The last type word is kept in the store's state: an invalid request returns it again.
#include <string>
#include <vector>

#include "runtime/Error.h"
#include "runtime/StringUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerInternal.h"

namespace {

// The word of a valid (type, rank) pair; nullptr for a pair without one.
const char* typeWord(int type, int rank) {
  switch (type) {
    case 0: return "U";
    case 1: return "A";
    case 2: return "B";
    case 3: return "C";
    case 4: return "D";
    case 5:
      if (rank >= 6) return "E";
      if (rank == 4) return "F";
      if (rank == 2) return "G";
      return nullptr;
    case 6:
    case 27: return "minimal";
    case 7: return "orbifold";
    case 9:
    case 17: return "cft";
    case 10: return "fcft";
    case 11: return "At";
    case 12: return "Bt";
    case 13: return "Bc";
    case 14: return "Ct";
    case 15: return "Ft";
    case 16: return "Gt";
    case 18: return "permutation";
    case 19: return "permutation_fcft";
    case 26: return "minimal_fcft";
    default: return nullptr;
  }
}

}  // namespace

std::string SM_charType(int type, int rank) {
  StoremanagerState& s = storeState();
  const char* word = typeWord(type, rank);
  if (word == nullptr) {
    Alert("SM_charType", 0, 100201, "Invalid type/rank %d/%d", type, rank);
    return s.typeWord;
  }
  s.typeWord = word;
  return s.typeWord;
}

std::string SM_algCommand(const SpectrumData* sd) {
  if (sd->type == kStoreTypePermutation) return sd->name;
  if (typeWord(sd->type, sd->rank) == nullptr) {
    SM_charType(sd->type, sd->rank);  // reports the pair
    return std::string();
  }
  std::string text = SM_charType(sd->type, sd->rank);
  switch (sd->type) {
    case kStoreTypeU1:
      text += " " + std::to_string(sd->rank);
      break;
    case kStoreTypeTensor:
    case kStoreTypeTensorFCFT:
    case kStoreTypeRecentred:
      text += " ";
      text += sd->name;
      break;
    default:
      text += " " + std::to_string(sd->rank) + " " + std::to_string(sd->level);
      break;
  }
  return text;
}

std::string SM_getCurrentAlgebraFileName(const SpectrumData* sd, const char* prefix, const char* middle,
                                         const char* suffix) {
  std::string joined;
  if (prefix != nullptr) joined += prefix;
  if (middle != nullptr) joined += middle;
  joined += sd->name;
  if (suffix != nullptr) joined += suffix;
  std::vector<char> text(joined.begin(), joined.end());
  text.push_back('\0');
  replaceChar(text.data(), ' ', '_');
  return std::string(text.data());
}
