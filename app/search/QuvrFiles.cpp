// Readers of catalogue records and model-file lines.
#include "search/QuvrFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

namespace {

// The integer at *p (after blanks), moving p past it; false when there is none or it does
// not fit an int.
bool readInt(const char*& p, int* value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(p, &end, 10);
  if (end == p || errno != 0 || v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  p = end;
  return true;
}

}  // namespace

int parseModelFileLine(const char* text, ModelFileLine* line) {
  const char* p = text;
  int v[12];
  for (int& x : v)
    if (!readInt(p, &x)) return 0;
  p += std::strspn(p, " \t");
  const std::size_t length = std::strcspn(p, " \t\r\n");
  if (length == 0 || length > 80) return 0;
  const std::string name(p, length);
  p += length;
  int status = 0;
  if (!readInt(p, &status)) return 0;
  p += std::strspn(p, " \t\r\n");
  if (*p != '\0') return 0;
  line->type = v[0];
  line->tensorCode = v[1];
  line->MIPF = v[2];
  line->orientifold = v[3];
  for (int k = 0; k < 4; ++k) {
    line->boundaries[k] = v[4 + k];
    line->multiplicities[k] = v[8 + k];
  }
  line->name = name;
  line->status = status;
  return 1;
}

CaseResultKind caseResultKind(const std::string& path) {
  static const struct {
    const char* extension;
    CaseResultKind kind;
  } kKinds[] = {{".models", CaseResultKind::Models},
                {".none", CaseResultKind::None},
                {".prescan", CaseResultKind::Prescan},
                {".abrane_scan", CaseResultKind::AbraneScan},
                {".nullscan", CaseResultKind::Nullscan}};
  for (const auto& k : kKinds) {
    const std::size_t n = std::strlen(k.extension);
    if (path.size() >= n && path.compare(path.size() - n, n, k.extension) == 0) return k.kind;
  }
  return CaseResultKind::Other;
}
