// Dynkin index files of the store (see the header for the table and the file format).
//
// Index tables are kept here, one per record that asked for one, and the record's
// `indices` field points to its table. Records are never freed, so a table lives as long
// as the store keeps its record; the reset of tests unhooks and drops them all.
//
// The closed formulas of the written file: for the i-th fundamental representation
// (d_0 = 1, d_j the dimension of the j-th fundamental) the index of order m is
// f sum_{j=1}^{i+1} (-1)^(j-1) j^(m-1) d_(i+1-j), and a spinor representation has
// f (2^m - 1) 2^e B_m / (2m) (e = r for B_r, r - 1 for D_r), with the factor f of the
// orthogonal algebras; Bernoulli numbers are computed exactly, so every rank up to the
// limit of 24 gets its indices.
#include "store/StoremanagerIndexFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "lie/LieAlgebra.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

constexpr int kMaxIndexRank = 24;
constexpr std::size_t kMaxDataFolderLength = 975;

struct IndexTable {
  explicit IndexTable(AllocationAccount* account)
      : entries(AccountAllocator<std::unique_ptr<lrat>>(account, "Indices")) {}
  int rowLength = 0;
  bool fileRead = false;  // the index file has been read into the table
  std::vector<std::unique_ptr<lrat>, AccountAllocator<std::unique_ptr<lrat>>> entries;
  // The index file that new records go to; empty when they are kept in memory only.
  std::string path;
  // Bytes of the file read into the table so far, all of them whole records.
  std::size_t fileLength = 0;
  // Per field: the file holds its record.
  std::vector<char> inFile;
};

struct IndexFilesState {
  std::deque<std::pair<SpectrumData*, std::unique_ptr<IndexTable>>> tables;
  // Index files whose records are kept in memory only in this session (said once each).
  std::set<std::string> memoryOnlyFiles;
};

IndexFilesState& indexState() {
  static IndexFilesState state;
  return state;
}

IndexTable* tableOf(const SpectrumData* sd) {
  return sd == nullptr ? nullptr : static_cast<IndexTable*>(sd->indices);
}

lint lintOf(long long value) {
  lint x;
  lint_assign(&x, value);
  return x;
}

lrat ratOf(const lint& value) {
  return lrat(value, lintOf(1));
}

lint dimensionOf(const int* labels, int type, int rank) {
  fint dimension = IntegerDim(labels, type, rank);
  lint x;
  fint_to_lint(&dimension, &x);
  return x;
}

// Orders of the indices of a record (D_r: the r-1 orders; the extra entry follows).
std::vector<int> orderList(int type, int rank) {
  std::vector<int> orders;
  if (type == 1) {
    for (int m = 2; m <= rank + 1; ++m) orders.push_back(m);
  } else if (type == 2 || type == 3) {
    for (int m = 2; m <= 2 * rank; m += 2) orders.push_back(m);
  } else if (type == 4) {
    for (int m = 2; m <= 2 * rank - 2; m += 2) orders.push_back(m);
  }
  return orders;
}

// The factor f of the orthogonal algebras (N the dimension of the vector representation).
int orthogonalFactor(int m, int N) {
  if (m == 8 && N < 11) return 2;
  if (m == 4 && N < 7) return -4;
  if (m == 2 || (m == 4 && N < 9)) return 2;
  return 1;
}

// Parses a decimal integer or "num/den"; false after string_to_lint's alert.
bool parseRational(const std::string& word, lrat* q) {
  const std::size_t slash = word.find('/');
  lint num, den = lintOf(1);
  if (string_to_lint(&num, word.substr(0, slash).c_str()) != 0) return false;
  if (slash != std::string::npos && string_to_lint(&den, word.substr(slash + 1).c_str()) != 0)
    return false;
  *q = lrat(num, den);
  simplify_rat(q);
  return true;
}

bool parseInt(const std::string& word, int* value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L)
    return false;
  *value = static_cast<int>(v);
  return true;
}

int rowsWithIndices(const IndexTable* table, int n) {
  int count = 0;
  for (int a = 0; a < n; ++a) {
    if (table->rowLength > 1 && table->entries[static_cast<std::size_t>(a) * table->rowLength + 1])
      ++count;
  }
  return count;
}

// What reading an index file gave: the number of records read (-1 after an alert),
// whether the file ends inside a record, and the length of its whole records.
struct IndexReading {
  int count = -1;
  bool torn = false;
  std::size_t wholeLength = 0;
  // The label vectors of the whole records read, foreign ones included.
  std::set<std::vector<int>> labels;
};

// Reads the records of an index file into the table. A file that ends inside a record
// (a run stopped while writing it) keeps the records before it: the torn one is left out
// and recomputed later. Only whole lines count, since a cut inside the last number of a
// record leaves a shorter number that still reads.
IndexReading readIndexText(SpectrumData* sd, std::string text) {
  IndexTable* table = tableOf(sd);
  const int rank = sd->rank;
  const std::size_t lastNewline = text.rfind('\n');
  const std::size_t lineEnd = lastNewline == std::string::npos ? 0 : lastNewline + 1;
  bool torn = text.find_first_not_of(" \t\r", lineEnd) != std::string::npos;
  text.resize(lineEnd);
  std::istringstream words(text);
  std::vector<int> labels(static_cast<std::size_t>(rank));
  IndexReading reading;
  int count = 0;
  std::size_t recordEnd = 0;
  // Lines are whole, so running out of words inside a record means the file was cut there.
  auto recordDone = [&]() {
    const std::streamoff at = words.tellg();
    recordEnd = at < 0 ? text.size() : static_cast<std::size_t>(at);
  };
  for (;;) {
    std::string word;
    if (!(words >> word)) break;
    bool labelsRead = true;
    for (int t = 0; t < rank && labelsRead; ++t) {
      if (t > 0 && !(words >> word)) {
        labelsRead = false;
      } else if (!parseInt(word, &labels[static_cast<std::size_t>(t)])) {
        Alert("SM_loadIndices", 1, 112315, "Premature end-of-file\n");
        return reading;
      }
    }
    if (!labelsRead) {
      torn = true;
      break;
    }
    const int field = SM_getLieLabel(sd, labels.data());
    if (field < 0) {
      int skipped = 0;
      while (skipped <= rank && words >> word) ++skipped;
      if (skipped <= rank) {
        torn = true;
        break;
      }
      reading.labels.insert(labels);
      recordDone();
      continue;
    }
    std::string dimension;
    if (!(words >> dimension)) {
      torn = true;
      break;
    }
    const lrat* stored = table->entries[static_cast<std::size_t>(field) * table->rowLength].get();
    if (stored == nullptr || lint_string(&stored->num) != dimension) {
      Alert("SM_loadIndices", 2, 112415, "Wrong dimension in file: %s\n", dimension.c_str());
      return reading;
    }
    std::vector<lrat> values(static_cast<std::size_t>(rank));
    bool valuesRead = true;
    for (int t = 0; t < rank && valuesRead; ++t) {
      if (!(words >> word)) {
        valuesRead = false;
      } else if (!parseRational(word, &values[static_cast<std::size_t>(t)])) {
        return reading;
      }
    }
    if (!valuesRead) {
      torn = true;
      break;
    }
    // Entries already known stay (the same values, found by this run or read before), so
    // that what callers hold of them stays valid while other runs' records come in.
    for (int t = 1; t <= rank; ++t) {
      std::unique_ptr<lrat>& slot =
          table->entries[static_cast<std::size_t>(field) * table->rowLength + t];
      if (slot == nullptr) slot = std::make_unique<lrat>(values[static_cast<std::size_t>(t) - 1]);
    }
    table->inFile[static_cast<std::size_t>(field)] = 1;
    reading.labels.insert(labels);
    ++count;
    recordDone();
  }
  // Whole records end with their line: keep that newline.
  if (recordEnd < text.size() && text[recordEnd] == '\n') ++recordEnd;
  reading.torn = torn;
  reading.wholeLength = recordEnd;
  reading.count = count;
  return reading;
}

// The text of the index record of field a: its labels, dimension and indices.
std::string indexRecord(SpectrumData* sd, int a) {
  std::string record;
  const int* labels = SM_getRep(sd, a);
  for (int i = 0; i < sd->rank; ++i) record += formatText("%d ", labels[i]);
  const IndexTable* table = tableOf(sd);
  for (int t = 0; t < table->rowLength; ++t) {
    const lrat* entry = table->entries[static_cast<std::size_t>(a) * table->rowLength + t].get();
    record += "\n";
    if (entry != nullptr) record += lrat_string(entry);
  }
  return record + "\n";
}

}  // namespace

lrat SM_bernoulli(int m) {
  lrat zero;
  if (m < 0 || m > 60) {
    Alert("SM_bernoulli", 0, 112413, "Bernoulli number of order %d not available", m);
    return zero;
  }
  std::vector<lrat> B(static_cast<std::size_t>(m) + 1);
  lrat_assign(&B[0], 1, 1);
  std::vector<long long> binomial(static_cast<std::size_t>(m) + 2, 0);
  for (int n = 1; n <= m; ++n) {
    // binomial row n + 1: C(n+1, k); values stay below 2^62 for n <= 60.
    binomial.assign(static_cast<std::size_t>(n) + 2, 0);
    binomial[0] = 1;
    for (int row = 1; row <= n + 1; ++row) {
      for (int k = row; k >= 1; --k)
        binomial[static_cast<std::size_t>(k)] += binomial[static_cast<std::size_t>(k) - 1];
    }
    lrat sum;
    for (int k = 0; k < n; ++k) {
      lrat term;
      lrat_assign(&term, binomial[static_cast<std::size_t>(k)], 1);
      lrat_multiply(&term, &B[static_cast<std::size_t>(k)]);
      lrat_add(&sum, &term);
    }
    lrat factor;
    lrat_assign(&factor, -1, n + 1);
    lrat_multiply(&sum, &factor);
    simplify_rat(&sum);
    B[static_cast<std::size_t>(n)] = sum;
  }
  return B[static_cast<std::size_t>(m)];
}

void SM_loadDimensions(SpectrumData* sd) {
  if (sd == nullptr || sd->indices != nullptr) return;
  auto table = std::make_unique<IndexTable>(&sd->alloc);
  table->rowLength = std::max(sd->rank, 0) + 1;
  table->entries.resize(static_cast<std::size_t>(sd->n_primaries) * table->rowLength);
  if (sd->type >= 0 && sd->type <= 5 && sd->labels != nullptr) {
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* labels = sd->labels + static_cast<std::size_t>(a) * sd->rep_size;
      table->entries[static_cast<std::size_t>(a) * table->rowLength] =
          std::make_unique<lrat>(ratOf(dimensionOf(labels, sd->type, sd->rank)));
    }
  }
  sd->indices = table.get();
  indexState().tables.emplace_back(sd, std::move(table));
}

std::string SM_setIndexFileName(const SpectrumData* sd) {
  if (zoq_pathname.size() >= kMaxDataFolderLength) {
    Alert("SM_setIndexFileName", 0, 100302,
          "Pathname of file for indices is too long\nPlease change using \"Preferences\"");
    return std::string();
  }
  std::string name = sd != nullptr && sd->name != nullptr ? sd->name : "";
  const std::size_t blank = name.find(' ');
  if (blank != std::string::npos) name.resize(blank);
  return zoq_pathname + "/" + name + "_indices";
}

void SM_printSpinorIndex(std::string& out, int type, int rank, int m, int factor) {
  const int e = type == 2 ? rank : rank - 1;
  lrat value = SM_bernoulli(m);
  lrat term;
  // (2^m - 1) and 2^e fit 64 bits for every order up to the rank limit.
  lrat_assign(&term, static_cast<long long>(factor) * ((1LL << m) - 1), 2LL * m);
  lrat_multiply(&value, &term);
  lrat_assign(&term, 1LL << e, 1);
  lrat_multiply(&value, &term);
  simplify_rat(&value);
  out += lrat_string(&value) + "\n";
}

namespace {

// One record of the written file: the labels of a representation and the record's text.
struct SeedRecord {
  std::vector<int> labels;
  std::string text;
};

// The records of the trivial and the fundamental representations of types A to D, from
// the closed formulas; none for other types or ranks out of range.
std::vector<SeedRecord> seedRecords(const SpectrumData* sd) {
  std::vector<SeedRecord> records;
  if (sd == nullptr || sd->type < 1 || sd->type > 4 || sd->rank > kMaxIndexRank || sd->rank < 1)
    return records;
  const int type = sd->type;
  const int r = sd->rank;
  SeedRecord trivial;
  trivial.labels.assign(static_cast<std::size_t>(r), 0);
  for (int t = 0; t < r; ++t) trivial.text += "0 ";
  trivial.text += "\n1\n";
  for (int t = 0; t < r; ++t) trivial.text += "0\n";
  records.push_back(std::move(trivial));
  // Dimensions d_0 = 1, d_j of the j-th fundamental representation.
  std::vector<lint> d;
  d.push_back(lintOf(1));
  std::vector<int> unit(static_cast<std::size_t>(r) + 1, 0);
  for (int j = 0; j < r; ++j) {
    std::fill(unit.begin(), unit.end(), 0);
    unit[static_cast<std::size_t>(j)] = 1;
    d.push_back(dimensionOf(unit.data(), type, r));
  }
  const std::vector<int> orders = orderList(type, r);
  const int N = type == 2 ? 2 * r + 1 : 2 * r;
  for (int i = 0; i < r; ++i) {
    SeedRecord record;
    std::string& text = record.text;
    for (int t = 0; t < r; ++t) {
      record.labels.push_back(t == i ? 1 : 0);
      text += formatText("%d ", t == i ? 1 : 0);
    }
    text += "\n" + lint_string(&d[static_cast<std::size_t>(i) + 1]) + "\n";
    const bool spinor = (type == 2 && i == r - 1) || (type == 4 && i >= r - 2);
    for (int m : orders) {
      const int f = type == 2 || type == 4 ? orthogonalFactor(m, N) : 1;
      if (spinor) {
        SM_printSpinorIndex(text, type, r, m, f);
        continue;
      }
      lint sum;
      for (int j = 1; j <= i + 1; ++j) {
        lint term;
        lint_power(&term, j, m - 1);
        lint_multiply(&term, &d[static_cast<std::size_t>(i + 1 - j)]);
        if (j % 2 == 0) lint_flip(&term);
        lint_add(&sum, &term);
      }
      lint_intprod(&sum, f);
      text += lint_string(&sum) + "\n";
    }
    if (type == 4) text += i == r - 2 ? "1\n" : (i == r - 1 ? "-1\n" : "0\n");
    records.push_back(std::move(record));
  }
  return records;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Whether the data folder exists or can be made. It is made only inside a usable home:
// without one the folder is not made in the working folder.
bool dataFolderReady(const std::string& path) {
  const std::string folder = folderOf(path);
  if (checkDir(folder.c_str()) == 0) return true;
  if (usableHomeFolder().empty()) return false;
  // Made level by level without alerts: a level that cannot be made (a plain file in the
  // way, a folder that cannot be written) leaves the records in memory, said once.
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string level = folder.substr(0, slash);
    if (::mkdir(level.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return checkDir(folder.c_str()) == 0;
}

// From now on the records of this table stay in memory; said once per file and session.
void keepInMemory(IndexTable* table, const std::string& name) {
  table->path.clear();
  if (indexState().memoryOnlyFiles.insert(name).second) {
    Alert("SM_loadIndices", 8, 100201,
          "Index file %s cannot be written; indices are kept in memory for this session",
          name.c_str());
  }
}

}  // namespace

int SM_writeIndexFile(SpectrumData* sd, const char* path) {
  const std::vector<SeedRecord> records = seedRecords(sd);
  if (records.empty() || path == nullptr) {
    Alert("SM_writeIndexFile", 1, 120206, "Cannot open new index file %s",
          path != nullptr ? path : "");
    return 1;
  }
  std::string text;
  for (const SeedRecord& record : records) text += record.text;
  CreateFile(path);
  // Written in place under the file's lock: readers hold the lock while they read, and a
  // file renamed into place would escape the lock of a process waiting for the old one.
  LockedFile file(path, LockedFile::Access::Create);
  if (!file.isOpen() || !file.truncate(0) || !file.writeAt(0, text)) {
    Alert("SM_writeIndexFile", 0, 120206, "Cannot open new index file %s", path);
    return 1;
  }
  return 0;
}

int SM_getLieLabel(const SpectrumData* sd, const int* labels) {
  if (sd == nullptr || sd->labels == nullptr) return -1;
  const int width = sd->type >= 1 && sd->type <= 5 ? sd->rep_size - 1 : sd->rep_size;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const int* own = sd->labels + static_cast<std::size_t>(a) * sd->rep_size;
    bool equal = true;
    for (int t = 0; t < width && equal; ++t) equal = own[t] == labels[t];
    if (equal) return a;
  }
  return -1;
}

int SM_loadIndices(SpectrumData* sd) {
  if (sd == nullptr) return -1;
  IndexTable* table = tableOf(sd);
  if (table != nullptr && table->fileRead) return rowsWithIndices(table, sd->n_primaries);
  if (sd->type < 1 || sd->type > 5) {
    Alert("SM_loadIndices", 0, 112315, "Indices not defined for type %d\n", sd->type);
    return -1;
  }
  SM_loadDimensions(sd);
  table = tableOf(sd);
  if (sd->rank > kMaxIndexRank) {
    Alert("SM_loadIndices", 4, 112413, "Rank too large for index computation\n");
    return -1;
  }
  const std::string name = SM_setIndexFileName(sd);
  if (name.empty()) return -1;
  table->inFile.assign(static_cast<std::size_t>(sd->n_primaries), 0);
  const std::vector<SeedRecord> seeds = seedRecords(sd);
  const bool folderReady = dataFolderReady(name);
  if (folderReady) removeStaleTemporaries(name);
  std::unique_ptr<LockedFile> file;
  bool readOnly = false;
  if (folderReady) {
    if (checkDir(name.c_str()) != 1) {
      // A missing file is reported like any file that does not open, then written.
      if (FILE* probe = Fopen(name.c_str(), "r")) Fclose(probe);
    }
    // Only the written types make the file; the others are supplied from outside.
    file = std::make_unique<LockedFile>(
        name, seeds.empty() ? LockedFile::Access::Write : LockedFile::Access::Create);
    if (!file->isOpen() && checkDir(name.c_str()) == 1) {
      file = std::make_unique<LockedFile>(name, LockedFile::Access::Read);
      readOnly = true;
    }
  }
  if (file == nullptr || !file->isOpen()) {
    if (seeds.empty()) {
      Alert("SM_loadIndices", 5, 120206, "Cannot open index file %s\n", name.c_str());
      return -1;
    }
    // The indices are still computed, and kept for the session.
    std::string text;
    for (const SeedRecord& record : seeds) text += record.text;
    readIndexText(sd, text);
    std::fill(table->inFile.begin(), table->inFile.end(), 0);
    table->fileRead = true;
    keepInMemory(table, name);
    return sd->rank + 1;
  }
  std::string text;
  if (!file->readFrom(0, text)) {
    Alert("SM_loadIndices", 9, 120206, "Cannot open index file %s\n", name.c_str());
    return -1;
  }
  IndexReading reading = readIndexText(sd, text);
  if (reading.count < 0) return -1;
  table->fileRead = true;
  table->path = name;
  table->fileLength = reading.wholeLength;
  int count = reading.count;
  bool canWrite = !readOnly;
  bool unwritten = false;
  // The cut record is dropped from the file too, so that records appended later follow
  // whole ones. Under the exclusive lock a cut record can only be left by a run that was
  // stopped while writing it.
  if (reading.torn && !(canWrite && file->truncate(reading.wholeLength))) unwritten = true;
  // The trivial and fundamental representations whenever the file lacks them (a new, an
  // emptied or a cut file).
  std::string missing;
  for (const SeedRecord& record : seeds) {
    if (reading.labels.count(record.labels) == 0) missing += record.text;
  }
  if (!missing.empty()) {
    const IndexReading added = readIndexText(sd, missing);
    count += std::max(added.count, 0);
    if (canWrite && !unwritten && file->writeAt(table->fileLength, missing)) {
      table->fileLength += missing.size();
    } else {
      unwritten = true;
      for (const SeedRecord& record : seeds) {
        const int field = SM_getLieLabel(sd, record.labels.data());
        if (field >= 0 && reading.labels.count(record.labels) == 0)
          table->inFile[static_cast<std::size_t>(field)] = 0;
      }
    }
  }
  file.reset();
  PrintStdout("Read %d indices from file %s\n", count, name.c_str());
  if (reading.torn) {
    Alert("SM_loadIndices", 6, 100215,
          "Index file %s ends inside a record; the record is dropped and will be recomputed",
          name.c_str());
  }
  if (unwritten) keepInMemory(table, name);
  return count;
}

int SM_appendIndexRecord(SpectrumData* sd, int a) {
  IndexTable* table = tableOf(sd);
  if (table == nullptr || a < 0 || a >= sd->n_primaries) return 1;
  if (table->path.empty()) return 1;
  LockedFile file(table->path, LockedFile::Access::Create);
  const long long size = file.size();
  if (!file.isOpen() || size < 0) {
    keepInMemory(table, table->path);
    return 1;
  }
  // What other runs appended since the last look is read first: their records fill the
  // table, and a record already there is not written again. A file that became shorter
  // was replaced and is read again from the start.
  if (static_cast<std::size_t>(size) < table->fileLength) table->fileLength = 0;
  if (static_cast<std::size_t>(size) > table->fileLength) {
    std::string text;
    if (!file.readFrom(table->fileLength, text)) return 1;
    const IndexReading reading = readIndexText(sd, text);
    if (reading.count < 0) return 1;
    // Under the exclusive lock a cut record is what a stopped run left: it goes.
    if (reading.torn && !file.truncate(table->fileLength + reading.wholeLength)) return 1;
    table->fileLength += reading.wholeLength;
  }
  if (table->inFile[static_cast<std::size_t>(a)] != 0) return 2;
  const std::string record = indexRecord(sd, a);
  if (!file.writeAt(table->fileLength, record)) {
    // A partly written record is cut off again by the next reader.
    keepInMemory(table, table->path);
    return 1;
  }
  table->fileLength += record.size();
  table->inFile[static_cast<std::size_t>(a)] = 1;
  return 0;
}

void SM_addIndex(SpectrumData* sd, int a, const lint* indices) {
  if (sd == nullptr || a < 0 || a >= sd->n_primaries) {
    Alert("SM_addIndex", 0, 212404, "Label out of range: %d\n", a);
    return;
  }
  SM_loadDimensions(sd);
  IndexTable* table = tableOf(sd);
  for (int t = 1; t < table->rowLength; ++t) {
    table->entries[static_cast<std::size_t>(a) * table->rowLength + t] =
        std::make_unique<lrat>(ratOf(indices[t - 1]));
  }
}

void SM_addRationalIndex(SpectrumData* sd, int a, const lrat* indices) {
  if (sd == nullptr || a < 0 || a >= sd->n_primaries) {
    Alert("SM_addRationalIndex", 0, 212404, "Label out of range: %d\n", a);
    return;
  }
  SM_loadDimensions(sd);
  IndexTable* table = tableOf(sd);
  for (int t = 1; t < table->rowLength; ++t) {
    auto entry = std::make_unique<lrat>();
    lrat_copy(entry.get(), &indices[t - 1]);
    table->entries[static_cast<std::size_t>(a) * table->rowLength + t] = std::move(entry);
  }
}

int SM_getIndexCount(const SpectrumData* sd) {
  const IndexTable* table = tableOf(sd);
  return table != nullptr ? table->rowLength - 1 : 0;
}

const lrat* SM_getIndex(const SpectrumData* sd, int a, int e) {
  const IndexTable* table = tableOf(sd);
  if (table == nullptr || a < 0 || a >= sd->n_primaries || e < 0 || e >= table->rowLength)
    return nullptr;
  return table->entries[static_cast<std::size_t>(a) * table->rowLength + e].get();
}

void resetStoremanagerIndexFiles() {
  IndexFilesState& state = indexState();
  for (auto& [sd, table] : state.tables) {
    if (sd->indices == table.get()) sd->indices = nullptr;
  }
  state.tables.clear();
  state.memoryOnlyFiles.clear();
}
