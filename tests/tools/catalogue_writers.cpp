// Many processes merge into one model catalogue at once.
//
// Each round, on an empty and on a pre-filled catalogue: a writer takes the lock and is
// killed with SIGKILL while it holds it; then eight writers start together, each merging 50
// profiles drawn from a pool of 200 (so they overlap). Afterwards every line of
// "Models.list" has 87 integers, each profile appears once, the model numbers are unique
// and contiguous from 1, every writer's ".models" carries the catalogue number of each of
// its profiles and ends with the end line, and no ".pre_models" or "Lock" of theirs remains.
// The killed writer's ".pre_models" is still there, and a later merge of it succeeds.
//
// Usage: catalogue_writers [rounds]. Prints "N passed, M failed" and exits 0 when all passed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "runtime/FileLock.h"
#include "runtime/Output.h"
#include "search/Catalogue.h"
#include "search/SearchSM.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWriters = 8;
constexpr int kProfilesPerWriter = 50;
constexpr int kPool = 200;
constexpr int kPrefilled = 60;
const char* const kModelEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1";

using RunRow = std::array<int, 86>;

// Profile k of the pool (Gamma of ab and a Y coefficient tell them apart).
RunRow poolRow(int k) {
  RunRow row{};
  row[4] = 3, row[5] = 2, row[6] = 1, row[7] = 1;
  row[16] = k % 50;
  row[29] = k / 50;
  row[32] = 6;
  for (int i = 60; i < 68; ++i) row[static_cast<std::size_t>(i)] = k + i;
  row[68] = 1;
  return row;
}

int profileKey(const int* row) {
  return row[16] + 50 * row[29];
}

// The run of this process (a writer): its rows and file names.
std::vector<RunRow>& rows() {
  static std::vector<RunRow> r;
  return r;
}
std::string& base() {
  static std::string b;
  return b;
}
int hookCount() {
  return static_cast<int>(rows().size());
}
const int* hookRow(int t) {
  return t >= 1 && t <= hookCount() ? rows()[static_cast<std::size_t>(t - 1)].data() : nullptr;
}
std::string hookName(const char* suffix) {
  return base() + suffix;
}
long long hookFile() {
  return 4711;
}
int hookMipf() {
  return 3;
}
void hookAnalyse(const int*, int* row, int) {
  for (int k = 66; k < 87; ++k) row[k] = 0;
}
std::string hookCode(int, int number) {
  return "U3U2U1U1_VVVV_0_" + std::to_string(number);
}
const CatalogueMergeHooks kHooks = {hookCount, hookRow,     hookName, hookFile,
                                    hookMipf,  hookAnalyse, hookCode};

void quiet(Channel, const char*, std::size_t) {}

// Sets up this process's run from the profile keys and writes its ".pre_models".
void prepareRun(const std::string& runBase, const std::vector<int>& keys) {
  base() = runBase;
  rows().clear();
  std::ofstream out(runBase + ".pre_models");
  for (int k : keys) {
    rows().push_back(poolRow(k));
    out << rows().size() << " 4711 3 1 1 2 3 4 3 2 1 1 1 0\n";
  }
  out << "1 4711 3 1 1 2 3 4 3 2 1 1 0 0\n";  // a second candidate of the first type
  out << "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1\n";
}

std::vector<int> drawKeys(std::mt19937& random) {
  std::vector<int> all(kPool);
  for (int k = 0; k < kPool; ++k) all[static_cast<std::size_t>(k)] = k;
  std::shuffle(all.begin(), all.end(), random);
  all.resize(kProfilesPerWriter);
  return all;
}

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Checker {
  int failures = 0;
  std::string where;
  void fail(const std::string& what) {
    ++failures;
    std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
  }
};

// The catalogue as profile key -> number; fails on any malformed, repeated or missing line.
std::map<int, int> checkCatalogue(const std::string& models, Checker& check) {
  std::map<int, int> numbers;
  std::set<int> used;
  std::istringstream lines(readText(models + "Models.list"));
  std::string line;
  while (std::getline(lines, line)) {
    std::array<int, 87> row{};
    if (!parseCatalogueLine(line, row.data())) {
      check.fail("a line is not 87 integers: " + line.substr(0, 60));
      continue;
    }
    if (!numbers.emplace(profileKey(row.data()), row[56]).second)
      check.fail("a profile appears twice");
    if (!used.insert(row[56]).second)
      check.fail("model number " + std::to_string(row[56]) + " is used twice");
  }
  int expected = 1;
  for (int number : used) {
    if (number != expected++) {
      check.fail("model numbers are not contiguous from 1");
      break;
    }
  }
  return numbers;
}

void checkModelFile(const std::string& runBase, const std::vector<int>& keys,
                    const std::map<int, int>& numbers, Checker& check) {
  std::istringstream lines(readText(runBase + ".models"));
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) all.push_back(line);
  if (all.size() != keys.size() + 2) {
    check.fail(runBase + ".models has " + std::to_string(all.size()) + " lines");
    return;
  }
  for (std::size_t t = 0; t <= keys.size(); ++t) {
    const int key = keys[t == keys.size() ? 0 : t];
    auto found = numbers.find(key);
    const int number = std::atoi(all[t].c_str());
    if (found == numbers.end() || found->second != number)
      check.fail(runBase + ".models: wrong number in line " + std::to_string(t + 1));
  }
  if (all.back() != kModelEnd) check.fail(runBase + ".models does not end with the end line");
}

int runOnce(const fs::path& folder, int round, bool prefilled) {
  Checker check;
  check.where = "round " + std::to_string(round) + (prefilled ? " (pre-filled)" : " (empty)");
  const std::string models = (folder / "models/").string();
  fs::create_directories(models);
  setDefault("ModelDir", models.c_str());
  ModelDirChanged();
  std::set<int> expected;
  if (prefilled) {
    std::ofstream out(models + "Models.list");
    for (int k = 0; k < kPrefilled; ++k) {
      std::array<int, 87> row{};
      const RunRow run = poolRow(k * 3);
      std::copy(run.begin(), run.begin() + 56, row.begin());
      row[56] = k + 1;
      row[57] = row[58] = -1;
      out << formatCatalogueLine(row.data());
      expected.insert(k * 3);
    }
  }
  std::mt19937 random(static_cast<unsigned>(1000 * round + (prefilled ? 1 : 0)));

  // The victim: holds the lock when it is killed.
  const std::string victimBase = (folder / "victim").string();
  const std::vector<int> victimKeys = drawKeys(random);
  int ready[2];
  if (pipe(ready) != 0) return 1;
  pid_t victim = fork();
  if (victim == 0) {
    setOutputSink(quiet);
    prepareRun(victimBase, victimKeys);
    obtainLock();
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  if (read(ready[0], &byte, 1) != 1) check.fail("the victim did not take the lock");
  kill(victim, SIGKILL);
  waitpid(victim, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  if (!fs::exists(models + "Lock")) check.fail("the killed writer left no lock");

  // The writers start together when the barrier's write end closes.
  int barrier[2];
  if (pipe(barrier) != 0) return 1;
  std::vector<std::vector<int>> keys;
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    keys.push_back(drawKeys(random));
    for (int k : keys.back()) expected.insert(k);
    pid_t child = fork();
    if (child == 0) {
      setOutputSink(quiet);
      close(barrier[1]);
      prepareRun((folder / ("w" + std::to_string(w))).string(), keys.back());
      char go = 0;
      while (read(barrier[0], &go, 1) > 0) {
      }
      std::exit(getModelNumbers());
    }
    writers.push_back(child);
  }
  close(barrier[0]);
  close(barrier[1]);
  for (pid_t child : writers) {
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) check.fail("a writer failed");
  }
  std::map<int, int> numbers = checkCatalogue(models, check);
  std::set<int> present;
  for (const auto& entry : numbers) present.insert(entry.first);
  if (present != expected) check.fail("the catalogue does not hold exactly the merged profiles");
  for (int w = 0; w < kWriters; ++w) {
    const std::string runBase = (folder / ("w" + std::to_string(w))).string();
    checkModelFile(runBase, keys[static_cast<std::size_t>(w)], numbers, check);
    if (fs::exists(runBase + ".pre_models")) check.fail("a writer's .pre_models remains");
  }
  if (fs::exists(models + "Lock")) check.fail("the lock remains");
  if (!fs::exists(victimBase + ".pre_models"))
    check.fail("the killed writer's .pre_models is gone");
  for (const auto& entry : fs::directory_iterator(models)) {
    if (entry.path().filename() != "Models.list")
      check.fail("left in the model folder: " + entry.path().filename().string());
  }

  // A later merge of the killed writer's candidates.
  pid_t later = fork();
  if (later == 0) {
    setOutputSink(quiet);
    prepareRun(victimBase + "_later", victimKeys);
    fs::rename(victimBase + ".pre_models", victimBase + "_later.pre_models");
    std::exit(getModelNumbers());
  }
  int status = 0;
  waitpid(later, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) check.fail("the later merge failed");
  for (int k : victimKeys) expected.insert(k);
  numbers = checkCatalogue(models, check);
  present.clear();
  for (const auto& entry : numbers) present.insert(entry.first);
  if (present != expected) check.fail("the killed writer's profiles did not arrive later");
  checkModelFile(victimBase + "_later", victimKeys, numbers, check);
  return check.failures;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  char home[] = "/tmp/zoq-writers-XXXXXX";
  if (mkdtemp(home) == nullptr) return 2;
  setenv("HOME", home, 1);
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
  setOutputSink(quiet);
  initializeAll();
  FileLockTimes times;
  times.pollMilliseconds = 10;
  times.staleMilliseconds = 2000;
  times.touchMilliseconds = 200;
  setFileLockTimes(times);
  setCatalogueMergeHooks(&kHooks);
  int passed = 0;
  int failed = 0;
  for (int round = 0; round < rounds; ++round) {
    for (bool prefilled : {false, true}) {
      const fs::path folder =
          fs::path(home) / ("r" + std::to_string(round) + (prefilled ? "p" : "e"));
      if (runOnce(folder, round, prefilled) == 0) {
        ++passed;
      } else {
        ++failed;
      }
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  }
  std::error_code ignored;
  fs::remove_all(home, ignored);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
