// Catalogue ordering into classes of equal chiral spectrum ("order QUVR"), the fixed
// pattern search over the catalogue ("analyse QUVR", which ends the program), and the
// minimal MIPF list "MIPF.list" of the QUVR folder.
//
// A class is a set of types whose first 28 ints (group types, sizes, tensors, Gamma and
// Delta) agree; they differ only in the hypercharge embedding. The first such type in
// storage order leads the class.
#pragma once

#include <string>
#include <vector>

#include "search/ModelAnalysis.h"

struct MipfListRow {
  int tensorCode = 0;
  int MIPF = 0;
  int size = 0;
  int status = 0;
};

struct QuvrClassSummary {
  int classes = 0;      // leaders with at least one member
  int largest = 1;      // largest class size, leader included
  int largestLeader = 0;
};

// Sorts rows ascending by profile (first 56 ints; equal profiles keep their order) and
// sets ints 57 and 58 as written to "ModelsOut.list"; prints the class report.
QuvrClassSummary orderQUVRRows(std::vector<ModelRow>& rows);
// The rows of "Models.list" as the catalogue reader holds them (read once per run; a
// repeated profile keeps the first); empty when it cannot be read.
std::vector<ModelRow> readCatalogueRows();
// "order QUVR".
void OrderQUVRModels();
// "analyse QUVR": ends the program with exit code 111.
void AnalyseQUVRModels();
// The pattern search on the given rows: prints the hits; returns {all, first, second}.
std::vector<int> FindPatternsInRows(const std::vector<ModelRow>& rows);
// "MIPF.list" of the QUVR folder (or the given file): rows in order, a repeated (tensor
// code, MIPF) pair kept once.
std::vector<MipfListRow> ReadMinimalMIPFList();
std::vector<MipfListRow> readMipfListFile(const std::string& path);
// A fixed file under the home folder (the home folder itself when HOME is unusable).
std::string quvrHomeFile(const char* name);
