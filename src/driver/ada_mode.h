// The language of the run, from the environment: VANTLINK_ADA unset, empty
// or "95" gives the Ada 95 analysis, "2022" the Ada 2022 one. The link file
// says which it was written in, so that another mode reuses nothing of it.
#pragma once

#include <optional>
#include <string_view>

#include "analysis/analysis.h"

// The mode `value` names (null: the variable is unset); none when it names
// no mode.
std::optional<AdaMode> ada_mode_named(const char* value);

// The value of VANTLINK_ADA that names `mode` ("95" for the default), as
// the dependency file records it.
std::string_view mode_name(AdaMode mode);

// The first line of a link file written in `mode`; empty for Ada 95, whose
// link files have none.
std::string_view mode_line(AdaMode mode);

// The mode the link file `text` was written in, from its first line: Ada 95
// when that is no mode line, none when it names an unknown mode.
std::optional<AdaMode> mode_of_link_file(std::string_view text);
