// The command tree, the modes, the data types with their conversion methods, the
// conversions that handlers call, and the listing commands.
//
// Nodes live in a deque charged to the interpreter's account; each level is a binary
// search tree by name, used for the name order of listings. Look-ups walk the whole level
// (levels hold tens of words), because removal renames a node ("$" for its first letter)
// and so leaves it where its old name sorted. The start state is a copy of every node,
// mode and data type of right after start-up; a reset drops what came later (procedures,
// commands registered by tests) and restores the fields of the rest.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <vector>

#include "interpreter/Evaluator.h"
#include "interpreter/InterpreterInternal.h"
#include "interpreter/Tables.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

namespace {

constexpr std::size_t kMaxPhraseWords = 7;
// The largest magnitude of an integer read from text (strnumChk).
constexpr int kLargestTypedInteger = 2000000000;

struct TreeState {
  std::deque<Command, AccountAllocator<Command>> nodes{AccountAllocator<Command>(&Interpreter_alloc, "New command")};
  Command* root = nullptr;
  std::size_t longestName = 0;
  std::deque<Mode, AccountAllocator<Mode>> modes{AccountAllocator<Mode>(&Interpreter_alloc, "Mode type ")};
  Mode* defaultMode = nullptr;
  Mode* currentMode = nullptr;
  PreCommand currentPre = nullptr;
  PostCommand currentPost = nullptr;
  std::deque<ConversionMethod, AccountAllocator<ConversionMethod>> methods{
      AccountAllocator<ConversionMethod>(&Interpreter_alloc, "Conversion method")};
  std::deque<Conversion, AccountAllocator<Conversion>> conversions{
      AccountAllocator<Conversion>(&Interpreter_alloc, "Conversion pointer")};
  Conversion* firstConversion = nullptr;
  Command ambiguity;

  // The state right after start-up.
  std::vector<Command> startNodes;
  Command* startRoot = nullptr;
  std::size_t startLongestName = 0;
  std::vector<Mode> startModes;
  Mode* startDefaultMode = nullptr;
  Mode* startCurrentMode = nullptr;
  PreCommand startPre = nullptr;
  PostCommand startPost = nullptr;
  std::size_t startMethods = 0;
  std::size_t startConversions = 0;
  Conversion* startFirstConversion = nullptr;
};

TreeState& tree() {
  static TreeState s;
  return s;
}

// The nodes of one level in name order, walked without recursion.
std::vector<Command*> levelNodes(Command* level) {
  std::vector<Command*> result;
  std::vector<Command*> stack;
  Command* node = level;
  while (node != nullptr || !stack.empty()) {
    while (node != nullptr) {
      stack.push_back(node);
      node = node->lesser;
    }
    node = stack.back();
    stack.pop_back();
    result.push_back(node);
    node = node->greater;
  }
  return result;
}

Command* exactNode(Command* level, const std::string& word) {
  for (Command* node : levelNodes(level)) {
    if (node->name == word) return node;
  }
  return nullptr;
}

std::vector<std::string> splitWords(const char* text) {
  std::vector<std::string> words;
  std::string word;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += *p;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::string capitalised(const std::string& word) {
  std::string text = word;
  if (!text.empty()) text[0] = upper(text[0]);
  return text;
}

// Reads the bracket groups of a description into the node's counts and methods.
void readDescription(Command* node, const char* description) {
  std::string text(description != nullptr ? description : "");
  int required = static_cast<int>(std::count(text.begin(), text.end(), '['));
  int optional = static_cast<int>(std::count(text.begin(), text.end(), '('));
  bool repeats = text.find("...") != std::string::npos;
  node->minParams = required;
  node->maxParams = repeats ? kUnboundedParameters : required + optional;
  node->nConversions = std::max(0, repeats ? required + optional - 1 : required + optional);
  node->conversions.assign(static_cast<std::size_t>(node->nConversions), nullptr);
  node->substitute = 1;
  Conversion* untyped = findConversion("id");
  std::size_t at = 0;
  std::size_t group = 0;
  while (at < text.size() && (text[at] == '[' || text[at] == '(')) {
    char close = text[at] == '[' ? ']' : ')';
    std::size_t end = text.find(close, at + 1);
    if (end == std::string::npos) break;
    std::string inside = text.substr(at + 1, end - at - 1);
    ConversionMethod* method = untyped != nullptr ? untyped->method : nullptr;
    std::size_t blank = inside.find(' ');
    if (blank != std::string::npos) {
      node->substitute = 0;
      std::string typeName = inside.substr(0, blank);
      Conversion* type = findConversion(typeName.c_str());
      if (type == nullptr) {
        Alert("addCommand", 1, 212404, "Unknown data type: %s\n", typeName.c_str());
        method = nullptr;
      } else {
        method = type->method;
      }
    }
    if (group < node->conversions.size()) node->conversions[group] = method;
    ++group;
    at = end + 1;
  }
}

void fillCommand(Command* node, const char* description, CommandHandler handler, const char* help) {
  TreeState& s = tree();
  node->paramDescription = description != nullptr ? description : "";
  std::string flowed = leftAdjust(help != nullptr ? help : "", 4, 70);
  if (!flowed.empty() && flowed.back() == '\n') flowed.pop_back();
  node->helpText = flowed;
  node->handler = handler;
  node->mode = handler != nullptr ? s.currentMode : s.defaultMode;
  node->preCommand = s.currentPre;
  node->postCommand = s.currentPost;
  readDescription(node, description);
}

// Inserts a new node into the level; a name already there is refused.
Command* addCommand(Command** level, const std::string& word) {
  TreeState& s = tree();
  Command** place = level;
  while (*place != nullptr) {
    int order = std::strcmp(word.c_str(), (*place)->name.c_str());
    if (order == 0) {
      Alert("addCommand", 0, 212302, "Attempt to re-initialize command %s", word.c_str());
      return nullptr;
    }
    place = order > 0 ? &(*place)->greater : &(*place)->lesser;
  }
  s.nodes.push_back(Command{});
  Command* node = &s.nodes.back();
  node->name = word;
  node->mode = s.defaultMode;
  node->preCommand = s.currentPre;
  node->postCommand = s.currentPost;
  *place = node;
  s.longestName = std::max(s.longestName, word.size());
  return node;
}

// Walks a phrase exactly; NULL when a word is missing.
Command* phraseNode(const char* phrase) {
  Command* level = tree().root;
  Command* node = nullptr;
  std::vector<std::string> words = splitWords(lowerCaseWord(phrase).c_str());
  if (words.empty()) return nullptr;
  for (const std::string& word : words) {
    node = exactNode(level, word);
    if (node == nullptr) return nullptr;
    level = node->keywords;
  }
  return node;
}

// Every node below level with its phrase, in name order, depth first.
template <class Visit>
void walkPhrases(Command* level, std::vector<Command*>& path, Visit visit) {
  for (Command* node : levelNodes(level)) {
    path.push_back(node);
    visit(path);
    walkPhrases(node->keywords, path, visit);
    path.pop_back();
  }
}

std::string phraseText(const std::vector<Command*>& path, bool capitals) {
  std::string text;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0 && !capitals) text += ' ';
    text += capitals ? capitalised(path[i]->name) : path[i]->name;
    if (capitals) text += ' ';
  }
  return text;
}

std::string texLine(const std::string& line) {
  std::string out;
  bool math = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '$') {
      math = !math;
      out += c;
    } else if (c == '@') {
      out += '\\';
    } else if (!math && (c == '_' || c == '^')) {
      out += '\\';
      out += c;
    } else if (c == '"' && i > 0 && (line[i - 1] == ' ' || line[i - 1] == '(')) {
      out += "``";
    } else {
      out += c;
    }
  }
  return out;
}

// The path from the top level down to the first node (depth first) that satisfies found;
// false, with the path empty, when there is none.
template <class Predicate>
bool pathTo(Command* level, Predicate found, std::vector<Command*>& path) {
  for (Command* node : levelNodes(level)) {
    path.push_back(node);
    if (found(node) || pathTo(node->keywords, found, path)) return true;
    path.pop_back();
  }
  return false;
}

// The phrase whose next words are the level's ("algebra" for the level of "a", "b", ...);
// "" for the top level or a level not in the tree.
std::string phraseAbove(Command* level) {
  std::vector<Command*> path;
  if (level == nullptr || level == tree().root ||
      !pathTo(tree().root, [level](const Command* node) { return node->keywords == level; }, path))
    return "";
  return phraseText(path, false);
}

// Levels of more words than this are not listed in a message; "help" lists them.
constexpr std::size_t kListedKeywords = 24;

// The words that may follow the phrase, for a message that says what to type: "one of a,
// at, b" or, for a long list, a pointer to "help" of the phrase.
std::string nextWordsHint(const std::string& phrase, Command* level) {
  std::vector<std::string> words;
  for (Command* node : levelNodes(level)) {
    if (node->status == 0 && node->enabled != 0) words.push_back(node->name);
  }
  if (words.empty() || words.size() > kListedKeywords)
    return "see \"help " + phrase + "\" for the words that may follow \"" + phrase + "\"";
  std::string list;
  for (const std::string& word : words) list += (list.empty() ? "" : ", ") + word;
  return "\"" + phrase + "\" is followed by one of " + list + " (see \"help " + phrase + "\")";
}

// Commands of other programs that people type by habit, with the one that does the job
// here.
struct HabitWord {
  const char* typed;
  const char* meant;
};
constexpr HabitWord kHabitWords[] = {{"exit", "quit"}};

bool containsIgnoringCase(const std::string& text, const std::string& pattern) {
  return subString(text.c_str(), pattern.c_str()) != 0;
}

}  // namespace

std::string lowerCaseWord(const char* word) {
  std::string text(word != nullptr ? word : "");
  for (char& c : text) c = lower(c);
  return text;
}

std::string commandPhrase(const Command* command) {
  std::vector<Command*> path;
  if (command == nullptr ||
      !pathTo(tree().root, [command](const Command* node) { return node == command; }, path))
    return command != nullptr ? command->name : "";
  return phraseText(path, false);
}

std::string parameterName(const Command* command, int i) {
  if (command == nullptr || i < 0) return "";
  const std::string& text = command->paramDescription;
  std::vector<std::string> names;
  std::size_t repeatAt = text.find("...");
  std::size_t repeatedGroup = std::string::npos;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '[' && text[at] != '(') {
      ++at;
      continue;
    }
    char close = text[at] == '[' ? ']' : ')';
    std::size_t end = text.find(close, at + 1);
    if (end == std::string::npos) break;
    if (repeatAt != std::string::npos && at > repeatAt && repeatedGroup == std::string::npos)
      repeatedGroup = names.size();
    std::string inside = text.substr(at + 1, end - at - 1);
    std::size_t blank = inside.find(' ');
    names.push_back(blank == std::string::npos ? inside : inside.substr(blank + 1));
    at = end + 1;
  }
  const int counted = command->nConversions > 0 ? command->nConversions : static_cast<int>(names.size());
  if (repeatedGroup == std::string::npos || i < counted) {
    return static_cast<std::size_t>(i) < names.size() ? names[static_cast<std::size_t>(i)] : "";
  }
  // A parameter that repeats the group before "..." goes by the name written after "...".
  return names[repeatedGroup];
}

std::string parameterSubject(const Command* command, int i) {
  const std::string name = parameterName(command, i);
  if (command == nullptr || name.empty()) return "Parameter";
  std::string subject = "Parameter \"" + name + "\"";
  if (i >= command->nConversions && command->paramDescription.find("...") != std::string::npos)
    subject += " (number " + std::to_string(i + 1) + ")";
  return subject + " of \"" + commandPhrase(command) + "\"";
}

int intParameter(char* const* params, int i) {
  int value = 0;
  std::memcpy(&value, params[i], sizeof value);
  return value;
}

void* functionInfoOf(char* const* params) { return static_cast<void*>(params[-1]); }

// Registration.

Command* initCommand(const char* phrase, const char* paramDescription, CommandHandler handler, const char* help) {
  TreeState& s = tree();
  std::vector<std::string> words = splitWords(lowerCaseWord(phrase).c_str());
  if (words.empty()) {
    Alert("initCommand", 0, 112415, "Command %s too short", phrase != nullptr ? phrase : "");
    return nullptr;
  }
  if (words.size() > kMaxPhraseWords) {
    Alert("initCommand", 1, 112415, "Command number overflow");
    return nullptr;
  }
  Command** level = &s.root;
  Command* node = nullptr;
  for (std::size_t i = 0; i < words.size(); ++i) {
    bool last = i + 1 == words.size();
    node = exactNode(*level, words[i]);
    if (node == nullptr) {
      node = addCommand(level, words[i]);
      if (node == nullptr) return nullptr;
      if (last) fillCommand(node, paramDescription, handler, help);
    } else if (last) {
      if (!node->paramDescription.empty() || !node->helpText.empty() || node->handler != nullptr) {
        Alert("initCommand", 2, 112415, "Attempt to re-initialize command %s", phrase);
        return nullptr;
      }
      fillCommand(node, paramDescription, handler, help);
    }
    level = &node->keywords;
  }
  return node;
}

void addHelp(const char* phrase, HelpFunction function) {
  Command* node = phraseNode(phrase);
  if (node == nullptr) {
    Alert("addHelp", 0, 112415, "Command not found; help not extended");
    return;
  }
  node->helpFunction = function;
}

void addFunctionInfo(const char* phrase, void* info) {
  Command* node = phraseNode(phrase);
  if (node == nullptr) {
    Alert("addFunctionInfo", 0, 112415, "Command not found");
    return;
  }
  node->functionInfo = info;
}

void makeInternal(const char* phrase) {
  Command* node = phraseNode(phrase);
  if (node == nullptr) {
    Alert("makeInternal", 0, 112415, "Command not found; not made internal");
    return;
  }
  node->status = 1;
}

void enableCommand(const char* phrase) {
  if (Command* node = phraseNode(phrase)) node->enabled = 1;
}

void disableCommand(const char* phrase) {
  if (Command* node = phraseNode(phrase)) node->enabled = 0;
}

void enableSubstitution(Command* node) { node->substitute = 1; }
void disableSubstitution(Command* node) { node->substitute = 0; }

void applyToComKey(Command* node, void (*fn)(Command*)) {
  if (node == nullptr) return;
  fn(node);
  for (Command* below : levelNodes(node->keywords)) applyToComKey(below, fn);
}

void applyToTree(Command* level, void (*fn)(Command*)) {
  for (Command* node : levelNodes(level)) fn(node);
}

void removeCommand(const char* word) {
  suppressError();
  Command* node = findCommand(word, tree().root);
  unsuppressError();
  if (node == nullptr || node == ambiguousCommandMarker()) return;
  node->status = 2;
  if (!node->name.empty()) node->name[0] = '$';
}

Command* matchComKey(const char* phrase) { return phraseNode(phrase); }
Command* getCommandTree() { return tree().root; }
std::size_t getLongestCommandName() { return tree().longestName; }

// Modes.

Mode* makeMode(const char* message) {
  TreeState& s = tree();
  s.modes.push_back(Mode{});
  Mode* mode = &s.modes.back();
  mode->message = message != nullptr ? message : "";
  return mode;
}

Mode* makeDefaultMode() {
  TreeState& s = tree();
  s.defaultMode = makeMode("");
  s.currentMode = s.defaultMode;
  return s.defaultMode;
}

Mode* getDefaultMode() { return tree().defaultMode; }
void setCurrentMode(Mode* mode) { tree().currentMode = mode; }
Mode* getCurrentMode() { return tree().currentMode; }
void setCurrentPreCommand(PreCommand function) { tree().currentPre = function; }
void setCurrentPostCommand(PostCommand function) { tree().currentPost = function; }
void addModeFunction(Mode* mode, int (*function)()) { mode->switchFunction = function; }
void switchMode(Mode* mode, int active) {
  if (mode != nullptr) mode->active = active;
}

// Data types.

ConversionMethod* makeConversionMethod(ConversionFunction convert, int resultType, const char* description) {
  TreeState& s = tree();
  s.methods.push_back(ConversionMethod{});
  ConversionMethod* method = &s.methods.back();
  method->convert = convert;
  method->resultType = resultType;
  method->description = description != nullptr ? description : "";
  return method;
}

Conversion* getConversion(const char* typeName, ConversionMethod* method) {
  if (Conversion* existing = findConversion(typeName)) return existing;
  TreeState& s = tree();
  s.conversions.push_back(Conversion{});
  Conversion* conversion = &s.conversions.back();
  conversion->typeName = typeName;
  conversion->method = method;
  conversion->next = s.firstConversion;
  s.firstConversion = conversion;
  return conversion;
}

Conversion* findConversion(const char* typeName) {
  for (Conversion* c = tree().firstConversion; c != nullptr; c = c->next) {
    if (c->typeName == typeName) return c;
  }
  return nullptr;
}

Conversion* firstConversion() { return tree().firstConversion; }
Conversion* nextConversion(const Conversion* conversion) { return conversion != nullptr ? conversion->next : nullptr; }

bool getDataTypeString(std::string& cell, const void* item, int) {
  cell = static_cast<const Conversion*>(item)->typeName;
  return true;
}

bool getTypeDescriptionString(std::string& cell, const void* item, int) {
  const ConversionMethod* method = static_cast<const Conversion*>(item)->method;
  cell = method != nullptr ? method->description : "";
  return true;
}

const void* nextConversionItem(const void* item) { return nextConversion(static_cast<const Conversion*>(item)); }

void displayDataTypes(FILE* stream) {
  const Conversion* first = firstConversion();
  if (first == nullptr || findTable("DataTypes") == nullptr) return;
  if (OutputStatus() != 0) printTable("DataTypes", 0, 1000, 1, 0, first, stdout);
  if (stream != nullptr && stream != stdout) printTable("DataTypes", 0, 1000, 1, 2, first, stream);
}

int getDataTypeWidth() {
  std::size_t width = 0;
  for (Conversion* c = firstConversion(); c != nullptr; c = c->next) width = std::max(width, c->typeName.size());
  return std::max(8, static_cast<int>(width) + 2);
}

int getTypeDescriptionWidth() {
  std::size_t width = 0;
  for (Conversion* c = firstConversion(); c != nullptr; c = c->next) {
    if (c->method != nullptr) width = std::max(width, c->method->description.size());
  }
  return std::max(16, static_cast<int>(width) + 2);
}

std::string getDataTypeHeader() { return "Type"; }
std::string getTypeDescriptionHeader() { return "Description"; }

// Matching.

Command* ambiguousCommandMarker() { return &tree().ambiguity; }

Command* findCommand(const char* word, Command* level) {
  std::string typed = lowerCaseWord(word);
  bool top = level == tree().root;
  if (Command* exact = exactNode(level, typed)) return exact;
  Command* found = nullptr;
  int candidates = 0;
  for (Command* node : levelNodes(level)) {
    if (cmpcom(node->name.c_str(), typed.c_str()) == 0) {
      found = node;
      ++candidates;
    }
  }
  if (candidates == 1) return found;
  if (top) {
    std::string blankless = typed;
    blankless.erase(std::remove(blankless.begin(), blankless.end(), ' '), blankless.end());
    if (blankless.empty()) return nullptr;
    if (candidates > 1) {
      Alert("findCommand", 1, 100301, "Command %s ambiguous", typed.c_str());
      return ambiguousCommandMarker();
    }
    for (const HabitWord& habit : kHabitWords) {
      if (typed == habit.typed) {
        Alert("findCommand", 2, 100301, "Command %s not known; type \"%s\" instead", typed.c_str(), habit.meant);
        return nullptr;
      }
    }
    Alert("findCommand", 2, 100301, "Command %s not known", typed.c_str());
    return nullptr;
  }
  if (candidates > 1) {
    Alert("findCommand", 3, 100301, "Keyword %s ambiguous", typed.c_str());
  } else {
    const std::string phrase = phraseAbove(level);
    if (phrase.empty()) {
      Alert("findCommand", 4, 100301, "Keyword %s not known", typed.c_str());
    } else {
      Alert("findCommand", 4, 100301, "Keyword %s not known; %s", typed.c_str(),
            nextWordsHint(phrase, level).c_str());
    }
  }
  return nullptr;
}

Command* matchCommand(const char* word, Command* level) {
  std::string typed = lowerCaseWord(word);
  if (Command* exact = exactNode(level, typed)) return exact;
  if (getErrorSuppression() == 0) {
    if (level == tree().root) {
      Alert("matchCommand", 0, 100301, "No exact match found for command %s", typed.c_str());
    } else {
      Alert("matchCommand", 1, 100301, "No exact match found for keyword %s", typed.c_str());
    }
  }
  return nullptr;
}

Command* interpretComKey(char** tokens, int* matched) {
  TreeState& s = tree();
  *matched = 0;
  if (s.root == nullptr || tokens == nullptr || tokens[0] == nullptr) {
    Alert("interpretComKey", 0, 100301, "Unexpected NULL pointer");
    return nullptr;
  }
  Command* level = s.root;
  Command* previous = nullptr;
  for (int i = 0; tokens[i] != nullptr; ++i) {
    Command* node = nullptr;
    if (previous == nullptr || previous->maxParams == 0) {
      node = findCommand(tokens[i], level);
      if (node == ambiguousCommandMarker()) return nullptr;
      if (node != nullptr && node->exact != 0 && lowerCaseWord(tokens[i]) != node->name) {
        node = matchCommand(tokens[i], level);
      }
    } else {
      node = matchCommand(tokens[i], level);
    }
    if (node == nullptr) {
      if (previous == nullptr) return nullptr;
      return previous->handler != nullptr ? previous : nullptr;
    }
    if (node->enabled == 0) {
      if (previous == nullptr) {
        Alert("interpretComKey", 1, 100301, "Command \"%s\" disabled", node->name.c_str());
      } else {
        Alert("interpretComKey", 2, 100301, "Keyword \"%s\" disabled", node->name.c_str());
      }
      return nullptr;
    }
    ++*matched;
    previous = node;
    if (node->keywords == nullptr) break;
    level = node->keywords;
  }
  if (previous->handler != nullptr) {
    if (previous->status == 2) Alert("interpretComKey", 3, 100301, "Command not found");
    return previous;
  }
  const std::string phrase = commandPhrase(previous);
  Alert("interpretComKey", 4, 100301, "Command %s not executable; %s", phrase.c_str(),
        nextWordsHint(phrase, previous->keywords).c_str());
  return previous;
}

Command* findComKey(char** tokens, std::string& text, int* count) {
  text = "Command syntax: ";
  *count = 0;
  Command* level = tree().root;
  Command* deepest = nullptr;
  for (int i = 0; tokens[i] != nullptr && level != nullptr; ++i) {
    Command* node = findCommand(tokens[i], level);
    if (node == nullptr || node == ambiguousCommandMarker()) break;
    text += capitalised(node->name) + " ";
    ++*count;
    deepest = node;
    level = node->keywords;
  }
  return deepest;
}

// Conversions for handlers.

namespace {

bool isIntegerText(const std::string& text) {
  std::size_t start = text.find_first_not_of(' ');
  std::size_t end = text.find_last_not_of(' ');
  if (start == std::string::npos) return false;
  if (text[start] == '-') ++start;
  if (start > end) return false;
  for (std::size_t i = start; i <= end; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

// A decimal fraction: an optional sign, digits and one point with digits after it.
bool isDecimalText(const std::string& text) {
  std::size_t point = text.find('.');
  if (point == std::string::npos || point + 1 >= text.size()) return false;
  std::string digits = text.substr(0, point) + text.substr(point + 1);
  if (!digits.empty() && digits[0] == '-') digits.erase(0, 1);
  return !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
}

// The value of a token that is not a plain number: its text and type after evaluation
// (inside a function call the token is already a value and is taken as text).
MathObjPtr tokenValue(const char* token) {
  if (getFunctionCallFlag() != 0) return MathObjPtr(makeStringObj(token, std::strlen(token)));
  return MathObjPtr(evaluate_string(token));
}

}  // namespace

void refuseTypedValue(const char* routine, int position, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = vformatText(format, args);
  va_end(args);
  const int buffering = getErrorBuffering();
  unbufferErrors();
  Alert(routine, position, 100202, "%s", text.c_str());
  if (buffering != 0) bufferErrors();
}

int convertToInteger(const char* token, int* value) {
  std::string text;
  if (isIntegerText(token)) {
    text = token;
  } else {
    MathObjPtr object = tokenValue(token);
    if (object->type == 'i') {
      *value = object->intValue;
      return 0;
    }
    bool decimal = object->type == 's' && isDecimalText(std::string(object->text.c_str(), object->text.size()));
    if (object->type == 'r' || (decimal && MathObjToRat(object.get()) == 0)) {
      // A quotient or decimal of whole value (3000000000/1000, 1.0) is that integer.
      simplify_rat(&object->rational);
      object->type = 'r';
      MathObjToString(object.get());
      std::string written(object->text.c_str(), object->text.size());
      if (!isIntegerText(written)) {
        refuseTypedValue("convertToInteger", 2, "Parameter %s is not a whole number", token);
        return 1;
      }
      text = written;
    } else if (object->type == 'l' || object->type == 's') {
      MathObjToString(object.get());
      text.assign(object->text.c_str(), object->text.size());
    }
  }
  if (isIntegerText(text)) {
    int result = 0;
    if (strnumChk(text.c_str(), &result) == 0) {
      *value = result;
      return 0;
    }
    refuseTypedValue("convertToInteger", 0, "Integer too large: %s (integers lie between -%d and %d)", token,
                     kLargestTypedInteger, kLargestTypedInteger);
    return 2;
  }
  refuseTypedValue("convertToInteger", 1, "Non-numerical parameter: %s", token);
  return 1;
}

int convertToDouble(const char* token, double* value) {
  MathObjPtr object = tokenValue(token);
  switch (object->type) {
    case 'i':
      *value = object->intValue;
      return 0;
    case 'l': {
      int small = 0;
      MathObjToString(object.get());
      if (strnumChk(object->text.c_str(), &small) != 0) {
        refuseTypedValue("convertToDouble", 0, "Overflow");
        return 2;
      }
      *value = small;
      return 0;
    }
    case 'r':
      simplify_rat(&object->rational);
      if (object->rational.den.length == 0) {
        refuseTypedValue("convertToDouble", 0, "Overflow");
        return 2;
      }
      *value = lratToDouble(&object->rational);
      return 0;
    case 's': {
      const char* text = object->text.c_str();
      char* end = nullptr;
      double number = std::strtod(text, &end);
      if (end != text && *findFirstAlpha(end) == '\0') {
        if (!std::isfinite(number)) {
          refuseTypedValue("convertToDouble", 0, "Overflow");
          return 2;
        }
        *value = number;
        return 0;
      }
      break;
    }
    default:
      break;
  }
  refuseTypedValue("convertToDouble", 1, "Non-numerical parameter: %s", token);
  return 1;
}

std::string convertToString(const char* token, std::size_t max) {
  MathObjPtr value(evaluate_string_to_string(token));
  std::string text(value->text.c_str(), value->text.size());
  if (text.size() > max) text.resize(max);
  return text;
}

// Listings.

bool printDescription(const char* text, const char* label, int indent) {
  std::string clean;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '$' && *p != '@') clean += *p;
  }
  std::size_t margin = static_cast<std::size_t>(std::clamp(indent, 0, 50));
  std::string flowed = leftAdjust(clean.c_str(), static_cast<int>(margin), 100 - static_cast<int>(margin));
  if (flowed.size() < margin + 2) return false;
  std::string prefix = std::string("   ") + label + " ";
  if (prefix.size() <= margin && flowed.compare(0, prefix.size(), std::string(prefix.size(), ' ')) == 0) {
    // The label fits in the indent, which holds only blanks: no letter of the text is lost.
    flowed.replace(0, prefix.size(), prefix);
  } else {
    // A label that leaves no blank before the text's indent stands on a line of its own.
    prefix.pop_back();
    flowed = prefix + "\n" + flowed;
  }
  Print("%s\n", flowed.c_str());
  return true;
}

void printCommands() {
  std::vector<Command*> path;
  std::string text;
  walkPhrases(tree().root, path, [&text](const std::vector<Command*>& p) {
    text += std::string(4 * (p.size() - 1), ' ') + capitalised(p.back()->name) + "\n";
  });
  Print("%s", text.c_str());
}

void printComCol(Command* level) {
  std::vector<std::string> names;
  std::size_t longest = 0;
  for (Command* node : levelNodes(level)) {
    if (node->status != 0) continue;
    names.push_back(capitalised(node->name));
    longest = std::max(longest, node->name.size());
  }
  if (names.empty()) return;
  std::size_t width = longest + 4;
  std::size_t columns = std::max<std::size_t>(1, 80 / width);
  std::size_t rows = (names.size() + columns - 1) / columns;
  std::string grid;
  for (std::size_t row = 0; row < rows; ++row) {
    std::string line;
    for (std::size_t column = 0; column < columns; ++column) {
      std::size_t k = column * rows + row;
      if (k >= names.size()) break;
      line += names[k];
      if (column + 1 < columns && (column + 1) * rows + row < names.size()) line.append(width - names[k].size(), ' ');
    }
    grid += line + "\n";
  }
  Print("%s", grid.c_str());
}

int COM_commands(char**, int) {
  printComCol(tree().root);
  return 0;
}

int COM_commands_all(char**, int) {
  printCommands();
  return 0;
}

int COM_commands_detail(char**, int) {
  std::vector<Command*> path;
  walkPhrases(tree().root, path, [](const std::vector<Command*>& p) {
    std::string label = std::string(2 * (p.size() - 1), ' ') + capitalised(p.back()->name);
    if (!printDescription(p.back()->helpText.c_str(), label.c_str(), 13)) Print("   %s\n", label.c_str());
  });
  return 0;
}

int COM_commands_tex(char**, int) {
  std::vector<Command*> path;
  walkPhrases(tree().root, path, [](const std::vector<Command*>& p) {
    const Command* node = p.back();
    if (node->handler == nullptr || node->helpText.find("INTERNAL") != std::string::npos) return;
    std::string phrase = phraseText(p, true);
    std::string line;
    if (node->helpText.size() < 9) {
      line = formatText("\\leftline{\\ttquad\\tt > %s %s\\\\}\n", phrase.c_str(), node->paramDescription.c_str());
    } else {
      line = formatText("\\leftline{\\ttquad\\tt > %s %s}\n%s\\\\\n", phrase.c_str(),
                        node->paramDescription.c_str(), node->helpText.c_str());
    }
    Print("%s", texLine(line).c_str());
  });
  return 0;
}

int COM_find(char** params, int n) {
  std::string pattern = params[0];
  std::vector<Command*> path;
  walkPhrases(tree().root, path, [&pattern](const std::vector<Command*>& p) {
    if (p.back()->status != 2 && containsIgnoringCase(p.back()->name, pattern)) {
      Print("%s\n", phraseText(p, false).c_str());
    }
  });
  return -n;
}

int COM_apropos(char** params, int n) {
  std::string pattern = params[0];
  std::vector<Command*> path;
  walkPhrases(tree().root, path, [&pattern](const std::vector<Command*>& p) {
    const Command* node = p.back();
    if (node->status == 2) return;
    if (!containsIgnoringCase(node->name, pattern) && !containsIgnoringCase(node->helpText, pattern)) return;
    Print("%s\n", phraseText(p, false).c_str());
    printDescription(node->helpText.c_str(), "Description:", 17);
  });
  return -n;
}

// Start state.

void markCommandTreeStartState() {
  TreeState& s = tree();
  s.startNodes.assign(s.nodes.begin(), s.nodes.end());
  s.startRoot = s.root;
  s.startLongestName = s.longestName;
  s.startModes.assign(s.modes.begin(), s.modes.end());
  s.startDefaultMode = s.defaultMode;
  s.startCurrentMode = s.currentMode;
  s.startPre = s.currentPre;
  s.startPost = s.currentPost;
  s.startMethods = s.methods.size();
  s.startConversions = s.conversions.size();
  s.startFirstConversion = s.firstConversion;
}

void resetCommandTree() {
  TreeState& s = tree();
  while (s.nodes.size() > s.startNodes.size()) s.nodes.pop_back();
  for (std::size_t i = 0; i < s.nodes.size(); ++i) s.nodes[i] = s.startNodes[i];
  s.root = s.startRoot;
  s.longestName = s.startLongestName;
  while (s.modes.size() > s.startModes.size()) s.modes.pop_back();
  for (std::size_t i = 0; i < s.modes.size(); ++i) s.modes[i] = s.startModes[i];
  s.defaultMode = s.startDefaultMode;
  s.currentMode = s.startCurrentMode;
  s.currentPre = s.startPre;
  s.currentPost = s.startPost;
  while (s.methods.size() > s.startMethods) s.methods.pop_back();
  while (s.conversions.size() > s.startConversions) s.conversions.pop_back();
  s.firstConversion = s.startFirstConversion;
}
