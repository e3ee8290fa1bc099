// A naive decimal-string arithmetic used as an independent oracle for the large numbers:
// schoolbook addition, subtraction, multiplication and long division digit by digit.
// Numbers are strings of decimal digits with an optional leading '-', no leading zeros,
// and "0" for zero.
#pragma once

#include <random>
#include <string>
#include <utility>

namespace oracle {

inline std::string stripZeros(std::string digits) {
  std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

inline int compareMagnitudes(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a < b ? -1 : (a > b ? 1 : 0);
}

inline std::string addMagnitudes(const std::string& a, const std::string& b) {
  std::string out;
  int carry = 0;
  for (std::size_t i = 0; i < a.size() || i < b.size() || carry; ++i) {
    int d = carry;
    if (i < a.size()) d += a[a.size() - 1 - i] - '0';
    if (i < b.size()) d += b[b.size() - 1 - i] - '0';
    out.insert(out.begin(), static_cast<char>('0' + d % 10));
    carry = d / 10;
  }
  return stripZeros(out);
}

// a - b for a >= b.
inline std::string subtractMagnitudes(const std::string& a, const std::string& b) {
  std::string out = a;
  int borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    int d = a[a.size() - 1 - i] - '0' - borrow;
    if (i < b.size()) d -= b[b.size() - 1 - i] - '0';
    borrow = d < 0 ? 1 : 0;
    if (d < 0) d += 10;
    out[a.size() - 1 - i] = static_cast<char>('0' + d);
  }
  return stripZeros(out);
}

inline std::string multiplyMagnitudes(const std::string& a, const std::string& b) {
  std::string out(a.size() + b.size(), '0');
  for (std::size_t i = 0; i < a.size(); ++i) {
    int carry = 0;
    int da = a[a.size() - 1 - i] - '0';
    for (std::size_t j = 0; j < b.size() || carry; ++j) {
      std::size_t pos = out.size() - 1 - i - j;
      int d = out[pos] - '0' + carry + (j < b.size() ? da * (b[b.size() - 1 - j] - '0') : 0);
      out[pos] = static_cast<char>('0' + d % 10);
      carry = d / 10;
    }
  }
  return stripZeros(out);
}

// Quotient and remainder of magnitudes, b != "0".
inline std::pair<std::string, std::string> divideMagnitudes(const std::string& a,
                                                            const std::string& b) {
  std::string quotient;
  std::string remainder = "0";
  for (char digit : a) {
    remainder = stripZeros(remainder + digit);
    int q = 0;
    while (compareMagnitudes(remainder, b) >= 0) {
      remainder = subtractMagnitudes(remainder, b);
      ++q;
    }
    quotient += static_cast<char>('0' + q);
  }
  return {stripZeros(quotient), remainder};
}

struct Signed {
  bool negative = false;
  std::string magnitude = "0";
};

inline Signed parse(const std::string& text) {
  Signed s;
  s.negative = !text.empty() && text[0] == '-';
  s.magnitude = stripZeros(s.negative ? text.substr(1) : text);
  if (s.magnitude == "0") s.negative = false;
  return s;
}

inline std::string show(const Signed& s) {
  return s.negative && s.magnitude != "0" ? "-" + s.magnitude : s.magnitude;
}

inline std::string add(const std::string& x, const std::string& y) {
  Signed a = parse(x), b = parse(y), r;
  if (a.negative == b.negative) {
    r.negative = a.negative;
    r.magnitude = addMagnitudes(a.magnitude, b.magnitude);
  } else if (compareMagnitudes(a.magnitude, b.magnitude) >= 0) {
    r.negative = a.negative;
    r.magnitude = subtractMagnitudes(a.magnitude, b.magnitude);
  } else {
    r.negative = b.negative;
    r.magnitude = subtractMagnitudes(b.magnitude, a.magnitude);
  }
  return show(r);
}

inline std::string negate(const std::string& x) {
  Signed a = parse(x);
  a.negative = !a.negative;
  return show(a);
}

inline std::string subtract(const std::string& x, const std::string& y) {
  return add(x, negate(y));
}

inline std::string multiply(const std::string& x, const std::string& y) {
  Signed a = parse(x), b = parse(y), r;
  r.negative = a.negative != b.negative;
  r.magnitude = multiplyMagnitudes(a.magnitude, b.magnitude);
  return show(r);
}

// A random number of exactly the given count of digits, negative with the given chance.
inline std::string randomNumber(std::mt19937_64& rng, int digits, bool allowNegative = true) {
  std::string text;
  text += static_cast<char>('1' + rng() % 9);
  for (int i = 1; i < digits; ++i) text += static_cast<char>('0' + rng() % 10);
  if (allowNegative && rng() % 2 == 0) text = "-" + text;
  return text;
}

inline std::string toString(__int128 v) {
  if (v == 0) return "0";
  bool negative = v < 0;
  unsigned __int128 m = negative
                            ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(v)
                            : static_cast<unsigned __int128>(v);
  std::string text;
  while (m != 0) {
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  }
  return negative ? "-" + text : text;
}

}  // namespace oracle
