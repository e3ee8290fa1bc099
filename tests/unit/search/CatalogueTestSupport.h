// A model folder with a made-up run for the catalogue tests: run rows, the run's files and
// the merge hooks that read them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/Defaults.h"
#include "runtime/FileLock.h"
#include "runtime/Output.h"
#include "search/Catalogue.h"
#include "search/SearchSM.h"

namespace catalogue_test {

struct Run {
  std::vector<std::array<int, 86>> rows;
  std::string base;  // the run's files are base + suffix
};

inline Run& run() {
  static Run r;
  return r;
}

// A run row whose profile is told apart by k (Gamma of ab) and whose configuration is
// orientifold 2 and boundaries 10+k, 20+k, 30+k, 40+k.
inline std::array<int, 86> runRow(int k) {
  std::array<int, 86> row{};
  row[4] = 3, row[5] = 2, row[6] = 1, row[7] = 1;
  row[16] = k;
  row[28] = 1, row[32] = 6;
  row[60] = 10 + k, row[61] = 11 + k, row[62] = 20 + k, row[63] = 21 + k;
  row[64] = 30 + k, row[65] = 31 + k, row[66] = 40 + k, row[67] = 41 + k;
  row[68] = 2;
  return row;
}

inline int hookCount() {
  return static_cast<int>(run().rows.size());
}
inline const int* hookRow(int type) {
  if (type < 1 || type > hookCount()) return nullptr;
  return run().rows[static_cast<std::size_t>(type - 1)].data();
}
inline std::string hookName(const char* suffix) {
  return run().base + suffix;
}
inline long long hookFileIdentifier() {
  return 12345;
}
inline int hookMipf() {
  return 7;
}
inline void hookAnalyse(const int*, int* row, int) {
  for (int k = 66; k < 87; ++k) row[k] = k;
}
inline std::string hookCode(int tadpole, int number) {
  return "code" + std::to_string(1 - tadpole) + "_" + std::to_string(number);
}

inline const CatalogueMergeHooks kHooks = {hookCount, hookRow,     hookName, hookFileIdentifier,
                                           hookMipf,  hookAnalyse, hookCode};

// The ".pre_models" line of run type t in the made-up run.
inline std::string preModelLine(int t) {
  const auto& row = run().rows[static_cast<std::size_t>(t - 1)];
  return std::to_string(t) + " 12345 7 2 " + std::to_string(row[60]) + " " +
         std::to_string(row[62]) + " " + std::to_string(row[64]) + " " + std::to_string(row[66]) +
         " 3 2 1 1 1 0\n";
}

// The model-file line of that type under catalogue number nr.
inline std::string modelLine(int t, int nr) {
  const auto& row = run().rows[static_cast<std::size_t>(t - 1)];
  return std::to_string(nr) + " 12345 7 2 " + std::to_string(row[60]) + " " +
         std::to_string(row[62]) + " " + std::to_string(row[64]) + " " + std::to_string(row[66]) +
         " 3 2 1 1 code0_" + std::to_string(nr) + " 0\n";
}

inline const char* kEndLine = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1\n";
inline const char* kModelEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";

// The fixture: a fresh model folder, the made-up run's hooks, short lock times.
class CatalogueTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    models = folder.path() + "/models/";
    setDefault("ModelDir", models.c_str());
    ModelDirChanged();
    run().rows.clear();
    run().base = folder.path() + "/case";
    setCatalogueMergeHooks(&kHooks);
    FileLockTimes times;
    times.pollMilliseconds = 1;
    times.staleMilliseconds = 200;
    times.touchMilliseconds = 50;
    setFileLockTimes(times);
  }
  void TearDown() override {
    setCatalogueMergeHooks(nullptr);
    setDefault("ModelDir", ".");
    ZoqTest::TearDown();
  }

  // Makes run types k for each k given and writes their ".pre_models" with the end line.
  void makeRun(const std::vector<int>& ks) {
    std::string text;
    for (int k : ks) {
      run().rows.push_back(runRow(k));
      text += preModelLine(static_cast<int>(run().rows.size()));
    }
    folder.write("case.pre_models", text + kEndLine);
  }
  std::string catalogue() const { return readFile(models + "Models.list"); }

  TemporaryFolder folder;
  std::string models;
};

}  // namespace catalogue_test
