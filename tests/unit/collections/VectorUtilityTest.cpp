// Vector utilities: printers, elementary operations, comparisons, complex vectors,
// IntList, flat storages, vector files and permutations.
#include "collections/VectorUtility.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class VectorUtilityTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// A temporary file that is removed at the end of the test.
class TemporaryFile {
 public:
  TemporaryFile() {
    char pattern[] = "/tmp/zoq_vector_XXXXXX";
    int descriptor = mkstemp(pattern);
    if (descriptor >= 0) close(descriptor);
    path_ = pattern;
  }
  ~TemporaryFile() { unlink(path_.c_str()); }
  const char* path() const { return path_.c_str(); }
  std::string contents() const {
    std::string text;
    std::FILE* file = std::fopen(path(), "r");
    if (file == nullptr) return text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    std::fclose(file);
    return text;
  }

 private:
  std::string path_;
};

// ---------------------------------------------------------------------------------------
// Printers

TEST_F(VectorUtilityTest, PrintVecWritesLabelTwoBlanksAndTheEntries) {
  OutputCapture capture;
  int v[] = {1, -2, 3};
  printVec(3, v, "v");
  int single[] = {7};
  printVec(1, single, "v");
  printVec(0, v, "nothing");
  EXPECT_EQ(capture.stdoutText, "v  (1,-2,3)\nv  (7)\n");
}

TEST_F(VectorUtilityTest, PrintVecToStringAppendsTheSameLine) {
  int v[] = {4, 5};
  std::string text = "> ";
  printVecToString(2, v, "w", text);
  printVecToString(0, v, "none", text);
  EXPECT_EQ(text, "> w  (4,5)\n");
}

TEST_F(VectorUtilityTest, FilePrintersWriteTheirFormats) {
  TemporaryFile temporary;
  std::FILE* file = std::fopen(temporary.path(), "w");
  ASSERT_NE(file, nullptr);
  int v[] = {2, 4, 6};
  printVecToFile(3, v, "a", file);
  printNormalizedVecToFile(3, 5, v, "b", file);
  printNormalizedVecToFile(3, 1, v, "c", file);
  writeVec(3, file, v);
  writeVec(0, file, v);
  printVecFixedWidthToFile(3, 3, v, "d", file);
  printVectorDataToFile(file, 2, v);
  std::fclose(file);
  EXPECT_EQ(temporary.contents(),
            "a  (2,4,6)\n"
            "b  (2,4,6)/5\n"
            "c  (2,4,6)\n"
            "2 4 6 \n"
            "\n"
            "d     2   4   6\n"
            "    2     4\n");
}

TEST_F(VectorUtilityTest, StandardOutputPrintersWriteTheirFormats) {
  OutputCapture capture;
  int v[] = {0, 3, 0, 5, 0, 0};
  printNonZeroVec(6, v, "nz");
  int zero[] = {0, 0};
  printNonZeroVec(2, zero, "z");
  printVecFixedWidth(2, 9, v, "wide");  // widths outside 1..8 print only the label
  printSingleDigitVec(4, v);
  printHistogram(6, v, "hist");
  long long big[] = {10000000000LL, -1};
  printLongVec(2, big, "L");
  signed char small[] = {-3, 4};
  printCharVec(2, small, "C");
  printVectorData(2, v);
  EXPECT_EQ(capture.stdoutText,
            "nz  (0,3,0,5)\n"
            "z  (0)\n"
            "wide  \n"
            "0305\n"
            "hist\n0 0\n1 3\n2 0\n3 5\n"
            "L  (10000000000,-1)\n"
            "C  (-3,4)\n"
            "    0     3\n");
}

TEST_F(VectorUtilityTest, PrintDoubleVecBreaksAfterTwentyFourEntriesButNeverBeforeTheLast) {
  std::vector<double> x(26, 1.5);
  std::string entry = " 1.5000";
  {
    OutputCapture capture;
    printDoubleVec(25, x.data(), "lab");
    std::string expected = "lab (";
    for (int i = 0; i < 25; ++i) expected += entry + (i == 24 ? ")" : ",");
    EXPECT_EQ(capture.stdoutText, expected + "\n");
  }
  {
    OutputCapture capture;
    printDoubleVec(26, x.data(), "lab");
    std::string expected = "lab (";
    for (int i = 0; i < 26; ++i) {
      if (i == 24) expected += "\n     ";  // indented by the label's length plus two
      expected += entry + (i == 25 ? ")" : ",");
    }
    EXPECT_EQ(capture.stdoutText, expected + "\n");
  }
}

TEST_F(VectorUtilityTest, PrintDoubleVecPrecisions) {
  OutputCapture capture;
  double x[] = {0.25, -1.0};
  printDoubleVecHD(2, x, "h");
  printDoubleVecXHD(1, x, "x");
  EXPECT_EQ(capture.stdoutText,
            "h (   0.2500000000,  -1.0000000000)\n"
            "x (   0.25000000000000000000)\n");
}

TEST_F(VectorUtilityTest, NormalizedIntegerVectorStringReducesWithTheNorm) {
  int v[] = {2, 4, 6};
  EXPECT_EQ(NormalizedIntegerVectorString(3, 12, 4, v), "(1,2,3)/2   ");
  int w[] = {2, 4};
  EXPECT_EQ(NormalizedIntegerVectorString(2, 8, 1, w), "(2,4)   ");
  // gcd(6, 2, 4, 6) = 2 and 6/2 = 3.
  EXPECT_EQ(NormalizedIntegerVectorString(3, 10, 6, v), "(1,2,3)/3 ");
  // The norm divides away completely: no denominator.
  int x[] = {3, 6};
  EXPECT_EQ(NormalizedIntegerVectorString(2, 5, 3, x), "(1,2)");
}

TEST_F(VectorUtilityTest, NormalizedIntegerVectorStringReportsBadNormAndOverflow) {
  OutputCapture capture;
  int v[] = {1, 2, 3};
  EXPECT_EQ(NormalizedIntegerVectorString(3, 10, 0, v), "***");
  EXPECT_NE(capture.diagnostics.find("Invalid norm: 0"), std::string::npos);
  capture.clear();
  int big[] = {123456, 654321, 1};
  EXPECT_EQ(NormalizedIntegerVectorString(3, 6, 1, big), "(12345");
  EXPECT_NE(capture.diagnostics.find("Length overflow"), std::string::npos);
  capture.clear();
  // "(1,2,3)" has 7 characters: the closing stage outgrows a width of 6.
  EXPECT_EQ(NormalizedIntegerVectorString(3, 6, 1, v), "(1,2,3");
  EXPECT_NE(capture.diagnostics.find("Length overflow"), std::string::npos);
  capture.clear();
  EXPECT_EQ(NormalizedIntegerVectorString(3, 8, 2, v), "(1,2,3)/");
  EXPECT_NE(capture.diagnostics.find("Length overflow"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Elementary operations

TEST_F(VectorUtilityTest, ArithmeticOnVectors) {
  int a[] = {1, 2, 3};
  int b[] = {4, -5, 6};
  int c[3];
  addVec(3, a, b, c);
  EXPECT_EQ(std::vector<int>(c, c + 3), (std::vector<int>{5, -3, 9}));
  EXPECT_EQ(vecSum(b, 3), 5);
  EXPECT_EQ(addVectorEntries(3, a), 6);
  EXPECT_EQ(dotProd(a, b, 3), 4 - 10 + 18);
  double x[] = {3.0, 4.0};
  double y[] = {1.0, -1.0};
  EXPECT_DOUBLE_EQ(dotProdD(x, y, 2), -1.0);
  EXPECT_DOUBLE_EQ(DoubleNorm(2, x), 25.0);
  signFlip(3, c);
  EXPECT_EQ(std::vector<int>(c, c + 3), (std::vector<int>{-5, 3, -9}));
  copyVec(3, c, a);
  EXPECT_EQ(std::vector<int>(c, c + 3), (std::vector<int>{1, 2, 3}));
  nullifyVec(3, c);
  EXPECT_TRUE(zeroVectorCheck(3, c));
  EXPECT_TRUE(zeroVectorCheck(0, a));
  EXPECT_FALSE(zeroVectorCheck(3, a));
  char text[4] = {'x', 'x', 'x', 'x'};
  blankVec(3, text);
  EXPECT_EQ(std::string(text, 4), "   x");
  double z[2];
  copyDoubleVec(2, z, x);
  EXPECT_DOUBLE_EQ(z[1], 4.0);
  nullifyDoubleVec(2, z);
  EXPECT_TRUE(zeroDoubleVectorCheck(2, z));
  double nearlyZero[] = {1e-7, -1e-8};
  EXPECT_TRUE(zeroDoubleVectorCheck(2, nearlyZero));
  double notZero[] = {0.0, 1.1e-7};
  EXPECT_FALSE(zeroDoubleVectorCheck(2, notZero));
}

TEST_F(VectorUtilityTest, LeadingSignAndNormalization) {
  int v[] = {0, -4, 6};
  EXPECT_EQ(getLeadingEntrySign(3, v), -1);
  EXPECT_EQ(NormalizeIntegerVector(3, v), 1);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{0, 2, -3}));
  int zero[] = {0, 0};
  EXPECT_EQ(getLeadingEntrySign(2, zero), 0);
  EXPECT_EQ(NormalizeIntegerVector(2, zero), 0);
  long long w[] = {0, 6000000000LL, -9000000000LL};
  EXPECT_EQ(NormalizeLongIntegerVector(3, w), 1);
  EXPECT_EQ(w[1], 2);
  EXPECT_EQ(w[2], -3);
  long long negative[] = {-5, 10};
  EXPECT_EQ(NormalizeLongIntegerVector(2, negative), 1);
  EXPECT_EQ(negative[0], 1);
  EXPECT_EQ(negative[1], -2);
}

TEST_F(VectorUtilityTest, MaximalElements) {
  int v[] = {3, 9, 9, -1};
  EXPECT_EQ(findMaximalElement(4, v), 1);
  int tiny[] = {-2000000000, -2100000000};
  EXPECT_EQ(findMaximalElement(2, tiny), 0);
  double x[] = {1.0, -4.0, 4.0};
  EXPECT_EQ(findMaximalRealElement(3, x), 1);
  EXPECT_EQ(findMaximalRealElement(0, x), -1);
  double z[] = {1.0, 1.0, 0.0, -2.0, 2.0, 0.0};  // moduli sqrt2, 2, 2
  EXPECT_EQ(findMaximalComplexElement(3, z), 1);
}

TEST_F(VectorUtilityTest, PresenceIntersectionAndRepeats) {
  int v[] = {4, 1, 4, 2, 1};
  EXPECT_EQ(Present(v, 5, 2), 3);
  EXPECT_EQ(Present(v, 5, 9), -1);
  EXPECT_EQ(Present(nullptr, 5, 4), -1);
  EXPECT_EQ(Present(v, 0, 4), -1);
  int b[] = {1, 4};
  int out[5];
  int count = -1;
  Intersect(v, b, out, 5, 2, &count);
  EXPECT_EQ(std::vector<int>(out, out + count), (std::vector<int>{4, 1, 4, 1}));
  EXPECT_EQ(removeIdentical(v, 5), 3);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{4, 1, 2}));
}

TEST_F(VectorUtilityTest, OrderingReturnsThePermutationSign) {
  int v[] = {3, 1, 2};
  EXPECT_EQ(orderVectorUp(3, v), 1);  // a 3-cycle is even
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{1, 2, 3}));
  int w[] = {2, 1};
  EXPECT_EQ(orderVectorUp(2, w), -1);
  int d[] = {1, 3, 2, 5};
  EXPECT_EQ(orderVector(4, d), -1);  // 1,3,2,5 -> 5,3,2,1: reverse of 1,2,3,5 with one swap
  EXPECT_EQ(std::vector<int>(d, d + 4), (std::vector<int>{5, 3, 2, 1}));
  int single[] = {7};
  EXPECT_EQ(orderVectorUp(1, single), 1);
  // Runs of equal classes are sorted descending separately: (1,2 | 3,4,5).
  int classes[] = {0, 0, 1, 1, 1};
  int r[] = {1, 2, 3, 5, 4};
  EXPECT_EQ(reorderVector(5, classes, r), -1);  // 1 + 2 adjacent exchanges
  EXPECT_EQ(std::vector<int>(r, r + 5), (std::vector<int>{2, 1, 5, 4, 3}));
  int rev[] = {1, 2, 3};
  revertVector(3, rev);
  EXPECT_EQ(std::vector<int>(rev, rev + 3), (std::vector<int>{3, 2, 1}));
  swapEntries(rev, 0, 2);
  EXPECT_EQ(rev[0], 1);
}

TEST_F(VectorUtilityTest, InvolutionsAndBinaryDigits) {
  int p[] = {1, 0, 2};
  EXPECT_TRUE(CheckInvolution(3, p));
  int q[] = {1, 2, 0};
  EXPECT_FALSE(CheckInvolution(3, q));
  int outside[] = {5, 0};
  EXPECT_FALSE(CheckInvolution(2, outside));  // no stray read
  EXPECT_TRUE(CheckInvolution(0, p));
  int bits[4];
  generateBinaryVector(11, 4, bits);  // 11 = 1 + 2 + 8
  EXPECT_EQ(std::vector<int>(bits, bits + 4), (std::vector<int>{1, 1, 0, 1}));
  generateBinaryVector(-3, 2, bits);  // truncating division: -3 % 2 = -1, -1 % 2 = -1
  EXPECT_EQ(std::vector<int>(bits, bits + 2), (std::vector<int>{-1, -1}));
}

// ---------------------------------------------------------------------------------------
// Comparisons

TEST_F(VectorUtilityTest, IntegerComparisons) {
  int a[] = {1, 2};
  int b[] = {1, 3};
  EXPECT_EQ(compareVec(2, a, b), -1);
  EXPECT_EQ(compareVec(2, b, a), 1);
  EXPECT_EQ(compareVec(1, a, b), 0);
  EXPECT_EQ(compareVec(0, a, b), 0);
  int m[] = {-1};
  int z[] = {0};
  EXPECT_EQ(compareVec(1, m, z), -1);
  int c[] = {2, 1};
  EXPECT_EQ(InverseCompareVec(2, a, c), 1);  // last entries 2 > 1 decide
  signed char s[] = {-1, 5};
  signed char t[] = {-1, 6};
  EXPECT_EQ(compareCharVec(2, s, t), -1);
}

TEST_F(VectorUtilityTest, DoubleComparisonsUseTheTolerance) {
  double a[] = {1.0, 2.0};
  double b[] = {1.00000005, 2.0};
  double c[] = {1.0, 2.1};
  EXPECT_EQ(compareDoubleVecOrdered(2, a, b), 0);
  EXPECT_EQ(compareDoubleVecOrdered(2, a, c), -1);
  EXPECT_EQ(compareDoubleVecOrdered(2, c, a), 1);
  EXPECT_EQ(compareDoubleVec(2, a, b), 1);
  EXPECT_EQ(compareDoubleVec(2, a, c), 0);
  double n1[] = {1.0, 2.9};  // 9.41 -> 9
  double n2[] = {3.0, 0.1};  // 9.01 -> 9
  double n3[] = {3.2, 0.0};  // 10.24 -> 10
  EXPECT_EQ(compareDoubleVecNorms(2, n1, n2), 0);
  EXPECT_EQ(compareDoubleVecNorms(2, n1, n3), -1);
}

TEST_F(VectorUtilityTest, DisorderedComparisonIgnoresOrderAndMultiplicity) {
  int a[] = {1, 2, 2};
  int b[] = {2, 1, 1};
  int c[] = {1, 2, 3};
  EXPECT_EQ(compareDisorderedVectors(3, a, b), 1);
  EXPECT_EQ(compareDisorderedVectors(3, a, c), 0);
  EXPECT_EQ(compareDisorderedVectors(0, a, c), 1);
  EXPECT_EQ(compareDisorderedVectors(3, nullptr, c), 0);
}

TEST_F(VectorUtilityTest, ComplexVectors) {
  // a = (1 + i, 2), b = (i, 1): conj(a).b = (1 - i) i + 2 = 3 + i.
  double aRe[] = {1.0, 2.0};
  double aIm[] = {1.0, 0.0};
  double bRe[] = {0.0, 1.0};
  double bIm[] = {1.0, 0.0};
  double re = 0.0;
  double im = 0.0;
  ComplexInnerProduct(2, aRe, aIm, bRe, bIm, &re, &im);
  EXPECT_DOUBLE_EQ(re, 3.0);
  EXPECT_DOUBLE_EQ(im, 1.0);
  EXPECT_FALSE(ComplexOrthogonalityCheck(2, aRe, aIm, bRe, bIm));
  // (1, i) and (1, -i): conj(1) 1 + conj(i)(-i) = 1 - 1 = 0.
  double uRe[] = {1.0, 0.0};
  double uIm[] = {0.0, 1.0};
  double vIm[] = {0.0, -1.0};
  EXPECT_TRUE(ComplexOrthogonalityCheck(2, uRe, uIm, uRe, vIm));
  EXPECT_DOUBLE_EQ(ComplexNorm(2, aRe, aIm), 6.0);
  NormalizeComplexVec(2, aRe, aIm);
  EXPECT_NEAR(ComplexNorm(2, aRe, aIm), 1.0, 1e-12);
  EXPECT_NEAR(aRe[1], 2.0 / std::sqrt(6.0), 1e-12);
}

// ---------------------------------------------------------------------------------------
// IntList

TEST_F(VectorUtilityTest, IntListIsASet) {
  IntList list;
  EXPECT_EQ(findInList(&list, 5), -1);
  addToList(&list, 5);
  addToList(&list, 5);
  addToList(&list, -2);
  EXPECT_EQ(list.n, 2);
  EXPECT_EQ(findInList(&list, 5), 0);
  EXPECT_EQ(findInList(&list, -2), 1);
  EXPECT_EQ(findInList(&list, 3), -1);
  // The block carries its guards around the entries.
  EXPECT_EQ(list.list_true[0], 777777777);
  EXPECT_EQ(list.list[list.n], 888888888);
}

TEST_F(VectorUtilityTest, IntListGrowsKeepsEntriesAndOrders) {
  OutputCapture capture;
  IntList list;
  for (int i = 999; i >= 0; --i) addToList(&list, i * 7 % 1000);  // 7 is prime to 1000
  EXPECT_EQ(list.n, 1000);
  EXPECT_GE(list.list_size, 1000);
  for (int i = 0; i < 1000; ++i) EXPECT_GE(findInList(&list, i), 0);
  orderList(&list);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(list.list[i], i);
  EXPECT_EQ(capture.diagnostics, "");  // no guard was damaged
}

TEST_F(VectorUtilityTest, InitListKeepsALargeEnoughBlockAndEmptiesTheList) {
  IntList list;
  initList(&list, 20);
  EXPECT_EQ(list.list_size, 30);
  EXPECT_EQ(list.list_req, 30);
  EXPECT_EQ(list.n, 0);
  addToList(&list, 3);
  int* block = list.list_true;
  initList(&list, 10);
  EXPECT_EQ(list.list_true, block);
  EXPECT_EQ(list.n, 0);
  EXPECT_EQ(findInList(&list, 3), -1);
}

TEST_F(VectorUtilityTest, IntListCopiesAreIndependent) {
  IntList first;
  addToList(&first, 1);
  IntList second = first;
  addToList(&second, 2);
  EXPECT_EQ(first.n, 1);
  EXPECT_EQ(second.n, 2);
  EXPECT_NE(first.list, second.list);
  IntList moved = std::move(second);
  EXPECT_EQ(moved.n, 2);
  EXPECT_EQ(findInList(&moved, 2), 1);
  EXPECT_EQ(second.n, 0);
  EXPECT_EQ(findInList(&second, 2), -1);
}

TEST_F(VectorUtilityTest, IntListReportsADamagedGuard) {
  OutputCapture capture;
  IntList list;
  addToList(&list, 1);
  list.list[list.n] = 0;  // a write past the last entry
  addToList(&list, 2);
  EXPECT_NE(capture.diagnostics.find("overflow in allocation of A->list"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Storages

TEST_F(VectorUtilityTest, AddVectorToStorageCountsMultiplicities) {
  int store[4 * 2];
  int counts[4];
  int n = 0;
  int a[] = {1, 2};
  int b[] = {3, 4};
  int zero[] = {0, 0};
  EXPECT_EQ(AddVectorToStorage(a, store, counts, 2, 1, &n, 4), 0);
  EXPECT_EQ(AddVectorToStorage(b, store, counts, 2, 2, &n, 4), 1);
  EXPECT_EQ(AddVectorToStorage(a, store, counts, 2, 5, &n, 4), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(counts[0], 6);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(AddVectorToStorage(zero, store, counts, 2, 1, &n, 4), -1);
  EXPECT_EQ(AddVectorToStorage(a, store, counts, 2, 0, &n, 4), -1);
  EXPECT_EQ(AddVectorToStorage(a, store, counts, 0, 1, &n, 4), -1);
  EXPECT_EQ(n, 2);
}

TEST_F(VectorUtilityTest, AddVectorToStorageWarnsFromTheSixteenthRow) {
  OutputCapture capture;
  std::vector<int> store(40);
  std::vector<int> counts(40);
  int n = 0;
  for (int i = 1; i <= 15; ++i) AddVectorToStorage(&i, store.data(), counts.data(), 1, 1, &n, 40);
  EXPECT_EQ(capture.diagnostics.find("NOT FATAL"), std::string::npos);
  int sixteenth = 16;
  EXPECT_EQ(AddVectorToStorage(&sixteenth, store.data(), counts.data(), 1, 1, &n, 40), 15);
  EXPECT_NE(capture.diagnostics.find("Internal storage overflow (NOT FATAL)"), std::string::npos);
}

TEST_F(VectorUtilityTest, AddVectorToStorageEndsTheProgramWhenFull) {
  int store[2];
  int counts[2];
  int n = 0;
  int a = 1;
  int b = 2;
  AddVectorToStorage(&a, store, counts, 1, 1, &n, 2);
  EXPECT_EXIT(AddVectorToStorage(&b, store, counts, 1, 1, &n, 2), ::testing::ExitedWithCode(1),
              "Internal storage overflow");
}

TEST_F(VectorUtilityTest, StoreVectorAndLookups) {
  OutputCapture capture;
  int store[3 * 2];
  int n = 0;
  int rows[][2] = {{1, 1}, {2, 0}, {3, 5}, {4, 4}};
  EXPECT_EQ(StoreVector(rows[0], store, 2, &n, 3), 0);
  EXPECT_EQ(StoreVector(rows[1], store, 2, &n, 3), 1);
  EXPECT_EQ(StoreVector(rows[0], store, 2, &n, 3), 0);
  EXPECT_EQ(StoreVector(rows[2], store, 2, &n, 3), 2);
  EXPECT_EQ(StoreVector(rows[3], store, 2, &n, 3), -1);
  EXPECT_NE(capture.diagnostics.find("Internal storage overflow"), std::string::npos);
  EXPECT_EQ(StoreVector(rows[3], store, -1, &n, 3), 0);
  EXPECT_EQ(lookup(rows[2], store, 2, n), 2);
  EXPECT_EQ(lookup(rows[3], store, 2, n), -1);
  EXPECT_EQ(lookup(rows[3], store, 2, 0), -1);
  EXPECT_EQ(lookup(rows[3], store, 0, 3), 0);
  // The three rows are ascending: binary search finds each and misses the others.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Orderedlookup(rows[i], store, 2, 3), i);
  EXPECT_EQ(Orderedlookup(rows[3], store, 2, 3), -1);
  int before[] = {0, 0};
  EXPECT_EQ(Orderedlookup(before, store, 2, 3), -1);
}

TEST_F(VectorUtilityTest, OrderedLookupReportsAnEmptyStorage) {
  OutputCapture capture;
  int row[] = {1};
  EXPECT_EQ(Orderedlookup(row, row, 1, 0), -1);
  EXPECT_NE(capture.diagnostics.find("Suspect ordering error in storage"), std::string::npos);
}

TEST_F(VectorUtilityTest, OrderedLookupOnManyRows) {
  std::vector<int> store;
  for (int i = 0; i < 1000; ++i) {
    store.push_back(i / 10);
    store.push_back(i % 10);
  }
  for (int i = 0; i < 1000; i += 37) {
    int row[] = {i / 10, i % 10};
    EXPECT_EQ(Orderedlookup(row, store.data(), 2, 1000), i);
  }
  int missing[] = {5, 10};
  EXPECT_EQ(Orderedlookup(missing, store.data(), 2, 1000), -1);
}

// ---------------------------------------------------------------------------------------
// Files

TEST_F(VectorUtilityTest, VectorsWrittenToAFileAreReadBack) {
  TemporaryFile temporary;
  int a[] = {3, -1, 4};
  int b[] = {1, 5, 9};
  addVectorToFile(temporary.path(), 3, a);
  addVectorToFile(temporary.path(), 3, b);
  EXPECT_EQ(temporary.contents(), "3 -1 4 \n1 5 9 \n");
  std::FILE* file = std::fopen(temporary.path(), "r");
  ASSERT_NE(file, nullptr);
  int v[3];
  EXPECT_EQ(readVectorFromFile(file, v, 3), 0);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{3, -1, 4}));
  EXPECT_EQ(readVectorFromFile(file, v, 3), 0);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{1, 5, 9}));
  EXPECT_EQ(readVectorFromFile(file, v, 3), 1);  // end of file before the first entry
  EXPECT_EQ(readVectorFromFile(file, v, 0), 0);
  std::fclose(file);
}

TEST_F(VectorUtilityTest, ReadVectorFromFileReportsShortAndBadInput) {
  OutputCapture capture;
  TemporaryFile temporary;
  std::FILE* file = std::fopen(temporary.path(), "w");
  std::fputs("1 2", file);
  std::fclose(file);
  file = std::fopen(temporary.path(), "r");
  int v[3];
  EXPECT_EQ(readVectorFromFile(file, v, 3), 2);
  std::fclose(file);
  EXPECT_NE(capture.diagnostics.find("Premature end-of-file"), std::string::npos);
  capture.clear();
  file = std::fopen(temporary.path(), "w");
  std::fputs("1 x 3", file);
  std::fclose(file);
  file = std::fopen(temporary.path(), "r");
  EXPECT_EQ(readVectorFromFile(file, v, 3), 2);
  std::fclose(file);
  EXPECT_NE(capture.diagnostics.find("is not a number"), std::string::npos);
}

TEST_F(VectorUtilityTest, AddVectorToFileEndsTheProgramWhenTheFileCannotBeOpened) {
  int v[] = {1};
  EXPECT_EXIT(addVectorToFile("/nonexistent-folder/zoq/vector", 1, v), ::testing::ExitedWithCode(1),
              "Cannot open file /nonexistent-folder/zoq/vector");
}

// ---------------------------------------------------------------------------------------
// Permutations

TEST_F(VectorUtilityTest, RanVecGivesAPermutationAndItsInverse) {
  for (int n : {1, 2, 7, 50}) {
    std::vector<int> p = ranVec(n);
    ASSERT_EQ(p.size(), 2u * n);
    std::set<int> seen(p.begin(), p.begin() + n);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), n - 1);
    for (int k = 0; k < n; ++k) EXPECT_EQ(p[n + p[k]], k);
  }
  EXPECT_TRUE(ranVec(0).empty());
}

TEST_F(VectorUtilityTest, ReorderVectorsMovesRowsAlongCycles) {
  // Rows 0..4 hold (10 r, 10 r + 1); new row k is old row perm[k].
  std::vector<int> M;
  for (int r = 0; r < 5; ++r) {
    M.push_back(10 * r);
    M.push_back(10 * r + 1);
  }
  int perm[] = {2, 0, 1, 3, 4};  // a 3-cycle and two fixed points
  int inv[5];
  for (int k = 0; k < 5; ++k) inv[perm[k]] = k;
  reorderVectors(M.data(), 5, 2, perm, inv);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(M[2 * k], 10 * perm[k]);
    EXPECT_EQ(M[2 * k + 1], 10 * perm[k] + 1);
  }
  reorderVectors(nullptr, 5, 2, perm, inv);  // nothing to do
}

TEST_F(VectorUtilityTest, ReorderVectorsRefusesANonPermutation) {
  OutputCapture capture;
  int M[] = {1, 2, 3};
  int perm[] = {0, 0, 2};
  int inv[] = {0, 1, 2};
  reorderVectors(M, 3, 1, perm, inv);
  EXPECT_EQ(std::vector<int>(M, M + 3), (std::vector<int>{1, 2, 3}));
  EXPECT_NE(capture.diagnostics.find("Invalid permutation"), std::string::npos);
}

}  // namespace
