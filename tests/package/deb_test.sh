#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks its control fields and
# contents, and runs the program extracted into a scratch root. Nothing is
# installed on the system.
set -euo pipefail
build=$1
scratch=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# A clean environment for the program, but for a sanitizer build's settings.
clean_env=(env -i PATH=/usr/bin:/bin)
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  if [[ -n "${!name:-}" ]]; then clean_env+=("$name=${!name}"); fi
done

(cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "expected one .deb, got: ${debs[*]}"
deb=${debs[0]}

root=$scratch/root
dpkg -x "$deb" "$root"
prefix=$root/opt/vantlink
version_out=$("${clean_env[@]}" KORVODIR="$prefix" "$prefix/bin/vantlink" -v) ||
  fail "extracted vantlink -v exited with $?"
version=$(head -n 1 <<<"$version_out" | awk '{print $NF}')
[[ -n "$version" ]] || fail "no version in: $version_out"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == vantlink ]] || fail "Package: $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "Version $(field Version), program says $version"
[[ "$(field Architecture)" == "$(dpkg --print-architecture)" ]] || fail "Architecture: $(field Architecture)"
grep -qE '(^|, )libqt6core6( |,|$)' <<<"$(field Depends)" || fail "Depends lacks libqt6core6: $(field Depends)"
grep -qE '(^|, )libsimdjson[0-9]+( |,|$)' <<<"$(field Depends)" || fail "Depends lacks libsimdjson: $(field Depends)"
[[ -n "$(field Maintainer)" ]] || fail "no Maintainer"
[[ -n "$(field Description)" ]] || fail "no Description"
dpkg-deb -I "$deb" conffiles | grep -qx /etc/profile.d/vantlink.sh || fail "profile script is not a conffile"

listing=$(dpkg-deb -c "$deb")
for path in ./opt/vantlink/bin/vantlink ./opt/vantlink/lib/vantlink/libvantlink_toolkit.so \
            ./opt/vantlink/lib/locale/vlkchoptags_fr.qm \
            ./opt/vantlink/lib/locale/kvident_fr.qm ./opt/vantlink/share/man/man1/vantlink.1 \
            ./opt/vantlink/share/man/man1/vantlink-deps.1 ./opt/vantlink/bin/vantlink-deps \
            ./opt/vantlink/share/doc/vantlink/dependency-file-format.md \
            ./opt/vantlink/share/doc/vantlink/README.md \
            ./opt/vantlink/share/doc/vantlink/link-file-format.md ./etc/profile.d/vantlink.sh; do
  grep -qE " ${path//./\\.}\$" <<<"$listing" || fail "package lacks $path"
done
if awk '{print $2}' <<<"$listing" | grep -qv '^root/root$'; then fail "files not owned by root"; fi
while read -r path; do
  case $path in
    ./ | ./etc/ | ./etc/profile.d/ | ./etc/profile.d/vantlink.sh | ./opt/ | ./opt/vantlink/*) ;;
    *) fail "package holds $path, outside /opt/vantlink and /etc/profile.d" ;;
  esac
done < <(awk '{print $NF}' <<<"$listing")

# The profile script sets KORVODIR and adds the program to PATH, once.
profile=$root/etc/profile.d/vantlink.sh
env_out=$("${clean_env[@]}" sh -c ". '$profile'; . '$profile'; echo \"\$KORVODIR\"; echo \"\$PATH\"")
[[ "$(sed -n 1p <<<"$env_out")" == /opt/vantlink ]] || fail "profile KORVODIR: $env_out"
[[ "$(sed -n 2p <<<"$env_out")" == /usr/bin:/bin:/opt/vantlink/bin ]] || fail "profile PATH: $env_out"

# The extracted program does a real run, in French from its own catalogues.
mkdir -p "$scratch/work/src"
printf 'package Hello is\nend Hello;\n' >"$scratch/work/src/hello.ads"
run_out=$(cd "$scratch/work" && "${clean_env[@]}" KORVODIR="$prefix" LANG=fr_FR.UTF-8 \
          "$prefix/bin/vantlink" links.txt src) || fail "extracted vantlink run exited with $?"
grep -q 'Fichier "links.txt" créé' <<<"$run_out" || fail "no French final line: $run_out"
grep -qx "\"$scratch/work/src/hello.ads\" Hello SPEC" "$scratch/work/links.txt" ||
  fail "link file: $(cat "$scratch/work/links.txt")"
echo "package $(basename "$deb") ok"
