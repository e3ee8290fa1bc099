// Dynkin index files: the written files of types A to D (trivial and fundamental
// representations from closed formulas, spinor indices from Bernoulli numbers), reading
// them back, and bad or missing files and folders.
#include <filesystem>
#include <fstream>

#include "ModularTestSupport.h"
#include "numbers/LargeInteger.h"
#include "store/StoremanagerIndexFiles.h"

using namespace modular_test;
namespace fs = std::filesystem;

namespace {

class StoremanagerIndexFilesTest : public ModularTestBase {
 protected:
  static std::string indexFile(const char* name) { return zoq_pathname + "/" + name + "_indices"; }
  static void removeFile(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
  static void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
  }
};

std::string entry(const SpectrumData* sd, int field, int e) {
  const lrat* value = SM_getIndex(sd, field, e);
  return value == nullptr ? "absent" : lrat_string(value);
}

int fieldWithLabels(const SpectrumData* sd, std::vector<int> labels) {
  return SM_getLieLabel(sd, labels.data());
}

}  // namespace

TEST_F(StoremanagerIndexFilesTest, TheA1FileHoldsTheTrivialRepresentationAndTheDoublet) {
  SpectrumData* sd = SM_getData(1, 1, 3);
  removeFile(indexFile("A1"));
  OutputCapture capture;
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_EQ(readFile(indexFile("A1")), "0 \n1\n0\n1 \n2\n1\n");
  EXPECT_TRUE(contains(capture.stdoutText, "Read 2 indices from file " + indexFile("A1") + "\n"));
  const int doublet = a1Field(sd, 1);
  EXPECT_EQ(entry(sd, doublet, 0), "2");
  EXPECT_EQ(entry(sd, doublet, 1), "1");
  EXPECT_EQ(entry(sd, 0, 1), "0");
  EXPECT_EQ(entry(sd, a1Field(sd, 2), 0), "3");
  EXPECT_EQ(entry(sd, a1Field(sd, 2), 1), "absent");
  // Once read, the answer is the number of fields with indices; the file is not read again.
  removeFile(indexFile("A1"));
  capture.clear();
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_FALSE(contains(capture.stdoutText, "Read"));
}

TEST_F(StoremanagerIndexFilesTest, A2HasOppositeCubicIndicesForTheTripletAndItsConjugate) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  removeFile(indexFile("A2"));
  EXPECT_EQ(SM_loadIndices(sd), 3);
  EXPECT_EQ(readFile(indexFile("A2")), "0 0 \n1\n0\n0\n1 0 \n3\n1\n1\n0 1 \n3\n1\n-1\n");
  const int antitriplet = fieldWithLabels(sd, {0, 1});
  EXPECT_EQ(entry(sd, antitriplet, 2), "-1");
}

TEST_F(StoremanagerIndexFilesTest, D4SpinorsFollowTheBernoulliFormula) {
  SpectrumData* sd = SM_getData(4, 4, 1);
  removeFile(indexFile("D4"));
  // Vector 8: f = 2, 2, 1 for the orders 2, 4, 6; adjoint 28: 2(8 - 2), 2(8 - 8), 8 - 32;
  // spinors: f (2^m - 1) 2^3 B_m / (2m) = 2, -1, 1; the last line tells the spinors apart.
  const std::string expected =
      "0 0 0 0 \n1\n0\n0\n0\n0\n"
      "1 0 0 0 \n8\n2\n2\n1\n0\n"
      "0 1 0 0 \n28\n12\n0\n-24\n0\n"
      "0 0 1 0 \n8\n2\n-1\n1\n1\n"
      "0 0 0 1 \n8\n2\n-1\n1\n-1\n";
  // Level 1 has the trivial, vector and both spinor fields; the adjoint needs level 2.
  EXPECT_EQ(SM_loadIndices(sd), 4);
  EXPECT_EQ(readFile(indexFile("D4")), expected);
}

TEST_F(StoremanagerIndexFilesTest, SpinorIndicesAndBernoulliNumbers) {
  std::string out;
  SM_printSpinorIndex(out, 2, 1, 2, 2);  // B1: 2 x 3 x 2 x (1/6) / 4
  EXPECT_EQ(out, "1/2\n");
  out.clear();
  SM_printSpinorIndex(out, 2, 3, 6, 1);  // B3: 63 x 8 x (1/42) / 12
  EXPECT_EQ(out, "1\n");
  out.clear();
  // B9 needs B_18 = 43867/798: (2^18 - 1) 2^9 B_18 / 36.
  SM_printSpinorIndex(out, 2, 9, 18, 1);
  EXPECT_EQ(out, "204946624\n");
  const std::pair<int, const char*> known[] = {
      {0, "1"},     {1, "-1/2"},       {2, "1/6"},        {3, "0"},
      {4, "-1/30"}, {12, "-691/2730"}, {16, "-3617/510"}, {18, "43867/798"}};
  for (const auto& [m, value] : known) {
    lrat b = SM_bernoulli(m);
    EXPECT_EQ(lrat_string(&b), value) << m;
  }
}

TEST_F(StoremanagerIndexFilesTest, FileNames) {
  SpectrumData* sd = SM_getData(1, 1, 2);
  EXPECT_EQ(SM_setIndexFileName(sd), zoq_pathname + "/A1_indices");
  SpectrumData* plain = allocateSpectrumData("Plainname");
  EXPECT_EQ(SM_setIndexFileName(plain), zoq_pathname + "/Plainname_indices");
  zoq_pathname = std::string(974, 'x');
  EXPECT_EQ(SM_setIndexFileName(sd), zoq_pathname + "/A1_indices");
  zoq_pathname = std::string(975, 'x');
  OutputCapture capture;
  EXPECT_EQ(SM_setIndexFileName(sd), "");
  EXPECT_TRUE(contains(capture.diagnostics, "Pathname of file for indices is too long"));
  EXPECT_EQ(SM_loadIndices(sd), -1);
}

TEST_F(StoremanagerIndexFilesTest, ForeignRecordsAreSkippedAndWrongDimensionsStopTheReading) {
  SpectrumData* sd = SM_getData(1, 1, 1);
  writeFile(indexFile("A1"), "5 \n6\n7\n0 \n1\n0\n1 \n2\n1\n");
  EXPECT_EQ(SM_loadIndices(sd), 2);

  resetAll();
  sd = SM_getData(1, 1, 1);
  writeFile(indexFile("A1"), "1 \n3\n1\n");
  OutputCapture capture;
  EXPECT_EQ(SM_loadIndices(sd), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Wrong dimension in file: 3"));

  resetAll();
  sd = SM_getData(1, 1, 1);
  writeFile(indexFile("A1"), "0 \n1\n0\nx \n2\n1\n");
  capture.clear();
  EXPECT_EQ(SM_loadIndices(sd), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Premature end-of-file"));
  EXPECT_EQ(entry(sd, 0, 1), "0");  // what was read stays

  resetAll();
  sd = SM_getData(1, 1, 1);
  writeFile(indexFile("A1"), "0 \n1\nzero\n");
  capture.clear();
  EXPECT_EQ(SM_loadIndices(sd), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "is non-numerical"));
}

TEST_F(StoremanagerIndexFilesTest, TypesWithoutAFileOrWithoutIndices) {
  OutputCapture capture;
  SpectrumData* g2 = SM_getData(5, 2, 1);
  removeFile(indexFile("G2"));
  EXPECT_EQ(SM_loadIndices(g2), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Cannot open index file " + indexFile("G2")));
  EXPECT_FALSE(fs::exists(indexFile("G2")));
  capture.clear();
  EXPECT_EQ(SM_loadIndices(SM_getData(0, 5, 0)), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Indices not defined for type 0"));
}

TEST_F(StoremanagerIndexFilesTest, AFailedWriteIsAFailure) {
  SpectrumData* sd = SM_getData(1, 1, 1);
  writeFile(zoq_pathname + "/blocker", "a plain file");
  zoq_pathname += "/blocker/data";
  OutputCapture capture;
  EXPECT_EQ(SM_writeIndexFile(sd, indexFile("A1").c_str()), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Cannot open new index file"));
  // Loading still gives the rank + 1 records of the trivial and fundamental
  // representations, kept in memory.
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_TRUE(contains(capture.diagnostics, "indices are kept in memory"));
}

TEST_F(StoremanagerIndexFilesTest, DimensionsLoadedFirstDoNotHideTheFile) {
  SpectrumData* sd = SM_getData(1, 1, 4);
  SM_loadDimensions(sd);
  EXPECT_EQ(entry(sd, a1Field(sd, 4), 0), "5");
  EXPECT_EQ(entry(sd, a1Field(sd, 1), 1), "absent");
  removeFile(indexFile("A1"));
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_EQ(entry(sd, a1Field(sd, 1), 1), "1");
}

TEST_F(StoremanagerIndexFilesTest, LabelsAndAddedIndices) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  EXPECT_EQ(fieldWithLabels(sd, {0, 0}), 0);
  EXPECT_EQ(fieldWithLabels(sd, {3, 0}), -1);
  const int octet = fieldWithLabels(sd, {1, 1});
  ASSERT_GE(octet, 0);
  lint indices[2];
  lint_assign(&indices[0], 6);
  lint_assign(&indices[1], 0);
  SM_addIndex(sd, octet, indices);
  lint_assign(&indices[0], 99);  // copies were stored
  EXPECT_EQ(entry(sd, octet, 0), "8");
  EXPECT_EQ(entry(sd, octet, 1), "6");
  EXPECT_EQ(entry(sd, octet, 2), "0");
  OutputCapture capture;
  SM_addIndex(sd, 99, indices);
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: 99"));
}

TEST_F(StoremanagerIndexFilesTest, ATornLastRecordIsDroppedFromTheTableAndTheFile) {
  // A1 level 2: the records of the trivial representation and the doublet, then the
  // triplet "2 \n3\n4\n" cut at every place inside it (a cut inside the last number leaves
  // a shorter number: only whole lines count). A foreign record (labels 5) cut inside is
  // dropped too. (A cut record of the trivial or fundamental representations is written
  // again at once, see the shared index file tests.)
  const std::string seeds = "0 \n1\n0\n1 \n2\n1\n";
  const char* torn[] = {"2", "2 ", "2 \n", "2 \n3", "2 \n3\n", "2 \n3\n4", "5 \n6\n"};
  for (const char* tail : torn) {
    resetAll();
    SpectrumData* sd = SM_getData(1, 1, 2);
    writeFile(indexFile("A1"), seeds + tail);
    OutputCapture capture;
    EXPECT_EQ(SM_loadIndices(sd), 2) << tail;
    EXPECT_TRUE(contains(capture.diagnostics, "ends inside a record")) << tail;
    EXPECT_EQ(readFile(indexFile("A1")), seeds) << tail;
    EXPECT_EQ(entry(sd, a1Field(sd, 2), 1), "absent") << tail;
    // The next run reads a sound file.
    resetAll();
    sd = SM_getData(1, 1, 2);
    capture.clear();
    EXPECT_EQ(SM_loadIndices(sd), 2) << tail;
    EXPECT_EQ(capture.diagnostics, "") << tail;
  }
  // A whole file is left as it is, with a whole foreign record or blanks after its end.
  for (const std::string& whole : {seeds + "5 \n6\n7\n2 \n3\n4\n", seeds + "2 \n3\n4\n  "}) {
    resetAll();
    SpectrumData* sd = SM_getData(1, 1, 2);
    writeFile(indexFile("A1"), whole);
    OutputCapture capture;
    EXPECT_EQ(SM_loadIndices(sd), 3);
    EXPECT_EQ(capture.diagnostics, "");
    EXPECT_EQ(readFile(indexFile("A1")), whole);
  }
}

TEST_F(StoremanagerIndexFilesTest, AnAddedRecordIsWrittenWholeAndLeavesNoTemporaryFile) {
  SpectrumData* sd = SM_getData(1, 1, 2);
  writeFile(indexFile("A1"), "0 \n1\n0\n1 \n2\n1\n2 \n3\n");
  OutputCapture capture;
  ASSERT_EQ(SM_loadIndices(sd), 2);
  // The triplet (j = 1): dimension 3, index 4 (2 x 2 = 1 + 3 gives 1 x 2 + 1 x 2 = 0 + I).
  const int triplet = a1Field(sd, 2);
  lint index;
  lint_assign(&index, 4);
  SM_addIndex(sd, triplet, &index);
  EXPECT_EQ(SM_appendIndexRecord(sd, triplet), 0);
  EXPECT_EQ(readFile(indexFile("A1")), "0 \n1\n0\n1 \n2\n1\n2 \n3\n4\n");
  // No temporary file is left beside it.
  for (const auto& item : fs::directory_iterator(zoq_pathname))
    EXPECT_FALSE(contains(item.path().filename().string(), ".tmp.")) << item.path();
  resetAll();
  sd = SM_getData(1, 1, 2);
  EXPECT_EQ(SM_loadIndices(sd), 3);
  EXPECT_EQ(entry(sd, a1Field(sd, 2), 1), "4");
}
