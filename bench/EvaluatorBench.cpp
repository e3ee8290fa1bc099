// The expression evaluator: a small-integer expression (the path of every integer command
// parameter), an exact rational sum and a product of two 100-digit integers.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchSupport.h"
#include "interpreter/Evaluator.h"
#include "program/Boot.h"

namespace {

FreshHome freshHome;

void evaluateRepeatedly(benchmark::State& state, const std::string& expression) {
  resetAll();
  for (auto _ : state) {
    MathObj* value = evaluate_string_to_string(expression.c_str());
    benchmark::DoNotOptimize(value->text.data());
    freeObj(value);
  }
}

void BM_SmallIntegers(benchmark::State& state) { evaluateRepeatedly(state, "2*(3+4)-12/6"); }

void BM_RationalSum(benchmark::State& state) { evaluateRepeatedly(state, "1/2+1/3+1/5+1/7+1/11+1/13+0.25"); }

void BM_LargeProduct(benchmark::State& state) {
  std::string a(100, '7');
  std::string b(100, '3');
  evaluateRepeatedly(state, a + "*" + b);
}

}  // namespace

BENCHMARK(BM_SmallIntegers);
BENCHMARK(BM_RationalSum);
BENCHMARK(BM_LargeProduct);
