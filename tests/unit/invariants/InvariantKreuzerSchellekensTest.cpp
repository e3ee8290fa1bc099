// Simple-current invariants against the Kreuzer-Schellekens formula, computed here from
// scratch: the fields of each theory, their weights and the action of its simple currents
// are written out by hand, and for the group G and the matrix X of an invariant
//   Z(a, b) = #{ beta : b = J^beta a, Q_{J_k}(a) + sum_l X_kl beta_l / N_k integral for all k },
// J^beta = prod_l J_l^beta_l, Q_J(a) = h(J) + h(a) - h(J a) mod 1. Every invariant the
// collection stores must have that matrix, print a text that denotes it, report the chiral
// algebras it has (left: the fields paired with the right vacuum), and its printed text
// typed back must pass "check invariant" and be recognised as already stored.
#include "invariants/Invariants.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "InvariantEnumerationTestSupport.h"
#include "groups/Discrete.h"
#include "interpreter/Interpreter.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"

namespace {

using enumeration_test::expectModular;
using enumeration_test::Matrix;

// An exact fraction num/den, den > 0.
struct Fraction {
  long long num = 0;
  long long den = 1;
};

Fraction reduced(long long num, long long den) {
  if (den < 0) num = -num, den = -den;
  const long long g = std::gcd(num < 0 ? -num : num, den);
  return {num / g, den / g};
}

Fraction plus(Fraction a, Fraction b) { return reduced(a.num * b.den + b.num * a.den, a.den * b.den); }
Fraction minus(Fraction a, Fraction b) { return reduced(a.num * b.den - b.num * a.den, a.den * b.den); }
bool integral(Fraction a) { return a.num % a.den == 0; }

// One factor: the weight of each of its field labels (in the program's label order) and
// the fusion of a simple current with a field.
struct Factor {
  std::vector<Fraction> weights;
  int (*fuse)(const Factor& self, int current, int field);
  std::vector<int> dynkin;  // A1: the Dynkin label of each field label
  int level = 0;
};

// A1 at level k: the current J (Dynkin label k) maps Dynkin label j to k - j; h_j =
// j (j + 2) / (4 (k + 2)). dynkin lists the Dynkin label of each field label as the
// program orders them (vacuum, then J, ...).
Factor a1(int k, std::vector<int> dynkin) {
  Factor f;
  f.level = k;
  f.dynkin = dynkin;
  for (int j : dynkin) f.weights.push_back(reduced(static_cast<long long>(j) * (j + 2), 4LL * (k + 2)));
  f.fuse = [](const Factor& self, int current, int field) {
    if (self.dynkin[static_cast<std::size_t>(current)] == 0) return field;
    const int image = self.level - self.dynkin[static_cast<std::size_t>(field)];
    for (std::size_t l = 0; l < self.dynkin.size(); ++l)
      if (self.dynkin[l] == image) return static_cast<int>(l);
    return -1;
  };
  return f;
}

// Every field a simple current of Z3 (E6 and A2 at level 1): labels add modulo 3.
Factor z3(Fraction h) {
  Factor f;
  f.weights = {{0, 1}, h, h};
  f.fuse = [](const Factor&, int current, int field) { return (current + field) % 3; };
  return f;
}

// Every field a simple current of Z2 x Z2 (D_n at level 1): the product of two of the
// three non-trivial fields is the third, so labels combine by exclusive or.
Factor z2z2(std::vector<Fraction> weights) {
  Factor f;
  f.weights = weights;
  f.fuse = [](const Factor&, int current, int field) { return current ^ field; };
  return f;
}

// A tensor product of factors; field label a is the row fields[a] of factor labels, as the
// program numbers them.
struct Theory {
  std::vector<Factor> factors;
  std::vector<std::vector<int>> fields;
  std::map<std::vector<int>, int> labelOf;

  Theory(std::vector<Factor> f, std::vector<std::vector<int>> rows) : factors(std::move(f)), fields(std::move(rows)) {
    for (std::size_t a = 0; a < fields.size(); ++a) labelOf[fields[a]] = static_cast<int>(a);
  }
  int size() const { return static_cast<int>(fields.size()); }
  Fraction weight(int label) const {
    Fraction h;
    for (std::size_t k = 0; k < factors.size(); ++k)
      h = plus(h, factors[k].weights[static_cast<std::size_t>(fields[static_cast<std::size_t>(label)][k])]);
    return h;
  }
  int fuse(int current, int field) const {
    const std::vector<int>& c = fields[static_cast<std::size_t>(current)];
    std::vector<int> f = fields[static_cast<std::size_t>(field)];
    for (std::size_t k = 0; k < factors.size(); ++k) f[k] = factors[k].fuse(factors[k], c[k], f[k]);
    const auto at = labelOf.find(f);
    return at == labelOf.end() ? -1 : at->second;
  }
  // Q_J(a) = h(J) + h(a) - h(J a) mod 1.
  Fraction charge(int current, int field) const {
    return minus(plus(weight(current), weight(field)), weight(fuse(current, field)));
  }
};

// The factor labels of every field of the current tensor product.
std::vector<std::vector<int>> tensorFields() {
  std::vector<std::vector<int>> rows;
  if (currentTensor == nullptr) return rows;
  for (int a = 0; a < *TotalPrimaries; ++a) {
    const int* row = currentTensor->Spectrum.row(a);
    rows.emplace_back(row, row + currentTensor->NumberOfFactors);
  }
  return rows;
}

// The Kreuzer-Schellekens matrix of the group with basis currents J_a of orders N_a and X.
Matrix kreuzerSchellekens(const Theory& theory, const std::vector<int>& basis, const std::vector<int>& orders,
                          const std::vector<int>& X) {
  const int N = theory.size();
  const std::size_t n = basis.size();
  Matrix Z(static_cast<std::size_t>(N), std::vector<int>(static_cast<std::size_t>(N), 0));
  std::vector<int> beta(n, 0);
  while (true) {
    for (int a = 0; a < N; ++a) {
      bool admitted = true;
      for (std::size_t k = 0; k < n && admitted; ++k) {
        long long s = 0;
        for (std::size_t l = 0; l < n; ++l) s += static_cast<long long>(X[k * n + l]) * beta[l];
        admitted = integral(plus(theory.charge(basis[k], a), reduced(s, orders[k])));
      }
      if (!admitted) continue;
      int b = a;
      for (std::size_t l = 0; l < n; ++l)
        for (int t = 0; t < beta[l]; ++t) b = theory.fuse(basis[l], b);
      ++Z[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
    }
    std::size_t l = 0;
    while (l < n && ++beta[l] == orders[l]) beta[l++] = 0;
    if (l == n) break;
  }
  return Z;
}

Matrix storedMatrix(const BulkInvariant* bi) {
  const int N = *TotalPrimaries;
  Matrix Z(static_cast<std::size_t>(N), std::vector<int>(static_cast<std::size_t>(N), 0));
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) Z[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = bulkEntry(bi, i, j);
  return Z;
}

// The text of a partition function without its blanks and line breaks.
std::string compact(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  return out;
}

// Reads "(m*a+b+...)" at position p: each label with its multiplicity.
std::vector<std::pair<int, int>> readList(const std::string& text, std::size_t& p) {
  std::vector<std::pair<int, int>> items;
  EXPECT_EQ(text[p], '(') << text;
  ++p;
  while (p < text.size() && text[p] != ')') {
    if (text[p] == '+') ++p;
    int first = 0;
    while (std::isdigit(static_cast<unsigned char>(text[p]))) first = first * 10 + (text[p++] - '0');
    if (text[p] == '*') {
      ++p;
      int label = 0;
      while (std::isdigit(static_cast<unsigned char>(text[p]))) label = label * 10 + (text[p++] - '0');
      items.push_back({first, label});
    } else {
      items.push_back({1, first});
    }
  }
  ++p;
  return items;
}

// The matrix a printed partition function denotes: terms k*(left)*(right) or k*(left)^2.
Matrix matrixOfText(const std::string& printed, int N) {
  const std::string text = compact(printed);
  Matrix Z(static_cast<std::size_t>(N), std::vector<int>(static_cast<std::size_t>(N), 0));
  std::size_t p = 0;
  while (p < text.size()) {
    if (text[p] == '+') ++p;
    int k = 1;
    if (std::isdigit(static_cast<unsigned char>(text[p]))) {
      k = 0;
      while (std::isdigit(static_cast<unsigned char>(text[p]))) k = k * 10 + (text[p++] - '0');
      ++p;  // the '*'
    }
    const auto left = readList(text, p);
    std::vector<std::pair<int, int>> right = left;
    if (text.compare(p, 2, "^2") == 0) {
      p += 2;
    } else {
      EXPECT_EQ(text[p], '*') << text;
      ++p;
      right = readList(text, p);
    }
    for (const auto& [m1, a] : left)
      for (const auto& [m2, b] : right) Z[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] += k * m1 * m2;
  }
  return Z;
}

std::string listText(const std::vector<int>& list) {
  std::string text = "(";
  for (std::size_t k = 0; k < list.size(); ++k) text += (k == 0 ? "" : "+") + std::to_string(list[k]);
  return text + ")";
}

class InvariantKreuzerSchellekensTest : public ZoqTest {
 protected:
  // Makes the tensor product of the factors given as "g" arguments current.
  void useProduct(const std::vector<const char*>& factors) {
    ASSERT_EQ(executeCommandLine("tensor"), 0);
    for (const char* f : factors) ASSERT_LE(executeCommandLine((std::string("g ") + f).c_str()), 0);
    ASSERT_LE(executeCommandLine("compute spectrum"), 0);
  }

  // The field model agrees with the program's weights, label by label.
  void expectWeights(const Theory& theory) {
    for (int a = 0; a < theory.size(); ++a) {
      Rat h = *ratWeight(a);
      simplifyRat(&h);
      const Fraction mine = theory.weight(a);
      ASSERT_EQ(h.num * mine.den, mine.num * h.den) << "weight of field " << a;
    }
  }

  // Collects and stores every invariant of the current theory, then checks each one.
  // Returns the number of non-symmetric ones (-1 when the field model does not fit).
  int checkAllInvariants(const Theory& theory) {
    if (*TotalPrimaries != theory.size()) {
      ADD_FAILURE() << *TotalPrimaries << " fields, the model has " << theory.size();
      return -1;
    }
    expectWeights(theory);
    setIntPar("Autostore", 1);
    EXPECT_LE(executeCommandLine("collect simple_current_invariants"), 0);
    const int stored = storedInvariantCount();
    EXPECT_GT(stored, 1);
    const int N = theory.size();
    int nonSymmetric = 0;
    for (int k = 0; k < stored; ++k) {
      BulkInvariant* bi = storedBulkInvariantAt(k);
      const std::string name = bi->name;
      const Matrix Z = storedMatrix(bi);
      expectModular(Z, name.c_str(), 0);
      Matrix transpose = Z;
      for (int a = 0; a < N; ++a)
        for (int b = 0; b < N; ++b) transpose[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = Z[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)];
      EXPECT_EQ(bi->symmetric, Z == transpose ? 1 : 0) << name;
      if (Z != transpose) ++nonSymmetric;
      if (bi->diagonal) {
        for (int a = 0; a < N; ++a) EXPECT_EQ(Z[static_cast<std::size_t>(a)][static_cast<std::size_t>(a)], 1) << name;
        continue;
      }
      const SimpleCurrentData* MD = bi->MD.get();
      const int n = MD->group->nfactors;
      std::vector<int> basis, orders;
      for (int a = 0; a < n; ++a) {
        basis.push_back(currentOfElement(MD, DG_basis(MD->group, a)));
        orders.push_back(MD->group->factors[a]);
      }
      const int* X = xMatrix(MD);
      EXPECT_EQ(Z, kreuzerSchellekens(theory, basis, orders, std::vector<int>(X, X + n * n))) << name;

      // The printed text denotes the same matrix.
      capture.clear();
      printBulkInvariant(bi, 0);
      const std::string printed = capture.printed;
      EXPECT_EQ(matrixOfText(printed, N), Z) << name << ":" << printed;

      // The chiral algebras: the left one pairs with the right vacuum, the right one with
      // the left vacuum.
      std::vector<int> left, right;
      for (int a = 0; a < N; ++a) {
        if (Z[static_cast<std::size_t>(a)][0] != 0) left.push_back(a);
        if (Z[0][static_cast<std::size_t>(a)] != 0) right.push_back(a);
      }
      capture.clear();
      browseBulk(name.c_str(), 0, 1);
      const std::string report = capture.printed;
      if (left.size() == 1) {
        EXPECT_NE(report.find("This is an automorphism invariant\n"), std::string::npos) << name << report;
      } else if (left == right) {
        EXPECT_NE(report.find("Chiral algebra:  " + listText(left) + "\n"), std::string::npos) << name << report;
      } else {
        EXPECT_NE(report.find("Left chiral algebra:  " + listText(left) + "\n"), std::string::npos) << name << report;
        EXPECT_NE(report.find("Right chiral algebra: " + listText(right) + "\n"), std::string::npos) << name << report;
      }

      // Typed back, the text is modular invariant and the stored invariant itself.
      capture.clear();
      EXPECT_EQ(executeCommandLine(("check invariant " + compact(printed)).c_str()), 0) << name << printed;
      // The notice is a status line: "This invariant is already present as" and the name.
      const std::string notice = "This invariant is already present as";
      const std::size_t present = capture.all.find(notice);
      EXPECT_NE(present, std::string::npos) << name << capture.all;
      if (present != std::string::npos) {
        const std::size_t start = capture.all.find_first_not_of(' ', present + notice.size());
        EXPECT_EQ(capture.all.substr(start, name.size() + 1), name + " ") << name << capture.all;
      }
      EXPECT_EQ(capture.all.find("stored as"), std::string::npos) << name << capture.all;
      EXPECT_EQ(storedInvariantCount(), stored) << name;
    }
    setIntPar("Autostore", 0);
    return nonSymmetric;
  }
};

// D8 level 1: labels 0, s, v, c with weights 0, 1, 1/2, 1 (D_n level 1: v = 1/2, s and c
// n/8).
Theory d8() { return Theory({z2z2({{0, 1}, {1, 1}, {1, 2}, {1, 1}})}, {{0}, {1}, {2}, {3}}); }

TEST_F(InvariantKreuzerSchellekensTest, D8Level1HeteroticInvariantPairsBothRowsOfItsLeftAlgebra) {
  ASSERT_EQ(executeCommandLine("algebra d 8 1"), 0);
  // The diagonal invariant; the subgroups {0,s} (h_s = 1: the E8 extension (0+1)^2; {0,c}
  // is its image under s <-> c) and {0,v} (h_v = 1/2: the exchange of s and c); and
  // G = Z2 x Z2 with its two X, (0+1)*(0+3) and its image (0+3)*(0+1) under s <-> c.
  EXPECT_EQ(checkAllInvariants(d8()), 1);
  EXPECT_EQ(storedInvariantCount(), 4);
  // Z = (0+1)*(0+3): E8 built on s on the left times E8 built on c on the right; row 1
  // (s) pairs with the right vacuum.
  BulkInvariant* bi = storedBulkInvariantAt(3);
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bulkEntry(bi, 1, 0), 1);
  EXPECT_EQ(bulkEntry(bi, 1, 3), 1);
  EXPECT_EQ(bulkEntry(bi, 0, 1), 0);
  // One Ishibashi label: only the vacuum is paired with itself.
  EXPECT_EQ(bi->ishibashi_count, 1);
  capture.clear();
  browseBulk("3", 10, 1);
  EXPECT_NE(capture.printed.find("Left chiral algebra:  (0+1)\nRight chiral algebra: (0+3)\n"), std::string::npos)
      << capture.printed;
  EXPECT_NE(capture.printed.find("\n   (0+1)*(0+3)\n"), std::string::npos) << capture.printed;
  // Its transpose is no generated invariant (permutation rejection keeps one of the pair):
  // stored anew.
  setIntPar("Autostore", 1);
  capture.clear();
  EXPECT_EQ(executeCommandLine("check invariant (0+3)*(0+1)"), 0);
  EXPECT_NE(capture.printed.find("Modular invariant stored as \"Invariant_4\""), std::string::npos) << capture.all;
  setIntPar("Autostore", 0);
}

TEST_F(InvariantKreuzerSchellekensTest, CurrentRequirementsReadTheAlgebrasOfTheMatrix) {
  ASSERT_EQ(executeCommandLine("algebra d 8 1"), 0);
  setIntPar("Reject permutations", 0);
  setIntPar("Autostore", 1);
  // Without permutation rejection: the E8 extensions (0+1)^2 (by s) and (0+3)^2 (by c),
  // and the two of G = Z2 x Z2, (0+1)*(0+3) and (0+3)*(0+1). s is in the left algebra (the
  // fields paired with the right vacuum) of (0+1)^2 and (0+1)*(0+3) only.
  ASSERT_EQ(executeCommandLine("set require left 1"), 0);
  ASSERT_LE(executeCommandLine("collect simple_current_invariants"), 0);
  ASSERT_EQ(storedInvariantCount(), 2);
  EXPECT_EQ(storedBulkInvariantAt(0)->symmetric, 1);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(bulkEntry(storedBulkInvariantAt(k), 1, 0), 1) << k;
    EXPECT_EQ(bulkEntry(storedBulkInvariantAt(k), 0, 3), k) << k;
  }
  // On the right, s pairs with the left vacuum in (0+1)^2 and (0+3)*(0+1).
  ASSERT_EQ(executeCommandLine("reset selection"), 0);
  ASSERT_EQ(executeCommandLine("set require right 1"), 0);
  ASSERT_LE(executeCommandLine("collect simple_current_invariants"), 0);
  ASSERT_EQ(storedInvariantCount(), 2);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(bulkEntry(storedBulkInvariantAt(k), 0, 1), 1) << k;
    EXPECT_EQ(bulkEntry(storedBulkInvariantAt(k), 3, 0), k) << k;
  }
  setIntPar("Autostore", 0);
}

TEST_F(InvariantKreuzerSchellekensTest, UnderAutostoreANumberBeyondTheStoredMIPFsIsNotFound) {
  ASSERT_EQ(executeCommandLine("algebra d 8 1"), 0);
  setIntPar("Autostore", 1);
  ASSERT_LE(executeCommandLine("collect simple_current_invariants"), 0);
  ASSERT_EQ(storedInvariantCount(), 4);
  EXPECT_EQ(getBulkInvariantForUserInput("3"), storedBulkInvariantAt(3));
  capture.clear();
  // The scan for MIPF 7 meets the four stored ones only.
  EXPECT_EQ(getBulkInvariantForUserInput("7"), nullptr);
  EXPECT_TRUE(alerted("MIPF number 7 out of range (total MIPFs 4)"));
  EXPECT_NE(executeCommandLine("browse bulk_invariant 7"), 0);
  EXPECT_EQ(storedInvariantCount(), 4);
  setIntPar("Autostore", 0);
}

TEST_F(InvariantKreuzerSchellekensTest, E6TimesA2Level1) {
  useProduct({"e 6 1", "a 2 1"});
  // E6: 1, 27, 27bar with h = 0, 2/3, 2/3; A2: 1, 3, 3bar with h = 0, 1/3, 1/3. The
  // currents (1,1) and (1,2) of weight 1 extend E6 x A2 to E8 in two ways, and G = Z3 x Z3
  // admits an X that uses one on each side.
  const Theory theory({z3({2, 3}), z3({1, 3})}, tensorFields());
  EXPECT_GE(checkAllInvariants(theory), 1);
}

TEST_F(InvariantKreuzerSchellekensTest, D4TimesD4Level1) {
  useProduct({"d 4 1", "d 4 1"});
  // D4 level 1: v, s, c all of weight 1/2, permuted by triality.
  const Factor d4 = z2z2({{0, 1}, {1, 2}, {1, 2}, {1, 2}});
  const Theory theory({d4, d4}, tensorFields());
  EXPECT_GE(checkAllInvariants(theory), 1);
}

TEST_F(InvariantKreuzerSchellekensTest, A1Levels3And7And1) {
  useProduct({"a 1 3", "a 1 7", "a 1 1"});
  // The currents J3 J1 and J7 J1 (J_k of level k; h = 3/4 + 1/4 and 7/4 + 1/4) have mutual
  // charge Q_J1(J1) = 2 h(J1) = 1/2: on the group they generate R_12 = 1, so X_12 +
  // X_21 = 1 and both of its X are non-symmetric, extending by one current on the left and
  // by the other on the right.
  const Theory theory({a1(3, {0, 3, 2, 1}), a1(7, {0, 7, 6, 1, 2, 5, 4, 3}), a1(1, {0, 1})}, tensorFields());
  EXPECT_GE(checkAllInvariants(theory), 2);
}

TEST_F(InvariantKreuzerSchellekensTest, SymmetricInvariantsWithFixedPoints) {
  // SU(2) level 4 squared: both currents have h = 1 and mutual charge 0, so R = 0 and
  // X_21 = -X_12 = X_12 mod 2: every invariant is symmetric. J fixes j = 2, so the
  // extensions have rows of multiplicity 2.
  useProduct({"a 1 4", "a 1 4"});
  const Theory theory({a1(4, {0, 4, 1, 3, 2}), a1(4, {0, 4, 1, 3, 2})}, tensorFields());
  EXPECT_EQ(checkAllInvariants(theory), 0);
}

}  // namespace
