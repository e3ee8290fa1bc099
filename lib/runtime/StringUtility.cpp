// String utilities. In-place routines copy within the caller's text and only shorten it;
// everything that builds new text returns a std::string.
#include "runtime/StringUtility.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

unsigned char lowered(char c) {
  return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// 1 when the character at index i of text is preceded by an odd run of escapes.
bool escapedAt(const char* text, std::size_t i, char escape) {
  std::size_t run = 0;
  while (run < i && text[i - 1 - run] == escape) ++run;
  return run % 2 == 1;
}

std::vector<std::string> splitLines(const char* text, std::vector<bool>* terminated) {
  std::vector<std::string> lines;
  std::string current;
  bool open = false;
  for (const char* p = text; *p != '\0'; ++p) {
    open = true;
    if (*p == '\n') {
      lines.push_back(current);
      if (terminated != nullptr) terminated->push_back(true);
      current.clear();
      open = false;
    } else {
      current += *p;
    }
  }
  if (open) {
    lines.push_back(current);
    if (terminated != nullptr) terminated->push_back(false);
  }
  return lines;
}

constexpr std::uint64_t kPowersOfTen[] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};
constexpr int kFastPrecision = 19;

// "%*.*f" of a finite value below 2^53 in magnitude with at most 19 decimals, written at
// out; the end of the text, or nullptr outside that range or when the field does not fit
// before end. The value is m / 2^shift exactly, so value x 10^precision =
// m 10^precision / 2^shift is rounded to the nearest integer in 128 bits, ties to even,
// as printf rounds.
char* fastFixed(char* out, char* end, double value, int width, int precision) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int exponentField = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (exponentField == 0x7ff || precision > kFastPrecision) return nullptr;
  const std::uint64_t mantissa = exponentField == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = exponentField == 0 ? 1074 : 1075 - exponentField;
  if (shift < 0) return nullptr;
  using Wide = unsigned __int128;
  const std::uint64_t scale = kPowersOfTen[precision];
  const Wide product = static_cast<Wide>(mantissa) * scale;  // below 2^117
  Wide scaled = 0;
  if (shift == 0) {
    scaled = product;
  } else if (shift < 118) {
    scaled = product >> shift;
    const Wide remainder = product - (scaled << shift);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    if (remainder > half || (remainder == half && (scaled & 1) != 0)) ++scaled;
  }  // else the product is below half a unit: 0
  std::uint64_t whole = 0;
  std::uint64_t decimals = 0;
  if (scaled < scale) {  // below 1 in magnitude: no division
    decimals = static_cast<std::uint64_t>(scaled);
  } else if (scaled <= UINT64_MAX) {
    const auto narrow = static_cast<std::uint64_t>(scaled);
    whole = narrow / scale;
    decimals = narrow % scale;
  } else {
    whole = static_cast<std::uint64_t>(scaled / scale);
    decimals = static_cast<std::uint64_t>(scaled % scale);
  }
  const bool negative = (bits >> 63) != 0;
  char wholeDigits[24];
  const int wholeLength =
      whole == 0 ? 1 : static_cast<int>(std::to_chars(wholeDigits, wholeDigits + sizeof(wholeDigits), whole).ptr - wholeDigits);
  if (whole == 0) wholeDigits[0] = '0';
  const long long length = (negative ? 1 : 0) + wholeLength + (precision > 0 ? 1 + precision : 0);
  const long long wanted = width < 0 ? -static_cast<long long>(width) : width;
  const long long blanks = wanted > length ? wanted - length : 0;
  if (end - out < length + blanks) return nullptr;
  if (width > 0) {
    for (long long k = 0; k < blanks; ++k) *out++ = ' ';
  }
  if (negative) *out++ = '-';
  for (int k = 0; k < wholeLength; ++k) *out++ = wholeDigits[k];
  if (precision > 0) {
    *out++ = '.';
    // Exactly `precision` digits from the last, four at a time (two pairs that do not wait
    // for each other), then two, then one.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char* const last = out + precision;
    char* p = last;
    while (p - out >= 4) {
      const auto chunk = static_cast<unsigned>(decimals % 10000);
      decimals /= 10000;
      const unsigned high = 2 * (chunk / 100);
      const unsigned low = 2 * (chunk % 100);
      p -= 4;
      p[0] = kPairs[high];
      p[1] = kPairs[high + 1];
      p[2] = kPairs[low];
      p[3] = kPairs[low + 1];
    }
    while (p - out >= 2) {
      const std::size_t pair = 2 * static_cast<std::size_t>(decimals % 100);
      decimals /= 100;
      p -= 2;
      p[0] = kPairs[pair];
      p[1] = kPairs[pair + 1];
    }
    if (p != out) *out = static_cast<char>('0' + decimals % 10);
    out = last;
  }
  if (width < 0) {
    for (long long k = 0; k < blanks; ++k) *out++ = ' ';
  }
  return out;
}

// The number's text padded with blanks to |width| (in front for a positive width, behind
// for a negative one), written at out; nullptr when it does not fit before end.
char* padField(char* out, char* end, const char* number, std::size_t length, long long width) {
  const std::size_t wanted = static_cast<std::size_t>(width < 0 ? -width : width);
  const std::size_t total = length < wanted ? wanted : length;
  if (static_cast<std::size_t>(end - out) < total) return nullptr;
  const std::size_t blanks = total - length;
  if (width > 0) {
    std::memset(out, ' ', blanks);
    out += blanks;
  }
  std::memcpy(out, number, length);
  out += length;
  if (width < 0) {
    std::memset(out, ' ', blanks);
    out += blanks;
  }
  return out;
}

}  // namespace

// Conversions and checks.

int strnum(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  bool negative = *p == '-';
  if (negative) ++p;
  long long value = 0;
  for (; *p != '\0'; ++p) {
    if (!isDigit(*p)) {
      Alert("strnum", 0, 100302, "String \"%s\" cannot be converted to a number",
            StringBegin(text, 20).c_str());
      return INT_MAX;
    }
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      Alert("strnum", 1, 100302, "Integer too large: %s", StringBegin(text, 20).c_str());
      return INT_MAX;
    }
  }
  if (!negative && value > INT_MAX) {
    Alert("strnum", 1, 100302, "Integer too large: %s", StringBegin(text, 20).c_str());
    return INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

int strnumChk(const char* text, int* value) {
  const char* p = text;
  while (*p == ' ') ++p;
  if (*p == '\0') {
    *value = 0;
    return 0;
  }
  bool negative = *p == '-';
  if (negative) ++p;
  if (!isDigit(*p)) return 1;
  long long magnitude = 0;
  bool overflow = false;
  for (; isDigit(*p); ++p) {
    if (!overflow) magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > 2000000000LL) overflow = true;
  }
  while (*p == ' ') ++p;
  if (*p != '\0') return 1;
  if (overflow) return 2;
  *value = static_cast<int>(negative ? -magnitude : magnitude);
  return 0;
}

std::string numstr(int i) { return std::to_string(i); }

int intStringLength(int i) {
  long long magnitude = i;
  int length = 1;
  if (magnitude < 0) {
    magnitude = -magnitude;
    ++length;
  }
  for (; magnitude >= 10; magnitude /= 10) ++length;
  return length;
}

int isNumber(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (!isDigit(*p)) return 0;
  }
  return 1;
}

int IntegerCheck(char ch) { return isDigit(ch) ? 1 : 0; }

int strnumcmp(const char* a, const char* b) {
  std::size_t la = std::strlen(a);
  std::size_t lb = std::strlen(b);
  if (la != lb) return la > lb ? 1 : -1;
  int order = std::strcmp(a, b);
  return order > 0 ? 1 : (order < 0 ? -1 : 0);
}

std::optional<std::string> getNumber(const char* text, int k) {
  std::size_t length = std::strlen(text);
  int found = 0;
  std::size_t i = 0;
  while (i < length) {
    if (!isDigit(text[i])) {
      ++i;
      continue;
    }
    std::size_t start = i > 0 && text[i - 1] == '-' ? i - 1 : i;
    bool dot = false;
    std::size_t j = i;
    while (j < length) {
      if (isDigit(text[j])) {
        ++j;
      } else if (text[j] == '.' && !dot && j + 1 < length && isDigit(text[j + 1])) {
        dot = true;
        ++j;
      } else {
        break;
      }
    }
    if (found++ == k) return std::string(text + start, j - start);
    i = j;
  }
  return std::nullopt;
}

int getNumberAfterString(const char* text, const char** end, const char* target) {
  const char* found = *target == '\0' ? text : std::strstr(text, target);
  if (found == nullptr) {
    PrintStdout("Target not found in routine \"getNumberAfterString\"");
    return -1;
  }
  const char* p = found + std::strlen(target);
  bool negative = *p == '-';
  const char* digits = negative ? p + 1 : p;
  if (!isDigit(*digits)) {
    PrintStdout("Not a number: %s (routine \"getNumberAfterString\")\n", p);
    *end = text;
    return 999999;
  }
  long long value = 0;
  for (; isDigit(*digits); ++digits) {
    if (value < INT_MAX) value = value * 10 + (*digits - '0');
  }
  *end = digits;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(negative ? -value : value);
}

int getNextNum(const char* p, const char** end) {
  const char* q = p + 1;
  bool negative = *q == '-';
  if (negative) ++q;
  long long value = 0;
  *end = p;
  for (; isDigit(*q); ++q) {
    if (value < INT_MAX) value = value * 10 + (*q - '0');
    *end = q;
  }
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(negative ? -value : value);
}

int getPreviousNum(const char* p, const char* start, const char** numberStart) {
  *numberStart = p;
  if (p == start) return 0;
  std::size_t span = static_cast<std::size_t>(p - start);
  std::size_t first = span;
  while (first > 0 && isDigit(start[first - 1])) --first;
  if (first == span) return 0;
  long long value = 0;
  for (std::size_t i = first; i < span; ++i) {
    if (value < INT_MAX) value = value * 10 + (start[i] - '0');
  }
  if (value > INT_MAX) value = INT_MAX;
  bool negative = first > 0 && start[first - 1] == '-';
  *numberStart = start + (negative ? first - 1 : first);
  return static_cast<int>(negative ? -value : value);
}

int parseVector(char* text, std::vector<int>& values) {
  values.clear();
  stripblanks(text);
  std::size_t length = std::strlen(text);
  if (length < 2 || text[0] != '(' || text[length - 1] != ')') {
    Alert("parseVector", 0, 100302, "String %s cannot be converted to a vector", text);
    return 0;
  }
  std::string inside(text + 1, length - 2);
  if (inside.empty()) return 1;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = inside.find(',', start);
    std::string piece = inside.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    values.push_back(strnum(piece.c_str()));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return 1;
}

int chopnum(char* text, std::vector<int>& values) {
  values.clear();
  std::vector<char*> words;
  char* p = text;
  while (*p != '\0') {
    while (*p == ' ') *p++ = '\0';
    if (*p == '\0') break;
    if (words.size() + 1 >= 1023) {
      Alert("chopnum", 0, 112415, "Command number overflow");
      return 1023;
    }
    words.push_back(p);
    while (*p != '\0' && *p != ' ') ++p;
  }
  for (char* word : words) {
    if (*word == '\0' || std::strcmp(word, "\n") == 0) break;
    values.push_back(strnum(word));
  }
  return static_cast<int>(words.size());
}

bool integersOfLine(const std::string& line, std::vector<long long>& values) {
  values.clear();
  const char* p = line.c_str();
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
    if (*p == '\0') return true;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE) return false;
    if (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\r') return false;
    values.push_back(value);
    p = end;
  }
}

std::vector<std::string> linesOfText(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int YN(const char* text) {
  if (text != nullptr) {
    if (lowercmp(text, "yes") == 0) return 1;
    if (lowercmp(text, "no") == 0) return 0;
  }
  std::size_t length = text != nullptr ? std::strlen(text) : 0;
  int position = text != nullptr && (length == 2 || length == 3) ? 1 : 0;
  return Alert("YN", position, 332209, "Please answer Yes or No") == 1 ? 1 : 0;
}

const char* toYN(int b) {
  if (b == 0) return "No";
  if (b == 1) return "Yes";
  Alert("toYN", 0, 112312, "Input should be 1 or 0");
  return "INVALID";
}

// Formatting.

std::string formstr(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  if (text.size() >= 256) {
    text.resize(255);
    Alert("formstr", 0, 100513, "\"formstr\" buffer too small");
  }
  return text;
}

std::string formstr_checksize(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  return text;
}

char* writeFixed(char* out, char* end, double value, int width, int precision) {
  if (precision < 0) precision = 6;  // as printf takes a negative precision
  if (precision <= kFastPrecision && std::isfinite(value) && std::fabs(value) < 0x1p53) {
    return fastFixed(out, end, value, width, precision);
  }
  // The exact digits of to_chars in place, moved right behind the blanks of the field.
  const std::to_chars_result result = std::to_chars(out, end, value, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return nullptr;
  const std::size_t length = static_cast<std::size_t>(result.ptr - out);
  const std::size_t wanted = static_cast<std::size_t>(width < 0 ? -static_cast<long long>(width) : width);
  if (length >= wanted) return result.ptr;
  if (static_cast<std::size_t>(end - out) < wanted) return nullptr;
  const std::size_t blanks = wanted - length;
  if (width > 0) {
    std::memmove(out + blanks, out, length);
    std::memset(out, ' ', blanks);
  } else {
    std::memset(result.ptr, ' ', blanks);
  }
  return out + wanted;
}

char* writeInt(char* out, char* end, long long value, int width) {
  char number[24];
  const char* numberEnd = std::to_chars(number, number + sizeof(number), value).ptr;
  return padField(out, end, number, static_cast<std::size_t>(numberEnd - number), width);
}

void appendFixed(std::string& text, double value, int width, int precision) {
  char field[160];
  if (const char* end = writeFixed(field, field + sizeof(field), value, width, precision)) {
    text.append(field, static_cast<std::size_t>(end - field));
  } else {
    text += formatText("%*.*f", width, precision, value);  // hundreds of characters: rare
  }
}

void appendInt(std::string& text, long long value, int width) {
  if (width == 0) {
    char number[24];
    const char* end = std::to_chars(number, number + sizeof(number), value).ptr;
    text.append(number, static_cast<std::size_t>(end - number));
    return;
  }
  char field[64];
  if (const char* end = writeInt(field, field + sizeof(field), value, width)) {
    text.append(field, static_cast<std::size_t>(end - field));
  } else {
    text += formatText("%*lld", width, value);
  }
}

void vcat(std::string& out, int width, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  out += text;
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) out.append(static_cast<std::size_t>(width) - text.size(), ' ');
}

std::string makeTextField(char fill, const char* text, int width, int position) {
  int length = static_cast<int>(std::strlen(text));
  if (position == -1) position = width - length - 2;
  if (position < 0) position = 0;
  if (position + length >= width) {
    Alert("makeTextField", 0, 100201, "Text field overflow");
    width = position + length + 3;
  }
  std::string line(static_cast<std::size_t>(width), fill);
  if (position >= 1) line[static_cast<std::size_t>(position - 1)] = ' ';
  line.replace(static_cast<std::size_t>(position), static_cast<std::size_t>(length), text);
  if (position + length < width) line[static_cast<std::size_t>(position + length)] = ' ';
  return line;
}

std::string makeCharacterField(int n, char c) { return std::string(n > 0 ? static_cast<std::size_t>(n) : 0, c); }

std::string writeOnCharacterField(int position, const char* field, const char* text) {
  std::string out(field);
  std::string piece = std::string(" ") + text + " ";
  std::size_t at = position >= 1 ? static_cast<std::size_t>(position - 1) : 0;
  if (out.size() < at + piece.size()) out.resize(at + piece.size(), ' ');
  out.replace(at, piece.size(), piece);
  return out;
}

std::string pad(const char* text) {
  std::vector<bool> terminated;
  std::vector<std::string> lines = splitLines(text, &terminated);
  std::size_t longest = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (terminated[i] && lines[i].size() > longest) longest = lines[i].size();
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (terminated[i]) {
      out.append(longest - lines[i].size(), ' ');
      out += '\n';
    }
  }
  return out;
}

std::string Textcat(const char* first, const char* second) {
  std::vector<std::string> left = splitLines(first, nullptr);
  std::vector<bool> terminated;
  std::vector<std::string> right = splitLines(second, &terminated);
  std::string out;
  for (std::size_t i = 0; i < right.size(); ++i) {
    if (i < left.size()) out += left[i];
    out += right[i];
    if (terminated[i]) out += '\n';
  }
  return out;
}

std::string leftAdjust(const char* text, int indent, int width) {
  std::string out;
  bool lineStart = true;
  int column = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (lineStart) {
      if (*p == ' ') continue;
      if (*p != '\n') out.append(indent > 0 ? static_cast<std::size_t>(indent) : 0, ' ');
      lineStart = false;
      column = 0;
    }
    if (*p == '\n' || (*p == ' ' && column > width)) {
      out += '\n';
      lineStart = true;
      continue;
    }
    out += *p;
    ++column;
  }
  return out;
}

std::string print_rep(const int* multiplicities, const char* const* names) {
  std::string out;
  for (int i = 0; names[i] != nullptr; ++i) {
    if (multiplicities[i] == 0) continue;
    if (!out.empty()) out += " + ";
    if (multiplicities[i] == 1) {
      out += formatText("[%s]", names[i]);
    } else {
      out += formatText("%d x [%s]", multiplicities[i], names[i]);
    }
  }
  return out.empty() ? std::string("None") : out;
}

std::string StringBegin(const char* text, int n) {
  bool longRequest = n > 80;
  if (longRequest) n = 60;
  std::string out;
  int copied = 0;
  for (const char* p = text; *p != '\0' && copied < n; ++p, ++copied) {
    if (*p == '\n') {
      out += ' ';
      return out;
    }
    out += *p;
  }
  if (longRequest && copied == 60) out += " [Truncated]";
  return out;
}

void IndentPrint(FILE* stream, const char* text, int n) {
  writeToStream(stream, std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' ') + text + "\n");
}

void IndentFormatPrint(FILE* stream, int n, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  writeToStream(stream, std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' ') + text);
}

void printStringBegin(const char* text, int n) {
  std::string begin(text, strnlen(text, n > 0 ? static_cast<std::size_t>(n) : 0));
  PrintStdout("%s\n", begin.c_str());
}

// Matching and searching.

int cmpcom(const char* word, const char* abbreviation) {
  for (std::size_t i = 0;; ++i) {
    unsigned char a = lowered(abbreviation[i]);
    if (a == 0) return 0;
    unsigned char w = lowered(word[i]);
    if (w == 0) return 1;
    if (w < a) return 1;
    if (w > a) return -1;
  }
}

int subString(const char* text, const char* word) {
  if (*word == '\0') return 1;
  for (const char* p = text; *p != '\0'; ++p) {
    if (cmpcom(p, word) == 0) return 1;
  }
  return 0;
}

int lowercmp(const char* a, const char* b) {
  for (std::size_t i = 0;; ++i) {
    if (lowered(a[i]) != lowered(b[i])) return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (a[i] == '\0') return 0;
  }
}

int MatchRegEx(const char* text, const char* pattern) {
  std::string subject(text);
  std::string shape(pattern);
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : shape) {
    if (c == '*') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  if (pieces.empty()) return 1;
  bool leadingStar = shape.front() == '*';
  bool trailingStar = shape.back() == '*';
  if (pieces.size() == 1 && !leadingStar && !trailingStar) return subject == pieces[0] ? 1 : 0;
  std::size_t position = 0;
  std::size_t first = 0;
  std::size_t last = pieces.size();
  if (!leadingStar) {
    if (subject.compare(0, pieces[0].size(), pieces[0]) != 0) return 0;
    position = pieces[0].size();
    first = 1;
  }
  if (!trailingStar) --last;
  for (std::size_t i = first; i < last; ++i) {
    std::size_t found = subject.find(pieces[i], position);
    if (found == std::string::npos) return 0;
    position = found + pieces[i].size();
  }
  if (!trailingStar) {
    const std::string& tail = pieces.back();
    if (tail.size() > subject.size()) return 0;
    std::size_t tailStart = subject.size() - tail.size();
    if (tailStart < position || subject.compare(tailStart, tail.size(), tail) != 0) return 0;
  }
  return 1;
}

int findWord(const char* word, const char* const* list) {
  for (int i = 0; list[i] != nullptr; ++i) {
    if (std::strcmp(list[i], word) == 0) return i;
  }
  return -1;
}

const char* findFirstAlpha(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

const char* findLastAlpha(const char* text) {
  const char* last = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != ' ') last = p;
  }
  return last;
}

const char* findFirstChar(const char* text, char c) {
  while (*text != '\0' && *text != c) ++text;
  return text;
}

const char* findFirstSpecialChar(const char* text, const char* set) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (std::strchr(set, *p) != nullptr) return p;
  }
  return nullptr;
}

int charcnt(const char* text, char c) {
  int count = 0;
  for (const char* p = text; *p != '\0'; ++p) count += *p == c ? 1 : 0;
  return count;
}

int charCount(const char* text, char c) { return charcnt(text, c); }

int substringcnt(const char* text, const char* t) {
  std::size_t length = std::strlen(t);
  if (length == 0) return 0;
  int count = 0;
  for (const char* p = std::strstr(text, t); p != nullptr; p = std::strstr(p + length, t)) ++count;
  return count;
}

int bracketcnt(const char* text, char open, char close) {
  int count = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == open) ++count;
    if (*p == close) --count;
  }
  return count;
}

int bracketcntpc(const char* from, const char* to, char open, char close) {
  int count = 0;
  for (const char* p = from; p <= to && *p != '\0'; ++p) {
    if (*p == open) ++count;
    if (*p == close) --count;
  }
  return count;
}

int charcntpc(const char* from, const char* to, char c) {
  int count = 0;
  for (const char* p = from; p <= to && *p != '\0'; ++p) count += *p == c ? 1 : 0;
  return count;
}

const char* findCharOutsideBrackets(const char* text, char c, char open, char close) {
  int depth = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == c && depth == 0) return p;
    if (*p == open) ++depth;
    if (*p == close) --depth;
  }
  return nullptr;
}

const char* findUnescapedCharOutsideBrackets(const char* text, char c, char open, char close, char escape) {
  int depth = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (escapedAt(text, i, escape)) continue;
    if (text[i] == c && depth == 0) return text + i;
    if (text[i] == open) ++depth;
    if (text[i] == close) --depth;
  }
  return nullptr;
}

const char* findUnquotedChar(const char* text, char c) {
  bool quoted = false;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) {
      quoted = !quoted;
      continue;
    }
    if (quoted || text[i] != c) continue;
    if (i > 0 && text[i - 1] == '\'' && text[i + 1] == '\'') continue;
    return text + i;
  }
  return nullptr;
}

const char* findDoubleQuote(const char* text) {
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) return text + i;
  }
  return nullptr;
}

const char* findClosingBracket(const char* text) {
  int depth = 1;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '(') ++depth;
    if (*p == ')' && --depth == 0) return p;
  }
  return nullptr;
}

const char* findMatchingBracket(const char* text, char open, char close) {
  int depth = 1;
  bool quoted = false;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (text[i] == open) ++depth;
    if (text[i] == close && --depth == 0) return text + i;
  }
  Alert("findMatchingBracket", 0, 100302, "No closing bracket %c found", close);
  return nullptr;
}

char* findBracketContents(char* text, char open, char close, char** end) {
  char* start = std::strchr(text, open);
  if (start == nullptr) return nullptr;
  int depth = 0;
  for (char* p = start; *p != '\0'; ++p) {
    if (*p == open) ++depth;
    if (*p == close && --depth == 0) {
      *p = '\0';
      *end = p + 1;
      return start + 1;
    }
  }
  Alert("findBracketContents", 1, 100302, "Bracket mismatch");
  return nullptr;
}

int checkEscape(const char* p, const char* start, char escape) {
  return p != start && p[-1] == escape ? 1 : 0;
}

int checkForUnescapedChar(const char* p, const char* start, char escape, char c) {
  if (*p != c) return 0;
  return escapedAt(start, static_cast<std::size_t>(p - start), escape) ? 0 : 1;
}

const char* firstPointer(const char* a, const char* b) {
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  return a < b ? a : b;
}

int strpccmp(const char* from, const char* to, const char* t) {
  std::size_t length = static_cast<std::size_t>(to - from) + 1;
  return std::strlen(t) == length && std::strncmp(from, t, length) == 0 ? 0 : 1;
}

int findLargestSubstring(const char* text, const char* pattern) {
  PrintStdout("\n\nSearching for %s\n", pattern);
  std::string subject(text);
  std::string piece(pattern);
  while (!piece.empty() && subject.find(piece) == std::string::npos) piece.pop_back();
  if (piece.empty()) {
    PrintStdout("FAILURE: failed looking for %s\n", pattern);
    return 0;
  }
  std::size_t at = subject.find(piece);
  auto after = [](const std::string& s, std::size_t from, int k) -> int {
    return from + static_cast<std::size_t>(k) < s.size() ? static_cast<unsigned char>(s[from + static_cast<std::size_t>(k)]) : 0;
  };
  std::string full(pattern);
  std::size_t textAfter = at + piece.size();
  std::size_t patternAfter = piece.size();
  int t[4];
  int q[4];
  for (int k = 0; k < 4; ++k) {
    t[k] = after(subject, textAfter, k);
    q[k] = after(full, patternAfter, k);
  }
  auto shown = [](int code) { return code == 0 ? ' ' : static_cast<char>(code); };
  PrintStdout("ENCOUNTERED: %s; lastchars=|%c%c%c%c|(%d,%d,%d,%d)) <-> |%c%c%c%c|(%d,%d,%d,%d)\n",
              piece.c_str(), shown(t[0]), shown(t[1]), shown(t[2]), shown(t[3]), t[0], t[1], t[2], t[3],
              shown(q[0]), shown(q[1]), shown(q[2]), shown(q[3]), q[0], q[1], q[2], q[3]);
  int count = substringcnt(text, piece.c_str());
  PrintStdout("Occurred %d times\n", count);
  return count;
}

// In-place editing.

void replaceChar(char* text, char from, char to) {
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] != from) continue;
    if (i > 0 && text[i - 1] == '\'' && text[i + 1] == '\'') continue;
    text[i] = to;
  }
}

void removeChar(char* out, const char* text, char c) {
  std::size_t j = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] != c) out[j++] = text[i];
  }
  out[j] = '\0';
}

void removeQuotesAndEscapes(char* out, const char* text, char quote, char escape) {
  std::size_t j = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == escape) {
      if (text[i + 1] == '\0') break;
      out[j++] = text[++i];
    } else if (text[i] != quote) {
      out[j++] = text[i];
    }
  }
  out[j] = '\0';
}

void removeLeadingBlanks(char* text) {
  std::size_t skip = 0;
  while (text[skip] == ' ') ++skip;
  if (skip > 0) std::memmove(text, text + skip, std::strlen(text + skip) + 1);
}

void removeTrailingBlanks(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 1 && text[length - 1] == ' ') text[--length] = '\0';
}

void removeTrailingLineFeeds(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 1 && (text[length - 1] == ' ' || text[length - 1] == '\n')) text[--length] = '\0';
}

void unblankString(char* text) {
  std::size_t j = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == ' ' && (j == 0 || text[j - 1] == ' ')) continue;
    text[j++] = text[i];
  }
  if (j > 0 && text[j - 1] == ' ') --j;
  text[j] = '\0';
}

void stripblanks(char* text) { removeChar(text, text, ' '); }

void removeEOL(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == '\n') *p = ' ';
  }
}

void removeLastEOL(char* text) {
  std::size_t length = std::strlen(text);
  if (length > 0 && text[length - 1] == '\n') text[length - 1] = '\0';
}

void removeLeadingChar(char* text, char c) {
  if (text[0] == c && c != '\0') std::memmove(text, text + 1, std::strlen(text));
}

void removeTrailingChar(char* text, char c) {
  std::size_t length = std::strlen(text);
  if (length > 1 && text[length - 1] == c) text[length - 1] = '\0';
}

void shiftstring(char* text, int k) {
  std::size_t length = std::strlen(text);
  if (k < 1 || static_cast<std::size_t>(k) > length) return;
  std::memmove(text, text + k, length - static_cast<std::size_t>(k) + 1);
}

void removeBlanksBeforeChar(char* text, char c) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) quoted = !quoted;
    if (!quoted && text[i] == c) {
      while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    out += text[i];
  }
  std::memcpy(text, out.c_str(), out.size() + 1);
}

void removeBlanksAfterChar(char* text, char c) {
  std::string out;
  bool quoted = false;
  bool skipping = false;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (skipping && text[i] == ' ') continue;
    skipping = false;
    if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) quoted = !quoted;
    out += text[i];
    if (!quoted && text[i] == c) skipping = true;
  }
  std::memcpy(text, out.c_str(), out.size() + 1);
}

void removeCharBeforeChar(char* text, char a, char b) {
  std::size_t j = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == a && text[i + 1] == b) continue;
    text[j++] = text[i];
  }
  text[j] = '\0';
}

void removeCharAfterChar(char* text, char a, char b) {
  std::size_t j = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == a && i > 0 && text[i - 1] == b) continue;
    text[j++] = text[i];
  }
  text[j] = '\0';
}

void removeDelimitedText(char* text, char open, char close) {
  std::string out;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == open) {
      const char* end = std::strchr(text + i + 1, close);
      if (end != nullptr) {
        i = static_cast<std::size_t>(end - text);
        continue;
      }
    }
    out += text[i];
  }
  std::memcpy(text, out.c_str(), out.size() + 1);
}

void removeSubstring(char* text, const char* t) {
  std::size_t length = std::strlen(t);
  if (length == 0) return;
  while (char* found = std::strstr(text, t)) std::memmove(found, found + length, std::strlen(found + length) + 1);
}

void removeSubstring_obs(char* text, const char* t) {
  PrintStdout("copying");
  removeSubstring(text, t);
}

void replaceSubstringByShorter(char* text, const char* t, const char* u) {
  std::size_t lt = std::strlen(t);
  std::size_t lu = std::strlen(u);
  if (lt == 0 || lu > lt) return;
  std::string out;
  for (const char* p = text; *p != '\0';) {
    if (std::strncmp(p, t, lt) == 0) {
      out += u;
      p += lt;
    } else {
      out += *p++;
    }
  }
  std::memcpy(text, out.c_str(), out.size() + 1);
}

std::string replaceSubstring(const char* text, const char* t, const char* u) {
  std::string out(text);
  std::size_t found = *t == '\0' ? std::string::npos : out.find(t);
  if (found != std::string::npos) out.replace(found, std::strlen(t), u);
  return out;
}

void removeEndstring(char* text, const char* end) {
  std::size_t le = std::strlen(end);
  if (le == 0) return;
  for (std::size_t length = std::strlen(text); length >= le && std::strcmp(text + length - le, end) == 0;
       length -= le) {
    text[length - le] = '\0';
  }
}

// Case, copies and lengths.

char lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }
char upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

void lowercase(char* out, const char* text) {
  std::size_t i = 0;
  for (; text[i] != '\0'; ++i) out[i] = lower(text[i]);
  out[i] = '\0';
}

void makelowercase(char* text) { lowercase(text, text); }

char flipcase(char ch) {
  if (ch >= 'a' && ch <= 'z') return upper(ch);
  if (ch >= 'A' && ch <= 'Z') return lower(ch);
  PrintStdout("Non-alphabetic character %c in routine \"flipcase\"", ch);
  return ch;
}

int StringLength(const char* text) { return text != nullptr ? static_cast<int>(std::strlen(text)) : 0; }

std::string stringdup(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

void charcopy(char* out, const char* text, int n) {
  for (int i = 0; i < n && text[i] != '\0'; ++i) out[i] = text[i];
}

void stringNcopy(char* out, const char* text, int n) {
  int i = 0;
  for (; i < n && text[i] != '\0'; ++i) out[i] = text[i];
  out[i] = '\0';
}

void stringpccopy(char* out, const char* from, const char* to) {
  std::size_t i = 0;
  for (const char* p = from; p <= to && *p != '\0'; ++p) out[i++] = *p;
  out[i] = '\0';
}

// Files.

int addStringToFile(const char* path, const char* text) {
  FILE* file = std::fopen(convertFileName(path).c_str(), "a");
  if (file == nullptr) {
    Alert("addStringToFile", 0, 120206, "Cannot open file %s", path);
    return -1;
  }
  std::fputs(text, file);
  std::fputc('\n', file);
  std::fclose(file);
  return 0;
}

int stringToFile(const char* text, const char* path) {
  if (!writeFileAtomically(convertFileName(path), text)) {
    Alert("stringToFile", 0, 120206, "Cannot open file %s", path);
    return -1;
  }
  return 0;
}
