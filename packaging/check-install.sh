#!/usr/bin/env bash
# Installs Tressik into a temporary folder and checks what lands there.
# Usage: check-install.sh <cmake> <build dir> <built tressik executable> <version> <icon source dir>
set -uo pipefail

if [ $# -ne 5 ]; then
  echo "usage: $0 <cmake> <build dir> <built tressik> <version> <icon source dir>" >&2
  exit 2
fi
cmake=$1 build=$2 built=$3 version=$4 icon_src=$5

app_id=io.github.tressik.Tressik
sizes=(16 32 48 64 128 256)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

if [ ! -x "$built" ]; then
  echo "FAIL: $built has not been built; build the tressik target first" >&2
  exit 1
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tressik-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# 1. Install with a prefix.
root=$tmp/prefix/usr
if ! "$cmake" --install "$build" --prefix "$root" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  fail "cmake --install --prefix failed"
  exit 1
fi
echo "--- installed tree"
(cd "$root" && find . -type f -o -type l | sort)

# The executable: present, runnable, and the very file the build produced.
exe=$root/bin/tressik
if [ -x "$exe" ] && [ -f "$exe" ]; then
  cmp -s "$exe" "$built" && ok "bin/tressik is the built executable" \
    || fail "bin/tressik differs from $built"
else
  fail "bin/tressik missing or not executable"
fi

# The window icon is compiled in: the 256 px PNG appears byte for byte inside the executable.
if [ -f "$exe" ]; then
  if perl -e '
      local $/; open(my $p, "<:raw", $ARGV[0]) or die; my $png = <$p>;
      open(my $e, "<:raw", $ARGV[1]) or die; my $bin = <$e>;
      exit(index($bin, $png) >= 0 ? 0 : 1);' "$icon_src/tressik-256.png" "$exe"; then
    ok "icon resource is compiled into the executable"
  else
    fail "the executable does not contain the icon resource (icons.qrc not linked?)"
  fi
fi

# Desktop entry.
desktop=$root/share/applications/$app_id.desktop
if [ -f "$desktop" ]; then
  if out=$(desktop-file-validate "$desktop" 2>&1); then
    # Hints are advice (Graphics and Education are both main categories on purpose);
    # anything else the validator prints is a fault.
    bad=$(printf '%s\n' "$out" | grep -v -e '^$' -e ': hint: ' || true)
    if [ -n "$bad" ]; then
      fail "desktop-file-validate complained:"; printf '%s\n' "$bad" >&2
    else
      ok "desktop-file-validate"
    fi
  else
    fail "desktop-file-validate failed:"; printf '%s\n' "$out" >&2
  fi
  value() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  [ "$(value Name)" = Tressik ] && ok "Name=Tressik" || fail "Name is '$(value Name)'"
  [ -n "$(value Comment)" ] && ok "Comment present" || fail "no Comment"
  [ "$(value Categories)" = "Graphics;Education;" ] && ok "Categories" \
    || fail "Categories is '$(value Categories)'"
  exec_bin=$(value Exec | awk '{print $1}')
  [ "$exec_bin" = tressik ] && [ -x "$root/bin/$exec_bin" ] && ok "Exec=$exec_bin is installed" \
    || fail "Exec '$exec_bin' does not name the installed executable"
  icon=$(value Icon)
  [ "$icon" = tressik ] && ok "Icon=$icon" || fail "Icon is '$icon'"
else
  fail "desktop file $app_id.desktop missing"
  icon=tressik
fi

# Icons under the name the desktop entry uses.
hicolor=$root/share/icons/hicolor
svg=$hicolor/scalable/apps/$icon.svg
if [ -f "$svg" ] && [ "$(file --brief --mime-type "$svg")" = image/svg+xml ]; then
  ok "scalable SVG icon"
else
  fail "scalable icon $svg missing or not SVG"
fi
for n in "${sizes[@]}"; do
  png=$hicolor/${n}x$n/apps/$icon.png
  desc=$(file --brief "$png" 2>/dev/null)
  case $desc in
    "PNG image data, $n x $n, "*RGBA*) ok "${n}x$n PNG icon" ;;
    *) fail "$png: expected a ${n}x$n RGBA PNG, found: ${desc:-nothing}" ;;
  esac
done

# AppStream metadata: strict validation (anything above pedantic notes fails), then the
# whole tree (metainfo, the desktop file it launches and the icons) together.
metainfo=$root/share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
  if out=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1); then
    ok "appstreamcli validate"
  else
    fail "appstreamcli validate:"; printf '%s\n' "$out" >&2
  fi
  if out=$(appstreamcli validate-tree --no-net --strict "$root" 2>&1); then
    ok "appstreamcli validate-tree"
  else
    fail "appstreamcli validate-tree:"; printf '%s\n' "$out" >&2
  fi
  grep -q "<id>$app_id</id>" "$metainfo" && ok "metainfo id" || fail "metainfo id is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    && ok "launchable names the desktop file" || fail "launchable does not name $app_id.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" && ok "release $version listed" \
    || fail "no release entry for version $version"
else
  fail "metainfo $app_id.metainfo.xml missing"
fi

# 2. Install again with DESTDIR: the same files must land under DESTDIR and nowhere else.
destdir=$tmp/destdir
if DESTDIR=$destdir "$cmake" --install "$build" --prefix /opt/tressik-check >"$tmp/install2.log" 2>&1; then
  a=$(cd "$root" && find . -type f | sort)
  b=$(cd "$destdir/opt/tressik-check" 2>/dev/null && find . -type f | sort)
  [ -n "$a" ] && [ "$a" = "$b" ] && ok "DESTDIR install matches the prefix install" \
    || fail "DESTDIR install differs from the prefix install"
  [ ! -e /opt/tressik-check ] || fail "an install ignored DESTDIR and wrote /opt/tressik-check"
else
  cat "$tmp/install2.log" >&2
  fail "cmake --install with DESTDIR failed"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all install checks passed"
