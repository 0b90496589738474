#include "deps/graph_order.h"

#include <algorithm>

namespace {

constexpr uint32_t kUnvisited = UINT32_MAX;

// Components one after another in `members`, each ending where `ends` says:
// one list for all, where a list each cost order 1.1 of 15 ms in
// allocations and copies on the x10 tree (its units are nearly all alone).
struct Components {
  std::vector<uint32_t> members;
  std::vector<size_t> ends;
};

// Tarjan's strongly connected components, without recursion. Components
// come out with everything they need before them. `with_limited` false
// leaves out the needs that only limited withs make.
Components components(const UnitGraph& graph, bool with_limited) {
  size_t count = graph.units.size();
  std::vector<uint32_t> index(count, kUnvisited), low(count, 0);
  std::vector<bool> on_stack(count, false);
  std::vector<uint32_t> stack;
  std::vector<std::pair<uint32_t, size_t>> calls;  // unit, next need to look at
  Components out;
  out.members.reserve(count);
  uint32_t next_index = 0;
  for (uint32_t root = 0; root < count; ++root) {
    if (index[root] != kUnvisited) continue;
    calls.push_back({root, 0});
    index[root] = low[root] = next_index++;
    stack.push_back(root);
    on_stack[root] = true;
    while (!calls.empty()) {
      auto& [unit, at] = calls.back();
      const std::vector<Need>& needs = graph.needs[unit];
      if (at < needs.size()) {
        const Need& need = needs[at++];
        if (need.limited && !with_limited) continue;
        uint32_t to = need.unit;
        if (index[to] == kUnvisited) {
          index[to] = low[to] = next_index++;
          stack.push_back(to);
          on_stack[to] = true;
          calls.push_back({to, 0});
        } else if (on_stack[to]) {
          low[unit] = std::min(low[unit], index[to]);
        }
        continue;
      }
      uint32_t done = unit;
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
      if (low[done] != index[done]) continue;
      size_t start = out.members.size();
      uint32_t member;
      do {
        member = stack.back();
        stack.pop_back();
        on_stack[member] = false;
        out.members.push_back(member);
      } while (member != done);
      std::sort(out.members.begin() + start, out.members.end());
      out.ends.push_back(out.members.size());
    }
  }
  return out;
}

}  // namespace

Ordering order_units(const UnitGraph& graph) {
  Ordering result;
  std::vector<bool> in_illegal(graph.units.size(), false);
  Components strict = components(graph, false);
  for (size_t c = 0, start = 0; c < strict.ends.size(); start = strict.ends[c++])
    if (strict.ends[c] - start > 1)
      for (size_t m = start; m < strict.ends[c]; ++m) in_illegal[strict.members[m]] = true;
  Components all = components(graph, true);
  for (size_t c = 0, start = 0; c < all.ends.size(); start = all.ends[c++]) {
    if (all.ends[c] - start < 2) continue;
    std::vector<uint32_t> members(all.members.begin() + start, all.members.begin() + all.ends[c]);
    bool illegal = std::any_of(members.begin(), members.end(),
                               [&](uint32_t unit) { return in_illegal[unit]; });
    result.cycles.push_back({std::move(members), illegal});
  }
  result.order = std::move(all.members);
  return result;
}

std::vector<bool> closure(const UnitGraph& graph, const std::vector<uint32_t>& start,
                          bool reverse) {
  size_t count = graph.units.size();
  std::vector<std::vector<uint32_t>> needed_by;
  if (reverse) {
    needed_by.resize(count);
    for (uint32_t unit = 0; unit < count; ++unit)
      for (const Need& need : graph.needs[unit]) needed_by[need.unit].push_back(unit);
  }
  std::vector<bool> reached(count, false);
  std::vector<uint32_t> work(start);
  while (!work.empty()) {
    uint32_t unit = work.back();
    work.pop_back();
    auto visit = [&](uint32_t to) {
      if (!reached[to]) {
        reached[to] = true;
        work.push_back(to);
      }
    };
    if (reverse)
      for (uint32_t to : needed_by[unit]) visit(to);
    else
      for (const Need& need : graph.needs[unit]) visit(need.unit);
  }
  return reached;
}
