#!/usr/bin/env bash
# `cmake --install` into a scratch prefix gives the documented layout, stays
# inside the prefix, and the installed program finds its catalogues through
# KORVODIR=<prefix>.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() { echo "FAIL: $*"; exit 1; }
# A clean environment for the program, but for a sanitizer build's settings.
clean_env=(env -i PATH=/usr/bin:/bin)
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  if [[ -n "${!name:-}" ]]; then clean_env+=("$name=${!name}"); fi
done

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || { cat "$scratch/install.log"; fail "install"; }

for file in bin/vantlink lib/vantlink/libvantlink_toolkit.so lib/locale/vlkchoptags_fr.qm \
            lib/locale/kvident_fr.qm \
            share/man/man1/vantlink.1 share/man/man1/vantlink-deps.1 share/doc/vantlink/README.md \
            share/doc/vantlink/link-file-format.md share/doc/vantlink/dependency-file-format.md \
            bin/vantlink-deps; do
  [[ -f "$prefix/$file" ]] || fail "missing $file"
done
[[ -x "$prefix/bin/vantlink" ]] || fail "bin/vantlink is not executable"

# Nothing lands outside the prefix (the profile script is for the package).
while IFS= read -r installed; do
  [[ "$installed" == "$prefix"/* ]] || fail "installed outside the prefix: $installed"
done <"$build/install_manifest.txt"

out=$("${clean_env[@]}" KORVODIR="$prefix" LANG=fr_FR.UTF-8 "$prefix/bin/vantlink" -v) ||
  fail "vantlink -v exited with $?"
grep -q "^Numéro de compilation : " <<<"$out" || fail "installed catalogues not used: $out"
echo "install layout ok"
