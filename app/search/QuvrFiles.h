// Readers of the catalogue tools' text files: catalogue records of 87 blank-separated
// integers (line breaks do not matter), and the 14-field model-file lines of the result
// files (".models", ".prescan", ".none", ...) ended by a line of type -1. Words are read
// with a width limit, and a malformed line ends the file rather than being misread.
#pragma once

#include <cstdio>
#include <string>

class ModelRecordReader {
 public:
  explicit ModelRecordReader(FILE* file) : file_(file) {}
  // 1 a record read, 0 the end of the file (a partial record at the end is reported).
  int next(int* record);

 private:
  FILE* file_;
};

struct ModelFileLine {
  int type = -1;
  int tensorCode = 0;
  int MIPF = 0;
  int orientifold = 0;
  int boundaries[4] = {};
  int multiplicities[4] = {};
  std::string name;
  int status = 0;
};

// 1 a line read, 0 the end of the file or an unreadable line (reported once per file).
int readModelFileLine(FILE* file, ModelFileLine* line, const char* path);
// One line of text in the model-file layout: twelve integers, a word and an integer, and
// nothing else (a ".pre_models" line, fourteen integers, reads its thirteenth as the word).
// 1 read, 0 not a model line.
int parseModelFileLine(const char* text, ModelFileLine* line);
// The line in the model-file format "%d ... %s %d\n".
std::string modelFileLineText(const ModelFileLine& line);
// The end line of a model file with its status.
std::string modelFileEndLine(int status);

// What a file of the QUVR result tree holds for its case, told by the extension its name
// ends in: ".models", ".none", ".prescan", ".abrane_scan", ".nullscan". A copy set aside
// ("..._000.models_0" when the case is searched again, "..._X" when corrupted) ends
// otherwise and is no result of its case; nor is any other file (".pre_models", ...).
enum class CaseResultKind { Other, Models, None, Prescan, AbraneScan, Nullscan };
CaseResultKind caseResultKind(const std::string& path);
