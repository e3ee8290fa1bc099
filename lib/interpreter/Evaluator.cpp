// The expression evaluator (see Evaluator.h for the representation).
//
// Splitting: a term runs up to the next operator character outside round brackets and
// quotes and not escaped by '\'; a double quote becomes the quote character '@'. The
// operator between two terms is the run of operator characters between them, except that
// a final '-' of a run of two or more belongs to the next term (3*-2). A term ending in ')'
// is a bracketed sub-expression or a function call and is evaluated at once; any other
// term stays text until an operator needs its value.
//
// Numbers: texts of at most 4 characters become small integers; results of magnitude
// 10000 or more, and longer texts, become large integers; a quotient that is not an
// integer becomes an unreduced rational; a decimal fraction d.f is the rational df/10^|f|.
//
// State: the record store (a deque, so handed-out records keep their addresses), the
// pool of released records, the shared error value and the nesting depth of the running
// evaluation. All of it lives until resetEvaluator. Variables live in the interpreter.
#include "interpreter/Evaluator.h"

#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter/Interpreter.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

AllocationAccount Evaluator_alloc("Evaluator");

namespace {

constexpr const char* kOperatorTexts[kOperatorCount] = {
    "/", "*", "-", "+", "==", "!=", ">", "<", ">=", "<=", "<~", "=~", ">~", "&&", "||", "|", "=", "~"};
constexpr const char kSpecialChars[] = "*/+-!=><&|~";
constexpr char kQuote = '@';
constexpr char kEscape = '\\';
// Promotion bound of small integers.
constexpr long long kSmallLimit = 10000;

enum OperatorIndex {
  kDivide = 0,
  kMultiply = 1,
  kSubtract = 2,
  kAdd = 3,
  kEqual = 4,
  kNotEqual = 5,
  kGreater = 6,
  kLess = 7,
  kGreaterEqual = 8,
  kLessEqual = 9,
  kTextLess = 10,
  kTextEqual = 11,
  kTextGreater = 12,
  kAnd = 13,
  kOr = 14,
  kConcatenate = 15,
  kAssign = 16,
  kAssignLiteral = 17,
};

struct EvaluatorState {
  std::deque<MathObj, AccountAllocator<MathObj>> records{AccountAllocator<MathObj>(&Evaluator_alloc, "MathObj")};
  AccountVector<MathObj*> pool{AccountAllocator<MathObj*>(&Evaluator_alloc, "MathObjStore")};
  MathObj errorObj;
  int depth = 0;

  EvaluatorState() { makeErrorObj(); }
  void makeErrorObj() {
    errorObj.type = 'e';
    errorObj.text = "ERROR";
    errorObj.prev = errorObj.next = nullptr;
    errorObj.inPool = false;
  }
};

EvaluatorState& state() {
  static EvaluatorState s;
  return s;
}

bool isErrorObj(const MathObj* obj) { return obj == &state().errorObj; }

// Services of the interpreter's variable store and function calls (end of this file).
std::optional<std::string> lookUpVariable(const std::string& variable);
void assignVariable(const char* variable, const char* value);
MathObj* runFunctionCall(const MathObj* call);

bool isSpecialChar(char c) { return c != '\0' && std::strchr(kSpecialChars, c) != nullptr; }

int findSeparator(std::string_view run) {
  for (int i = 0; i < kOperatorCount; ++i) {
    if (run == kOperatorTexts[i]) return i;
  }
  return -1;
}

// Counts the nesting of evaluate_string for as long as it lives.
class DepthGuard {
 public:
  DepthGuard() { ++state().depth; }
  ~DepthGuard() { --state().depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

// A list being built: term, operator, term, ...
struct ObjList {
  MathObj* head = nullptr;
  MathObj* tail = nullptr;
  void append(MathObj* obj) {
    obj->prev = tail;
    obj->next = nullptr;
    if (tail != nullptr) tail->next = obj;
    else head = obj;
    tail = obj;
  }
  void release() {
    freestack(head);
    head = tail = nullptr;
  }
};

void setText(MathObj* obj, char type, std::string_view text) {
  obj->type = type;
  obj->text.assign(text.data(), text.size());
}

void setSmall(MathObj* obj, long long value) {
  if (value >= kSmallLimit || value <= -kSmallLimit) {
    obj->type = 'l';
    lint_assign(&obj->large, value);
  } else {
    obj->type = 'i';
    obj->intValue = static_cast<int>(value);
  }
}

void setTruth(MathObj* obj, bool truth) {
  obj->type = 'c';
  obj->intValue = truth ? 1 : 0;
}

// Left becomes an error carrying the text of right's error.
void takeError(MathObj* left, const MathObj* right) {
  std::string text(right->text.c_str());
  MathObjToError(left, text.c_str());
}

std::string_view trimBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

MathObj* syntaxError(ObjList& list, int position, const std::string& text) {
  list.release();
  Alert("evaluate_string", position, 100302, "Syntax error in (sub)-expression:\n%s", text.c_str());
  return getERRORobj();
}

// --- Splitting -----------------------------------------------------------------------------

enum class ScanProblem { None, OpenBracket, OpenQuote, StrayClose };

struct TermScan {
  std::size_t end = 0;
  std::size_t firstOpen = std::string::npos;  // first unescaped '(' outside quotes
  std::size_t lastClose = std::string::npos;  // last unescaped ')' outside quotes
  ScanProblem problem = ScanProblem::None;
};

// Scans a term of text from `from` up to the next operator character outside brackets and
// quotes; unescaped double quotes in it become '@'.
TermScan scanTerm(std::string& text, std::size_t from) {
  TermScan scan;
  int depth = 0;
  bool quoted = false;
  std::size_t i = from;
  const std::size_t n = text.size();
  while (i < n) {
    char c = text[i];
    if (c == kEscape) {
      i += 2;
      continue;
    }
    if (c == '"') text[i] = c = kQuote;
    if (c == kQuote) {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '(') {
        if (scan.firstOpen == std::string::npos) scan.firstOpen = i;
        ++depth;
      } else if (c == ')') {
        scan.lastClose = i;
        if (--depth < 0) {
          scan.problem = ScanProblem::StrayClose;
          break;
        }
      } else if (depth == 0 && isSpecialChar(c)) {
        break;
      }
    }
    ++i;
  }
  scan.end = i < n ? i : n;
  if (scan.problem == ScanProblem::None) {
    if (depth > 0) scan.problem = ScanProblem::OpenBracket;
    else if (quoted) scan.problem = ScanProblem::OpenQuote;
  }
  return scan;
}

MathObj* evaluateText(std::string text);

// A function call name(arguments) making up the whole text.
MathObj* analyseFunction(const std::string& text) {
  std::size_t open = std::string::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size() && open == std::string::npos; ++i) {
    if (text[i] == kEscape) {
      ++i;
    } else if (text[i] == kQuote) {
      quoted = !quoted;
    } else if (!quoted && text[i] == '(') {
      open = i;
    }
  }
  std::size_t close = text.find_last_not_of(' ');
  std::string_view name = trimBlanks(std::string_view(text).substr(0, open));

  // Arguments, cut at unescaped commas outside inner brackets and quotes.
  std::deque<std::string> arguments;
  std::string current;
  int depth = 0;
  quoted = false;
  for (std::size_t i = open + 1; i < close; ++i) {
    char c = text[i];
    if (c == kEscape && i + 1 < close) {
      current += c;
      current += text[++i];
      continue;
    }
    if (c == kQuote) {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth < 0) {
        Alert("analyse_function", 0, 100302, "Unterminated string");
        return getERRORobj();
      } else if (c == ',' && depth == 0) {
        arguments.push_back(current);
        current.clear();
        continue;
      }
    }
    current += c;
  }
  arguments.push_back(current);

  ObjList call;
  call.append(makeStringObj(name.data(), name.size()));
  for (const std::string& argument : arguments) {
    MathObj* value = evaluateText(argument);
    if (isErrorObj(value)) {
      call.release();
      return value;
    }
    MathObjToString(value);
    if (value->type == 'e') {
      call.release();
      return value;
    }
    call.append(value);
  }
  MathObj* result = runFunctionCall(call.head);
  call.release();
  return result;
}

// The value of one term text[start, end); ERRORobj after a syntax error.
MathObj* makeTerm(const std::string& text, std::size_t start, const TermScan& scan) {
  std::string_view term(text.data() + start, scan.end - start);
  std::size_t lastNonBlank = text.find_last_not_of(' ', scan.end - 1);
  if (lastNonBlank != std::string::npos && lastNonBlank >= start && lastNonBlank == scan.lastClose) {
    std::size_t firstNonBlank = text.find_first_not_of(' ', start);
    if (firstNonBlank == scan.firstOpen) {
      return evaluateText(text.substr(scan.firstOpen + 1, scan.lastClose - scan.firstOpen - 1));
    }
    if (start == 0 && scan.end == text.size()) return analyseFunction(text);
    return evaluateText(std::string(term));
  }
  return makeStringObj(term.data(), term.size());
}

void computeExpression(MathObj* head);
void cutAfter(MathObj* head);

MathObj* evaluateText(std::string text) {
  DepthGuard guard;
  if (text.empty()) return makeStringObj("", 0);
  if (state().depth > kMaxEvaluationDepth) {
    Alert("evaluate_string", 4, 100302, "Expression nested more than %d levels deep", kMaxEvaluationDepth);
    return getERRORobj();
  }
  ObjList list;
  const std::size_t n = text.size();
  if (text[0] == '-' || text[0] == '+') {
    list.append(makeIntObj(0));
  } else if (isSpecialChar(text[0])) {
    return syntaxError(list, 3, text);
  }
  std::size_t pos = 0;
  for (;;) {
    std::size_t runStart = pos;
    while (pos < n && isSpecialChar(text[pos])) ++pos;
    std::size_t runEnd = pos;
    bool signedTerm = false;
    if (runEnd - runStart >= 2 && text[runEnd - 1] == '-') {
      --runEnd;
      --pos;
      signedTerm = true;
    }
    if (list.head != nullptr) {
      int index = findSeparator(std::string_view(text).substr(runStart, runEnd - runStart));
      if (index < 0) return syntaxError(list, 1, text);
      list.append(makeSeparatorObj(index));
    }
    if (pos >= n) return syntaxError(list, 0, text);
    std::size_t start = pos;
    TermScan scan = scanTerm(text, signedTerm ? pos + 1 : pos);
    if (scan.problem == ScanProblem::OpenBracket || scan.problem == ScanProblem::OpenQuote) {
      list.release();
      Alert("evaluate_string", 2, 100302,
            scan.problem == ScanProblem::OpenBracket ? "Brackets not closed" : "Unmatched quotes");
      return getERRORobj();
    }
    if (scan.problem == ScanProblem::StrayClose) return syntaxError(list, 2, text);
    MathObj* term = makeTerm(text, start, scan);
    if (isErrorObj(term)) {
      list.release();
      return term;
    }
    list.append(term);
    pos = scan.end;
    if (pos >= n) break;
  }
  if (list.head == list.tail) {
    subs_vars(list.head);
    return list.head;
  }
  computeExpression(list.head);
  if (list.head->next != nullptr) cutAfter(list.head);
  return list.head;
}

// --- Operations ----------------------------------------------------------------------------

void divisionByZero(MathObj* left, const char* routine) {
  Alert(routine, 0, 100101, "Divison by zero");
  MathObjToError(left, "INFINITE");
}

bool compareResult(int index, int comparison) {
  switch (index) {
    case kEqual: return comparison == 0;
    case kNotEqual: return comparison != 0;
    case kGreater: return comparison > 0;
    case kLess: return comparison < 0;
    case kGreaterEqual: return comparison >= 0;
    default: return comparison <= 0;
  }
}

// Forms left/right of two large integers: an unreduced rational with the sign on top.
void lintDivision(MathObj* left, MathObj* right) {
  if (right->large.length == 0) {
    regform(&right->large);
    if (right->large.length == 0) {
      divisionByZero(left, "lint_division");
      return;
    }
  }
  lint_copy(&left->rational.num, &left->large);
  lint_copy(&left->rational.den, &right->large);
  regform(&left->rational.num);
  regform(&left->rational.den);
  if (left->rational.den.sign < 0) {
    lint_flip(&left->rational.den);
    lint_flip(&left->rational.num);
  }
  left->type = 'r';
}

void lintOperation(MathObj* left, MathObj* right, int index) {
  if (left->type == 'i') IntToLint(left);
  if (right->type == 'i') IntToLint(right);
  lint* a = &left->large;
  lint* b = &right->large;
  switch (index) {
    case kDivide: lintDivision(left, right); return;
    case kMultiply: lint_multiply(a, b); return;
    case kSubtract:
      lint_flip(b);
      lint_add(a, b);
      return;
    case kAdd: lint_add(a, b); return;
    case kEqual: setTruth(left, lint_eq(a, b) == 1); return;
    case kNotEqual: setTruth(left, lint_neq(a, b) == 1); return;
    case kGreater: setTruth(left, lint_gt(a, b) == 1); return;
    case kLess: setTruth(left, lint_lt(a, b) == 1); return;
    case kGreaterEqual: setTruth(left, lint_geq(a, b) == 1); return;
    default: setTruth(left, lint_leq(a, b) == 1); return;
  }
}

void intOperation(MathObj* left, MathObj* right, int index) {
  long long a = left->intValue;
  long long b = right->intValue;
  switch (index) {
    case kDivide:
      if (b == 0) {
        divisionByZero(left, "int_division");
      } else if (a % b == 0) {
        setSmall(left, a / b);
      } else {
        lintOperation(left, right, kDivide);
      }
      return;
    case kMultiply: setSmall(left, a * b); return;
    case kSubtract: setSmall(left, a - b); return;
    case kAdd: setSmall(left, a + b); return;
    default: setTruth(left, compareResult(index, a < b ? -1 : (a > b ? 1 : 0))); return;
  }
}

// With a = p/q and b = r/s; results are not reduced.
void ratOperation(MathObj* left, MathObj* right, int index) {
  if (MathObjToRat(left) != 0) return;
  if (MathObjToRat(right) != 0) {
    takeError(left, right);
    return;
  }
  lrat* a = &left->rational;
  lrat* b = &right->rational;
  lrat_regform(a);
  lrat_regform(b);
  if (index >= kEqual) {
    int comparison = lrat_compare(a, b);
    setTruth(left, compareResult(index, comparison));
    return;
  }
  lint numerator;
  lint denominator;
  switch (index) {
    case kDivide:
      if (lrat_zero_check(b) == 1) {
        divisionByZero(left, "rat_operation");
        return;
      }
      lint_copy(&numerator, &a->num);
      lint_multiply(&numerator, &b->den);
      lint_copy(&denominator, &a->den);
      lint_multiply(&denominator, &b->num);
      if (b->num.sign < 0) {
        lint_flip(&numerator);
        lint_flip(&denominator);
      }
      break;
    case kMultiply:
      lint_copy(&numerator, &a->num);
      lint_multiply(&numerator, &b->num);
      lint_copy(&denominator, &a->den);
      lint_multiply(&denominator, &b->den);
      break;
    default: {
      lint cross;
      lint_copy(&numerator, &a->num);
      lint_multiply(&numerator, &b->den);
      lint_copy(&cross, &b->num);
      lint_multiply(&cross, &a->den);
      if (index == kSubtract) lint_flip(&cross);
      lint_add(&numerator, &cross);
      lint_copy(&denominator, &a->den);
      lint_multiply(&denominator, &b->den);
      break;
    }
  }
  lint_copy(&a->num, &numerator);
  lint_copy(&a->den, &denominator);
  lrat_regform(a);
}

bool isNumeric(const MathObj* obj) { return obj->type == 'i' || obj->type == 'l' || obj->type == 'r'; }

void arithmetic(MathObj* left, MathObj* right, int index) {
  if (!isNumeric(left) && StringToInt(left) != 0) return;
  if (!isNumeric(right) && StringToInt(right) != 0) {
    takeError(left, right);
    return;
  }
  if (left->type == 'r' || right->type == 'r') {
    ratOperation(left, right, index);
  } else if (left->type == 'i' && right->type == 'i') {
    intOperation(left, right, index);
  } else {
    lintOperation(left, right, index);
  }
}

void assignment(MathObj* left, MathObj* right, int index) {
  if (left->type != 's') {
    MathObjToString(left);
    std::string name(left->text.c_str());
    Alert("binary_operation", 1, 100101, "Invalid variable name: %s", name.c_str());
    MathObjToError(left, ("Invalid variable " + name).c_str());
    return;
  }
  std::string name(left->text.c_str());
  std::erase(name, ' ');
  MathObjToString(right);
  std::string value(right->text.c_str());
  if (index == kAssign) value = std::string(trimBlanks(value));
  assignVariable(name.c_str(), value.c_str());
  CopyStringToMathObj(left, value.c_str());
}

// Applies operator index to left and right; the result is left in left.
void binaryOperation(MathObj* left, MathObj* right, int index) {
  if (index != kAssign && index != kAssignLiteral) subs_vars(left);
  subs_vars(right);
  if (left->type == 'e') return;
  if (right->type == 'e') {
    takeError(left, right);
    return;
  }
  switch (index) {
    case kTextLess:
    case kTextEqual:
    case kTextGreater: {
      MathObjToString(left);
      MathObjToString(right);
      int comparison = std::strcmp(left->text.c_str(), right->text.c_str());
      setTruth(left, index == kTextLess ? comparison < 0 : (index == kTextEqual ? comparison == 0 : comparison > 0));
      return;
    }
    case kConcatenate:
      if (left->type == 'c' || right->type == 'c') {
        MathObjToError(left, "Booleans cannot be concatenated");
        return;
      }
      MathObjToString(left);
      MathObjToString(right);
      left->text += right->text;
      return;
    case kAnd:
    case kOr:
      if (left->type != 'c' || right->type != 'c') {
        Alert("binary_operation", 0, 100302, "Logical AND/OR is only defined for Booleans");
        MathObjToError(left, "Invalid Condition");
        return;
      }
      setTruth(left, index == kAnd ? (left->intValue != 0 && right->intValue != 0)
                                   : (left->intValue != 0 || right->intValue != 0));
      return;
    case kAssign:
    case kAssignLiteral: assignment(left, right, index); return;
    default: arithmetic(left, right, index); return;
  }
}

// Drops every record after head, leaving head alone.
void cutAfter(MathObj* head) {
  freestack(head->next);
  head->next = nullptr;
}

void computeExpression(MathObj* head) {
  for (int index = 0; index < kOperatorCount; ++index) {
    MathObj* left = head;
    while (left->next != nullptr) {
      MathObj* op = left->next;
      if (op->type != 'S') {
        Alert("compute_expression", 0, 100101, "Separator expected but not found");
        cutAfter(head);
        MathObjToError(head, "Missing separator");
        return;
      }
      MathObj* right = op->next;
      if (right == nullptr) {
        Alert("compute_expression", 1, 100101, "Missing last term in expression");
        cutAfter(head);
        MathObjToError(head, "Missing term");
        return;
      }
      if (op->intValue != index) {
        left = right;
        continue;
      }
      binaryOperation(left, right, index);
      left->next = right->next;
      if (right->next != nullptr) right->next->prev = left;
      right->next = nullptr;
      freeObj(op);
      freeObj(right);
    }
  }
}

void clearPayload(MathObj* obj) {
  constexpr int kKeptLimbs = 64;
  constexpr std::size_t kKeptText = 4096;
  if (obj->text.capacity() > kKeptText) {
    EvaluatorText empty(obj->text.get_allocator());
    obj->text.swap(empty);
  } else {
    obj->text.clear();
  }
  for (lint* x : {&obj->large, &obj->rational.num, &obj->rational.den}) {
    if (x->capacity() > kKeptLimbs) {
      *x = lint();
    } else {
      nullify_lint(x);
    }
  }
}

}  // namespace

// --- Records ---------------------------------------------------------------------------------

void MathObjRelease::operator()(MathObj* obj) const { freeObj(obj); }

const char* evaluatorOperatorText(int index) {
  return index >= 0 && index < kOperatorCount ? kOperatorTexts[index] : "";
}

void initEvaluator() { state(); }

MathObj* getERRORobj() { return &state().errorObj; }

MathObj* allocMathObj() {
  EvaluatorState& s = state();
  MathObj* obj = nullptr;
  if (!s.pool.empty()) {
    obj = s.pool.back();
    s.pool.pop_back();
    obj->inPool = false;
  } else {
    obj = &s.records.emplace_back();
  }
  obj->prev = obj->next = nullptr;
  obj->type = 's';
  obj->intValue = 0;
  return obj;
}

MathObj* makeStringObj(const char* text, std::size_t length) {
  MathObj* obj = allocMathObj();
  if (text != nullptr) obj->text.assign(text, length);
  return obj;
}

MathObj* makeIntObj(int i) {
  MathObj* obj = allocMathObj();
  obj->type = 'i';
  obj->intValue = i;
  return obj;
}

MathObj* makeSeparatorObj(int index) {
  MathObj* obj = allocMathObj();
  obj->type = 'S';
  obj->intValue = index;
  return obj;
}

int checkFreed(MathObj* obj) {
  if (obj != nullptr && obj->inPool) {
    Alert("checkFreed", 0, 212404, "Attempt to free twice, %p\n", static_cast<void*>(obj));
    return 1;
  }
  return 0;
}

void freeObj(MathObj* obj) {
  if (obj == nullptr || isErrorObj(obj)) return;
  if (checkFreed(obj) != 0) return;
  EvaluatorState& s = state();
  clearPayload(obj);
  obj->prev = obj->next = nullptr;
  obj->inPool = true;
  // The pool grows in steps of 200 slots, as soon as fewer than 10 remain free.
  if (s.pool.capacity() - s.pool.size() < 10) s.pool.reserve(s.pool.capacity() + 200);
  s.pool.push_back(obj);
}

void freestack(MathObj* obj) {
  while (obj != nullptr) {
    MathObj* next = obj->next;
    freeObj(obj);
    obj = next;
  }
}

void freeObjPointer(MathObj* obj) {
  if (obj == nullptr || isErrorObj(obj)) return;
  clearPayload(obj);
}

void freeObjSpace(MathObj* obj) {
  if (obj == nullptr || obj->type == 'S' || obj->type == 'i') return;
  freeObjPointer(obj);
}

MathObj* stack_up(MathObj* head, MathObj* obj) {
  obj->prev = nullptr;
  obj->next = head;
  if (head != nullptr) head->prev = obj;
  return obj;
}

// --- Evaluation ------------------------------------------------------------------------------

MathObj* evaluate_string(const char* text) {
  MathObj* result = evaluateText(text != nullptr ? std::string(text) : std::string());
  result->prev = result->next = nullptr;
  return result;
}

MathObj* evaluate_string_to_string(const char* text) {
  MathObj* result = evaluate_string(text);
  if (isErrorObj(result)) return result;
  MathObjToString(result);
  if (!result->text.empty()) {
    removeQuotesAndEscapes(result->text.data(), result->text.c_str(), kQuote, kEscape);
    result->text.resize(std::strlen(result->text.c_str()));
  }
  return result;
}

int check_condition(const char* text) {
  MathObjPtr result(evaluate_string(text));
  if (result->type == 'c') return result->intValue != 0 ? 0 : 1;
  Alert("check_condition", 0, 100302, "Invalid conditional expression: %s", text != nullptr ? text : "");
  return -1;
}

// --- Conversions -----------------------------------------------------------------------------

int MathObjToError(MathObj* obj, const char* text) {
  if (isErrorObj(obj)) return 1;
  setText(obj, 'e', text);
  return 1;
}

int CopyStringToMathObj(MathObj* obj, const char* text) {
  if (isErrorObj(obj)) return 1;
  setText(obj, 's', text);
  return 0;
}

namespace {

// Whether string_to_lint takes the text: digits after an optional leading '-'.
bool lintDigits(const std::string& text) {
  std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  return text.find_first_not_of("0123456789", start) == std::string::npos;
}

// string_to_lint of digits that were read off the text as written (blanks dropped, a
// decimal point taken out); a refusal quotes the text as written, not the digits.
int digitsToLint(lint* value, const std::string& digits, const std::string& written) {
  if (!lintDigits(digits)) {
    Alert("string_to_lint", 1, 100302, "String \"%s\" is non-numerical", written.c_str());
    return 1;
  }
  return string_to_lint(value, digits.c_str());
}

// The conversions below on a text whose blanks are gone; written is the text as it came,
// for the messages.
int stringToRat(MathObj* obj, const std::string& written) {
  std::string text(obj->text.c_str());
  std::size_t slash = text.find('/');
  if (slash == std::string::npos) {
    Alert("StringToRat", 0, 100101, "Non-rational input \"%s\" in routine StringToRat", written.c_str());
    return MathObjToError(obj, "Non-rational number");
  }
  std::string top = text.substr(0, slash);
  std::string bottom = text.substr(slash + 1);
  if (top.empty() || bottom.empty()) {
    Alert("StringToInt", 1, 100101, "Non-numerical string: %s", written.c_str());
    return MathObjToError(obj, "Not a number");
  }
  lrat value;
  if (digitsToLint(&value.num, top, written) != 0 || digitsToLint(&value.den, bottom, written) != 0) {
    return MathObjToError(obj, "Not a number");
  }
  if (value.den.length == 0) {
    divisionByZero(obj, "StringToRat");
    return 1;
  }
  if (value.den.sign < 0) {
    lint_flip(&value.den);
    lint_flip(&value.num);
  }
  lrat_copy(&obj->rational, &value);
  obj->type = 'r';
  return 0;
}

int stringToDouble(MathObj* obj, const std::string& written) {
  std::string text(obj->text.c_str());
  std::size_t point = text.find('.');
  std::string digits = text;
  if (point != std::string::npos) digits.erase(point, 1);
  std::size_t firstDigit = !digits.empty() && digits[0] == '-' ? 1 : 0;
  if (point == std::string::npos || digits.find('.') != std::string::npos || digits.size() <= firstDigit) {
    Alert("StringToInt", 1, 100101, "Non-numerical string: %s", written.c_str());
    return MathObjToError(obj, "Not a number");
  }
  lrat value;
  if (digitsToLint(&value.num, digits, written) != 0) return MathObjToError(obj, "Not a number");
  int decimals = static_cast<int>(text.size() - point - 1);
  lint_power(&value.den, 10, decimals);
  lrat_copy(&obj->rational, &value);
  obj->type = 'r';
  return 0;
}

}  // namespace

int StringToInt(MathObj* obj) {
  if (obj->type != 's') {
    if (obj->type == 'e') return 1;
    Alert("StringToInt", 0, 100101, "Invalid type \"%c\" in routine StringToInt", obj->type);
    return MathObjToError(obj, "Non-convertible data");
  }
  const std::string written(obj->text.c_str());
  std::erase(obj->text, ' ');
  if (obj->text.find('/') != EvaluatorText::npos) return stringToRat(obj, written);
  if (obj->text.find('.') != EvaluatorText::npos) return stringToDouble(obj, written);
  if (obj->text.size() > 4) {
    lint value;
    if (digitsToLint(&value, std::string(obj->text.c_str()), written) != 0) return MathObjToError(obj, "Not a number");
    lint_copy(&obj->large, &value);
    obj->type = 'l';
    return 0;
  }
  int value = 0;
  if (obj->text.empty() || strnumChk(obj->text.c_str(), &value) != 0) {
    Alert("StringToInt", 1, 100101, "Non-numerical string: %s", written.c_str());
    return MathObjToError(obj, "Not a number");
  }
  obj->type = 'i';
  obj->intValue = value;
  return 0;
}

int StringToRat(MathObj* obj) {
  if (obj->type != 's') return obj->type == 'e' ? 1 : MathObjToError(obj, "Non-convertible data");
  return stringToRat(obj, std::string(obj->text.c_str()));
}

int StringToDouble(MathObj* obj) {
  if (obj->type != 's') return obj->type == 'e' ? 1 : MathObjToError(obj, "Non-convertible data");
  return stringToDouble(obj, std::string(obj->text.c_str()));
}

int IntToLint(MathObj* obj) {
  if (obj->type != 'i') return obj->type == 'l' ? 0 : 1;
  lint_assign(&obj->large, obj->intValue);
  obj->type = 'l';
  return 0;
}

int LintToRat(MathObj* obj) {
  if (obj->type != 'l') return 1;
  lint_copy(&obj->rational.num, &obj->large);
  lint_assign(&obj->rational.den, 1);
  obj->type = 'r';
  return 0;
}

int MathObjToRat(MathObj* obj) {
  if (obj->type == 's' && StringToInt(obj) != 0) return 1;
  switch (obj->type) {
    case 'r': return 0;
    case 'i':
      IntToLint(obj);
      return LintToRat(obj);
    case 'l': return LintToRat(obj);
    case 'e': return 1;
    default:
      Alert("MathObjToRat", 0, 212404, "Invalid type \"%c\" in routine MathObjToRat", obj->type);
      return MathObjToError(obj, "Non-convertible data");
  }
}

int MathObjToString(MathObj* obj) {
  if (isErrorObj(obj)) return 1;
  switch (obj->type) {
    case 'c': setText(obj, 's', obj->intValue != 0 ? "TRUE" : "FALSE"); return 0;
    case 'i': setText(obj, 's', std::to_string(obj->intValue)); return 0;
    case 'l': setText(obj, 's', lint_string(&obj->large)); return 0;
    case 'r':
      simplify_rat(&obj->rational);
      setText(obj, 's', lrat_string(&obj->rational));
      return 0;
    case 'S': setText(obj, 's', evaluatorOperatorText(obj->intValue)); return 0;
    case 'e': return 1;
    default: return 0;
  }
}

void subs_vars(MathObj* obj) {
  if (obj == nullptr || obj->type != 's') return;
  std::string_view text(obj->text.c_str(), obj->text.size());
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return;
  std::size_t end = text.find(' ', start);
  std::string name(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
  std::optional<std::string> value = lookUpVariable(name);
  if (value) obj->text.assign(value->c_str());
}

// --- Diagnostics -----------------------------------------------------------------------------

int getStringLen(const MathObj* list) {
  long long total = 0;
  for (const MathObj* obj = list; obj != nullptr; obj = obj->next) {
    if (obj->type != 's' && obj->type != 'e') {
      Alert("getStringLen", 0, 212404, "Incorrect type \"%c\" in getStringLen", obj->type);
      return 0;
    }
    total += static_cast<long long>(obj->text.size()) + 5;
  }
  return total > 2147483647LL ? 2147483647 : static_cast<int>(total);
}

void PrintMathObj(const MathObj* list, int label) {
  for (const MathObj* obj = list; obj != nullptr; obj = obj->next, label += 1000) {
    Print("Mathobj at %d: %p\n", label, static_cast<const void*>(obj));
    switch (obj->type) {
      case 'r': {
        lrat copy;
        lrat_copy(&copy, &obj->rational);
        Print("type r; %s\n", lrat_string(&copy).c_str());
        break;
      }
      case 's': Print("type s; %s\n", obj->text.c_str()); break;
      case 'c': Print("%s", obj->intValue != 0 ? "type c; TRUE" : "type c; FALSE"); break;
      case 'e': Print("type e; %s\n", obj->text.c_str()); break;
      case 'i': Print("type i; %d\n", obj->intValue); break;
      case 'l': Print("type l; %s\n", lint_string(&obj->large).c_str()); break;
      case 'S': Print("type S; %s\n", evaluatorOperatorText(obj->intValue)); break;
      default: Print("Unknown MathObj: %c\n", obj->type); break;
    }
  }
}

long long showObjectsUsed(int verbose) {
  long long count = static_cast<long long>(state().records.size());
  long long bytes = count * static_cast<long long>(sizeof(MathObj));
  if (verbose >= 1) {
    Alert("showObjectsUsed", 0, 100208, "Number of MathObj's allocated: %lld; %lld bytes\n", count, bytes);
  }
  return bytes;
}

void resetEvaluator() {
  EvaluatorState& s = state();
  s.pool.clear();
  AccountVector<MathObj*> emptyPool(s.pool.get_allocator());
  s.pool.swap(emptyPool);
  s.records.clear();
  s.records.shrink_to_fit();
  s.makeErrorObj();
  s.depth = 0;
}

// --- Variable store and function calls -------------------------------------------------------

namespace {

std::optional<std::string> lookUpVariable(const std::string& variable) {
  const char* value = findLocalReplacement(variable.c_str());
  if (value == nullptr) value = findGlobalReplacement(variable.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void assignVariable(const char* variable, const char* value) { defineVariable(variable, value); }

// Runs "name {argument} ..." with its printed output captured as the value.
MathObj* runFunctionCall(const MathObj* call) {
  std::vector<std::string> arguments;
  for (const MathObj* obj = call; obj != nullptr; obj = obj->next) arguments.emplace_back(obj->text.c_str());
  std::string value;
  int result = execute_function(arguments, value);
  MathObj* obj = allocMathObj();
  if (result > 0) {
    MathObjToError(obj, value.c_str());
  } else {
    CopyStringToMathObj(obj, value.c_str());
  }
  return obj;
}

}  // namespace
