#!/usr/bin/env bash
# The manual page formats without a single warning and gives every option of
# the program its own entry: man_lint.sh PAGE [OPTION...], the options
# without their first "-" (vantlink's when none are given).
set -euo pipefail
page=$1
shift
options=("$@")
[[ ${#options[@]} -gt 0 ]] || options=(v version r a s silent h help f)
command -v groff >/dev/null || { echo "groff is not installed (scripts/setup installs groff-base)"; exit 1; }
warnings=$(groff -ww -z -man "$page" 2>&1)
if [[ -n "$warnings" ]]; then
  echo "$warnings"
  exit 1
fi
options_section=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page")
for option in "${options[@]}"; do
  # A "-" inside an option ("-dot" for --dot) stands as "\-" in the page too.
  escaped=${option//-/\\\\-}
  grep -qE "^\.(B|BR) (.* )?\"?\\\\-${escaped}([^a-z]|\$)" <<<"$options_section" ||
    { echo "OPTIONS has no entry for -${option}"; exit 1; }
done
echo "man page clean"
