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
// come out with everything they need before them. Without `group`, every
// need counts and every unit is a root; with it, only the `roots` and only
// the needs no limited with makes between units of the same group.
Components components(const UnitGraph& graph, const std::vector<uint32_t>& roots,
                      const std::vector<uint32_t>* group) {
  size_t count = graph.units.size();
  std::vector<uint32_t> index(count, kUnvisited), low(count, 0);
  std::vector<bool> on_stack(count, false);
  std::vector<uint32_t> stack;
  std::vector<std::pair<uint32_t, size_t>> calls;  // unit, next need to look at
  Components out;
  out.members.reserve(roots.size());
  uint32_t next_index = 0;
  auto follows = [&](uint32_t from, const Need& need) {
    return group == nullptr || (!need.limited && (*group)[need.unit] == (*group)[from]);
  };
  for (uint32_t root : roots) {
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
        if (!follows(unit, need)) continue;
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

bool withs_itself(const UnitGraph& graph, uint32_t unit) {
  for (const Need& need : graph.needs[unit])
    if (need.unit == unit) return true;
  return false;
}

// Units that need each other are kept together; inside each such group the
// members follow every need no limited with makes (in a legal program those
// alone make no cycle), so the order stays one a compiler can follow.
Ordering order_units(const UnitGraph& graph) {
  Ordering result;
  size_t count = graph.units.size();
  std::vector<uint32_t> everyone(count);
  for (uint32_t unit = 0; unit < count; ++unit) everyone[unit] = unit;
  Components all = components(graph, everyone, nullptr);
  std::vector<uint32_t> group(count), in_cycles;
  for (size_t c = 0, start = 0; c < all.ends.size(); start = all.ends[c++]) {
    for (size_t m = start; m < all.ends[c]; ++m) group[all.members[m]] = static_cast<uint32_t>(c);
    if (all.ends[c] - start > 1)
      in_cycles.insert(in_cycles.end(), all.members.begin() + start,
                       all.members.begin() + all.ends[c]);
  }
  // Group by group, as `all` lists them: the walk from a member reaches only its own group.
  Components strict = components(graph, in_cycles, &group);
  std::vector<bool> illegal_group(all.ends.size(), false);
  for (size_t c = 0, start = 0; c < strict.ends.size(); start = strict.ends[c++])
    if (strict.ends[c] - start > 1) illegal_group[group[strict.members[start]]] = true;

  result.order.reserve(count);
  size_t next_strict = 0;
  for (size_t c = 0, start = 0; c < all.ends.size(); start = all.ends[c++]) {
    size_t size = all.ends[c] - start;
    if (size == 1) {
      uint32_t unit = all.members[start];
      result.order.push_back(unit);
      if (withs_itself(graph, unit)) result.cycles.push_back({{unit}, true});
      continue;
    }
    std::vector<uint32_t> members(all.members.begin() + start, all.members.begin() + all.ends[c]);
    result.cycles.push_back({std::move(members), illegal_group[c]});
    result.order.insert(result.order.end(), strict.members.begin() + next_strict,
                        strict.members.begin() + next_strict + size);
    next_strict += size;
  }
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
