// The expression evaluator: exact numbers, operator precedence, texts, truth values,
// variables, and the alerts of bad input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DecimalOracle.h"
#include "interpreter/Evaluator.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "TestSupport.h"

namespace {

class EvaluatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    capture.clear();
  }

  // The text of the value (what "evaluate" prints) and its type.
  struct Result {
    std::string text;
    char type;
  };
  static Result eval(const std::string& expression) {
    MathObjPtr value(evaluate_string(expression.c_str()));
    char type = value->type;
    MathObjToString(value.get());
    return {value->text.c_str(), type};
  }
  static std::string text(const std::string& expression) { return eval(expression).text; }
  static int alerts(const char* routine, int position) { return getError(routine, position)->count; }

  OutputCapture capture;
};

// --- Integers --------------------------------------------------------------------------------

TEST_F(EvaluatorTest, SmallIntegersStaySmallBelowTenThousand) {
  EXPECT_EQ(eval("9998+1").type, 'i');
  EXPECT_EQ(eval("9998+1").text, "9999");
  EXPECT_EQ(eval("99*99").type, 'i');
  EXPECT_EQ(eval("99*99").text, "9801");
  // 10000 has five digits: the sum is promoted.
  EXPECT_EQ(eval("9999+1").type, 'l');
  EXPECT_EQ(eval("9999+1").text, "10000");
  EXPECT_EQ(eval("-9999-1").type, 'l');
  EXPECT_EQ(eval("-9999-1").text, "-10000");
  // Texts of five characters are read as large integers.
  EXPECT_EQ(eval("10000-1").text, "9999");
  EXPECT_EQ(eval("0-0").text, "0");
}

TEST_F(EvaluatorTest, ProductsAreExactAtAnySize) {
  EXPECT_EQ(text("99999*99999"), "9999800001");  // (10^5 - 1)^2 = 10^10 - 2 10^5 + 1
  EXPECT_EQ(text("9999*9999"), "99980001");
  // (10^20 + 1)(10^20 - 1) = 10^40 - 1
  EXPECT_EQ(text("100000000000000000001*99999999999999999999"), std::string(40, '9'));
  // 2^64 = 18446744073709551616, squared = 2^128
  EXPECT_EQ(text("18446744073709551616*18446744073709551616"), "340282366920938463463374607431768211456");
}

TEST_F(EvaluatorTest, LeadingSignIsZeroMinusOrPlus) {
  EXPECT_EQ(text("-3"), "-3");
  EXPECT_EQ(text("+3"), "3");
  EXPECT_EQ(text("-3*4"), "-12");  // 0 - (3*4)
  EXPECT_EQ(text("--5"), "5");     // 0 - (-5)
  EXPECT_EQ(text("3*-2"), "-6");   // the '-' belongs to the second term
  EXPECT_EQ(text("3--2"), "5");
  EXPECT_EQ(text("-(2+3)"), "-5");
  EXPECT_EQ(text("2*-(3+4)"), "-14");
}

TEST_F(EvaluatorTest, ArithmeticAgreesWithA128BitOracle) {
  std::mt19937_64 rng(20240611);
  auto randomValue = [&rng](int maxDigits) {
    return oracle::randomNumber(rng, 1 + static_cast<int>(rng() % maxDigits), true);
  };
  auto parse128 = [](const std::string& s) {
    __int128 v = 0;
    bool negative = s[0] == '-';
    for (std::size_t i = negative ? 1 : 0; i < s.size(); ++i) v = v * 10 + (s[i] - '0');
    return negative ? -v : v;
  };
  for (int trial = 0; trial < 300; ++trial) {
    std::string a = randomValue(18);
    std::string b = randomValue(18);
    __int128 x = parse128(a);
    __int128 y = parse128(b);
    EXPECT_EQ(text(a + "*" + b), oracle::toString(x * y)) << a << " * " << b;
    EXPECT_EQ(text(a + "+" + b), oracle::toString(x + y)) << a << " + " << b;
    EXPECT_EQ(text(a + "-" + b), oracle::toString(x - y)) << a << " - " << b;
  }
}

TEST_F(EvaluatorTest, ComparisonsOfLargeValuesAgreeWithOracles) {
  std::mt19937_64 rng(77);
  auto parse128 = [](const std::string& s) {
    __int128 v = 0;
    bool negative = s[0] == '-';
    for (std::size_t i = negative ? 1 : 0; i < s.size(); ++i) v = v * 10 + (s[i] - '0');
    return negative ? -v : v;
  };
  auto truth = [](bool b) { return std::string(b ? "TRUE" : "FALSE"); };
  for (int trial = 0; trial < 200; ++trial) {
    std::string a = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 36), true);
    // Every third pair is equal, so that == and the boundaries of <= and >= are reached.
    std::string b = trial % 3 == 0 ? a : oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 36), true);
    __int128 x = parse128(a);
    __int128 y = parse128(b);
    EXPECT_EQ(text(a + "==" + b), truth(x == y)) << a << " " << b;
    EXPECT_EQ(text(a + "!=" + b), truth(x != y)) << a << " " << b;
    EXPECT_EQ(text(a + "<" + b), truth(x < y)) << a << " " << b;
    EXPECT_EQ(text(a + ">" + b), truth(x > y)) << a << " " << b;
    EXPECT_EQ(text(a + "<=" + b), truth(x <= y)) << a << " " << b;
    EXPECT_EQ(text(a + ">=" + b), truth(x >= y)) << a << " " << b;
  }
  // Beyond 128 bits: a and a+1 built from the schoolbook oracle.
  for (int trial = 0; trial < 50; ++trial) {
    std::string a = oracle::randomNumber(rng, 40 + static_cast<int>(rng() % 60), true);
    std::string b = oracle::add(a, "1");
    EXPECT_EQ(text(a + "<" + b), "TRUE");
    EXPECT_EQ(text(b + ">" + a), "TRUE");
    EXPECT_EQ(text(a + "==" + b), "FALSE");
    EXPECT_EQ(text(b + "-" + a), "1");
    EXPECT_EQ(text(a + "*" + b), oracle::multiply(a, b));
  }
}

// --- Rationals and decimal fractions --------------------------------------------------------

TEST_F(EvaluatorTest, QuotientsAreExact) {
  EXPECT_EQ(eval("7/2").type, 'r');
  EXPECT_EQ(text("7/2"), "7/2");
  EXPECT_EQ(eval("8/2").type, 'i');
  EXPECT_EQ(text("8/2"), "4");
  EXPECT_EQ(text("6/4"), "3/2");        // reduced when printed
  EXPECT_EQ(text("-7/2"), "-7/2");      // 0 - 7/2
  EXPECT_EQ(text("2/-4"), "-1/2");      // the sign moves to the numerator
  EXPECT_EQ(text("1/2+1/3"), "5/6");
  EXPECT_EQ(text("1/2-1/3"), "1/6");
  EXPECT_EQ(text("1/2-1/2"), "0");
  EXPECT_EQ(text("1/2*2/3"), "1/3");
  EXPECT_EQ(text("(1/2)/(3/4)"), "2/3");
  EXPECT_EQ(text("(1/2)/(-3/4)"), "-2/3");
  EXPECT_EQ(text("4/2*1/2"), "1");
  EXPECT_EQ(text("100000000000/300000000000"), "1/3");
  EXPECT_EQ(text("1/3<1/2"), "TRUE");
  EXPECT_EQ(text("2/4==1/2"), "TRUE");
  EXPECT_EQ(text("-1/3>-1/2"), "TRUE");
}

TEST_F(EvaluatorTest, DecimalFractionsAreReadExactly) {
  EXPECT_EQ(text("0.1+0.2==0.3"), "TRUE");  // 1/10 + 2/10 = 3/10
  EXPECT_EQ(text("1.25"), "1.25");          // a single term stays text
  EXPECT_EQ(text("1.25*1"), "5/4");
  EXPECT_EQ(text("3.*1"), "3");
  EXPECT_EQ(text("0.5*4"), "2");
  EXPECT_EQ(text("2*-1.5"), "-3");
  EXPECT_EQ(text("1/3==0.3333333333"), "FALSE");
  EXPECT_EQ(text("0.000000000000000000001*1000000000000000000000"), "1");
}

TEST_F(EvaluatorTest, DivisionByZeroIsInfinite) {
  for (const char* expression : {"1/0", "0/0", "-5/0"}) {
    Result r = eval(expression);
    EXPECT_EQ(r.type, 'e') << expression;
    EXPECT_EQ(r.text, "INFINITE") << expression;
  }
  EXPECT_EQ(alerts("int_division", 0), 3);
  EXPECT_EQ(text("123456789/0"), "INFINITE");
  EXPECT_EQ(alerts("lint_division", 0), 1);
  EXPECT_EQ(text("(1/2)/0"), "INFINITE");
  EXPECT_EQ(text("1/0.0"), "INFINITE");
  EXPECT_EQ(alerts("rat_operation", 0), 2);
  // The error travels through the rest of the expression.
  EXPECT_EQ(text("1+1/0*5"), "INFINITE");
}

// --- Precedence ------------------------------------------------------------------------------
// Index 0 binds tightest: / * - + == != > < >= <= <~ =~ >~ && || | = ~

TEST_F(EvaluatorTest, ArithmeticPrecedence) {
  EXPECT_EQ(text("8/4*2"), "4");   // (8/4)*2, not 8/8
  EXPECT_EQ(text("2*8/4"), "4");
  EXPECT_EQ(text("12/6/2"), "1");  // left to right within one operator
  EXPECT_EQ(text("10-2*3"), "4");
  EXPECT_EQ(text("10-3+2"), "9");  // (10-3)+2: '-' before '+'
  EXPECT_EQ(text("10+3-2"), "11");
  EXPECT_EQ(text("10-3-2"), "5");
  EXPECT_EQ(text("2+3*4"), "14");
  EXPECT_EQ(text("(2+3)*4"), "20");
  EXPECT_EQ(text("1+1==2"), "TRUE");  // arithmetic before comparison
}

TEST_F(EvaluatorTest, NumericComparisonsBindTighterThanTextComparisons) {
  // Each numeric comparison is applied first and its TRUE is then compared as text.
  for (const char* expression : {"1==1=~TRUE", "1!=2=~TRUE", "2>1=~TRUE", "1<2=~TRUE", "2>=2=~TRUE", "2<=2=~TRUE"}) {
    EXPECT_EQ(text(expression), "TRUE") << expression;
  }
}

TEST_F(EvaluatorTest, TextComparisonOrderAndLogic) {
  // <~ before =~: (a<~b)=~TRUE.
  EXPECT_EQ(text("a<~b=~TRUE"), "TRUE");
  // =~ before >~: (TRUE=~b)>~a is "FALSE">~"a", false; the other order would give TRUE.
  EXPECT_EQ(text("TRUE=~b>~a"), "FALSE");
  // text comparisons before &&.
  EXPECT_EQ(text("a<~b&&b>~a"), "TRUE");
  // && before ||: TRUE || (FALSE && FALSE).
  EXPECT_EQ(text("1==1||1==2&&1==2"), "TRUE");
  // =~ before |: a | (b=~ab) concatenates a truth value.
  EXPECT_EQ(text("a|b=~ab"), "Booleans cannot be concatenated");
}

TEST_F(EvaluatorTest, AssignmentsBindLoosest) {
  EXPECT_EQ(text("x=a|b"), "ab");  // '|' before '='
  EXPECT_EQ(text("x"), "ab");
  EXPECT_EQ(text("t=1==1||1==2"), "TRUE");
  EXPECT_EQ(text("t"), "TRUE");
  // '=' before '~': x takes the text y, then y takes z.
  EXPECT_EQ(text("x=y~z"), "z");
  EXPECT_EQ(text("x"), "y");
  EXPECT_EQ(text("y"), "z");
}

// --- Texts and truth values ------------------------------------------------------------------

TEST_F(EvaluatorTest, TextComparisonIsByteOrderIncludingBlanks) {
  EXPECT_EQ(text("abc<~abd"), "TRUE");
  EXPECT_EQ(text("abc =~ abc"), "FALSE");  // "abc " and " abc"
  // "abc " against " abd": 'a' > ' ', so not less.
  EXPECT_EQ(text("abc <~ abd"), "FALSE");
  EXPECT_EQ(text("b>~a"), "TRUE");
  EXPECT_EQ(text("B<~a"), "TRUE");  // 'B' is 66, 'a' 97
  EXPECT_EQ(text("10<~9"), "TRUE");  // as texts, not numbers
}

TEST_F(EvaluatorTest, TruthValuesAndLogic) {
  EXPECT_EQ(text("(1==1)&&(2<3)"), "TRUE");
  EXPECT_EQ(text("(1==1)&&(3<2)"), "FALSE");
  EXPECT_EQ(text("(1==2)||(3<2)"), "FALSE");
  EXPECT_EQ(eval("1<2").type, 'c');
  // The word TRUE is text, not a truth value.
  Result r = eval("TRUE&&1");
  EXPECT_EQ(r.type, 'e');
  EXPECT_EQ(r.text, "Invalid Condition");
  EXPECT_NE(capture.diagnostics.find("Logical AND/OR is only defined for Booleans"), std::string::npos);
  EXPECT_EQ(text("1==1|2"), "Booleans cannot be concatenated");
  // A truth value is no number.
  EXPECT_EQ(text("(1==1)+1"), "Non-convertible data");
  EXPECT_EQ(alerts("StringToInt", 0), 1);
}

TEST_F(EvaluatorTest, ConcatenationQuotesAndEscapes) {
  EXPECT_EQ(text("ab|cd"), "abcd");
  EXPECT_EQ(text("1+2|3*4"), "312");  // numbers become their digits
  EXPECT_EQ(text("7/2|x"), "7/2x");
  auto asText = [](const char* expression) {
    MathObjPtr value(evaluate_string_to_string(expression));
    EXPECT_EQ(value->type, 's') << expression;
    return std::string(value->text.c_str());
  };
  // Quoted operators are text; the quotes go when the value becomes text.
  EXPECT_EQ(asText("\"a+b\""), "a+b");
  EXPECT_EQ(asText("\"x-\"|\"-y\""), "x--y");
  EXPECT_EQ(asText("@1/0@"), "1/0");
  EXPECT_EQ(asText("a\\+b"), "a+b");
  EXPECT_EQ(asText("f\\(x\\)"), "f(x)");
  EXPECT_EQ(asText("7/2"), "7/2");
  EXPECT_EQ(asText(""), "");
}

TEST_F(EvaluatorTest, BlanksBelongToTheTerms) {
  EXPECT_EQ(text("3 + 4"), "7");
  EXPECT_EQ(text(" 12 * 3 "), "36");
  // With a blank between '*' and '-' the blank is an empty term, not a number.
  Result r = eval("3 * -2");
  EXPECT_EQ(r.type, 'e');
  EXPECT_EQ(r.text, "Not a number");
}

// --- Variables -------------------------------------------------------------------------------

TEST_F(EvaluatorTest, VariablesHoldText) {
  EXPECT_EQ(text("x=5"), "5");
  EXPECT_EQ(text("x*2"), "10");
  EXPECT_EQ(text("x"), "5");
  EXPECT_EQ(text("q=7/2"), "7/2");
  EXPECT_EQ(text("q*2"), "7");  // the text 7/2 read back as a rational
  EXPECT_EQ(text("d=0.25"), "0.25");
  EXPECT_EQ(text("d*8"), "2");
  EXPECT_EQ(text("big=123456789*1000"), "123456789000");
  EXPECT_EQ(text("big+1"), "123456789001");
  EXPECT_EQ(text("x=x+1"), "6");  // the left side is a name, the right side a value
  EXPECT_EQ(text("x"), "6");
}

TEST_F(EvaluatorTest, AssignmentTrimsOrKeepsBlanks) {
  EXPECT_EQ(text("s = a b "), "a b");
  EXPECT_EQ(text("s"), "a b");
  EXPECT_EQ(text("s ~ a b"), " a b");
  EXPECT_EQ(text("s|."), " a b.");
}

TEST_F(EvaluatorTest, BadAssignments) {
  EXPECT_EQ(text("2*3=4"), "Invalid variable 6");
  EXPECT_EQ(alerts("binary_operation", 1), 1);
  text("1x=4");
  EXPECT_NE(capture.diagnostics.find("Variable name (1x) cannot start with number"), std::string::npos);
  // Nothing was defined under that name.
  EXPECT_EQ(text("1x"), "1x");
}

TEST_F(EvaluatorTest, UnknownVariablesAreNoNumbers) {
  Result r = eval("y*2");
  EXPECT_EQ(r.type, 'e');
  EXPECT_EQ(r.text, "Not a number");
  EXPECT_EQ(alerts("StringToInt", 1), 1);  // "Non-numerical string: y"
  // Longer names go to the large-integer reader, which reports them.
  EXPECT_EQ(text("2+value"), "Not a number");
  EXPECT_NE(capture.diagnostics.find("String \"value\" is non-numerical"), std::string::npos);
  EXPECT_EQ(text("y"), "y");  // a single unknown word is just text
}

// --- Conditions ------------------------------------------------------------------------------

TEST_F(EvaluatorTest, CheckCondition) {
  EXPECT_EQ(check_condition("1<2"), 0);
  EXPECT_EQ(check_condition("2<1"), 1);
  EXPECT_EQ(check_condition("0.1+0.2==0.3"), 0);
  EXPECT_EQ(check_condition("abc<~abd&&1==1"), 0);
  EXPECT_TRUE(capture.diagnostics.empty());
  EXPECT_EQ(check_condition("1"), -1);
  EXPECT_NE(capture.diagnostics.find("Invalid conditional expression: 1"), std::string::npos);
  EXPECT_EQ(check_condition("z>1"), -1);
  EXPECT_EQ(alerts("check_condition", 0), 2);
}

// --- Syntax errors ---------------------------------------------------------------------------

TEST_F(EvaluatorTest, SyntaxErrorsReturnTheSharedErrorValue) {
  struct Case {
    const char* expression;
    int position;
    const char* message;
  };
  const Case cases[] = {
      {"3+", 0, "Syntax error in (sub)-expression:\n3+"},
      {"3=>4", 1, "Syntax error in (sub)-expression:\n3=>4"},
      {"3+++4", 1, "Syntax error in (sub)-expression"},
      {"(1+2", 2, "Brackets not closed"},
      {"2*(3+(4*5)", 2, "Brackets not closed"},
      {"\"abc", 2, "Unmatched quotes"},
      {"1+2)", 2, "Syntax error in (sub)-expression:\n1+2)"},
      {"*3", 3, "Syntax error in (sub)-expression:\n*3"},
      {"==1", 3, "Syntax error in (sub)-expression"},
      {"(3+)*2", 0, "Syntax error in (sub)-expression:\n3+"},
  };
  for (const Case& c : cases) {
    capture.clear();
    int before = alerts("evaluate_string", c.position);
    MathObj* value = evaluate_string(c.expression);
    EXPECT_EQ(value, getERRORobj()) << c.expression;
    EXPECT_EQ(value->type, 'e');
    EXPECT_STREQ(value->text.c_str(), "ERROR");
    EXPECT_EQ(alerts("evaluate_string", c.position), before + 1) << c.expression;
    EXPECT_NE(capture.diagnostics.find(c.message), std::string::npos) << c.expression << capture.diagnostics;
    freeObj(value);  // harmless for the shared value
  }
  EXPECT_EQ(getERRORobj()->type, 'e');
  EXPECT_EQ(check_condition("(1<2"), -1);
}

TEST_F(EvaluatorTest, NestingDepthIsBounded) {
  std::string fine = std::string(200, '(') + "1+1" + std::string(200, ')');
  EXPECT_EQ(text(fine + "*3"), "6");
  std::string deep = std::string(1000, '(') + "1" + std::string(1000, ')');
  MathObj* value = evaluate_string(deep.c_str());
  EXPECT_EQ(value, getERRORobj());
  EXPECT_NE(capture.diagnostics.find("Expression nested more than 256 levels deep"), std::string::npos);
  // The depth count is back at zero: a plain expression works again.
  EXPECT_EQ(text(fine), "2");
}

TEST_F(EvaluatorTest, FunctionCallsRunACommandAndTakeItsOutput) {
  // "extract" prints the label-th integer of a text.
  EXPECT_EQ(text("extract(2,a 12 b 34)"), "34");
  EXPECT_EQ(text("extract(1+1,x 5 y 7)"), "7");  // arguments are evaluated first
  EXPECT_EQ(text("extract(extract(2,9 2),a 4 b 6)*10"), "60");
  EXPECT_TRUE(capture.printed.empty());  // the output was captured, not printed
  // A command that fails gives its result code.
  Result r = eval("nosuchcommand(1)");
  EXPECT_EQ(r.type, 'e');
  EXPECT_EQ(r.text, "RETURN CODE 9999");
}

TEST_F(EvaluatorTest, FunctionCallArgumentErrorsAreTheResult) {
  // The first argument that is an error ends the call before any command runs.
  Result r = eval("f(1,1/0,2)");
  EXPECT_EQ(r.type, 'e');
  EXPECT_EQ(r.text, "INFINITE");
  EXPECT_EQ(evaluate_string("f(1,(2)"), getERRORobj());
}

// --- Records and conversions -----------------------------------------------------------------

TEST_F(EvaluatorTest, RecordsAreRecycled) {
  freeObj(evaluate_string("1+2*3-4/5"));
  long long used = showObjectsUsed(0);
  for (int i = 0; i < 1000; ++i) freeObj(evaluate_string("1+2*3-4/5"));
  EXPECT_EQ(showObjectsUsed(0), used);
}

TEST_F(EvaluatorTest, DoubleReleaseIsRefused) {
  MathObj* a = makeStringObj("abc", 3);
  freeObj(a);
  freeObj(a);
  EXPECT_EQ(alerts("checkFreed", 0), 1);
  // The record is handed out once only.
  MathObj* b = allocMathObj();
  MathObj* c = allocMathObj();
  EXPECT_NE(b, c);
  freeObj(b);
  freeObj(c);
}

TEST_F(EvaluatorTest, ConversionsInPlace) {
  MathObjPtr v(makeStringObj(" 1 2 ", 5));
  EXPECT_EQ(StringToInt(v.get()), 0);
  EXPECT_EQ(v->type, 'i');
  EXPECT_EQ(v->intValue, 12);  // blanks are removed first

  MathObjPtr r(makeStringObj("-7/21", 5));
  EXPECT_EQ(MathObjToRat(r.get()), 0);
  EXPECT_EQ(r->type, 'r');
  MathObjToString(r.get());
  EXPECT_STREQ(r->text.c_str(), "-1/3");

  MathObjPtr n(makeStringObj("7", 1));
  EXPECT_EQ(StringToRat(n.get()), 1);
  EXPECT_STREQ(n->text.c_str(), "Non-rational number");

  MathObjPtr d(makeStringObj("1.2.3", 5));
  EXPECT_EQ(StringToInt(d.get()), 1);
  EXPECT_STREQ(d->text.c_str(), "Not a number");

  MathObjPtr z(makeStringObj("3/0", 3));
  EXPECT_EQ(StringToInt(z.get()), 1);
  EXPECT_STREQ(z->text.c_str(), "INFINITE");

  MathObjPtr t(makeIntObj(1));
  t->type = 'c';
  EXPECT_EQ(MathObjToString(t.get()), 0);
  EXPECT_STREQ(t->text.c_str(), "TRUE");

  MathObjPtr s(makeSeparatorObj(13));
  MathObjToString(s.get());
  EXPECT_STREQ(s->text.c_str(), "&&");
}

TEST_F(EvaluatorTest, ANonNumberIsQuotedAsWritten) {
  // The blank inside "after ctrl" and the point of "2^0.5" are part of what was typed; the
  // reader works on the text without them, the message quotes the text with them.
  EXPECT_EQ(text("after ctrl-c"), "Not a number");
  EXPECT_NE(capture.diagnostics.find("String \"after ctrl\" is non-numerical"), std::string::npos)
      << capture.diagnostics;
  capture.clear();
  MathObjPtr power(makeStringObj("2^0.5", 5));
  EXPECT_EQ(StringToInt(power.get()), 1);
  EXPECT_STREQ(power->text.c_str(), "Not a number");
  EXPECT_EQ(capture.diagnostics, "String \"2^0.5\" is non-numerical \n");
  capture.clear();
  MathObjPtr fraction(makeStringObj("1 / x y", 7));
  EXPECT_EQ(StringToInt(fraction.get()), 1);
  EXPECT_EQ(capture.diagnostics, "String \"1 / x y\" is non-numerical \n");
  // Numbers read as before: blanks dropped, decimals exact.
  MathObjPtr decimal(makeStringObj(" 1.2 5", 6));
  EXPECT_EQ(StringToInt(decimal.get()), 0);
  MathObjToString(decimal.get());
  EXPECT_STREQ(decimal->text.c_str(), "5/4");
  EXPECT_EQ(text("123 456 789 + 1"), "123456790");
}

TEST_F(EvaluatorTest, StringLengthOfAList) {
  MathObj* a = makeStringObj("ab", 2);
  MathObj* b = makeStringObj("cde", 3);
  a->next = b;
  b->prev = a;
  EXPECT_EQ(getStringLen(a), 2 + 5 + 3 + 5);
  b->type = 'i';
  EXPECT_EQ(getStringLen(a), 0);
  EXPECT_EQ(alerts("getStringLen", 0), 1);
  freestack(a);
}

}  // namespace
