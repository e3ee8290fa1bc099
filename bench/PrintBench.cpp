// Cost of printing, through the real commands: the full S of SU(3) at level 40 (861
// fields, 371,091 elements of the upper triangle) under "verify s" and "s" into an output
// file, per element and over the time of loading the theory, beside the bare computation
// of the same elements (initSMATRIX and compS) and beside the formatting of the same
// values the old way (snprintf per number) and the new way (the StringUtility
// formatters), and beside those lines printed into a file without the computation, all
// measured in the same run; limits 0.2 and 0.3 microseconds an element.
// The A8 orbit of rho (362,880 weights) listed into a file with "Weyl orbit", beside the
// same command under "verify" (orbit without printing), the bare Weyl group, the lines
// formatted the old and the new way, and the lines printed into a file through PrintVec
// (the listing's own share); limit 0.4 s. Figures are processor seconds of
// the process (the code is single-threaded), the least of three runs; format_mismatches
// counts lines where the two ways of formatting differ (0 expected).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "lie/WeylGroup.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"

namespace {

FreshHome freshHome;

// Processor seconds of one command line.
double timed(const std::string& line) {
  const double start = cpuSeconds();
  executeCommandLine(line.c_str());
  return cpuSeconds() - start;
}

// A fresh program state with the theory loaded; the seconds the load took.
double load(const char* line) {
  resetAll();
  setOutputSink(&discardOutput);
  setBackground(1);
  return timed(line);
}

// Processor seconds of a command whose Print output goes to a file (closing included).
double timedToFile(const std::string& line, const std::string& path) {
  const double start = cpuSeconds();
  setOutputFile(std::fopen(path.c_str(), "w"));
  executeCommandLine(line.c_str());
  setOutputFile(nullptr);
  return cpuSeconds() - start;
}

// The line of an S element as the "s" command printed it with a printf format per number.
std::string snprintfElementLine(int i, int j, double re, double im, std::size_t width) {
  std::string line = formatText("S(%d,%d) ", i, j);
  if (line.size() < width) line.resize(width, ' ');
  const double real = std::fabs(re) < 5e-9 ? 0.0 : re;
  line += formatText("= %15.8f ", real);
  if (!ZeroCheck(im)) {
    line += formatText("+ %15.8f i", im);
    line += formatText("    (phase: %9.5f)", getPhase(real, im) / (2.0 * M_PI));
  }
  return line + "\n";
}

// The same line through the formatters.
void fastElementLine(std::string& line, int i, int j, double re, double im, std::size_t width) {
  const std::size_t start = line.size();
  line += "S(";
  appendInt(line, i);
  line += ',';
  appendInt(line, j);
  line += ") ";
  if (line.size() - start < width) line.resize(start + width, ' ');
  printModMatElt(line, re, im);
}

void fullSOfSU3Level40(benchmark::State& state) {
  const std::string path = freshHome.path + "/s.txt";
  double loadSeconds = 1e300, verifySeconds = 1e300, fileSeconds = 1e300, computeSeconds = 1e300;
  double snprintfSeconds = 1e300, fastSeconds = 1e300, printSeconds = 1e300;
  double elements = 0.0;
  int mismatches = 0;
  for (auto _ : state) {
    loadSeconds = std::min(loadSeconds, load("algebra a 2 40"));
    verifySeconds = std::min(verifySeconds, timed("verify s"));
    load("algebra a 2 40");
    fileSeconds = std::min(fileSeconds, timedToFile("s", path));
    // The bare computation of the same elements, keeping the values.
    load("algebra a 2 40");
    const int n = currentSD->n_primaries;
    std::vector<double> re, im;
    re.reserve(static_cast<std::size_t>(n) * (n + 1) / 2);
    im.reserve(re.capacity());
    double start = cpuSeconds();
    initSMATRIX();
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c) {
        double x = 0.0, y = 0.0;
        compS(r, c, &x, &y);
        re.push_back(x);
        im.push_back(y);
      }
    }
    computeSeconds = std::min(computeSeconds, cpuSeconds() - start);
    elements = static_cast<double>(re.size());
    // Formatting the values: a printf format per number, and the formatters.
    const std::size_t width = 2 * static_cast<std::size_t>(intStringLength(n)) + 5;
    std::size_t bytes = 0;
    start = cpuSeconds();
    std::size_t k = 0;
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c, ++k) bytes += snprintfElementLine(r, c, re[k], im[k], width).size();
    }
    snprintfSeconds = std::min(snprintfSeconds, cpuSeconds() - start);
    std::string line;
    start = cpuSeconds();
    k = 0;
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c, ++k) {
        line.clear();
        fastElementLine(line, r, c, re[k], im[k], width);
        bytes -= line.size();
      }
    }
    fastSeconds = std::min(fastSeconds, cpuSeconds() - start);
    benchmark::DoNotOptimize(bytes);
    // The same lines printed into a file: formatting and writing without the computation.
    start = cpuSeconds();
    setOutputFile(std::fopen(path.c_str(), "w"));
    k = 0;
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c, ++k) {
        line.clear();
        fastElementLine(line, r, c, re[k], im[k], width);
        PrintText(line);
      }
    }
    setOutputFile(nullptr);
    printSeconds = std::min(printSeconds, cpuSeconds() - start);
    mismatches = 0;
    k = 0;
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c, ++k) {
        line.clear();
        fastElementLine(line, r, c, re[k], im[k], width);
        if (line != snprintfElementLine(r, c, re[k], im[k], width)) ++mismatches;
      }
    }
  }
  std::remove(path.c_str());
  setOutputSink(nullptr);
  const double micro = 1e6 / elements;
  state.counters["elements"] = elements;
  state.counters["load_s"] = loadSeconds;
  state.counters["verify_us_per_element"] = verifySeconds * micro;
  state.counters["verify_limit_us"] = 0.2;
  state.counters["file_us_per_element"] = fileSeconds * micro;
  state.counters["file_limit_us"] = 0.3;
  state.counters["compute_us_per_element"] = computeSeconds * micro;
  state.counters["snprintf_format_us_per_element"] = snprintfSeconds * micro;
  state.counters["fast_format_us_per_element"] = fastSeconds * micro;
  state.counters["print_to_file_us_per_element"] = printSeconds * micro;
  state.counters["format_mismatches"] = mismatches;
}

// The field of A8 at level 8 with all Dynkin labels 1: rho.
int rhoOfA8() {
  const std::vector<int> ones(8, 1);
  return SM_getLieLabel(currentSD, ones.data());
}

void orbitOfRhoOfA8(benchmark::State& state) {
  const std::string path = freshHome.path + "/orbit.txt";
  double fileSeconds = 1e300, verifySeconds = 1e300, groupSeconds = 1e300;
  double snprintfSeconds = 1e300, fastSeconds = 1e300, printVecSeconds = 1e300;
  double weights = 0.0;
  int mismatches = 0;
  for (auto _ : state) {
    load("algebra a 8 8");
    const std::string command = "Weyl orbit " + std::to_string(rhoOfA8());
    fileSeconds = std::min(fileSeconds, timedToFile(command, path));
    load("algebra a 8 8");
    verifySeconds = std::min(verifySeconds, timed("verify {" + command + "}"));
    load("algebra a 8 8");
    double start = cpuSeconds();
    initWeylGroup(1, 8);
    groupSeconds = std::min(groupSeconds, cpuSeconds() - start);
    // rho is regular: its images under the group are the orbit, each once.
    const std::vector<int> ones(8, 1);
    const WeylOrbitList* images = WeylReflections(1, 8, ones.data());
    if (images == nullptr) {
      state.SkipWithError("Weyl group of A8 not built");
      return;
    }
    weights = images->count;
    // The line PrintVec wrote with a printf format per number.
    auto snprintfLine = [](const int* v) {
      std::string line = formatText("%s  (", " ");
      for (int i = 0; i < 7; ++i) line += formatText("%d,", v[i]);
      return line + formatText("%d)\n", v[7]);
    };
    std::size_t bytes = 0;
    start = cpuSeconds();
    for (int k = 0; k < images->count; ++k) bytes += snprintfLine(images->row(k)).size();
    snprintfSeconds = std::min(snprintfSeconds, cpuSeconds() - start);
    std::string block;
    start = cpuSeconds();
    for (int k = 0; k < images->count; ++k) {
      appendVecLine(block, 8, images->row(k), " ");
      if (block.size() >= (1 << 16)) {
        bytes -= block.size();
        block.clear();
      }
    }
    bytes -= block.size();
    fastSeconds = std::min(fastSeconds, cpuSeconds() - start);
    benchmark::DoNotOptimize(bytes);
    // The lines through the printing function into a file, as "Weyl orbit" prints them.
    start = cpuSeconds();
    setOutputFile(std::fopen(path.c_str(), "w"));
    for (int k = 0; k < images->count; ++k) PrintVec(8, images->row(k), " ");
    setOutputFile(nullptr);
    printVecSeconds = std::min(printVecSeconds, cpuSeconds() - start);
    mismatches = 0;
    std::string line;
    for (int k = 0; k < images->count; ++k) {
      line.clear();
      appendVecLine(line, 8, images->row(k), " ");
      if (line != snprintfLine(images->row(k))) ++mismatches;
    }
  }
  std::remove(path.c_str());
  setOutputSink(nullptr);
  state.counters["weights"] = weights;
  state.counters["file_s"] = fileSeconds;
  state.counters["file_limit_s"] = 0.4;
  state.counters["verify_s"] = verifySeconds;
  state.counters["printvec_to_file_s"] = printVecSeconds;
  state.counters["group_s"] = groupSeconds;
  state.counters["snprintf_lines_s"] = snprintfSeconds;
  state.counters["fast_lines_s"] = fastSeconds;
  state.counters["format_mismatches"] = mismatches;
}

}  // namespace

BENCHMARK(fullSOfSU3Level40)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(orbitOfRhoOfA8)->Unit(benchmark::kMillisecond)->Iterations(3);
