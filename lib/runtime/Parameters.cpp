// Internal parameters. Records are kept in creation order in a deque (the list "newest
// first" is the deque read backwards, linked through InternalParameter::next), so the
// record and value addresses handed out stay valid for the run.
#include "runtime/Parameters.h"

#include <climits>
#include <cstring>
#include <deque>
#include <vector>

#include "runtime/Allocation.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

AllocationAccount Parameter_alloc("Parameters");

namespace {

struct ParameterSnapshot {
  char type;
  DefaultEntry* pref;
  void (*onChange)();
  int value;
  int inDefaultsFile;
};

struct ParametersState {
  std::deque<InternalParameter, AccountAllocator<InternalParameter>> parameters{
      AccountAllocator<InternalParameter>(&Parameter_alloc, "Internal parameter pointer")};
  std::vector<ParameterSnapshot> start;
};

ParametersState& state() {
  static ParametersState s;
  return s;
}

void notFound(const char* name) { printErrorMessage("Parameter %s not found\n", name); }

// 1 for "ON", 0 for "OFF", else the old value.
int switchValue(const char* text, int old) {
  if (text == nullptr) return old;
  if (std::strcmp(text, "ON") == 0) return 1;
  if (std::strcmp(text, "OFF") == 0) return 0;
  return old;
}

// What a parameter accepts, for refusals: "it must lie between 61 and 999", or "it must be
// 0 or more" for a range without an upper end.
std::string acceptedRange(const InternalParameter& parameter) {
  if (parameter.maximum == INT_MAX) return formatText("it must be %d or more", parameter.minimum);
  return formatText("it must lie between %d and %d", parameter.minimum, parameter.maximum);
}

}  // namespace

InternalParameter* findInternalParameter(const char* name) {
  ParametersState& s = state();
  for (auto it = s.parameters.rbegin(); it != s.parameters.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

InternalParameter* getInternalParameter(const char* name) {
  if (InternalParameter* found = findInternalParameter(name)) return found;
  ParametersState& s = state();
  InternalParameter* next = s.parameters.empty() ? nullptr : &s.parameters.back();
  s.parameters.push_back(InternalParameter{});
  InternalParameter* parameter = &s.parameters.back();
  parameter->next = next;
  parameter->name = name;
  return parameter;
}

InternalParameter* addInternalParameter(const char* name, const char* defaultText, char type,
                                        int inDefaultsFile) {
  InternalParameter* parameter = getInternalParameter(name);
  parameter->type = type;
  if (inDefaultsFile == 1) {
    parameter->inDefaultsFile = 1;
    DefaultEntry* entry = findDefaultPointer(name);
    if (entry == nullptr) {
      entry = setDefault(name, defaultText);
    } else if (!entry->hasValue) {
      changeDefault(entry, defaultText);
    }
    parameter->pref = entry;
  }
  switch (type) {
    case 'i':
      parameter->value = defaultText != nullptr ? strnum(defaultText) : 0;
      break;
    case 't':
      parameter->value = switchValue(defaultText, parameter->value);
      break;
    case 's':
      if (inDefaultsFile == 0) {
        if (defaultText == nullptr) printErrorMessage("String parameter must be in defaults data base\n");
        parameter->pref = setDefault(name, defaultText);
      }
      break;
    default:
      printErrorMessage("Invalid parametertype\n");
      break;
  }
  return parameter;
}

int* getIntParPointer(const char* name) {
  InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) {
    notFound(name);
    return nullptr;
  }
  return &parameter->value;
}

const std::string* getStringParPointer(const char* name) {
  InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) {
    notFound(name);
    return nullptr;
  }
  return parameter->pref != nullptr ? &parameter->pref->value : nullptr;
}

int getValue(const int* pointer) { return pointer != nullptr ? *pointer : 0; }

void getIntParDefaults() {
  for (InternalParameter& parameter : state().parameters) {
    if (parameter.pref == nullptr || !parameter.pref->hasValue) continue;
    const char* text = parameter.pref->value.c_str();
    if (parameter.type == 'i') {
      int stored = 0;
      if (strnumChk(text, &stored) == 0 && stored >= parameter.minimum && stored <= parameter.maximum) {
        parameter.value = stored;
      } else {
        // A value not accepted keeps the built-in one, and so does the file; the user
        // hears of it once, here.
        Alert("getIntParDefaults", 0, 100202, "Saved value %s of %s refused: %s; %d used instead", text,
              parameter.name.c_str(), acceptedRange(parameter).c_str(), parameter.value);
        changeDefault(parameter.pref, numstr(parameter.value).c_str());
      }
    } else if (parameter.type == 't') {
      if (std::strcmp(text, "ON") == 0 || std::strcmp(text, "OFF") == 0) {
        parameter.value = switchValue(text, parameter.value);
      } else {
        const char* kept = parameter.value == 1 ? "ON" : "OFF";
        Alert("getIntParDefaults", 1, 100202, "Saved value %s of %s refused: it must be ON or OFF; %s used instead", text,
              parameter.name.c_str(), kept);
        changeDefault(parameter.pref, kept);
      }
    }
  }
}

void setIntPar(const char* name, int value) {
  InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) {
    notFound(name);
  } else if (parameter->type == 'i') {
    set_value(parameter, value);
  } else if (parameter->type == 't') {
    set_switch(parameter, value);
  } else {
    printErrorMessage("Invalid parameter type for parameter %s\n", name);
  }
}

void set_switch(InternalParameter* parameter, int value) {
  parameter->value = value;
  if (parameter->onChange != nullptr) parameter->onChange();
  if (parameter->pref != nullptr && (value == 0 || value == 1)) {
    changeDefault(parameter->pref, value == 1 ? "ON" : "OFF");
  }
}

int set_value(InternalParameter* parameter, int value) {
  if (value < parameter->minimum || value > parameter->maximum) {
    Alert("set_value", 0, 100202, "Value %d of %s refused: %s", value, parameter->name.c_str(),
          acceptedRange(*parameter).c_str());
    return 1;
  }
  parameter->value = value;
  if (parameter->pref != nullptr) changeDefault(parameter->pref, numstr(value).c_str());
  if (parameter->onChange != nullptr) parameter->onChange();
  return 0;
}

void setParameterRange(const char* name, int minimum, int maximum) {
  InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) {
    notFound(name);
    return;
  }
  parameter->minimum = minimum;
  parameter->maximum = maximum;
}

void addDefaultAction(const char* name, void (*routine)()) {
  InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) {
    notFound(name);
    return;
  }
  parameter->onChange = routine;
}

std::string getParameterNameString(const InternalParameter* parameter) { return parameter->name + " "; }

std::string getParameterValueString(const InternalParameter* parameter) {
  if (parameter->pref != nullptr) return parameter->pref->value;
  if (parameter->type == 't') {
    if (parameter->value == 0) return "OFF";
    if (parameter->value == 1) return "ON";
    return "Undefined";
  }
  return numstr(parameter->value);
}

std::string getParameterDefaultString(const InternalParameter* parameter) {
  return parameter->inDefaultsFile == 1 ? "(*)" : "";
}

InternalParameter* FirstParameter() {
  ParametersState& s = state();
  return s.parameters.empty() ? nullptr : &s.parameters.back();
}

InternalParameter* nextParameter(const InternalParameter* parameter) {
  return parameter != nullptr ? parameter->next : nullptr;
}

void markParametersStartState() {
  ParametersState& s = state();
  s.start.clear();
  for (const InternalParameter& p : s.parameters) {
    s.start.push_back({p.type, p.pref, p.onChange, p.value, p.inDefaultsFile});
  }
}

void resetParameters() {
  ParametersState& s = state();
  while (s.parameters.size() > s.start.size()) s.parameters.pop_back();
  for (std::size_t i = 0; i < s.parameters.size(); ++i) {
    InternalParameter& p = s.parameters[i];
    const ParameterSnapshot& snapshot = s.start[i];
    p.type = snapshot.type;
    p.pref = snapshot.pref;
    p.onChange = snapshot.onChange;
    p.value = snapshot.value;
    p.inDefaultsFile = snapshot.inDefaultsFile;
  }
}
