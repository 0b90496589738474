#include "driver/ada_mode.h"

#include <cstring>

#include "formats/link_file_lines.h"

std::optional<AdaMode> ada_mode_named(const char* value) {
  if (value == nullptr || std::strcmp(value, "") == 0 || std::strcmp(value, "95") == 0)
    return AdaMode::kAda95;
  if (std::strcmp(value, "2022") == 0) return AdaMode::kAda2022;
  return std::nullopt;
}

std::string_view mode_name(AdaMode mode) { return mode == AdaMode::kAda2022 ? "2022" : "95"; }

std::string_view mode_line(AdaMode mode) {
  return mode == AdaMode::kAda2022 ? kAda2022Line : std::string_view();
}

std::optional<AdaMode> mode_of_first_line(std::string_view line) {
  if (!line.starts_with(kModePrefix)) return AdaMode::kAda95;
  if (line == kAda2022Line) return AdaMode::kAda2022;
  return std::nullopt;
}
