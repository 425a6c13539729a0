#!/usr/bin/env bash
# The package stage of `make test`: builds the Debian package, checks it with lintian, installs
# it with apt-get, tries the installed programs, manual pages, desktop entry and metainfo, then
# purges it and checks that no file of it is left. Whatever fails, the package and any package
# apt-get pulled in with it are purged again, so the machine is left as it was found.
# Needs root (apt-get); skipped otherwise.
# Usage: package-test.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
export LC_ALL=C # one sort order for comm

if [ "$(id -u)" -ne 0 ]; then
  echo "package tests skipped: need root"
  exit 0
fi

build=$(realpath "${1:-build/release}")
[ -f "$build/CPackConfig.cmake" ] || { echo "test-package: no CPack configuration in $build" >&2; exit 1; }
for tool in cpack lintian desktop-file-validate appstreamcli man apt-get; do
  command -v "$tool" >/dev/null || { echo "package stage: $tool is missing (make bootstrap)" >&2; exit 1; }
done

# The packages dpkg has installed or half-installed, one "name status" line each.
package_states() {
  dpkg-query -W -f '${binary:Package} ${db:Status-Abbrev}\n' | awk '$2 !~ /^.n/' | sort
}
installed() {
  dpkg-query -W -f '${db:Status-Abbrev}' quillmora 2>/dev/null | grep -qv '^un' # not "unknown"
}
if installed; then
  echo "FAIL: quillmora is already installed here; the package stage would replace it" >&2
  echo "      (apt-get purge quillmora, then run the stage again)" >&2
  exit 1
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillmora-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT # until the package-state baseline exists
chmod 755 "$tmp" # apt-get reads the package as its unprivileged user
packages_before=$tmp/packages.before
package_states >"$packages_before"

finish() {
  local rc=$?
  set +e # every clean-up step runs, whatever fails before it
  export DEBIAN_FRONTEND=noninteractive
  if installed; then
    echo "package: purging the package left installed by a failed check" >&2
    apt-get purge -y -qq quillmora >/dev/null || rc=1
  fi
  # Packages apt-get installed for the package's dependencies go as well.
  local added
  added=$(package_states | comm -13 "$packages_before" - | cut -d' ' -f1)
  if [ -n "$added" ]; then
    # shellcheck disable=SC2086 # one word per package
    apt-get purge -y -qq $added >/dev/null || rc=1
  fi
  if ! package_states | cmp -s "$packages_before" -; then
    echo "FAIL: the installed packages differ from before the stage:" >&2
    package_states | diff "$packages_before" - >&2 || true
    rc=1
  fi
  rm -rf "$tmp"
  [ $rc -eq 0 ] && echo "package tests passed" || echo "package tests FAILED" >&2
  exit $rc
}
trap finish EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "package: building the Debian package"
cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
debs=("$tmp/out"/quillmora_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made ${#debs[@]} packages, not one"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "quillmora_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "unexpected package name $(basename "$deb")"

echo "package: lintian"
lintian_rc=0
lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || lintian_rc=$?
grep -v '^running with root privileges' "$tmp/lintian.log" || true
[ $lintian_rc -eq 0 ] && ! grep -q '^E:' "$tmp/lintian.log" || fail "lintian reports errors"

# Every path of the package that is here already (directories such as /usr/share only).
dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }' | sed 's|/$||' | sort >"$tmp/paths"
while read -r path; do
  [ -e "$path" ] || continue
  [ -d "$path" ] || fail "$path exists already; installing the package would take it over"
  echo "$path"
done <"$tmp/paths" >"$tmp/paths.present"

echo "package: apt-get install ./$(basename "$deb")"
(cd "$tmp/out" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "./$(basename "$deb")" >"$tmp/apt.log" 2>&1) || { cat "$tmp/apt.log" >&2; fail "apt-get install failed"; }
dpkg -L quillmora | grep -vx '/\.' | sort >"$tmp/listed"

echo "package: the installed programs, manual pages, desktop entry and metainfo"
[ "$(quillmora-cli --version)" = "quillmora-cli $version" ] || fail "quillmora-cli --version: $(quillmora-cli --version)"
[ "$(command -v quillmora-cli)" = /usr/bin/quillmora-cli ] || fail "quillmora-cli is not the installed one"
[ "$(/usr/bin/quillmora --version)" = "quillmora $version" ] || fail "quillmora --version: $(/usr/bin/quillmora --version)"
for page in quillmora quillmora-cli; do
  [ "$(man -w "$page" 2>&1)" = "/usr/share/man/man1/$page.1.gz" ] ||
    fail "man -w $page: $(man -w "$page" 2>&1) (does /etc/dpkg/dpkg.cfg.d exclude /usr/share/man?)"
done
desktop-file-validate /usr/share/applications/quillmora.desktop || fail "desktop-file-validate"
metainfo=$(grep '^/usr/share/metainfo/.*\.metainfo\.xml$' "$tmp/listed") || fail "no metainfo"
appstreamcli validate --no-net "$metainfo" >"$tmp/appstream.log" 2>&1 ||
  { cat "$tmp/appstream.log" >&2; fail "appstreamcli validate"; }
for icon in scalable/apps/quillmora.svg 16x16/apps/quillmora.png 256x256/apps/quillmora.png; do
  grep -qx "/usr/share/icons/hicolor/$icon" "$tmp/listed" || fail "no icon $icon"
done
quillmora-cli render --size 64x48 --quiet -o "$tmp/pic.png" &&
  quillmora-cli params "$tmp/pic.png" >"$tmp/pic.qmp" ||
  fail "the installed quillmora-cli could not render a picture and read its parameters back"
grep -q '^\[Coordinates\]' "$tmp/pic.qmp" || fail "the rendered picture carries no parameters"

echo "package: apt-get purge quillmora"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillmora >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log" >&2; fail "apt-get purge failed"; }
! installed || fail "quillmora is still known to dpkg after purge"
leftovers=$(comm -23 "$tmp/listed" "$tmp/paths.present" | while read -r path; do
  [ -e "$path" ] && echo "$path"
done || true)
[ -z "$leftovers" ] || fail "left after purge: $leftovers"
