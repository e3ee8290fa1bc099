// The number formatters appendFixed and appendInt: the text of printf's "%*.*f" and
// "%*lld" with the same width and precision. Expected texts of the chosen cases follow
// from printf's rules (the exact binary value rounded to the nearest decimal, ties to the
// even digit; the sign of a negative zero kept; a field never cut); seeded random values
// of every magnitude are checked against snprintf itself as the independent oracle.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "runtime/StringUtility.h"

namespace {

std::string fixed(double value, int width, int precision) {
  std::string text = "<";  // what is there already stays
  appendFixed(text, value, width, precision);
  return text.substr(1);
}

std::string printfFixed(double value, int width, int precision) {
  char buffer[2048];
  std::snprintf(buffer, sizeof(buffer), "%*.*f", width, precision, value);
  return buffer;
}

std::string integer(long long value, int width) {
  std::string text;
  appendInt(text, value, width);
  return text;
}

std::string printfInteger(long long value, int width) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%*lld", width, value);
  return buffer;
}

TEST(NumberFormat, ZerosKeepTheirSign) {
  EXPECT_EQ(fixed(0.0, 15, 8), "     0.00000000");
  EXPECT_EQ(fixed(-0.0, 15, 8), "    -0.00000000");
  // A negative value that rounds to zero is still negative.
  EXPECT_EQ(fixed(-1e-300, 15, 8), "    -0.00000000");
  EXPECT_EQ(fixed(1e-300, 0, 8), "0.00000000");
  EXPECT_EQ(fixed(5e-324, 0, 3), "0.000");  // the smallest subnormal
  EXPECT_EQ(fixed(-0.0, 0, 0), "-0");
}

TEST(NumberFormat, TiesRoundToTheEvenDigit) {
  // 0.5, 1.5, 2.5, 0.125, 0.375 and 0.625 are exact in binary, so these are true ties.
  EXPECT_EQ(fixed(0.5, 0, 0), "0");
  EXPECT_EQ(fixed(1.5, 0, 0), "2");
  EXPECT_EQ(fixed(2.5, 0, 0), "2");
  EXPECT_EQ(fixed(-3.5, 0, 0), "-4");
  EXPECT_EQ(fixed(0.125, 0, 2), "0.12");
  EXPECT_EQ(fixed(0.375, 0, 2), "0.38");
  EXPECT_EQ(fixed(-0.625, 0, 2), "-0.62");
  // 1/2^9 = 0.001953125: a tie at 8 decimals, rounded to the even 2.
  EXPECT_EQ(fixed(0.001953125, 15, 8), "     0.00195312");
  // 0.15 is stored as 0.1499999999999999944...: not a tie, rounded down.
  EXPECT_EQ(fixed(0.15, 0, 1), "0.1");
}

TEST(NumberFormat, CarriesRunIntoTheIntegerPart) {
  EXPECT_EQ(fixed(9.9999999999, 15, 8), "    10.00000000");
  EXPECT_EQ(fixed(-99.999999999, 0, 8), "-100.00000000");
  EXPECT_EQ(fixed(0.999999999, 9, 5), "  1.00000");
  EXPECT_EQ(fixed(999999.5, 0, 0), "1000000");  // tie, 999999 is odd
}

TEST(NumberFormat, ExactDecimalsOfTheBinaryValue) {
  // 0.1 = 0.1000000000000000055511151231257827021181583404541015625 exactly.
  EXPECT_EQ(fixed(0.1, 0, 20), "0.10000000000000000555");
  EXPECT_EQ(fixed(0.1, 0, 30), "0.100000000000000005551115123126");
  // 1/3 = 0.333333333333333314829616256247390992939472198486328125 exactly.
  EXPECT_EQ(fixed(1.0 / 3.0, 0, 19), "0.3333333333333333148");
  EXPECT_EQ(fixed(1.0 / 3.0, 0, 20), "0.33333333333333331483");
  EXPECT_EQ(fixed(0.5, 40, 30), "        0.500000000000000000000000000000");
  // Integers beyond 2^53 and far beyond 2^64 print all their digits.
  EXPECT_EQ(fixed(9007199254740994.0, 0, 1), "9007199254740994.0");
  EXPECT_EQ(fixed(1e22, 0, 2), "10000000000000000000000.00");
  EXPECT_EQ(fixed(-123456789.125, 0, 2), "-123456789.12");
  EXPECT_EQ(fixed(DBL_MAX, 0, 0).size(), 309u);
}

TEST(NumberFormat, FieldWidthsPadButNeverCut) {
  EXPECT_EQ(fixed(0.5, 6, 2), "  0.50");
  EXPECT_EQ(fixed(0.5, -6, 2), "0.50  ");  // a negative width adjusts left
  EXPECT_EQ(fixed(123.456, 3, 1), "123.5");
  EXPECT_EQ(fixed(-2.0, 2, 3), "-2.000");
  EXPECT_EQ(fixed(1.0, 0, -1), "1.000000");  // a negative precision is taken as omitted
}

TEST(NumberFormat, InfinitiesAndNaNs) {
  EXPECT_EQ(fixed(INFINITY, 6, 2), "   inf");
  EXPECT_EQ(fixed(-INFINITY, 0, 8), "-inf");
  EXPECT_EQ(fixed(NAN, 5, 1), "  nan");
  EXPECT_EQ(fixed(std::copysign(NAN, -1.0), 0, 8), "-nan");
}

TEST(NumberFormat, WritersStopAtTheEndOfTheArray) {
  char line[64];
  // "%15.8f" of 0.5 needs exactly 15 characters.
  EXPECT_EQ(writeFixed(line, line + 14, 0.5, 15, 8), nullptr);
  char* end = writeFixed(line, line + 15, 0.5, 15, 8);
  ASSERT_EQ(end, line + 15);
  EXPECT_EQ(std::string(line, end), "     0.50000000");
  // 25 decimals take the exact digits of the general path: 1.5 and 25 zeros less one.
  EXPECT_EQ(writeFixed(line, line + 20, 1.5, -30, 25), nullptr);
  end = writeFixed(line, line + 30, 1.5, -30, 25);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(std::string(line, end), "1.5000000000000000000000000   ");
  end = writeFixed(line, line + 40, -0.25, 32, 25);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(std::string(line, end), "    -0.2500000000000000000000000");
  // 2^60 = 1152921504606846976 is past the fast range of 2^53.
  end = writeFixed(line, line + 64, 1152921504606846976.0, 0, 1);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(std::string(line, end), "1152921504606846976.0");
  EXPECT_EQ(writeInt(line, line + 3, -1234, 0), nullptr);
  end = writeInt(line, line + 6, -1234, 6);
  ASSERT_EQ(end, line + 6);
  EXPECT_EQ(std::string(line, end), " -1234");
  // Text that is there already stays in front.
  std::string text = "x=";
  appendInt(text, 42);
  // 301 digits, the point and 2 decimals: past the formatters' own array.
  appendFixed(text, 1e300, 0, 2);
  EXPECT_EQ(text.substr(0, 5), "x=421");
  EXPECT_EQ(text.size(), 2u + 2u + 301u + 3u);
  EXPECT_EQ(text.substr(text.size() - 3), ".00");
}

TEST(NumberFormat, RandomBitPatternsMatchPrintf) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<int> precisionOf(0, 40);
  std::uniform_int_distribution<int> widthOf(-30, 60);
  for (int k = 0; k < 40000; ++k) {
    const double value = std::bit_cast<double>(random());
    const int width = widthOf(random);
    const int precision = precisionOf(random);
    ASSERT_EQ(fixed(value, width, precision), printfFixed(value, width, precision))
        << std::hexfloat << value << " width " << width << " precision " << precision;
  }
}

TEST(NumberFormat, RandomValuesOfEveryScaleMatchPrintf) {
  // S elements and phases: values of magnitude 10^-14 to 10^6 at the precisions printed.
  std::mt19937_64 random(48);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> scaleOf(-14, 6);
  const int precisions[] = {0, 1, 5, 7, 8, 9, 15, 19, 20, 30};
  for (int k = 0; k < 60000; ++k) {
    const double value = unit(random) * std::pow(10.0, scaleOf(random));
    const int precision = precisions[k % 10];
    ASSERT_EQ(fixed(value, 15, precision), printfFixed(value, 15, precision))
        << std::hexfloat << value << " precision " << precision;
  }
}

TEST(NumberFormat, RandomTiesMatchPrintf) {
  // m / 2^(p+1) with m odd is exactly halfway between two numbers of p decimals:
  // m / 2^(p+1) x 10^p = m 5^p / 2 is half an odd integer.
  std::mt19937_64 random(7);
  for (int precision = 0; precision <= 19; ++precision) {
    for (int k = 0; k < 2000; ++k) {
      // At most 52 bits, so that the double holds m exactly.
      const std::uint64_t odd = (random() >> (12 + k % 40)) | 1;
      const double value = std::ldexp(static_cast<double>(odd), -(precision + 1));
      const std::string text = fixed(value, 0, precision);
      ASSERT_EQ(text, printfFixed(value, 0, precision)) << std::hexfloat << value;
      // Ties go to the even digit.
      const char last = text.back();
      ASSERT_EQ((last - '0') % 2, 0) << text;
    }
  }
}

TEST(NumberFormat, IntegersMatchPrintf) {
  const long long values[] = {0, 1, -1, 9, -10, 2147483647, -2147483648LL, LLONG_MAX, LLONG_MIN};
  for (long long value : values) {
    for (int width = -25; width <= 25; ++width) {
      ASSERT_EQ(integer(value, width), printfInteger(value, width)) << value << " " << width;
    }
  }
  EXPECT_EQ(integer(-7, 4), "  -7");
  EXPECT_EQ(integer(12, -4), "12  ");
  EXPECT_EQ(integer(12345, 2), "12345");
  std::mt19937_64 random(3);
  for (int k = 0; k < 20000; ++k) {
    const auto value = static_cast<long long>(random()) >> (k % 60);
    const int width = k % 23 - 11;
    ASSERT_EQ(integer(value, width), printfInteger(value, width));
  }
}

}  // namespace
