// Small text routines on terminated byte strings: number conversion with error reports,
// formatting, case-insensitive abbreviation matching, bracket and quote aware searching,
// in-place removal of blanks and characters, text fields for banners and a few file
// routines.
//
// Routines named "in place" edit the caller's text and only ever shorten it. Routines
// whose result is new text return a std::string; nothing here writes past the end of a
// caller's buffer. The module has no state.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Conversions and checks.
// An optional '-' and decimal digits; "" and "-" give 0; anything else alerts and gives
// 2147483647.
int strnum(const char* text);
// 0 value set, 1 not a number, 2 magnitude above 2,000,000,000; blanks around are allowed.
int strnumChk(const char* text, int* value);
std::string numstr(int i);
int intStringLength(int i);
int isNumber(const char* text);
int IntegerCheck(char ch);
int strnumcmp(const char* a, const char* b);
// The k-th number (from 0) of the text: digits with at most one '.', a '-' right before
// it included.
std::optional<std::string> getNumber(const char* text, int k);
int getNumberAfterString(const char* text, const char** end, const char* target);
int getNextNum(const char* p, const char** end);
int getPreviousNum(const char* p, const char* start, const char** numberStart);
// Removes all blanks in place; "(a,b,...)" fills values; else an alert and 0.
int parseVector(char* text, std::vector<int>& values);
// Splits the text in place at blanks and converts the words; returns the word count
// (1023 words or more: an alert and 1023, nothing converted).
int chopnum(char* text, std::vector<int>& values);
// The words of a line of a data file (separated by blanks, tabs or a carriage return) as
// decimal integers; false when a word is no integer or lies beyond the range of long
// long. The file readers range-check the values themselves.
bool integersOfLine(const std::string& line, std::vector<long long>& values);
// The lines of a text, without their newlines; a last line without one counts too.
std::vector<std::string> linesOfText(const std::string& text);
int YN(const char* text);
const char* toYN(int b);

// Formatting.
// Number formatters that append to text exactly what snprintf writes for "%*.*f" and
// "%*d" / "%*lld" with the same width and precision (a negative width adjusts left, as
// in printf), without parsing a format: for printing many numbers. Infinities and NaNs
// give "inf" and "nan" with their sign, as printf does.
void appendFixed(std::string& text, double value, int width, int precision);
void appendInt(std::string& text, long long value, int width = 0);
// The same texts written at out for lines built in a character array: the end of the
// text, or nullptr when it would not fit before end (nothing useful is written then).
char* writeFixed(char* out, char* end, double value, int width, int precision);
char* writeInt(char* out, char* end, long long value, int width = 0);
// At most 255 characters; a longer result is cut and alerted.
std::string formstr(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formstr_checksize(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Appends the formatted text to out and pads it with blanks to width characters.
void vcat(std::string& out, int width, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// A line of width fill characters with the text written from column position (-1: right
// aligned with one fill column left), blanks on both sides of the text.
std::string makeTextField(char fill, const char* text, int width, int position);
std::string makeCharacterField(int n, char c);
std::string writeOnCharacterField(int position, const char* field, const char* text);
std::string pad(const char* text);
std::string Textcat(const char* first, const char* second);
std::string leftAdjust(const char* text, int indent, int width);
// "[a] + 2 x [b]"; "None" when nothing is written.
std::string print_rep(const int* multiplicities, const char* const* names);
// The first n characters (n > 80: 60 and " [Truncated]"); a newline ends the copy and
// shows as a blank.
std::string StringBegin(const char* text, int n);
void IndentPrint(FILE* stream, const char* text, int n);
void IndentFormatPrint(FILE* stream, int n, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void printStringBegin(const char* text, int n);

// Matching and searching.
// 0 when abbreviation is a prefix of word (ASCII letters lowered); else 1 / -1 by order.
int cmpcom(const char* word, const char* abbreviation);
int subString(const char* text, const char* word);
int lowercmp(const char* a, const char* b);
// '*' is the only wildcard.
int MatchRegEx(const char* text, const char* pattern);
int findWord(const char* word, const char* const* list);
const char* findFirstAlpha(const char* text);
const char* findLastAlpha(const char* text);
const char* findFirstChar(const char* text, char c);
const char* findFirstSpecialChar(const char* text, const char* set);
int charcnt(const char* text, char c);
int charCount(const char* text, char c);
int substringcnt(const char* text, const char* t);
int bracketcnt(const char* text, char open, char close);
int bracketcntpc(const char* from, const char* to, char open, char close);
int charcntpc(const char* from, const char* to, char c);
const char* findCharOutsideBrackets(const char* text, char c, char open, char close);
const char* findUnescapedCharOutsideBrackets(const char* text, char c, char open, char close,
                                             char escape);
const char* findUnquotedChar(const char* text, char c);
const char* findDoubleQuote(const char* text);
const char* findClosingBracket(const char* text);
const char* findMatchingBracket(const char* text, char open, char close);
// Terminates the contents of the first bracket pair in place; end points after the close.
char* findBracketContents(char* text, char open, char close, char** end);
int checkEscape(const char* p, const char* start, char escape);
int checkForUnescapedChar(const char* p, const char* start, char escape, char c);
const char* firstPointer(const char* a, const char* b);
int strpccmp(const char* from, const char* to, const char* t);
int findLargestSubstring(const char* text, const char* pattern);

// In-place editing.
void replaceChar(char* text, char from, char to);
// out may be text itself; it needs room for text.
void removeChar(char* out, const char* text, char c);
void removeQuotesAndEscapes(char* out, const char* text, char quote, char escape);
void removeLeadingBlanks(char* text);
void removeTrailingBlanks(char* text);
void removeTrailingLineFeeds(char* text);
void unblankString(char* text);
void stripblanks(char* text);
void removeEOL(char* text);
void removeLastEOL(char* text);
void removeLeadingChar(char* text, char c);
void removeTrailingChar(char* text, char c);
void shiftstring(char* text, int k);
void removeBlanksBeforeChar(char* text, char c);
void removeBlanksAfterChar(char* text, char c);
void removeCharBeforeChar(char* text, char a, char b);
void removeCharAfterChar(char* text, char a, char b);
void removeDelimitedText(char* text, char open, char close);
void removeSubstring(char* text, const char* t);
void removeSubstring_obs(char* text, const char* t);
void replaceSubstringByShorter(char* text, const char* t, const char* u);
std::string replaceSubstring(const char* text, const char* t, const char* u);
void removeEndstring(char* text, const char* end);

// Case, copies and lengths.
char lower(char ch);
char upper(char ch);
void lowercase(char* out, const char* text);
void makelowercase(char* text);
char flipcase(char ch);
int StringLength(const char* text);
std::string stringdup(const char* text);
void charcopy(char* out, const char* text, int n);
// At most n characters and a terminator (out needs n + 1 bytes).
void stringNcopy(char* out, const char* text, int n);
void stringpccopy(char* out, const char* from, const char* to);

// Files: 0 on success, -1 (after an alert) when the file cannot be written.
int addStringToFile(const char* path, const char* text);
// Replaces the file's contents (through a temporary file renamed into place).
int stringToFile(const char* text, const char* path);
