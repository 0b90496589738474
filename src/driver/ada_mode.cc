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

std::optional<AdaMode> mode_of_link_file(std::string_view text) {
  std::optional<std::string_view> name = link_file_mode_name(text);
  if (!name) return AdaMode::kAda95;
  if (*name == mode_name(AdaMode::kAda2022)) return AdaMode::kAda2022;
  return std::nullopt;
}
