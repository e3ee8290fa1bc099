// Readers of catalogue records and model-file lines.
#include "search/QuvrFiles.h"

#include "runtime/Error.h"
#include "runtime/Output.h"

int ModelRecordReader::next(int* record) {
  for (int k = 0; k < 87; ++k) {
    if (std::fscanf(file_, " %d", &record[k]) != 1) {
      if (k > 0 || !std::feof(file_))
        Alert("ModelRecordReader", 0, 100201, "Incomplete catalogue record (%d of 87 numbers) ignored", k);
      return 0;
    }
  }
  return 1;
}

int readModelFileLine(FILE* file, ModelFileLine* line, const char* path) {
  char name[81] = {};
  const int read = std::fscanf(file, "%d %d %d %d %d %d %d %d %d %d %d %d %80s %d", &line->type, &line->tensorCode,
                               &line->MIPF, &line->orientifold, &line->boundaries[0], &line->boundaries[1],
                               &line->boundaries[2], &line->boundaries[3], &line->multiplicities[0],
                               &line->multiplicities[1], &line->multiplicities[2], &line->multiplicities[3], name,
                               &line->status);
  if (read == 14) {
    line->name = name;
    return 1;
  }
  if (read > 0 || !std::feof(file))
    Alert("readModelFileLine", 0, 100201, "Unreadable model line in %s; the rest of the file is ignored",
          path != nullptr ? path : "");
  line->type = -1;
  return 0;
}

std::string modelFileLineText(const ModelFileLine& l) {
  return formatText("%d %d %d %d %d %d %d %d %d %d %d %d %s %d\n", l.type, l.tensorCode, l.MIPF, l.orientifold,
                    l.boundaries[0], l.boundaries[1], l.boundaries[2], l.boundaries[3], l.multiplicities[0],
                    l.multiplicities[1], l.multiplicities[2], l.multiplicities[3], l.name.c_str(), l.status);
}

std::string modelFileEndLine(int status) {
  return formatText("%d %d %d %d %d %d %d %d %d %d %d %d name %d\n", -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                    status);
}
