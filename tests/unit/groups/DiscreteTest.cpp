// Finite abelian groups: numbering, law, orders, cache, characters, canonical bases of
// abstract groups, closures and cosets, stabiliser records and charge-vector bases.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class DiscreteTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// Components of e by the mixed-radix rule, component 0 fastest.
std::vector<int> componentsOf(const std::vector<int>& factors, int e) {
  std::vector<int> c;
  for (int n : factors) {
    c.push_back(e % n);
    e /= n;
  }
  return c;
}

int elementOf(const std::vector<int>& factors, const std::vector<int>& c) {
  int e = 0;
  int place = 1;
  for (std::size_t j = 0; j < factors.size(); ++j) {
    e += c[j] * place;
    place *= factors[j];
  }
  return e;
}

// The order of e by repeated addition of its components.
int bruteOrder(const std::vector<int>& factors, int e) {
  std::vector<int> c = componentsOf(factors, e), x = c;
  int order = 1;
  while (std::any_of(x.begin(), x.end(), [](int v) { return v != 0; })) {
    for (std::size_t j = 0; j < x.size(); ++j) x[j] = (x[j] + c[j]) % factors[j];
    ++order;
  }
  return order;
}

// Invariant factors (largest first) from the prime-power parts of the cyclic orders.
std::vector<int> invariantFactors(const std::vector<int>& factors) {
  std::map<int, std::vector<int>> powers;
  for (int n : factors) {
    for (int p = 2; n > 1; ++p) {
      int q = 1;
      while (n % p == 0) {
        n /= p;
        q *= p;
      }
      if (q > 1) powers[p].push_back(q);
    }
  }
  std::vector<int> result;
  for (auto& [p, list] : powers) {
    std::sort(list.rbegin(), list.rend());
    if (result.size() < list.size()) result.resize(list.size(), 1);
    for (std::size_t i = 0; i < list.size(); ++i) result[i] *= list[i];
  }
  return result;
}

std::vector<int> randomFactors(std::mt19937& rng, int maxOrder) {
  std::uniform_int_distribution<int> count(1, 3), size(1, 12);
  std::vector<int> factors;
  int order = 1;
  for (int i = count(rng); i > 0; --i) {
    int n = size(rng);
    if (order * n > maxOrder) break;
    factors.push_back(n);
    order *= n;
  }
  if (factors.empty()) factors.push_back(2);
  return factors;
}

// Z6 by its law alone: sum mod 6.
int sixLaw(int a, int b, void*) { return (a + b) % 6; }
int fourLaw(int a, int b, void*) { return (a + b) % 4; }
int eightLaw(int a, int b, void*) { return (a + b) % 8; }

// ---------------------------------------------------------------------------------------

TEST_F(DiscreteTest, ZFourTimesZTwoNumberingLawAndOrders) {
  const int factors[] = {4, 2};
  DGType* g = DG_find(factors, 2);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->order, 8);
  EXPECT_EQ(g->nfactors, 2);
  const int* c5 = DG_DecodeChargeCode(g, 5);
  ASSERT_NE(c5, nullptr);
  EXPECT_EQ(c5[0], 1);
  EXPECT_EQ(c5[1], 1);
  const int* c7 = DG_DecodeChargeCode(g, 7);
  EXPECT_EQ(c7[0], 3);
  EXPECT_EQ(c7[1], 1);
  EXPECT_EQ(DG_product(5, 7, g), 0);
  EXPECT_EQ(DG_product(3, 6, g), 5);
  EXPECT_EQ(DG_inverse(g, 5), 7);
  const int expectedOrders[] = {1, 4, 2, 4, 2, 4, 2, 4};
  for (int e = 0; e < 8; ++e) EXPECT_EQ(g->orders[e], expectedOrders[e]) << "element " << e;
  EXPECT_EQ(DG_basis(g, 0), 1);
  EXPECT_EQ(DG_basis(g, 1), 4);
  EXPECT_EQ(DG_decomp(g, 7, 0), 3);
  EXPECT_EQ(DG_decomp(g, 7, 1), 1);
  const int comps[] = {3, 1};
  EXPECT_EQ(DG_findElement(g, comps), 7);
  EXPECT_EQ(DG_computeChargeCode(g, comps), 7);
  EXPECT_EQ(DG_ChargeCodeProduct(g, 5, 7), 0);
}

TEST_F(DiscreteTest, CacheSharesRecordsByFactorList) {
  const int a[] = {4, 2};
  const int b[] = {2, 4};
  DGType* first = DG_find(a, 2);
  EXPECT_EQ(DG_find(a, 2), first);
  DGType* swapped = DG_find(b, 2);
  EXPECT_NE(swapped, first);
  EXPECT_EQ(swapped->order, first->order);
  DGType* trivial = DG_find(nullptr, 0);
  EXPECT_EQ(trivial, DG_trivial());
  EXPECT_EQ(trivial->order, 1);
  EXPECT_EQ(DG_product(0, 0, trivial), 0);
  EXPECT_EQ(DG_basis(trivial, 0), 0);
  EXPECT_EQ(trivial->orders[0], 1);
  EXPECT_EQ(DG_find(nullptr, 0), trivial);
}

TEST_F(DiscreteTest, LawIsAnAbelianGroupMatchingComponentwiseAddition) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 30; ++round) {
    std::vector<int> factors = randomFactors(rng, 60);
    DGType* g = DG_find(factors.data(), static_cast<int>(factors.size()));
    ASSERT_NE(g, nullptr);
    int N = g->order;
    for (int a = 0; a < N; ++a) {
      EXPECT_EQ(g->orders[a], bruteOrder(factors, a));
      int inverse = DG_inverse(g, a);
      EXPECT_EQ(DG_product(a, inverse, g), 0);
      for (int b = 0; b < N; ++b) {
        std::vector<int> ca = componentsOf(factors, a), cb = componentsOf(factors, b);
        for (std::size_t j = 0; j < factors.size(); ++j) ca[j] = (ca[j] + cb[j]) % factors[j];
        int ab = DG_product(a, b, g);
        ASSERT_EQ(ab, elementOf(factors, ca));
        EXPECT_EQ(ab, DG_product(b, a, g));
      }
    }
    // A record without component table computes the same law from the factors alone.
    DGType* bare = DG_allocSpace(N, static_cast<int>(factors.size()), 0);
    std::copy(factors.begin(), factors.end(), bare->factors);
    bare->decomp = nullptr;
    for (int a = 0; a < N; a += 3) {
      for (int b = 0; b < N; b += 2) EXPECT_EQ(DG_product(a, b, bare), DG_product(a, b, g));
    }
    DG_free(bare);
  }
}

TEST_F(DiscreteTest, FreeReturnsTheAccountAndKeepsSharedGroups) {
  std::uint64_t before = DG_space.bytesHeld();
  const int factors[] = {6, 3};
  DGType* g = DG_makeDecomp(factors, 2);
  DG_computeCharacters(g);
  EXPECT_EQ(g->charstatus, 1);
  EXPECT_GT(DG_space.bytesHeld(), before);
  DG_free(g);
  EXPECT_EQ(DG_space.bytesHeld(), before);

  OutputCapture capture;
  DGType* shared = DG_find(factors, 2);
  DG_free(shared);
  EXPECT_TRUE(contains(capture.all, "Freeing discrete group pointer with allocated sub-pointer"));
  EXPECT_EQ(DG_find(factors, 2), shared);
  EXPECT_EQ(DG_product(1, 6, shared), 7);  // still intact: (1,0) + (0,1) = (1,1)
  capture.clear();
  DG_free(nullptr);
  EXPECT_TRUE(contains(capture.all, "Attempt to free NULL discrete group pointer"));
  capture.clear();
  DG_free(DG_trivial());
  EXPECT_TRUE(contains(capture.all, "Freeing discrete group pointer with allocated sub-pointer"));
  EXPECT_EQ(DG_trivial()->order, 1);
}

TEST_F(DiscreteTest, InvalidOrdersAndElementsAreReported) {
  OutputCapture capture;
  const int zero[] = {3, 0};
  EXPECT_EQ(DG_find(zero, 2), nullptr);
  EXPECT_TRUE(contains(capture.all, "Invalid order 0 of factor 1 of a discrete group"));
  capture.clear();
  const int negative[] = {-2};
  EXPECT_EQ(DG_makeDecomp(negative, 1), nullptr);
  EXPECT_TRUE(contains(capture.all, "Invalid order -2 of factor 0"));
  capture.clear();
  const int huge[] = {65536, 65536};  // 2^32 elements do not fit an int
  EXPECT_EQ(DG_find(huge, 2), nullptr);
  EXPECT_TRUE(contains(capture.all, "Discrete group order exceeds 2147483647"));

  const int factors[] = {4, 2};
  DGType* g = DG_find(factors, 2);
  capture.clear();
  EXPECT_EQ(DG_product(8, 1, g), 0);
  EXPECT_TRUE(contains(capture.all, "Element 8 out of range of discrete group of order 8"));
  capture.clear();
  EXPECT_EQ(DG_inverse(g, -1), 0);
  EXPECT_TRUE(contains(capture.all, "Element -1 out of range"));
  capture.clear();
  EXPECT_EQ(DG_DecodeChargeCode(g, 9), nullptr);
  EXPECT_TRUE(contains(capture.all, "Element 9 out of range"));
  capture.clear();
  Rat q{5, 7};
  DG_character(g, 1, 100, &q);
  EXPECT_TRUE(contains(capture.all, "Element 100 out of range"));
  const int big[] = {2147483647, 2};
  EXPECT_EQ(DG_findElement(g, big), -1);
}

TEST_F(DiscreteTest, PrintShowsFactorsAndEveryElement) {
  const int factors[] = {2, 2};
  DGType* g = DG_find(factors, 2);
  OutputCapture capture;
  DG_print(g);
  EXPECT_EQ(capture.stdoutText,
            "Multiplicity: 2\nOrder: 4\nFactors:     (2,2)\n"
            "element 0: decomp -->   (0,0)\nelement 1: decomp -->   (1,0)\n"
            "element 2: decomp -->   (0,1)\nelement 3: decomp -->   (1,1)\n");
}

// ---------------------------------------------------------------------------------------
// Characters

TEST_F(DiscreteTest, CharactersOfZFourTimesZTwo) {
  const int factors[] = {4, 2};
  DGType* g = DG_find(factors, 2);
  // chi(a, a) / 8 with chi(a, b) = 2 a0 b0 + 4 a1 b1 mod 8.
  const Rat diagonal[] = {{0, 1}, {1, 4}, {0, 1}, {1, 4}, {1, 2}, {3, 4}, {1, 2}, {3, 4}};
  for (int a = 0; a < 8; ++a) {
    Rat q;
    DG_character(g, a, a, &q);
    EXPECT_EQ(q.num, diagonal[a].num) << a;
    EXPECT_EQ(q.den, diagonal[a].den) << a;
  }
  ASSERT_EQ(g->charstatus, 1);
  const int row1[] = {0, 2, 4, 6, 0, 2, 4, 6};
  const int row5[] = {0, 2, 4, 6, 4, 6, 0, 2};
  for (int b = 0; b < 8; ++b) {
    EXPECT_EQ(g->characters[8 + b], row1[b]);
    EXPECT_EQ(g->characters[5 * 8 + b], row5[b]);
    Rat q;
    EXPECT_EQ(DG_computeCharacter(g, 5, b, &q), row5[b]);
    EXPECT_EQ(q.den, 8);
  }
  const int num[] = {0, 1, 2, 3, 0, 1, 2, 3};
  const int den[] = {4, 4, 4, 4, 4, 4, 4, 4};
  EXPECT_EQ(DG_findCharacter(g, num, den), 1);
  OutputCapture capture;
  const int wrong[] = {0, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(DG_findCharacter(g, wrong, den), -1);
  EXPECT_TRUE(contains(capture.all, "Character does not exist"));
}

TEST_F(DiscreteTest, TrivialGroupCharacter) {
  DGType* trivial = DG_find(nullptr, 0);
  Rat q;
  DG_character(trivial, 0, 0, &q);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 1);
  const int one[] = {1};
  const int den[] = {1};
  EXPECT_EQ(DG_findCharacter(trivial, one, den), 0);
  OutputCapture capture;
  const int zero[] = {0};
  EXPECT_EQ(DG_findCharacter(trivial, zero, den), -1);
  EXPECT_TRUE(contains(capture.all, "Trivial group character does not exist"));
}

TEST_F(DiscreteTest, CharactersAreSymmetricBilinearAndDistinct) {
  std::mt19937 rng(777);
  for (int round = 0; round < 20; ++round) {
    std::vector<int> factors = randomFactors(rng, 80);
    DGType* g = DG_find(factors.data(), static_cast<int>(factors.size()));
    int N = g->order;
    DG_computeCharacters(g);
    ASSERT_EQ(g->charstatus, 1);
    const int* chi = g->characters;
    std::set<std::vector<int>> rows;
    for (int a = 0; a < N; ++a) {
      rows.insert(std::vector<int>(chi + a * N, chi + (a + 1) * N));
      EXPECT_EQ(chi[a * N], 0);
      for (int b = 0; b < N; ++b) {
        EXPECT_EQ(chi[a * N + b], chi[b * N + a]);
        int c = (a * 7 + b * 3) % N;
        EXPECT_EQ(chi[a * N + DG_product(b, c, g)], (chi[a * N + b] + chi[a * N + c]) % N);
      }
    }
    EXPECT_EQ(static_cast<int>(rows.size()), N);  // N distinct characters
  }
}

TEST_F(DiscreteTest, LargeGroupsAnswerSingleValuesWithoutATable) {
  OutputCapture capture;
  const int order45001[] = {45001};
  DGType* g = DG_find(order45001, 1);
  Rat q;
  DG_character(g, 2, 3, &q);
  EXPECT_EQ(q.num, 6);
  EXPECT_EQ(q.den, 45001);
  EXPECT_EQ(g->charstatus, -2);
  EXPECT_EQ(g->characters, nullptr);
  EXPECT_TRUE(contains(capture.all, "Attemp to store character table of a discrete\ngroup of order 45001; this is to large"));
  std::vector<int> num(45001, 0), den(45001, 1);
  EXPECT_EQ(DG_findCharacter(g, num.data(), den.data()), -1);
  EXPECT_TRUE(contains(capture.all, "Characters not available"));

  // 23000^2 ints pass the allocation limit: refused as well, and the run goes on.
  capture.clear();
  const int order23000[] = {23000};
  DGType* h = DG_find(order23000, 1);
  DG_character(h, 22999, 22999, &q);  // (-1)^2 = 1 over 23000
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 23000);
  EXPECT_EQ(h->charstatus, -2);
  EXPECT_TRUE(contains(capture.all, "group of order 23000; this is to large"));

  capture.clear();
  DGType* withTable = DG_allocSpace(45001, 1, 1);
  EXPECT_EQ(withTable->characters, nullptr);
  EXPECT_TRUE(contains(capture.all, "group of order 45001; this is to large"));
  DG_free(withTable);
}

TEST_F(DiscreteTest, TableReservedAtCreationIsFilledOnFirstUse) {
  std::uint64_t before = DG_space.bytesHeld();
  DGType* g = DG_allocSpace(6, 1, 1);
  ASSERT_NE(g->characters, nullptr);
  EXPECT_EQ(g->charstatus, 0);
  g->factors[0] = 6;
  for (int e = 0; e < 6; ++e) g->decomp[e] = e;
  DG_findOrdersFast(g);
  EXPECT_EQ(std::vector<int>(g->orders, g->orders + 6), (std::vector<int>{1, 6, 3, 2, 3, 6}));
  Rat q;
  DG_character(g, 2, 5, &q);  // 10 mod 6 = 4, over 6
  EXPECT_EQ(q.num, 2);
  EXPECT_EQ(q.den, 3);
  EXPECT_EQ(g->charstatus, 1);
  DG_free(g);
  DGType* bare = DG_alloc();
  EXPECT_EQ(bare->decomp, nullptr);
  DG_free(bare);
  EXPECT_EQ(DG_space.bytesHeld(), before);
}

// ---------------------------------------------------------------------------------------
// Abstract groups

TEST_F(DiscreteTest, ZFourTimesZTwoGivenAbstractlyIsItsOwnCanonicalGroup) {
  const int factors[] = {4, 2};
  DGType* concrete = DG_makeDecomp(factors, 2);
  std::vector<int> orders(8, 0);
  std::vector<int> all(8);
  std::iota(all.begin(), all.end(), 0);
  std::vector<int> basis = DG_findBasisNEW(all.data(), orders.data(), 8, 8, concrete, DG_productLaw, nullptr);
  EXPECT_EQ(basis, (std::vector<int>{1, 4}));
  std::vector<int> map(8, -1);
  std::fill(orders.begin(), orders.end(), 0);
  DGType* g = DG_mapProductNEW(map.data(), orders.data(), 8, concrete, DG_productLaw, nullptr);
  EXPECT_EQ(g, DG_find(factors, 2));
  EXPECT_EQ(map, all);
  const int expectedOrders[] = {1, 4, 2, 4, 2, 4, 2, 4};
  for (int e = 0; e < 8; ++e) EXPECT_EQ(orders[e], expectedOrders[e]);  // filled in place
  DG_free(concrete);
}

TEST_F(DiscreteTest, ZSixGivenByItsLawIsIdentified) {
  std::vector<int> orders(6, 0), map(6, -1);
  DGType* g = DG_mapProductNEW(map.data(), orders.data(), 6, nullptr, sixLaw, nullptr);
  const int six[] = {6};
  EXPECT_EQ(g, DG_find(six, 1));
  // Generator 3 (order 2) times generator 2 (order 3) is 5.
  EXPECT_EQ(map, (std::vector<int>{0, 5, 4, 3, 2, 1}));
}

TEST_F(DiscreteTest, OneElementSubgroupIsTrivialWithoutProducts) {
  int map[1] = {-1};
  int orders[4] = {0, 0, 0, 0};
  const int elements[] = {0};
  DGType* g = DG_mapSubProductNEW(map, orders, 4, 1, elements, nullptr, nullptr, nullptr);
  EXPECT_EQ(g, DG_trivial());
  EXPECT_EQ(map[0], 0);
}

TEST_F(DiscreteTest, RandomGroupsMapOntoTheirInvariantFactorsHomomorphically) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 40; ++round) {
    std::vector<int> factors = randomFactors(rng, 120);
    DGType* abstract = DG_makeDecomp(factors.data(), static_cast<int>(factors.size()));
    int N = abstract->order;
    std::vector<int> orders(static_cast<std::size_t>(N), 0), map(static_cast<std::size_t>(N), -1);
    DGType* g = DG_mapProductNEW(map.data(), orders.data(), N, abstract, DG_productLaw, nullptr);
    ASSERT_NE(g, nullptr);
    std::vector<int> expected = invariantFactors(factors);
    EXPECT_EQ(std::vector<int>(g->factors, g->factors + g->nfactors), expected);
    std::vector<int> sorted = map;
    std::sort(sorted.begin(), sorted.end());
    for (int e = 0; e < N; ++e) ASSERT_EQ(sorted[static_cast<std::size_t>(e)], e);  // a bijection
    for (int a = 0; a < N; ++a) {
      for (int b = 0; b < N; b += 5) {
        ASSERT_EQ(map[static_cast<std::size_t>(DG_product(a, b, g))],
                  DG_product(map[static_cast<std::size_t>(a)], map[static_cast<std::size_t>(b)], abstract));
      }
    }
    DG_free(abstract);
  }
}

TEST_F(DiscreteTest, SubgroupOfAConcreteGroupIsMapped) {
  // The elements of order dividing 2 in Z4 x Z6: 0, (2,0), (0,3), (2,3) form Z2 x Z2.
  const int factors[] = {4, 6};
  DGType* G = DG_find(factors, 2);
  const int elements[] = {0, 2, 12, 14};
  std::vector<int> map(4, -1);
  DGType* g = DG_mapSubGroupNEW(map.data(), 4, elements, G);
  const int klein[] = {2, 2};
  EXPECT_EQ(g, DG_find(klein, 2));
  std::vector<int> sorted = map;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{0, 2, 12, 14}));
}

TEST_F(DiscreteTest, ClosuresOfGeneratorsInALargerGroup) {
  // In Z4 x Z6 x Z9 (216 elements): (1,0,0), (0,2,0) and (0,0,3) generate Z4 x Z3 x Z3 (36
  // elements: second components even, third ones multiples of 3); (1,0,0) and (0,2,3),
  // of order 3, only Z4 x Z3; with (0,1,1) added, the whole group. Redundant generators
  // change nothing.
  const int factors[] = {4, 6, 9};
  DGType* G = DG_find(factors, 3);
  const auto element = [](int a, int b, int c) { return a + 4 * b + 24 * c; };
  std::vector<int> expected;
  for (int c = 0; c < 9; c += 3)
    for (int b = 0; b < 6; b += 2)
      for (int a = 0; a < 4; ++a) expected.push_back(element(a, b, c));
  std::sort(expected.begin(), expected.end());
  std::vector<int> list{element(1, 0, 0), element(0, 2, 0), element(0, 0, 3)};
  EXPECT_EQ(DG_closeSubgroup(list, G, DG_productLaw), 36);
  EXPECT_EQ(list, expected);
  list = {element(0, 0, 3), element(2, 4, 6), element(1, 0, 0), element(3, 2, 3), element(0, 2, 0), 0};
  EXPECT_EQ(DG_closeSubgroup(list, G, DG_productLaw), 36);
  EXPECT_EQ(list, expected);
  list = {element(1, 0, 0), element(0, 2, 3)};
  EXPECT_EQ(DG_closeSubgroup(list, G, DG_productLaw), 12);
  std::vector<int> diagonal;
  for (int k = 0; k < 3; ++k)
    for (int a = 0; a < 4; ++a) diagonal.push_back(element(a, 2 * k, 3 * k));
  std::sort(diagonal.begin(), diagonal.end());
  EXPECT_EQ(list, diagonal);
  list = {element(1, 0, 0), element(0, 2, 3), element(0, 1, 1)};
  EXPECT_EQ(DG_closeSubgroup(list, G, DG_productLaw), 216);
  for (int e = 0; e < 216; ++e) ASSERT_EQ(list[static_cast<std::size_t>(e)], e);
}

TEST_F(DiscreteTest, ClosuresPowersAndCosets) {
  std::vector<int> list{4};
  EXPECT_EQ(DG_closeSubgroup(list, nullptr, eightLaw), 2);
  EXPECT_EQ(list, (std::vector<int>{0, 4}));
  list.clear();
  EXPECT_EQ(DG_closeSubgroup(list, nullptr, eightLaw), 1);
  EXPECT_EQ(list, (std::vector<int>{0}));
  list = {6, 6, 4};
  EXPECT_EQ(DG_closeSubgroup(list, nullptr, eightLaw), 4);
  EXPECT_EQ(list, (std::vector<int>{0, 2, 4, 6}));
  EXPECT_EQ(DG_findOrder(6, nullptr, eightLaw), 4);
  EXPECT_EQ(DG_power(3, 3, nullptr, eightLaw), 1);
  EXPECT_EQ(DG_power(3, 0, nullptr, eightLaw), 0);
  std::vector<int> orders(8, 0);
  DG_findOrders(orders.data(), 8, nullptr, eightLaw);
  EXPECT_EQ(orders, (std::vector<int>{1, 8, 4, 8, 2, 8, 4, 8}));

  IntList il;
  initList(&il, 4);
  addToList(&il, 0);
  addToList(&il, 6);
  EXPECT_EQ(DG_closeSubgroup_IL(&il, nullptr, eightLaw), 4);
  OutputCapture capture;
  IntList empty;
  initList(&empty, 1);
  EXPECT_EQ(DG_closeSubgroup_IL(&empty, nullptr, eightLaw), 0);
  EXPECT_TRUE(contains(capture.all, "DG_closeSubgroup_IL called with empty list"));
  IntList noIdentity;
  initList(&noIdentity, 1);
  addToList(&noIdentity, 3);
  EXPECT_EQ(DG_closeSubgroup_IL(&noIdentity, nullptr, eightLaw), 0);
  EXPECT_TRUE(contains(capture.all, "First element in list should be the identity"));

  const int G[] = {0, 1, 2, 3};
  const int H[] = {0, 2};
  EXPECT_EQ(DG_coset_elements(G, H, 4, 2, nullptr, fourLaw), (std::vector<int>{0, 1}));
  capture.clear();
  const int partial[] = {0, 1};
  bool failed = false;
  EXPECT_TRUE(DG_coset_elements(partial, H, 2, 2, nullptr, fourLaw, &failed).empty());
  EXPECT_TRUE(failed);
  EXPECT_TRUE(contains(capture.all, "G-element not found"));
}

TEST_F(DiscreteTest, OrderedBasisTakesTheSmallestLeadingComponent) {
  const int factors[] = {4, 3};
  DGType* g = DG_find(factors, 2);
  // 3 = (3,0), 2 = (2,0): highest component 0, smallest c_0 is 2. 9 = (1,2), 5 = (1,1),
  // 4 = (0,1): smallest c_1 is 1, and 5 is listed before 4.
  const int elements[] = {3, 9, 2, 5, 4};
  EXPECT_EQ(DG_findMinimumInFactor(elements, g, 5, 0), 2);
  EXPECT_EQ(DG_findMinimumInFactor(elements, g, 5, 1), 5);
  EXPECT_EQ(DG_findOrderedBasis(elements, g, 5), (std::vector<int>{2, 5}));
  const int none[] = {0};
  EXPECT_EQ(DG_findMinimumInFactor(none, g, 1, 1), 0);
}

// ---------------------------------------------------------------------------------------
// Stabiliser records

TEST_F(DiscreteTest, StabiliserRecordsAreSharedPerPair) {
  FPType* list = nullptr;
  std::uint64_t before = FP_alloc.bytesHeld();
  const int U[] = {0, 2};
  const int S[] = {0, 1, 2, 3};
  OutputCapture capture;
  FPType* fp = getFP(4, U, S, 2, 4, &list, nullptr, fourLaw);
  ASSERT_NE(fp, nullptr);
  const int two[] = {2};
  EXPECT_EQ(fp->group, DG_find(two, 1));
  EXPECT_EQ(fp->map[0], 0);
  EXPECT_EQ(fp->map[1], 2);
  EXPECT_EQ(fp->nS, 4);
  EXPECT_EQ(fp->sqrtSU, 1);  // |S| / |U| = 2 is no square: the floor of its root
  EXPECT_EQ(getFP(4, U, S, 2, 4, &list, nullptr, fourLaw), fp);
  EXPECT_EQ(list, fp);
  EXPECT_EQ(list->next, nullptr);
  const int Sreordered[] = {0, 2, 1, 3};
  FPType* second = getFP(4, U, Sreordered, 2, 4, &list, nullptr, fourLaw);
  EXPECT_NE(second, fp);
  EXPECT_EQ(list, second);

  Rat q{9, 9};
  Character(fp, 2, 2, &q);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 2);
  capture.clear();
  q = Rat{9, 9};
  Character(fp, 1, 2, &q);
  EXPECT_TRUE(contains(capture.all, "Non-stabilizer element as character argument"));
  EXPECT_EQ(q.num, 9);  // left unchanged

  freeFP(&list);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(FP_alloc.bytesHeld(), before);
  freeFP(&list);
  EXPECT_EQ(list, nullptr);
}

TEST_F(DiscreteTest, TrivialStabiliserRecord) {
  FPType* list = nullptr;
  FPType* fp = trivialFP(&list);
  EXPECT_EQ(trivialFP(&list), fp);
  EXPECT_EQ(fp->group, DG_trivial());
  EXPECT_EQ(fp->nS, 1);
  EXPECT_EQ(fp->sqrtSU, 1);
  Rat q{3, 4};
  Character(fp, 0, 0, &q);
  EXPECT_EQ(q.num, 0);
  EXPECT_EQ(q.den, 1);
  freeFP(&list);

  const int zero[] = {0};
  FPType* made = getFP(4, zero, zero, 1, 1, &list, nullptr, fourLaw);
  EXPECT_EQ(trivialFP(&list), made);
  freeFP(&list);
}

// ---------------------------------------------------------------------------------------
// Charge-vector bases

TEST_F(DiscreteTest, OrthogonalBasisKnownCases) {
  {
    const int orders[] = {8};
    int gens[] = {2, 4};
    int basis[2] = {9, 9};
    EXPECT_EQ(DG_OrthogonalBasis(2, 1, orders, gens, basis), 1);
    EXPECT_EQ(basis[0], 2);
    EXPECT_EQ(gens[0], 0);
    EXPECT_EQ(gens[1], 0);
  }
  {
    const int orders[] = {4, 2};
    int gens[] = {1, 1, 2, 0};
    int basis[4];
    EXPECT_EQ(DG_OrthogonalBasis(2, 2, orders, gens, basis), 1);
    EXPECT_EQ(basis[0], 1);
    EXPECT_EQ(basis[1], 1);
    EXPECT_EQ(DG_findTag(2, basis, orders, 4), 0);
  }
  {
    const int orders[] = {2, 2};
    int gens[] = {1, 0, 0, 1, 1, 1};
    int basis[6];
    EXPECT_EQ(DG_OrthogonalBasis(3, 2, orders, gens, basis), 2);
    EXPECT_EQ(std::vector<int>(basis, basis + 4), (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(std::vector<int>(gens, gens + 6), (std::vector<int>(6, 0)));
  }
  {
    const int orders[] = {8};
    int v[] = {3};
    DG_MinimizeVectorOnTag(1, v, orders, 8, 0, 2);
    EXPECT_EQ(v[0], 1);  // 3 * 3 = 9 = 1 mod 8
  }
  {
    const int orders[] = {4, 4};
    int gens[] = {0, 0, 0, 0};
    int basis[4];
    EXPECT_EQ(DG_OrthogonalBasis(2, 2, orders, gens, basis), 0);
  }
  OutputCapture capture;
  const int orders[] = {4};
  const int v[] = {2};
  EXPECT_EQ(DG_findTag(1, v, orders, 4), -1);
  EXPECT_TRUE(contains(capture.all, "No tag found"));
  EXPECT_EQ(DG_GeneratorOrder(1, orders, v), 2);
  EXPECT_EQ(DG_GeneratorOrder(0, orders, v), 1);
}

// The subgroup generated by rows of charge vectors, by breadth-first closure.
std::set<std::vector<int>> span(const std::vector<std::vector<int>>& rows, const std::vector<int>& orders) {
  std::set<std::vector<int>> found{std::vector<int>(orders.size(), 0)};
  std::vector<std::vector<int>> queue(found.begin(), found.end());
  while (!queue.empty()) {
    std::vector<int> x = queue.back();
    queue.pop_back();
    for (const auto& r : rows) {
      std::vector<int> y = x;
      for (std::size_t j = 0; j < y.size(); ++j) y[j] = (y[j] + r[j]) % orders[j];
      if (found.insert(y).second) queue.push_back(y);
    }
  }
  return found;
}

TEST_F(DiscreteTest, OrthogonalBasisSpansTheSameGroupInTriangularForm) {
  std::mt19937 rng(99);
  for (int prime : {2, 3}) {
    for (int round = 0; round < 25; ++round) {
      std::vector<int> orders = prime == 2 ? std::vector<int>{8, 4, 2} : std::vector<int>{9, 3, 3};
      const int k = 3;
      int ngen = 1 + static_cast<int>(rng() % 4);
      std::vector<int> gens(static_cast<std::size_t>(ngen * k));
      for (int i = 0; i < ngen; ++i) {
        for (int j = 0; j < k; ++j) gens[static_cast<std::size_t>(i * k + j)] = static_cast<int>(rng() % orders[j]);
      }
      std::vector<std::vector<int>> original;
      for (int i = 0; i < ngen; ++i) original.emplace_back(gens.begin() + i * k, gens.begin() + (i + 1) * k);
      std::vector<int> basis(gens.size(), -1);
      int nb = DG_OrthogonalBasis(ngen, k, orders.data(), gens.data(), basis.data());
      std::vector<std::vector<int>> rows;
      for (int t = 0; t < nb; ++t) rows.emplace_back(basis.begin() + t * k, basis.begin() + (t + 1) * k);
      EXPECT_EQ(span(rows, orders), span(original, orders));
      int previousOrder = 1 << 30;
      std::vector<int> tags;
      for (int t = 0; t < nb; ++t) {
        int order = DG_GeneratorOrder(k, orders.data(), rows[t].data());
        EXPECT_LE(order, previousOrder);
        previousOrder = order;
        int tag = DG_findTag(k, rows[t].data(), orders.data(), order);
        ASSERT_GE(tag, 0);
        for (int s = 0; s < t; ++s) {
          EXPECT_EQ(rows[t][static_cast<std::size_t>(tags[s])], 0);  // vanishes on earlier tags
          EXPECT_LT(rows[s][static_cast<std::size_t>(tag)], rows[t][static_cast<std::size_t>(tag)]);
        }
        tags.push_back(tag);
      }
    }
  }
}

}  // namespace
