// Orders a unit graph: every unit after what it needs, cycles kept
// together, and the closures of `depends` and `dependents`.
#pragma once

#include <cstdint>
#include <vector>

#include "deps/unit_graph.h"

struct Ordering {
  // Every unit after what it needs; inside a group of units that need each
  // other, after what it needs through withs that are not limited.
  std::vector<uint32_t> order;
  // Units that need each other, each group in link-file order, and each unit
  // that withs itself alone; `illegal` when the group stays a cycle without
  // its limited withs.
  struct Cycle {
    std::vector<uint32_t> members;
    bool illegal;
  };
  std::vector<Cycle> cycles;
};

Ordering order_units(const UnitGraph& graph);

// Every unit reachable from `start` (not `start` itself unless reached
// again), following what units need, or who needs them when `reverse`.
std::vector<bool> closure(const UnitGraph& graph, const std::vector<uint32_t>& start,
                          bool reverse);
