// What vantlink-deps prints: units as plain lines (name, kind, file), as a
// Graphviz graph, or as a Makefile fragment; and the problems `check` finds.
#pragma once

#include <string>
#include <vector>

#include "deps/unit_graph.h"

enum class OutputForm { kLines, kDot, kMake };

// The units of `order` that `shown` holds, in that order; `shown` may hold
// external units, which each form lists as it sees fit (lines: never).
void append_units(std::string& out, const UnitGraph& graph, const std::vector<uint32_t>& order,
                  const std::vector<bool>& shown, OutputForm form);

void append_problems(std::string& out, const UnitGraph& graph);
