// The application's command set (partly a stand-in, see the header).
#include "Commands.h"

#include <string>

#include "Error.h"
#include "IntCommands.h"

namespace {

struct CommandsState {
  bool initialized = false;
  Mode* tensorMode = nullptr;
};

CommandsState& state() {
  static CommandsState s;
  return s;
}

// STAND-IN conversion of the application types: an integer, or a range "first:last".
ConversionResult integerOrRange(const char* token, int position) {
  std::string text(token);
  std::size_t colon = text.find(':');
  ConversionResult result;
  if (colon == std::string::npos) {
    result.status = convertToInteger(token, &result.value);
    return result;
  }
  std::string first = text.substr(0, colon);
  std::string last = text.substr(colon + 1);
  if (convertToInteger(first.c_str(), &result.value) != 0 || convertToInteger(last.c_str(), &result.value2) != 0) {
    return ConversionResult{1, 0, 0};
  }
  if (result.value2 < result.value) {
    Alert("CONV_getRange", 0, 100302, "Empty range %d:%d (parameter %d)", result.value, result.value2, position);
    return ConversionResult{1, 0, 0};
  }
  result.status = -1;
  return result;
}

}  // namespace

ConversionResult CONV_getCurrent(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getfcur(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getffield(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getLabel(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getRoot(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getN_susy(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getlevel(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getradius(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getrank(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getdim(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getBound(const char* token, int position) { return integerOrRange(token, position); }
ConversionResult CONV_getIshibashi(const char* token, int position) { return integerOrRange(token, position); }

void initializeCommands() {
  CommandsState& s = state();
  if (s.initialized) return;
  s.initialized = true;
  initializeGeneralCommands();
  getConversion("current", makeConversionMethod(CONV_getCurrent, 'i', "Simple current"));
  getConversion("fcur", makeConversionMethod(CONV_getfcur, 'i', "Simple current in tensor factor"));
  getConversion("fprim", makeConversionMethod(CONV_getffield, 'i', "CFT primary in tensor factor"));
  getConversion("field", makeConversionMethod(CONV_getLabel, 'i', "Primary field label"));
  getConversion("simple_root", makeConversionMethod(CONV_getRoot, 'i', "Simple root"));
  getConversion("N_susy", makeConversionMethod(CONV_getN_susy, 'i', "Number of supersymmetries"));
  getConversion("level", makeConversionMethod(CONV_getlevel, 'i', "Level (central charge)"));
  getConversion("radius", makeConversionMethod(CONV_getradius, 'i', "Circle radius (defined as number of primaries)"));
  getConversion("rank", makeConversionMethod(CONV_getrank, 'i', "Rank of horizontal algebra"));
  getConversion("dim", makeConversionMethod(CONV_getdim, 'i', "Space-time dimension in superstring mode"));
  getConversion("bound", makeConversionMethod(CONV_getBound, 'i', "Boundary label"));
  getConversion("Ishibashi", makeConversionMethod(CONV_getIshibashi, 'i', "Ishibashi label"));
  s.tensorMode = makeMode("Command only works in tensor mode");
  setCurrentMode(getDefaultMode());
}

void initializeCommandPointers() {}
void initializeCommandParameters() {}

Mode* getTensorMode() { return state().tensorMode; }

void disableCoset() { switchMode(state().tensorMode, 0); }

// STAND-IN until modular invariants exist: there are no modular data to drop.
void disableModularVerbose() {}
