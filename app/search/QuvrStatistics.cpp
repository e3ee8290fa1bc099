// Result-tree summaries. The tree is walked depth first with the entries of each folder in
// name order, so that a summary does not depend on the order the file system lists them.
#include "search/QuvrStatistics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>

#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Catalogue.h"
#include "search/QuvrFiles.h"
#include "search/QuvrOrder.h"

namespace {

struct QuvrStatisticsState {
  int typeCount = 0;
  std::vector<int> modelCount;
  std::vector<int> mipfCount;
  std::vector<int> tadpoleStatus;
  std::vector<std::string> names;
  bool available = false;
  std::vector<int> corrupted;
  std::vector<std::string> collected;  // scratch of the tree walk

  void size(int types) {
    typeCount = std::max(types, 0);
    const auto n = static_cast<std::size_t>(typeCount);
    modelCount.assign(n, 0);
    mipfCount.assign(n, 0);
    tadpoleStatus.assign(n, 0);
    names.assign(n, "---");
  }
};

QuvrStatisticsState& state() {
  static QuvrStatisticsState s;
  return s;
}

void collectEntry(const char* path) { state().collected.emplace_back(path); }

// Every file under folder, depth first, entries of a folder in name order.
void walkTree(const std::string& folder, std::vector<std::string>& files) {
  state().collected.clear();
  dirwalk(folder.c_str(), collectEntry);
  std::vector<std::string> entries = std::move(state().collected);
  state().collected.clear();
  std::sort(entries.begin(), entries.end());
  for (const std::string& entry : entries) {
    if (checkDir(entry.c_str()) == 0)
      walkTree(entry, files);
    else
      files.push_back(entry);
  }
}

std::vector<std::string> treeFiles(const std::string& folder) {
  std::vector<std::string> files;
  walkTree(folder, files);
  return files;
}

bool contains(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

// Index of a type in the tables, or -1 with a warning.
int typeIndex(int type, const char* routine, const std::string& path) {
  if (type >= 1 && type <= state().typeCount) return type - 1;
  Alert(routine, 9, 100201, "Model nr %d in %s is beyond the catalogue; skipped", type, path.c_str());
  return -1;
}

std::string nameBeforeSecondUnderscore(const std::string& name) {
  const std::size_t first = name.find('_');
  if (first == std::string::npos) return name.substr(0, 79);
  const std::size_t second = name.find('_', first + 1);
  return name.substr(0, std::min<std::size_t>(second == std::string::npos ? name.size() : second, 79));
}

void printStatisticsBlock(int index, int type) {
  const QuvrStatisticsState& s = state();
  PrintSeparatorWithText(45, "");
  Print("Spectrum requested: %s (QUVR number %d)\n", s.names[index].c_str(), type);
  Print("Total number of chirally identical spectra in database:     %d\n", s.modelCount[index]);
  Print("Total number of MIPFs containing this spectrum type:        %d\n", s.mipfCount[index]);
  switch (s.tadpoleStatus[index]) {
    case 1: Print("There is a solution to all tadpole equations without hidden sector\n"); break;
    case 2:
      Print("There is a solution to all tadpole conditions for this spectrum type,\n");
      Print("with an additional hidden sector.\n");
      break;
    case 3:
      Print("There is a solution to all tadpole conditions for this spectrum type\n");
      Print("with an additional hidden sector, and also without a hidden sector.\n");
      break;
    default: break;
  }
  PrintSeparatorWithText(45, "");
}

constexpr const char* kStatLines[4] = {
    "%7d %7d %10d %10d     %-20s   -----\n", "%7d %7d %10d %10d     %-20s   *****\n",
    "%7d %7d %10d %10d     %-20s   #####\n", "%7d %7d %10d %10d     %-20s   *****#####\n"};

}  // namespace

void resetQuvrStatistics() { state() = QuvrStatisticsState{}; }

int tadpoleStatusOfMarker(const char* marker) {
  const bool stars = std::strstr(marker, "*****") != nullptr;
  const bool hashes = std::strstr(marker, "#####") != nullptr;
  return stars && hashes ? 3 : stars ? 1 : hashes ? 2 : 0;
}

int quvrModelCount(int type) {
  return type >= 1 && type <= state().typeCount ? state().modelCount[static_cast<std::size_t>(type - 1)] : 0;
}
int quvrMIPFCount(int type) {
  return type >= 1 && type <= state().typeCount ? state().mipfCount[static_cast<std::size_t>(type - 1)] : 0;
}

void readQuvrStatisticsFile(const std::string& path, int typeCount) {
  QuvrStatisticsState& s = state();
  if (s.typeCount != typeCount) s.size(typeCount);
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    Print("Statistics file not found\n");
    return;
  }
  int position = 0, type = 0, models = 0, mipfs = 0;
  char name[80] = {}, marker[80] = {};
  while (std::fscanf(file, "%d %d %d %d %79s %79s", &position, &type, &models, &mipfs, name, marker) == 6) {
    const int index = typeIndex(type, "readQuvrStatisticsFile", path);
    if (index < 0) continue;
    s.names[index] = name;
    s.modelCount[index] = models;
    s.mipfCount[index] = mipfs;
    s.tadpoleStatus[index] = tadpoleStatusOfMarker(marker);
  }
  std::fclose(file);
  s.available = true;
}

int buildQUVRStatisticsIn(const std::string& folder, int typeCount) {
  QuvrStatisticsState& s = state();
  if (s.typeCount != typeCount) s.size(typeCount);
  // Counted apart and taken over whole: a walk abandoned half way (Ctrl-C) leaves no
  // half-counted table behind.
  std::vector<int> modelCount(static_cast<std::size_t>(s.typeCount), 0);
  std::vector<int> mipfCount(static_cast<std::size_t>(s.typeCount), 0);
  std::vector<std::string> names = s.names;
  std::vector<int> local(static_cast<std::size_t>(s.typeCount), 0);
  const std::vector<std::string> files = treeFiles(folder);
  ProgressScope progress("Counting catalogue models", static_cast<double>(files.size()));
  for (const std::string& path : files) {
    progress.step();
    if (caseResultKind(path) != CaseResultKind::Models) continue;
    PrintStdout("filename %s\n", path.c_str());
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) continue;
    std::fill(local.begin(), local.end(), 0);
    int highest = 0;
    ModelFileLine line;
    while (readModelFileLine(file, &line, path.c_str()) == 1 && line.type != -1) {
      const int index = typeIndex(line.type, "BuildQUVRstatForFile", path);
      if (index < 0) continue;
      ++modelCount[index];
      ++local[index];
      names[index] = nameBeforeSecondUnderscore(line.name);
      highest = std::max(highest, line.type);
    }
    std::fclose(file);
    for (int t = 1; t <= highest; ++t)
      if (local[static_cast<std::size_t>(t - 1)] != 0) ++mipfCount[static_cast<std::size_t>(t - 1)];
  }
  s.modelCount = std::move(modelCount);
  s.mipfCount = std::move(mipfCount);
  s.names = std::move(names);
  const std::string newStat = quvrHomeFile("NewStat");
  if (!writeFileAtomically(newStat, "")) Alert("BuildQUVRStatistics", 0, 120206, "Could not write file %s", newStat.c_str());
  std::vector<int> counts = s.modelCount;
  int position = 0;
  while (true) {
    int best = -1;
    for (int k = 0; k < s.typeCount; ++k)
      if (counts[k] > 0 && (best < 0 || counts[k] > counts[best])) best = k;
    if (best < 0) break;
    const int status = s.tadpoleStatus[best];
    if (status >= 0 && status <= 3)
      Print(kStatLines[status], position, best + 1, counts[best], s.mipfCount[best], s.names[best].c_str());
    counts[best] = 0;
    ++position;
  }
  return position;
}

void BuildQUVRStatistics() {
  const int types = readQUVRModels(0);
  if (types < 0) return;
  if (!state().available) readQuvrStatisticsFile(getModelDir() + "Models.stat", types);
  buildQUVRStatisticsIn(getQUVR_Dir(), types);
}

void PrintTadpoleStatistics(int type) {
  if (quvrModelCount(type) == 0) {
    Print("This model is not present in the statistics database\n");
    return;
  }
  if (!state().available) return;
  printStatisticsBlock(type - 1, type);
}

int readModelStatistics(int type, int* status) {
  const std::string path = getModelDir() + "Models.stat";
  if (checkDir(path.c_str()) != 1) {
    Alert("readModelStatistics", 0, 120206, "The model statistics file %s does not exist", path.c_str());
    return 0;
  }
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    Alert("readModelStatistics", 1, 120406, "Cannot open Models.stat file");
    return 0;
  }
  int position = 0, number = 0, models = 0, mipfs = 0;
  char name[80] = {}, marker[80] = {};
  bool matched = false;
  while (std::fscanf(file, "%d %d %d %d %79s %79s", &position, &number, &models, &mipfs, name, marker) == 6) {
    PrintStdout("NUMBER %d\n", number);
    if (number >= 40001) {
      Alert("readModelStatistics", 2, 112413, "Too many models in Models.stat file");
      std::fclose(file);
      return 0;
    }
    if (number != type) continue;
    matched = true;
    *status = tadpoleStatusOfMarker(marker);
    QuvrStatisticsState& s = state();
    if (s.typeCount < type) {
      s.typeCount = type;
      s.modelCount.resize(static_cast<std::size_t>(type), 0);
      s.mipfCount.resize(static_cast<std::size_t>(type), 0);
      s.tadpoleStatus.resize(static_cast<std::size_t>(type), 0);
      s.names.resize(static_cast<std::size_t>(type), "---");
    }
    const auto index = static_cast<std::size_t>(type - 1);
    s.names[index] = name, s.modelCount[index] = models, s.mipfCount[index] = mipfs, s.tadpoleStatus[index] = *status;
    printStatisticsBlock(type - 1, type);
  }
  std::fclose(file);
  if (!matched) Print("Model nr. %d is not contained in the statistics database\n", type);
  return 1;
}

int collectQUVRModelsIn(const std::string& folder, const std::vector<int>& list, const std::string& output,
                        bool noHidden, bool everyType) {
  int found = 0;
  std::string text;
  const std::vector<std::string> files = treeFiles(folder);
  ProgressScope progress("Collecting catalogue models", static_cast<double>(files.size()));
  for (const std::string& path : files) {
    progress.step();
    if (caseResultKind(path) != CaseResultKind::Models) continue;
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) continue;
    ModelFileLine line;
    while (readModelFileLine(file, &line, path.c_str()) == 1 && line.type != -1) {
      if (noHidden && !contains(line.name, "_0_")) continue;
      int copies = 0;
      if (everyType)
        copies = 1;
      else if (noHidden)
        copies = std::find(list.begin(), list.end(), line.type) != list.end() ? 1 : 0;
      else
        copies = static_cast<int>(std::count(list.begin(), list.end(), line.type));
      for (int c = 0; c < copies; ++c) text += modelFileLineText(line);
      found += copies;
    }
    std::fclose(file);
  }
  text += modelFileEndLine(-1);
  if (!writeFileAtomically(output, text)) Alert("CollectQUVRModels", 0, 120206, "Could not write file %s", output.c_str());
  return found;
}

namespace {
std::vector<int> listUpToEnd(const int* list) {
  std::vector<int> out;
  for (int k = 0; list != nullptr && list[k] != -1 && k < 1000000; ++k) out.push_back(list[k]);
  return out;
}
}  // namespace

void CollectQUVRModels(const int* list) {
  const std::string folder = getQUVR_Dir();
  const int found = collectQUVRModelsIn(folder, listUpToEnd(list), folder + "QURV_selection", false, false);
  Print("Total number of models found: %d\n", found);
  Print("Output was written to %sQURV_selection\n", folder.c_str());
}

void CollectNoHiddenModels(const int* list) {
  const std::string output = quvrHomeFile("QURV_NoHidden_selection");
  const int found = collectQUVRModelsIn(getQUVR_Dir(), listUpToEnd(list), output, true, list == nullptr);
  Print("Total number of models found: %d\n", found);
  Print("Output was written to %s\n", output.c_str());
}

int extractCYcodeFromFilename(const char* path) {
  // The folder of a case is <prefix>_Tensor<code> (a longer prefix is a folder of its own:
  // <prefix>/Tensor<code>), and the program writes the code between braces: N_Tensor{22266}.
  const char* start = std::strstr(path, "_Tensor");
  if (start == nullptr) start = std::strstr(path, "/Tensor");
  if (start == nullptr) return -1;
  start += 7;
  if (*start == '{') ++start;
  if (*start < '0' || *start > '9') return -1;
  char* end = nullptr;
  const long code = std::strtol(start, &end, 10);
  if (code > 2147483647L || (*end != '/' && *end != '}')) return -1;
  return static_cast<int>(code);
}

int extractMIPFFromFilename(const char* path) {
  const char* start = std::strstr(path, "MIPF");
  if (start == nullptr) return -1;
  start = std::strchr(start, '_');
  if (start == nullptr) return -1;
  ++start;
  const char* end = std::strchr(start, '.');
  const std::string digits = end != nullptr ? std::string(start, end) : std::string(start);
  return digits.empty() ? -1 : std::atoi(digits.c_str());
}

void checkQUVRDataBaseIn(const std::string& folder, int typeCount) {
  std::vector<MipfListRow> mipfs = readMipfListFile(folder + "MIPF.list");
  for (MipfListRow& row : mipfs) {
    const int code = row.tensorCode;
    if (code == 111266 || code == 111338 || code == 1112222 || code == 11111122 || code == 1112318 || row.size < 4)
      row.status = 0;
  }
  const auto types = static_cast<std::size_t>(std::max(typeCount, 0));
  std::vector<int> classNumber(types, -1);
  std::vector<int> classCount;
  auto closeGroup = [&](const std::vector<int>& group, int endingType, const std::string& path) {
    int cls = -1;
    for (int t : group)
      if (t >= 1 && static_cast<std::size_t>(t) <= types && classNumber[t - 1] >= 0) {
        cls = classNumber[t - 1];
        break;
      }
    if (cls < 0) {
      cls = static_cast<int>(classCount.size());
      classCount.push_back(0);
    }
    for (int t : group) {
      if (t < 1 || static_cast<std::size_t>(t) > types) continue;
      int& own = classNumber[t - 1];
      if (own >= 0 && own != cls) Print("Class mismatch: %d vs %d, spectrum %d in file %s\n", own, cls, endingType, path.c_str());
      if (own < 0) own = cls;
      ++classCount[static_cast<std::size_t>(cls)];
    }
  };
  std::map<std::pair<int, int>, std::size_t> rowOf;
  for (std::size_t k = 0; k < mipfs.size(); ++k) rowOf.emplace(std::make_pair(mipfs[k].tensorCode, mipfs[k].MIPF), k);
  const std::vector<std::string> files = treeFiles(folder);
  ProgressScope progress("Checking the catalogue folders", static_cast<double>(files.size()));
  for (const std::string& path : files) {
    progress.step();
    const CaseResultKind kind = caseResultKind(path);
    if (kind == CaseResultKind::Other) continue;
    const bool none = kind == CaseResultKind::None;
    const bool models = kind == CaseResultKind::Models;
    const bool prescan = kind == CaseResultKind::Prescan;
    const bool abrane = kind == CaseResultKind::AbraneScan;
    const int code = extractCYcodeFromFilename(path.c_str());
    const int mipf = extractMIPFFromFilename(path.c_str());
    int lines = 0;
    if (!none) {
      PrintStdout("filename %s\n", path.c_str());
      FILE* file = std::fopen(path.c_str(), "r");
      if (file == nullptr) continue;
      int identical = 0;
      std::vector<int> group;
      std::tuple<int, int, int, int, int, int, int> previous{};
      ModelFileLine line;
      while (readModelFileLine(file, &line, path.c_str()) == 1 && line.type != -1) {
        if (line.type < 1 || static_cast<std::size_t>(line.type) > types) {
          typeIndex(line.type, "CollectQUVR_MIPFs", path);
          continue;
        }
        const auto configuration = std::make_tuple(line.tensorCode, line.MIPF, line.orientifold, line.boundaries[0],
                                                   line.boundaries[1], line.boundaries[2], line.boundaries[3]);
        if (lines == 0) {
          closeGroup({line.type}, line.type, path);
          group = {line.type};
        } else if (configuration != previous) {
          closeGroup(group, line.type, path);
          group = {line.type};
        } else {
          ++identical;
          group.push_back(line.type);
        }
        previous = configuration;
        if (line.status != 0) Print("Status: %d\n", line.status);
        ++lines;
      }
      std::fclose(file);
      if (!group.empty()) closeGroup(group, -1, path);
      Print("Total: %d identical boundaries: %d; Percentage: %15.2f\n", lines, identical,
            lines > 0 ? 100.0 * identical / lines : 0.0);
    }
    auto found = rowOf.find({code, mipf});
    if (found == rowOf.end()) {
      Print("Not found: CY %d, MIPF %d\n", code, mipf);
      continue;
    }
    int& status = mipfs[found->second].status;
    if (none)
      status = 0;
    else if (models)
      status = lines;
    else if (prescan)
      status = -1000000 - lines;
    else if (abrane)
      status = -2000000 - lines;
    else
      status = -3000000 - lines;
  }
  for (std::size_t c = 0; c < classCount.size(); ++c) {
    PrintStdout("Class %5d has occurred %d times\n", static_cast<int>(c), classCount[c]);
    PrintStdout("Members: ");
    for (std::size_t t = 0; t < types; ++t)
      if (classNumber[t] == static_cast<int>(c)) PrintStdout("%d ", static_cast<int>(t + 1));
    PrintStdout("\n");
  }
  std::vector<std::size_t> order(mipfs.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return std::make_tuple(mipfs[a].size, mipfs[a].tensorCode, mipfs[a].MIPF) <
           std::make_tuple(mipfs[b].size, mipfs[b].tensorCode, mipfs[b].MIPF);
  });
  std::string blc, cy;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const MipfListRow& r = mipfs[order[k]];
    const int st = r.status;
    if (st == -1)
      blc += formatText(r.size < 1751 ? "%10d  %5d  %7d     !!!!!!!!  Not yet done\n" : "%10d  %5d  %7d      Not yet done\n",
                        r.tensorCode, r.MIPF, r.size);
    else if (st <= -1000000 && st > -2000000)
      blc += formatText("%10d  %5d  %7d     %d (pre-scanned)\n", r.tensorCode, r.MIPF, r.size, -1000000 - st);
    else if (st <= -2000000 && st > -3000000)
      blc += formatText("%10d  %5d  %7d     %d (a-brane scan)\n", r.tensorCode, r.MIPF, r.size, -2000000 - st);
    else if (st <= -3000000)
      blc += formatText("%10d  %5d  %7d     %d (null scanned)\n", r.tensorCode, r.MIPF, r.size, -3000000 - st);
    else if (st == 1)
      blc += formatText("%10d  %5d  %7d     One standard models\n", r.tensorCode, r.MIPF, r.size);
    else if (st != 0)
      blc += formatText("%10d  %5d  %7d     %d standard models\n", r.tensorCode, r.MIPF, r.size, st);
    else
      blc += formatText("%10d  %5d  %7d     No standard models\n", r.tensorCode, r.MIPF, r.size);
    const MipfListRow& stored = mipfs[k];
    cy += formatText("%10d %10d %10d %10d\n", stored.tensorCode, stored.MIPF, stored.size, stored.status);
  }
  if (!writeFileAtomically(folder + "CY_OrderedMipf.list", cy))
    Alert("CheckQUVRDataBase", 0, 120206, "Could not write file %sCY_OrderedMipf.list", folder.c_str());
  if (!writeFileAtomically(folder + "BLC_OrderedMipf.list", blc))
    Alert("CheckQUVRDataBase", 1, 120206, "Could not write file %sBLC_OrderedMipf.list", folder.c_str());
  int bucketCount[30] = {}, bucketDone[30] = {}, bucketWith[30] = {}, bucketModels[30] = {};
  int totalModels = 0, done = 0;
  for (const MipfListRow& r : mipfs) {
    if (r.status >= 0) totalModels += r.status, ++done;
    if (r.size < 0 || r.size >= 3000) continue;
    const int b = r.size / 100;
    ++bucketCount[b];
    if (r.status != -2 && r.status != -1 && r.status != 0) ++bucketDone[b];
    if (r.status >= 1) ++bucketWith[b], bucketModels[b] += r.status;
  }
  Print("Number of models in database: %d; Number of MIPFs done %d\n", totalModels, done);
  for (int b = 0; b < 30; ++b) Print("%d %d\n", b, bucketCount[b]);
  for (int b = 0; b < 30; ++b) Print("%d %d\n", b, bucketDone[b]);
  for (int b = 0; b < 30; ++b) Print("%d %15.7f\n", b, 100.0 * bucketDone[b] / bucketCount[b]);
  for (int b = 0; b < 30; ++b) Print("%d %15.7f\n", b, static_cast<double>(bucketModels[b]) / bucketWith[b]);
}

void CheckQUVRDataBase() {
  const int types = readQUVRModels(0);
  checkQUVRDataBaseIn(getQUVR_Dir(), std::max(types, 0));
}

void checkModelFileCompletion(const char* path) {
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    Alert("checkModelFileCompletion", 0, 120406, "Could not open input file %s\n", path);
    GracefulExit(1);
  }
  ModelFileLine line;
  bool complete = false;
  while (readModelFileLine(file, &line, path) == 1)
    if (line.type == -1) {
      complete = true;
      break;
    }
  std::fclose(file);
  PrintStdout(complete ? "File %s is complete\n" : "File %s is not complete; rerun\n", path);
}

std::vector<int>& corruptedTypes() { return state().corrupted; }

void CorrectCorruption(const char* path) {
  const std::string aside = std::string(path) + "_X";
  if (std::rename(path, aside.c_str()) != 0) {
    Alert("CorrectCorruption", 0, 120406, "Could not rename %s", path);
    return;
  }
  FILE* file = std::fopen(aside.c_str(), "r");
  if (file == nullptr) return;
  std::string text;
  ModelFileLine line;
  const std::vector<int>& corrupted = state().corrupted;
  while (readModelFileLine(file, &line, aside.c_str()) == 1) {
    if (line.type == -1) {
      text += modelFileEndLine(line.status);
      break;
    }
    if (std::find(corrupted.begin(), corrupted.end(), line.type) == corrupted.end()) text += modelFileLineText(line);
  }
  std::fclose(file);
  if (!writeFileAtomically(path, text)) Alert("CorrectCorruption", 1, 120206, "Could not write file %s", path);
}
