// Large-integer multiplication and division at 10, 100 and 1,000 decimal digits.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "numbers/LargeInteger.h"

namespace {

lint randomLint(std::mt19937_64& rng, int digits) {
  std::string text(1, static_cast<char>('1' + rng() % 9));
  for (int i = 1; i < digits; ++i) text += static_cast<char>('0' + rng() % 10);
  lint x;
  string_to_lint(&x, text.c_str());
  return x;
}

void BM_Multiply(benchmark::State& state) {
  std::mt19937_64 rng(1);
  int digits = static_cast<int>(state.range(0));
  lint a = randomLint(rng, digits);
  lint b = randomLint(rng, digits);
  lint product;
  for (auto _ : state) {
    lint_copy(&product, &a);
    lint_multiply(&product, &b);
    benchmark::DoNotOptimize(product.limbs.data());
  }
}

// A dividend of twice the digits by a divisor of the given digits.
void BM_Divide(benchmark::State& state) {
  std::mt19937_64 rng(2);
  int digits = static_cast<int>(state.range(0));
  lint a = randomLint(rng, 2 * digits);
  lint b = randomLint(rng, digits);
  lint remainder;
  lint quotient;
  for (auto _ : state) {
    lint_copy(&remainder, &a);
    nullify_lint(&quotient);
    exact_division(&remainder, &b, &quotient);
    benchmark::DoNotOptimize(quotient.limbs.data());
  }
}

// Reduction of a fraction with a large common factor (Euclid on large integers).
void BM_SimplifyRational(benchmark::State& state) {
  std::mt19937_64 rng(3);
  int digits = static_cast<int>(state.range(0));
  lint g = randomLint(rng, digits);
  lint num = randomLint(rng, digits);
  lint den = randomLint(rng, digits);
  lint_multiply(&num, &g);
  lint_multiply(&den, &g);
  lrat q;
  for (auto _ : state) {
    lint_copy(&q.num, &num);
    lint_copy(&q.den, &den);
    simplify_rat(&q);
    benchmark::DoNotOptimize(q.num.limbs.data());
  }
}

}  // namespace

BENCHMARK(BM_Multiply)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_Divide)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_SimplifyRational)->Arg(10)->Arg(100)->Arg(1000);
