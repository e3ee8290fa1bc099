// The random filter search ("filter random"): for every sample and every participating
// prime a filter grows by one current per level, each drawn as powers of the cyclic
// components of that prime that are not used yet (the component of highest remaining
// power is tagged with the level), with a one-in-ten chance of stopping early; the prime
// parts are evaluated and combined like any filter. Random numbers come from the
// heterotic random source, so that a search can be repeated exactly.
#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "heterotic/HeteroticInternal.h"
#include "interpreter/RunControl.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

constexpr long long kEstimateLimit = 1000000;
constexpr int kAttempts = 100;

int draw(int n) {
  if (n <= 1) return 0;
  HeteroticRandomSource source = heteroticState().randomSource;
  return source != nullptr ? source(n) : randomNumber(n);
}

int power(int p, int e) {
  int r = 1;
  for (int i = 0; i < e; ++i) r *= p;
  return r;
}

}  // namespace

void determinePrimeOrders(const int* orders, int tag, int* tags, int* maxpows) {
  const std::vector<DecomposedComponent>& comps = getDecomposedComponents();
  const int primes = getMaxPrimeIndex();
  std::vector<int> chosen(static_cast<std::size_t>(primes), -1);
  std::fill(maxpows, maxpows + primes, 0);
  for (std::size_t i = 0; i < comps.size(); ++i) {
    if (tags[i] != 0) continue;
    const DecomposedComponent& c = comps[i];
    long long x = orders != nullptr ? orders[i] : 1;
    int r = c.power;
    while (r > 0 && x % c.base == 0) {
      x /= c.base;
      --r;
    }
    if (r > maxpows[c.primeIndex]) {
      maxpows[c.primeIndex] = r;
      chosen[static_cast<std::size_t>(c.primeIndex)] = static_cast<int>(i);
    }
  }
  for (int i : chosen)
    if (i >= 0) tags[i] = tag;
}

void reconstructCurrent(const int* random, int* out, const int* tags, int level,
                        int* current_orders, TensorProduct* tensor) {
  const std::vector<DecomposedComponent>& comps = getDecomposedComponents();
  std::fill(out, out + factorCount(tensor), 0);
  current_orders[level - 1] = 1;
  for (std::size_t i = 0; i < comps.size(); ++i) {
    const DecomposedComponent& c = comps[i];
    SpectrumData* sd = factorTheory(tensor, c.factor);
    const int J = SM_SimpleCurrentPower(sd, c.current, random[i]);
    out[c.factor] = SM_SimpleCurrentFusion(sd, J, out[c.factor]);
    if (tags[i] == level) current_orders[level - 1] *= c.order / std::gcd(random[i], c.order);
  }
}

int GenericEffectiveCenterCheck(int n, const int* powers, const int* orders, const int* flags) {
  int largest = 0;
  for (int i = 0; i < n; ++i)
    if (flags[i] == 1 && powers[i] % 2 != 0) largest = std::max(largest, orders[i]);
  int count = 0;
  for (int i = 0; i < n; ++i)
    if (flags[i] == 1 && powers[i] % 2 != 0 && orders[i] == largest) ++count;
  return count % 2 == 0 ? 1 : 0;
}

int OrderTwoEffectiveCenterCheck(const int* random) {
  const std::vector<DecomposedComponent>& comps = getDecomposedComponents();
  const int n = static_cast<int>(comps.size());
  std::vector<int> orders(static_cast<std::size_t>(n)), flags(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    orders[static_cast<std::size_t>(i)] = comps[static_cast<std::size_t>(i)].order;
    flags[static_cast<std::size_t>(i)] = comps[static_cast<std::size_t>(i)].effectiveCenter;
  }
  return GenericEffectiveCenterCheck(n, random, orders.data(), flags.data());
}

int generateRandomFilter(int depth, int Nsample, TensorProduct* tensor) {
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticState& s = heteroticState();
  if (!requireHeteroticSetUp("generateRandomFilter", tensor)) return 1;
  const std::vector<DecomposedComponent>& comps = getDecomposedComponents();
  const int size = static_cast<int>(comps.size());
  const int n = factorCount(tensor);
  const std::vector<int> primes = s.primeLoop;
  PrintVec(static_cast<int>(primes.size()), primes.data(), "Primes considered");
  PrintVec(static_cast<int>(s.primeLoopIndices.size()), s.primeLoopIndices.data(),
           "Prime indices considered");
  readPreviousData();
  std::vector<int> map(static_cast<std::size_t>(size) + 1), inverse(static_cast<std::size_t>(size) + 1);
  for (int p : primes) {
    std::fill(map.begin(), map.end(), -1);
    std::fill(inverse.begin(), inverse.end(), -1);
    const int c = mapToPrimeGroup(p, map.data(), inverse.data());
    for (int a = 0; a < s.chiralAlgebra.size() && c > 0; ++a) {
      const int* element = PrimeDecomposeCurrent(tensor, s.chiralAlgebra.row(a));
      bool inPart = false;
      bool outside = false;
      for (int i = 0; i < size; ++i) {
        if (element[i] == 0) continue;
        if (comps[static_cast<std::size_t>(i)].base == p) inPart = true;
        else outside = true;
      }
      if (inPart && !outside) PrintVec(n, s.chiralAlgebra.row(a), "---->");
    }
  }
  if (Nsample < 1) {
    GSC_printStatistics(3);
    return 0;
  }
  const int primeIndices = getMaxPrimeIndex();
  jobs.maxpows.assign(static_cast<std::size_t>(primeIndices), 0);
  std::vector<int> tags(static_cast<std::size_t>(size)), maxima(static_cast<std::size_t>(size)),
      random(static_cast<std::size_t>(size)), reduction(static_cast<std::size_t>(size));
  std::vector<int> savedTags, savedMaxpows;
  std::vector<int> currentOrders(static_cast<std::size_t>(std::max(depth, 1)), 1);
  std::vector<int> candidate(static_cast<std::size_t>(n));
  const std::vector<int>& fixed = s.fixedFilterEntries;
  const int frequency = std::max(1, settingOn(s.outputFrequency));
  jobs.statisticsClock = CPUTime();
  std::optional<ProgressScope> progress(std::in_place, "Random filter search", Nsample);
  for (int sample = 0; sample < Nsample; ++sample) {
    progress->step();
    PrimeStoreRelease release;
    jobs.sampleNumber = sample;
    if (sample % frequency == 0) {
      const std::string text =
          formatText("Sample %d (count %d, success rate %7.2f%%)", sample, jobs.newSpectrumCount,
                     100.0 * jobs.newSpectrumCount / (sample + 1));
      PrintSeparatorWithText('-', text.c_str());
    }
    for (int p : primes) {
      resetFilterCurrents(tensor);
      std::fill(tags.begin(), tags.end(), 0);
      determinePrimeOrders(nullptr, 0, tags.data(), jobs.maxpows.data());
      std::fill(reduction.begin(), reduction.end(), 1);
      jobs.currentMIPFlevel = depth;
      for (int level = 1; level <= depth && size > 0; ++level) {
        for (int i = 0; i < size; ++i) {
          const DecomposedComponent& c = comps[static_cast<std::size_t>(i)];
          std::size_t u = static_cast<std::size_t>(i);
          maxima[u] = tags[u] != 0 || c.base != p ? 1 : c.order;
          const int top = jobs.maxpows[static_cast<std::size_t>(c.primeIndex)];
          if (c.power > top) reduction[u] = power(c.base, c.power - top);
        }
        long long estimate = 1;
        for (int i = 0; i < size && estimate <= kEstimateLimit; ++i) {
          const std::size_t u = static_cast<std::size_t>(i);
          if (tags[u] != 0) continue;
          estimate = reduction[u] == 0 ? 0 : estimate * maxima[u] / reduction[u];
        }
        if (estimate == 1) break;
        bool accepted = false;
        for (int attempt = 0; attempt < kAttempts && !accepted; ++attempt) {
          savedTags = tags;
          savedMaxpows = jobs.maxpows;
          for (int i = 0; i < size; ++i) {
            const std::size_t u = static_cast<std::size_t>(i);
            random[u] = reduction[u] == 0 ? 0 : draw(maxima[u] / reduction[u]) * reduction[u];
          }
          if (OrderTwoEffectiveCenterCheck(random.data()) == 0) continue;
          if (draw(10) == 4) std::fill(random.begin(), random.end(), 0);
          determinePrimeOrders(random.data(), level, tags.data(), jobs.maxpows.data());
          reconstructCurrent(random.data(), candidate.data(), tags.data(), level,
                             currentOrders.data(), tensor);
          accepted = true;
          for (int f = 0; f < n && accepted; ++f)
            accepted = !(f < static_cast<int>(fixed.size()) && fixed[static_cast<std::size_t>(f)] == 0 &&
                         candidate[static_cast<std::size_t>(f)] != 0);
          if (!accepted) {
            // A refused draw leaves the tags as they were.
            tags = savedTags;
            jobs.maxpows = savedMaxpows;
          }
        }
        if (!accepted) {
          Print("Too many repetitions of random selection; Infinite loop?\n");
          break;
        }
        if (std::all_of(random.begin(), random.end(), [](int v) { return v == 0; })) break;
        addNewFilterCurrent(tensor, candidate.data());
        if (level == depth) break;
      }
      storeSimpleCurrentDataPointer(nullptr, p, 1, nullptr);
      ComputeFilterNEW(tensor, currentOrders.data(), nullptr);
    }
    combinePrimeSimpleCurrentFactors(static_cast<int>(primes.size()), primes.data());
    storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
    checkInterrupt();
    const bool hour = CPUTime() - jobs.statisticsClock > 3600.0;
    if (sample % 100 == 0 || hour) {
      if (hour) Print("Printing statistics (time elapsed > one hour)\n");
      GSC_printStatistics(1);
      jobs.statisticsClock = CPUTime();
    }
  }
  progress.reset();
  GSC_printStatistics(3);
  return 0;
}
