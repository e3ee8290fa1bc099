// The link bookkeeping of the NIM-representation search: the iterated removal of candidates
// that can no longer take part in a complete boundary set, and the link report.
#include <algorithm>
#include <cmath>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "runtime/Output.h"

namespace {

NIMrepInfo& recordOf(int c) {
  return *nimrepStore().records[static_cast<size_t>(c)];
}

bool inUse(int c) {
  const NimrepStore& s = nimrepStore();
  return c >= 0 && c < static_cast<int>(s.records.size()) && s.records[static_cast<size_t>(c)]->in_use;
}

bool linkedBy(int d, int k) {
  const NIMrepInfo& info = recordOf(d);
  return std::find(info.linked_by.begin(), info.linked_by.begin() + info.link_count, k) !=
         info.linked_by.begin() + info.link_count;
}

// Keeps the links for which keep(t) holds, the three lists together; returns the new count.
template <typename Keep>
int compactLinks(NIMrepInfo& info, Keep keep) {
  int kept = 0;
  for (int t = 0; t < info.link_count; ++t) {
    if (!keep(t)) continue;
    const size_t from = static_cast<size_t>(t), to = static_cast<size_t>(kept);
    info.linked_by[to] = info.linked_by[from];
    info.linked_to[to] = info.linked_to[from];
    info.link_maxima[to] = info.link_maxima[from];
    ++kept;
  }
  info.linked_by.resize(static_cast<size_t>(kept));
  info.linked_to.resize(static_cast<size_t>(kept));
  info.link_maxima.resize(static_cast<size_t>(kept));
  info.link_count = kept;
  return kept;
}

}  // namespace

int reduceNIMrepInfo() {
  NimrepStore& s = nimrepStore();
  const int count = static_cast<int>(s.records.size());
  bool changed = false;
  for (int k = 0; k < count; ++k) {
    if (!inUse(k)) continue;
    NIMrepInfo& info = recordOf(k);
    if (!info.is_diagonal) {
      std::vector<std::pair<int, int>> kept;
      for (int t = 0; t < info.link_count; ++t) {
        const auto [d1, d2] = info.link_pairs[static_cast<size_t>(t)];
        if (inUse(d1) && inUse(d2) && linkedBy(d1, k) && linkedBy(d2, k)) kept.emplace_back(d1, d2);
      }
      if (static_cast<int>(kept.size()) != info.link_count) changed = true;
      info.link_pairs = std::move(kept);
      info.link_count = static_cast<int>(info.link_pairs.size());
      if (info.link_count == 0) {
        info.in_use = 0;
        if (boundVerbose() >= 4) Print("Off-diagonal boundary %d removed for having no links\n", k);
        changed = true;
      }
    } else {
      const int before = info.link_count;
      compactLinks(info, [&info](int t) {
        return inUse(info.linked_by[static_cast<size_t>(t)]) &&
               inUse(info.linked_to[static_cast<size_t>(t)]);
      });
      if (info.link_count != before) changed = true;
      long long sum = 0;
      for (int m : info.link_maxima) sum += m;
      if (sum < s.L - 1) {
        info.in_use = 0;
        if (boundVerbose() >= 4) Print("Diagonal boundary %d removed for having insufficient links\n", k);
        changed = true;
      }
    }
  }
  for (int d = 0; d < count; ++d) {
    if (!inUse(d)) continue;
    NIMrepInfo& info = recordOf(d);
    if (!info.is_diagonal || info.solution_count < 1) continue;
    // Links through an off-diagonal candidate that no solution uses are dead.
    std::vector<int> used(static_cast<size_t>(info.off_diag_count), 0);
    for (const std::vector<int>& sol : info.solutions)
      for (int g = 0; g < info.off_diag_count; ++g)
        if (sol[static_cast<size_t>(g)] != 0) used[static_cast<size_t>(g)] = 1;
    const int before = info.link_count;
    compactLinks(info, [&info, &used](int t) {
      for (int g = 0; g < info.off_diag_count; ++g)
        if (used[static_cast<size_t>(g)] &&
            info.off_diags[static_cast<size_t>(g)] == info.linked_by[static_cast<size_t>(t)])
          return true;
      return false;
    });
    if (info.link_count < before) changed = true;
  }
  for (int d = 0; d < count; ++d) {
    if (!inUse(d)) continue;
    NIMrepInfo& info = recordOf(d);
    if (!info.is_diagonal || info.solution_count < 1) continue;
    for (size_t r = 0; r < info.solutions.size();) {
      bool dead = false;
      for (int g = 0; g < info.off_diag_count && !dead; ++g)
        if (info.solutions[r][static_cast<size_t>(g)] != 0 &&
            !linkedBy(d, info.off_diags[static_cast<size_t>(g)]))
          dead = true;
      if (!dead) {
        ++r;
        continue;
      }
      info.solutions.erase(info.solutions.begin() + static_cast<long>(r));
      --info.solution_count;
      changed = true;
      if (info.solution_count == 0) info.in_use = 0;
    }
  }
  if (changed && boundVerbose() >= 4) Print("Reduction; starting new iteration\n");
  return changed ? 1 : 0;
}

void PrintBoundaryLinkInfo() {
  const NimrepStore& s = nimrepStore();
  for (int k = 0; k < static_cast<int>(s.records.size()); ++k) {
    if (!inUse(k)) continue;
    const NIMrepInfo& info = recordOf(k);
    if (!info.is_diagonal) {
      Print("Off-diagonal boundary %d; nr. of links %d\n", k, info.link_count);
      if (info.link_count == 0) continue;
      Print("  Link pairs: ");
      for (int t = 0; t < info.link_count; ++t) {
        Print("(%d,%d) ", info.link_pairs[static_cast<size_t>(t)].first,
              info.link_pairs[static_cast<size_t>(t)].second);
        if ((t + 1) % 10 == 0 && t + 1 < info.link_count) Print("\n              ");
      }
      Print("\n");
    } else {
      Print("Diagonal boundary %d; nr. of links %d\n", k, info.link_count);
      if (info.link_count == 0) continue;
      Print("  Links: ");
      for (int t = 0; t < info.link_count; ++t) {
        Print("(%d --> %d)  ", info.linked_by[static_cast<size_t>(t)],
              info.linked_to[static_cast<size_t>(t)]);
        if ((t + 1) % 4 == 0 && t + 1 < info.link_count) Print("\n         ");
      }
      Print("\n");
    }
  }
}

int getLinkMaximum(int n, int p, int q) {
  const CrossBoundState& cb = crossBoundState();
  const BoundarySearchState& bs = boundarySearchState();
  const size_t width = 2 * static_cast<size_t>(n < 0 ? 0 : n);
  auto zero = [&bs, width](int c, int i) {
    const size_t at = static_cast<size_t>(c) * width + static_cast<size_t>(i);
    return at < bs.BoundaryCandidates.size() && std::fabs(bs.BoundaryCandidates[at]) <= 1e-7 ? 1
                                                                                              : 0;
  };
  int cp = 2, cq = 2;
  for (int i = 0; i < n; ++i) {
    const IshibashiLabel* first = nullptr;
    for (const IshibashiLabel& l : cb.IshibashiLabels)
      if (l.primary == i) {
        first = &l;
        break;
      }
    if (first == nullptr) continue;
    const int mult = first->third;
    if (zero(q, i) == 0) cq += zero(p, i) + mult - 1;
    if (zero(p, i) == 0) cp += zero(q, i) + mult - 1;
  }
  return std::max(cp, cq);
}

void printNimrepFinalAnalysis(int nimreps, int symmetric, int unoriented,
                              const std::vector<std::vector<int>>& rows, int N, int cut) {
  Print("******************** FINAL ANALYSIS **************************\n");
  Print("Total number of NIMreps found: %d\n", nimreps);
  Print("Total number of S-NIMreps found: %d\n", symmetric);
  Print("Total number of U-NIMreps found: %d\n", unoriented);
  Print("List of solutions:\n");
  Print("NIM  S-NIM  KBC  Real  Orient. K[0]   Trace   Klein bottle\n");
  for (const std::vector<int>& r : rows) {
    if (static_cast<int>(r.size()) < N + 7) continue;
    Print("%2d  %3d", r[0], r[1]);
    Print("%s", r[2] ? "      --" : "      OK");
    Print("%s", r[3] ? "   --" : "   OK");
    Print("%s", r[4] ? "     --" : "     OK");
    Print("%s", r[5] ? "     <0   " : "     OK   ");
    Print("%s", r[6] ? "   --   " : "   OK   ");
    for (int i = 0; i < N; ++i) Print("%2d", r[static_cast<size_t>(7 + i)]);
    Print("\n");
  }
  Print("%s", cut ? "There may be additional solutions\n" : "All solutions were found\n");
  Print("**************************************************************\n");
}
