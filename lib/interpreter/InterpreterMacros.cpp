// Macros, procedures, global and local variables, and function calls.
//
// Each store is a list of name/value records, newest first, held in a std::list so that a
// record's address stays valid until it is removed. Local variables are one list per
// procedure call depth (depth 0 at the top level); the array grows to the deepest depth
// reached and is never shrunk. Procedure calls are bounded at kMaxCallDepth levels, and
// macro expansion at kMaxExpansionPasses passes, so recursive definitions end with an
// alert instead of exhausting the stack or running for ever.
#include <cctype>
#include <cstring>
#include <deque>
#include <list>

#include "interpreter/InterpreterInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

class AliasList {
 public:
  std::list<Alias, AccountAllocator<Alias>> entries{AccountAllocator<Alias>(&Interpreter_alloc, "Alias pointer")};
};

namespace {

constexpr int kMaxCallDepth = 100;
constexpr int kMaxExpansionPasses = 100;
// Bound one block's expansion: a macro whose replacement holds its own name would
// otherwise grow the block without end within a single pass.
constexpr std::size_t kMaxExpansionLength = 100000;
constexpr std::size_t kMaxReplacements = 10000;

struct MacrosState {
  AliasList macros;
  AliasList procedures;
  AliasList globals;
  std::deque<AliasList> locals;
  int depth = 0;
  int deepest = 0;
};

MacrosState& macros() {
  static MacrosState s;
  return s;
}

AliasList& localsAt(int depth) {
  MacrosState& s = macros();
  while (s.locals.size() < static_cast<std::size_t>(depth) + 2) s.locals.emplace_back();
  return s.locals[static_cast<std::size_t>(depth)];
}

std::size_t firstSemicolonOutsideBraces(const std::string& text) {
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{') ++depth;
    if (text[i] == '}') --depth;
    if (text[i] == ';' && depth == 0) return i;
  }
  return std::string::npos;
}

// One more call depth for the life of a procedure call; its local variables go with it.
class CallLevel {
 public:
  CallLevel() {
    MacrosState& s = macros();
    ++s.depth;
    if (s.depth > s.deepest) s.deepest = s.depth;
    localsAt(s.depth);
  }
  ~CallLevel() {
    MacrosState& s = macros();
    freeVariables(localsAt(s.depth));
    --s.depth;
  }
  CallLevel(const CallLevel&) = delete;
  CallLevel& operator=(const CallLevel&) = delete;
};

// The capture and the record of one function call, released however the call ends.
class FunctionCallScope {
 public:
  FunctionCallScope() : line_(newCommandLine()), start_(returnBufferOn()), flag_(getFunctionCallFlag()) {
    setFunctionCallFlag(1);
  }
  ~FunctionCallScope() {
    setFunctionCallFlag(flag_);
    if (!taken_) takeReturnBuffer(start_);
    returnBufferOff();
    freeCommandLine(line_);
  }
  FunctionCallScope(const FunctionCallScope&) = delete;
  FunctionCallScope& operator=(const FunctionCallScope&) = delete;
  CommandLine* line() const { return line_; }
  std::string take() {
    taken_ = true;
    return takeReturnBuffer(start_);
  }

 private:
  CommandLine* line_;
  std::size_t start_;
  int flag_;
  bool taken_ = false;
};

int runProcedure(const Alias* procedure, char** params, int n) {
  std::vector<std::string> values;
  for (int i = 0; i < n; ++i) values.emplace_back(params[i]);
  std::string body = replaceDummiesbyValues(procedure->value.c_str(), values);
  if (macros().depth >= kMaxCallDepth) {
    Alert("execute_procedure", 2, 100302, "Procedure %s nested more than %d levels deep; not run",
          procedure->name.c_str(), kMaxCallDepth);
    return 1;
  }
  int result = 0;
  {
    CallLevel level;
    result = executeCommandLine(body.c_str());
  }
  return result > 0 ? result : -n;
}

// The procedure's name rebuilt from the words of the running command.
bool runningProcedureName(std::string& name) {
  const std::vector<std::string>& words = getRunningCommandWords();
  if (words.empty() || words[0].empty()) {
    Alert("execute_procedure", 0, 212404, "Command name inconsistency");
    return false;
  }
  name.clear();
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) name += ' ';
    name += lowerCaseWord(words[i].c_str());
  }
  return true;
}

}  // namespace

AliasList& getMacroList() { return macros().macros; }
AliasList& getProcedureList() { return macros().procedures; }
AliasList& getGlobalVariableList() { return macros().globals; }
AliasList& getLocalVariableList() { return localsAt(macros().depth); }
AliasList& getLocalVariableList(int depth) { return localsAt(depth < 0 ? 0 : depth); }
int getCallDepth() { return macros().depth; }

Alias* setAlias(const char* name, const char* value, AliasList& list) {
  for (Alias& alias : list.entries) {
    if (alias.name == name) {
      alias.value = value;
      return &alias;
    }
  }
  std::vector<char> stored(std::strlen(name) + 1);
  removeQuotesAndEscapes(stored.data(), name, '@', '\\');
  list.entries.push_front(Alias{stored.data(), value});
  return &list.entries.front();
}

int unsetAlias(const char* name, AliasList& list) {
  for (auto it = list.entries.begin(); it != list.entries.end(); ++it) {
    if (it->name == name) {
      list.entries.erase(it);
      return 0;
    }
  }
  Alert("unsetAlias", 0, 100302, "%s not defined", name);
  return 1;
}

Alias* findAlias(const char* name, AliasList& list, int exactly) {
  std::size_t length = std::strlen(name);
  for (Alias& alias : list.entries) {
    if (exactly == 1 ? alias.name == name : alias.name.compare(0, length, name) == 0) return &alias;
  }
  return nullptr;
}

const char* findReplacement(const char* name, AliasList& list) {
  Alias* alias = findAlias(name, list, 1);
  return alias != nullptr ? alias->value.c_str() : nullptr;
}

const char* findLocalReplacement(const char* name) { return findReplacement(name, getLocalVariableList()); }
const char* findGlobalReplacement(const char* name) { return findReplacement(name, getGlobalVariableList()); }

int defineVariable(const char* name, const char* value) {
  if (std::isdigit(static_cast<unsigned char>(name[0])) != 0) {
    Alert("defineVariable", 0, 100302, "Variable name (%s) cannot start with number", name);
    return 1;
  }
  setAlias(name, value, getLocalVariableList());
  return 0;
}

void setVariables(char** tokens, int n, AliasList& list) {
  for (Alias& alias : list.entries) {
    for (int i = 0; i < n; ++i) {
      if (alias.name == tokens[i]) tokens[i] = alias.value.data();
    }
  }
}

void setLocalVariables(char** tokens, int n) { setVariables(tokens, n, getLocalVariableList()); }
void setGlobalVariables(char** tokens, int n) { setVariables(tokens, n, getGlobalVariableList()); }

int substituteDefinitions(CommandLine* line) {
  AliasList& list = getMacroList();
  if (list.entries.empty()) return 0;
  std::string block(line->text.data() + line->blockStart, line->blockEnd - line->blockStart);
  bool changed = false;
  std::size_t replacements = 0;
  for (int pass = 0;; ++pass) {
    if (pass == kMaxExpansionPasses) {
      Alert("substituteDefinitions", 0, 100302, "Macro expansion does not end after %d passes; block not run",
            kMaxExpansionPasses);
      return 1;
    }
    bool replaced = false;
    for (const Alias& macro : list.entries) {
      if (macro.name.empty()) continue;
      int depth = 0;
      for (std::size_t at = 0; at < block.size(); ++at) {
        if (depth == 0 && block.compare(at, macro.name.size(), macro.name) == 0) {
          // The search goes on just behind the start of the inserted text.
          block.replace(at, macro.name.size(), macro.value);
          replaced = true;
          if (++replacements > kMaxReplacements || block.size() > kMaxExpansionLength) {
            Alert("substituteDefinitions", 1, 100302, "Macro expansion grows without end; block not run");
            return 1;
          }
          if (at >= block.size()) break;
        }
        if (block[at] == '{') ++depth;
        if (block[at] == '}') --depth;
      }
    }
    if (!replaced) break;
    changed = true;
  }
  if (!changed) return 0;

  std::string whole(line->text.data(), line->end);
  std::string rest = whole.substr(line->blockEnd);
  std::size_t cut = firstSemicolonOutsideBraces(block);
  std::size_t blockEnd = line->blockStart + block.size();
  std::size_t nextBlock = blockEnd + (rest.empty() ? 0 : 1);
  if (cut != std::string::npos) {
    // The rest of the expansion becomes the next block; the old separator is put back.
    if (!rest.empty()) rest[0] = ';';
    block[cut] = '\0';
    blockEnd = line->blockStart + cut;
    nextBlock = blockEnd + 1;
  }
  whole = whole.substr(0, line->blockStart) + block + rest;
  allocLine(line, whole.size() > line->end ? whole.size() - line->end : 0);
  std::memcpy(line->text.data(), whole.data(), whole.size());
  line->end = whole.size();
  line->text[line->end] = '\0';
  line->blockEnd = blockEnd;
  line->nextBlock = std::min(nextBlock, line->end);
  return 0;
}

int checkNewAlias(const char* name, const char* value) { return std::strstr(value, name) != nullptr ? 1 : 0; }

void freeVariables(AliasList& list) { list.entries.clear(); }

void removeAllCommands(AliasList& list) {
  for (const Alias& procedure : list.entries) removeCommand(procedure.name.c_str());
}

std::vector<std::string> aliasNames(AliasList& list) {
  std::vector<std::string> names;
  for (const Alias& alias : list.entries) names.push_back(alias.name);
  return names;
}

bool aliasListEmpty(AliasList& list) { return list.entries.empty(); }

void showAllAliases() {
  MacrosState& s = macros();
  for (const Alias& a : s.macros.entries) Print("Macro \"%s\"; Replacement: \"%s\"\n", a.name.c_str(), a.value.c_str());
  for (const Alias& a : s.procedures.entries) Print("Procedure \"%s\"; Value: \"%s\"\n", a.name.c_str(), a.value.c_str());
  for (const Alias& a : s.globals.entries) {
    Print("Global variable \"%s\"; Value: \"%s\"\n", a.name.c_str(), a.value.c_str());
  }
  for (int depth = 0; depth <= s.deepest; ++depth) {
    for (const Alias& a : localsAt(depth).entries) {
      Print("Local var.(level %d) \"%s\"; Value: \"%s\"\n", depth, a.name.c_str(), a.value.c_str());
    }
  }
}

int execute_procedure_exact(char** params, int n) {
  std::string name;
  if (!runningProcedureName(name)) return 1;
  Alias* procedure = findAlias(name.c_str(), getProcedureList(), 1);
  if (procedure == nullptr) {
    Alert("execute_procedure", 1, 212404, "Procedure %s not found", name.c_str());
    return 1;
  }
  return runProcedure(procedure, params, n);
}

int execute_procedure(char** params, int n) {
  std::string name;
  if (!runningProcedureName(name)) return 1;
  Alias* procedure = findAlias(name.c_str(), getProcedureList(), 0);
  if (procedure == nullptr) {
    Alert("execute_procedure", 1, 212404, "Procedure %s not found", name.c_str());
    return 1;
  }
  return runProcedure(procedure, params, n);
}

std::string replaceDummiesbyValues(const char* body, const std::vector<std::string>& parameters) {
  std::string out;
  for (const char* p = body; *p != '\0';) {
    if (*p == '%' && std::isdigit(static_cast<unsigned char>(p[1])) != 0) {
      const char* digits = p + 1;
      const char* end = digits;
      while (std::isdigit(static_cast<unsigned char>(*end)) != 0) ++end;
      std::string number(digits, end);
      // Numbers too long for any parameter index stay as written.
      std::size_t k = number.size() <= 9 ? std::stoul(number) : parameters.size();
      if (k < parameters.size()) {
        out += parameters[k];
      } else {
        out.append(p, end);
      }
      p = end;
    } else {
      out += *p++;
    }
  }
  return out;
}

std::string makeCommandLine(const std::vector<std::string>& arguments, bool anyError) {
  if (anyError) return "break all";
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    text += i == 0 ? arguments[i] + " " : "{" + arguments[i] + "} ";
  }
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

int execute_function(const std::vector<std::string>& arguments, std::string& value, bool anyError) {
  int result = 0;
  {
    FunctionCallScope call;
    appendToLine(call.line(), makeCommandLine(arguments, anyError).c_str());
    result = analyseFunctionCommandLine(call.line());
    value = call.take();
  }
  if (result > 0) {
    value = formatText("RETURN CODE %d", result);
  } else if (!value.empty() && value.back() == '\n') {
    value.pop_back();
  }
  return result;
}

void resetMacros() {
  MacrosState& s = macros();
  s.macros.entries.clear();
  s.procedures.entries.clear();
  s.globals.entries.clear();
  s.locals.clear();
  s.depth = 0;
  s.deepest = 0;
}
