// How many threads analyse files: VANTLINK_JOBS when set, otherwise the
// processors this process may run on.
#pragma once

#include <optional>
#include <string_view>

// The analysing threads a run uses (1: the main thread alone). Nothing, once
// the reason is printed, when VANTLINK_JOBS is set to anything but a positive
// whole number (the run ends with status 7).
std::optional<unsigned> analysing_threads();

// The value of VANTLINK_JOBS as a count; nothing when it is not a positive
// whole number.
std::optional<unsigned> parse_job_count(std::string_view text);
