#!/usr/bin/env bash
# Builds the Debian package into a temporary folder and checks its control fields and contents.
# Usage: check-deb.sh <cpack> <build dir> <version>
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 <cpack> <build dir> <version>" >&2
  exit 2
fi
cpack=$1 build=$2 version=$3

app_id=io.github.tressik.Tressik
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tressik-deb.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
fi

arch=$(dpkg --print-architecture)
deb=$tmp/out/tressik_${version}_$arch.deb
if [ ! -f "$deb" ]; then
  echo "FAIL: expected $deb; cpack made:" >&2
  ls -l "$tmp/out" >&2
  exit 1
fi
ok "built $(basename "$deb")"

echo "--- control"
dpkg-deb --info "$deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tressik ] && ok "Package" || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] && ok "Version" || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] && ok "Architecture" || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = graphics ] && ok "Section" || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] && ok "Maintainer" || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] && ok "Description" || fail "no Description"

# Dependencies come from dpkg-shlibdeps, so the Qt and C libraries must appear with versions.
depends=$(field Depends)
dep_names=$(printf '%s\n' "$depends" | tr ',|' '\n\n' | sed -E 's/^ +//; s/[ :(].*//')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  if printf '%s\n' "$dep_names" | grep -qxF "$lib"; then
    ok "Depends on $lib"
  else
    fail "Depends lacks $lib: $depends"
  fi
done

echo "--- contents"
dpkg-deb --contents "$deb"
listing=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
expect=(
  ./usr/bin/tressik
  ./usr/share/applications/$app_id.desktop
  ./usr/share/metainfo/$app_id.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/tressik.svg
)
expect+=(
  ./usr/share/man/man1/tressik.1.gz
  ./usr/share/doc/tressik/copyright
  ./usr/share/doc/tressik/changelog.gz
)
for n in 16 32 48 64 128 256; do
  expect+=("./usr/share/icons/hicolor/${n}x$n/apps/tressik.png")
done
for path in "${expect[@]}"; do
  printf '%s\n' "$listing" | grep -qxF "$path" && ok "contains $path" || fail "missing $path"
done
# Nothing outside /usr, and no build-tree leftovers such as static libraries or headers.
stray=$(printf '%s\n' "$listing" | grep -v -e '^\./$' -e '^\./usr/' || true)
[ -z "$stray" ] && ok "everything under /usr" || fail "files outside /usr: $stray"
junk=$(printf '%s\n' "$listing" | grep -E '\.(a|h|o|cmake)$' || true)
[ -z "$junk" ] && ok "no development files" || fail "development files packaged: $junk"

dpkg-deb --extract "$deb" "$tmp/root"
exe=$tmp/root/usr/bin/tressik
if [ -x "$exe" ]; then
  case $(file --brief "$exe") in
    *ELF*", stripped"*) ok "executable is stripped" ;;
    *) fail "executable is not a stripped ELF file: $(file --brief "$exe")" ;;
  esac
  # Stripped as dh_strip does: no .comment and no .note section either.
  unneeded=$(readelf -S -W "$exe" | grep -Eo ' \.(comment|note) ' | tr -d ' ' | tr '\n' ' ')
  [ -z "$unneeded" ] && ok "no .comment or .note section" || fail "unneeded sections kept: $unneeded"
  # Full RELRO: a read-only relocation segment and immediate binding.
  if readelf -l -W "$exe" | grep -q GNU_RELRO && readelf -d "$exe" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW'; then
    ok "full RELRO with immediate binding"
  else
    fail "not linked with -z relro -z now"
  fi
  if readelf -d "$exe" | grep -Eq 'R(UN)?PATH'; then
    fail "executable carries an RPATH/RUNPATH: $(readelf -d "$exe" | grep -E 'R(UN)?PATH')"
  else
    ok "no RPATH"
  fi
else
  fail "packaged /usr/bin/tressik is not executable"
fi

# What a Debian packager would run: no errors and no warnings. Infos are shown, not counted.
echo "--- lintian"
if command -v lintian >/dev/null; then
  if lintian --info --display-info --fail-on error,warning "$deb"; then
    ok "lintian: no errors or warnings"
  else
    fail "lintian reports errors or warnings"
  fi
else
  fail "lintian is not installed (scripts/install-deps.sh test)"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all package checks passed"
