// Catalogue ordering, pattern search and the MIPF list. Classes are found with a map from
// the 28-int chiral prefix to the leader's position, which gives the same leader as a
// comparison with every earlier row; counters are sized from the rows read.
#include "search/QuvrOrder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <map>
#include <set>

#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "search/Catalogue.h"
#include "search/QuvrFiles.h"
#include "search/QuvrSelect.h"
#include "search/SearchSM.h"

namespace {

using Prefix = std::array<int, 28>;
using Profile = std::array<int, 56>;

Prefix prefixOf(const ModelRow& row) {
  Prefix p{};
  std::copy(row.begin(), row.begin() + 28, p.begin());
  return p;
}

Profile profileOf(const int* row) {
  Profile p{};
  std::copy(row, row + 56, p.begin());
  return p;
}

}  // namespace

std::string quvrHomeFile(const char* name) {
  std::string home = usableHomeFolder();
  if (!home.empty() && home.back() != '/') home += '/';
  return home + name;
}

std::vector<ModelRow> readCatalogueRows() {
  std::vector<ModelRow> rows;
  if (readQUVRModels(1) < 0) return rows;
  for (int k = 0; k < catalogueRowCount(); ++k) {
    ModelRow row{};
    std::copy(catalogueRow(k), catalogueRow(k) + row.size(), row.begin());
    rows.push_back(row);
  }
  return rows;
}

QuvrClassSummary orderQUVRRows(std::vector<ModelRow>& rows) {
  const std::size_t n = rows.size();
  std::vector<int> leaderOf(n, -1), rank(n, 0), members(n, 0);
  std::map<Prefix, std::size_t> leaders;
  for (std::size_t k = 0; k < n; ++k) {
    auto found = leaders.find(prefixOf(rows[k]));
    if (found == leaders.end()) {
      leaders.emplace(prefixOf(rows[k]), k);
      continue;
    }
    const std::size_t leader = found->second;
    leaderOf[k] = static_cast<int>(leader);
    rank[k] = ++members[leader];
  }
  // Report by model number: leaders sorted by their number.
  std::vector<std::size_t> byNumber;
  for (std::size_t k = 0; k < n; ++k)
    if (leaderOf[k] < 0) byNumber.push_back(k);
  std::stable_sort(byNumber.begin(), byNumber.end(),
                   [&](std::size_t a, std::size_t b) { return rows[a][56] < rows[b][56]; });
  QuvrClassSummary summary;
  for (std::size_t k : byNumber) {
    if (members[k] > 20) Print("Class %d has %d members\n", rows[k][56], members[k] + 1);
    if (members[k] > 0) ++summary.classes;
    if (members[k] + 1 > summary.largest) {
      summary.largest = members[k] + 1;
      summary.largestLeader = rows[k][56];
    }
  }
  Print("Number of classes: %d; Maximum class size: %d (for class %d)\n", summary.classes, summary.largest,
        summary.largestLeader);
  std::vector<ModelRow> marked = rows;
  for (std::size_t k = 0; k < n; ++k) {
    ModelRow& row = marked[k];
    if (row[40] == 0) row[38] = 0;
    if (leaderOf[k] >= 0) {
      row[57] = rows[static_cast<std::size_t>(leaderOf[k])][56];
      row[58] = rank[k];
    } else if (members[k] > 0) {
      row[57] = row[56];
      row[58] = -(members[k] + 1);
    } else {
      row[57] = -1;
      row[58] = -1;
    }
  }
  std::stable_sort(marked.begin(), marked.end(), [](const ModelRow& a, const ModelRow& b) {
    return std::lexicographical_compare(a.begin(), a.begin() + 56, b.begin(), b.begin() + 56);
  });
  rows = std::move(marked);
  return summary;
}

void OrderQUVRModels() {
  if (FindQUVRFilesForInput() == 0) return;
  std::vector<ModelRow> rows = readCatalogueRows();
  orderQUVRRows(rows);
  std::string text;
  for (const ModelRow& row : rows) text += QUVRRecordLine(row.data());
  const std::string path = quvrHomeFile("ModelsOut.list");
  if (!writeFileAtomically(path, text)) Alert("OrderQUVRModels", 0, 120206, "Could not write file %s", path.c_str());
}

std::vector<int> FindPatternsInRows(const std::vector<ModelRow>& rows) {
  std::set<Profile> catalogue;
  std::map<Profile, int> numbers;
  for (const ModelRow& row : rows) {
    numbers.emplace(profileOf(row.data()), row[56]);
    catalogue.insert(profileOf(row.data()));
  }
  int dummy[56] = {};
  const int groups[4] = {0, 1, 1, 1};
  for (int s = 0; s < 4; ++s) dummy[s] = groups[s];
  dummy[4] = 3, dummy[5] = 2;
  dummy[12] = 3, dummy[13] = 3;
  dummy[16] = 3;
  dummy[28] = -2, dummy[29] = 3;
  dummy[32] = 6;
  int identification = 1;
  int first = 0, second = 0;
  for (int i = 1; i <= 149; ++i) {
    for (int j = 1; j <= 149; ++j) {
      obeyInterruptRequest();
      dummy[6] = i, dummy[7] = j;
      dummy[35] = i, dummy[39] = j;
      for (int k = -100; k <= 99; ++k) {
        const int l = (3 - k * i) / j;
        if (k * i + l * j != 3) continue;
        dummy[17] = -k, dummy[18] = -l, dummy[19] = -k, dummy[20] = -l;
        if (i == 1 && j == 1 && k == 2 && l == 1)
          for (int e = 0; e < 56; ++e) Print("dummy[%d]=%d;\n", e, dummy[e]);
        dummy[41] = identification;
        auto hit = numbers.find(profileOf(dummy));
        if (hit != numbers.end()) {
          Print("Identified (%d,%d,%d,%d): nr %d\n", i, j, k, l, hit->second);
          ++first;
        }
        dummy[41] = 1;
        hit = numbers.find(profileOf(dummy));
        if (hit != numbers.end()) {
          Print("Identified (%d,%d,%d,%d): nr %d (with brane-id)\n", i, j, k, l, hit->second);
          ++second;
        }
        identification = 0;
        dummy[41] = 0;
      }
    }
  }
  Print("total: %d (%d+%d)\n", first + second, first, second);
  return {first + second, first, second};
}

void AnalyseQUVRModels() {
  if (FindQUVRFilesForInput() == 0) return;
  FindPatternsInRows(readCatalogueRows());
  GracefulExit(111);
}

std::vector<MipfListRow> readMipfListFile(const std::string& path) {
  std::vector<MipfListRow> rows;
  FILE* file = std::fopen(convertFileName(path.c_str()).c_str(), "r");
  if (file == nullptr) {
    Alert("ReadMinimalMIPFList", 0, 120206, "Cannot open file %s", path.c_str());
    return rows;
  }
  std::string text;
  readRestOfStream(file, text);
  std::fclose(file);
  // Line by line: a bad line is reported and passed over, the lines after it still count.
  std::set<std::pair<int, int>> seen;
  const std::vector<std::string> lines = linesOfText(text);
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const std::string& line = lines[at];
    const int lineNumber = static_cast<int>(at) + 1;
    std::vector<long long> values;
    if (integersOfLine(line, values) && values.empty()) continue;
    // Tensor code, MIPF number and size count from 0; the status is any int.
    const bool fits = values.size() == 4 && values[0] >= 0 && values[1] >= 0 && values[2] >= 0 &&
                      values[0] <= INT_MAX && values[1] <= INT_MAX && values[2] <= INT_MAX &&
                      values[3] >= INT_MIN && values[3] <= INT_MAX;
    if (!fits) {
      Alert("ReadMinimalMIPFList", 1, 100201,
            "Line %d of %s is no MIPF list line (tensor code, MIPF, size, status); skipped",
            lineNumber, path.c_str());
      continue;
    }
    MipfListRow row;
    row.tensorCode = static_cast<int>(values[0]);
    row.MIPF = static_cast<int>(values[1]);
    row.size = static_cast<int>(values[2]);
    row.status = static_cast<int>(values[3]);
    if (seen.insert({row.tensorCode, row.MIPF}).second) rows.push_back(row);
  }
  Print("Total number of MIPFs: %d\n", static_cast<int>(rows.size()));
  return rows;
}

std::vector<MipfListRow> ReadMinimalMIPFList() { return readMipfListFile(getQUVR_Dir() + "MIPF.list"); }
