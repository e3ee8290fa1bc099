// Helpers of the gauge-group tests: the printed line, the dimensions it names, and an
// independent count of the spin-1 currents of a chiral half.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "store/Storemanager.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace gauge_group_test {

class GaugeGroupTest : public ZoqTest {
 protected:
  // The gauge-group line printed by the command, without its newline; empty when none.
  std::string gaugeLine(const char* command) {
    capture.clear();
    if (run(command) != 0) return "";
    const std::string head = "\nGauge group: ";
    const std::size_t at = capture.printed.find(head);
    if (at == std::string::npos) return "";
    const std::size_t end = capture.printed.find('\n', at + 1);
    return capture.printed.substr(at + 1, end - at - 1);
  }
  std::string gaugeLineOf(int invariant) {
    capture.clear();
    if (run(("select invariant " + std::to_string(invariant)).c_str()) != 0) return "";
    return gaugeLine("browse heterotic");
  }

  static int totalInvariants() { return TotalInvariants(); }
  static BulkInvariant* bulk() {
    BulkInvariant** slot = getCurrentBulk();
    return slot != nullptr ? *slot : nullptr;
  }
  // The left chiral algebra of the current invariant, and the right one (the fields
  // paired with the left vacuum).
  static std::vector<int> leftAlgebra() {
    const BulkInvariant* bi = bulk();
    if (bi == nullptr || bi->algebra == nullptr) return {};
    return std::vector<int>(bi->algebra, bi->algebra + bi->algebra_count);
  }
  static std::vector<int> rightAlgebra() {
    const BulkInvariant* bi = bulk();
    if (bi == nullptr || bi->orbits.empty() || bi->orbits[0] == nullptr) return {};
    return std::vector<int>(bi->orbits[0], bi->orbits[0] + bi->count[0]);
  }

  // Ground states of weight exactly 1 of field f of the current product: over the distinct
  // label rows of its orbit under the chiral algebra, the product of the factors'
  // dimensions of every row of weight 1, when 1 is the lowest weight of the orbit.
  static int weightOneDimension(int f) {
    TensorProduct* TP = currentTensor;
    const int width = TP->NumberOfFactors;
    std::vector<int> image(static_cast<std::size_t>(TP->Spectrum.rowLength()), 0);
    std::vector<std::vector<int>> rows;
    for (int x = 0; x < TP->ChiralAlgebra.size(); ++x) {
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(x), TP->Spectrum.row(f), image.data());
      std::vector<int> labels(image.begin(), image.begin() + width);
      bool known = false;
      for (const std::vector<int>& r : rows) known = known || r == labels;
      if (!known) rows.push_back(labels);
    }
    int dimension = 0;
    for (const std::vector<int>& r : rows) {
      Rat h;
      EXPECT_EQ(TensorRatWeight(TP, r.data(), &h), 1);
      simplifyRat(&h);
      if (h.num < h.den) return 0;  // a lighter member: the field's weight is below 1
      if (h.num != h.den) continue;
      int product = 1;
      for (int i = 0; i < width; ++i) {
        SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
        EXPECT_NE(SM_initDimensions(sd), 0);
        EXPECT_GT(sd->dims[r[static_cast<std::size_t>(i)]], 0);
        product *= sd->dims[r[static_cast<std::size_t>(i)]];
      }
      dimension += product;
    }
    return dimension;
  }
  // The spin-1 currents of a half: those of the vacuum module (the count of "browse Lie")
  // and the weight-one ground states of the half's chiral-algebra fields.
  static int sectorCurrents(const std::vector<int>& algebra) {
    int count = SpinOneCount(currentTensor);
    for (int f : algebra)
      if (f != 0) count += weightOneDimension(f);
    return count;
  }

  // Dimension of a named simple factor: A_r r(r+2), B_r and C_r r(2r+1), D_r r(2r-1), E6
  // 78, E7 133, E8 248, F4 52, G2 14.
  static int factorDimension(const std::string& name) {
    const int r = std::atoi(name.c_str() + 1);
    switch (name[0]) {
      case 'A': return r * (r + 2);
      case 'B':
      case 'C': return r * (2 * r + 1);
      case 'D': return r * (2 * r - 1);
      case 'E': return r == 6 ? 78 : r == 7 ? 133 : r == 8 ? 248 : -1000;
      case 'F': return 52;
      case 'G': return 14;
      default: return -1000;
    }
  }
  // The currents a line accounts for: its named factors and the unidentified rest; the E8
  // that follows the first factor is the implicit one (outside the theory) when the block
  // says so.
  static int namedPlusRest(const std::string& line) {
    const std::string head = "Gauge group: ";
    if (line.rfind(head, 0) != 0) return -1;
    std::vector<std::string> parts;
    std::size_t at = head.size();
    while (true) {
      const std::size_t next = line.find(" x ", at);
      parts.push_back(line.substr(at, next == std::string::npos ? std::string::npos : next - at));
      if (next == std::string::npos) break;
      at = next + 3;
    }
    const StringBlock* block = getStringData();
    const bool implicitE8 = block != nullptr && block->implicitE8 != 0;
    int total = 0;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      if (k == 1 && implicitE8) {
        EXPECT_EQ(parts[k], "E8");
        continue;
      }
      const std::string rest = "[Unidentified (dim=";
      if (parts[k].rfind(rest, 0) == 0)
        total += std::atoi(parts[k].c_str() + rest.size());
      else
        total += factorDimension(parts[k]);
    }
    return total;
  }
};

}  // namespace gauge_group_test
